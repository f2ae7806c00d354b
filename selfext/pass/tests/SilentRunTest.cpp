// The unattended run: its command line, and the pass with every entry
// selected, nothing asked and an exit code for each way it can fail.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "PassFixtures.h"
#include "SilentRun.h"

namespace {

struct Line {
    const char* label;
    std::string line;
    CommandLineStatus status;
    std::string folder = "", password = "", arguments = "";
};

TEST(SilentCommandLine, SwitchesValuesAndArguments) {
    const std::string kLongFolder(255, 'f'), kLongPassword(24, 'p');
    const Line cases[] = {
        {"no arguments", "sfx.exe", CommandInteractive},
        {"quoted program, /S", "\"C:\\Program Files\\sfx.exe\" /S", CommandSilent},
        {"everything, any case", "sfx.exe /s /d=C:\\Out /p=se\"cr\"et -- /VERYSILENT /LOG=\"C:\\varnel.log\"",
         CommandSilent, "C:\\Out", "secret", "/VERYSILENT /LOG=\"C:\\varnel.log\""},
        {"quoted value keeps its last backslash", "sfx.exe\t/D=\"C:\\Program Files\\X\\\"\t/S", CommandSilent,
         "C:\\Program Files\\X\\"},
        {"whole switch quoted", "sfx.exe \"/D=C:\\a b\" /S", CommandSilent, "C:\\a b"},
        {"unclosed quote runs to the end", "sfx.exe /S \"/D=C:\\a b", CommandSilent, "C:\\a b"},
        {"longest values", "sfx.exe /S /D=" + kLongFolder + " /P=" + kLongPassword, CommandSilent,
         kLongFolder, kLongPassword},
        {"-- and nothing after it", "sfx.exe /S --  ", CommandSilent},
        {"-- keeps its arguments as they are", "sfx.exe /S --   a  \"b c\"", CommandSilent, "", "",
         "a  \"b c\""},
        // Without /S the line is not looked at: the dialog runs as always.
        {"unknown switch alone", "sfx.exe /X /D=", CommandInteractive},
        {"/S after --", "sfx.exe -- /S", CommandInteractive},
        {"/S glued to more", "sfx.exe /Sx", CommandInteractive},
        // With /S anything wrong refuses the run.
        {"unknown switch", "sfx.exe /S /X", CommandBad},
        {"/S twice", "sfx.exe /S /s", CommandBad},
        {"folder twice", "sfx.exe /S /D=a /D=b", CommandBad},
        {"empty folder", "sfx.exe /S /D=", CommandBad},
        {"empty quoted folder", "sfx.exe /S /D=\"\"", CommandBad},
        {"empty password", "sfx.exe /S /P=", CommandBad},
        {"folder of 256", "sfx.exe /S /D=" + kLongFolder + "f", CommandBad},
        {"password of 25", "sfx.exe /S /P=" + kLongPassword + "p", CommandBad},
        {"token past every buffer", "sfx.exe /S /D=" + std::string(5000, 'x'), CommandBad},
        {"--x is no separator", "sfx.exe /S --x", CommandBad},
        {"value without =", "sfx.exe /S /DC:\\x", CommandBad},
    };
    for (const Line& c : cases) {
        SilentOptions o;
        EXPECT_EQ(c.status, ParseCommandLine(c.line.c_str(), &o)) << c.label;
        if (c.status != CommandSilent) continue;
        EXPECT_EQ(c.folder, o.folder) << c.label;
        EXPECT_EQ(c.password, o.password.text) << c.label;
        EXPECT_EQ((int)c.password.size(), o.password.length) << c.label;
        EXPECT_EQ(c.arguments, o.arguments) << c.label;
    }
}

// The silent host with a disk in memory behind it.
struct SilentDisk {
    SilentHost silent;  // first: the pass's host pointer is its address
    struct Sink {
        ByteSink base;
        SilentDisk* disk;
    } sink;
    std::map<std::string, std::string> files;
    std::set<std::string> dirs{"C:\\OUT"};
    std::string pending;
    bool canMakeFolders = true;
    bool diskFull = false;

    static SilentDisk* Of(PassHost* h) { return (SilentDisk*)h; }
    static std::string Trim(std::string p) {
        if (!p.empty() && p.back() == '\\') p.pop_back();
        return p;
    }

    SilentDisk(const SilentDisk&) = delete;
    SilentDisk& operator=(const SilentDisk&) = delete;
    SilentDisk() {
        MakeSilentHost(&silent);
        PassHost& b = silent.base;
        b.files.PathFound = [](PassHost* h, char* path) {
            std::string p = Trim(path);
            return Of(h)->files.count(p) > 0 || Of(h)->dirs.count(p) > 0;
        };
        b.files.MakeDirectoryTree = [](PassHost* h, const char* path) {
            if (Of(h)->canMakeFolders) Of(h)->dirs.insert(Trim(path));
        };
        b.files.CreateOutput = [](PassHost* h, const char*) -> ByteSink* {
            Of(h)->pending.clear();
            return &Of(h)->sink.base;
        };
        b.files.FinishOutput = [](PassHost* h, ByteSink*, const char* target, uint32_t, bool keep) {
            if (keep) Of(h)->files[target] = Of(h)->pending;
            return true;
        };
        sink.base.Write = [](ByteSink* s, const uint8_t* data, uint32_t size) {
            SilentDisk* d = ((Sink*)s)->disk;
            d->pending.append((const char*)data, size);
            return !d->diskFull;
        };
        sink.disk = this;
    }
};

class SilentRunTest : public ::testing::Test {
protected:
    std::unique_ptr<SilentDisk> current = std::make_unique<SilentDisk>();
    MemorySource source;
    PassSettings settings{};
    static DecodeWorkspace work;

    SilentExit Run(const std::vector<Entry>& entries, const std::string& password = "",
                   const std::string& after = "") {
        source.base.Read = MemRead;
        source.base.Seek = MemSeek;
        source.bytes = Archive(entries);
        source.bytes.insert(source.bytes.end(), after.begin(), after.end());
        settings.archiveStart = kStart;
        strcpy(settings.extractPath, "C:\\OUT");
        strcpy(settings.password.text, password.c_str());
        settings.password.length = (int)password.size();
        return ExtractSilently(&current->silent, &source.base, &settings, &work,
                               (uint32_t)source.bytes.size());
    }
    SilentDisk& Disk() { return *current; }
    // A new disk in place of the old one.
    SilentDisk& Fresh() {
        current = std::make_unique<SilentDisk>();
        return *current;
    }
};
DecodeWorkspace SilentRunTest::work;

TEST_F(SilentRunTest, EveryEntryIsExtractedAndExistingFilesReplaced) {
    SilentDisk& disk = Disk();
    disk.files["C:\\OUT\\b.txt"] = "old";
    EXPECT_EQ(SilentExtracted,
              Run({{"docs/", ""}, {"docs/a.txt", "alpha"}, {"b.txt", "new"}, {"docs/sub/c.txt", "c"}}));
    EXPECT_EQ(disk.files, (std::map<std::string, std::string>{{"C:\\OUT\\b.txt", "new"},
                                                              {"C:\\OUT\\docs\\a.txt", "alpha"},
                                                              {"C:\\OUT\\docs\\sub\\c.txt", "c"}}));
    EXPECT_EQ(settings.overwriteMode, OverwriteAlways);
}

TEST_F(SilentRunTest, AFailedEntryGivesItsCodeAfterTheRestIsIn) {
    const struct {
        const char* label;
        Entry bad;
    } cases[] = {
        {"damaged data", {"bad.bin", "data", kMethodStored, true}},
        {"a name that leaves the folder", {"../up.txt", "x"}},
        {"an unknown method", {"bad.bin", "data", 2}},
    };
    for (const auto& c : cases) {
        SilentDisk& disk = Fresh();
        disk.files["C:\\OUT\\bad.bin"] = "old";
        EXPECT_EQ(SilentExtractFailed, Run({{"a.txt", "a"}, c.bad})) << c.label;
        EXPECT_EQ(disk.files["C:\\OUT\\a.txt"], "a") << c.label;
        EXPECT_EQ(disk.files["C:\\OUT\\bad.bin"], "old") << c.label;
        EXPECT_EQ(disk.files.size(), 2u) << c.label;
    }
}

TEST_F(SilentRunTest, DiskAndFolderFailures) {
    SilentDisk& disk = Disk();
    disk.files["C:\\OUT\\a.txt"] = "old";
    disk.diskFull = true;
    EXPECT_EQ(SilentExtractFailed, Run({{"a.txt", "new"}}));
    EXPECT_EQ(disk.files["C:\\OUT\\a.txt"], "old");

    SilentDisk& clean = Fresh();
    clean.dirs.clear();
    clean.canMakeFolders = false;
    EXPECT_EQ(SilentExtractFailed, Run({{"a.txt", "new"}}));
    EXPECT_TRUE(clean.files.empty());
}

TEST_F(SilentRunTest, PasswordsComeFromTheCommandLineOnly) {
    SilentDisk& disk = Disk();
    const std::vector<Entry> secret = {{"a.txt", "secret", kMethodStored, false, "pw"}, {"b.txt", "plain"}};
    EXPECT_EQ(SilentNeedsPassword, Run(secret));
    EXPECT_TRUE(disk.files.empty());
    EXPECT_EQ(SilentNeedsPassword, Run(secret, "wrong"));
    EXPECT_TRUE(disk.files.empty());
    EXPECT_EQ(SilentExtracted, Run(secret, "pw"));
    EXPECT_EQ(disk.files["C:\\OUT\\a.txt"], "secret");
}

TEST_F(SilentRunTest, AnArchiveWithNothingToExtract) {
    SilentDisk& disk = Disk();
    EXPECT_EQ(SilentNoArchive, Run({}));
    EXPECT_EQ(SilentNoArchive, Run({{"docs/", ""}}));  // folders only
    EXPECT_EQ(SilentNoArchive, Run({{"a.txt", "a"}, {"", "x"}}));
    EXPECT_EQ(disk.files.size(), 0u);  // a broken header stops the list pass, before anything is written

    // A damaged header leaves the entries behind it unread: refused before
    // anything is written. Fewer bytes than a header are a signature's padding.
    std::vector<uint8_t> second = Archive({{"b.txt", "b"}});
    const std::string lost(second.begin() + kStart, second.end());
    EXPECT_EQ(SilentNoArchive, Run({{"a.txt", "a"}}, "", "X" + lost.substr(1)));
    EXPECT_EQ(disk.files.size(), 0u);
    EXPECT_EQ(SilentNoArchive, Run({{"a.txt", "a"}}, "", std::string(kEntryHeaderSize, '\0')));
    EXPECT_EQ(SilentExtracted, Run({{"a.txt", "a"}}, "", std::string(7, '\0')));
    EXPECT_EQ(disk.files["C:\\OUT\\a.txt"], "a");
}

// The folder that one-file installs unpack into: the name beside the
// folder asked for, every way that folder may be written, and never a cut
// name or a cut access list.
TEST(SilentStaging, NamesAndAccessLists) {
    struct Case {
        const char* base;
        const char* path;  // "" when refused
    } cases[] = {
        {"C:\\Temp\\VarnelSetup", "C:\\Temp\\VarnelSetup.0badf00d"},
        {"C:\\Temp\\VarnelSetup\\\\", "C:\\Temp\\VarnelSetup.0badf00d"},
        {"sub/dir/", "sub/dir.0badf00d"},
        {"R:\\", "R:\\Setup.0badf00d"},
        {"R:", "R:Setup.0badf00d"},
        {"\\", "\\Setup.0badf00d"},
        {"", "Setup.0badf00d"},
    };
    for (const Case& c : cases) {
        char out[kPathCapacity];
        ASSERT_TRUE(StagingPath(c.base, 0x0badf00du, out, sizeof out)) << c.base;
        EXPECT_STREQ(c.path, out) << c.base;
    }
    char out[kPathCapacity];
    const std::string fits(kPathCapacity - 10, 'a'), longer(kPathCapacity - 9, 'a');
    EXPECT_TRUE(StagingPath(fits.c_str(), 0xffffffffu, out, sizeof out));
    EXPECT_EQ(fits + ".ffffffff", out);
    EXPECT_FALSE(StagingPath(longer.c_str(), 1, out, sizeof out));
    EXPECT_FALSE(StagingPath(std::string(kPathCapacity, 'a').c_str(), 1, out, sizeof out));
    EXPECT_FALSE(StagingPath("C:\\", 1, out, 12));  // no room for "Setup" and the digits

    char acl[128];
    ASSERT_TRUE(StagingAcl("S-1-5-21-1-2-3-1001", acl, sizeof acl));
    EXPECT_STREQ("D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", acl);
    EXPECT_FALSE(StagingAcl("S-1-5-21-1-2-3-1001", acl, 60));
    EXPECT_TRUE(IsSystemSid("S-1-5-18"));
    EXPECT_FALSE(IsSystemSid("S-1-5-180"));
    EXPECT_FALSE(IsSystemSid("S-1-5-1"));
}

}  // namespace
