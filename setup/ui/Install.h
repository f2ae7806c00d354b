// What the wizard needs of the install: the progress form's lifetime and the
// run itself. Windows only.
//
// Program start, after the wizard and the directory chooser exist and after
// CoInitialize (shortcuts go through the shell-link object):
//     CreateInstallForm();                   // fmInstall, hidden
// Page 3's Next, with the wizard hidden:
//     TInstallOutcome end = RunInstall();    // INSTALL.LOG is written when it completed
// Program end, after the wizard closed:
//     DestroyInstallForm();
//
// A cancelled or failed run has been undone when RunInstall returns; the
// outcome says why it ended and whether anything could not be put back.
#pragma once

#include <windows.h>

#include "InstallOutcome.h"

class TfmInstall;
extern TfmInstall* fmInstall;

void CreateInstallForm();
void DestroyInstallForm();
TInstallOutcome RunInstall();

// How the run asks for the next diskette. Tests put their own answer here;
// the program keeps the real message box.
using InstallMessageBoxFn = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
extern InstallMessageBoxFn InstallMessageBox;
