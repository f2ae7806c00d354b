// The progress form's lifetime, and a run with the form as its view. Windows
// only.
//
// Program start, after the wizard and the directory chooser exist and after
// CoInitialize (shortcuts go through the shell-link object):
//     CreateInstallForm();                   // fmInstall, hidden
// Page 3's Next, with the wizard hidden: the wizard's RunInstall, SetupRun's
// run over fmInstall (INSTALL.LOG is written when it completed).
// Program end, after the wizard closed:
//     DestroyInstallForm();
//
// A cancelled or failed run has been undone when the run returns; the
// outcome says why it ended and whether anything could not be put back.
#pragma once

#include <windows.h>

#include "InstallOutcome.h"
#include "RunLog.h"

class TfmInstall;
extern TfmInstall* fmInstall;

void CreateInstallForm();
void DestroyInstallForm();
// One run over SetupScript with fmInstall as its view; onStep hears its
// steps. The programs' own modes run through SetupRun, this is for tests.
TInstallOutcome RunInstall(const RunStepFn& onStep = {});

// How the run asks for the next diskette. Tests put their own answer here;
// the program keeps the real message box.
using InstallMessageBoxFn = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
extern InstallMessageBoxFn InstallMessageBox;
