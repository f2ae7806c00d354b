#include "Forms.h"

HFONT FormFont() {
    static HFONT font =
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "굴림체");
    return font;
}

void* WindowObject(HWND wnd, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    return reinterpret_cast<void*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

HBRUSH FaceBrush() { return GetSysColorBrush(COLOR_BTNFACE); }

void RegisterFormClass(const char* name, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (GetClassInfoA(instance, name, &wc)) return;
    wc = WNDCLASSA{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

HWND CreateForm(const char* className, const char* caption, DWORD style, int width, int height, HWND owner,
                void* self) {
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    return CreateWindowExA(exStyle, className, caption, style, x, y, w, h, owner, nullptr,
                           GetModuleHandleA(nullptr), self);
}

HWND AddControl(HWND parent, const Control& c, Place at) {
    HWND wnd = CreateWindowExA(c.exStyle, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style, at.left, at.top,
                               at.width, at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                               GetModuleHandleA(nullptr), nullptr);
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
    return wnd;
}

std::string WindowText(HWND wnd) {
    const int n = GetWindowTextLengthA(wnd);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowTextA(wnd, &s[0], n + 1)));
    return s;
}

static bool DialogMessage(MSG& msg) {
    HWND active = GetActiveWindow();
    return active && IsDialogMessageA(active, &msg);
}

void ShowModal(HWND form, HWND owner) {
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(form, SW_SHOW);
    SetForegroundWindow(form);
    MSG msg;
    while (IsWindow(form) && IsWindowVisible(form)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The quit belongs to the outer loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!DialogMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!DialogMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
