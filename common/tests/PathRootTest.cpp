#include <gtest/gtest.h>

#include "PathRoot.h"

namespace {

// Every form a root takes, with '\' only and with '/' too.
TEST(PathRoot, DrivesSharesAndRelativePaths) {
    const struct {
        const char* path;
        bool slashes;
        PathRootKind kind;
        size_t length;
        bool complete;
    } cases[] = {
        {"C:\\Program Files", false, PathRootKind::Drive, 3, true},
        {"C:\\", false, PathRootKind::Drive, 3, true},
        {"C:", false, PathRootKind::DriveRelative, 2, true},
        {"C:dir", false, PathRootKind::DriveRelative, 2, true},
        {"C:/dir", false, PathRootKind::DriveRelative, 2, true},
        {"C:/dir", true, PathRootKind::Drive, 3, true},
        {"\\\\server\\share\\dir", false, PathRootKind::Share, 14, true},
        {"\\\\server\\share", false, PathRootKind::Share, 14, true},
        {"\\\\server\\", false, PathRootKind::Share, 9, false},
        {"\\\\server", false, PathRootKind::Share, 8, false},
        {"\\\\\\share", false, PathRootKind::Share, 8, false},
        {"\\\\server\\\\x", false, PathRootKind::Share, 9, false},
        {"//server/share/x", true, PathRootKind::Share, 14, true},
        {"//server/share/x", false, PathRootKind::None, 0, false},
        {"\\dir", false, PathRootKind::None, 0, false},
        {"dir\\file", false, PathRootKind::None, 0, false},
        {"", false, PathRootKind::None, 0, false},
    };
    for (const auto& c : cases) {
        const PathRoot root = ParsePathRoot(c.path, c.slashes);
        EXPECT_EQ(root.kind, c.kind) << c.path;
        EXPECT_EQ(root.length, c.length) << c.path;
        EXPECT_EQ(root.complete, c.complete) << c.path;
    }
}

}  // namespace
