#pragma once
// Window and module helpers of the self-extractor.

#include <windows.h>

// Moves the window so that it stands in the middle of the primary screen
// (negative origin when it is larger), keeping its size; no repaint.
void CenterWindowOnScreen(HWND window);

// The same origin; sets only the position.
void CenterDialogOnScreen(HWND window);

// Keeps every later library load to the system folder, where the system
// offers that, so a DLL planted beside the program (a download folder) is
// never picked up. Call first thing at start.
void RestrictDllSearch();

// Loads a system library by its full path in the system folder (`name` such
// as "comctl32.dll"); null when that fails.
HMODULE LoadSystemLibrary(const char* name);
