#include <gtest/gtest.h>

#include <vector>

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

// The policy both programs keep: nothing after a line that failed, the
// result last, and a log that did not reach its end reported by Finish.
TEST(RunLog, AFailedLineEndsTheLogAndFinishSaysSo) {
    struct Sink : RunLogSink {
        std::vector<std::string> lines;
        bool opens = true, closes = true;
        size_t refuseAt = 99;
        bool Open(const std::string&) override { return opens; }
        bool Write(const std::string& line) override {
            if (lines.size() == refuseAt) return false;
            lines.push_back(line);
            return true;
        }
        bool Close() override { return closes; }
    };
    Sink whole;
    RunLog a(whole);
    EXPECT_TRUE(a.Finish(0, "nothing opened"));
    ASSERT_TRUE(a.Open("x.log"));
    a.Step("file", "one");
    EXPECT_TRUE(a.Finish(3010, "installed"));
    EXPECT_EQ(whole.lines, (std::vector<std::string>{"file: one", "result: 3010 installed"}));

    Sink cut;
    cut.refuseAt = 1;
    RunLog b(cut);
    ASSERT_TRUE(b.Open("x.log"));
    b.Step("file", "one");
    b.Step("file", "two");
    b.Step("file", "three");
    EXPECT_FALSE(b.Finish(0, "installed"));
    EXPECT_EQ(cut.lines, (std::vector<std::string>{"file: one"}));

    Sink unclosed;
    unclosed.closes = false;
    RunLog c(unclosed);
    ASSERT_TRUE(c.Open("x.log"));
    EXPECT_FALSE(c.Finish(0, "installed"));
    Sink refused;
    refused.opens = false;
    RunLog d(refused);
    EXPECT_FALSE(d.Open("x.log"));
    d.Step("file", "one");
    EXPECT_TRUE(refused.lines.empty());
}
