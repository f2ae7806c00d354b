#include "DirDlg.h"

#include <algorithm>
#include <cstring>

#include "Forms.h"
#include "SetupScript.h"
#include "Wizard.h"

TfmDir* fmDir = nullptr;

namespace {

const char kClassName[] = "TfmDir";
enum { IdPath = 101, IdDirList, IdDrives, IdChoose, IdCancel };

bool EndsInBackslash(const std::string& s) { return !s.empty() && s.back() == '\\'; }

std::string Join(const std::string& dir, const std::string& name) {
    return EndsInBackslash(dir) ? dir + name : dir + "\\" + name;
}

bool LessNoCase(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }

}  // namespace

std::string ProposedInstallDir(const std::string& dir, const std::string& folder) {
    return folder.empty() ? dir : Join(dir, folder);
}

TfmDir::TfmDir(HWND ownerForm) : owner(ownerForm) {
    RegisterFormClass(kClassName, WndProc);
    handle = CreateForm(kClassName, "선택", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 320, 288,
                        owner, this);
    AddControl(handle, StaticText("프로그램이 설치될 경로를 선택 하세요."), {7, 8, 306, 14});
    AddControl(handle, StaticText("설치경로"), {7, 32, 120, 14});
    AddControl(handle, StaticText("디렉토리"), {7, 80, 120, 14});
    // Created in tab order: list, edit, drive box, then the two buttons.
    DirList = AddControl(handle, ListBox(WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, IdDirList),
                         {7, 96, 201, 161});
    ePath = AddControl(handle, EditBox(IdPath), {7, 48, 306, 20});
    DriveComboBox1 = AddControl(handle, DropDownList(IdDrives), {7, 264, 201, 200});
    Button1 = AddControl(handle, PushButton("선택", IdChoose), {218, 96, 95, 25});
    Button2 = AddControl(handle, PushButton("취소", IdCancel), {218, 168, 95, 25});
    FillDriveBox();
}

TfmDir::~TfmDir() {
    if (handle) {
        SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
        DestroyWindow(handle);
    }
}

LRESULT CALLBACK TfmDir::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<TfmDir*>(WindowObject(wnd, msg, lp));
    if (self && self->handle == wnd) return self->Handle(msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TfmDir::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            int id = LOWORD(wp), code = HIWORD(wp);
            if (id == IdChoose && code == BN_CLICKED) Button1Click();
            if ((id == IdCancel && code == BN_CLICKED) || id == IDCANCEL) Button2Click();
            // Enter reaches the form as IDOK; in the list it opens the
            // selected directory, as a double click does.
            if (id == IDOK && GetFocus() == DirList) code = LBN_DBLCLK, id = IdDirList;
            if (id == IdDirList && code == LBN_DBLCLK)
                OpenListItem(static_cast<int>(SendMessageA(DirList, LB_GETCURSEL, 0, 0)));
            if (id == IdDrives && code == CBN_SELCHANGE) {
                // The letter is kept with the line: the line's text, with a
                // volume label of any length, is never copied anywhere.
                const LRESULT i = SendMessageA(DriveComboBox1, CB_GETCURSEL, 0, 0);
                const LRESULT letter = i >= 0 ? SendMessageA(DriveComboBox1, CB_GETITEMDATA, i, 0) : CB_ERR;
                if (letter >= 'A' && letter <= 'Z')
                    SetDirectory(std::string{static_cast<char>(letter), ':', '\\'});
            }
            if (id == IdPath && (code == EN_SETFOCUS || code == EN_KILLFOCUS))
                ePathFocus(code == EN_SETFOCUS);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(FaceBrush());
        case WM_CLOSE: Button2Click(); return 0;
    }
    return DefWindowProcA(handle, msg, wp, lp);
}

void TfmDir::FillDriveBox() {
    char drives[512];
    const DWORD n = GetLogicalDriveStringsA(sizeof drives - 1, drives);
    if (n == 0 || n >= sizeof drives) return;
    for (const char* p = drives; *p; p += strlen(p) + 1) {
        char letter = p[0];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        std::string line = {letter, ':'};
        char label[MAX_PATH] = {0};
        // Only fixed drives are asked for a label: others may need a medium.
        if (GetDriveTypeA(p) == DRIVE_FIXED &&
            GetVolumeInformationA(p, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0) && *label)
            line += std::string(" [") + label + "]";
        const LRESULT at =
            SendMessageA(DriveComboBox1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (at >= 0) SendMessageA(DriveComboBox1, CB_SETITEMDATA, at, letter);
    }
}

void TfmDir::SetDirectory(const std::string& dir) {
    directory = dir;
    if (directory.size() == 2 && directory[1] == ':') directory += '\\';
    // The list shows the path from the drive root down, then the children.
    SendMessageA(DirList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(DirList, LB_RESETCONTENT, 0, 0);
    itemPaths.clear();
    std::string indent;
    size_t start = 0;
    int opened = 0;
    while (start < directory.size()) {
        size_t end = directory.find('\\', start);
        if (end == std::string::npos) end = directory.size();
        const bool root = start == 0;
        const std::string path = directory.substr(0, root ? end + 1 : end);
        const std::string name = root ? path : directory.substr(start, end - start);
        if (!name.empty()) {
            opened = static_cast<int>(
                SendMessageA(DirList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str())));
            itemPaths.push_back(path);
            indent += "  ";
        }
        start = end + 1;
    }
    std::vector<std::string> children;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Join(directory, "*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                children.push_back(name);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    std::sort(children.begin(), children.end(), LessNoCase);
    for (const std::string& name : children) {
        SendMessageA(DirList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((indent + name).c_str()));
        itemPaths.push_back(Join(directory, name));
    }
    SendMessageA(DirList, LB_SETCURSEL, opened, 0);
    SendMessageA(DirList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(DirList, nullptr, TRUE);

    const LRESULT drive = SendMessageA(DriveComboBox1, CB_FINDSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(directory.substr(0, 2).c_str()));
    if (drive >= 0) SendMessageA(DriveComboBox1, CB_SETCURSEL, drive, 0);
    DirListChange();
}

void TfmDir::OpenListItem(int index) {
    if (index >= 0 && static_cast<size_t>(index) < itemPaths.size()) SetDirectory(itemPaths[index]);
}

void TfmDir::DirListChange() {
    SetWindowTextA(ePath, ProposedInstallDir(directory, SetupScript.Folder).c_str());
}

void TfmDir::ChooseDirectory() {
    SetDirectory("C:\\");
    SetWindowTextA(ePath, SetupScript.InstallDir.c_str());
    SetFocus(DirList);
    ShowModal(handle, owner);
}

void TfmDir::Button1Click() {
    const std::string dir = WindowText(ePath);
    if (!AcceptInstallDir(handle, dir)) return;  // the chooser stays open
    SetupScript.InstallDir = dir;
    ShowWindow(handle, SW_HIDE);
}

void TfmDir::Button2Click() { ShowWindow(handle, SW_HIDE); }

// The edit asks for the Korean input method while it has the focus, when the
// system has one; the layout in use before comes back when it loses it.
void TfmDir::ePathFocus(bool gained) {
    if (gained) {
        HKL layouts[32];
        const int n = GetKeyboardLayoutList(32, layouts);
        for (int i = 0; i < n; ++i) {
            if (LOWORD(reinterpret_cast<UINT_PTR>(layouts[i])) == 0x0412) {
                layoutBeforeEdit = GetKeyboardLayout(0);
                ActivateKeyboardLayout(layouts[i], 0);
                break;
            }
        }
    } else if (layoutBeforeEdit) {
        ActivateKeyboardLayout(layoutBeforeEdit, 0);
        layoutBeforeEdit = nullptr;
    }
}
