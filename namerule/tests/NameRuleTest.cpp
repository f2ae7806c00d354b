#include "NameRule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* name;  // narrow; the wide form is checked from `wide` when given
    bool confined;
};

// Every way out of the extract folder, every device form, and the names
// that only look like one of them.
const Case kCases[] = {
    {"a.txt", true},           {"a/b/c.txt", true},       {"a\\b", true},           {".a", true},
    {"..a", true},             {"a..b/c", true},          {"a//b", true},           {"a/", true},
    {"CONSOLE.txt", true},     {"con1", true},            {"com0", true},           {"com10", true},
    {"LPT0", true},            {"lpt", true},             {"auxiliary/prn0", true}, {" CON", true},
    {"CLOCK", true},           {"\xB9\xB2", true},        {"COM\xA9\xF5", true},    {"a.", true},
    {"", false},               {"/a", false},             {"\\a", false},           {"\\\\server\\x", false},
    {"C:a", false},            {"a:b", false},            {"a/b:s", false},         {".", false},
    {"./a", false},            {"..", false},             {"..\\a", false},         {"a\\..", false},
    {"a/../b", false},         {"... /a", false},         {". . /a", false},        {"x/ ./y", false},
    {"a/ /b", false},          {"con", false},            {"CON.txt", false},       {"a/nul", false},
    {"Aux .dat", false},       {"nul.tar.gz", false},     {"CON.", false},          {"prn. .", false},
    {"com1", false},           {"d/COM1.log", false},     {"LPT9.x", false},        {"lpt9 .txt", false},
    {"conin$", false},         {"CONOUT$.log", false},    {"clock$", false},        {"COM\xB9", false},
    {"lpt\xB3.txt", false},    {"COM\xA9\xF6", false},    {"a/Lpt\xA9\xF8 .x", false},
};

TEST(NameRule, OneTableForNarrowAndWideNames) {
    for (const Case& c : kCases) {
        EXPECT_EQ(c.confined, IsConfinedName(c.name)) << '"' << c.name << '"';
        // The same name as the library's wide form, where each byte is its
        // own character (the Western reading of the narrow one).
        std::wstring wide;
        bool ascii = true;
        for (const char* p = c.name; *p; ++p) {
            wide += wchar_t(static_cast<unsigned char>(*p));
            ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
        }
        if (ascii) {
            EXPECT_EQ(c.confined, IsConfinedName(wide.c_str())) << '"' << c.name << '"';
        }
    }
    // Wide names: superscript digits count, characters that only look like
    // dots, separators or digits do not.
    EXPECT_FALSE(IsConfinedName(L"COM\u00B9.txt"));
    EXPECT_FALSE(IsConfinedName(L"lpt\u00B3"));
    EXPECT_FALSE(IsConfinedName(L"a/\u00E9/../../b"));
    EXPECT_TRUE(IsConfinedName(L"\uFF0E\uFF0E\uFF0Fa"));
    EXPECT_TRUE(IsConfinedName(L"\uD55C\uAE00/COM\u00B4"));
    EXPECT_TRUE(IsConfinedName(L"COM\uFF11"));
    // A name with a zero inside it cannot be written as it is stored.
    EXPECT_FALSE(IsConfinedName("a\0b", 3));
    EXPECT_TRUE(IsConfinedName("ab", 2));
}

}  // namespace
