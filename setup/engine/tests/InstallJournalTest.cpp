// The journal over a file system in memory that can be told to refuse an
// operation, as a file in use or a read-only folder would.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "InstallJournal.h"
#include "KitText.h"

namespace {

struct MemoryFs : TJournalFs {
    struct Node {
        TKind kind;
        std::string bytes;  // a file's content and, standing for its times, its history
    };
    std::map<std::string, Node> nodes;  // by upper-cased path, as Windows matches names
    std::set<std::string> refuse;       // "move FROM", "delete P", "mkdir P", "rmdir P"

    static std::string Key(const std::string& p) { return UpperAscii(p); }
    void Folder(const std::string& p) { nodes[Key(p)] = {fkFolder, ""}; }
    void File(const std::string& p, const std::string& bytes) { nodes[Key(p)] = {fkFile, bytes}; }
    std::string Bytes(const std::string& p) {
        auto n = nodes.find(Key(p));
        return n == nodes.end() ? "<none>" : n->second.kind == fkFolder ? "<folder>" : n->second.bytes;
    }
    bool Empty(const std::string& p) {
        const std::string prefix = Key(p) + "\\";
        for (const auto& n : nodes)
            if (n.first.compare(0, prefix.size(), prefix) == 0) return false;
        return true;
    }

    TKind Kind(const std::string& p) override {
        if (refuse.count("look " + p)) return fkUnreadable;
        auto n = nodes.find(Key(p));
        return n == nodes.end() ? fkNone : n->second.kind;
    }
    bool MakeFolder(const std::string& p) override {
        if (refuse.count("mkdir " + p) || Kind(p) != fkNone || Kind(ParentFolder(p)) != fkFolder)
            return false;
        Folder(p);
        return true;
    }
    bool Rename(const std::string& from, const std::string& to) override {
        if (refuse.count("move " + from) || Kind(from) != fkFile || Kind(to) != fkNone) return false;
        nodes[Key(to)] = nodes[Key(from)];
        nodes.erase(Key(from));
        return true;
    }
    bool Delete(const std::string& p) override {
        if (Kind(p) == fkFolder || (Kind(p) == fkFile && refuse.count("delete " + p))) return false;
        nodes.erase(Key(p));
        return true;
    }
    bool RemoveFolder(const std::string& p) override {
        if (refuse.count("rmdir " + p) || Kind(p) != fkFolder || !Empty(p)) return false;
        nodes.erase(Key(p));
        return true;
    }
    std::map<std::string, std::string> journals;
    bool ReadJournal(const std::string& name, std::string* bytes) override {
        *bytes = journals.count(name) ? journals[name] : std::string();
        return !refuse.count("read journal");
    }
    bool AppendJournal(const std::string& name, const std::string& bytes) override {
        if (refuse.count("append journal")) return false;
        journals[name] += bytes;
        return true;
    }
    bool RemoveJournal(const std::string& name) override { return journals.erase(name), true; }
    std::string JournalPath(const std::string& name) override { return "C:\\Windows\\" + name; }
};

// An install folder with an older install in it, as the tests start.
class Journal : public ::testing::Test {
protected:
    MemoryFs fs;
    // The undo steps of the records the tests add, by their first field.
    std::map<std::string, std::function<bool()>> steps;
    TInstallJournal journal{fs, [this](const TJournalRecord& r) { return steps[r.Fields[0]]; }};
    const std::string dir = "C:\\Program Files\\Varnel", backup = dir + "\\~setup-backup";
    void SetUp() override {
        fs.Folder("C:\\");
        fs.Folder("C:\\Program Files");
        fs.Folder(dir);
        fs.File(dir + "\\app.exe", "old app, 1999-05-01");
        fs.File(dir + "\\readme.txt", "old readme");
    }
    // The run writes over the old app and into a folder of its own.
    void Install() {
        ASSERT_TRUE(journal.KeepFile(dir + "\\app.exe", dir));
        ASSERT_TRUE(journal.KeepFile(dir + "\\bin\\tool.exe", dir));
        fs.File(dir + "\\app.exe", "new app");
        fs.Folder(dir + "\\bin");
        fs.File(dir + "\\bin\\tool.exe", "new tool");
    }
};

TEST_F(Journal, RollbackPutsReplacedFilesBackAndDeletesTheRunsOwn) {
    Install();
    EXPECT_EQ(fs.Bytes(backup + "\\1"), "old app, 1999-05-01");
    std::string notRestored = "untouched";
    EXPECT_TRUE(journal.Rollback(&notRestored));
    EXPECT_EQ(notRestored, "untouched");
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "old app, 1999-05-01");
    EXPECT_EQ(fs.Bytes(dir + "\\readme.txt"), "old readme");
    EXPECT_EQ(fs.Bytes(dir + "\\bin"), "<none>");
    EXPECT_EQ(fs.Bytes(backup), "<none>");
    EXPECT_EQ(fs.Bytes(dir), "<folder>");
}

TEST_F(Journal, CommitDeletesOnlyTheBackups) {
    Install();
    journal.Commit();
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "new app");
    EXPECT_EQ(fs.Bytes(dir + "\\bin\\tool.exe"), "new tool");
    EXPECT_EQ(fs.Bytes(backup), "<none>");
    EXPECT_EQ(fs.nodes.size(), 7u);
}

// A name written twice (two items, or one archive in two letter cases) is
// kept once: the second write must not make the first one's file "original".
TEST_F(Journal, ANameWrittenTwiceComesBackAsItWasBeforeTheRun) {
    Install();
    ASSERT_TRUE(journal.KeepFile(dir + "\\APP.EXE", dir));
    ASSERT_TRUE(journal.KeepFile(dir + "\\BIN\\TOOL.EXE", dir));
    fs.File(dir + "\\app.exe", "newer app");
    EXPECT_TRUE(journal.Rollback(nullptr));
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "old app, 1999-05-01");
    EXPECT_EQ(fs.Bytes(dir + "\\bin"), "<none>");
    EXPECT_EQ(fs.Bytes(backup + "-2"), "<none>");
}

// Only the folders the run made go, deepest first, and only when empty; the
// backup folder takes another name when its own is taken.
TEST_F(Journal, FoldersGoDeepestFirstWhenEmptyAndOnlyTheRunsOwn) {
    fs.Folder(backup);
    fs.Folder("C:\\Data");
    journal.NoteFolder("C:\\Data\\a\\b\\c");
    std::string failed;
    ASSERT_TRUE(journal.MakeFolders("C:\\Data\\x\\y", &failed));
    EXPECT_EQ(fs.Bytes("C:\\Data\\x\\y"), "<folder>");
    for (const char* f : {"C:\\Data\\a", "C:\\Data\\a\\b", "C:\\Data\\a\\b\\c"}) fs.Folder(f);
    fs.File("C:\\Data\\x\\user.txt", "the user's, written during the run");
    ASSERT_TRUE(journal.KeepFile(dir + "\\readme.txt", dir));
    EXPECT_EQ(fs.Bytes(backup + "-2\\1"), "old readme");
    EXPECT_TRUE(journal.Rollback(nullptr));
    EXPECT_EQ(fs.Bytes("C:\\Data\\a"), "<none>");
    EXPECT_EQ(fs.Bytes("C:\\Data\\x\\y"), "<none>");
    EXPECT_EQ(fs.Bytes("C:\\Data\\x"), "<folder>");
    EXPECT_EQ(fs.Bytes("C:\\Data"), "<folder>");
    EXPECT_EQ(fs.Bytes(backup), "<folder>");  // not the run's
    EXPECT_EQ(fs.Bytes(backup + "-2"), "<none>");

    fs.refuse.insert("mkdir C:\\Data\\m");
    EXPECT_FALSE(journal.MakeFolders("C:\\Data\\m\\n", &failed));
    EXPECT_EQ(failed, "C:\\Data\\m");
}

// A file held open cannot be moved aside: the write is refused before it
// happens. One that cannot go back is named and stays in its backup folder.
TEST_F(Journal, FilesThatCannotMoveAreRefusedOrReported) {
    fs.refuse.insert("move " + dir + "\\readme.txt");
    EXPECT_FALSE(journal.KeepFile(dir + "\\readme.txt", dir));
    EXPECT_EQ(fs.Bytes(dir + "\\readme.txt"), "old readme");
    // A file whose kind cannot be read is never taken for "not there": it
    // would be written over with no backup, and a rollback would delete it.
    fs.refuse.insert("look " + dir + "\\app.exe");
    EXPECT_FALSE(journal.KeepFile(dir + "\\app.exe", dir));
    EXPECT_TRUE(journal.Rollback(nullptr));
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "old app, 1999-05-01");
    fs.refuse.erase("look " + dir + "\\app.exe");

    Install();
    fs.refuse.insert("move " + backup + "\\1");
    fs.refuse.insert("delete " + dir + "\\bin\\tool.exe");
    std::string notRestored;
    EXPECT_FALSE(journal.Rollback(&notRestored));
    EXPECT_EQ(notRestored, dir + "\\bin\\tool.exe");
    EXPECT_EQ(fs.Bytes(backup + "\\1"), "old app, 1999-05-01");
    EXPECT_EQ(fs.Bytes(dir + "\\bin\\tool.exe"), "new tool");
}

TEST_F(Journal, UndoStepsRunLatestFirstBeforeTheFiles) {
    std::string order;
    steps["first"] = [&] { return order += "1", fs.Bytes(dir + "\\bin") == "<folder>"; };
    steps["second"] = [&] { return order += "2", false; };
    ASSERT_TRUE(journal.AddUndo("first", TJournalRecord{"key", {"first"}}));
    ASSERT_TRUE(journal.AddUndo("second", TJournalRecord{"key", {"second"}}));
    Install();
    std::string notRestored;
    EXPECT_FALSE(journal.Rollback(&notRestored));
    EXPECT_EQ(order, "21");
    EXPECT_EQ(notRestored, "second");
    EXPECT_TRUE(journal.Rollback(nullptr)) << "a rolled-back journal is empty";
}

// A run killed after its moves were written ahead: the next one puts back
// what was moved, leaves what was not, and deletes what the run created.
TEST_F(Journal, TheNextRunUndoesAKilledOneFromItsFile) {
    ASSERT_TRUE(journal.Begin("Varnel", dir));
    fs.refuse.insert("move " + dir + "\\readme.txt");  // the kill came before this move
    ASSERT_TRUE(journal.KeepFile(dir + "\\app.exe", dir));
    ASSERT_TRUE(journal.KeepFile(dir + "\\bin\\tool.exe", dir));
    EXPECT_FALSE(journal.KeepFile(dir + "\\readme.txt", dir));
    fs.refuse.clear();
    fs.File(dir + "\\app.exe", "new app");
    fs.Folder(dir + "\\bin");
    fs.File(dir + "\\bin\\tool.exe", "new tool");
    const std::string name = JournalName("VARNEL", dir);
    ASSERT_EQ(fs.journals.count(name), 1u) << "the same name in any letter case";

    MemoryFs before = fs;
    TInstallJournal after(fs);
    std::string notRestored;
    EXPECT_EQ(after.Recover("Varnel", "C:\\PROGRAM FILES\\VARNEL", &notRestored), TInstallJournal::loUndone);
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "old app, 1999-05-01");
    EXPECT_EQ(fs.Bytes(dir + "\\readme.txt"), "old readme");
    EXPECT_EQ(fs.Bytes(dir + "\\bin"), "<none>");
    EXPECT_EQ(fs.Bytes(backup), "<none>");
    EXPECT_TRUE(fs.journals.empty());
    EXPECT_EQ(after.Recover("Varnel", dir, &notRestored), TInstallJournal::loNone);

    // An undo step it cannot rebuild, or a journal it cannot read, is said
    // so and nothing is touched.
    fs = before;
    const uint32_t next = static_cast<uint32_t>(ReadJournal(fs.journals[name]).size());
    fs.journals[name] += JournalLine(next, TJournalRecord{"key", {"Software\\X"}});
    EXPECT_EQ(TInstallJournal(fs).Recover("Varnel", dir, &notRestored), TInstallJournal::loUnreadable);
    EXPECT_EQ(notRestored, "C:\\Windows\\" + name);
    EXPECT_EQ(fs.Bytes(dir + "\\app.exe"), "new app");
    fs.refuse.insert("read journal");
    EXPECT_EQ(TInstallJournal(fs).Recover("Varnel", dir, &notRestored), TInstallJournal::loUnreadable);
}

TEST(JournalFile, RecordsComeBackUpToTheFirstTornOrDamagedOne) {
    const TJournalRecord header{"journal", {"1", "Varnel", "C:\\\xB0\xA1 %20\t\n"}};
    const TJournalRecord list{"restart", {std::string("\\??\\C:\\a\0\0\0", 11), std::string(1, '\0'),
                                          std::string("\\??\\C:\\a\0", 9)}};
    const TJournalRecord none{"value", {"K", "N", "-", ""}};
    const std::string whole = JournalLine(0, header) + JournalLine(1, list) + JournalLine(2, none);
    std::vector<TJournalRecord> read = ReadJournal(whole);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].Fields, header.Fields);
    EXPECT_EQ(read[1].Fields, list.Fields);
    EXPECT_EQ(read[2].Fields, none.Fields);
    EXPECT_EQ(whole.find('\0'), std::string::npos);

    const std::string done = JournalLine(3, TJournalRecord{"done", {}});
    EXPECT_EQ(ReadJournal(whole + done.substr(0, done.size() - 1)).size(), 3u) << "torn before its end";
    std::string damaged = whole;
    damaged[damaged.find("Varnel")] = 'W';
    EXPECT_EQ(ReadJournal(damaged).size(), 0u);
    EXPECT_EQ(ReadJournal(whole + JournalLine(5, TJournalRecord{"done", {}})).size(), 3u) << "a gap";
    EXPECT_EQ(ReadJournal(JournalLine(0, list)).size(), 0u) << "no header";
    EXPECT_EQ(ReadJournal(JournalLine(0, TJournalRecord{"journal", {"2", "a", "b"}})).size(), 0u);
    EXPECT_EQ(ReadJournal(whole + JournalLine(3, TJournalRecord{"kept", {"one field"}})).size(), 3u);
}

TEST(ParentFolder, StopsAtTheRoot) {
    EXPECT_EQ(ParentFolder("C:\\a\\b"), "C:\\a");
    EXPECT_EQ(ParentFolder("C:\\a\\"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\a"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\"), "");
    EXPECT_EQ(ParentFolder("C:\\a\\\\b"), "C:\\a");
    EXPECT_EQ(ParentFolder("\\\\srv\\share\\a"), "\\\\srv\\share");
    EXPECT_EQ(ParentFolder("\\\\srv\\share"), "");
    EXPECT_EQ(ParentFolder("name"), "");
    EXPECT_EQ(ParentFolder("C:\\\xB0\xA1\\b"), "C:\\\xB0\xA1");
}

}  // namespace
