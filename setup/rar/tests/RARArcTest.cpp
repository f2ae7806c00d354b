// TRAR against archives that rar made at build time (make-archives.sh). The
// same cases run natively over Debian's libunrar and under Wine over our
// unrar.dll, so entry names are written with '/' and turned native here.
#include "RARArc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
const char kSep = '\\';
#else
const char kSep = '/';
#endif

std::string Native(std::string p) {
    for (char& c : p)
        if (c == '/') c = kSep;
#if defined(_WIN32)
    if (!p.empty() && p[0] == kSep) p = "Z:" + p;  // where Wine shows the host's files
#endif
    return p;
}

std::string Archive(const char* name) { return Native(std::string(RAR_ARCHIVES) + "/" + name); }

std::string Finding(const char* name) { return Native(std::string(RAR_FINDINGS) + "/" + name); }

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Every event the component raises, as one line each, in order. Data blocks
// are kept apart (one line per entry would drown the sequence).
struct Recorder {
    std::vector<std::string> log;
    std::vector<std::pair<std::string, std::vector<int32_t>>> positions;
    std::string password;  // what OnReqPassword answers
    std::vector<std::string> seenPasswords;

    static std::string Name(const RARHeaderData& h) {
        std::string n(h.FileName);
        for (char& c : n)
            if (c == '\\') c = '/';
        return n;
    }

    void Attach(TRAR& rar) {
        rar.OnError = [this](TRAR*, int32_t e) { log.push_back("error " + std::to_string(e)); };
        rar.OnComment = [this](TRAR*, TComment& c) {
            log.push_back("comment " + std::to_string(c.CmtSize) + " " + c.CmtBuf);
        };
        rar.OnExtracting = [this](TRAR* s, RARHeaderData& h) {
            EXPECT_EQ(s, ActiveRAR);
            log.push_back("extracting " + Name(h));
            positions.push_back({Name(h), {}});
        };
        rar.OnExtract = [this](TRAR*, RARHeaderData& h, bool ok) {
            log.push_back("extract " + Name(h) + (ok ? " ok" : " failed"));
        };
        rar.OnProcessData = [this](TRAR* s, unsigned char*, int32_t size, int32_t pos) {
            EXPECT_GT(size, 0);
            EXPECT_EQ(pos, s->ProcessedBytes);
            if (!positions.empty()) positions.back().second.push_back(pos);
            return 1;
        };
        rar.OnVolumeChange = [this](TRAR*, char* name, int32_t mode) {
            std::string n = fs::path(name).filename().string();
            log.push_back("volume " + n + " " + std::to_string(mode));
            return mode == RAR_VOL_NOTIFY ? 1 : 0;
        };
        rar.OnReqPassword = [this](TRAR*, RARHeaderData& h, std::string& p) {
            log.push_back("password " + Name(h));
            seenPasswords.push_back(p);
            p = password;
        };
        rar.OnListFile = [this](TRAR*, RARHeaderData& h) { log.push_back("list " + Name(h)); };
        rar.OnTesting = [this](TRAR*, RARHeaderData& h) { log.push_back("testing " + Name(h)); };
        rar.OnTested = [this](TRAR*, RARHeaderData& h, bool ok) {
            log.push_back("tested " + Name(h) + (ok ? " ok" : " failed"));
        };
    }
};

using Lines = std::vector<std::string>;

const Lines kPlainAll = {
    "extracting readme.txt",  "extract readme.txt ok",      "extracting bin/app.exe",
    "extract bin/app.exe ok", "extracting bin/app.exe.bak", "extract bin/app.exe.bak ok",
    "extracting APP.EXE",     "extract APP.EXE ok",         "extracting docs/empty",
    "extract docs/empty ok",
};

class RARArc : public ::testing::Test {
protected:
    TRAR rar;
    Recorder rec;
    std::string target;

    void SetUp() override {
        static bool printed = false;
        if (!printed) {
            printed = true;
            std::printf("archives made with rar %s", ReadFile(Archive("rar-version.txt")).c_str());
        }
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        target = Native(std::string(RAR_WORK) + "/" + info->name());
        fs::remove_all(target);
        fs::create_directories(target);
        rec.Attach(rar);
    }

    std::string Out(const char* entry) { return target + kSep + Native(entry); }
};

TEST_F(RARArc, EmptyArchiveNameFailsWithoutTouchingTheLibrary) {
    TRAR other;
    ActiveRAR = &other;
    EXPECT_FALSE(rar.ExtractArchive("", target, false));
    EXPECT_EQ(rec.log, Lines({"error 13"}));
    EXPECT_EQ(ActiveRAR, &other);  // not even taken over
}

TEST_F(RARArc, UnopenableArchivesReportTheOpenCodeOnly) {
    EXPECT_FALSE(rar.ExtractArchive(Archive("missing.rar"), target, false));
    EXPECT_FALSE(rar.ExtractArchive(Archive("rar-version.txt"), target, false));
    EXPECT_EQ(rec.log,
              Lines({"error " + std::to_string(ERAR_EOPEN), "error " + std::to_string(ERAR_BAD_ARCHIVE)}));
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(RARArc, ExtractsEveryEntryWithBlocksCountedPerEntry) {
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, kPlainAll);  // no comment, no error at the normal end
    EXPECT_EQ(ActiveRAR, &rar);
    EXPECT_EQ(rar.ArchiveName, Archive("plain.rar"));
    EXPECT_EQ(rar.TargetDir, target);

    EXPECT_EQ(ReadFile(Out("readme.txt")), "Read me first.\n");
    EXPECT_EQ(fs::file_size(Out("bin/app.exe")), 300000u);
    EXPECT_EQ(ReadFile(Out("APP.EXE")), "top level\n");
    EXPECT_TRUE(fs::is_directory(Out("docs/empty")));

    // Position restarts with each entry and ends at its unpacked size.
    const std::vector<std::pair<std::string, int32_t>> sizes = {
        {"readme.txt", 15}, {"bin/app.exe", 300000}, {"bin/app.exe.bak", 4000}, {"APP.EXE", 10}};
    ASSERT_EQ(rec.positions.size(), 5u);
    for (size_t i = 0; i < sizes.size(); i++) {
        const auto& [name, blocks] = rec.positions[i];
        EXPECT_EQ(name, sizes[i].first);
        EXPECT_EQ(blocks, std::vector<int32_t>({sizes[i].second})) << name;
    }
    EXPECT_TRUE(rec.positions[4].second.empty());  // a directory has no data

    // An entry past the library's write window comes in several blocks.
    rec.positions.clear();
    EXPECT_TRUE(rar.ExtractArchive(Archive("large.rar"), target, false));
    ASSERT_EQ(rec.positions.size(), 1u);
    const std::vector<int32_t>& blocks = rec.positions[0].second;
    EXPECT_GT(blocks.size(), 1u);
    EXPECT_EQ(blocks.back(), int32_t(fs::file_size(Out("large.txt"))));
    EXPECT_EQ(rar.ProcessedBytes, blocks.back());
}

TEST_F(RARArc, CommentIsRaisedOnceBeforeTheEntries) {
    EXPECT_TRUE(rar.ExtractArchive(Archive("comment.rar"), target, false));
    const std::string text = "Product archive\r\nsecond line";
    EXPECT_EQ(rec.log, Lines({"comment " + std::to_string(text.size() + 1) + " " + text,
                              "extracting readme.txt", "extract readme.txt ok"}));
}

TEST_F(RARArc, SelectionFindsTheEntryNameInsideATargetPath) {
    // A full target path selects bin/app.exe and APP.EXE but not app.exe.bak.
    rar.FilesToExtract = {target + kSep + "BIN" + kSep + "APP.EXE"};
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting bin/app.exe", "extract bin/app.exe ok", "extracting APP.EXE",
                              "extract APP.EXE ok"}));
    EXPECT_FALSE(fs::exists(Out("readme.txt")));
    EXPECT_FALSE(fs::exists(Out("bin/app.exe.bak")));
}

TEST(RARNameSelected, FoldsAsciiOnlyAndSearchesTheNameInTheListString) {
    TStringList list = {"C:\\PROG\\BIN\\APP.EXE"};
    EXPECT_TRUE(RARNameSelected(list, "bin\\app.exe"));
    EXPECT_TRUE(RARNameSelected(list, "APP.EXE"));
    EXPECT_FALSE(RARNameSelected(list, "APP.EXE.BAK"));
    EXPECT_FALSE(RARNameSelected(list, ""));
    // Only a-z fold: bytes of other characters must match as they are.
    TStringList accented = {"\xC3\xA9T\xC3\xA9.TXT"};
    EXPECT_TRUE(RARNameSelected(accented, "\xC3\xA9t\xC3\xA9.txt"));
    EXPECT_FALSE(RARNameSelected(accented, "\xC3\x89T\xC3\x89.TXT"));
    // The list scan goes on past strings that do not hold the name.
    TStringList two = {"A.TXT", "B.TXT"};
    EXPECT_TRUE(RARNameSelected(two, "b.txt"));
}

// Korean names whose second bytes look like ASCII letters: \x8C\x63 and
// \x8C\x43 are two different syllables, and \x63 inside the first is no "c".
TEST(RARNameSelected, KoreanCharactersAreNeitherFoldedNorSplit) {
    EXPECT_FALSE(RARNameSelected({"\x8C\x43.TXT"}, "\x8C\x63.txt"));
    EXPECT_TRUE(RARNameSelected({"\x8C\x63.TXT"}, "\x8C\x63.txt"));
    EXPECT_FALSE(RARNameSelected({"\x8C\x63.TXT"}, "c.txt"));
    EXPECT_TRUE(RARNameSelected({"\x8C\x63\x43.TXT"}, "c.txt"));
}

TEST_F(RARArc, FailifExistsLeavesExistingFilesOutSilently) {
    fs::create_directories(Out("bin"));
    std::ofstream(Out("readme.txt")) << "mine";
    std::ofstream(Out("bin/app.exe.bak")) << "mine too";
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, true));
    EXPECT_EQ(rec.log, Lines({"extracting bin/app.exe", "extract bin/app.exe ok", "extracting APP.EXE",
                              "extract APP.EXE ok", "extracting docs/empty", "extract docs/empty ok"}));
    EXPECT_EQ(ReadFile(Out("readme.txt")), "mine");
    EXPECT_EQ(ReadFile(Out("bin/app.exe.bak")), "mine too");

    // Without the flag the same files are overwritten.
    rec.log.clear();
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, kPlainAll);
    EXPECT_EQ(ReadFile(Out("readme.txt")), "Read me first.\n");

    // With no target directory the library extracts into the current one,
    // and that is where an existing file must be looked for.
    fs::remove_all(Out("bin"));
    fs::remove(Out("APP.EXE"));
    const fs::path cwd = fs::current_path();
    fs::current_path(target);
    rec.log.clear();
    rar.FilesToExtract = {"README.TXT APP.EXE"};
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), "", true));
    fs::current_path(cwd);
    EXPECT_EQ(rec.log, Lines({"extracting APP.EXE", "extract APP.EXE ok"}));
    EXPECT_FALSE(fs::exists(Out("bin")));
}

TEST_F(RARArc, PasswordIsAskedPerEncryptedEntryAndRemembered) {
    rec.password = "secret";
    EXPECT_TRUE(rar.ExtractArchive(Archive("encrypted.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "password readme.txt", "extract readme.txt ok",
                              "extracting bin/app.exe.bak", "password bin/app.exe.bak",
                              "extract bin/app.exe.bak ok"}));
    EXPECT_EQ(rec.seenPasswords, Lines({"", "secret"}));
    EXPECT_EQ(ReadFile(Out("readme.txt")), "Read me first.\n");
}

TEST_F(RARArc, MissingOrWrongPasswordEndsTheRun) {
    // No handler at all, and a handler that gives nothing: the library gets no
    // password and the run ends at the first entry.
    const Lines missing = {"extracting readme.txt", "extract readme.txt failed",
                           "error " + std::to_string(ERAR_MISSING_PASSWORD)};
    rar.OnReqPassword = nullptr;
    EXPECT_FALSE(rar.ExtractArchive(Archive("encrypted.rar"), target, false));
    EXPECT_EQ(rec.log, missing);

    rec.Attach(rar);
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("encrypted.rar"), target, false));
    EXPECT_EQ(rec.log[0], "extracting readme.txt");
    EXPECT_EQ(rec.log[1], "password readme.txt");
    EXPECT_EQ(Lines(rec.log.begin() + 2, rec.log.end()), Lines(missing.begin() + 1, missing.end()));

    rec.log.clear();
    rec.password = "wrong";
    EXPECT_FALSE(rar.ExtractArchive(Archive("encrypted.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "password readme.txt", "extract readme.txt failed",
                              "error " + std::to_string(ERAR_BAD_PASSWORD)}));
    EXPECT_FALSE(fs::exists(Out("bin/app.exe.bak")));
}

TEST_F(RARArc, EncryptedHeadersCannotBeOpenedWithoutAPassword) {
    EXPECT_FALSE(rar.ExtractArchive(Archive("hidden.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"error " + std::to_string(ERAR_MISSING_PASSWORD)}));
}

TEST_F(RARArc, VolumesAreFollowedAndAMissingOneEndsTheRun) {
    EXPECT_TRUE(rar.ExtractArchive(Archive("vol.part1.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting big.dat", "volume vol.part2.rar 1", "extract big.dat ok",
                              "extracting readme.txt", "extract readme.txt ok"}));
    EXPECT_EQ(fs::file_size(Out("big.dat")), 200000u);
    EXPECT_EQ(rec.positions[0].second.back(), 200000);

    // Without a handler the library opens the next volume by itself.
    rar.OnVolumeChange = nullptr;
    rec.log.clear();
    EXPECT_TRUE(rar.ExtractArchive(Archive("vol.part1.rar"), target, false));
    EXPECT_EQ(rec.log.size(), 4u);

    rec.Attach(rar);
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("lonely.part1.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting big.dat", "volume lonely.part2.rar 0", "extract big.dat failed",
                              "error " + std::to_string(ERAR_EOPEN)}));
}

TEST_F(RARArc, BadDataFailsTheEntryAndGoesOn) {
    EXPECT_FALSE(rar.ExtractArchive(Archive("baddata.rar"), target, false));
    Lines expected = kPlainAll;
    expected[3] = "extract bin/app.exe failed";
    expected.insert(expected.begin() + 4, "error " + std::to_string(ERAR_BAD_DATA));
    EXPECT_EQ(rec.log, expected);
    EXPECT_EQ(ReadFile(Out("APP.EXE")), "top level\n");
}

TEST_F(RARArc, BrokenHeaderOrTruncationEndsTheRunWithAnError) {
    // The library passes over the entry whose header is broken and tells of
    // it only at the end.
    EXPECT_FALSE(rar.ExtractArchive(Archive("badheader.rar"), target, false));
    Lines expected(kPlainAll.begin() + 2, kPlainAll.end());
    expected.push_back("error " + std::to_string(ERAR_BAD_DATA));
    EXPECT_EQ(rec.log, expected);
    EXPECT_FALSE(fs::exists(Out("readme.txt")));

    // Cut between entries: the library notices the missing end when it looks
    // past the last whole entry, and fails that entry with its warning code.
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("cutheader.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "extract readme.txt ok", "extracting bin/app.exe",
                              "extract bin/app.exe failed", "error " + std::to_string(ERAR_UNKNOWN)}));

    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("truncated.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "extract readme.txt ok", "extracting bin/app.exe",
                              "extract bin/app.exe failed", "error " + std::to_string(ERAR_BAD_DATA)}));
}

TEST_F(RARArc, UnwritableTargetFailsEachEntryAndGoesOn) {
    std::ofstream(target + kSep + "file") << "x";
    std::string blocked = target + kSep + "file" + kSep + "sub";
    EXPECT_FALSE(rar.ExtractArchive(Archive("plain.rar"), blocked, false));
    Lines expected;
    for (const char* n : {"readme.txt", "bin/app.exe", "bin/app.exe.bak", "APP.EXE", "docs/empty"}) {
        expected.push_back(std::string("extracting ") + n);
        expected.push_back(std::string("extract ") + n + " failed");
        expected.push_back("error " + std::to_string(ERAR_ECREATE));
    }
    EXPECT_EQ(rec.log, expected);
}

TEST_F(RARArc, StopEndsTheRunAtTheNextEntryAndIsCleared) {
    auto data = rar.OnProcessData;
    rar.OnProcessData = [&](TRAR* s, unsigned char* a, int32_t n, int32_t p) {
        s->Stop = true;
        return data(s, a, n, p);
    };
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, Lines(kPlainAll.begin(), kPlainAll.begin() + 2));
    EXPECT_FALSE(rar.Stop);

    rar.OnProcessData = data;
    auto extracting = rar.OnExtracting;
    rar.OnExtracting = [&](TRAR* s, RARHeaderData& h) {
        extracting(s, h);
        if (Recorder::Name(h) == "bin/app.exe") s->Stop = true;
    };
    rec.log.clear();
    EXPECT_TRUE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, Lines(kPlainAll.begin(), kPlainAll.begin() + 4));
    EXPECT_FALSE(rar.Stop);

    // A stop ends the run without hiding an earlier failure.
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("baddata.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "extract readme.txt ok", "extracting bin/app.exe",
                              "extract bin/app.exe failed", "error " + std::to_string(ERAR_BAD_DATA)}));
    EXPECT_FALSE(rar.Stop);

    // Answering a block with 0 is the library's cancel: the entry fails and
    // the code it gives ends the run.
    rar.OnExtracting = extracting;
    rar.OnProcessData = [](TRAR*, unsigned char*, int32_t, int32_t) { return 0; };
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("plain.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "extract readme.txt failed",
                              "error " + std::to_string(ERAR_UNKNOWN)}));
}

TEST_F(RARArc, ListAndTestRunsWriteNothing) {
    rar.ArchiveName = Archive("plain.rar");
    EXPECT_TRUE(rar.List());
    EXPECT_EQ(rec.log, Lines({"list readme.txt", "list bin/app.exe", "list bin/app.exe.bak", "list APP.EXE",
                              "list docs/empty"}));

    rec.log.clear();
    rar.ArchiveName = Archive("baddata.rar");
    rar.FilesToTest = {"BIN/APP.EXE", "BIN\\APP.EXE"};
    EXPECT_FALSE(rar.Test());
    EXPECT_EQ(rec.log,
              Lines({"testing bin/app.exe", "tested bin/app.exe failed",
                     "error " + std::to_string(ERAR_BAD_DATA), "testing APP.EXE", "tested APP.EXE ok"}));
    EXPECT_TRUE(fs::is_empty(target));
}

// Everything under a folder, as relative paths with '/'.
std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        all.insert(fs::relative(e.path(), dir).generic_string());
    return all;
}

// Paths whose names carry the hostile archives' marker, under root (only its
// own entries unless deep); folders for which skip is true are not entered.
void FindMarked(const fs::path& root, bool deep, std::vector<std::string>& found,
                const std::function<bool(const fs::path&)>& skip = nullptr) {
    const fs::path::string_type marker = fs::path("kitesc").native();
    auto marked = [&](const fs::path& p) { return p.filename().native().find(marker) != p.native().npos; };
    std::error_code ec;
    const auto opts = fs::directory_options::skip_permission_denied;
    if (!deep) {
        for (fs::directory_iterator it(root, opts, ec), end; !ec && it != end; it.increment(ec))
            if (marked(it->path())) found.push_back(it->path().generic_string());
        return;
    }
    for (fs::recursive_directory_iterator it(root, opts, ec), end; !ec && it != end; it.increment(ec)) {
        if (skip && skip(it->path())) {
            it.disable_recursion_pending();
        } else if (marked(it->path())) {
            found.push_back(it->path().generic_string());
        }
    }
}

struct Entry {
    std::string name;  // as the owner sees it, with '/'
    bool written;
};

// Archives whose entries would be written outside the target, made by
// hostile-archives.py: each such entry is refused before anything is written
// and fails the run; the others are extracted; and nothing of the marked
// names exists anywhere else afterwards: in the test's temporary root, at the
// top of each drive and, under Wine, anywhere on drive C. On
// Windows the library itself turns ':' into '_' in the names it reports, so
// those entries arrive harmless and are extracted under the new name.
TEST_F(RARArc, EntriesThatWouldLeaveTheTargetAreRefused) {
    const std::vector<std::pair<const char*, std::vector<Entry>>> archives = {
        {"names5.rar",
         {{"good1.txt", true},
          {"/kitesc-abs.txt", false},
          {"C:/kitesc-drive.txt", false},
          {"//srv/share/kitesc-unc.txt", false},
          {"../kitesc-up.txt", false},
          {"sub/../../kitesc-up2.txt", false},
          {".. /kitesc-dots.txt", false},
          {"good1.txt:kitesc-ads", false},
          {"CON", false},
          {"nul.txt", false},
          {"Com1.log", false},
          {"lpt9", false},
          {"aux .txt", false},
          {"good2.txt", true}}},
        {"names4.rar",
         {{"good1.txt", true},
          {"/kitesc-abs.txt", false},
          {"C:/kitesc-drive.txt", false},
          {"C:kitesc-drive2.txt", false},
          {"//srv/share/kitesc-unc.txt", false},
          {"../kitesc-up.txt", false},
          {"sub/../../kitesc-up2.txt", false},
          {"good1.txt:kitesc-ads", false},
          {"PRN", false},
          {"NUL.TXT", false},
          {"lpt1.dat", false},
          {"sub/com9", false},
          {"good2.txt", true}}},
        // Unix and Windows symbolic links, a junction, a hard link, a file copy.
        {"links5.rar",
         {{"good1.txt", true},
          {"kitesc-sym", false},
          {"kitesc-wsym", false},
          {"kitesc-junc", false},
          {"hard1.txt", true},
          {"kitesc-hard.txt", false},
          {"copy1.txt", true},
          {"kitesc-copy.txt", false},
          {"good2.txt", true}}},
        // A Unix link and a Windows entry with the reparse-point attribute.
        {"links4.rar",
         {{"good1.txt", true}, {"kitesc-sym", false}, {"kitesc-reparse", false}, {"good2.txt", true}}},
    };
    for (const auto& [archive, entries] : archives) {
        SCOPED_TRACE(archive);
        fs::remove_all(target);
        fs::create_directories(target);
        rec.log.clear();
        EXPECT_FALSE(rar.ExtractArchive(Archive(archive), target, false));

        Lines expected;
        std::set<std::string> written;
        for (Entry e : entries) {
#if defined(_WIN32)
            if (e.name.find(':') != std::string::npos) {
                for (char& c : e.name)
                    if (c == ':') c = '_';
                e.written = true;
                for (size_t slash = e.name.find('/'); slash != std::string::npos;
                     slash = e.name.find('/', slash + 1))
                    written.insert(e.name.substr(0, slash));
            }
#endif
            if (e.written) {
                expected.push_back("extracting " + e.name);
                expected.push_back("extract " + e.name + " ok");
                written.insert(e.name);
            } else {
                expected.push_back("extract " + e.name + " failed");
                expected.push_back("error " + std::to_string(kRarRefusedEntry));
            }
        }
        EXPECT_EQ(rec.log, expected);
        EXPECT_EQ(Listing(target), written);
    }

    // A probe outside the target shows that the search can see.
    std::ofstream(Native(std::string(RAR_WORK) + "/kitesc-probe")) << "probe";
    std::vector<std::string> outside;
    const fs::path targetPath = target;
    FindMarked(Native(RAR_WORK), true, outside, [&](const fs::path& p) { return p == targetPath; });
    FindMarked(fs::current_path(), false, outside);
#if defined(_WIN32)
    // Wine links the profile's shell folders to the host's home folder,
    // which is not part of the drive.
    const std::set<fs::path> linked = {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"};
    FindMarked("C:\\", true, outside, [&](const fs::path& p) {
        return p.parent_path().parent_path() == "C:\\users" && linked.count(p.filename());
    });
    FindMarked("Z:\\", false, outside);
#else
    FindMarked("/", false, outside);
#endif
    fs::remove(Native(std::string(RAR_WORK) + "/kitesc-probe"));
    EXPECT_EQ(outside, Lines({fs::path(Native(std::string(RAR_WORK) + "/kitesc-probe")).generic_string()}));

    // Selection and FailifExists come after the check: a listed hostile entry
    // is refused even when a file of its name exists, an unlisted one is
    // passed over in silence.
    fs::remove_all(target);
    fs::create_directories(target);
    rec.log.clear();
    rar.FilesToExtract = {"..\\KITESC-UP.TXT ../kitesc-up.txt GOOD2.TXT"};
    std::ofstream(Native(std::string(RAR_WORK) + "/kitesc-up.txt")) << "mine";
    EXPECT_FALSE(rar.ExtractArchive(Archive("names5.rar"), target, true));
    fs::remove(Native(std::string(RAR_WORK) + "/kitesc-up.txt"));
    EXPECT_EQ(rec.log, Lines({"extract ../kitesc-up.txt failed", "error " + std::to_string(kRarRefusedEntry),
                              "extracting good2.txt", "extract good2.txt ok"}));
}

// The library's narrow names are a best-fit guess ("é" becomes "e", the won
// sign a backslash), so these entries would overwrite the look-alike files a
// user keeps, and a log written by narrow name would later delete them. They
// are refused before anything is written, named with '?', listed as inexact.
TEST_F(RARArc, NamesWithoutAnExactSpellingAreRefused) {
    const std::vector<std::pair<const char*, const char*>> mine = {
        {"cafe.txt", "mine 1"}, {"Data/uni.dat", "mine 2"}, {"a/b.txt", "mine 3"}};
    for (const auto& [name, bytes] : mine) {
        fs::create_directories(fs::path(Out(name)).parent_path());
        std::ofstream(Out(name), std::ios::binary) << bytes;
    }
    rar.OnListFile = [this](TRAR* r, RARHeaderData& h) {
        rec.log.push_back("list " + Recorder::Name(h) + (r->NameExact ? "" : " inexact"));
    };
    rar.ArchiveName = Archive("lookalike.rar");
    EXPECT_TRUE(rar.List());
    const std::string refused = "error " + std::to_string(kRarRefusedEntry);
    EXPECT_EQ(rec.log, Lines({"list plain.txt", "list caf?.txt inexact", "list Data/?n?.dat inexact",
                              "list a?b.txt inexact"}));
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Archive("lookalike.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting plain.txt", "extract plain.txt ok", "extract caf?.txt failed", refused,
                              "extract Data/?n?.dat failed", refused, "extract a?b.txt failed", refused}));
    for (const auto& [name, bytes] : mine) EXPECT_EQ(bytes, ReadFile(Out(name))) << name;
    EXPECT_EQ(Listing(target), std::set<std::string>({"plain.txt", "cafe.txt", "Data", "Data/uni.dat", "a",
                                                      "a/b.txt"}));
}

// Inputs with which rar_arc_fuzz broke earlier versions of the UnRAR library,
// kept as found. With library-crash-password.rar (202 bytes) the library,
// once given a password, read out of bounds: its entry names a key-derivation
// count that the library does not support, and it went on decrypting with a
// cipher it never keyed; the library now refuses the entry as of an unknown
// format before it asks. library-crash-metadata.rar (52 bytes) crashed the
// library at open: its main header carries an original-name record of
// length 0. library-oom-dictionary.rar
// (268 bytes) names a 4 GiB dictionary, which the library allocates and clears
// before it reads any data.
TEST_F(RARArc, FuzzFindingsEndWithAnError) {
    rar.OnProcessData = nullptr;  // the library hands over empty blocks of damaged data
    rec.password = "pw";
    const std::string bad = "error " + std::to_string(ERAR_BAD_DATA);
    EXPECT_FALSE(rar.ExtractArchive(Finding("library-crash-password.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({"extracting readme.txt", "extract readme.txt failed",
                              "error " + std::to_string(ERAR_UNKNOWN_FORMAT)}));
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Finding("library-crash-metadata.rar"), target, false));
    EXPECT_EQ(rec.log, Lines({bad}));
    rec.log.clear();
    EXPECT_FALSE(rar.ExtractArchive(Finding("library-oom-dictionary.rar"), target, false));
    // A 32-bit process cannot have the dictionary; a 64-bit one finds bad data.
    if (sizeof(void*) == 4)
        EXPECT_EQ(rec.log,
                  Lines({"extracting }", "extract } failed", "error " + std::to_string(ERAR_NO_MEMORY)}));
    else
        EXPECT_EQ(rec.log, Lines({"extracting }", "extract } failed", bad, bad}));
}

}  // namespace
