// The directory chooser "SETDIR" and its "Create subdirectory" dialog.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <winnetwk.h>

#include "FileUtil.h"
#include "PathText.h"
#include "Resource.h"
#include "SelfExtState.h"
#include "WindowUtil.h"

static int SmallIconHeight;
static HIMAGELIST SystemImageList;

// Neither library is a static import: a copy planted beside the program
// would be loaded instead of the system's.
typedef BOOL(WINAPI* ImageListDrawFn)(HIMAGELIST, int, HDC, int, int, UINT);
typedef DWORD(WINAPI* ConnectionDialogFn)(HWND, DWORD);

static ImageListDrawFn ImageListDraw() {
    static ImageListDrawFn draw;
    static bool tried;
    if (!tried) {
        tried = true;
        HMODULE comctl = LoadSystemLibrary("comctl32.dll");
        if (comctl) draw = (ImageListDrawFn)(void*)GetProcAddress(comctl, "ImageList_Draw");
    }
    return draw;
}

static DWORD ConnectNetworkDrive(HWND owner) {
    HMODULE mpr = LoadSystemLibrary("mpr.dll");
    if (!mpr) return ERROR_NOT_SUPPORTED;
    ConnectionDialogFn dialog = (ConnectionDialogFn)(void*)GetProcAddress(mpr, "WNetConnectionDialog");
    DWORD result = dialog ? dialog(owner, RESOURCETYPE_DISK) : ERROR_NOT_SUPPORTED;
    FreeLibrary(mpr);
    return result;
}

// Turns a drive-rooted path into its long-name form, component by
// component; a component the system cannot look up is kept as written.
static void ExpandLongNames(char* path) {
    if (TextLength(path) < 4) return;
    AppendMissingBackslash(path, kBrowsePathSize);
    char result[kBrowsePathSize];
    char prefix[kBrowsePathSize];
    CopyText(result, 4, path);
    int start = 3;
    for (int i = 3; path[i]; ++i) {
        if (path[i] != '\\') continue;
        CopyText(prefix, i + 1 <= kBrowsePathSize ? i + 1 : kBrowsePathSize, path);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(prefix, &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            AppendText(result, sizeof result, found.cFileName);
        } else {
            char part[kBrowsePathSize];
            CopyText(part, MinInt(i - start + 1, (int)sizeof part), path + start);
            AppendText(result, sizeof result, part);
        }
        AppendText(result, sizeof result, "\\");
        start = i + 1;
    }
    CopyText(path, 256, result);
}

static void RefreshDirectoryList(HWND dialog) {
    AppendMissingBackslash(BrowsePath, kBrowsePathSize);
    DlgDirListA(dialog, BrowsePath, IDC_DIR_LIST, IDC_DIR_PATH, DDL_DRIVES | DDL_DIRECTORY | DDL_EXCLUSIVE);
    GetDlgItemTextA(dialog, IDC_DIR_PATH, BrowsePath, 260);
    ExpandLongNames(BrowsePath);
    SetDlgItemTextA(dialog, IDC_DIR_PATH, BrowsePath);
    // The sorted list would put the drive lines above the parent.
    HWND list = GetDlgItem(dialog, IDC_DIR_LIST);
    LRESULT parent = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "[..]");
    if (parent != LB_ERR) {
        SendMessageA(list, LB_DELETESTRING, (WPARAM)parent, 0);
        SendMessageA(list, LB_INSERTSTRING, 0, (LPARAM) "[..]");
    }
    SetFocus(list);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

// A folder name of 255 characters takes up to 510 bytes in a double-byte
// code page; its line adds the brackets.
const int kLineSize = 2 * MAX_PATH + 4;

static void DrawDirectoryItem(const DRAWITEMSTRUCT* item) {
    if (item->CtlID != IDC_DIR_LIST || item->itemID == (UINT)-1) return;
    char line[kLineSize];
    LRESULT length = SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0);
    if (length < 2 || length >= (LRESULT)sizeof line) return;
    length = SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, (LPARAM)line);
    if (length < 2) return;
    char text[kLineSize];
    CopyText(text, MinInt((int)length - 1, (int)sizeof text), line + 1);

    enum { Directory, Drive, Parent } kind = Directory;
    if (length == 5 && text[0] == '-' && text[2] == '-') {
        kind = Drive;
        text[0] = text[1];
        text[1] = ':';
        text[2] = '\\';
    } else if (text[0] == '.' && text[1] == '.' && !text[2]) {
        kind = Parent;
    }

    HDC dc = item->hDC;
    bool focused = (item->itemState & ODS_FOCUS) != 0;
    int background = focused ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    SetTextColor(dc, GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(background));
    FillRect(dc, &item->rcItem, GetSysColorBrush(background));

    int icon = 3;  // the closed folder of the system image list
    if (kind != Parent) {
        char path[kBrowsePathSize + kLineSize];
        if (kind == Drive) {
            CopyText(path, sizeof path, text);
        } else {
            CopyText(path, sizeof path, BrowsePath);
            AppendText(path, sizeof path, text);
        }
        SHFILEINFOA info;
        FillZero(&info, sizeof info);
        HIMAGELIST images = (HIMAGELIST)SHGetFileInfoA(
            path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON);
        if (images) {
            SystemImageList = images;
            icon = info.iIcon;
            if (info.szDisplayName[0]) CopyText(text, sizeof text, info.szDisplayName);
        }
    } else if (!SystemImageList) {
        char windows[MAX_PATH];
        SHFILEINFOA info;
        if (GetWindowsDirectoryA(windows, sizeof windows))
            SystemImageList = (HIMAGELIST)SHGetFileInfoA(windows, 0, &info, sizeof info,
                                                         SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    }

    int indent = kind == Directory ? SmallIconHeight / 2 : 0;
    ImageListDrawFn draw = ImageListDraw();
    if (draw && SystemImageList)
        draw(SystemImageList, icon, dc, item->rcItem.left + indent + 3, item->rcItem.top + 1,
             0x0001 /* ILD_TRANSPARENT */);
    TextOutA(dc, item->rcItem.left + SmallIconHeight + indent + 8, item->rcItem.top + 2, text,
             TextLength(text));
}

INT_PTR CALLBACK SetDirProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            AppendMissingBackslash(BrowsePath, kBrowsePathSize);
            if (!PathFound(BrowsePath)) CurrentDirectory(BrowsePath);
            SmallIconHeight = GetSystemMetrics(SM_CYSMICON);
            SendDlgItemMessageA(dialog, IDC_DIR_LIST, LB_SETITEMHEIGHT, 0, SmallIconHeight + 2);
            CenterDialogOnScreen(dialog);
            RefreshDirectoryList(dialog);
            return 0;
        case WM_DRAWITEM: DrawDirectoryItem((const DRAWITEMSTRUCT*)lParam); return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    AppendMissingBackslash(BrowsePath, kBrowsePathSize);
                    EndDialog(dialog, IDOK);
                    break;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
                case IDC_DIR_NETWORK:
                    if (ConnectNetworkDrive(dialog) == NO_ERROR) RefreshDirectoryList(dialog);
                    break;
                case IDC_DIR_LIST:
                    if (HIWORD(wParam) == LBN_DBLCLK) {
                        // The selection call leaves the bare name, relative to the
                        // listed folder, which the listing made current.
                        DlgDirSelectExA(dialog, BrowsePath, 256, IDC_DIR_LIST);
                        AppendMissingBackslash(BrowsePath, kBrowsePathSize);
                        RefreshDirectoryList(dialog);
                    } else if (HIWORD(wParam) == LBN_SETFOCUS || HIWORD(wParam) == LBN_KILLFOCUS) {
                        InvalidateRect(GetDlgItem(dialog, IDC_DIR_LIST), 0, TRUE);
                    }
                    break;
                case IDC_DIR_NEW:
                    if (DialogBoxParamA(Instance, "DLGNEW", dialog, NewDirProc, 0) == IDOK)
                        RefreshDirectoryList(dialog);
                    break;
            }
            return 0;
    }
    return 0;
}

INT_PTR CALLBACK NewDirProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        AppendMissingBackslash(BrowsePath, kBrowsePathSize);
        CenterDialogOnScreen(dialog);
        SetDlgItemTextA(dialog, IDC_NEW_BASE, BrowsePath);
        SetFocus(GetDlgItem(dialog, IDC_NEW_NAME));
        return 0;
    }
    if (message != WM_COMMAND) return 0;
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    } else if (LOWORD(wParam) == IDOK) {
        char name[260];
        GetDlgItemTextA(dialog, IDC_NEW_NAME, name, sizeof name);
        if (!name[0]) return 0;
        if (MakeSubdirectory(BrowsePath, name)) {
            const char* relative = name;
            while (*relative == '\\') ++relative;
            if (TextLength(BrowsePath) + TextLength(relative) + 1 < 256)
                AppendText(BrowsePath, kBrowsePathSize, relative);
            EndDialog(dialog, IDOK);
        } else {
            MessageBoxA(dialog, "Couldn't create directory", "Error", MB_OK | MB_ICONSTOP);
        }
    }
    return 0;
}
