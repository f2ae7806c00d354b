// The packer as a vendor runs it: names from the file system (UTF-8 here)
// stored in the code page the stub reads, names the stub would refuse
// refused up front, sizes the header cannot hold, -t on damaged files, and
// -x putting only verified files in place.
// Korean literals in this file are code page 949 (the build's character
// set); u8 literals are the UTF-8 names on disk.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Pack.h"

namespace fs = std::filesystem;

namespace {

class PackerCli : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/sxpackerXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the packer in `cwd` (relative to the test folder); the exit code,
    // with stdout and stderr kept.
    int Packer(const std::string& args, const std::string& cwd = "") {
        std::string command = "cd '" + (dir / cwd).string() + "' && '" KIT_PACKER "' " + args + " >'" +
                              (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() + "'";
        int rc = system(command.c_str());
        out = Read(dir / "out.txt");
        err = Read(dir / "err.txt");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    void Write(const fs::path& relative, const std::string& text) {
        fs::create_directories((dir / relative).parent_path());
        std::ofstream(dir / relative, std::ios::binary) << text;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    // The stored names of a self-extracting file, as bytes.
    std::vector<std::string> Names(const std::string& file) {
        std::string bytes = Read(dir / file);
        std::vector<ListedEntry> entries;
        EXPECT_EQ(WalkEnd, ListEntries(std::vector<uint8_t>(bytes.begin(), bytes.end()), kStubSize, entries));
        std::vector<std::string> names;
        for (const ListedEntry& e : entries) names.push_back(e.name);
        return names;
    }

    fs::path dir;
    std::string out, err;
};

TEST_F(PackerCli, KoreanNamesAreStoredInCodePage949AndListedBack) {
    Write(u8"제품/설치.txt", "install");
    Write(u8"제품/문서/안내.txt", "guide");
    Write(u8"제품/readme.txt", "plain");
    ASSERT_EQ(0, Packer("--dirs -o k.exe " + std::string(u8"제품"))) << err;
    EXPECT_EQ(Names("k.exe"), (std::vector<std::string>{"제품\\", "제품\\readme.txt", "제품\\문서\\",
                                                        "제품\\문서\\안내.txt", "제품\\설치.txt"}));
    ASSERT_EQ(0, Packer("-l k.exe"));
    EXPECT_NE(out.find(u8"제품\\문서\\안내.txt"), std::string::npos) << out;
    ASSERT_EQ(0, Packer("-t k.exe")) << err;
    EXPECT_NE(out.find(u8"제품\\설치.txt: ok"), std::string::npos) << out;

    // Another code page, named by the vendor; a character it lacks is
    // refused with the file's name, and nothing is written.
    Write(u8"latin/café.txt", "x");
    ASSERT_EQ(0, Packer("--codepage 1252 -o l.exe latin")) << err;
    EXPECT_EQ(Names("l.exe"), std::vector<std::string>{"latin\\caf\xE9.txt"});
    EXPECT_EQ(1, Packer("-o bad.exe latin"));
    // (Outside the macro, whose text of its arguments is in code page 949.)
    const std::string refused = u8"latin/café.txt: the name cannot be written in code page 949";
    EXPECT_NE(err.find(refused), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "bad.exe"));
    // In code page 932 the second byte of 表 is '\', which the stub would
    // take for a folder.
    Write(u8"jp/表.txt", "x");
    EXPECT_EQ(1, Packer("--codepage 932 -o bad.exe jp"));
    EXPECT_NE(err.find("holds '\\' or '/' in code page 932"), std::string::npos) << err;
    EXPECT_EQ(2, Packer("--codepage 0 -o bad.exe jp"));
}

TEST_F(PackerCli, NamesAreNormalisedAndThoseTheStubRefusesAreRefused) {
    Write("prod/a.txt", "a");
    Write("prod/sub/b.txt", "b");
    // The folder given as "." (or any path that ends in it) has no name of
    // its own: its contents go in at the top.
    ASSERT_EQ(0, Packer("-o ../dot.exe .", "prod")) << err;
    EXPECT_EQ(Names("dot.exe"), (std::vector<std::string>{"a.txt", "sub\\b.txt"}));
    ASSERT_EQ(0, Packer("-o ../dot2.exe sub/.. ./sub/./b.txt", "prod")) << err;
    EXPECT_EQ(Names("dot2.exe"), (std::vector<std::string>{"a.txt", "sub\\b.txt", "b.txt"}));
    ASSERT_EQ(0, Packer("-o dot3.exe ./prod/sub/..")) << err;
    EXPECT_EQ(Names("dot3.exe"), (std::vector<std::string>{"prod\\a.txt", "prod\\sub\\b.txt"}));
    // An absolute input stores names relative to it.
    ASSERT_EQ(0, Packer("-o abs.exe '" + (dir / "prod" / "sub").string() + "'")) << err;
    EXPECT_EQ(Names("abs.exe"), std::vector<std::string>{"sub\\b.txt"});

    // ".." would store names the stub refuses: refused, with the way out.
    EXPECT_EQ(1, Packer("-o ../up.exe ..", "prod/sub"));
    EXPECT_NE(err.find("..: its files would be stored as \"..\\...\""), std::string::npos) << err;
    EXPECT_NE(err.find("name the folder itself, as ../../prod"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "prod" / "up.exe"));

    for (const char* name : {"aux.txt", "com1", "a:b", "...", " . "}) {
        fs::remove_all(dir / "odd");
        Write(fs::path("odd") / name, "x");
        EXPECT_EQ(1, Packer("-o odd.exe odd")) << name;
        EXPECT_NE(err.find(std::string("odd/") + name + ": the self-extractor refuses the name odd\\" + name),
                  std::string::npos)
            << err;
        EXPECT_FALSE(fs::exists(dir / "odd.exe"));
    }
    fs::remove_all(dir / "odd");
    Write("odd/back\\slash.txt", "x");
    EXPECT_EQ(1, Packer("-o odd.exe odd"));
    EXPECT_NE(err.find("odd/back\\slash.txt: a part of the name holds '\\'"), std::string::npos) << err;

    // 257 bytes is the reader's limit.
    fs::remove_all(dir / "odd");
    Write("odd/" + std::string(200, 'a') + "/" + std::string(52, 'b'), "x");
    EXPECT_EQ(0, Packer("-o long.exe odd")) << err;
    Write("odd/" + std::string(200, 'a') + "/" + std::string(53, 'b'), "x");
    EXPECT_EQ(1, Packer("-o long.exe odd"));
    EXPECT_NE(err.find("the stored name is longer than 257 bytes"), std::string::npos) << err;
}

TEST_F(PackerCli, SizesBeyondTheHeaderAreRefusedNotWrapped) {
    // A sparse file one byte past the limit: refused before it is read.
    Write("big/huge.bin", "");
    fs::resize_file(dir / "big" / "huge.bin", kMaxEntrySize + 1);
    EXPECT_EQ(1, Packer("-m stored -o big.exe big"));
    EXPECT_NE(err.find("big/huge.bin: the file is larger than 2147483647 bytes"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "big.exe"));

    // With the encryption header, stored data at the limit would pass it.
    std::vector<uint8_t> entry;
    PackOptions o;
    o.method = kMethodStored;
    RandomBytes none = [](uint8_t*, size_t) {};
    EXPECT_EQ(PackFileTooLarge, MakeEntry("a", nullptr, kMaxEntrySize + 1, 0, o, none, entry));
    o.password = "pw";
    EXPECT_EQ(PackPackedTooLarge, MakeEntry("a", nullptr, kMaxEntrySize - 11, 0, o, none, entry));
    EXPECT_TRUE(entry.empty());
}

TEST_F(PackerCli, TestFailsOnAnyDamageAndNamesTheEntry) {
    Write("t/a.txt", std::string(5000, 'a'));
    Write("t/b.txt", "bee");
    Write("t/c.txt", "sea");
    ASSERT_EQ(0, Packer("-m stored -o good.exe t"));
    ASSERT_EQ(0, Packer("-t good.exe")) << err;
    std::string good = Read(dir / "good.exe");
    auto damaged = [&](const std::string& name, size_t at, uint8_t flip) {
        std::string bytes = good;
        bytes[at] = (char)(bytes[at] ^ flip);
        std::ofstream(dir / name, std::ios::binary) << bytes;
    };
    size_t second = good.find("KZ\x05\x07", kStubSize + 4);
    damaged("data.exe", good.find("bee"), 0x20);  // a byte of b.txt's data
    damaged("header.exe", second, 0x01);          // b.txt's signature: the walk ends there
    damaged("size.exe", kStubSize + 19, 0x01);    // a.txt's declared size
    EXPECT_EQ(1, Packer("-t data.exe"));
    EXPECT_NE(out.find("t\\b.txt: FAILED"), std::string::npos) << out;
    EXPECT_NE(err.find("1 of 3 entries failed: t\\b.txt"), std::string::npos) << err;
    EXPECT_EQ(1, Packer("-t header.exe"));
    EXPECT_NE(err.find("are not an entry"), std::string::npos) << err;
    EXPECT_EQ(1, Packer("-t size.exe"));
    EXPECT_NE(out.find("size differs from the header"), std::string::npos) << out;
    std::ofstream(dir / "tail.exe", std::ios::binary) << good << "junk";
    EXPECT_EQ(1, Packer("-t tail.exe"));
    EXPECT_EQ(0, Packer("-l tail.exe"));  // still listed, with the warning
    EXPECT_NE(err.find("4 bytes at offset"), std::string::npos) << err;
}

// Files whose names start with the extract pass's temporary prefix.
std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().filename().string().rfind("~sx", 0) == 0) found.push_back(e.path().string());
    return found;
}

time_t ModifiedTime(const fs::path& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

TEST_F(PackerCli, ExtractGivesBackBytesAndTimesWithEveryMethod) {
    std::mt19937 rng(20261209);
    std::string big(70000, '\0');  // beyond one 64 KiB block of the decoders and the writer
    for (char& c : big) c = (char)(rng() % 7 + 'a');
    const struct {
        std::string name, data;
        time_t time;  // even: DOS times count two seconds
    } files[] = {
        {"src/top.txt", "alpha", 1700000000},
        {"src/empty.dat", "", 1600000002},
        {"src/sub/deep/big.bin", big, 1500000004},
        {u8"src/문서/안내.txt", "guide", 1400000006},  // stored in code page 949
    };
    for (const auto& f : files) {
        Write(f.name, f.data);
        struct timeval times[2] = {{f.time, 0}, {f.time, 0}};
        ASSERT_EQ(0, utimes((dir / f.name).c_str(), times));
    }
    const char* packs[] = {"-m deflate -o p.exe", "-m lzh -o p.exe", "-m stored --stub-size 0 -o p.exe",
                           "-p secret -o p.exe"};
    for (const char* pack : packs) {
        SCOPED_TRACE(pack);
        fs::remove_all(dir / "out");
        ASSERT_EQ(0, Packer(std::string(pack) + " src")) << err;
        const std::string stub = strstr(pack, "--stub-size 0") ? "--stub-size 0 " : "";
        const std::string password = strstr(pack, "secret") ? "-p secret " : "";
        ASSERT_EQ(0, Packer(stub + password + "-x out/ p.exe")) << err;
        for (const auto& f : files) {
            EXPECT_EQ(f.data, Read(dir / "out" / f.name)) << f.name;
            EXPECT_EQ(f.time, ModifiedTime(dir / "out" / f.name)) << f.name;
        }
        EXPECT_TRUE(Leftovers(dir / "out").empty());
    }

    // An existing file is replaced; the entries before an encrypted one are
    // extracted without the password, which is asked for by name.
    Write("out/src/top.txt", "older and longer");
    EXPECT_EQ(1, Packer("-x out p.exe"));
    EXPECT_NE(err.find("an entry is encrypted: give its password with -p"), std::string::npos) << err;
    EXPECT_EQ(1, Packer("-p wrong -x out p.exe"));
    EXPECT_NE(err.find("the password does not fit"), std::string::npos) << err;
    EXPECT_EQ("older and longer", Read(dir / "out/src/top.txt"));
    ASSERT_EQ(0, Packer("-p secret -x out p.exe")) << err;
    EXPECT_EQ("alpha", Read(dir / "out/src/top.txt"));
    EXPECT_EQ(2, Packer("-x out"));
    EXPECT_EQ(2, Packer("-x out p.exe -o q.exe"));
}

TEST_F(PackerCli, ExtractLeavesNoTargetForDamagedOrUnwritableEntries) {
    Write("t/a.txt", std::string(5000, 'a'));
    Write("t/b.txt", "bee");
    ASSERT_EQ(0, Packer("-m stored -o good.exe t"));
    std::string good = Read(dir / "good.exe");
    std::string data = good;
    data[data.find("bee")] ^= 0x20;
    std::ofstream(dir / "data.exe", std::ios::binary) << data;
    // Room for a header after the last entry: a damaged header, whose
    // entries behind it would be lost.
    std::ofstream(dir / "tail.exe", std::ios::binary) << good << std::string(40, 'j');

    // The damaged entry leaves neither a file nor a temporary one, and an
    // existing target stays as it was; the others are in place.
    Write("old/t/b.txt", "old");
    for (const char* folder : {"new", "old"}) {
        EXPECT_EQ(1, Packer(std::string("-x ") + folder + " data.exe")) << folder;
        EXPECT_NE(err.find("/t/b.txt: damaged (CRC or size check failed)"), std::string::npos) << err;
        EXPECT_NE(err.find("1 of 2 entries not extracted"), std::string::npos) << err;
        EXPECT_EQ(std::string(5000, 'a'), Read(dir / folder / "t/a.txt"));
        EXPECT_TRUE(Leftovers(dir / folder).empty());
    }
    EXPECT_FALSE(fs::exists(dir / "new/t/b.txt"));
    EXPECT_EQ("old", Read(dir / "old/t/b.txt"));

    // Refused before anything is written.
    EXPECT_EQ(1, Packer("-x tail tail.exe"));
    EXPECT_NE(err.find("40 bytes at offset"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "tail"));
    EXPECT_EQ(1, Packer("--stub-size 0 -x none good.exe"));
    EXPECT_NE(err.find("no entries behind the first 0 bytes"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "none"));
    EXPECT_EQ(1, Packer("-x none missing.exe"));
    EXPECT_NE(err.find("cannot read missing.exe"), std::string::npos) << err;

    // A folder where a file goes, and a read-only target, as the stub does.
    Write("blocked/t", "a file, not a folder");
    EXPECT_EQ(1, Packer("-x blocked good.exe"));
    EXPECT_NE(err.find("cannot write blocked/t/a.txt: Not a directory"), std::string::npos) << err;
    Write("ro/t/a.txt", "kept");
    fs::permissions(dir / "ro/t/a.txt", fs::perms::owner_read);
    if (access((dir / "ro/t/a.txt").c_str(), W_OK) != 0) {  // root may write anyway
        EXPECT_EQ(1, Packer("-x ro good.exe"));
        EXPECT_NE(err.find("cannot write ro/t/a.txt"), std::string::npos) << err;
        EXPECT_EQ("kept", Read(dir / "ro/t/a.txt"));
        EXPECT_EQ("bee", Read(dir / "ro/t/b.txt"));
        EXPECT_TRUE(Leftovers(dir / "ro").empty());
    }
}

// A stub program whose only section ends `room` bytes before the archive.
std::string FakeStub(uint32_t room) {
    std::string h(0x400, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = (char)(v >> (8 * i));
    };
    h[0] = 'M', h[1] = 'Z';
    put32(0x3C, 0x80);
    h[0x80] = 'P', h[0x81] = 'E';
    h[0x86] = 1;     // one section
    h[0x94] = 0xE0;  // optional header size
    put32(0x98 + 60, 0x400);
    put32(0x98 + 0xE0 + 16, kStubSize - room - 0x400);  // raw size
    put32(0x98 + 0xE0 + 20, 0x400);                     // raw data at
    return h + std::string(kStubSize - room - 0x400, 'S');
}

TEST_F(PackerCli, RunRecordNamesAPackedFileAndFitsThePadding) {
    Write("d/bin/Setup.exe", "program");
    Write("d/readme.txt", "text");
    Write("stub.exe", FakeStub(100));
    ASSERT_EQ(0, Packer(std::string("-s stub.exe --run D/BIN/SETUP.EXE --silent-dir '%TEMP%\\") +
                        u8"설치' -o r.exe d"))
        << err;
    std::string bytes = Read(dir / "r.exe");
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    RunRecord record;
    ASSERT_EQ(RunRecordFound, ReadFileRunRecord(file, kStubSize, record));
    EXPECT_STREQ("d\\bin\\Setup.exe", record.command);  // as stored
    EXPECT_STREQ("%TEMP%\\설치", record.folder);
    EXPECT_EQ(bytes.substr(0, kStubSize - 100), FakeStub(100).substr(0, kStubSize - 100));
    ASSERT_EQ(0, Packer("-l r.exe")) << err;
    EXPECT_NE(out.find("runs: d\\bin\\Setup.exe\n"), std::string::npos) << out;
    EXPECT_NE(out.find(u8"silent folder: %TEMP%\\설치\n"), std::string::npos) << out;

    // Refused before anything is written.
    const struct {
        const char* args;
        const char* says;
    } refused[] = {
        {"--run setup.exe",
         "--run setup.exe: no packed file is stored under that name (stored: d\\bin\\Setup.exe, "},
        {"--run ../d/readme.txt", "not a name the self-extractor can store and start"},
        {"--run d/bin", "no packed file is stored under that name"},  // a folder
        {"--run d/readme.txt --silent-dir '\xff'", "--silent-dir \xff: not in code page 949"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(1, Packer(std::string("-s stub.exe ") + r.args + " -o no.exe d")) << r.args;
        EXPECT_NE(err.find(r.says), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(dir / "no.exe")) << r.args;
    }
    Write("long/" + std::string(128, 'x'), "x");
    EXPECT_EQ(1, Packer("--run long/" + std::string(128, 'x') + " -o no.exe long"));
    EXPECT_NE(err.find("at most 127 bytes"), std::string::npos) << err;

    // A stub with 20 bytes of padding has room for no record, but packs
    // without one; a record left in a stub's padding is cleared.
    Write("tight.exe", FakeStub(20));
    EXPECT_EQ(1, Packer("-s tight.exe --run d/readme.txt -o no.exe d"));
    EXPECT_NE(
        err.find("leaves 20 bytes of padding before the archive, too few for the run record (22 bytes)"),
        std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(dir / "no.exe"));
    EXPECT_EQ(0, Packer("-s tight.exe -o plain.exe d")) << err;
    Write("used.exe", bytes.substr(0, kStubSize));
    ASSERT_EQ(0, Packer("-s used.exe -o again.exe d")) << err;
    bytes = Read(dir / "again.exe");
    EXPECT_EQ(RunRecordNone,
              ReadFileRunRecord(std::vector<uint8_t>(bytes.begin(), bytes.end()), kStubSize, record));
}

}  // namespace
