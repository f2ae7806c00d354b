// What the wizard needs of the install: the progress form's lifetime and the
// run itself. Windows only.
//
// Program start, after the wizard and the directory chooser exist and after
// CoInitialize (shortcuts go through the shell-link object):
//     CreateInstallForm(hInstance);        // fmInstall, hidden
// Page 3's Next, with the wizard hidden:
//     bool completed = RunInstall();       // false: the user cancelled
// Program end, after the wizard closed:
//     DestroyInstallForm();                // writes INSTALL.LOG if completed
//
// RunInstall lets any C++ exception out of the run (the silent abort); the
// form is hidden again and no log will be written. Everything else the run
// meets (missing files, failed copies, broken archives) it absorbs.
#pragma once

#include <windows.h>

class TfmInstall;
extern TfmInstall* fmInstall;

void CreateInstallForm(HINSTANCE instance);
void DestroyInstallForm();
bool RunInstall();

// How the run asks for the next diskette. Tests put their own answer here;
// the program keeps the real message box.
using InstallMessageBoxFn = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
extern InstallMessageBoxFn InstallMessageBox;
