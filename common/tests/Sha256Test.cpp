#include "Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

// The FIPS 180-4 examples, and a long input fed in uneven pieces so that
// every buffering path meets a block boundary.
TEST(Sha256, KnownDigestsWhateverThePieces) {
    auto digest = [](const std::string& s) {
        Sha256 h;
        h.Update(s.data(), s.size());
        return h.HexDigest();
    };
    EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const std::string million(1000000, 'a');
    Sha256 pieces;
    for (size_t at = 0, step = 1; at < million.size(); at += step, step = step * 7 % 191 + 1)
        pieces.Update(million.data() + at, std::min(step, million.size() - at));
    EXPECT_EQ(pieces.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
