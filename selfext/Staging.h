#pragma once
// The private folder of an unattended run that starts a program (see
// StagingPath): made new, open to the user, Administrators and SYSTEM only,
// held open so that nobody renames it away meanwhile, and removed with
// everything in it once the program has ended.

#include <windows.h>

#include "PathText.h"

struct Staging {
    char path[kPathCapacity];
    HANDLE hold;  // the folder itself, without delete sharing
};

// Beside `folder` (the /D= or recorded folder, expanded; "" for none, which
// stages in %TEMP%). Running as SYSTEM, in the Windows folder's SystemTemp
// where it exists, else in the Windows folder: %TEMP% is then a folder every
// user may write to. False when no such folder could be made.
bool MakeStaging(const char* folder, Staging* staging);

// Deletes the folder and everything below it; a link is removed as the link,
// never followed. Tries for ten seconds; what is still in use then stays.
void RemoveStaging(Staging* staging);
