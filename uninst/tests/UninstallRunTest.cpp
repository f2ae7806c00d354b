#include <gtest/gtest.h>

#include <map>
#include <set>

#include "UninstallRun.h"

using namespace uninst;

namespace {

// Records every outside effect in order; files and answers are set up front.
struct FakeHost : Host {
    std::map<std::string, std::string> files;
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> kept;
    bool answerYes = true, readFails = false, scheduleFails = false;
    std::vector<std::string> events;

    bool IsFile(const std::string& p) override { return files.count(p) > 0; }
    bool ReadAll(const std::string& p, std::string* b) override {
        if (readFails || !files.count(p)) return false;
        *b = files[p];
        return true;
    }
    bool RemoveFile(const std::string& p) override {
        return events.push_back("del " + p), files.erase(p) > 0;
    }
    bool RemoveDir(const std::string& p) override { return events.push_back("rmdir " + p), true; }
    std::vector<std::string> KeptFolders() override { return kept; }
    std::string FullPath(const std::string& p) override { return p; }
    void DeleteKeyTree(RegRoot, const std::string& k) override { events.push_back("key " + k); }
    std::vector<std::pair<std::string, std::string>> UninstallEntries() override { return entries; }
    bool ScheduleSelfRemoval(std::string* f) override {
        if (scheduleFails) *f = "C:\\WINDOWS\\wininit.ini";
        return events.push_back("schedule"), !scheduleFails;
    }
    void RemoveSelfNow(bool withFolder) override { events.push_back(withFolder ? "self+dir" : "self"); }
    std::string OwnPath() override { return "C:\\V 1\\VlUnInst.exe"; }
    bool Message(BoxKind k, const std::string& caption, const std::string& text) override {
        events.push_back("box " + caption + "|" + text);
        return k != BoxKind::Confirm || answerYes;
    }
    size_t Count(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& e : events) n += e.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

const std::string kLog = "C:\\V 1\\INSTALL.LOG";
const std::string kConfirm =
    "box 프로그램삭제|주의! 해당 프로그램과 자료가 지워집니다.\r\r프로그램을 컴퓨터에서 삭제 하시겠습니까?";

FakeHost Installed() {
    FakeHost h;
    h.files[kLog] = "FILE:C:\\V 1\\A.EXE\r\nDIR:C:\\V 1\r\nFILE:" + kLog + "\r\n";
    h.files["C:\\V 1\\A.EXE"] = "";
    h.entries = {{"Varnel 2.0", "\"C:\\V 1\\VlUnInst.exe\" \"" + kLog + "\""},
                 {"Other", "C:\\O\\VlUnInst.exe C:\\O\\INSTALL.LOG"}};
    return h;
}

}  // namespace

TEST(Run, RefusesWithoutALog) {
    FakeHost h;
    EXPECT_EQ(RunUninstall({}, h), RunStatus::BadParameters);
    EXPECT_EQ(h.events, (std::vector<std::string>{
                            "box 오류|매개 변수가 잘못 전달 되었습니다.  확인 후 다시 실행 하십시오."}));
    h.events.clear();
    EXPECT_EQ(RunUninstall({"C:\\V", "1\\INSTALL.LOG"}, h), RunStatus::LogNotFound);
    EXPECT_EQ(h.events,
              (std::vector<std::string>{
                  "box 오류|C:\\V1\\INSTALL.LOG 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오."}));
}

TEST(Run, NoChangesNothing) {
    FakeHost h = Installed();
    h.answerYes = false;
    EXPECT_EQ(RunUninstall({"C:\\V", "1\\INSTALL.LOG"}, h), RunStatus::Declined);
    EXPECT_EQ(h.events, (std::vector<std::string>{kConfirm}));
}

TEST(Run, RemovesKeysThenFilesThenFoldersThenItself) {
    FakeHost h = Installed();
    EXPECT_EQ(RunUninstall({"C:\\V", "1\\INSTALL.LOG"}, h), RunStatus::Done);
    EXPECT_EQ(h.events.front(), kConfirm);
    EXPECT_EQ(h.events[1], "key *\\shellex\\ContextMenuHandlers\\Varnel");
    EXPECT_EQ(h.events[31], "key Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnel");
    // The entry named after the title goes too; another product's stays.
    EXPECT_EQ(h.events[32], "key Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnel 2.0");
    EXPECT_EQ(h.Count("key "), 32u);
    EXPECT_EQ(std::vector<std::string>(h.events.begin() + 33, h.events.end()),
              (std::vector<std::string>{"del C:\\V 1\\A.EXE", "del " + kLog, "rmdir C:\\V 1", "rmdir C:\\V 1",
                                        "schedule", "box 완료|프로그램 삭제를 완료 했습니다.", "self+dir"}));
}

TEST(Run, StopsWithAMessageWhenFilesFail) {
    FakeHost h = Installed();
    h.readFails = true;
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::LogUnreadable);
    EXPECT_EQ(h.events.back(), "box 오류|" + kLog + " 파일을 읽을 수 없습니다.  확인 후 다시 실행 하십시오.");
    EXPECT_EQ(h.Count("del "), 0u);

    h = Installed();
    h.scheduleFails = true;
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::RenameFileFailed);
    EXPECT_EQ(h.events.back(),
              "box 오류|C:\\WINDOWS\\wininit.ini 파일을 읽거나 쓸 수 없습니다.  확인 후 다시 실행 하십시오.");
    EXPECT_EQ(h.Count("self"), 0u);
}

// An item under the Windows folder (95/98 family): the log lists the Windows
// folder, and the Desktop inside it held only the product's shortcut.
TEST(Run, LeavesTheSystemsFoldersAlone) {
    FakeHost h = Installed();
    h.kept = {"C:\\WINDOWS", "C:\\WINDOWS\\Desktop"};
    h.files[kLog] =
        "FILE:C:\\WINDOWS\\Varnel\\V.INI\r\nDIR:C:\\WINDOWS\r\nICON:C:\\WINDOWS\\Desktop\\V.LNK\r\nFILE:" +
        kLog + "\r\n";
    h.files["C:\\WINDOWS\\Varnel\\V.INI"] = h.files["C:\\WINDOWS\\Desktop\\V.LNK"] = "";
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::Done);
    EXPECT_EQ(h.Count("rmdir C:\\WINDOWS\\Varnel"), 1u);
    for (const auto& e : h.events) {
        EXPECT_NE(e, "rmdir C:\\WINDOWS");
        EXPECT_NE(e, "rmdir C:\\WINDOWS\\Desktop");
    }
}
