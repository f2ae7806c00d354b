// Hand-built damaged streams, each asserting the exact status it stops with.

#include <gtest/gtest.h>

#include "Crc32.h"
#include "Decode.h"
#include "Pack.h"
#include "TestStreams.h"

namespace {

// Bits least significant first (Deflate) or most significant first (LZH).
struct Bits {
    bool msbFirst;
    std::vector<uint8_t> out = {};
    int fill = 0;
    Bits& Put(int n, uint32_t v) {
        for (int i = 0; i < n; ++i) {
            int bit = msbFirst ? (v >> (n - 1 - i)) & 1 : (v >> i) & 1;
            if (fill == 0) out.push_back(0);
            if (msbFirst)
                out.back() |= (uint8_t)(bit << (7 - fill));
            else
                out.back() |= (uint8_t)(bit << fill);
            fill = (fill + 1) & 7;
        }
        return *this;
    }
    // A Huffman code, written most significant bit first into a Deflate stream.
    Bits& Code(int n, uint32_t code) {
        uint32_t r = 0;
        for (int i = 0; i < n; ++i) r |= ((code >> i) & 1) << (n - 1 - i);
        return Put(n, r);
    }
};

DecodeStatus RunDeflate(const std::vector<uint8_t>& stream, size_t* produced = nullptr) {
    BuildCrcTable();
    static DecodeWorkspace work;
    MemorySource src(stream);
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
    uint32_t crc = kCrcInitial;
    DecodeStatus st = DecodeDeflate(&in, &sink.base, &crc, &work);
    if (produced) *produced = sink.data.size();
    return st;
}

DecodeStatus RunLzh(const std::vector<uint8_t>& stream, int32_t size, size_t* produced = nullptr) {
    BuildCrcTable();
    static DecodeWorkspace work;
    MemorySource src(stream);
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
    uint32_t crc = kCrcInitial;
    DecodeStatus st = DecodeLzh(&in, size, &sink.base, &crc, &work);
    if (produced) *produced = sink.data.size();
    return st;
}

// Dynamic block header with the code-length code {0..18 as given}.
Bits DynamicHeader(int hlit, int hdist, const std::vector<int>& preLengths) {
    Bits b{false};
    b.Put(1, 1)
        .Put(2, 2)
        .Put(5, (uint32_t)hlit)
        .Put(5, (uint32_t)hdist)
        .Put(4, (uint32_t)preLengths.size() - 4);
    for (int l : preLengths) b.Put(3, (uint32_t)l);
    return b;
}

TEST(DeflateErrors, EachMalformationStopsWithItsOwnStatus) {
    size_t n = 0;
    // Empty fixed block: the shortest valid stream.
    EXPECT_EQ(DecodeOk, RunDeflate({0x03, 0x00}, &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(DecodeInputEnded, RunDeflate({}));
    EXPECT_EQ(DecodeBadBlockType, RunDeflate({0x07}));
    // Stored block whose NLEN is not the complement of LEN.
    EXPECT_EQ(DecodeBadStoredLength, RunDeflate({0x01, 0x05, 0x00, 0x00, 0x00}));
    // Stored block announcing 5 bytes and holding 2.
    EXPECT_EQ(DecodeInputEnded, RunDeflate({0x01, 0x05, 0x00, 0xFA, 0xFF, 'a', 'b'}, &n));
    EXPECT_EQ(2u, n);
    // Fixed block whose first symbol is a match: distance beyond the output.
    EXPECT_EQ(DecodeBadDistance,
              RunDeflate(Bits{false}.Put(1, 1).Put(2, 1).Code(7, 1).Code(5, 0).Put(8, 0).out));
    // A literal then a match one byte back reaching one byte too far (distance 2).
    EXPECT_EQ(
        DecodeBadDistance,
        RunDeflate(Bits{false}.Put(1, 1).Put(2, 1).Code(8, 0x30 + 'x').Code(7, 1).Code(5, 1).Put(8, 0).out));
    // Literal/length 286 (8-bit code 11000110) and distance code 30.
    EXPECT_EQ(DecodeBadSymbol, RunDeflate(Bits{false}.Put(1, 1).Put(2, 1).Code(8, 0xC6).Put(8, 0).out));
    EXPECT_EQ(
        DecodeBadSymbol,
        RunDeflate(Bits{false}.Put(1, 1).Put(2, 1).Code(8, 0x30 + 'x').Code(7, 1).Code(5, 30).Put(8, 0).out));
    // A fixed block that never ends: the data runs out instead.
    EXPECT_EQ(DecodeInputEnded, RunDeflate(Bits{false}.Put(1, 1).Put(2, 1).Code(8, 0x30 + 'x').out));
    // 287 literal/length codes, 31 distance codes.
    EXPECT_EQ(DecodeBadCodeCounts, RunDeflate(DynamicHeader(30, 0, {2, 2, 2, 2}).out));
    EXPECT_EQ(DecodeBadCodeCounts, RunDeflate(DynamicHeader(0, 30, {2, 2, 2, 2}).out));
    // Code-length code over-subscribed (five codes of one bit).
    EXPECT_EQ(DecodeBadCodeLengths, RunDeflate(DynamicHeader(0, 0, {1, 1, 1, 1, 1}).out));
    // Code-length code incomplete (a single one-bit code is not allowed there).
    EXPECT_EQ(DecodeBadCodeLengths, RunDeflate(DynamicHeader(0, 0, {0, 0, 0, 1}).out));
}

// Code-length code: symbols 16, 17, 18 and 0 with two bits each, so 0 is
// code 00, 16 is 01, 17 is 10 and 18 is 11.
TEST(DeflateErrors, RepeatsAndMissingEndOfBlock) {
    // 16 (code 00) as the very first length: nothing to repeat.
    EXPECT_EQ(DecodeBadRepeat,
              RunDeflate(DynamicHeader(0, 0, {2, 2, 2, 2}).Code(2, 1).Put(2, 0).Put(16, 0).out));
    // 18 (code 11) with 138 zeros, twice: 276 > 257 + 1 lengths.
    EXPECT_EQ(
        DecodeBadRepeat,
        RunDeflate(
            DynamicHeader(0, 0, {2, 2, 2, 2}).Code(2, 3).Put(7, 127).Code(2, 3).Put(7, 127).Put(16, 0).out));
    // All 258 lengths zero: no end-of-block code.
    EXPECT_EQ(DecodeBadCodeLengths, RunDeflate(DynamicHeader(0, 0, {2, 2, 2, 2})
                                                   .Code(2, 3)
                                                   .Put(7, 127)
                                                   .Code(2, 3)
                                                   .Put(7, 258 - 138 - 11)
                                                   .Put(16, 0)
                                                   .out));
}

// A Deflate entry declares its size; a stream that inflates past it (1 KiB
// of zlib output that makes a megabyte) stops without writing past it.
TEST(DeflateErrors, OutputPastTheDeclaredSizeIsRefusedUnwritten) {
    BuildCrcTable();
    static DecodeWorkspace work;
    std::vector<uint8_t> plain(1 << 20, 'z');
    std::vector<uint8_t> bomb = CompressDeflate(plain.data(), plain.size(), 9);
    ASSERT_LT(bomb.size(), 1100u);
    for (uint32_t declared : {0u, 1000u, 65536u, (1u << 20) - 1}) {
        MemorySource src(bomb);
        MemorySink sink;
        EntryInput in{&src.base, (int32_t)bomb.size(), false, {}};
        uint32_t crc = kCrcInitial;
        EXPECT_EQ(DecodeTooLong, DecodeDeflate(&in, &sink.base, &crc, &work, declared)) << declared;
        EXPECT_LE(sink.data.size(), declared);
    }
    // Exactly the declared size passes, through DecodeEntry's header too.
    MemorySource src(bomb);
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)bomb.size(), false, {}};
    EntryHeader h{};
    h.method = kMethodDeflate;
    h.uncompressedSize = 1 << 20;
    uint32_t crc = kCrcInitial;
    EXPECT_EQ(DecodeOk, DecodeEntry(&h, &in, "", 0, &sink.base, &crc, &work));
    EXPECT_EQ(plain, sink.data);
    // A negative declared size allows nothing.
    MemorySource again(bomb);
    MemorySink none;
    EntryInput in2{&again.base, (int32_t)bomb.size(), false, {}};
    h.uncompressedSize = -5;
    crc = kCrcInitial;
    EXPECT_EQ(DecodeTooLong, DecodeEntry(&h, &in2, "", 0, &none.base, &crc, &work));
    EXPECT_TRUE(none.data.empty());
}

// LZH block header helpers: block size, then the code-length code.
TEST(LzhErrors, EachMalformationStopsWithItsOwnStatus) {
    size_t n = 99;
    // Block size 0 first: nothing comes out.
    EXPECT_EQ(DecodeInputEnded, RunLzh({0x00, 0x00}, 100, &n));
    EXPECT_EQ(0u, n);
    // No data at all reads as zero bits: the same.
    EXPECT_EQ(DecodeInputEnded, RunLzh({}, 100, &n));
    EXPECT_EQ(0u, n);
    // Nothing to produce: no bits read.
    EXPECT_EQ(DecodeOk, RunLzh({}, 0, &n));
    // 20 code-length lengths announced, 19 exist.
    EXPECT_EQ(DecodeBadLzhTable, RunLzh(Bits{true}.Put(16, 1).Put(5, 20).Put(16, 0).out, 10));
    // One-symbol code-length code naming symbol 25.
    EXPECT_EQ(DecodeBadLzhTable, RunLzh(Bits{true}.Put(16, 1).Put(5, 0).Put(5, 25).Put(16, 0).out, 10));
    // One-symbol character code naming symbol 510.
    EXPECT_EQ(DecodeBadLzhTable,
              RunLzh(Bits{true}.Put(16, 1).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 510).Put(16, 0).out, 10));
    // Four one-bit codes: over-subscribed twice over, which a 16-bit sum would miss.
    EXPECT_EQ(
        DecodeBadLzhTable,
        RunLzh(
            Bits{true}.Put(16, 1).Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Put(3, 1).Put(16, 0).out,
            10));
    // Incomplete: two codes of two bits.
    EXPECT_EQ(DecodeBadLzhTable,
              RunLzh(Bits{true}.Put(16, 1).Put(5, 2).Put(3, 2).Put(3, 2).Put(16, 0).out, 10));
    // A length of 7 + 13 = 20 bits.
    EXPECT_EQ(DecodeBadLzhTable, RunLzh(Bits{true}.Put(16, 1).Put(5, 1).Put(16, 0xFFFF).Put(16, 0).out, 10));
    // Character lengths: one-symbol code-length code 2 (a run of 20 + Get(9)
    // zeros) asking for 531 zeros.
    EXPECT_EQ(DecodeBadLzhTable,
              RunLzh(Bits{true}.Put(16, 1).Put(5, 0).Put(5, 2).Put(9, 1).Put(9, 511).Put(16, 0).out, 10));
}

TEST(LzhErrors, OneSymbolCodesConsumeNoBits) {
    // Block of 3 symbols: one-symbol character code 'Q', position code unused.
    size_t n = 0;
    std::vector<uint8_t> s =
        Bits{true}.Put(16, 3).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, 'Q').Put(4, 0).Put(4, 0).out;
    BuildCrcTable();
    static DecodeWorkspace work;
    MemorySource src(s);
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)s.size(), false, {}};
    uint32_t crc = kCrcInitial;
    EXPECT_EQ(DecodeOk, DecodeLzh(&in, 3, &sink.base, &crc, &work));
    EXPECT_EQ(Bytes("QQQ"), sink.data);
    (void)n;
}

}  // namespace
