#include "PathText.h"
#include "Progress.h"
#include "Resource.h"
#include "SelfExtState.h"
#include "FileUtil.h"
#include "Launch.h"
#include "PassFiles.h"
#include "WindowUtil.h"

HINSTANCE Instance;
// Both are set at start-up before anything reads them: no initialised
// writable data, whose section the stub has no room for.
HANDLE ArchiveHandle;
uint32_t ArchiveLimit;
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
RunRecord Run;

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

static int AskPassword(PasswordPrompt*, char buffer[kPasswordCapacity]) {
    PasswordLength = 0;
    PasswordBuffer[0] = 0;
    DialogBoxParamA(Instance, "PWD", 0, PasswordProc, 0);
    return CopyText(buffer, kPasswordCapacity, PasswordBuffer);
}

// The file system's part and the prompt are set where the pass runs.
static const PassList kDialogList = {HostResetList,    HostAddLine,      HostLineCount,    HostFindLine,
                                     HostLineSelected, HostDeselectLine, HostSelectedCount};
static const PassUser kDialogUser = {HostStoredPaths, HostNoStoredPaths, HostNotice,      HostStatus,
                                     HostProgress,    HostCancelled,     HostAskOverwrite};

PassOutcome RunPass(bool listOnly) {
    static PassHost host;
    static PasswordPrompt prompt;
    host.list = kDialogList;
    host.user = kDialogUser;
    prompt.Ask = AskPassword;
    host.prompt = &prompt;
    SetFileHost(&host);
    return ProcessArchive(&host, ArchiveSource(), &Settings, listOnly, &Workspace);
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

// The program the file names, from where the pass put it; the dialog
// closes once it runs. On failure the dialog stays, so the user can see
// what was unpacked and start it by hand.
static void StartRecordedProgram() {
    char command[kRunCommandCapacity];
    if (HostStoredPaths(0))
        CopyText(command, sizeof command, Run.command);
    else
        NamePart(Run.command, command, sizeof command);
    char file[kStartPathCapacity];
    HANDLE process = StartProgram(Settings.extractPath, command, "", file);
    if (process) {
        CloseHandle(process);
        PostMessageA(MainDialog, WM_COMMAND, IDCANCEL, 0);  // closes as Close does
    } else if (GetLastError() != ERROR_CANCELLED) {         // the user refused the elevation: nothing to say
        MessageBoxA(0, file, "Couldn't start...", MB_OK);
    }
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
    PassOutcome outcome = RunPass(false);
    EnableWindow(MainDialog, TRUE);
    if (ProgressDialog) DestroyWindow(ProgressDialog);
    ProgressDialog = 0;
    if (outcome == PassAllPassed && Run.command[0]) StartRecordedProgram();
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
