#include "InstallForm.h"

#include <commctrl.h>

#include "Controls.h"
#include "Forms.h"
#include "Install.h"
#include "SetupScript.h"

TfmInstall* fmInstall = nullptr;
InstallMessageBoxFn InstallMessageBox = MessageBoxA;

static const char kFormClass[] = "TfmInstall";
static const COLORREF kTeal = RGB(0, 128, 128);
enum { ClientWidth = 544, ClientHeight = 102, IdButton1 = 1 };

TfmInstall::TfmInstall() {
    InitControls(ICC_PROGRESS_CLASS);
    RegisterFormClass(kFormClass, WndProc);
    // A dialog frame with a caption but no border icons.
    handle = CreateForm(kFormClass, "설치", WS_POPUP | WS_CAPTION | WS_DLGFRAME, ClientWidth, ClientHeight,
                        nullptr, this);
    Bevel1 = AddControl(handle, Picture(SS_ETCHEDFRAME), {10, 10, 57, 57});
    Image1 = AddControl(handle, Picture(SS_ICON | SS_CENTERIMAGE), {14, 14, 49, 49});
    SendMessageA(Image1, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_APPLICATION)), 0);
    Label1 = AddControl(handle, StaticText("복사중인 파일", SS_LEFTNOWORDWRAP), {80, 10, 449, 14});
    lbFile = AddControl(handle, StaticText("", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS), {80, 30, 449, 14});
    PB = AddControl(handle, {PROGRESS_CLASSA, 0}, {80, 50, 449, 16});
    Button1 = AddControl(handle, PushButton("취소", IdButton1), {454, 72, 75, 24});
}

TfmInstall::~TfmInstall() {
    if (handle) DestroyWindow(handle);
}

LRESULT CALLBACK TfmInstall::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<TfmInstall*>(WindowObject(hwnd, msg, lp));
    switch (msg) {
        case WM_COMMAND:
            if (self && LOWORD(wp) == IdButton1 && HIWORD(wp) == BN_CLICKED) self->cancelRequested = true;
            return 0;
        case WM_CLOSE:  // closing the form during a run means cancelling it
            if (self) self->cancelRequested = true;
            return 0;
        case WM_CTLCOLORSTATIC:
            if (self && reinterpret_cast<HWND>(lp) == self->lbFile) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, kTeal);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(FaceBrush());
            }
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool TfmInstall::Due() const { return GetTickCount() - lastPaint >= kRepaintInterval; }

// Handles whatever waits for the form (the cancel button, what is left to
// paint), leaving other windows' messages queued: the run owns the thread.
void TfmInstall::Painted() {
    lastPaint = GetTickCount();
    UpdateWindow(PB);
    UpdateWindow(lbFile);
    MSG m;
    while (PeekMessageA(&m, handle, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// The bar paints itself at every change of range or position, so the new
// entry's label, range and position go on screen in one drawing.
void TfmInstall::ShowEntry(uint32_t position) {
    SetWindowTextA(lbFile, entryPath.c_str());
    rangeShift = entrySize > 0x7FFFFFFFu ? 1 : 0;
    SendMessageA(PB, WM_SETREDRAW, FALSE, 0);
    SendMessageA(PB, PBM_SETRANGE32, 0, static_cast<LPARAM>(entrySize >> rangeShift));
    SendMessageA(PB, PBM_SETPOS, static_cast<WPARAM>(position >> rangeShift), 0);
    SendMessageA(PB, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(PB, nullptr, TRUE);
    entryShown = true;
}

void TfmInstall::RunShown() {
    cancelRequested = false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    SendMessageA(PB, PBM_SETPOS, 0, 0);
    SetWindowTextA(lbFile, "");
    entryShown = false;
    ShowWindow(handle, SW_SHOWNORMAL);
    // Children too: no messages are handled until the first entry, and the
    // cancel button must be on screen from the start.
    RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    lastPaint = GetTickCount();
}

void TfmInstall::RunHidden() { ShowWindow(handle, SW_HIDE); }

// An entry is drawn at its first block, together with that block, so a
// small entry costs one drawing; an empty one has no block to wait for.
void TfmInstall::EntryStarted(const std::string& path, uint32_t size) {
    entryPath = path;
    entrySize = size;
    entryShown = false;
    if (size == 0 && Due()) {
        ShowEntry(0);
        Painted();
    }
}

// Once an entry is on screen its last block is always drawn, so a shown
// entry ends with a full bar however fast it went.
void TfmInstall::EntryProgress(uint32_t position) {
    if (!entryShown) {
        if (!Due()) return;
        ShowEntry(position);
    } else if (position < entrySize && !Due()) {
        return;
    } else {
        SendMessageA(PB, PBM_SETPOS, static_cast<WPARAM>(position >> rangeShift), 0);
    }
    Painted();
}

bool TfmInstall::NextDiskette() {
    return InstallMessageBox(GetActiveWindow(), "다음 디스켓을 넣은 후 확인을 누르세요.", "Disk",
                             MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void TfmInstall::EarlierRunUndone() {
    InstallMessageBox(GetActiveWindow(),
                      "이전에 끝나지 않은 설치가 있어 설치하기 전의 상태로 되돌렸습니다. 설치를 계속합니다.",
                      "이전 설치", MB_OK | MB_ICONINFORMATION);
}

void CreateInstallForm() {
    if (!fmInstall) fmInstall = new TfmInstall;
}

void DestroyInstallForm() {
    delete fmInstall;
    fmInstall = nullptr;
}

TInstallOutcome RunInstall(const RunStepFn& onStep) {
    return InstallHere(*fmInstall, false, onStep);
}
