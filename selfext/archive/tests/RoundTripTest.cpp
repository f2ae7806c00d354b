// Entries made by our packer code and read back through the walk, the
// password procedure and each decoder.

#include <gtest/gtest.h>
#include <zlib.h>

#include "Crc32.h"
#include "Decode.h"
#include "LzhEncoder.h"
#include "Pack.h"
#include "TestStreams.h"

namespace {

std::vector<std::pair<std::string, std::vector<uint8_t>>> Samples() {
    std::vector<uint8_t> runs;
    for (int i = 0; i < 60; ++i) runs.insert(runs.end(), 1000 + i * 37, (uint8_t)('A' + i % 5));
    // Over 26,624 bytes, with long-distance repeats that straddle any 8 KiB
    // or ring boundary.
    std::vector<uint8_t> across = TextData(9000, 3);
    std::vector<uint8_t> tail = RandomData(8100, 4);
    while (across.size() < 90000) across.insert(across.end(), tail.begin(), tail.end());
    return {{"empty", {}},
            {"one byte", {0x5A}},
            {"text 70000", TextData(70000, 1)},
            {"random 50000", RandomData(50000, 2)},
            {"long runs", runs},
            {"exactly 65536", TextData(65536, 5)},
            {"matches across the ring", across}};
}

void FixedRandom(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = (uint8_t)(i * 73 + 11);
}

struct Variant {
    const char* label;
    uint8_t method;
    const char* password;
    bool timeCheck;
};

TEST(RoundTrip, EveryMethodAndEncryptionOnVariedData) {
    const Variant variants[] = {
        {"stored", kMethodStored, "", false},
        {"deflate", kMethodDeflate, "", false},
        {"lzh", kMethodLzh, "", false},
        {"stored+pw", kMethodStored, "secret", false},
        {"deflate+pw", kMethodDeflate, "p\xE4ssword", false},
        {"lzh+pw", kMethodLzh, "x", false},
        {"deflate+pw+time", kMethodDeflate, "abc", true},
        {"lzh+pw+time", kMethodLzh, "24 characters is the max", true},
    };
    for (const Variant& v : variants) {
        std::vector<uint8_t> file(kStubSize, 0);
        PackOptions o;
        o.method = v.method;
        o.password = v.password;
        o.checkByteFromTime = v.timeCheck;
        auto samples = Samples();
        for (auto& [name, data] : samples) {
            std::vector<uint8_t> entry;
            ASSERT_EQ(PackOk, MakeEntry(name, data.data(), data.size(), 0x5A3C8421, o, FixedRandom, entry));
            file.insert(file.end(), entry.begin(), entry.end());
        }
        std::vector<TestedEntry> results;
        EXPECT_EQ(WalkEnd, TestEntries(file, kStubSize, v.password, results)) << v.label;
        ASSERT_EQ(samples.size(), results.size()) << v.label;
        for (size_t i = 0; i < samples.size(); ++i) {
            EXPECT_TRUE(results[i].passed) << v.label << " " << results[i].name << ": " << results[i].detail;
            EXPECT_EQ(samples[i].second, results[i].data) << v.label << " " << results[i].name;
        }
    }
}

TEST(RoundTrip, WrongPasswordIsRefusedWithoutDecoding) {
    std::vector<uint8_t> file(kStubSize, 0);
    PackOptions o;
    o.password = "right";
    auto data = TextData(1000, 9);
    std::vector<uint8_t> entry;
    ASSERT_EQ(PackOk, MakeEntry("a.txt", data.data(), data.size(), 0, o, FixedRandom, entry));
    file.insert(file.end(), entry.begin(), entry.end());
    std::vector<TestedEntry> results;
    TestEntries(file, kStubSize, "wrong", results);
    ASSERT_EQ(1u, results.size());
    EXPECT_FALSE(results[0].passed);
    EXPECT_EQ("password refused", results[0].detail);
}

struct Chunks : MemorySink {
    std::vector<uint32_t> sizes;
    Chunks() { base.Write = Record; }
    static bool Record(ByteSink* self, const uint8_t* d, uint32_t n) {
        static_cast<Chunks*>(reinterpret_cast<MemorySink*>(self))->sizes.push_back(n);
        return WriteImpl(self, d, n);
    }
};

TEST(Stored, CopiesInChunksOf32KiBAndStopsWhenTheSourceRunsDry) {
    BuildCrcTable();
    static DecodeWorkspace work;
    auto data = RandomData(70000, 6);
    MemorySource src(data);
    Chunks sink;
    EntryInput in{&src.base, 70000, false, {}};
    uint32_t crc = kCrcInitial;
    EXPECT_EQ(DecodeOk, DecodeStored(&in, &sink.base, &crc, &work));
    EXPECT_EQ((std::vector<uint32_t>{32768, 32768, 4464}), sink.sizes);
    EXPECT_EQ(~crc, (uint32_t)crc32(0, data.data(), (uInt)data.size()));

    MemorySource shortSrc(RandomData(100, 6));
    MemorySink out;
    EntryInput cut{&shortSrc.base, 5000, false, {}};
    EXPECT_EQ(DecodeInputEnded, DecodeStored(&cut, &out.base, &crc, &work));
    EXPECT_EQ(100u, out.data.size());
}

std::vector<uint8_t> MixedDeflate(const std::vector<uint8_t>& data, const std::vector<int>& strategies) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(data.size() * 2 + 1024);
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    size_t part = data.size() / strategies.size();
    for (size_t i = 0; i < strategies.size(); ++i) {
        int s = strategies[i];
        deflateParams(&z, s < 0 ? 0 : 6, s < 0 ? Z_DEFAULT_STRATEGY : s);
        z.next_in = const_cast<uint8_t*>(data.data() + i * part);
        z.avail_in = (uInt)(i + 1 == strategies.size() ? data.size() - i * part : part);
        deflate(&z, i + 1 == strategies.size() ? Z_FINISH : Z_FULL_FLUSH);
    }
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

DecodeStatus Inflate(const std::vector<uint8_t>& stream, std::vector<uint8_t>& out,
                     uint32_t readLimit = 0xFFFFFFFFu) {
    BuildCrcTable();
    static DecodeWorkspace work;
    MemorySource src(stream);
    src.readLimit = readLimit;
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
    uint32_t crc = kCrcInitial;
    DecodeStatus st = DecodeDeflate(&in, &sink.base, &crc, &work);
    out = sink.data;
    if (st == DecodeOk) {
        EXPECT_EQ(~crc, (uint32_t)crc32(0, out.data(), (uInt)out.size()));
    }
    return st;
}

TEST(Deflate, StoredFixedAndDynamicBlocksInOneStream) {
    auto data = TextData(200000, 8);
    for (auto strategies : std::vector<std::vector<int>>{{-1, Z_FIXED, Z_DEFAULT_STRATEGY},
                                                         {Z_FIXED, Z_HUFFMAN_ONLY, Z_FIXED, Z_RLE, -1}}) {
        std::vector<uint8_t> out;
        EXPECT_EQ(DecodeOk, Inflate(MixedDeflate(data, strategies), out));
        EXPECT_EQ(data, out);
    }
}

TEST(Deflate, ShortReadsFromTheSourceChangeNothing) {
    auto data = TextData(100000, 10);
    std::vector<uint8_t> out;
    EXPECT_EQ(DecodeOk, Inflate(CompressDeflate(data.data(), data.size(), 9), out, 777));
    EXPECT_EQ(data, out);
}

TEST(Decoders, RefusedWriteStopsEveryMethod) {
    BuildCrcTable();
    static DecodeWorkspace work;
    auto data = TextData(300000, 11);
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> streams = {
        {kMethodStored, data},
        {kMethodDeflate, CompressDeflate(data.data(), data.size(), 6)},
        {kMethodLzh, CompressLzh(data.data(), data.size())}};
    for (auto& [method, stream] : streams) {
        MemorySource src(stream);
        MemorySink sink;
        sink.failAfter = 100000;
        EntryHeader h{};
        h.method = method;
        h.uncompressedSize = (int32_t)data.size();
        EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
        uint32_t crc = kCrcInitial;
        EXPECT_EQ(DecodeWriteFailed, DecodeEntry(&h, &in, "", 0, &sink.base, &crc, &work)) << (int)method;
    }
}

TEST(Decoders, UnknownMethodIsRefused) {
    static DecodeWorkspace work;
    MemorySource src({1, 2, 3});
    MemorySink sink;
    EntryHeader h{};
    h.method = 2;
    EntryInput in{&src.base, 3, false, {}};
    uint32_t crc = kCrcInitial;
    EXPECT_EQ(DecodeUnsupportedMethod, DecodeEntry(&h, &in, "", 0, &sink.base, &crc, &work));
    EXPECT_TRUE(sink.data.empty());
}

TEST(Lzh, ShortDataTerminatesAndFailsItsCrc) {
    BuildCrcTable();
    static DecodeWorkspace work;
    auto data = TextData(50000, 12);
    auto stream = CompressLzh(data.data(), data.size());
    stream.resize(stream.size() / 2);
    MemorySource src(stream);
    MemorySink sink;
    EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
    uint32_t crc = kCrcInitial;
    DecodeLzh(&in, (int32_t)data.size(), &sink.base, &crc, &work);
    EXPECT_FALSE(CrcMatches(~(uint32_t)crc32(0, data.data(), (uInt)data.size()), crc));
    EXPECT_LE(sink.data.size(), data.size() + 256);
}

}  // namespace
