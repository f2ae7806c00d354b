#pragma once
// Starting the program a self-extracting file names, once it is unpacked.

#include <windows.h>

// Starts `command`, a stored name ('\' or '/' separated) relative to
// `folder`, with `arguments` (may be empty), making `folder` the current
// folder, which the program inherits. Through the shell, not CreateProcess:
// a program whose manifest asks for administrator rights then gets the
// system's elevation prompt instead of failing with
// ERROR_ELEVATION_REQUIRED. Shows no error box. Returns the new process's
// handle, which the caller closes; null on failure, with the reason in
// GetLastError (ERROR_CANCELLED: the user refused the elevation). `file`
// receives the program's full path (or, when the folder cannot be entered,
// the command), for a message.
const int kStartPathCapacity = MAX_PATH + 130;  // room for a path that is too long
HANDLE StartProgram(const char* folder, const char* command, const char* arguments,
                    char file[kStartPathCapacity]);
