// Finding the end of the appended archive from the file's own PE header.

#include <gtest/gtest.h>

#include <vector>

#include "PeImage.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}

// The first 1,024 bytes of a program as the linker writes them: DOS header,
// PE signature at 0x80, file header, optional header with 16 directories.
std::vector<uint8_t> Headers(uint16_t magic, uint32_t table, uint32_t tableSize) {
    std::vector<uint8_t> h(1024, 0);
    h[0] = 'M', h[1] = 'Z';
    Put32(h, 0x3C, 0x80);
    h[0x80] = 'P', h[0x81] = 'E';
    const size_t opt = 0x80 + 4 + 20;
    const bool wide = magic == 0x20B;
    const uint32_t dirs = wide ? 112 : 96;
    Put16(h, 0x80 + 4 + 16, (uint16_t)(dirs + 16 * 8));
    Put16(h, opt, magic);
    Put32(h, opt + (wide ? 108 : 92), 16);
    Put32(h, opt + dirs + 4 * 8, table);
    Put32(h, opt + dirs + 4 * 8 + 4, tableSize);
    return h;
}

const uint32_t kStart = 39424, kFile = 100000;

}  // namespace

TEST(ArchiveEnd, SignedFilesEndAtTheirCertificateTable) {
    for (uint16_t magic : {0x10B, 0x20B}) {
        std::vector<uint8_t> h = Headers(magic, 98000, 2000);
        EXPECT_EQ(98000u, ArchiveEnd(h.data(), (uint32_t)h.size(), kStart, kFile)) << magic;
    }
}

TEST(ArchiveEnd, UnsignedOrNonsensicalHeadersReadToTheFileEnd) {
    const struct {
        const char* label;
        std::vector<uint8_t> headers;
    } cases[] = {
        {"no certificate table", Headers(0x10B, 0, 0)},
        {"table of size 0", Headers(0x10B, 98000, 0)},
        {"table inside the stub", Headers(0x10B, 1000, 2000)},
        {"table past the file end", Headers(0x10B, kFile + 1, 8)},
        {"unknown optional header", Headers(0x107, 98000, 2000)},
        {"too short to hold anything", std::vector<uint8_t>(10, 'M')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kFile, ArchiveEnd(c.headers.data(), (uint32_t)c.headers.size(), kStart, kFile)) << c.label;

    std::vector<uint8_t> h = Headers(0x10B, 98000, 2000);
    h[0x80] = 'X';  // no PE signature
    EXPECT_EQ(kFile, ArchiveEnd(h.data(), (uint32_t)h.size(), kStart, kFile));
    h = Headers(0x10B, 98000, 2000);
    Put32(h, 0x3C, 1020);  // PE header past the bytes given
    EXPECT_EQ(kFile, ArchiveEnd(h.data(), (uint32_t)h.size(), kStart, kFile));
    h = Headers(0x10B, 98000, 2000);
    Put32(h, 0x80 + 4 + 20 + 92, 4);  // only four directories: none for certificates
    EXPECT_EQ(kFile, ArchiveEnd(h.data(), (uint32_t)h.size(), kStart, kFile));
    h = Headers(0x10B, 98000, 2000);
    Put16(h, 0x80 + 4 + 16, 0xFFFF);  // optional header runs past the bytes given
    EXPECT_EQ(kFile, ArchiveEnd(h.data(), (uint32_t)h.size(), kStart, kFile));
}

// Where the packer may put its record: after the headers and every
// section's raw data, whichever ends last.
TEST(ImageDataEnd, EndOfTheLastSectionOrOfTheHeaders) {
    for (uint16_t magic : {0x10B, 0x20B}) {
        std::vector<uint8_t> h = Headers(magic, 0, 0);
        const size_t opt = 0x80 + 4 + 20, table = opt + (magic == 0x20B ? 112 : 96) + 16 * 8;
        Put32(h, opt + 60, 0x400);  // SizeOfHeaders
        EXPECT_EQ(0x400u, ImageDataEnd(h.data(), (uint32_t)h.size())) << "no sections";
        Put16(h, 0x80 + 4 + 2, 3);
        const uint32_t sections[3][2] = {{0x400, 0x6600}, {0x9000, 0x200}, {0, 0x100}};  // at, size
        for (int i = 0; i < 3; ++i) {
            Put32(h, table + 40 * i + 20, sections[i][0]);
            Put32(h, table + 40 * i + 16, sections[i][1]);
        }
        EXPECT_EQ(0x9200u, ImageDataEnd(h.data(), (uint32_t)h.size())) << magic;
        Put32(h, table + 40 + 20, 0xFFFFFF00u);  // a section past 4 GiB: no room anywhere
        EXPECT_EQ(0xFFFFFFFFu, ImageDataEnd(h.data(), (uint32_t)h.size())) << magic;

        Put16(h, 0x80 + 4 + 2, 40);  // a section table past the bytes given
        EXPECT_EQ(0u, ImageDataEnd(h.data(), (uint32_t)h.size())) << magic;
    }
    std::vector<uint8_t> h = Headers(0x10B, 0, 0);
    h[0] = 'X';
    EXPECT_EQ(0u, ImageDataEnd(h.data(), (uint32_t)h.size()));
    EXPECT_EQ(0u, ImageDataEnd(h.data(), 0x20));
}
