#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "PassFixtures.h"

namespace {

// The main dialog and a disk in memory. Paths are kept as given.
struct FakeHost {
    PassHost base;
    struct Prompt {
        PasswordPrompt base;
        FakeHost* host;
    } prompt;
    std::vector<std::string> lines;  // kept sorted, ignoring case
    std::vector<bool> selected;
    bool storedPaths = true;
    bool storedPathsEnabled = true;
    std::vector<std::pair<PassNotice, std::string>> notices;
    std::vector<PassStatus> statuses;
    std::map<std::string, std::string> files;
    std::set<std::string> dirs{"C:\\OUT"};
    std::set<std::string> readOnly;
    std::map<std::string, uint32_t> times;
    std::vector<std::string> passwords;  // answers of the prompt, in order
    int prompts = 0;
    std::vector<bool> overwriteAnswers;
    int askedOverwrite = 0;
    int cancelAfter = -1;  // files finished before Cancel is pressed
    int finished = 0;
    uint32_t lastDone = 0, lastTotal = 0;
    PassSettings* settings = nullptr;
    std::string open;     // target of the output being written
    std::string pending;  // its bytes, in place only once kept
    int discarded = 0;
    bool failPlacing = false;
    size_t largestOutput = 0;
    struct Sink {
        ByteSink base;
        FakeHost* host;
    } sink;

    static FakeHost* Of(PassHost* h) { return (FakeHost*)h; }
    static std::string Trim(std::string p) {
        if (!p.empty() && p.back() == '\\') p.pop_back();
        return p;
    }

    FakeHost() {
        base.list.Reset = [](PassHost* h) { Of(h)->lines.clear(), Of(h)->selected.clear(); };
        base.list.Add = [](PassHost* h, const char* line) {
            FakeHost* f = Of(h);
            auto at = std::upper_bound(
                f->lines.begin(), f->lines.end(), std::string(line),
                [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
            f->selected.insert(f->selected.begin() + (at - f->lines.begin()), false);
            f->lines.insert(at, line);
        };
        base.list.Count = [](PassHost* h) { return (int)Of(h)->lines.size(); };
        base.list.Find = [](PassHost* h, const char* name, int after) {
            FakeHost* f = Of(h);
            int n = (int)f->lines.size();
            for (int k = 1; k <= n; ++k) {
                int i = (after + k + n) % n;
                if (Lower(f->lines[i]) == Lower(name)) return i;
            }
            return -1;
        };
        base.list.Selected = [](PassHost* h, int i) { return (bool)Of(h)->selected[i]; };
        base.list.Deselect = [](PassHost* h, int i) { Of(h)->selected[i] = false; };
        base.list.SelectedCount = [](PassHost* h) {
            return (int)std::count(Of(h)->selected.begin(), Of(h)->selected.end(), true);
        };
        base.user.StoredPaths = [](PassHost* h) { return Of(h)->storedPaths; };
        base.user.NoStoredPaths = [](PassHost* h) {
            Of(h)->storedPaths = false;
            Of(h)->storedPathsEnabled = false;
        };
        base.user.Notice = [](PassHost* h, PassNotice n, const char* d) {
            Of(h)->notices.push_back({n, d ? d : ""});
        };
        base.user.Status = [](PassHost* h, PassStatus s, const char*) { Of(h)->statuses.push_back(s); };
        base.user.Progress = [](PassHost* h, uint32_t done, uint32_t total) {
            if (done) {
                EXPECT_GE(done, Of(h)->lastDone);
            }
            Of(h)->lastDone = done;
            Of(h)->lastTotal = total;
        };
        base.user.Cancelled = [](PassHost* h) {
            return Of(h)->cancelAfter >= 0 && Of(h)->finished >= Of(h)->cancelAfter;
        };
        base.user.AskOverwrite = [](PassHost* h, const char*) {
            FakeHost* f = Of(h);
            bool yes = f->overwriteAnswers.at(f->askedOverwrite++);
            return yes;
        };
        base.files.PathFound = [](PassHost* h, char* path) {
            std::string p = Trim(path);
            return Of(h)->files.count(p) > 0 || Of(h)->dirs.count(p) > 0;
        };
        base.files.MakeDirectoryTree = [](PassHost* h, const char* path) {
            std::string p = Trim(path);
            for (size_t i = 0; i <= p.size(); ++i)
                if ((i == p.size() || p[i] == '\\') && i > 2) Of(h)->dirs.insert(p.substr(0, i));
        };
        base.files.CreateOutput = [](PassHost* h, const char* target) -> ByteSink* {
            FakeHost* f = Of(h);
            EXPECT_TRUE(f->open.empty()) << "two outputs open at once";
            if (f->readOnly.count(target)) return nullptr;
            f->open = target;
            f->pending.clear();
            return &f->sink.base;
        };
        base.files.FinishOutput = [](PassHost* h, ByteSink*, const char* target, uint32_t time, bool keep) {
            FakeHost* f = Of(h);
            EXPECT_EQ(f->open, target);
            f->open.clear();
            ++f->finished;
            if (!keep || f->failPlacing) {
                ++f->discarded;
                return !keep;
            }
            f->files[target] = f->pending;
            f->times[target] = time;
            return true;
        };
        sink.base.Write = [](ByteSink* s, const uint8_t* data, uint32_t size) {
            FakeHost* f = ((Sink*)s)->host;
            f->pending.append((const char*)data, size);
            f->largestOutput = std::max(f->largestOutput, f->pending.size());
            return true;
        };
        sink.host = this;
        prompt.base.Ask = [](PasswordPrompt* p, char buffer[kPasswordCapacity]) {
            FakeHost* f = ((Prompt*)p)->host;
            std::string answer = f->prompts < (int)f->passwords.size() ? f->passwords[f->prompts] : "";
            ++f->prompts;
            strcpy(buffer, answer.c_str());
            return (int)answer.size();
        };
        prompt.host = this;
        base.prompt = &prompt.base;
    }

    // A fresh host in place (the sink points back at its owner).
    void Reset() {
        *this = FakeHost();
        sink.host = this;
        prompt.host = this;
        base.prompt = &prompt.base;
    }
    int Count() const { return (int)std::count(selected.begin(), selected.end(), true); }

    bool Selected(const std::string& line) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == line) return selected[i];
        ADD_FAILURE() << "no line " << line;
        return false;
    }
    void SelectAll() { std::fill(selected.begin(), selected.end(), true); }
    bool Noticed(PassNotice n) const {
        for (auto& x : notices)
            if (x.first == n) return true;
        return false;
    }
};

class ExtractPassTest : public ::testing::Test {
protected:
    FakeHost host;
    MemorySource source;
    PassSettings settings{};
    static DecodeWorkspace work;

    void Load(const std::vector<Entry>& entries) {
        source.base.Read = MemRead;
        source.base.Seek = MemSeek;
        source.bytes = Archive(entries);
        settings.archiveStart = kStart;
        strcpy(settings.extractPath, "C:\\OUT");
        settings.overwriteMode = OverwriteConfirm;
        host.settings = &settings;
    }
    PassOutcome List() { return ProcessArchive(&host.base, &source.base, &settings, true, &work); }
    PassOutcome Extract() {
        host.notices.clear();
        host.statuses.clear();
        return ProcessArchive(&host.base, &source.base, &settings, false, &work);
    }
    // List with every line selected, as the dialog starts.
    void Start(const std::vector<Entry>& entries) {
        Load(entries);
        List();
        host.SelectAll();
    }
};
DecodeWorkspace ExtractPassTest::work;

TEST_F(ExtractPassTest, ListShowsStoredPathsOrBareNamesAndSkipsFolders) {
    Load({{"docs/", ""}, {"docs/readme.txt", "r"}, {"setup.exe", "s"}, {"Docs\\A.txt", "a"}});
    List();
    EXPECT_EQ(host.lines, (std::vector<std::string>{"docs/readme.txt", "Docs\\A.txt", "setup.exe"}));
    EXPECT_TRUE(host.storedPathsEnabled);
    host.storedPaths = false;
    List();
    EXPECT_EQ(host.lines, (std::vector<std::string>{"A.txt", "readme.txt", "setup.exe"}));
    // The folder names came from the archive, not from the box: still enabled.
    EXPECT_TRUE(host.storedPathsEnabled);
    EXPECT_TRUE(host.notices.empty());
}

TEST_F(ExtractPassTest, ListEndsAndDisablesStoredPaths) {
    Load({{"a.txt", "a"}, {"b.txt", "b"}});
    List();
    EXPECT_FALSE(host.storedPathsEnabled);

    host.Reset();
    Load({});
    EXPECT_EQ(List(), PassNoEntries);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].first, NoticeNoEntries);

    // An empty name ends the pass without its end-of-pass message; what was
    // listed before stays.
    host.Reset();
    Load({{"first.txt", "1"}, {"", "x"}, {"later.txt", "2"}});
    EXPECT_EQ(List(), PassUnreadable);
    EXPECT_EQ(host.lines, std::vector<std::string>{"first.txt"});
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].first, NoticeBadName);
}

TEST_F(ExtractPassTest, ExtractsEverythingAndDeselects) {
    Start({{"docs/sub/a.txt", "alpha"}, {"b.txt", std::string(70000, 'b')}});
    EXPECT_EQ(Extract(), PassAllPassed);
    EXPECT_EQ(host.files["C:\\OUT\\docs\\sub\\a.txt"], "alpha");
    EXPECT_EQ(host.files["C:\\OUT\\b.txt"].size(), 70000u);
    EXPECT_TRUE(host.dirs.count("C:\\OUT\\docs\\sub"));
    EXPECT_EQ(host.times["C:\\OUT\\b.txt"], kTime);
    EXPECT_EQ(host.Count(), 0);
    EXPECT_EQ(host.statuses.back(), StatusAllPassed);
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.lastDone, host.lastTotal);
    EXPECT_EQ(host.lastTotal, 5u + 70000u);

    // Without stored paths the file goes straight into the extract path.
    host.storedPaths = false;
    settings.overwriteMode = OverwriteAlways;
    List();
    host.SelectAll();
    Extract();
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "alpha");
}

TEST_F(ExtractPassTest, DamagedEntryStaysSelectedAndCanBeRetried) {
    Start({{"a.txt", "aaaa"}, {"bad.bin", "data", kMethodStored, true}, {"c.txt", "cc"}});
    EXPECT_EQ(Extract(), PassFailed);
    EXPECT_TRUE(host.Selected("bad.bin"));
    EXPECT_FALSE(host.Selected("a.txt"));
    EXPECT_FALSE(host.Selected("c.txt"));
    EXPECT_EQ(host.statuses.back(), StatusFailed);
    EXPECT_TRUE(host.Noticed(NoticeFailures));

    // The second pass takes only the still-selected line.
    host.files.erase("C:\\OUT\\a.txt");
    settings.overwriteMode = OverwriteAlways;
    int before = host.finished;
    Extract();
    EXPECT_EQ(host.finished, before + 1);
    EXPECT_FALSE(host.files.count("C:\\OUT\\a.txt"));
    EXPECT_TRUE(host.Selected("bad.bin"));
}

TEST_F(ExtractPassTest, OverwritePolicies) {
    Start({{"a.txt", "new"}, {"b.txt", "new"}, {"c.txt", "new"}});
    for (const char* f : {"C:\\OUT\\a.txt", "C:\\OUT\\b.txt", "C:\\OUT\\c.txt"}) host.files[f] = "old";

    settings.overwriteMode = OverwriteSkip;
    Extract();
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "old");
    EXPECT_EQ(host.Count(), 0);  // skipped is not failed
    EXPECT_EQ(host.statuses.back(), StatusAllPassed);

    host.SelectAll();
    settings.overwriteMode = OverwriteConfirm;
    host.overwriteAnswers = {true, false, true};
    Extract();
    EXPECT_EQ(host.askedOverwrite, 3);
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "new");
    EXPECT_EQ(host.files["C:\\OUT\\b.txt"], "old");
    EXPECT_EQ(host.files["C:\\OUT\\c.txt"], "new");
    EXPECT_EQ(host.Count(), 0);

    // A prompt that switches to Overwrite ("Don't ask again") asks once.
    host.SelectAll();
    for (auto& f : host.files) f.second = "old";
    host.askedOverwrite = 0;
    host.overwriteAnswers = {true};
    host.base.user.AskOverwrite = [](PassHost* h, const char*) {
        FakeHost* f = FakeHost::Of(h);
        ++f->askedOverwrite;
        f->settings->overwriteMode = OverwriteAlways;
        return true;
    };
    Extract();
    EXPECT_EQ(host.askedOverwrite, 1);
    EXPECT_EQ(host.files["C:\\OUT\\c.txt"], "new");

    // A target that cannot be opened stays selected; the pass goes on.
    host.SelectAll();
    host.readOnly.insert("C:\\OUT\\a.txt");
    Extract();
    EXPECT_TRUE(host.Selected("a.txt"));
    EXPECT_FALSE(host.Selected("b.txt"));
    EXPECT_TRUE(host.Noticed(NoticeCreateFailed));
    EXPECT_EQ(host.statuses.back(), StatusFailed);
}

TEST_F(ExtractPassTest, HostileNamesNeverLeaveTheExtractPath) {
    Start({{"../up.txt", "x"},
           {"\\root.txt", "x"},
           {"C:/drive.txt", "x"},
           {"a/../../b.txt", "x"},
           {"ok/fine.txt", "ok"},
           {"dir/... /c.txt", "x"},
           {"file.txt:stream", "x"},
           {"sub/CON.txt", "x"},
           {"com1", "x"}});
    Extract();
    EXPECT_EQ(host.files.size(), 1u);
    EXPECT_EQ(host.files["C:\\OUT\\ok\\fine.txt"], "ok");
    int warned = 0;
    for (auto& n : host.notices) warned += n.first == NoticeUnsafeName;
    EXPECT_EQ(warned, 1);
    EXPECT_EQ(host.Count(), 8);
    EXPECT_FALSE(host.Selected("ok/fine.txt"));
    EXPECT_EQ(host.statuses.back(), StatusFailed);
}

TEST_F(ExtractPassTest, PasswordIsAskedOnceAndThreeRefusalsEndThePass) {
    Start({{"a.txt", "secret a", kMethodStored, false, "pw"},
           {"b.txt", "secret b", kMethodStored, false, "pw"}});
    host.passwords = {"wrong", "pw"};
    Extract();
    EXPECT_EQ(host.prompts, 2);
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "secret a");
    EXPECT_EQ(host.files["C:\\OUT\\b.txt"], "secret b");
    EXPECT_EQ(host.statuses.back(), StatusAllPassed);

    host.Reset();
    settings = PassSettings{};
    Start({{"a.txt", "secret", kMethodStored, false, "pw"}, {"b.txt", "plain"}});
    host.passwords = {"x", "", "y", "pw"};
    EXPECT_EQ(Extract(), PassPasswordRefused);
    EXPECT_EQ(host.prompts, 3);
    EXPECT_TRUE(host.files.empty());
    EXPECT_TRUE(host.statuses.empty());  // no summary after a refused password
    EXPECT_EQ(host.Count(), 2);
}

TEST_F(ExtractPassTest, CancelEndsAfterTheCurrentFile) {
    Start({{"a.txt", "1"}, {"b.txt", "2"}, {"c.txt", "3"}});
    host.cancelAfter = 1;
    EXPECT_EQ(Extract(), PassCancelled);
    EXPECT_EQ(host.files.size(), 1u);
    EXPECT_EQ(host.Count(), 2);
    EXPECT_EQ(host.statuses.back(), StatusCancelled);
}

// Only a pass that walked the whole archive knows that no name has a folder.
TEST_F(ExtractPassTest, StoredPathsStayUsableAfterAPassThatEndsEarly) {
    const std::vector<Entry> archive = {
        {"a.txt", "1"}, {"b.txt", "2"}, {"docs/c.txt", "3"}, {"docs/d.txt", "4"}};
    enum { Cancel, Password, Method, Folder, BadName };
    for (int how : {Cancel, Password, Method, Folder, BadName}) {
        host.Reset();
        settings = PassSettings{};
        std::vector<Entry> entries = archive;
        if (how == Password) entries[1] = Entry("b.txt", "2", kMethodStored, false, "pw");
        if (how == Method) entries[1].method = 2;
        if (how == BadName) entries.insert(entries.begin() + 1, Entry("", "x"));
        Start(entries);
        if (how == Cancel) host.cancelAfter = 1;
        if (how == Folder) host.dirs.clear();  // C:\OUT itself cannot be made
        if (how == Folder) host.base.files.MakeDirectoryTree = [](PassHost*, const char*) {};
        Extract();
        EXPECT_TRUE(host.storedPaths && host.storedPathsEnabled) << how;
        if (how != Cancel) continue;
        // The rest, in their folders, with the box as the list pass left it.
        host.cancelAfter = -1;
        Extract();
        EXPECT_EQ(host.files["C:\\OUT\\docs\\c.txt"], "3");
        EXPECT_EQ(host.files["C:\\OUT\\docs\\d.txt"], "4");
        EXPECT_EQ(host.Count(), 0);
        EXPECT_EQ(host.statuses.back(), StatusAllPassed);
    }
}

// Entries are decoded aside; a file that fails for any reason replaces nothing.
TEST_F(ExtractPassTest, OnlyVerifiedFilesReplaceExistingOnes) {
    Start({{"a.txt", "new a"}, {"bad.bin", "new bad", kMethodStored, true}, {"c.txt", "new c"}});
    for (const char* f : {"C:\\OUT\\a.txt", "C:\\OUT\\bad.bin", "C:\\OUT\\c.txt"}) host.files[f] = "old";
    settings.overwriteMode = OverwriteAlways;
    Extract();
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "new a");
    EXPECT_EQ(host.files["C:\\OUT\\bad.bin"], "old");
    EXPECT_EQ(host.times.count("C:\\OUT\\bad.bin"), 0u);
    EXPECT_EQ(host.discarded, 1);
    EXPECT_TRUE(host.Selected("bad.bin"));

    // A disk that refuses the bytes part-way.
    host.SelectAll();
    host.files["C:\\OUT\\a.txt"] = "old";
    host.sink.base.Write = [](ByteSink*, const uint8_t*, uint32_t) { return false; };
    Extract();
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "old");
    EXPECT_EQ(host.Count(), 3);

    // A verified file that cannot be put in place is not a success either.
    host.Reset();
    Start({{"a.txt", "new a"}});
    host.failPlacing = true;
    Extract();
    EXPECT_FALSE(host.files.count("C:\\OUT\\a.txt"));
    EXPECT_TRUE(host.Selected("a.txt"));
    ASSERT_TRUE(host.Noticed(NoticeCloseFailed));
    EXPECT_EQ(host.notices[0].second, "C:\\OUT\\a.txt");
    EXPECT_EQ(host.statuses.back(), StatusFailed);
}

TEST_F(ExtractPassTest, DeflateOutputStopsAtTheDeclaredSize) {
    std::string big(150000, 'x');
    Start({DeflateEntry("bomb.bin", big, 1000), DeflateEntry("fits.bin", "exactly", 7), {"after.txt", "z"}});
    Extract();
    EXPECT_LE(host.largestOutput, 1000u);
    EXPECT_FALSE(host.files.count("C:\\OUT\\bomb.bin"));
    EXPECT_TRUE(host.Selected("bomb.bin"));
    EXPECT_EQ(host.files["C:\\OUT\\fits.bin"], "exactly");
    EXPECT_EQ(host.files["C:\\OUT\\after.txt"], "z");
    EXPECT_EQ(host.statuses.back(), StatusFailed);
}

TEST_F(ExtractPassTest, NothingSelectedSaysSo) {
    Load({{"a.txt", "1"}});
    EXPECT_EQ(List(), PassListed);
    EXPECT_EQ(Extract(), PassNothingSelected);
    EXPECT_TRUE(host.files.empty());
    EXPECT_EQ(host.statuses, std::vector<PassStatus>{StatusNothingSelected});
    EXPECT_TRUE(host.Noticed(NoticeNothingSelected));
}

TEST_F(ExtractPassTest, UnsupportedMethodAndFolderFailureEndTheLoop) {
    Start({{"a.txt", "1", 2}, {"b.txt", "2"}});
    host.files["C:\\OUT\\a.txt"] = "before";
    settings.overwriteMode = OverwriteAlways;
    EXPECT_EQ(Extract(), PassUnsupportedMethod);
    EXPECT_TRUE(host.Noticed(NoticeUnsupportedMethod));
    EXPECT_EQ(host.files["C:\\OUT\\a.txt"], "before");  // nothing was decoded to replace it
    EXPECT_EQ(host.discarded, 1);
    EXPECT_FALSE(host.files.count("C:\\OUT\\b.txt"));
    EXPECT_TRUE(host.statuses.size() == 1 && host.statuses[0] == StatusExtracting);

    host.Reset();
    Start({{"d/a.txt", "1"}, {"b.txt", "2"}});
    host.base.files.MakeDirectoryTree = [](PassHost*, const char*) {};
    EXPECT_EQ(Extract(), PassFailed);
    ASSERT_TRUE(host.Noticed(NoticeFolderFailed));
    EXPECT_EQ(host.notices[0].second, "C:\\OUT\\d");
    EXPECT_TRUE(host.files.empty());  // the loop ended there
    EXPECT_EQ(host.statuses.back(), StatusFailed);
}

}  // namespace
