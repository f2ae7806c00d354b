#include <gtest/gtest.h>

#include <string>

#include "KitText.h"
#include "ProductKeys.h"

namespace {

// True when the uninstaller deletes `path` itself or a key above it.
bool UninstallerRemoves(RegRoot root, const std::string& path) {
    const std::string want = UpperAscii(path);
    for (size_t i = 0; i < kProductKeyCount; ++i) {
        const ProductKey& k = kProductKeys[i];
        if (!(k.use & kKeyUninstRemoves) || k.root != root) continue;
        const std::string removed = UpperAscii(k.path);
        if (want == removed || want.compare(0, removed.size() + 1, removed + "\\") == 0) return true;
    }
    return false;
}

}  // namespace

// Nothing setup writes may survive an uninstall, and every install starts
// from the same keys.
TEST(ProductKeys, EveryKeySetupWritesIsClearedFirstAndRemovedAgain) {
    int written = 0;
    for (size_t i = 0; i < kProductKeyCount; ++i) {
        const ProductKey& k = kProductKeys[i];
        if (!(k.use & kKeySetupWrites)) continue;
        ++written;
        EXPECT_TRUE(k.use & kKeySetupClears) << k.path;
        EXPECT_TRUE(UninstallerRemoves(k.root, k.path)) << k.path;
    }
    EXPECT_EQ(written, 7);
    EXPECT_TRUE(UninstallerRemoves(RegRoot::CurrentUser, kProductKey));
    EXPECT_TRUE(UninstallerRemoves(RegRoot::ClassesRoot, std::string("CLSID\\") + kShellExtClassId));
}

TEST(ProductKeys, ExactlyOneServerKeyUnderTheClassId) {
    int servers = 0;
    for (size_t i = 0; i < kProductKeyCount; ++i) {
        const ProductKey& k = kProductKeys[i];
        if (!(k.use & kKeyServer)) continue;
        ++servers;
        EXPECT_EQ(std::string(k.path), std::string("CLSID\\") + kShellExtClassId + "\\InProcServer32");
        EXPECT_TRUE(k.use & kKeySetupWrites);
    }
    EXPECT_EQ(servers, 1);
}
