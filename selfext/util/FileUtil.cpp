#include "FileUtil.h"

#include "PathText.h"

// Room for a full target path: a 255-character folder and a 257-byte name.
static const int kLongPath = 520;

bool PathFound(char* path) {
    char pattern[kLongPath];
    int length = TextLength(path);
    if (length > 0 && path[length - 1] != '\\') ToBackslashes(path);
    if (!MakeFindPattern(path, pattern, sizeof pattern)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

void MakeDirectoryTree(const char* path) {
    char dir[kLongPath];
    int length = CopyText(dir, sizeof dir, path);
    if (length > 0 && dir[length - 1] == '\\') dir[--length] = 0;
    if (length < 3 || PathFound(dir)) return;
    char parent[kLongPath];
    DirectoryPart(dir, parent, sizeof parent);
    // A parent no shorter than the path itself would recurse for ever.
    if (TextLength(parent) < length) MakeDirectoryTree(parent);
    CreateDirectoryA(dir, 0);
}

bool MakeSubdirectory(const char* base, const char* name) {
    for (const char* p = name; *p; ++p)
        if (*p == ':') return false;
    while (*name == '\\') ++name;
    if (!*name) return false;
    char path[kLongPath];
    CopyText(path, sizeof path, base);
    AppendText(path, sizeof path, name);
    MakeDirectoryTree(path);
    char relative[kLongPath];
    CopyText(relative, sizeof relative, name);
    AppendText(relative, sizeof relative, "\\");
    if (!PathFound(relative)) return false;
    return SetCurrentDirectoryA(name) != 0;
}

bool DosTimeToUtc(uint32_t dosDateTime, FILETIME* utc) {
    FILETIME local;
    if (!DosDateTimeToFileTime(HighWord(dosDateTime), (WORD)dosDateTime, &local)) return false;
    return LocalFileTimeToFileTime(&local, utc) != 0;
}
