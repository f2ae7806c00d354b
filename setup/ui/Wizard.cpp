#include "Wizard.h"

#include "DirDlg.h"
#include "Forms.h"
#include "GradPan.h"
#include "Pictures.h"
#include "SetupMessages.h"
#include "SetupScript.h"
#include "ShellExt.h"

TfmWizad* fmWizad = nullptr;
const char kApplicationTitle[] = "설치 마법사";
WizardMessageBoxFn WizardMessageBox = MessageBoxA;
RestartFn WizardRestart = RestartWindows;

namespace {

const char kClassName[] = "TfmWizad";
const char kPageClassName[] = "TfmWizadPage";
enum { IdNext = 1001, IdBack, IdClose, IdBrowse, IdRestart, IdSummary, IdDir };
const int kPageWidth = 374, kPageHeight = 217, kLabelLeft = 8, kLabelWidth = kPageWidth - 16;

// A caption used as a format with the product title as its one argument.
std::string FormatTitle(const std::string& caption, const std::string& productTitle) {
    const size_t at = caption.find("%s");
    return at == std::string::npos ? caption : caption.substr(0, at) + productTitle + caption.substr(at + 2);
}

void SetFormatted(HWND label, const std::string& productTitle) {
    SetWindowTextA(label, FormatTitle(WindowText(label), productTitle).c_str());
}

void Line(HDC dc, int x1, int y1, int x2, int y2, int colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(colour));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// A one-pixel frame: lowered boxes are dark at the top and left.
void BevelBox(HDC dc, int l, int t, int w, int h, bool raised) {
    const int first = raised ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
    const int second = raised ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
    Line(dc, l, t, l + w - 1, t, first);
    Line(dc, l, t, l, t + h - 1, first);
    Line(dc, l, t + h - 1, l + w, t + h - 1, second);
    Line(dc, l + w - 1, t, l + w - 1, t + h - 1, second);
}

}  // namespace

void SummaryLines(const std::string& sourceDir, const std::string& installDir, std::string lines[5]) {
    lines[0] = "작업 디렉토리 :";
    lines[1] = "     " + sourceDir;
    lines[2] = "     ";
    lines[3] = "설치 디렉토리 :";
    lines[4] = "     " + installDir;
}

bool RestartWindows() {
    // The NT family refuses the restart unless the process holds the
    // shutdown privilege; the 95 family has no privileges.
    if (!(GetVersion() & 0x80000000u)) {
        HANDLE token;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES tp{};
            tp.PrivilegeCount = 1;
            if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) {
                tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
                AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
            }
            CloseHandle(token);
        }
    }
    return ExitWindowsEx(EWX_REBOOT, 0) != 0;
}

TDirCheck CheckInstallDirHere(const std::string& dir) {
    return CheckInstallDir(dir, [](char letter) {
        const char root[] = {letter, ':', '\\', 0};
        return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
    });
}

bool AcceptInstallDir(HWND owner, const std::string& dir) {
    const TDirCheck check = CheckInstallDirHere(dir);
    if (check == dcValid) return true;
    WizardMessageBox(owner, InstallDirText(check, dir).c_str(), "설치 경로", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

TfmWizad::TfmWizad() {
    RegisterFormClass(kClassName, WndProc);
    RegisterFormClass(kPageClassName, PageProc);
    handle = CreateForm(kClassName, "설치마법사", WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN, 530, 304, nullptr,
                        this);
    CreateControls();
    FormCreate();
}

TfmWizad::~TfmWizad() {
    if (handle) {
        SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
        DestroyWindow(handle);
    }
    GradPan.reset();
    for (HBITMAP b : {productPicture, logoPicture, panelBitmap})
        if (b) DeleteObject(b);
}

void TfmWizad::Show() {
    ShowWindow(handle, SW_SHOW);
    SetForegroundWindow(handle);
}

HWND TfmWizad::Label(int page, const char* text, int top, int height) {
    return AddControl(Notebook1[page - 1], StaticText(text, SS_LEFT | SS_NOPREFIX),
                      {kLabelLeft, top, kLabelWidth, height});
}

void TfmWizad::CreateControls() {
    GradPan.reset(new TGradPan);
    GradPan->SetBackGroundEffect(bdDown);
    GradPan->SetColorStart(clMaroon);
    GradPan->SetColorEnd(clYellow);
    GradPan->SetColorShadow(clBlack);
    GradPan->SetTextEffect(teRaised);
    GradPan->SetBevelOuter(bvNone);
    GradPan->SetFont("굴림체", -24, clAqua);
    panelBitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), "PANEL", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (panelBitmap) GradPan->SetBitmap(panelBitmap);
    GradPan->Create(handle, 10, 5, 510, 10, true);

    productPicture = JpegResource("PRODUCT");
    Image1 = AddControl(handle, Picture(SS_BITMAP), {12, 23, 122, 220});
    if (productPicture)
        SendMessageA(Image1, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(productPicture));
    logoPicture = JpegResource("LOGO");
    // The logo shows the hand cursor (SS_NOTIFY, so that WM_SETCURSOR names
    // it), yet a click on it does nothing and it shows no tooltip.
    Image2 = AddControl(handle, Picture(SS_BITMAP | SS_NOTIFY), {11, 263, 95, 30});
    if (logoPicture) SendMessageA(Image2, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logoPicture));

    // Created in tab order: next, back, cancel, then the pages.
    Button1 = AddControl(handle, PushButton("다음(&N) >", IdNext), {329, 262, 75, 31});
    Button2 = AddControl(handle, PushButton("< (&B)이전", IdBack), {253, 262, 75, 31});
    Button3 = AddControl(handle, PushButton("취소", IdClose), {445, 262, 75, 31});

    for (int i = 0; i < 4; ++i) {
        Notebook1[i] =
            CreateWindowExA(WS_EX_CONTROLPARENT, kPageClassName, "", WS_CHILD | WS_CLIPSIBLINGS, 142, 23,
                            kPageWidth, kPageHeight, handle, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    lb1 = Label(1, "%s 프로그램을 설치할 설치 마법사 입니다.", 12, 30);
    Label(1, "실행중인 모든 프로그램을 종료하고 실행 하십시오.", 54);
    Label(1, "", 78);  // Label4, empty
    Label(1, "소프트웨어 산업의 발전을 위하여 \"정품\"을 사용 합시다.", 120);
    Label(1, "설치를 하려면 \"다음\"을 종료를 하려면 \"취소\"를 누르세요.", 180);

    lb2 = Label(2, "설치 마법사는 %s을(를) 다음 디렉토리에 설치할 것입니다.", 12, 30);
    Label(2, "이 디렉토리에 설치하려면 \"다음\"을 누르십시오.", 54);
    Label(2, "다른 디렉토리에 설치하려면 \"찾아보기\"를 누르고 다른 디렉토리를 선택 하십시오.", 78, 30);
    AddControl(Notebook1[1], GroupBox("설치 할 디렉토리"), {8, 124, kLabelWidth, 78});
    lbDir = AddControl(Notebook1[1], StaticText("", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, IdDir),
                       {18, 150, 240, 14});
    Button4 = AddControl(Notebook1[1], PushButton("찾아보기(&P)", IdBrowse), {266, 143, 90, 27});

    lb3 = Label(3, "%s 프로그램 설치를 시작 합니다.", 12, 30);
    Label(3, "설치를 하려면 \"다음\"을 종료를 하려면 \"취소\"를 누르세요.", 54);
    Label(3, "[설치 정보]", 86);
    ListBox1 = AddControl(Notebook1[2], ListBox(LBS_NOINTEGRALHEIGHT | LBS_NOSEL | WS_VSCROLL, IdSummary),
                          {8, 106, 359, 92});

    Label(4, "설치마법사가  귀하의 컴퓨터에 프로그램 파일을 복사했습니다", 12);
    lb4 = Label(4, "%s 프로그램 설치를 완료 했습니다.", 34, 30);
    WinReStartCheckBox = AddControl(Notebook1[3], CheckBox("윈도우 재시작", IdRestart), {kLabelLeft, 76, 160, 18});
    Label(4, "Varnel의 정상적인 실행을 위해서는 실행중인 프로그램을", 112);
    Label(4, "모두 종료하고 윈도우즈를 다시 시작해야 합니다.", 130);
    Label(4, "본 프로그램의 사용으로 업무에 많은 도움이 되길 바랍니다.", 168);
}

void TfmWizad::FormCreate() {
    // No date format is set: nothing in this program turns a date into text.
    LoadSetupScript();
    title = SetupScript.Title;
    SetWindowTextA(handle, title.c_str());
    for (HWND lb : {lb1, lb2, lb3, lb4}) SetFormatted(lb, SetupScript.ProductTitle);
    ShowInstallDir();
    CurrentPage = 1;
    ShowPage(1);
}

void TfmWizad::SetInstallDir(const std::string& dir) {
    SetupScript.InstallDir = dir;
    ShowInstallDir();
}

void TfmWizad::ShowInstallDir() {
    std::string lines[5];
    SummaryLines(SetupScript.SourceDir, SetupScript.InstallDir, lines);
    SendMessageA(ListBox1, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines)
        SendMessageA(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SetWindowTextA(lbDir, SetupScript.InstallDir.c_str());
}

void TfmWizad::ShowPage(uint16_t n) {
    for (int i = 0; i < 4; ++i) ShowWindow(Notebook1[i], i == n - 1 ? SW_SHOW : SW_HIDE);
    switch (n) {
        case 1:
            SetWindowTextA(handle, title.c_str());
            EnableWindow(Button2, FALSE);
            break;
        case 2:
            SetWindowTextA(handle, "설치 경로");
            EnableWindow(Button2, TRUE);
            break;
        case 3:
            SetWindowTextA(handle, "설치 시작");
            EnableWindow(Button2, TRUE);
            break;
        case 4:
            SetWindowTextA(handle, "설치 완료");
            ShowWindow(Button2, SW_HIDE);
            ShowWindow(Button1, SW_HIDE);
            SetWindowTextA(Button3, "종료");
            SetFocus(Button3);
            SendMessageA(WinReStartCheckBox, BM_SETCHECK, NeverRestart ? BST_UNCHECKED : BST_CHECKED, 0);
            if (NeverRestart) EnableWindow(WinReStartCheckBox, FALSE);
            break;
    }
    // A disabled button cannot keep the focus.
    HWND focus = GetFocus();
    if (!focus || !IsWindowEnabled(focus) || !IsWindowVisible(focus)) SetFocus(n == 4 ? Button3 : Button1);
}

void TfmWizad::NextPage() {
    // The directory is used as it is: one the install cannot use keeps the
    // user on its page.
    if (CurrentPage == 2 && !AcceptInstallDir(handle, SetupScript.InstallDir)) return;
    if (CurrentPage == 3) {
        RunInstallStep();
        if (!handle || !IsWindow(handle)) return;  // the program is ending
    }
    if (++CurrentPage > 4) CurrentPage = 4;
    ShowPage(CurrentPage);
}

void TfmWizad::PrevPage() {
    if (CurrentPage > 1) --CurrentPage;
    ShowPage(CurrentPage);
}

void TfmWizad::RunInstallStep() {
    ShowWindow(handle, SW_HIDE);
    TInstallOutcome end{rsFailed, ifUnexpected, 0, "", ""};
    std::string text = kFailedText;  // nothing is known of a run that threw
    try {
        if (RunInstall) {
            end = RunInstall();
            text = RunEndText(end);
        }
    } catch (...) {
    }
    InstallRan = true;
    Outcome = end;
    // A cancelled or failed run is not a finished install: say so and end,
    // without the finish page and without registering the extension.
    if (end.Status != rsCompleted) {
        const bool calm = end.Status == rsCancelled && end.NotRestored.empty();
        WizardMessageBox(nullptr, text.c_str(), kApplicationTitle,
                         MB_OK | (calm ? MB_ICONINFORMATION : MB_ICONSTOP));
        DestroyWindow(handle);
        return;
    }
    ShowWindow(handle, SW_SHOW);
    SetForegroundWindow(handle);
}

void TfmWizad::Button4Click() {
    if (fmDir) fmDir->ChooseDirectory();
    ShowInstallDir();
}

void TfmWizad::FormClose() {
    if (CurrentPage == 4) {
        RegisterShellExtension(OnStep);
        if (!NeverRestart && SendMessageA(WinReStartCheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            if (OnStep) OnStep("restart", "asked");
            Restarted = WizardRestart();
        }
        DestroyWindow(handle);
        return;
    }
    if (WizardMessageBox(handle,
                         "프로그램 설치를 종료 하시겠습니까?\r\n\r\n"
                         "설치 마법사를 종료하면 프로그램이 설치되지 않습니다.",
                         "종료", MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES)
        DestroyWindow(handle);
}

void TfmWizad::Paint(HDC dc) {
    BevelBox(dc, 11, 22, 124, 222, false);         // Bevel2, round the product picture
    BevelBox(dc, 140, 21, 380, 222, false);        // Bevel3, round the pages
    Line(dc, 10, 251, 521, 251, COLOR_BTNSHADOW);  // Bevel1, the separator
    Line(dc, 10, 252, 521, 252, COLOR_BTNHIGHLIGHT);
    BevelBox(dc, 10, 262, 97, 32, true);  // Bevel4, round the logo
}

LRESULT CALLBACK TfmWizad::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<TfmWizad*>(WindowObject(wnd, msg, lp));
    if (!self) return DefWindowProcA(wnd, msg, wp, lp);
    if (!self->handle) self->handle = wnd;  // messages sent during creation
    if (msg == WM_DESTROY) {
        // Later messages of this window go past the form, which may be gone.
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        self->handle = nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return self->Handle(msg, wp, lp);
}

// Pages pass their controls' notifications on to the form.
LRESULT CALLBACK TfmWizad::PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: return SendMessageA(GetParent(wnd), msg, wp, lp);
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TfmWizad::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                switch (LOWORD(wp)) {
                    case IdNext: Button1Click(); break;
                    case IdBack: Button2Click(); break;
                    case IdClose: Button3Click(); break;
                    case IdBrowse: Button4Click(); break;
                }
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(FaceBrush());
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wp) == Image2) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(handle, &ps);
            Paint(dc);
            EndPaint(handle, &ps);
            return 0;
        }
        case WM_CLOSE: FormClose(); return 0;
    }
    return DefWindowProcA(handle, msg, wp, lp);
}
