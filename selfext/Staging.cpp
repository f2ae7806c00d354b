#include "Staging.h"

#include "FileUtil.h"
#include "SilentRun.h"
#include "WindowUtil.h"

typedef BOOLEAN(WINAPI* GenRandom)(PVOID, ULONG);
typedef BOOL(WINAPI* OpenToken)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI* TokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
typedef BOOL(WINAPI* SidToText)(PSID, LPSTR*);
typedef BOOL(WINAPI* TextToDescriptor)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

// The user's SID as text (left allocated: the process ends soon after).
// Through GetProcAddress: the 95/98 family lacks these, and an import
// would keep the program from starting there at all.
static char* UserSid(HMODULE advapi) {
    OpenToken open = (OpenToken)(void*)GetProcAddress(advapi, "OpenProcessToken");
    TokenInformation query = (TokenInformation)(void*)GetProcAddress(advapi, "GetTokenInformation");
    SidToText toText = (SidToText)(void*)GetProcAddress(advapi, "ConvertSidToStringSidA");
    HANDLE token;
    if (!open || !query || !toText || !open(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD size;
    char* text = 0;
    if (!query(token, TokenUser, &info, sizeof info, &size) || !toText(info.user.User.Sid, &text)) text = 0;
    CloseHandle(token);
    return text;
}

// SYSTEM's base: the name part of `base` (or "Setup") in SystemTemp or the
// Windows folder.
static bool SystemBase(char* base) {
    char name[kPathCapacity];
    if (NamePart(base, name, sizeof name) <= 0) CopyText(name, sizeof name, "Setup");
    UINT length = GetWindowsDirectoryA(base, kPathCapacity);
    if (!length || length >= kPathCapacity || !AppendMissingBackslash(base, kPathCapacity)) return false;
    length = TextLength(base);
    AppendText(base, kPathCapacity, "SystemTemp");
    DWORD attributes = GetFileAttributesA(base);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY)
        base[length] = 0;
    return AppendMissingBackslash(base, kPathCapacity) &&
           AppendText(base, kPathCapacity, name) < kPathCapacity - 1;
}

bool MakeStaging(const char* folder, Staging* staging) {
    staging->hold = INVALID_HANDLE_VALUE;
    char base[kPathCapacity];
    if (folder[0]) {
        CopyText(base, sizeof base, folder);
    } else {
        DWORD length = GetTempPathA(sizeof base, base);
        if (!length || length >= sizeof base) return false;
        AppendText(base, sizeof base, "Setup");
    }
    HMODULE advapi = LoadSystemLibrary("advapi32.dll");
    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = 0;
    attributes.bInheritHandle = FALSE;
    // The 95/98 family keeps no access lists.
    if (!(GetVersion() & 0x80000000u)) {
        TextToDescriptor toDescriptor = (TextToDescriptor)(void*)GetProcAddress(
            advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorA");
        char* sid = advapi ? UserSid(advapi) : 0;
        char acl[kPathCapacity];
        if (!sid || !toDescriptor || (IsSystemSid(sid) && !SystemBase(base)) ||
            !StagingAcl(sid, acl, sizeof acl) ||
            !toDescriptor(acl, 1 /* SDDL_REVISION_1 */, &attributes.lpSecurityDescriptor, 0))
            return false;
    }
    char parent[kPathCapacity];
    if (DirectoryPart(base, parent, sizeof parent) > 0) MakeDirectoryTree(parent);
    GenRandom random = advapi ? (GenRandom)(void*)GetProcAddress(advapi, "SystemFunction036") : 0;
    for (int tries = 0; tries < 16; ++tries) {
        // Only the 95/98 family and NT before XP lack the random source.
        uint32_t value = GetTickCount() * 2654435761u + (uint32_t)tries;
        if (random) random(&value, sizeof value);
        if (!StagingPath(base, value, staging->path, sizeof staging->path)) return false;
        if (CreateDirectoryA(staging->path, &attributes)) {
            // 95/98 opens no folders: there the hold stays invalid.
            staging->hold =
                CreateFileA(staging->path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// `path` holds a folder in a buffer of kTreeCapacity bytes.
static const int kTreeCapacity = 2 * MAX_PATH;
static void RemoveTree(char* path) {
    const int length = TextLength(path);
    if (AppendText(path, kTreeCapacity, "\\*") != length + 2) return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const char* name = found.cFileName;
            if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
            path[length + 1] = 0;
            if (AppendText(path, kTreeCapacity, name) >= kTreeCapacity - 1) continue;
            const DWORD kind =
                found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
            if (kind == FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else if (kind) {
                RemoveDirectoryA(path);  // a link to a folder, or to a file: only the link
                DeleteFileA(path);
            } else {
                SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path);
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    path[length] = 0;
    RemoveDirectoryA(path);
}

void RemoveStaging(Staging* staging) {
    if (staging->hold != INVALID_HANDLE_VALUE) CloseHandle(staging->hold);
    // Starting the program made the folder the current one.
    SetCurrentDirectoryA("\\");
    // A process the program started may hold the folder a moment longer.
    for (int tries = 0; tries < 40; ++tries) {
        char path[kTreeCapacity];
        CopyText(path, sizeof path, staging->path);
        RemoveTree(path);
        if (GetFileAttributesA(staging->path) == INVALID_FILE_ATTRIBUTES) return;
        Sleep(250);
    }
}
