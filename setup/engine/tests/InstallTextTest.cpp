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

}  // namespace
