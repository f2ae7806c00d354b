// Code page 949 text: names built from real syllables whose trail bytes lie
// in a-z ("\x8C\x63" and "\xC1\x64") or A-Z ("\x8C\x43" and "\xC1\x44").
#include <gtest/gtest.h>

#include "KitText.h"

TEST(KitText, UpperAsciiFoldsLettersAndLeavesKoreanCharactersWhole) {
    EXPECT_EQ(UpperAscii("setup.ini"), "SETUP.INI");
    EXPECT_EQ(UpperAscii("\x8C\x63\x61.txt"), "\x8C\x63\x41.TXT");
    EXPECT_EQ(UpperAscii("\xC1\x64z\xB0\xA1q"), "\xC1\x64Z\xB0\xA1Q");
    // Two different names stay different.
    EXPECT_NE(UpperAscii("\x8C\x63.txt"), UpperAscii("\x8C\x43.txt"));
    EXPECT_NE(UpperAscii("\xC1\x64"), UpperAscii("\xC1\x44"));
    // A lead byte at the very end has no trail byte to protect.
    EXPECT_EQ(UpperAscii("a\x8C"), "A\x8C");
    EXPECT_EQ(UpperAscii(""), "");
}

TEST(KitText, FindTextNeverStartsInsideACharacter) {
    // The second byte of "\x8C\x43" is no "C".
    EXPECT_EQ(FindText("\x8C\x43:\\x", "C:"), std::string::npos);
    EXPECT_EQ(FindText("\x8C\x43\x43:\\x", "C:"), 2u);
    EXPECT_EQ(FindText("\x8C\x61\x62\x61\x62", "ab"), 3u);
    EXPECT_EQ(FindText("abab", "ab", 1), 2u);
    EXPECT_EQ(FindText("abc", "abcd"), std::string::npos);
    EXPECT_EQ(FindText("abc", ""), 0u);
    EXPECT_EQ(FindText("\x8C\x43", "", 1), 2u);
    EXPECT_EQ(CharLength("\x8C\x43", 0), 2u);
    EXPECT_EQ(CharLength("\x8C", 0), 1u);
}
