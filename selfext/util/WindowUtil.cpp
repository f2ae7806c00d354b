#include "WindowUtil.h"

#include "PathText.h"

static void CenteredPosition(HWND window, RECT* rect, int* x, int* y) {
    GetWindowRect(window, rect);
    *x = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), rect->right - rect->left);
    *y = CenteredOrigin(GetSystemMetrics(SM_CYSCREEN), rect->bottom - rect->top);
}

void CenterWindowOnScreen(HWND window) {
    RECT r;
    int x, y;
    CenteredPosition(window, &r, &x, &y);
    MoveWindow(window, x, y, r.right - r.left, r.bottom - r.top, FALSE);
}

void CenterDialogOnScreen(HWND window) {
    RECT r;
    int x, y;
    CenteredPosition(window, &r, &x, &y);
    SetWindowPos(window, 0, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RestrictDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    typedef BOOL(WINAPI * SetDefaultDirs)(DWORD);
    typedef BOOL(WINAPI * SetDllDir)(LPCSTR);
    // Older systems lack both; they then search the system folders first
    // for the libraries this program loads, which LoadSystemLibrary names
    // by full path anyway.
    SetDefaultDirs setDefault = (SetDefaultDirs)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault) setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
    SetDllDir setDir = (SetDllDir)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDir) setDir("");
}

HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH + 32];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    AppendMissingBackslash(path, sizeof path);
    AppendText(path, sizeof path, name);
    return LoadLibraryA(path);
}
