#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "JpegDecode.h"

namespace {

std::vector<uint8_t> ReadArt(const char* name) {
    std::vector<uint8_t> data;
    FILE* f = fopen((std::string(ART_DIR) + "/" + name).c_str(), "rb");
    if (!f) return data;
    uint8_t buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

}  // namespace

// The pictures the wizard carries must decode to the sizes of their places.
TEST(JpegDecode, ArtworkHasTheSizeOfItsPlace) {
    struct {
        const char* name;
        int width, height;
    } art[] = {{"product.jpg", 122, 220}, {"logo.jpg", 95, 30}};
    for (const auto& a : art) {
        const std::vector<uint8_t> data = ReadArt(a.name);
        ASSERT_FALSE(data.empty()) << a.name;
        TRgbImage image;
        ASSERT_TRUE(DecodeJpeg(data.data(), data.size(), image)) << a.name;
        EXPECT_EQ(image.Width, a.width) << a.name;
        EXPECT_EQ(image.Height, a.height) << a.name;
        EXPECT_EQ(image.Pixels.size(), static_cast<size_t>(a.width) * a.height * 3);
    }
}

TEST(JpegDecode, DamagedDataIsRefusedAndLeavesNoImage) {
    const std::vector<uint8_t> good = ReadArt("logo.jpg");
    ASSERT_GT(good.size(), 200u);
    TRgbImage image;
    image.Width = 7;
    // Not JPEG at all.
    const uint8_t text[] = "not a picture";
    EXPECT_FALSE(DecodeJpeg(text, sizeof text, image));
    EXPECT_EQ(image.Width, 0);
    EXPECT_TRUE(image.Pixels.empty());
    // Cut short: libjpeg would pad it with grey and warn.
    EXPECT_FALSE(DecodeJpeg(good.data(), good.size() / 2, image));
    EXPECT_TRUE(image.Pixels.empty());
    EXPECT_FALSE(DecodeJpeg(nullptr, 0, image));
}
