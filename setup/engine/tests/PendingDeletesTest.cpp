#include "PendingDeletes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

// Only the deletions of the paths written go; renames, other deletions and
// a malformed tail stay; putting them back restores what the system runs.
TEST(PendingDeletes, OnlyTheWrittenPathsDeletionsAreWithdrawnAndComeBack) {
    const std::string list = "\\??\\C:\\V\\a.dll\0\0"s
                             "\\??\\C:\\V\\new.dll\0\\??\\C:\\V\\b.dll\0"s
                             "\\??\\C:\\Other\\x.dll\0\0"s
                             "\\??\\C:\\V\\B.DLL\0\0"s
                             "\0"s;
    EXPECT_EQ(PendingDeletions(list),
              std::vector<std::string>({"\\??\\C:\\V\\a.dll", "\\??\\C:\\Other\\x.dll", "\\??\\C:\\V\\B.DLL"}));
    std::vector<std::string> withdrawn;
    const std::string kept = PendingListWithout(list, {"C:\\V\\A.DLL", "C:\\V\\B.DLL"}, &withdrawn);
    EXPECT_EQ(kept, "\\??\\C:\\V\\new.dll\0\\??\\C:\\V\\b.dll\0\\??\\C:\\Other\\x.dll\0\0\0"s);
    EXPECT_EQ(withdrawn, std::vector<std::string>({"\\??\\C:\\V\\a.dll", "\\??\\C:\\V\\B.DLL"}));
    EXPECT_EQ(PendingListWith(kept, withdrawn),
              "\\??\\C:\\V\\new.dll\0\\??\\C:\\V\\b.dll\0\\??\\C:\\Other\\x.dll\0\0"s
              "\\??\\C:\\V\\a.dll\0\0\\??\\C:\\V\\B.DLL\0\0\0"s);

    withdrawn.clear();
    EXPECT_EQ(PendingListWithout(""s, {"C:\\V\\A.DLL"}, &withdrawn), "\0"s);
    EXPECT_EQ(PendingListWithout("\\??\\C:\\V\\a.dll\0"s, {"C:\\V\\A.DLL"}, &withdrawn),
              "\\??\\C:\\V\\a.dll\0\0"s);  // no target: not known to be a deletion
    EXPECT_TRUE(withdrawn.empty());
    EXPECT_EQ(PendingPathKey("\\??\\UNC\\srv\\share\\a"), "\\\\SRV\\SHARE\\A");

    const std::string ini = "[boot]\r\nNUL=C:\\V\\A.DLL\r\n[rename]\r\nNUL=C:\\V\\A.DLL\r\n"
                            "C:\\V\\NEW.DLL=C:\\V\\OLD.DLL\r\nnul = c:\\v\\b.dll\r\nNUL=C:\\OTHER\\X.DLL\r\n";
    EXPECT_EQ(WininitDeletions(ini), std::vector<std::string>({"C:\\V\\A.DLL", "c:\\v\\b.dll", "C:\\OTHER\\X.DLL"}));
    withdrawn.clear();
    const std::string iniKept = WininitWithout(ini, {"C:\\V\\A.DLL", "C:\\V\\B.DLL"}, &withdrawn);
    EXPECT_EQ(iniKept, "[boot]\r\nNUL=C:\\V\\A.DLL\r\n[rename]\r\nC:\\V\\NEW.DLL=C:\\V\\OLD.DLL\r\n"
                       "NUL=C:\\OTHER\\X.DLL\r\n");
    EXPECT_EQ(withdrawn, std::vector<std::string>({"C:\\V\\A.DLL", "c:\\v\\b.dll"}));
    EXPECT_EQ(WininitWith(iniKept, {"C:\\V\\A.DLL"}),
              "[boot]\r\nNUL=C:\\V\\A.DLL\r\n[rename]\r\nNUL=C:\\V\\A.DLL\r\nC:\\V\\NEW.DLL=C:\\V\\OLD.DLL\r\n"
              "NUL=C:\\OTHER\\X.DLL\r\n");
    EXPECT_EQ(WininitWith("[boot]", {"C:\\A"}), "[boot]\r\n[rename]\r\nNUL=C:\\A\r\n");
}
