// A target for the uidriver test: an ANSI program like ours, with Korean
// titles in code page 949.
//   probe msg   - a Yes/No message box; exit code is its answer
//   probe form  - an edit box (100), a check box (101) and an OK button;
//                 exit code is the edit's number plus 100 when checked
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

HWND g_edit, g_check;
int g_result = -1;

LRESULT CALLBACK FormProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        char buf[32] = {0};
        GetWindowTextA(g_edit, buf, sizeof buf);
        g_result = atoi(buf) + (SendMessageA(g_check, BM_GETCHECK, 0, 0) == BST_CHECKED ? 100 : 0);
        DestroyWindow(h);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

int Form(HINSTANCE inst) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = inst;
    wc.lpszClassName = "ProbeForm";
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    HWND w = CreateWindowA("ProbeForm", "시험 양식", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                           nullptr, nullptr, inst, nullptr);
    g_edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 100, 22, w, (HMENU)100,
                           inst, nullptr);
    g_check = CreateWindowA("BUTTON", "선택", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 100, 22, w,
                            (HMENU)101, inst, nullptr);
    CreateWindowA("BUTTON", "확인(&O)", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 70, 100, 26, w,
                  (HMENU)IDOK, inst, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(w, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return g_result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR cmd, int) {
    if (strstr(cmd, "form")) return Form(inst);
    return MessageBoxA(nullptr, "계속할까요?\r\n둘째 줄", "드라이버 시험", MB_YESNO | MB_ICONQUESTION);
}
