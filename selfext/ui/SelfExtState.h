#pragma once
// Program-wide state of the self-extractor: one instance each, alive for the
// whole run, used only on the user-interface thread.

#include <windows.h>

#include "ExtractPass.h"
#include "RunRecord.h"

extern HINSTANCE Instance;
extern HANDLE ArchiveHandle;      // the program's own file, read-only
extern uint32_t ArchiveLimit;     // where the archive ends in that file
extern char* BrowsePath;          // 261 bytes: the directory chooser's folder
extern PassSettings Settings;     // ExtractPath, OverwriteMode, remembered password
extern uint8_t OverwriteAnswer;   // the overwrite prompt's answer: 1 overwrite
extern char PromptFileName[256];  // the file the overwrite prompt names
extern char PasswordBuffer[kPasswordCapacity];
extern int PasswordLength;
extern HWND MainDialog;
extern HWND ProgressDialog;
extern bool MainDialogReady;
extern bool CancelRequested;
extern RunRecord Run;  // what to start after extraction, and where a silent run unpacks

const int kBrowsePathSize = 261;

// The dialogs, each with its own procedure (the main dialog's is its class's
// window procedure).
bool RegisterDialogClasses();
LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SetDirProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NewDirProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FileExistProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs one pass over the attached archive with the main dialog as its host.
PassOutcome RunPass(bool listOnly);

// Hands on one waiting message (so a window can repaint mid-pass) or all of
// them, the progress window's keys included.
void DispatchMessages(bool all);

// Fills `path` (256 bytes) with the current directory, or "" when it does
// not fit.
void CurrentDirectory(char* path);
