#include <gtest/gtest.h>

#include "InstallText.h"

namespace {

TEST(InstallLogBytes, EveryLineEndsWithCrLfAndBytesPassUnchanged) {
    EXPECT_EQ(InstallLogBytes({}), "");
    EXPECT_EQ(InstallLogBytes({"DIR:", "FILE:C:\\\xB9\xD9\xB3\xDA\\a b.txt"}),
              "DIR:\r\nFILE:C:\\\xB9\xD9\xB3\xDA\\a b.txt\r\n");
}

TEST(FileDirectory, KeepsOnlyADriveRootsBackslash) {
    EXPECT_EQ(FileDirectory("C:\\Program Files\\V\\v.exe"), "C:\\Program Files\\V");
    EXPECT_EQ(FileDirectory("C:\\v.exe"), "C:\\");
    EXPECT_EQ(FileDirectory("C:v.exe"), "C:");
    EXPECT_EQ(FileDirectory("v.exe"), "");
    EXPECT_EQ(FileDirectory("\\Group\\x.LNK"), "\\Group");
    EXPECT_EQ(FileDirectory("\\x.LNK"), "\\");
    // A Korean name: the trail bytes must not be taken for separators.
    EXPECT_EQ(FileDirectory("C:\\\xB9\xD9\xB3\xDA\\\xC7\xA5.exe"), "C:\\\xB9\xD9\xB3\xDA");
}

TEST(IsRarName, LooksOnlyAtTheLastExtension) {
    EXPECT_TRUE(IsRarName("DISK1.RAR"));
    EXPECT_TRUE(IsRarName("sub\\disk1.Rar"));
    EXPECT_FALSE(IsRarName("disk1.rar.bak"));
    EXPECT_FALSE(IsRarName("RAR"));
    EXPECT_FALSE(IsRarName("dir.rar\\file"));
    EXPECT_FALSE(IsRarName(""));
}

TEST(AllUsersFolder, ReplacesTheFirstUserSegmentOnly) {
    const std::string programs = "C:\\WINNT\\Profiles\\kim\\Start Menu\\Programs\\";
    EXPECT_EQ(AllUsersFolder(programs, "kim"), "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\");
    EXPECT_EQ(AllUsersFolder("C:\\kim\\kim\\x\\", "kim"), "C:\\All Users\\kim\\x\\");
    EXPECT_EQ(AllUsersFolder(programs, ""), programs);
    EXPECT_EQ(AllUsersFolder(programs, "lee"), programs);
    EXPECT_EQ(AllUsersFolder(programs, "Kim"), programs);  // case matters
    EXPECT_EQ(AllUsersFolder("\\", "kim"), "\\");
}

TEST(QuotedCommandLine, QuotesBothPathsSoBlanksSurvive) {
    EXPECT_EQ(QuotedCommandLine("C:\\Program Files\\V\\VlUnInst.exe", "C:\\Program Files\\V\\INSTALL.LOG"),
              "\"C:\\Program Files\\V\\VlUnInst.exe\" \"C:\\Program Files\\V\\INSTALL.LOG\"");
}

// The directories a user may type or pick: drives A to Z exist except Q.
TEST(CheckInstallDir, AcceptsOnlyAbsolutePathsOfExistingDrivesWithLegalNames) {
    const auto drives = [](char letter) { return letter != 'Q'; };
    const struct {
        const char* dir;
        TDirCheck check;
    } cases[] = {
        {"C:\\Program Files\\Varnel", dcValid},
        {"c:\\", dcValid},
        {"D:\\\xB9\xD9\xB3\xDA\\\x8C\x63", dcValid},  // Korean names
        {"\\\\server\\share\\Varnel", dcValid},
        {"", dcEmpty},
        {"  \t", dcEmpty},
        {"Varnel", dcNotAbsolute},
        {"\\Varnel", dcNotAbsolute},
        {"C:Varnel", dcNotAbsolute},
        {"C:", dcNotAbsolute},
        {" C:\\Varnel", dcNotAbsolute},
        {"1:\\Varnel", dcNotAbsolute},
        {"\\\\server", dcNotAbsolute},
        {"\\\\server\\", dcNotAbsolute},
        {"\\\\\\share", dcNotAbsolute},
        {"C:\\Var:nel", dcBadCharacter},
        {"C:\\Var*", dcBadCharacter},
        {"C:\\a/b", dcBadCharacter},
        {"C:\\a\"b", dcBadCharacter},
        {"C:\\a\tb", dcBadCharacter},
        {"\\\\server\\share\\a?", dcBadCharacter},
        {"Q:\\Varnel", dcNoSuchDrive},
        {"q:\\Varnel", dcNoSuchDrive},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckInstallDir(c.dir, drives), c.check) << c.dir;
    // The uninstaller and INSTALL.LOG must fit below MAX_PATH.
    EXPECT_EQ(CheckInstallDir("C:\\" + std::string(kInstallDirMax - 3, 'a'), drives), dcValid);
    EXPECT_EQ(CheckInstallDir("C:\\" + std::string(kInstallDirMax - 2, 'a'), drives), dcTooLong);
}

}  // namespace
