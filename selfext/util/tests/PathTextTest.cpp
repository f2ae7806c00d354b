#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../../ui/Progress.h"
#include "PathText.h"

namespace {

std::string Dir(const char* p) {
    char out[kPathCapacity];
    DirectoryPart(p, out, sizeof out);
    return out;
}

std::string Name(const std::string& p) {
    char out[kPathCapacity];
    NamePart(p.c_str(), out, sizeof out);
    return out;
}

TEST(PathText, DirectoryAndNameParts) {
    EXPECT_EQ("C:\\DIR", Dir("C:\\DIR\\FILE"));
    EXPECT_EQ("C:\\", Dir("C:\\FILE"));
    EXPECT_EQ("C:\\", Dir("C:\\"));
    EXPECT_EQ("C:\\", Dir("C:\\A"));
    EXPECT_EQ("AB", Dir("AB\\FILE"));
    EXPECT_EQ("A", Dir("A/B"));
    EXPECT_EQ("C:", Dir("C:FILE"));
    EXPECT_EQ("", Dir("FILE"));
    EXPECT_EQ("", Dir("\\FILE"));

    EXPECT_EQ("FILE.TXT", Name("DIR/SUB/FILE.TXT"));
    EXPECT_EQ("", Name("DIR/"));
    EXPECT_EQ("FILE", Name("C:FILE"));
    EXPECT_EQ(255u, Name("d\\" + std::string(300, 'x')).size());
}

TEST(PathText, SeparatorsBackslashAndBoundedCopies) {
    char text[] = "a/b\\c/";
    EXPECT_STREQ("a\\b\\c\\", ToBackslashes(text));

    char buf[8] = "C:\\X";
    EXPECT_TRUE(AppendMissingBackslash(buf, sizeof buf));
    EXPECT_STREQ("C:\\X\\", buf);
    EXPECT_TRUE(AppendMissingBackslash(buf, sizeof buf));
    EXPECT_STREQ("C:\\X\\", buf);
    char empty[4] = "";
    EXPECT_TRUE(AppendMissingBackslash(empty, sizeof empty));
    EXPECT_STREQ("", empty);
    char full[4] = "abc";  // no room for the backslash: left alone, not overrun
    EXPECT_FALSE(AppendMissingBackslash(full, sizeof full));
    EXPECT_STREQ("abc", full);

    const uint8_t bytes[] = {'a', 'b', 'c', 'd', 'e', 'f', 0, 'x', 'y'};
    char out[16];
    EXPECT_EQ(6, BufferToString(bytes, 9, out, sizeof out));
    EXPECT_STREQ("abcdef", out);
    EXPECT_EQ(3, BufferToString(bytes, 9, out, 4));
    EXPECT_STREQ("abc", out);
}

TEST(PathText, DecimalNumbersAreAppendedWithinTheBuffer) {
    char text[16] = "and ";
    EXPECT_EQ(5, AppendDecimal(text, sizeof text, 0));
    EXPECT_STREQ("and 0", text);
    EXPECT_EQ(15, AppendDecimal(text, sizeof text, 4294967295u));
    EXPECT_STREQ("and 04294967295", text);
    char small[4] = "";
    EXPECT_EQ(3, AppendDecimal(small, sizeof small, 12345));
    EXPECT_STREQ("123", small);
}

TEST(PathText, FindPatternAndCentring) {
    char p[255];
    EXPECT_TRUE(MakeFindPattern("C:/dir\\", p, sizeof p));
    EXPECT_STREQ("C:\\dir\\*.*", p);
    EXPECT_TRUE(MakeFindPattern("C:/dir", p, sizeof p));
    EXPECT_STREQ("C:\\dir", p);
    std::string longest(250, 'a');
    EXPECT_TRUE(MakeFindPattern((longest + "\\").c_str(), p, sizeof p));
    EXPECT_FALSE(MakeFindPattern((longest + "a\\").c_str(), p, sizeof p));

    EXPECT_EQ(100, CenteredOrigin(800, 600));
    EXPECT_EQ(-50, CenteredOrigin(800, 901));  // rounds toward zero
}

}  // namespace

// The progress bar's arithmetic, done in 32 bits: exact against 64-bit
// division for sizes of every magnitude.
TEST(ProgressArithmetic, PercentAndFillAreExact) {
    const uint32_t totals[] = {1,        3,         7,           100,         1000,       42949672,
                               42949673, 123456789, 0x7fffffffu, 0xfffffffeu, 0xffffffffu};
    for (uint32_t total : totals) {
        const uint32_t dones[] = {0, 1, total / 3, total / 2, total - 1, total, total / 100 * 99};
        for (uint32_t done : dones) {
            const int expected = done >= total ? 100 : (int)((uint64_t)done * 100 / total);
            EXPECT_EQ(expected, ProgressPercent(done, total)) << done << " of " << total;
        }
    }
    EXPECT_EQ(0, ProgressPercent(5, 0));
    for (int width : {1, 99, 100, 101, 250, 0x7fffffff})
        for (int percent : {1, 33, 50, 99, 100, 150})
            EXPECT_EQ((int)std::min<int64_t>((int64_t)width * percent / 100, width),
                      ProgressFill(width, percent))
                << width << " at " << percent;
    EXPECT_EQ(0, ProgressFill(0, 50));
    EXPECT_EQ(0, ProgressFill(100, 0));
}
