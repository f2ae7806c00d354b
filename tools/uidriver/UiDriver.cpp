// uidriver: plays the user against our programs' windows in scripted tests.
// Every command names a visible top-level window by its exact title; titles,
// button texts and printed texts are UTF-8 on the command line and on stdout,
// and the wide API in between, so Korean titles survive the trip.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t kUsage[] =
    L"usage: uidriver COMMAND ...\n"
    L"  wait TITLE [SECONDS]        wait until a visible window titled TITLE exists (default 10 s)\n"
    L"  gone TITLE [SECONDS]        wait until no such window exists\n"
    L"  text TITLE                  print the title, then CLASS<TAB>ID<TAB>TEXT per child\n"
    L"  click TITLE BUTTONTEXT      click the enabled button whose text without '&' is BUTTONTEXT\n"
    L"  clickid TITLE CTRLID        click the enabled control with that id\n"
    L"  settext TITLE CTRLID TEXT   set a control's text\n"
    L"  check TITLE CTRLID 0|1      click a check box or radio button until it shows that state\n"
    L"  key TITLE VK                press a key (RETURN, ESCAPE, TAB, SPACE, arrows, A-Z, 0-9, or a number)\n"
    L"  close TITLE                 send WM_CLOSE\n"
    L"  list                        print HANDLE<TAB>CLASS<TAB>TITLE of every visible top-level window\n"
    L"  run CMDLINE [SECONDS]       start CMDLINE exactly as given (as the system starts an uninstall\n"
    L"                              entry), wait for it (default 60 s) and exit with its exit code\n"
    L"Commands other than wait and gone also wait up to 10 s for their window and control.\n"
    L"Exit code: 0 done, 1 timed out or not found, 2 bad usage (run: the program's, 255 if it\n"
    L"could not start or did not end in time).\n";

const DWORD kDefaultWaitMs = 10000;
const UINT kMsgTimeoutMs = 5000;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

// WriteFile rather than stdio: the bytes must reach the pipe as UTF-8 untouched.
void Write(HANDLE h, const std::wstring& w) {
    std::string s = Utf8(w);
    DWORD done = 0;
    WriteFile(h, s.data(), (DWORD)s.size(), &done, nullptr);
}
void Out(const std::wstring& w) { Write(GetStdHandle(STD_OUTPUT_HANDLE), w); }
void Err(const std::wstring& w) { Write(GetStdHandle(STD_ERROR_HANDLE), L"uidriver: " + w + L"\n"); }

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {0};
    GetClassNameW(h, buf, 256);
    return buf;
}

// A control in another process answers GetWindowText with nothing; WM_GETTEXT
// is marshalled across, so ask it directly, and never hang on a busy window.
std::wstring TextOf(HWND h) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMsgTimeoutMs, &len))
        return std::wstring();
    std::vector<wchar_t> buf(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, (WPARAM)buf.size(), (LPARAM)buf.data(), SMTO_ABORTIFHUNG,
                        kMsgTimeoutMs, &got);
    std::wstring s(buf.data());
    // CR LF becomes LF, so a shell test can compare whole texts; a lone CR
    // stays, since some texts carry one on purpose.
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n')) out += s[i];
    return out;
}

std::wstring WithoutAmpersands(const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'&') {
            if (i + 1 < s.size() && s[i + 1] == L'&') out += L'&', ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

BOOL CALLBACK CollectTop(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}
BOOL CALLBACK CollectChild(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> TopWindows() {
    std::vector<HWND> all, visible;
    EnumWindows(CollectTop, (LPARAM)&all);
    for (HWND h : all)
        if (IsWindowVisible(h)) visible.push_back(h);
    return visible;
}

// Descendants at every depth: pages and group panels nest their controls.
std::vector<HWND> Children(HWND top) {
    std::vector<HWND> all;
    EnumChildWindows(top, CollectChild, (LPARAM)&all);
    return all;
}

// Top-level windows with exactly this title, front-most first (a message box
// usually shares its title with the window that raised it).
std::vector<HWND> Titled(const std::wstring& title) {
    std::vector<HWND> out;
    for (HWND h : TopWindows()) {
        wchar_t buf[1024] = {0};
        GetWindowTextW(h, buf, 1024);
        if (title == buf) out.push_back(h);
    }
    return out;
}

// Polls `find` until it yields a window or the time is up.
template <class F>
HWND WaitFor(DWORD ms, F find) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = find();
        if (h || GetTickCount() - start >= ms) return h;
        Sleep(100);
    }
}

HWND FindTop(const std::wstring& title, DWORD ms) {
    return WaitFor(ms, [&]() -> HWND {
        std::vector<HWND> v = Titled(title);
        return v.empty() ? nullptr : v.front();
    });
}

// The first control, in any window so titled, that `match` accepts.
template <class M>
HWND FindControl(const std::wstring& title, M match) {
    return WaitFor(kDefaultWaitMs, [&]() -> HWND {
        for (HWND top : Titled(title))
            for (HWND c : Children(top))
                if (match(c)) return c;
        return nullptr;
    });
}

bool ParseInt(const wchar_t* s, long* out) {
    wchar_t* end = nullptr;
    long v = wcstol(s, &end, 0);
    if (!*s || *end) return false;
    *out = v;
    return true;
}

HWND FindById(const std::wstring& title, long id) {
    return FindControl(title, [&](HWND c) { return GetDlgCtrlID(c) == id; });
}

// A click the program cannot tell from a user's: the button sends its own
// notification. Posted, because the click often opens a modal box of its own.
bool Click(HWND c) {
    if (!IsWindowEnabled(c)) {
        Err(L"control is disabled: " + TextOf(c));
        return false;
    }
    return PostMessageW(c, BM_CLICK, 0, 0) != 0;
}

UINT KeyCode(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        UINT vk;
    } kKeys[] = {
        {L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"ESCAPE", VK_ESCAPE}, {L"ESC", VK_ESCAPE},
        {L"TAB", VK_TAB},       {L"SPACE", VK_SPACE},  {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},
        {L"UP", VK_UP},         {L"DOWN", VK_DOWN},    {L"BACK", VK_BACK},     {L"DELETE", VK_DELETE},
        {L"HOME", VK_HOME},     {L"END", VK_END},      {L"F1", VK_F1},
    };
    for (const auto& k : kKeys)
        if (name == k.name) return k.vk;
    if (name.size() == 1 && ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'0' && name[0] <= L'9')))
        return name[0];
    long v = 0;
    if (ParseInt(name.c_str(), &v) && v > 0 && v < 256) return (UINT)v;
    return 0;
}

// Keys go to the control that has the focus in the window's thread, through
// its message loop, so dialog navigation (default button, Esc) applies.
bool PressKey(HWND top, UINT vk) {
    GUITHREADINFO gti;
    gti.cbSize = sizeof gti;
    HWND target = top;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti) && gti.hwndFocus &&
        (gti.hwndFocus == top || IsChild(top, gti.hwndFocus)))
        target = gti.hwndFocus;
    UINT scan = MapVirtualKeyW(vk, 0);
    LPARAM down = 1 | (LPARAM)(scan << 16);
    LPARAM up = down | (LPARAM)(3u << 30);
    return PostMessageW(target, WM_KEYDOWN, vk, down) && PostMessageW(target, WM_KEYUP, vk, up);
}

int Usage() {
    Write(GetStdHandle(STD_ERROR_HANDLE), kUsage);
    return 2;
}

// The arguments after the command word; handlers get exactly as many as
// their table line allows.
using Args = std::vector<std::wstring>;

// Seconds given on the command line, or the default.
bool Seconds(const Args& a, size_t at, long fallback, long* out) {
    *out = fallback;
    return a.size() <= at || (ParseInt(a[at].c_str(), out) && *out >= 0);
}

int NoWindow(const std::wstring& title) {
    Err(L"no window titled \"" + title + L"\"");
    return 1;
}

int NoControl(const std::wstring& title, long id) {
    Err(L"no control " + std::to_wstring(id) + L" in \"" + title + L"\"");
    return 1;
}

int List(const Args&) {
    for (HWND h : TopWindows()) {
        wchar_t title[1024] = {0}, handle[32];
        GetWindowTextW(h, title, 1024);
        swprintf(handle, 32, L"%p", (void*)h);
        Out(std::wstring(handle) + L"\t" + ClassOf(h) + L"\t" + title + L"\n");
    }
    return 0;
}

int RunProgram(const Args& a) {
    long s;
    if (!Seconds(a, 1, 60, &s)) return Usage();
    // The command line goes through untouched: no quoting is added, so a
    // test sees the program's own parameter splitting.
    std::vector<wchar_t> line(a[0].begin(), a[0].end());
    line.push_back(L'\0');
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Err(L"cannot start: " + a[0]);
        return 255;
    }
    DWORD code = 255;
    if (WaitForSingleObject(pi.hProcess, (DWORD)s * 1000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        Err(L"still running: " + a[0]);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

int Wait(const Args& a) {
    long s;
    if (!Seconds(a, 1, kDefaultWaitMs / 1000, &s)) return Usage();
    return FindTop(a[0], (DWORD)s * 1000) ? 0 : NoWindow(a[0]);
}

int Gone(const Args& a) {
    long s;
    if (!Seconds(a, 1, kDefaultWaitMs / 1000, &s)) return Usage();
    DWORD start = GetTickCount();
    while (!Titled(a[0]).empty()) {
        if (GetTickCount() - start >= (DWORD)s * 1000) {
            Err(L"window still there: \"" + a[0] + L"\"");
            return 1;
        }
        Sleep(100);
    }
    return 0;
}

int Text(const Args& a) {
    HWND top = FindTop(a[0], kDefaultWaitMs);
    if (!top) return NoWindow(a[0]);
    Out(TextOf(top) + L"\n");
    for (HWND c : Children(top))
        Out(ClassOf(c) + L"\t" + std::to_wstring(GetDlgCtrlID(c)) + L"\t" + TextOf(c) + L"\n");
    return 0;
}

int Close(const Args& a) {
    HWND top = FindTop(a[0], kDefaultWaitMs);
    if (!top) return NoWindow(a[0]);
    return PostMessageW(top, WM_CLOSE, 0, 0) ? 0 : 1;
}

int Key(const Args& a) {
    UINT vk = KeyCode(a[1]);
    if (!vk) return Usage();
    HWND top = FindTop(a[0], kDefaultWaitMs);
    if (!top) return NoWindow(a[0]);
    return PressKey(top, vk) ? 0 : 1;
}

int ClickText(const Args& a) {
    HWND c = FindControl(a[0], [&](HWND h) {
        return _wcsicmp(ClassOf(h).c_str(), L"Button") == 0 && WithoutAmpersands(TextOf(h)) == a[1];
    });
    if (!c) {
        Err(L"no button \"" + a[1] + L"\" in \"" + a[0] + L"\"");
        return 1;
    }
    return Click(c) ? 0 : 1;
}

// The control named by the id in a[1]; 2 for a malformed id, 1 when absent.
int ControlById(const Args& a, HWND* c) {
    long id = 0;
    if (!ParseInt(a[1].c_str(), &id)) return Usage();
    *c = FindById(a[0], id);
    return *c ? 0 : NoControl(a[0], id);
}

int ClickId(const Args& a) {
    HWND c;
    if (int rc = ControlById(a, &c)) return rc;
    return Click(c) ? 0 : 1;
}

int SetText(const Args& a) {
    HWND c;
    if (int rc = ControlById(a, &c)) return rc;
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)a[2].c_str(), SMTO_ABORTIFHUNG, kMsgTimeoutMs, &r)
               ? 0
               : 1;
}

int Check(const Args& a) {
    if (a[2] != L"0" && a[2] != L"1") return Usage();
    HWND c;
    if (int rc = ControlById(a, &c)) return rc;
    WPARAM want = a[2] == L"1" ? BST_CHECKED : BST_UNCHECKED;
    // Clicking (not BM_SETCHECK) so the program hears about the change.
    for (int tries = 0; tries < 3; ++tries) {
        DWORD_PTR cur = 0;
        SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMsgTimeoutMs, &cur);
        if (cur == want) return 0;
        if (!IsWindowEnabled(c)) break;
        DWORD_PTR r = 0;
        SendMessageTimeoutW(c, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kMsgTimeoutMs, &r);
    }
    Err(L"control " + a[1] + L" did not take state " + a[2]);
    return 1;
}

// Each command with the number of arguments it takes after its name.
const struct Verb {
    const wchar_t* name;
    size_t least, most;
    int (*run)(const Args&);
} kVerbs[] = {
    {L"list", 0, 0, List},       {L"run", 1, 2, RunProgram},  {L"wait", 1, 2, Wait},
    {L"gone", 1, 2, Gone},       {L"text", 1, 1, Text},       {L"close", 1, 1, Close},
    {L"key", 2, 2, Key},         {L"click", 2, 2, ClickText}, {L"clickid", 2, 2, ClickId},
    {L"settext", 3, 3, SetText}, {L"check", 3, 3, Check},
};

int Run(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const Args args(argv + 2, argv + argc);
    for (const Verb& v : kVerbs)
        if (argv[1] == std::wstring(v.name))
            return args.size() >= v.least && args.size() <= v.most ? v.run(args) : Usage();
    return Usage();
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    int rc = Run(argc, argv);
    LocalFree(argv);
    return rc;
}
