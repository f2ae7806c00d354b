#include "PathText.h"
#include "Progress.h"
#include "Resource.h"
#include "SelfExtState.h"
#include "FileUtil.h"
#include "WindowUtil.h"

HINSTANCE Instance;
HANDLE ArchiveHandle = INVALID_HANDLE_VALUE;
uint32_t ArchiveLimit = 0xFFFFFFFFu;
char* BrowsePath;
PassSettings Settings;
uint8_t OverwriteAnswer;
char PromptFileName[256];
char PasswordBuffer[kPasswordCapacity];
int PasswordLength;
HWND MainDialog;
HWND ProgressDialog;
bool MainDialogReady;
bool CancelRequested;

void CurrentDirectory(char* path) {
    DWORD length = GetCurrentDirectoryA(256, path);
    if (length == 0 || length >= 256) path[0] = 0;
}

void DispatchMessages(bool all) {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam);
            return;
        }
        if (!(ProgressDialog && IsDialogMessageA(ProgressDialog, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!all) return;
    }
}

// --- the pass's host: the main dialog's controls and the disk -------------

static HWND List() { return GetDlgItem(MainDialog, IDC_LIST); }

static void HostResetList(PassHost*) { SendMessageA(List(), LB_RESETCONTENT, 0, 0); }
static void HostAddLine(PassHost*, const char* line) { SendMessageA(List(), LB_ADDSTRING, 0, (LPARAM)line); }
static int HostLineCount(PassHost*) { return (int)SendMessageA(List(), LB_GETCOUNT, 0, 0); }
static int HostFindLine(PassHost*, const char* name, int after) {
    LRESULT found = SendMessageA(List(), LB_FINDSTRINGEXACT, (WPARAM)after, (LPARAM)name);
    return found == LB_ERR ? -1 : (int)found;
}
static bool HostLineSelected(PassHost*, int index) {
    return SendMessageA(List(), LB_GETSEL, (WPARAM)index, 0) > 0;
}
static void HostDeselectLine(PassHost*, int index) { SendMessageA(List(), LB_SETSEL, FALSE, (LPARAM)index); }
static int HostSelectedCount(PassHost*) {
    LRESULT count = SendMessageA(List(), LB_GETSELCOUNT, 0, 0);
    return count == LB_ERR ? 0 : (int)count;
}
static bool HostStoredPaths(PassHost*) {
    return SendDlgItemMessageA(MainDialog, IDC_STORED_PATHS, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
static void HostNoStoredPaths(PassHost*) {
    SendDlgItemMessageA(MainDialog, IDC_STORED_PATHS, BM_SETCHECK, BST_UNCHECKED, 0);
    EnableWindow(GetDlgItem(MainDialog, IDC_STORED_PATHS), FALSE);
}

static const char kArchiveError[] = "Archive error..";
static const char kResultCaption[] = "Self Extract - Result";
static const char kFailedSummary[] = "The remaining hilited file( s ) failed CRC validation";
static const char kCancelledSummary[] =
    "Extraction cancelled... the remaining hilited file( s ) were not extracted";
static const char kNothingSelected[] = "No file( s ) selected... nothing to extract";

// The summary, then the lines still selected: up to ten names and a count
// of the rest, since the list itself lies outside the dialog's visible part.
static void FailureReport(char* out, int capacity) {
    const int kNamed = 10;
    GetDlgItemTextA(MainDialog, IDC_STATUS, out, capacity);
    HWND list = List();
    int lines = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    int named = 0;
    for (int i = 0; i < lines; ++i) {
        if (SendMessageA(list, LB_GETSEL, (WPARAM)i, 0) <= 0) continue;
        if (++named > kNamed) continue;
        // The length the list reports may exceed the text in a double-byte
        // code page, never fall short of it.
        char line[2 * kNameBufferSize];
        LRESULT size = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (size < 0 || size >= (LRESULT)sizeof line) continue;
        SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)line);
        AppendText(out, capacity, named == 1 ? "\n\n" : "\n");
        AppendText(out, capacity, line);
    }
    if (named > kNamed) {
        AppendText(out, capacity, "\nand ");
        AppendDecimal(out, capacity, (uint32_t)(named - kNamed));
        AppendText(out, capacity, " more");
    }
}

static void HostNotice(PassHost*, PassNotice notice, const char* detail) {
    const char* text = detail;
    const char* caption = kArchiveError;
    UINT icon = 0;
    static char message[400 + 10 * kNameBufferSize];
    switch (notice) {
        case NoticeSeekFailed: text = "Error finding attached archive."; break;
        case NoticeBadName: text = "Error retreiving filename."; break;
        case NoticeNoEntries:
            text = "Can't read archive header";
            caption = "Error...";
            break;
        case NoticeUnsafeName:
            CopyText(message, sizeof message, detail);
            AppendText(message, sizeof message,
                       "\n\nThis name leads outside the extract path. It is not extracted, "
                       "nor is any other such name in this archive.");
            text = message;
            caption = "Unsafe file name";
            icon = MB_ICONEXCLAMATION;
            break;
        case NoticeFolderFailed: caption = "Error Changing Dir"; break;
        case NoticeCreateFailed: caption = "Couldn't open..."; break;
        case NoticeUnsupportedMethod:
            text = "Unsupported compression method";
            caption = "Unable to extract...";
            break;
        case NoticeCloseFailed: caption = "Error Closing..."; break;
        case NoticeNothingSelected:
            text = kNothingSelected;
            caption = kResultCaption;
            break;
        case NoticeFailures:
            FailureReport(message, sizeof message);
            text = message;
            caption = kResultCaption;
            icon = MB_ICONEXCLAMATION;
            break;
    }
    MessageBoxA(0, text ? text : "", caption, MB_OK | icon);
}

static void HostStatus(PassHost*, PassStatus status, const char* detail) {
    char line[600];
    switch (status) {
        case StatusExtracting:
            CopyText(line, sizeof line, "Extracting: ");
            AppendText(line, sizeof line, detail);
            SetDlgItemTextA(MainDialog, IDC_STATUS, line);
            if (ProgressDialog) SetDlgItemTextA(ProgressDialog, IDC_PROGRESS_TEXT, line);
            DispatchMessages(false);
            return;
        case StatusAllPassed:
            CopyText(line, sizeof line, "CRC validation passed on all file( s )... extraction successful");
            break;
        case StatusFailed: CopyText(line, sizeof line, kFailedSummary); break;
        case StatusCancelled: CopyText(line, sizeof line, kCancelledSummary); break;
        case StatusNothingSelected: CopyText(line, sizeof line, kNothingSelected); break;
    }
    SetDlgItemTextA(MainDialog, IDC_STATUS, line);
}

static void HostProgress(PassHost*, uint32_t done, uint32_t total) {
    if (!ProgressDialog) return;
    HWND bar = GetDlgItem(ProgressDialog, IDC_PROGRESS_BAR);
    char text[8];
    int percent = ProgressPercent(done, total);
    PercentText(percent, text, false);
    char shown[8];
    GetWindowTextA(bar, shown, sizeof shown);
    if (!shown[0] || ParsePercent(shown) != percent) {
        SetWindowTextA(bar, text);
        InvalidateRect(bar, 0, FALSE);
        UpdateWindow(bar);
    }
    DispatchMessages(true);
}

static bool HostCancelled(PassHost*) {
    DispatchMessages(true);
    return CancelRequested;
}

static bool HostAskOverwrite(PassHost*, const char* name) {
    CopyText(PromptFileName, sizeof PromptFileName, name);
    EnableWindow(MainDialog, FALSE);
    DialogBoxParamA(Instance, "FileExist", 0, FileExistProc, 0);
    return OverwriteAnswer == 1;
}

static bool HostPathFound(PassHost*, char* path) { return PathFound(path); }
static void HostMakeDirectoryTree(PassHost*, const char* path) { MakeDirectoryTree(path); }

// At most one output file is open at a time: the temporary file that an
// entry is decoded into, beside its target.
struct FileSink {
    ByteSink base;
    HANDLE file;
    char temporary[MAX_PATH];
};
static FileSink Output;

static bool SinkWrite(ByteSink* self, const uint8_t* data, uint32_t size) {
    FileSink* sink = (FileSink*)self;
    DWORD written = 0;
    return WriteFile(sink->file, data, size, &written, 0) && written == size;
}

static ByteSink* HostCreateOutput(PassHost*, const char* target) {
    // An existing target that cannot be written now would only refuse the
    // verified file later; say so before decoding.
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        HANDLE existing = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
        if (existing == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(existing);
    }
    char folder[MAX_PATH];
    if (DirectoryPart(target, folder, sizeof folder) >= (int)sizeof folder - 1) return 0;
    if (!folder[0]) CopyText(folder, sizeof folder, ".");
    if (!GetTempFileNameA(folder, "~sx", 0, Output.temporary)) return 0;
    HANDLE file = CreateFileA(Output.temporary, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(Output.temporary);
        return 0;
    }
    Output.base.Write = SinkWrite;
    Output.file = file;
    return &Output.base;
}

// Replaces `target` by `from`. Windows 95 and 98 lack the replacing move:
// there the old file goes first.
static bool PutInPlace(const char* from, const char* target) {
    if (MoveFileExA(from, target, MOVEFILE_REPLACE_EXISTING)) return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    DeleteFileA(target);
    return MoveFileA(from, target) != 0;
}

static bool HostFinishOutput(PassHost*, ByteSink* sink, const char* target, uint32_t dosDateTime, bool keep) {
    FileSink* out = (FileSink*)sink;
    FILETIME utc;
    if (keep && DosTimeToUtc(dosDateTime, &utc)) SetFileTime(out->file, 0, &utc, &utc);
    bool placed = CloseHandle(out->file) && keep && PutInPlace(out->temporary, target);
    if (!placed) DeleteFileA(out->temporary);
    return placed || !keep;
}

static int AskPassword(PasswordPrompt*, char buffer[kPasswordCapacity]) {
    PasswordLength = 0;
    PasswordBuffer[0] = 0;
    DialogBoxParamA(Instance, "PWD", 0, PasswordProc, 0);
    return CopyText(buffer, kPasswordCapacity, PasswordBuffer);
}

// The archive: the program's own file up to ArchiveLimit, where a
// signature's certificate table begins.
struct FileSource {
    ByteSource base;
    HANDLE file;
    uint32_t position;
};

static uint32_t SourceRead(ByteSource* self, void* buffer, uint32_t size) {
    FileSource* source = (FileSource*)self;
    if (source->position >= ArchiveLimit) return 0;
    if (size > ArchiveLimit - source->position) size = ArchiveLimit - source->position;
    DWORD got = 0;
    if (!ReadFile(source->file, buffer, size, &got, 0)) return 0;
    source->position += got;
    return got;
}

static int64_t SourceSeek(ByteSource* self, uint32_t offset) {
    FileSource* source = (FileSource*)self;
    LONG high = 0;
    DWORD low = SetFilePointer(source->file, (LONG)offset, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    source->position = offset;
    return ((int64_t)(uint32_t)high << 32) | low;
}

void RunPass(bool listOnly) {
    static PasswordPrompt prompt = {AskPassword};
    static PassHost host = {
        HostResetList,     HostAddLine,      HostLineCount,     HostFindLine,
        HostLineSelected,  HostDeselectLine, HostSelectedCount, HostStoredPaths,
        HostNoStoredPaths, HostNotice,       HostStatus,        HostProgress,
        HostCancelled,     HostAskOverwrite, HostPathFound,     HostMakeDirectoryTree,
        HostCreateOutput,  HostFinishOutput, &prompt,
    };
    static FileSource source;
    static DecodeWorkspace work;
    source.base.Read = SourceRead;
    source.base.Seek = SourceSeek;
    source.file = ArchiveHandle;
    source.position = 0;
    ProcessArchive(&host, &source.base, &Settings, listOnly, &work);
}

// --- the main dialog -------------------------------------------------------

static void SelectAllLines(BOOL select) { SendMessageA(List(), LB_SETSEL, (WPARAM)select, -1); }

static void SetExtractPath(const char* path) {
    CopyText(Settings.extractPath, sizeof Settings.extractPath, path);
    SetDlgItemTextA(MainDialog, IDC_PATH, Settings.extractPath);
}

static void FirstActivation(HWND window) {
    MainDialogReady = true;
    SetClassLongPtrA(window, GCLP_HICON, (LONG_PTR)LoadIconA(Instance, "MainIcon"));
    SetFocus(GetDlgItem(window, IDC_PATH));
    char current[256];
    CurrentDirectory(current);
    SetExtractPath(current);
    SendDlgItemMessageA(window, IDC_PATH, EM_SETSEL, 0, -1);
    CheckDlgButton(window, IDC_SELECT_ALL, BST_CHECKED);
    CheckDlgButton(window, IDC_CONFIRM, BST_CHECKED);
    Settings.overwriteMode = OverwriteConfirm;
    CheckDlgButton(window, IDC_STORED_PATHS, BST_CHECKED);
    RunPass(true);
    SelectAllLines(TRUE);
}

static void Extract() {
    GetDlgItemTextA(MainDialog, IDC_PATH, Settings.extractPath, sizeof Settings.extractPath);
    if (!Settings.extractPath[0]) {
        char current[256];
        CurrentDirectory(current);
        SetExtractPath(current);
    }
    CancelRequested = false;
    ProgressDialog = CreateDialogParamA(Instance, "ProgressBar", MainDialog, ProgressProc, 0);
    if (ProgressDialog) ShowWindow(ProgressDialog, SW_SHOWNORMAL);
    EnableWindow(MainDialog, FALSE);
    RunPass(false);
    EnableWindow(MainDialog, TRUE);
    if (ProgressDialog) DestroyWindow(ProgressDialog);
    ProgressDialog = 0;
}

static void Browse() {
    GetDlgItemTextA(MainDialog, IDC_PATH, BrowsePath, 256);
    if (DialogBoxParamA(Instance, "SETDIR", MainDialog, SetDirProc, 0) == 1) {
        char chosen[256];
        CopyText(chosen, sizeof chosen, BrowsePath);
        SetExtractPath(chosen);
    }
}

LRESULT CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            MainDialog = window;
            CenterWindowOnScreen(window);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_INITDIALOG: return 0;
        case WM_ACTIVATE:
            if (!MainDialogReady) FirstActivation(window);
            break;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: Extract(); break;
                case IDCANCEL: DestroyWindow(window); return 1;
                case IDC_SELECT_ALL:
                    SelectAllLines(TRUE);
                    SetDlgItemTextA(window, IDC_STATUS, "");
                    break;
                case IDC_UNSELECT_ALL:
                    SelectAllLines(FALSE);
                    SetDlgItemTextA(window, IDC_STATUS, "");
                    break;
                case IDC_STORED_PATHS:
                    RunPass(true);
                    if (IsDlgButtonChecked(window, IDC_SELECT_ALL) == BST_CHECKED) SelectAllLines(TRUE);
                    break;
                case IDC_OVERWRITE: Settings.overwriteMode = OverwriteAlways; break;
                case IDC_SKIP: Settings.overwriteMode = OverwriteSkip; break;
                case IDC_CONFIRM: Settings.overwriteMode = OverwriteConfirm; break;
                case IDC_BROWSE: Browse(); break;
            }
            break;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

bool RegisterDialogClasses() {
    WNDCLASSA wc;
    FillZero(&wc, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainDialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = Instance;
    wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszClassName = "SeMainDialogClass";
    if (!RegisterClassA(&wc)) return false;
    // The password prompt's template names this class: a plain dialog.
    wc.style = 0;
    wc.lpfnWndProc = DefDlgProcA;
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "bordlg";
    return RegisterClassA(&wc) != 0;
}
