// The install run over a machine kept in memory: one representative install,
// run once with each host call failing in turn and once with a cancel at
// each point the run looks for one. Each run either completes as the
// clean run does or leaves the machine exactly as it found it.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "InstallEngine.h"
#include "InstallText.h"
#include "RARArc.h"
#include "KitText.h"
#include "ProductKeys.h"
#include "SetupScript.h"

namespace {

struct TNode {
    bool folder = false;
    std::string bytes;
    uint32_t attr = 0;
    uint64_t time = 0;
    bool operator==(const TNode& o) const {
        return folder == o.folder && bytes == o.bytes && attr == o.attr && time == o.time;
    }
};

struct TEntry {
    std::string name, bytes;
    bool folder = false;
};

// What the run can change, compared whole.
struct TMachine {
    std::map<std::string, TNode> files;  // by upper-cased path
    std::map<std::string, std::map<std::string, TRegistryValue>> keys;
    std::string pending;
    std::map<std::string, std::string> journals;  // by name
    bool operator==(const TMachine& o) const {
        if (files != o.files || pending != o.pending || journals != o.journals || keys.size() != o.keys.size())
            return false;
        for (auto a = keys.begin(), b = o.keys.begin(); a != keys.end(); ++a, ++b) {
            if (a->first != b->first || a->second.size() != b->second.size()) return false;
            for (auto x = a->second.begin(), y = b->second.begin(); x != a->second.end(); ++x, ++y)
                if (x->first != y->first || x->second.Present != y->second.Present ||
                    x->second.Type != y->second.Type || x->second.Data != y->second.Data)
                    return false;
        }
        return true;
    }
};

// Every call that may fail counts; the one numbered failAt fails. From the
// one numbered killAt on, the process is gone: every call fails and changes
// nothing.
struct TCounter {
    int calls = 0, failAt = 0, killAt = 0;
    bool Fails() {
        ++calls;
        return calls == failAt || Killed();
    }
    bool Killed() const { return killAt > 0 && calls >= killAt; }
};

std::string Parent(const std::string& path) { return ParentFolder(path); }

class TMemFiles : public TInstallFiles {
public:
    TMemFiles(TMachine& m, TCounter& c) : machine(m), counter(c) {}
    TKind Kind(const std::string& path) override {
        if (counter.Fails()) return Failed(fkUnreadable);
        const TNode* n = Find(path);
        return !n ? fkNone : n->folder ? fkFolder : fkFile;
    }
    bool MakeFolder(const std::string& path) override {
        if (counter.Fails() || Find(path) || !IsFolder(Parent(path))) return Failed(false);
        TNode n;
        n.folder = true;
        machine.files[UpperAscii(path)] = n;
        return true;
    }
    bool Rename(const std::string& from, const std::string& to) override {
        const TNode* n = Find(from);
        if (counter.Fails() || !n || n->folder || Find(to) || !IsFolder(Parent(to))) return Failed(false);
        machine.files[UpperAscii(to)] = *n;
        machine.files.erase(UpperAscii(from));
        return true;
    }
    bool Delete(const std::string& path) override {
        if (counter.Fails()) return Failed(false);
        const TNode* n = Find(path);
        if (n && n->folder) return Failed(false);
        machine.files.erase(UpperAscii(path));
        return true;
    }
    bool ReadJournal(const std::string& name, std::string* bytes) override {
        if (counter.Fails()) return Failed(false);
        const auto j = machine.journals.find(name);
        *bytes = j == machine.journals.end() ? std::string() : j->second;
        return true;
    }
    bool AppendJournal(const std::string& name, const std::string& bytes) override {
        if (counter.Fails()) {
            // Killed while writing: the start of the bytes made it to the disk.
            if (counter.calls == counter.killAt) machine.journals[name] += bytes.substr(0, bytes.size() / 2);
            return Failed(false);
        }
        machine.journals[name] += bytes;
        ++appends;
        return true;
    }
    bool RemoveJournal(const std::string& name) override {
        if (counter.Fails()) return Failed(false);
        machine.journals.erase(name);
        return true;
    }
    std::string JournalPath(const std::string& name) override { return "C:\\WINDOWS\\~setup-journal\\" + name; }
    bool RemoveFolder(const std::string& path) override {
        if (counter.Fails() || !IsFolder(path)) return Failed(false);
        const std::string prefix = UpperAscii(path) + "\\";
        auto below = machine.files.lower_bound(prefix);
        if (below != machine.files.end() && below->first.compare(0, prefix.size(), prefix) == 0) return Failed(false);
        machine.files.erase(UpperAscii(path));
        return true;
    }
    bool Copy(const std::string& from, const std::string& to, uint64_t* size) override {
        const TNode* n = Find(from);
        const TNode* t = Find(to);
        if (counter.Fails() || !n || n->folder || (t && t->folder) || !IsFolder(Parent(to))) return Failed(false);
        machine.files[UpperAscii(to)] = *n;  // times and attributes come along, as CopyFile keeps them
        *size = n->bytes.size();
        return true;
    }
    bool WriteWhole(const std::string& path, const std::string& bytes) override {
        const TNode* t = Find(path);
        if (counter.Fails() || (t && t->folder) || !IsFolder(Parent(path))) return Failed(false);
        TNode n;
        n.bytes = bytes;
        n.attr = 0x20;
        n.time = ++clock;
        machine.files[UpperAscii(path)] = n;
        return true;
    }
    bool AdminOnly(const std::string& path) override {
        return UpperAscii(path).compare(0, 17, "C:\\PROGRAM FILES\\") == 0;
    }
    bool MakeAdminFolder(const std::string& path, std::string* acl) override {
        *acl = "admins";
        return MakeFolder(path);
    }

    // For the archives: writes an entry's file as the component would.
    bool Extracted(const std::string& path, const TEntry& e) {
        if (counter.Fails()) return false;
        std::vector<std::string> missing;
        for (std::string f = e.folder ? path : Parent(path); !f.empty() && !Find(f); f = Parent(f))
            missing.push_back(f);
        for (auto f = missing.rbegin(); f != missing.rend(); ++f) machine.files[UpperAscii(*f)].folder = true;
        if (e.folder) return IsFolder(path);
        const TNode* t = Find(path);
        if (t && t->folder) return false;
        TNode n;
        n.bytes = e.bytes;
        n.attr = 0x21;  // archives keep attributes: read-only ones too
        n.time = 1000 + e.bytes.size();
        machine.files[UpperAscii(path)] = n;
        return true;
    }
    const TNode* Find(const std::string& path) const {
        auto f = machine.files.find(UpperAscii(path));
        return f == machine.files.end() ? nullptr : &f->second;
    }

    uint64_t clock = 5000;
    int appends = 0;  // the first change of a run comes after its first

private:
    template <class T> T Failed(T value) {
        Fault = ifCannotWrite;
        return value;
    }
    bool IsFolder(const std::string& path) const {
        const TNode* n = Find(path);
        return n && n->folder;
    }
    TMachine& machine;
    TCounter& counter;
};

class TMemArchives : public TInstallArchives {
public:
    TMemArchives(TMemFiles& f, TCounter& c) : files(f), counter(c) {}
    std::map<std::string, std::vector<TEntry>> archives;  // by path as the script names it
    bool List(const std::string& archive, std::vector<TArchiveEntry>* entries, TArchiveEvents& events) override {
        const auto a = archives.find(archive);
        if (counter.Fails() || a == archives.end() || !files.Find(archive)) {
            events.Error(ERAR_EOPEN);
            return false;
        }
        for (const TEntry& e : a->second) {
            TArchiveEntry listed;
            listed.Name = e.name;
            listed.Folder = e.folder;
            entries->push_back(listed);
        }
        return true;
    }
    bool Extract(const std::string& archive, const std::string& dest, bool failIfExists,
                 TArchiveEvents& events) override {
        bool ok = true;
        for (const TEntry& e : archives.at(archive)) {
            const std::string path = dest.empty() ? e.name : dest + "\\" + e.name;
            if (failIfExists && !e.folder && files.Find(path)) continue;
            if (!e.folder && !events.Extracting(e.name, static_cast<uint32_t>(e.bytes.size()))) return false;
            // Like the library, an entry whose file cannot be made fails and the run goes on.
            if (!files.Extracted(path, e)) {
                events.Error(ERAR_ECREATE);
                events.Extracted(e.name, e.folder, false);
                ok = false;
                continue;
            }
            if (!e.folder && !events.Progress(static_cast<uint32_t>(e.bytes.size()))) return false;
            events.Extracted(e.name, e.folder, true);
        }
        return ok;
    }

private:
    TMemFiles& files;
    TCounter& counter;
};

class TMemRegistry : public TInstallRegistry {
public:
    TMemRegistry(TMachine& m, TCounter& c) : machine(m), counter(c) {}
    bool KeyExists(const std::string& key, bool* there) override {
        if (counter.Fails()) return false;
        *there = machine.keys.count(UpperAscii(key)) > 0;
        return true;
    }
    bool OpenKey(const std::string& key, bool* created) override {
        if (counter.Fails()) return false;
        *created = !machine.keys.count(UpperAscii(key));
        machine.keys[UpperAscii(key)];
        return true;
    }
    bool Read(const std::string& key, const std::string& name, TRegistryValue* value) override {
        if (counter.Fails()) return false;
        *value = TRegistryValue();
        const auto k = machine.keys.find(UpperAscii(key));
        if (k == machine.keys.end()) return true;
        const auto v = k->second.find(UpperAscii(name));
        if (v != k->second.end()) *value = v->second;
        return true;
    }
    bool Write(const std::string& key, const std::string& name, const TRegistryValue& value) override {
        const auto k = machine.keys.find(UpperAscii(key));
        if (counter.Fails() || k == machine.keys.end()) return false;
        if (value.Present)
            k->second[UpperAscii(name)] = value;
        else
            k->second.erase(UpperAscii(name));
        return true;
    }
    bool Flush(const std::string&) override { return !counter.Fails(); }
    bool DeleteKey(const std::string& key) override {
        if (counter.Fails()) return false;
        machine.keys.erase(UpperAscii(key));
        return true;
    }

private:
    TMachine& machine;
    TCounter& counter;
};

class TMemRestart : public TInstallRestart {
public:
    TMemRestart(TMachine& m, TCounter& c) : machine(m), counter(c) {}
    bool NineFamily() override { return false; }
    std::string Where() override { return "PendingFileRenameOperations"; }
    bool Read(std::string* list) override {
        if (counter.Fails()) return false;
        *list = machine.pending;
        return true;
    }
    bool Write(const std::string& list) override {
        if (counter.Fails()) return false;
        machine.pending = list.find_first_not_of('\0') == std::string::npos ? std::string() : list;
        return true;
    }
    std::string ShortForm(const std::string&) override { return std::string(); }

private:
    TMachine& machine;
    TCounter& counter;
};

class TMemShell : public TInstallShell {
public:
    explicit TMemShell(TMemFiles& f) : files(f) {}
    std::string Expand(const std::string& text) override {
        return ExpandMacrosWith(text, {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\BDE", SetupScript.InstallDir});
    }
    std::string ShortcutPath(const std::string& folderKey, const std::string& linkName,
                             const std::string&) override {
        return "C:\\Menu\\" + folderKey + "\\" + linkName;
    }
    bool WriteShortcut(const std::string& path, const std::string& target, const std::string& arguments) override {
        if (files.Kind(ParentFolder(path)) == TJournalFs::fkNone && !files.MakeFolder(ParentFolder(path)))
            return false;
        return files.WriteWhole(path, target + " " + arguments);
    }

private:
    TMemFiles& files;
};

// The view: no window, a cancel from the Nth time the run asks.
struct TCountingView : TInstallView {
    int asked = 0, cancelAt = 0;
    bool undone = false;
    void RunShown() override {}
    void RunHidden() override {}
    void EntryStarted(const std::string&, uint32_t) override {}
    void EntryProgress(uint32_t) override {}
    bool NextDiskette() override { return false; }
    void EarlierRunUndone() override { undone = true; }
    bool CancelRequested() override { return ++asked >= cancelAt && cancelAt > 0; }
};

const char kDir[] = "C:\\Program Files\\Varnel";

TNode File(const std::string& bytes, uint32_t attr, uint64_t time) {
    TNode n;
    n.bytes = bytes;
    n.attr = attr;
    n.time = time;
    return n;
}

// The machine before: an older install whose files the new one replaces, a
// deletion at restart its uninstall asked for, and the distribution.
TMachine Before() {
    TMachine m;
    for (const char* f : {"C:", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\PROGRAM FILES", "C:\\MENU",
                          "C:\\MENU\\PROGRAMS", "D:"})
        m.files[f].folder = true;
    m.files[UpperAscii(kDir)].folder = true;
    m.files[UpperAscii(kDir) + "\\A.TXT"] = File("old a", 0x21, 10);
    m.files[UpperAscii(kDir) + "\\DATA"].folder = true;
    m.files[UpperAscii(kDir) + "\\DATA\\B.DAT"] = File("old b", 0x20, 11);
    m.files[UpperAscii(kDir) + "\\MINE.DOC"] = File("the user's", 0x20, 12);
    m.files["D:\\DISK1.RAR"] = File("rar1", 0x20, 1);
    m.files["D:\\DISK2.RAR"] = File("rar2", 0x20, 2);
    m.files["D:\\README.TXT"] = File("read me", 0x20, 3);
    m.files["D:\\VLUNINST.EXE"] = File("uninstaller", 0x20, 4);
    m.files["D:\\UNRAR.DLL"] = File("unrar", 0x20, 5);
    m.keys["SOME\\OTHER"]["X"] = TRegistryValue{true, 1, std::string("y\0", 2)};
    m.pending = std::string("\\??\\") + kDir + "\\A.TXT" + std::string(2, '\0') + "\\??\\C:\\gone.tmp" +
                std::string(2, '\0') + std::string(1, '\0');
    return m;
}

void Script() {
    TSetupScript& s = SetupScript;
    s = TSetupScript();
    s.SourceDir = "D:\\";
    s.InstallDir = kDir;
    s.ProductTitle = "Varnel 2.0";
    s.Uninstall = "Varnel Uninstall";
    s.Version = "2.0";
    s.Company = "Varnel";
    s.FileItems[0] = {"DISK1.RAR", "<INSTALLDIR>", ""};
    s.FileItems[1] = {"DISK2.RAR", "<INSTALLDIR>\\Tools", "FAILIFEXISTS"};
    s.FileItems[2] = {"README.TXT", "<INSTALLDIR>\\Docs", "COPY"};
    s.FileItemCount = 3;
    s.IconItems[0] = {"Programs", "Varnel", "<INSTALLDIR>\\VARNEL.EXE", ""};
    s.IconItems[1] = {"Desktop", "Varnel", "<INSTALLDIR>\\VARNEL.EXE", "/fast"};
    s.IconItemCount = 2;
}

struct TRunEnd {
    TInstallOutcome outcome;
    bool completed = false, earlierUndone = false;
    std::vector<std::string> steps;  // the run log's step names
    std::vector<std::string> log;
    TMachine machine;
    int calls = 0, asked = 0;
};

// One run over the machine as Before() makes it, or as start is.
TRunEnd RunOnce(int failAt, int cancelAt, int killAt = 0, const TMachine* start = nullptr) {
    Script();
    TRunEnd end;
    end.machine = start ? *start : Before();
    TCounter counter;
    counter.failAt = failAt;
    counter.killAt = killAt;
    TMemFiles files(end.machine, counter);
    TMemArchives archives(files, counter);
    archives.archives["D:\\DISK1.RAR"] = {{"VARNEL.EXE", "new program", false},
                                         {"A.TXT", "new a", false},
                                         {"DATA", "", true},
                                         {"DATA\\B.DAT", "new b", false},
                                         {"DATA\\C.DAT", "new c", false}};
    archives.archives["D:\\DISK2.RAR"] = {{"TOOL.EXE", "tool", false}, {"LIB\\T.DLL", "lib", false}};
    TMemRegistry registry(end.machine, counter);
    TMemRestart restart(end.machine, counter);
    TMemShell shell(files);
    TCountingView view;
    view.cancelAt = cancelAt;
    TInstallEngine engine(view, TInstallHost{files, archives, registry, restart, shell});
    engine.OnStep = [&end](const char* step, const std::string&) { end.steps.push_back(step); };
    end.outcome = engine.Run();
    end.completed = engine.InstallCompleted;
    end.log = engine.InstallLog;
    end.calls = counter.calls;
    end.asked = view.asked;
    end.earlierUndone = view.undone && end.outcome.EarlierRunUndone;
    return end;
}

std::string EntryKey() { return UpperAscii(UninstallEntryKey("Varnel 2.0")); }

// A completed run equals the clean one, but for backups a failed deletion
// left behind, and its journal when that could not be deleted (it says the
// run completed: the next run only deletes those backups).
bool SameBesidesBackups(TMachine a, TMachine b) {
    for (TMachine* m : {&a, &b}) {
        for (auto f = m->files.begin(); f != m->files.end();)
            f = f->first.find("~SETUP-BACKUP") != std::string::npos ? m->files.erase(f) : std::next(f);
        m->journals.clear();
    }
    return a == b;
}

std::string Diff(const TMachine& a, const TMachine& b) {
    std::string d;
    for (const auto& f : a.files)
        if (!b.files.count(f.first) || !(b.files.at(f.first) == f.second)) d += "\n  now: " + f.first;
    for (const auto& f : b.files)
        if (!a.files.count(f.first)) d += "\n  gone: " + f.first;
    if (a.pending != b.pending) d += "\n  pending list";
    if (a.journals != b.journals) d += "\n  journals";
    if (a.keys.size() != b.keys.size()) d += "\n  keys";
    return d;
}

void ExpectCompletedOrUndone(const TRunEnd& end, const TRunEnd& clean, const TMachine& before,
                             const std::string& what) {
    if (end.completed) {
        EXPECT_EQ(end.outcome.Status, rsCompleted) << what;
        EXPECT_TRUE(SameBesidesBackups(end.machine, clean.machine)) << what;
        EXPECT_EQ(end.log, clean.log) << what;
        return;
    }
    EXPECT_NE(end.outcome.Status, rsCompleted) << what;
    EXPECT_FALSE(end.machine.keys.count(EntryKey())) << what;
    // All undone, but for the journal that could not be deleted, which says so.
    TMachine undone = end.machine;
    if (!end.outcome.NotRestored.empty()) {
        EXPECT_EQ(end.outcome.NotRestored.find("C:\\WINDOWS\\~setup-journal\\"), 0u) << what;
        undone.journals = before.journals;
    }
    EXPECT_TRUE(undone == before) << what << Diff(undone, before);
}

TEST(InstallFaults, TheCleanRunDoesWhatTheLogSays) {
    const TRunEnd clean = RunOnce(0, 0);
    ASSERT_TRUE(clean.completed);
    const TMachine& m = clean.machine;
    const std::string dir = UpperAscii(kDir);
    EXPECT_EQ(m.files.at(dir + "\\A.TXT").bytes, "new a");
    EXPECT_EQ(m.files.at(dir + "\\DATA\\B.DAT").bytes, "new b");
    EXPECT_EQ(m.files.at(dir + "\\MINE.DOC").bytes, "the user's");
    EXPECT_EQ(m.files.at(dir + "\\DOCS\\README.TXT").bytes, "read me");
    EXPECT_EQ(m.files.at(dir + "\\TOOLS\\LIB\\T.DLL").bytes, "lib");
    EXPECT_EQ(m.files.at("C:\\WINDOWS\\SYSTEM\\UNRAR.DLL").bytes, "unrar");
    for (const auto& f : m.files) EXPECT_EQ(f.first.find("~SETUP-BACKUP"), std::string::npos) << f.first;
    for (const std::string& line : clean.log)
        if (line.compare(0, 5, "FILE:") == 0 || line.compare(0, 5, "ICON:") == 0) {
            EXPECT_TRUE(m.files.count(UpperAscii(line.substr(5)))) << line;
        }
    // The withdrawn deletion is gone, the other one stays.
    EXPECT_EQ(m.pending.find("A.TXT"), std::string::npos);
    EXPECT_NE(m.pending.find("gone.tmp"), std::string::npos);
    const auto& entry = m.keys.at(EntryKey());
    EXPECT_EQ(entry.at("DISPLAYNAME").Data, std::string("Varnel 2.0", 11));
    EXPECT_EQ(entry.at(UpperAscii(kInstallLogDigest)).Data.size(), 65u);
    EXPECT_TRUE(m.files.count("C:\\MENU\\PROGRAMS\\VARNEL 2.0\\VARNEL UNINSTALL.LNK"));
    EXPECT_TRUE(m.journals.empty());
}

TEST(InstallFaults, EachFailingCallAndEachCancelCompletesOrUndoesAll) {
    const TRunEnd clean = RunOnce(0, 0);
    ASSERT_TRUE(clean.completed);
    const TMachine before = Before();
    int failed = 0, cancelled = 0;
    for (int n = 1; n <= clean.calls + 1; ++n) {
        const TRunEnd end = RunOnce(n, 0);
        ExpectCompletedOrUndone(end, clean, before, "call " + std::to_string(n) + " failing");
        failed += !end.completed;
    }
    for (int n = 1; n <= clean.asked + 1; ++n) {
        const TRunEnd end = RunOnce(0, n);
        ExpectCompletedOrUndone(end, clean, before, "cancel at " + std::to_string(n));
        if (!end.completed) {
            EXPECT_EQ(end.outcome.Status, rsCancelled);
        }
        cancelled += !end.completed;
    }
    // Every call but those of the clean run's own cleanup fails the run.
    EXPECT_GT(failed, clean.calls / 2);
    std::cout << "fault cases: " << clean.calls << " calls (" << failed << " failed the run), " << clean.asked
              << " cancel points (" << cancelled << " cancelled it)\n";
}

// Killed at each call in turn, the run leaves its journal; the next run
// undoes it first (or, killed after it completed, finishes its cleanup).
// Cancelled at once after that, the next run leaves the machine exactly as
// it was before the killed one; left to finish, it installs exactly as the
// clean run does.
TEST(InstallFaults, EachKillIsUndoneByTheNextRun) {
    const TRunEnd clean = RunOnce(0, 0);
    ASSERT_TRUE(clean.completed);
    const TRunEnd reinstall = RunOnce(0, 0, 0, &clean.machine);
    const TMachine before = Before();
    int left = 0;
    for (int n = 1; n <= clean.calls; ++n) {
        const std::string what = "killed at call " + std::to_string(n);
        // Killed in its cleanup, the run had completed: what is left is
        // that cleanup.
        const TRunEnd killed = RunOnce(0, 0, n);
        left += !killed.machine.journals.empty();

        const TRunEnd undone = RunOnce(0, 1, 0, &killed.machine);
        EXPECT_EQ(undone.outcome.Status, rsCancelled) << what;
        EXPECT_EQ(undone.outcome.NotRestored, "") << what;
        if (killed.completed) {
            EXPECT_TRUE(SameBesidesBackups(undone.machine, clean.machine)) << what;
            EXPECT_TRUE(undone.machine.journals.empty()) << what;
        } else {
            EXPECT_TRUE(undone.machine == before) << what << Diff(undone.machine, before);
        }
        // Told whenever the killed run had changed anything.
        TMachine changed = killed.machine;
        changed.journals.clear();
        if (!(changed == before)) {
            EXPECT_TRUE(undone.earlierUndone) << what;
        }
        // The run log says so first, whenever the run does.
        EXPECT_EQ(!undone.steps.empty() && undone.steps[0] == std::string("recovery"), undone.earlierUndone)
            << what;

        // A run over a completed install is a reinstall.
        const TRunEnd next = RunOnce(0, 0, 0, &killed.machine);
        const TRunEnd& like = killed.completed ? reinstall : clean;
        EXPECT_TRUE(next.completed) << what;
        EXPECT_TRUE(SameBesidesBackups(next.machine, like.machine)) << what << Diff(next.machine, like.machine);
        EXPECT_TRUE(next.machine.journals.empty()) << what;
        EXPECT_EQ(next.log, like.log) << what;
    }
    std::cout << "kill cases: " << clean.calls << " (" << left << " left a journal for the next run)\n";
}

// A path too long for the narrow calls, in the second archive, a COPY item
// or a shortcut, ends the run before anything changes.
TEST(InstallFaults, APathTooLongIsRefusedBeforeAnythingChanges) {
    const std::string deep = "<INSTALLDIR>\\" + std::string(200, 'd');
    for (int which = 0; which < 3; ++which) {
        const TMachine before = Before();
        Script();
        TRunEnd end;
        end.machine = before;
        TCounter counter;
        TMemFiles files(end.machine, counter);
        TMemArchives archives(files, counter);
        archives.archives["D:\\DISK1.RAR"] = {{"VARNEL.EXE", "new program", false}};
        archives.archives["D:\\DISK2.RAR"] = {{"LIB\\" + std::string(40, 'n') + ".DLL", "lib", false}};
        TMemRegistry registry(end.machine, counter);
        TMemRestart restart(end.machine, counter);
        TMemShell shell(files);
        TCountingView view;
        if (which == 0) SetupScript.FileItems[1].DestDir = deep;
        if (which == 1) SetupScript.FileItems[2].DestDir = deep + std::string(60, 'c');
        if (which == 2) SetupScript.IconItems[1].LinkName = std::string(260, 'L');
        TInstallEngine engine(view, TInstallHost{files, archives, registry, restart, shell});
        const TInstallOutcome o = engine.Run();
        EXPECT_EQ(o.Fault, ifPathTooLong) << which;
        EXPECT_GT(o.Subject.size(), kNarrowPathMax) << which;
        EXPECT_EQ(o.Item, which == 2 ? 0 : which + 2) << which;
        EXPECT_EQ(files.appends, 0) << which << ": nothing was begun";
        EXPECT_TRUE(end.machine == before) << which;
    }
}

// A killed run that cannot be undone (its backup held open) stops the next
// run before it changes anything; the run after that finishes the undo.
TEST(InstallFaults, AKilledRunThatCannotBeUndoneStopsTheNext) {
    const TRunEnd clean = RunOnce(0, 0);
    // Killed once the first older file is in the backup folder.
    TRunEnd killed;
    for (int n = 1; n <= clean.calls && !killed.machine.files.count(UpperAscii(kDir) + "\\~SETUP-BACKUP\\1"); ++n)
        killed = RunOnce(0, 0, n);
    ASSERT_TRUE(killed.machine.files.count(UpperAscii(kDir) + "\\~SETUP-BACKUP\\1"));
    TMachine blocked = killed.machine;
    blocked.files[UpperAscii(kDir) + "\\A.TXT"].folder = true;  // nothing can be put back there
    blocked.files[UpperAscii(kDir) + "\\A.TXT"].bytes.clear();
    const TRunEnd stopped = RunOnce(0, 0, 0, &blocked);
    EXPECT_EQ(stopped.outcome.Status, rsFailed);
    EXPECT_EQ(stopped.outcome.Fault, ifEarlierRunLeft);
    EXPECT_EQ(stopped.outcome.Subject, std::string(kDir) + "\\A.TXT");
    EXPECT_FALSE(stopped.machine.journals.empty());
    EXPECT_FALSE(stopped.machine.keys.count(EntryKey()));
    // The folder goes; the next run puts the file back and installs.
    TMachine freed = stopped.machine;
    freed.files.erase(UpperAscii(kDir) + "\\A.TXT");
    const TRunEnd next = RunOnce(0, 0, 0, &freed);
    EXPECT_TRUE(next.completed);
    EXPECT_TRUE(SameBesidesBackups(next.machine, clean.machine)) << Diff(next.machine, clean.machine);
}

}  // namespace
