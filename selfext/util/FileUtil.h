#pragma once
// File-system helpers of the self-extractor over the Win32 API. Paths are
// byte strings in the system code page with '\' as separator.

#include <stdint.h>
#include <windows.h>

// True when a file or folder of that name exists; a path ending in '\' is
// found when the folder lists at least one entry (every folder but an empty
// drive root holds "." and ".."). Turns '/' into '\' in `path` when it does
// not end in '\'.
bool PathFound(char* path);

// Creates the folder and every missing parent, top down. Reports nothing:
// the caller checks the outcome with PathFound. Paths shorter than three
// characters (a drive such as C:) end the recursion.
void MakeDirectoryTree(const char* path);

// Creates `name` (which may hold inner '\') below `base` (ending in '\') and
// makes it the current folder. Fails for a name with ':', a name made only
// of '\', or a folder that did not come into being.
bool MakeSubdirectory(const char* base, const char* name);

// The file time of a local MS-DOS date and time (date in the high 16 bits),
// as UTC. False when the DOS value is not a valid date.
bool DosTimeToUtc(uint32_t dosDateTime, FILETIME* utc);
