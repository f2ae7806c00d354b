#include "Launch.h"

#include <shellapi.h>

#include "PathText.h"

HANDLE StartProgram(const char* folder, const char* command, const char* arguments,
                    char file[kStartPathCapacity]) {
    // The full path also turns the stored name's '/' into '\', and resolves
    // a relative extract folder as the pass did.
    CopyText(file, kStartPathCapacity, command);
    if (!SetCurrentDirectoryA(folder)) return 0;
    DWORD length = GetFullPathNameA(command, kStartPathCapacity, file, 0);
    if (!length || length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    SHELLEXECUTEINFOA info;
    FillZero(&info, sizeof info);
    info.cbSize = sizeof info;
    // NOASYNC: the interactive program ends right after this call.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = file;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;  // no lpDirectory: the program inherits the current folder
    if (!ShellExecuteExA(&info)) return 0;
    if (!info.hProcess) SetLastError(ERROR_INVALID_HANDLE);
    return info.hProcess;
}
