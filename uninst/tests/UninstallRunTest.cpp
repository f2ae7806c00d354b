#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "Sha256.h"
#include "UninstallRun.h"

using namespace uninst;

namespace {

const std::string kLog = "C:\\V 1\\INSTALL.LOG";

// Records every outside effect in order; files, folders and answers are set
// up front. Paths are compared exactly.
struct FakeHost : Files, Machine, Program, User, RunLogSink {
    std::map<std::string, std::string> files;
    std::set<std::string> dirs;
    std::set<std::string> inUse;      // files the system will not delete now
    std::set<std::string> noRestart;  // what cannot be scheduled for the next start either
    std::set<std::string> links;      // junctions and symbolic links
    std::set<std::string> busyOnce;   // in use at the first try only
    std::vector<std::string> kept, shortcutFolders;
    std::vector<UninstallEntry> entries;
    // The first entry records the digest of the log as the run finds it,
    // as setup does; false for an entry of an earlier kit.
    bool recordDigest = true;
    bool answerYes = true, readFails = false, scheduleFails = false, logOpens = true;
    size_t logWritesLeft = 1000;
    std::vector<std::string> runLog;
    std::vector<std::string> events;
    std::vector<std::string> listed;  // folders the run looked into

    bool IsFile(const std::string& p) override { return files.count(p) > 0; }
    bool ReadAll(const std::string& p, std::string* b) override {
        if (readFails || !files.count(p)) return false;
        *b = files[p];
        return true;
    }
    FileRemoval RemoveFile(const std::string& p) override {
        events.push_back("del " + p);
        if (dirs.count(p)) return FileRemoval::Folder;
        if (!files.count(p)) return FileRemoval::Missing;
        if (inUse.count(p) || busyOnce.erase(p)) return FileRemoval::Refused;
        files.erase(p);
        return FileRemoval::Removed;
    }
    bool RemoveAtRestart(const std::string& p) override {
        return events.push_back("restart " + p), !noRestart.count(p);
    }
    bool RemoveDir(const std::string& p) override {
        events.push_back("rmdir " + p);
        std::vector<std::string> names;
        return dirs.count(p) && (links.count(p) || (Children(p, &names) && names.empty())) && dirs.erase(p);
    }
    bool IsLink(const std::string& p) override { return links.count(p) > 0; }
    bool ListDir(const std::string& p, std::vector<std::string>* names) override {
        listed.push_back(p);
        return Children(p, names);
    }
    bool Children(const std::string& p, std::vector<std::string>* names) {
        names->clear();
        auto child = [&](const std::string& q) {
            if (q.compare(0, p.size() + 1, p + "\\") == 0 && q.find('\\', p.size() + 1) == std::string::npos)
                names->push_back(q.substr(p.size() + 1));
        };
        for (const auto& f : files) child(f.first);
        for (const auto& d : dirs) child(d);
        return dirs.count(p) > 0;
    }
    std::vector<std::string> KeptFolders() override { return kept; }
    std::vector<std::string> ShortcutFolders() override { return shortcutFolders; }
    std::string FullPath(const std::string& p) override { return p; }
    KeyRemoval DeleteKeyTree(RegRoot, const std::string& k) override {
        events.push_back("key " + k);
        return KeyRemoval::Removed;
    }
    std::vector<UninstallEntry> UninstallEntries() override {
        std::vector<UninstallEntry> out = entries;
        if (recordDigest && !out.empty() && !out[0].logDigest) {
            Sha256 sha;
            sha.Update(files[kLog].data(), files[kLog].size());
            out[0].logDigest = sha.HexDigest();
        }
        return out;
    }
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
    bool Open(const std::string& p) override {
        events.push_back("open " + p);
        return logOpens;
    }
    bool Write(const std::string& line) override {
        if (logWritesLeft == 0) return false;
        --logWritesLeft;
        runLog.push_back(line);
        return true;
    }
    bool Close() override { return events.push_back("close"), true; }
    operator Host() { return {*this, *this, *this, *this, *this}; }
    size_t Count(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& e : events) n += e.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
    // What happened after the confirmation and the 32 key deletions.
    std::vector<std::string> AfterKeys() const {
        return std::vector<std::string>(events.begin() + 33, events.end());
    }
};

const std::string kConfirm =
    "box 프로그램삭제|주의! 해당 프로그램과 자료가 지워집니다.\r\r프로그램을 컴퓨터에서 삭제 하시겠습니까?";

FakeHost Installed() {
    FakeHost h;
    h.files[kLog] = "FILE:C:\\V 1\\A.EXE\r\nDIR:C:\\V 1\r\nFILE:" + kLog + "\r\n";
    h.files["C:\\V 1\\A.EXE"] = "";
    h.dirs = {"C:\\V 1"};
    h.entries = {{"Varnel 2.0", "\"C:\\V 1\\VlUnInst.exe\" \"" + kLog + "\"", std::nullopt},
                 {"Other", "C:\\O\\VlUnInst.exe C:\\O\\INSTALL.LOG", std::nullopt}};
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
    EXPECT_EQ(h.AfterKeys(),
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

// The shell extension in use by Explorer: it, and then the folder it alone
// holds up, go at the next start; a folder that also holds a file the user
// made stays. The own folder is the self-removal's.
TEST(Run, FilesInUseGoAtTheNextStart) {
    FakeHost h = Installed();
    h.files[kLog] =
        "FILE:C:\\V 1\\A.EXE\r\nFILE:C:\\V 1\\shell\r\nFILE:C:\\V 1\\shell\\VSHELL.DLL\r\n"
        "FILE:C:\\V 1\\bin\\B.DLL\r\nDIR:C:\\V 1\r\nFILE:" +
        kLog + "\r\n";
    h.dirs = {"C:\\V 1", "C:\\V 1\\shell", "C:\\V 1\\bin"};
    h.files["C:\\V 1\\shell\\VSHELL.DLL"] = h.files["C:\\V 1\\bin\\B.DLL"] = h.files["C:\\V 1\\bin\\my.cfg"] =
        "";
    h.inUse = {"C:\\V 1\\shell\\VSHELL.DLL", "C:\\V 1\\bin\\B.DLL"};
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::RestartNeeded);
    EXPECT_EQ(
        h.AfterKeys(),
        (std::vector<std::string>{
            "del C:\\V 1\\A.EXE", "del C:\\V 1\\shell", "del C:\\V 1\\shell\\VSHELL.DLL",
            "del C:\\V 1\\bin\\B.DLL", "del " + kLog, "rmdir C:\\V 1", "del C:\\V 1\\shell\\VSHELL.DLL",
            "restart C:\\V 1\\shell\\VSHELL.DLL", "del C:\\V 1\\bin\\B.DLL", "restart C:\\V 1\\bin\\B.DLL",
            "rmdir C:\\V 1\\shell", "restart C:\\V 1\\shell", "rmdir C:\\V 1\\bin", "rmdir C:\\V 1",
            "schedule",
            "box 완료|프로그램 삭제를 완료 했습니다.  나머지 파일은 Windows를 다시 시작 하면 삭제 됩니다.",
            "self+dir"}));
    EXPECT_EQ(ExitCode(RunStatus::RestartNeeded), 3010);

    // A file freed while the rest went is deleted at its last try, and no
    // request is left to delete a reinstall at the next start.
    h = Installed();
    h.busyOnce = {"C:\\V 1\\A.EXE"};
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::Done);
    EXPECT_EQ(h.Count("del C:\\V 1\\A.EXE"), 2u);
    EXPECT_EQ(h.Count("restart "), 0u);
    EXPECT_FALSE(h.files.count("C:\\V 1\\A.EXE"));
}

// What can neither go now nor be scheduled is named, the first of them only.
TEST(Run, SaysWhatRemains) {
    FakeHost h = Installed();
    h.files[kLog] =
        "FILE:C:\\V 1\\A.EXE\r\nFILE:C:\\V 1\\B.DLL\r\nFILE:C:\\V 1\\C.DLL\r\nFILE:" + kLog + "\r\n";
    h.files["C:\\V 1\\B.DLL"] = h.files["C:\\V 1\\C.DLL"] = "";
    h.inUse = {"C:\\V 1\\A.EXE", "C:\\V 1\\B.DLL", "C:\\V 1\\C.DLL"};
    h.noRestart = {"C:\\V 1\\B.DLL", "C:\\V 1\\C.DLL"};
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::ItemsRemain);
    EXPECT_EQ(h.Count("box 완료|C:\\V 1\\B.DLL 파일을 삭제 하지 못했습니다.  확인 후 직접 삭제 "
                      "하십시오.  다른 파일은 Windows를 다시 시작 하면 삭제 됩니다."),
              1u);
    EXPECT_EQ(h.events.back(), "self+dir");

    h = Installed();
    h.inUse = h.noRestart = {"C:\\V 1\\A.EXE"};
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::ItemsRemain);
    EXPECT_EQ(h.Count("box 완료|C:\\V 1\\A.EXE 파일을 삭제 하지 못했습니다.  확인 후 직접 삭제 하십시오."),
              1u);
    EXPECT_EQ(h.Count("restart C:\\V 1\\A.EXE"), 1u);
    EXPECT_EQ(h.Count("box 완료|프로그램"), 0u);
}

// An item under the Windows folder (95/98 family): the log lists the Windows
// folder, and the Desktop inside it holds a shortcut still open.
TEST(Run, LeavesTheSystemsFoldersAlone) {
    FakeHost h = Installed();
    h.kept = {"C:\\WINDOWS", "C:\\WINDOWS\\Desktop"};
    h.files[kLog] =
        "FILE:C:\\WINDOWS\\Varnel\\V.INI\r\nDIR:C:\\WINDOWS\r\nICON:C:\\WINDOWS\\Desktop\\V.LNK\r\nFILE:" +
        kLog + "\r\n";
    h.dirs = {"C:\\V 1", "C:\\WINDOWS", "C:\\WINDOWS\\Varnel", "C:\\WINDOWS\\Desktop"};
    h.files["C:\\WINDOWS\\Varnel\\V.INI"] = h.files["C:\\WINDOWS\\Desktop\\V.LNK"] = "";
    h.inUse = {"C:\\WINDOWS\\Desktop\\V.LNK"};
    EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::RestartNeeded);
    // C:\V 1 still holds A.EXE, which this log does not list.
    EXPECT_EQ(h.dirs, (std::set<std::string>{"C:\\V 1", "C:\\WINDOWS", "C:\\WINDOWS\\Desktop"}));
    for (const auto& e : h.events) {
        EXPECT_NE(e, "rmdir C:\\WINDOWS");
        EXPECT_NE(e, "rmdir C:\\WINDOWS\\Desktop");
        EXPECT_NE(e, "restart C:\\WINDOWS\\Desktop");
    }
}

// Unattended: no question, no completion box, every step in the run log, the
// result last; the run log opens before anything changes.
TEST(Run, SilentRunsLogEveryStep) {
    FakeHost h = Installed();
    h.files[kLog] = "FILE:C:\\V 1\\A.EXE\r\nFILE:C:\\V 1\\GONE.TXT\r\nDIR:C:\\V 1\r\nFILE:" + kLog + "\r\n";
    EXPECT_EQ(RunUninstall({"/SILENT", "C:\\V", "1\\INSTALL.LOG", "/LOG=C:\\run.log"}, h), RunStatus::Done);
    EXPECT_EQ(h.Count("box "), 0u);
    EXPECT_EQ(h.events.front(), "open C:\\run.log");
    EXPECT_EQ(h.runLog.front(), "log: " + kLog);
    EXPECT_EQ(h.runLog[1], "confirmed: yes");
    EXPECT_EQ(h.runLog[2].compare(0, 45, "verify: INSTALL.LOG matches its uninstall ent"), 0);
    EXPECT_EQ(h.runLog[3], "registry: removed HKCR\\*\\shellex\\ContextMenuHandlers\\Varnel");
    std::vector<std::string> tail(h.runLog.end() - 7, h.runLog.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "file: removed C:\\V 1\\A.EXE", "file: not there C:\\V 1\\GONE.TXT",
                        "file: removed " + kLog, "folder: removed C:\\V 1",
                        "message: 프로그램 삭제를 완료 했습니다.",
                        "uninstaller: deleted once it ends C:\\V 1\\VlUnInst.exe", "result: 0 removed"}));
    EXPECT_EQ(h.events.back(), "self+dir");

    // What went wrong still shows under /SILENT, and nothing at all under /VERYSILENT.
    for (const char* quiet : {"/SILENT", "/verysilent"}) {
        h = Installed();
        h.inUse = h.noRestart = {"C:\\V 1\\A.EXE"};
        EXPECT_EQ(RunUninstall({quiet, "C:\\V 1\\INSTALL.LOG", "/LOG=C:\\run.log"}, h),
                  RunStatus::ItemsRemain);
        EXPECT_EQ(h.Count("box "), quiet[1] == 'S' ? 1u : 0u) << quiet;
        EXPECT_EQ(h.Count("error: file stays, in use or denied C:\\V 1\\A.EXE"), 0u);
        EXPECT_EQ(std::count(h.runLog.begin(), h.runLog.end(),
                             "error: file stays, in use or denied C:\\V 1\\A.EXE"),
                  1);
        EXPECT_EQ(h.runLog.back(), "result: 6 some items remain");
    }
}

TEST(Run, RunLogFailuresAreNoSuccess) {
    // Not opened: nothing changed, the reason in a box.
    FakeHost h = Installed();
    h.logOpens = false;
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\ro\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::RunLogFailed);
    EXPECT_EQ(h.events,
              (std::vector<std::string>{"open C:\\ro\\run.log",
                                        "box 오류|C:\\ro\\run.log 파일에 실행 기록을 쓸 수 없습니다.  확인 "
                                        "후 다시 실행 하십시오."}));
    EXPECT_EQ(ExitCode(RunStatus::RunLogFailed), 7);

    // The install log itself is never replaced by the run log.
    h = Installed();
    EXPECT_EQ(RunUninstall({"/VERYSILENT", "/LOG=" + kLog, "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::RunLogFailed);
    EXPECT_TRUE(h.events.empty());

    // Full after a few lines (a full disk): the removal goes on to its end,
    // but does not count as a success.
    h = Installed();
    h.logWritesLeft = 3;
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::RunLogFailed);
    EXPECT_FALSE(h.files.count("C:\\V 1\\A.EXE"));
    EXPECT_EQ(h.Count("box 오류|C:\\run.log 파일에 실행 기록을 끝까지 쓰지 못했습니다."), 1u);
    EXPECT_EQ(h.events.back(), "self+dir");
}

TEST(Run, BadSwitchesAndUsage) {
    FakeHost h = Installed();
    EXPECT_EQ(RunUninstall({"/SILENTLY", "C:\\V 1\\INSTALL.LOG"}, h), RunStatus::BadParameters);
    ASSERT_EQ(h.events.size(), 1u);
    const std::string want = "box 오류|/SILENTLY : 알 수 없는 스위치입니다.\r\n\r\n사용법";
    EXPECT_EQ(h.events[0].compare(0, want.size(), want), 0);
    h.events.clear();
    EXPECT_EQ(RunUninstall({"/?"}, h), RunStatus::BadParameters);
    EXPECT_EQ(h.Count("box 프로그램삭제|사용법: VlUnInst"), 1u);
    h.events.clear();
    EXPECT_EQ(RunUninstall({"/VERYSILENT", "/?"}, h), RunStatus::BadParameters);
    EXPECT_EQ(RunUninstall({"/VERYSILENT", "C:\\No\\INSTALL.LOG"}, h), RunStatus::LogNotFound);
    EXPECT_EQ(RunUninstall({"/VERYSILENT"}, h), RunStatus::BadParameters);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\run.log"}, h), RunStatus::BadParameters);
    EXPECT_EQ(h.runLog.back(), "result: 1 bad command line");
}

namespace {

std::string Sha(const std::string& bytes) {
    Sha256 sha;
    sha.Update(bytes.data(), bytes.size());
    return sha.HexDigest();
}

}  // namespace

// The log lies where a user may write; the digest in the entry, which only
// an administrator may write, says whether it is the one setup left. A log
// that is not, or cannot be read, changes nothing at all.
TEST(Trust, AnAlteredOrUnreadableLogChangesNothing) {
    const std::string altered = "box 오류|" + kLog +
                                " 파일이 설치할 때 기록된 내용과 다릅니다.  아무것도 삭제 하지 않았습니다.  "
                                "프로그램을 다시 설치 한 뒤 삭제 하십시오.";
    struct Case {
        const char* what;
        const char* digest;  // recorded; nullptr: that of the log as setup left it
        std::string appended;
    };
    const Case cases[] = {
        {"a line appended", nullptr, "FILE:C:\\WINDOWS\\system32\\hal.dll\r\n"},
        {"the digest in capitals", "", ""},
        {"a value that is no string", "unreadable", ""},
    };
    for (const Case& c : cases) {
        FakeHost h = Installed();
        h.files["C:\\WINDOWS\\system32\\hal.dll"] = "";
        std::string digest = c.digest ? c.digest : Sha(h.files[kLog]);
        if (c.digest && !*c.digest)
            for (char& ch : digest = Sha(h.files[kLog])) ch = (char)toupper((unsigned char)ch);
        h.entries[0].logDigest = digest;
        h.files[kLog] += c.appended;
        EXPECT_EQ(RunUninstall({"C:\\V 1\\INSTALL.LOG"}, h), RunStatus::LogAltered) << c.what;
        EXPECT_EQ(h.events, (std::vector<std::string>{kConfirm, altered})) << c.what;
        EXPECT_EQ(h.files.size(), 3u);
    }
    EXPECT_EQ(ExitCode(RunStatus::LogAltered), 8);

    // Unattended, the run log says why.
    FakeHost h = Installed();
    h.entries[0].logDigest = std::string(64, '0');
    EXPECT_EQ(RunUninstall({"/VERYSILENT", "/LOG=C:\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::LogAltered);
    EXPECT_EQ(h.events, (std::vector<std::string>{"open C:\\run.log", "close"}));
    EXPECT_EQ(h.runLog.at(2),
              "verify: INSTALL.LOG differs from the digest its uninstall entry Varnel 2.0 "
              "records; nothing changed (sha256 " +
                  Sha(h.files[kLog]) + ")");
    EXPECT_EQ(h.runLog.back(), "result: 8 INSTALL.LOG altered since install, nothing changed");

    // Held open by another process: the keys stay too.
    h = Installed();
    h.readFails = true;
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::LogUnreadable);
    EXPECT_EQ(h.Count("key "), 0u);
    EXPECT_EQ(h.runLog.at(2), "verify: INSTALL.LOG cannot be read; nothing changed");
    EXPECT_EQ(h.runLog.back(), "result: 4 INSTALL.LOG unreadable");
}

// An entry of an earlier kit records no digest: its log is followed as ever
// inside its own folder, and for shortcuts and folders in the shortcut
// folders; anything else stays and is counted for the user.
TEST(Trust, AnUnvouchedLogReachesOnlyItsOwnFolders) {
    auto make = [] {
        FakeHost h = Installed();
        h.shortcutFolders = {"C:\\Menu\\Programs"};
        h.files[kLog] =
            "FILE:C:\\V 1\\A.EXE\r\nFILE:C:\\WINDOWS\\X.DLL\r\nFILE:C:\\V 1\\..\\Other\\Y.DLL\r\n"
            "FILE:c:\\v 1x\\Z.DLL\r\nICON:C:\\Menu\\Programs\\Varnel\\V.LNK\r\n"
            "FILE:C:\\Menu\\Programs\\notes.doc\r\nDIR:C:\\Menu\\Programs\\Varnel\r\nDIR:C:\\Other\r\n"
            "DIR:C:\\V 1\r\nFILE:" +
            kLog + "\r\n";
        for (const char* f : {"C:\\WINDOWS\\X.DLL", "C:\\Other\\Y.DLL", "c:\\v 1x\\Z.DLL",
                              "C:\\Menu\\Programs\\Varnel\\V.LNK", "C:\\Menu\\Programs\\notes.doc"})
            h.files[f] = "";
        h.dirs = {"C:\\V 1", "C:\\Menu\\Programs", "C:\\Menu\\Programs\\Varnel", "C:\\Other"};
        return h;
    };
    FakeHost h = make();
    h.recordDigest = false;
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::ItemsRemain);
    EXPECT_EQ(h.files, (std::map<std::string, std::string>{{"C:\\WINDOWS\\X.DLL", ""},
                                                           {"C:\\Other\\Y.DLL", ""},
                                                           {"c:\\v 1x\\Z.DLL", ""},
                                                           {"C:\\Menu\\Programs\\notes.doc", ""}}));
    EXPECT_EQ(h.dirs, (std::set<std::string>{"C:\\Menu\\Programs", "C:\\Other"}));
    EXPECT_EQ(h.Count("key "), 32u);
    EXPECT_EQ(
        h.Count("box 완료|설치 폴더 밖의 항목 5개는 설치 기록을 확인할 수 없어 삭제 하지 않았습니다.  확인 "
                "후 직접 삭제 하십시오."),
        1u);
    EXPECT_EQ(std::count(h.runLog.begin(), h.runLog.end(),
                         "error: left, outside the install folder and not vouched for C:\\WINDOWS\\X.DLL"),
              1);

    // The same log with the digest setup recorded is followed everywhere (the
    // fake host takes "..\\Other" for no file).
    h = make();
    EXPECT_EQ(RunUninstall({"/SILENT", "C:\\V 1\\INSTALL.LOG"}, h), RunStatus::Done);
    EXPECT_EQ(h.files, (std::map<std::string, std::string>{{"C:\\Other\\Y.DLL", ""}}));
}

// Someone who may write the install folder replaces a folder or a file with
// a junction or link to the system's: only the link itself may go.
TEST(Links, AreNeitherEnteredNorFollowed) {
    FakeHost h = Installed();
    h.files[kLog] =
        "FILE:C:\\V 1\\A.EXE\r\nFILE:C:\\V 1\\data\r\nFILE:C:\\V 1\\data\\F.DAT\r\n"
        "FILE:C:\\V 1\\bin\\sub\\G.DLL\r\nFILE:C:\\V 1\\L.DLL\r\nDIR:C:\\V 1\\data\r\nDIR:C:\\V 1\r\nFILE:" +
        kLog + "\r\n";
    // data and bin lead into the system folder; L.DLL is a file's link.
    h.dirs = {"C:\\V 1", "C:\\V 1\\data", "C:\\V 1\\bin", "C:\\V 1\\bin\\sub"};
    h.links = {"C:\\V 1\\data", "C:\\V 1\\bin", "C:\\V 1\\L.DLL"};
    h.files["C:\\V 1\\data\\F.DAT"] = h.files["C:\\V 1\\bin\\sub\\G.DLL"] = h.files["C:\\V 1\\L.DLL"] = "";
    h.inUse = {"C:\\V 1\\A.EXE"};  // makes the pruning look into folders
    EXPECT_EQ(RunUninstall({"/SILENT", "/LOG=C:\\run.log", "C:\\V 1\\INSTALL.LOG"}, h),
              RunStatus::ItemsRemain);
    EXPECT_EQ(h.Count("del C:\\V 1\\data\\"), 0u);
    EXPECT_EQ(h.Count("del C:\\V 1\\bin\\"), 0u);
    EXPECT_EQ(h.Count("rmdir C:\\V 1\\bin\\sub"), 0u);
    EXPECT_TRUE(h.files.count("C:\\V 1\\data\\F.DAT") && h.files.count("C:\\V 1\\bin\\sub\\G.DLL"));
    // The links go as themselves.
    EXPECT_FALSE(h.files.count("C:\\V 1\\L.DLL"));
    EXPECT_FALSE(h.dirs.count("C:\\V 1\\data"));
    EXPECT_FALSE(h.dirs.count("C:\\V 1\\bin"));
    for (const auto& d : h.listed) EXPECT_TRUE(d == "C:\\V 1") << d;
    EXPECT_EQ(std::count(h.runLog.begin(), h.runLog.end(),
                         "error: stays, below a junction or link C:\\V 1\\bin\\sub\\G.DLL"),
              1);
    EXPECT_EQ(h.Count("restart C:\\V 1\\A.EXE"), 1u);
}

#ifndef _WIN32
#include <fstream>

// The README's table of the uninstaller's exit codes (its second such
// table, after setup's) lists the usage box's rows, in their order.
TEST(UninstallExitCodes, TheReadmeListsTheUsageRows) {
    std::ifstream readme(KIT_README);
    ASSERT_TRUE(readme) << KIT_README;
    std::vector<std::string> listed;
    std::string line;
    int tables = 0;
    bool inTable = false;
    while (std::getline(readme, line)) {
        if (line == "| exit code | outcome |") {
            inTable = ++tables == 2;
            continue;
        }
        if (!inTable || line.rfind("|---", 0) == 0) continue;
        if (line.rfind("| ", 0) != 0) break;
        listed.push_back(line.substr(2, line.find(" |", 2) - 2));
    }
    std::vector<std::string> rows;
    const std::string usage = UsageText();
    for (size_t at = usage.find("종료 코드:"); (at = usage.find("\r\n", at)) != std::string::npos;) {
        at += 2;
        rows.push_back(usage.substr(at, usage.find('\t', at) - at));
    }
    EXPECT_EQ(rows, listed);
    for (int i = 0; i < kExitCodeCount; ++i) EXPECT_EQ(ExitCode(kExitCodes[i].status), kExitCodes[i].code);
}
#endif
