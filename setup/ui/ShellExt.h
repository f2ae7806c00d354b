// Registration of the product's shell extension when the wizard closes on its
// last page. The keys come from the table the uninstaller removes them by.
#pragma once

#include <windows.h>

#include <string>

#include "ProductKeys.h"
#include "RunLog.h"

// The shell DLL name is empty in the script: keep the name a previous install
// recorded under the product key, else the product's usual library name.
extern const char kDefaultShellDll[];

// Removes the old keys, writes the product key and the seven handler keys and
// starts regsvr32 for the server and for ActiveSkin.ocx, hidden and without
// waiting. Reads SetupScript's InstallDir and shell DLL name. Each key written
// and each command started goes to step ("registry", "shell extension");
// true when every key was written and both commands started.
bool RegisterShellExtension(const RunStepFn& step = RunStepFn());

// How the commands are started; tests record them instead.
using ShellExecFn = UINT(WINAPI*)(LPCSTR command, UINT show);
extern ShellExecFn ShellExtExec;
