#include <gtest/gtest.h>

#include "CommandLine.h"
#include "SetupSwitches.h"

namespace {

TSetupSwitches Parse(const std::string& cmdline) {
    std::vector<std::string> p = SplitCommandLine("setup.exe " + cmdline);
    p.erase(p.begin());
    return ParseSetupSwitches(p);
}

TEST(SetupSwitches, AdministratorsCommandLines) {
    TSetupSwitches s = Parse("/verysilent /Dir=\"C:\\Program Files\\Varnel\" /LOG=\"C:\\my logs\\v.log\"");
    EXPECT_EQ(s.Mode, Quiet::VerySilent);
    EXPECT_TRUE(s.HasDir);
    EXPECT_EQ(s.Dir, "C:\\Program Files\\Varnel");
    EXPECT_EQ(s.RunLog, "C:\\my logs\\v.log");
    EXPECT_EQ(s.Bad, "");
    EXPECT_FALSE(s.Restart || s.NoRestart || s.Usage || s.Dump);

    // The quieter mode wins whatever the order.
    EXPECT_EQ(Parse("/VERYSILENT /SILENT").Mode, Quiet::VerySilent);
    EXPECT_EQ(Parse("/SILENT").Mode, Quiet::Silent);
    EXPECT_EQ(Parse("").Mode, Quiet::None);
    s = Parse("/SILENT /RESTART /norestart");
    EXPECT_TRUE(s.Restart && s.NoRestart);
    EXPECT_TRUE(Parse("/?").Usage);
}

TEST(SetupSwitches, WhatIsNotUnderstoodIsNamed) {
    EXPECT_EQ(Parse("/SILENT /QUIET /FOO").Bad, "/QUIET");
    EXPECT_EQ(Parse("SILENT").Bad, "SILENT");  // a word without its slash
    EXPECT_EQ(Parse("/SILENTLY").Bad, "/SILENTLY");
    EXPECT_EQ(Parse("/DIR=").Bad, "/DIR=");
    EXPECT_EQ(Parse("/DIR").Bad, "/DIR");
    EXPECT_EQ(Parse("/DIR=C:\\A /DIR=C:\\B").Bad, "/DIR=C:\\B");
    EXPECT_EQ(Parse("/LOG=a /LOG=b").Bad, "/LOG=b");
    EXPECT_EQ(Parse("/LOG=\"\"").Bad, "/LOG=");
    EXPECT_EQ(ParseSetupSwitches({""}).Bad, "\"\"");
}

TEST(SetupSwitches, TheVendorsDumpStays) {
    TSetupSwitches s = Parse("/dump");
    EXPECT_TRUE(s.Dump);
    EXPECT_EQ(s.DumpFile, "");
    s = Parse("/DUMP=\"C:\\out dir\\ini.txt\"");
    EXPECT_TRUE(s.Dump);
    EXPECT_EQ(s.DumpFile, "C:\\out dir\\ini.txt");
}

TEST(SetupSwitches, DirectoryLosesItsTrailingSeparators) {
    EXPECT_EQ(InstallDirFromSwitch("C:\\Apps\\Varnel\\\\"), "C:\\Apps\\Varnel");
    EXPECT_EQ(InstallDirFromSwitch("C:\\"), "C:\\");
    EXPECT_EQ(InstallDirFromSwitch("C:\\\\"), "C:\\");
    EXPECT_EQ(InstallDirFromSwitch("\\\\server\\share\\"), "\\\\server\\share");
    EXPECT_EQ(InstallDirFromSwitch("\\"), "\\");
}

}  // namespace

#ifndef _WIN32
#include <fstream>
#include <sstream>

// The README's table of setup's exit codes lists the program's, in its order.
TEST(SetupExitCodes, TheReadmeListsEachInOrder) {
    std::ifstream readme(KIT_README);
    ASSERT_TRUE(readme) << KIT_README;
    std::vector<std::string> listed, codes;
    std::string line;
    bool inTable = false;
    while (std::getline(readme, line)) {
        if (line == "| exit code | outcome |") {
            inTable = true;
            continue;
        }
        if (inTable && line.rfind("|---", 0) == 0) continue;
        if (inTable && line.rfind("| ", 0) != 0) break;
        if (inTable) listed.push_back(line.substr(2, line.find(" |", 2) - 2));
    }
    for (int i = 0; i < kSetupExitCodeCount; ++i) {
        codes.push_back(std::to_string(kSetupExitCodes[i].Code));
        EXPECT_NE(SetupUsage().find("\r\n" + codes.back() + "\t" + kSetupExitCodes[i].Usage),
                  std::string::npos);
        EXPECT_STREQ(kSetupExitCodes[i].Result, SetupExitText(kSetupExitCodes[i].Code));
    }
    EXPECT_EQ(codes, listed);
    EXPECT_STREQ("", SetupExitText(4));
}
#endif
