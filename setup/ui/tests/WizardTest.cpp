// The wizard's page flow and its endings, with the message boxes answered here.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "DirDlg.h"
#include "SetupMessages.h"
#include "SetupScript.h"
#include "ShellExt.h"
#include "Wizard.h"

namespace {

struct Asked {
    std::string text, caption;
    UINT type;
};
std::vector<Asked> asked;
int answer = IDNO;

int WINAPI Answer(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    asked.push_back({text, caption, type});
    return answer;
}

UINT WINAPI NoExec(LPCSTR, UINT) { return 32; }

std::string Caption(HWND wnd) {
    char buf[256] = {0};
    GetWindowTextA(wnd, buf, sizeof buf);
    return buf;
}

struct FindId {
    int id;
    HWND found;
};

BOOL CALLBACK MatchId(HWND c, LPARAM lp) {
    auto* f = reinterpret_cast<FindId*>(lp);
    if (GetDlgCtrlID(c) != f->id) return TRUE;
    f->found = c;
    return FALSE;
}

HWND Control(HWND form, int id) {
    FindId f{id, nullptr};
    EnumChildWindows(form, MatchId, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

enum { Next = 1001, Back, Close, Restart = 1005 };

class Wizard : public ::testing::Test {
protected:
    void SetUp() override {
        asked.clear();
        answer = IDNO;
        WizardMessageBox = Answer;
        ShellExtExec = NoExec;
    }
    // Page 3 is reached by Next from page 1 twice, with a usable directory.
    void ToPage3(TfmWizad& w) {
        SetupScript.InstallDir = "C:\\Varnel";
        w.NextPage();
        w.NextPage();
        ASSERT_EQ(w.CurrentPage, 3);
    }
};

}  // namespace

TEST_F(Wizard, PagesCaptionsAndButtons) {
    TfmWizad w;
    w.RunInstall = [] { return TInstallOutcome(); };
    HWND form = w.Handle();
    EXPECT_EQ(w.CurrentPage, 1);
    EXPECT_FALSE(IsWindowEnabled(Control(form, Back)));
    w.PrevPage();  // never below page 1
    EXPECT_EQ(w.CurrentPage, 1);
    w.NextPage();
    EXPECT_EQ(Caption(form), "설치 경로");
    EXPECT_TRUE(IsWindowEnabled(Control(form, Back)));
    w.PrevPage();
    EXPECT_FALSE(IsWindowEnabled(Control(form, Back)));
    ToPage3(w);
    EXPECT_EQ(Caption(form), "설치 시작");

    // The close question, answered No, keeps the page.
    SendMessageA(form, WM_CLOSE, 0, 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(
        asked[0].text,
        "프로그램 설치를 종료 하시겠습니까?\r\n\r\n설치 마법사를 종료하면 프로그램이 설치되지 않습니다.");
    EXPECT_EQ(asked[0].caption, "종료");
    EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION));
    ASSERT_TRUE(IsWindow(form));
    EXPECT_EQ(w.CurrentPage, 3);

    w.NextPage();  // the install runs and completes
    EXPECT_EQ(w.CurrentPage, 4);
    EXPECT_EQ(Caption(form), "설치 완료");
    EXPECT_FALSE(IsWindowVisible(Control(form, Next)));
    EXPECT_FALSE(IsWindowVisible(Control(form, Back)));
    EXPECT_EQ(Caption(Control(form, Close)), "종료");
    EXPECT_EQ(SendMessageA(Control(form, Restart), BM_GETCHECK, 0, 0), BST_CHECKED);

    // Finishing with the box cleared asks nothing and ends.
    SendMessageA(Control(form, Restart), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(IsWindow(form));
}

TEST_F(Wizard, CancelledOrFailedRunEndsWithoutTheFinishPage) {
    const TInstallOutcome full{rsFailed, ifDiskFull, 1, "F:\\Varnel\\BIG.DAT", ""};
    struct {
        std::function<TInstallOutcome()> run;
        std::string message;
        UINT icon;
    } cases[] = {
        {[] {
             return TInstallOutcome{rsCancelled, ifNone, 2, "", ""};
         },
         kCancelledText, MB_ICONINFORMATION},
        {[&] { return full; }, RunEndText(full), MB_ICONSTOP},
        {[]() -> TInstallOutcome { throw std::runtime_error("run failed"); }, kFailedText, MB_ICONSTOP},
    };
    for (const auto& c : cases) {
        asked.clear();
        TfmWizad w;
        w.RunInstall = c.run;
        HWND form = w.Handle();
        ToPage3(w);
        w.NextPage();
        ASSERT_EQ(asked.size(), 1u) << c.message;
        EXPECT_EQ(asked[0].text, c.message);
        EXPECT_EQ(asked[0].caption, kApplicationTitle);
        EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_OK) | c.icon);
        EXPECT_FALSE(IsWindow(form)) << "the program ends";
        EXPECT_NE(w.CurrentPage, 4);
    }
}

// A directory the install cannot use keeps the user where it was given:
// on page 2, or in the chooser with the directory unchanged.
TEST_F(Wizard, AnUnusableDirectoryIsRefusedWhereItWasGiven) {
    TfmWizad w;
    TfmDir chooser(w.Handle());
    w.NextPage();
    SetupScript.InstallDir = "Varnel";
    w.NextPage();
    EXPECT_EQ(w.CurrentPage, 2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, InstallDirText(dcNotAbsolute, "Varnel"));
    EXPECT_EQ(asked[0].caption, "설치 경로");
    EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));

    HWND form = chooser.Handle();
    ShowWindow(form, SW_SHOW);
    enum { IdPath = 101, IdChoose = 104 };
    for (const char* dir : {"", "C:\\a|b", "C:Varnel"}) {
        SetWindowTextA(Control(form, IdPath), dir);
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(IdChoose, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindowVisible(form)) << dir;
        EXPECT_EQ(SetupScript.InstallDir, "Varnel");
    }
    EXPECT_EQ(asked.size(), 4u);
    SetWindowTextA(Control(form, IdPath), "C:\\Apps\\Varnel");
    SendMessageA(form, WM_COMMAND, MAKEWPARAM(IdChoose, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(SetupScript.InstallDir, "C:\\Apps\\Varnel");
    w.NextPage();
    EXPECT_EQ(w.CurrentPage, 3);
}
