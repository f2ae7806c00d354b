#include <gtest/gtest.h>

#include "CommandLine.h"
#include "RunLog.h"

using Lines = std::vector<std::string>;

TEST(CommandLine, SplitsLikeTheRunTime) {
    EXPECT_EQ(SplitCommandLine("\"C:\\A B\\VlUnInst.exe\" C:\\A B\\INSTALL.LOG"),
              (Lines{"C:\\A B\\VlUnInst.exe", "C:\\A", "B\\INSTALL.LOG"}));
    EXPECT_EQ(SplitCommandLine("x.exe \"C:\\A B\\INSTALL.LOG\"\t "),
              (Lines{"x.exe", "C:\\A B\\INSTALL.LOG"}));
    // Quotes inside a parameter group and vanish; a lone "" is no parameter.
    EXPECT_EQ(SplitCommandLine("x.exe C:\\\"A B\"\\L \"\" y"), (Lines{"x.exe", "C:\\A B\\L", "y"}));
    EXPECT_EQ(SplitCommandLine("x.exe \"C:\\open"), (Lines{"x.exe", "C:\\open"}));
    EXPECT_TRUE(SplitCommandLine("   ").empty());
    EXPECT_EQ(SplitCommandLine("x /LOG=\"C:\\my log.txt\""), (Lines{"x", "/LOG=C:\\my log.txt"}));
}

TEST(CommandLine, SwitchesInAnyLetterCaseOnly) {
    EXPECT_TRUE(IsSwitch("/VerySilent", "/VERYSILENT"));
    EXPECT_FALSE(IsSwitch("/VERYSILENTX", "/VERYSILENT"));
    // Only ASCII letters fold: a trail byte of a Korean character is no letter.
    EXPECT_FALSE(IsSwitch("/s\xB0", "/S\xB0x"));
    std::string v = "old";
    EXPECT_TRUE(IsValueSwitch("/log=", "/LOG=", &v));
    EXPECT_EQ(v, "");
    EXPECT_TRUE(IsValueSwitch("/Log=C:\\a b", "/LOG=", &v));
    EXPECT_EQ(v, "C:\\a b");
    EXPECT_FALSE(IsValueSwitch("/LO", "/LOG=", &v));
}

TEST(RunLog, OneLinePerStep) { EXPECT_EQ(RunLogLine("file", "C:\\a\r\nb\tc"), "file: C:\\a  b c"); }
