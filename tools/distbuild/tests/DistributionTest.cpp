#include <gtest/gtest.h>

#include <map>

#include "Distribution.h"
#include "IniFile.h"
#include "SetupText.h"

namespace {

TEST(IniFile, AnswersLikeTheProfileReader) {
    IniFile ini(
        "; comment\r\n[app]\r\n Name = Varnel \r\nNAME=second\r\n"
        "Quoted=\"a b\"\r\n[Files]\nfile1=x.rar,<INSTALLDIR>\n"
        "[other]\nlong=" +
        std::string(3000, 'x') + "\nnoequals\n");
    EXPECT_EQ(ini.Get("APP", "name", "?"), "Varnel");
    EXPECT_EQ(ini.Get("app", "quoted", "?"), "a b");
    EXPECT_EQ(ini.Get("FILES", "FILE1", "NONE"), "x.rar,<INSTALLDIR>");
    EXPECT_EQ(ini.Get("FILES", "FILE2", "NONE"), "NONE");
    EXPECT_EQ(ini.Get("OTHER", "LONG", "").size(), 2047u);
    EXPECT_EQ(ini.Get("nosection", "name", "d"), "d");
}

TEST(IniFile, TellsUtf8FromCodePage949) {
    EXPECT_TRUE(IsNonAsciiUtf8("NAME=\xEB\xB0\x94"));  // UTF-8 Korean
    EXPECT_FALSE(IsNonAsciiUtf8("NAME=\xB9\xD9"));     // CP949 Korean
    EXPECT_FALSE(IsNonAsciiUtf8("plain ASCII"));
    EXPECT_FALSE(IsNonAsciiUtf8("cut \xEB\xB0"));  // truncated sequence
}

struct FakeFolder : ProductFolder {
    std::map<std::string, uint64_t> files;  // name -> size; a trailing '/' marks a folder
    std::string Find(const std::string& name) const override {
        for (const auto& f : files) {
            std::string n = f.first;
            if (!n.empty() && n.back() == '/') n.pop_back();
            if (UpperAscii(n) == UpperAscii(name)) return f.first;
        }
        return "";
    }
    bool IsDirectory(const std::string& p) const override { return p.back() == '/'; }
    uint64_t Size(const std::string& p) const override { return files.at(p); }
};

TSetupScript Script(std::initializer_list<TFileItem> items) {
    TSetupScript s;
    for (const TFileItem& i : items) s.FileItems[s.FileItemCount++] = i;
    return s;
}

const std::vector<DistFile> kKit = {{DistFile::KitFile, "k/setup.exe", "setup.exe", 100, 0}};

TEST(PlanDistribution, MakesArchivesFromFoldersAndCopiesFiles) {
    FakeFolder p;
    p.files = {{"Program/", 500}, {"readme.txt", 10}, {"DATA.RAR", 70}};
    auto plan = PlanDistribution(Script({{"PROGRAM.RAR", "<INSTALLDIR>", ""},
                                         {"README.TXT", "<INSTALLDIR>", "COPY"},
                                         {"", "", ""},
                                         {"data.rar", "<INSTALLDIR>", "FAILIFEXISTS"},
                                         {"PROGRAM.RAR", "<INSTALLDIR>\\b", ""}}),
                                 p, kKit, 5, 0);
    ASSERT_EQ(plan.error, "");
    ASSERT_EQ(plan.files.size(), 5u);  // kit, script, three distinct sources
    EXPECT_EQ(plan.files[2].kind, DistFile::RarFromFolder);
    EXPECT_EQ(plan.files[2].source, "Program/");
    EXPECT_EQ(plan.files[3].kind, DistFile::CopyFile);
    EXPECT_EQ(plan.files[4].source, "DATA.RAR");
    EXPECT_EQ(plan.disks, 1);
}

TEST(PlanDistribution, NamesWhatTheProductLacks) {
    FakeFolder p;
    p.files = {{"readme.txt/", 10}};
    auto plan = PlanDistribution(Script({{"PROG.RAR", "x", ""}}), p, kKit, 5, 0);
    EXPECT_EQ(plan.error,
              "FILE1 names \"PROG.RAR\", but the product folder has no such file and no "
              "folder \"PROG\" to make it from");
    plan = PlanDistribution(Script({{"README.TXT", "x", "COPY"}}), p, kKit, 5, 0);
    EXPECT_EQ(plan.error, "FILE1 names \"README.TXT\", but the product folder has no such file");
    plan = PlanDistribution(Script({{"..\\up.rar", "x", ""}}), p, kKit, 5, 0);
    EXPECT_NE(plan.error.find("plain file name"), std::string::npos);
}

TEST(PlanDistribution, FillsDiskettesInScriptOrder) {
    FakeFolder p;
    p.files = {{"A.RAR", 800}, {"B.RAR", 900}, {"C.TXT", 50}, {"BIG.RAR", 2000}};
    auto plan = PlanDistribution(Script({{"A.RAR", "x", ""}, {"B.RAR", "x", ""}, {"C.TXT", "x", "COPY"}}), p,
                                 kKit, 5, 1000);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.disks, 2);
    EXPECT_EQ(plan.files[2].disk, 1);  // 105 + 800 fits
    EXPECT_EQ(plan.files[3].disk, 2);
    EXPECT_EQ(plan.files[4].disk, 2);  // 900 + 50 fits behind B
    plan = PlanDistribution(Script({{"BIG.RAR", "x", ""}}), p, kKit, 5, 1000);
    EXPECT_EQ(plan.error, "\"BIG.RAR\" (2000 bytes) does not fit on a diskette of 1000 bytes");
    plan = PlanDistribution(Script({}), p, kKit, 5, 50);
    EXPECT_NE(plan.error.find("first diskette"), std::string::npos);
}

}  // namespace
