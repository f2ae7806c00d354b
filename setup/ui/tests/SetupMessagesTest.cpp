// The texts of a run that did not complete name what failed, why, and what
// could not be put back.
#include <gtest/gtest.h>

#include <set>

#include "SetupMessages.h"

TEST(SetupMessages, EveryFaultHasItsOwnReasonInTheBoxAndTheRunLog) {
    std::set<std::string> reasons, names;
    for (int f = ifArchiveDamaged; f < ifUnexpected; ++f) {
        const std::string reason = FaultText(static_cast<TInstallFault>(f));
        EXPECT_FALSE(reason.empty()) << f;
        EXPECT_TRUE(reasons.insert(reason).second) << f;
        EXPECT_TRUE(names.insert(FaultName(static_cast<TInstallFault>(f))).second) << f;
    }
    EXPECT_EQ(RunEndLogText({rsFailed, ifSourceMissing, 2, "C:\\dist\\HELP.RAR", ""}),
              "file missing, no one to ask for the next diskette, item 2: C:\\dist\\HELP.RAR");
    EXPECT_EQ(RunEndLogText({rsFailed, ifUnexpected, 0, "", ""}), "unexpected error");
}

TEST(SetupMessages, AFailureNamesItsFileAndReasonAndWhatStayed) {
    TInstallOutcome o{rsFailed, ifDiskFull, 1, "F:\\Varnel\\BIG.DAT", ""};
    EXPECT_EQ(RunEndText(o), std::string(kFailedText) + "\r\n\r\nF:\\Varnel\\BIG.DAT\r\n" +
                                 FaultText(ifDiskFull) +
                                 "\r\n\r\n설치하던 파일은 지우고 설치하기 전의 상태로 되돌렸습니다.");
    o.NotRestored = "C:\\V\\a.exe";
    EXPECT_NE(
        RunEndText(o).find(
            "\r\n\r\n설치하기 전의 상태로 모두 되돌리지 못했습니다. 다음 파일을 확인하세요.\r\nC:\\V\\a.exe"),
        std::string::npos);
    EXPECT_EQ(RunEndText({rsFailed, ifUnexpected, 0, "", ""}),
              std::string(kFailedText) + "\r\n\r\n설치하던 파일은 지우고 설치하기 전의 상태로 되돌렸습니다.");
    EXPECT_EQ(RunEndText({rsCancelled, ifNone, 2, "", ""}), kCancelledText);
    EXPECT_EQ(RunEndText({rsCompleted, ifNone, 0, "", ""}), "");
    EXPECT_EQ(InstallDirText(dcNoSuchDrive, "Q:\\V"), "Q:\\V\r\n\r\nQ: 드라이브가 없습니다.");
    EXPECT_EQ(InstallDirText(dcValid, "C:\\V"), "");
}
