// The folders of the running system that the uninstaller never removes, nor
// any folder above them (uninst::IsKeptFolder). Windows only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Read at run time, because users and administrators move these folders.
// Each folder is given as the system reports it and, where it differs, by its
// short name, so that a log written with either form matches.
std::vector<std::string> KeptFolders();

// Where setup puts shortcuts: the user's and all users' Desktop, Start Menu,
// Programs and Startup, as both shell-folder keys name them, each also by its
// short name.
std::vector<std::string> ShortcutFolders();

// A folder of the system as `call` (GetWindowsDirectoryA, GetSystemDirectoryA,
// a GetTempPathA wrapper) reports it; "" when it fails or would not fit.
std::string SystemFolder(UINT(WINAPI* call)(LPSTR, UINT));
