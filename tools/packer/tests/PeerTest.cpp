// Our decoders against streams made by independent tools, and our output
// read by them: Python's zlib and 7-Zip (raw Deflate), jlha-utils (-lh5-,
// checked by lhasa), lhasa reading our -lh5- streams, unzip decrypting our
// encrypted entries. Each tool prints its version into the test log.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "../../../selfext/archive/tests/TestStreams.h"
#include "Crc32.h"
#include "Decode.h"
#include "LzhEncoder.h"
#include "Pack.h"

namespace {

class Peer : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/sxpeerXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override { Run("rm -rf '" + dir + "'"); }
    std::string P(const std::string& name) const { return dir + "/" + name; }
    static int Run(const std::string& cmd) { return system(cmd.c_str()); }
    std::string dir;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& d) {
    std::ofstream(path, std::ios::binary).write((const char*)d.data(), (std::streamsize)d.size());
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

DecodeStatus Decode(uint8_t method, const std::vector<uint8_t>& stream, int32_t size,
                    std::vector<uint8_t>& out) {
    BuildCrcTable();
    static DecodeWorkspace work;
    MemorySource src(stream);
    MemorySink sink;
    EntryHeader h{};
    h.method = method;
    h.uncompressedSize = size;
    EntryInput in{&src.base, (int32_t)stream.size(), false, {}};
    uint32_t crc = kCrcInitial;
    DecodeStatus st = DecodeEntry(&h, &in, "", 0, &sink.base, &crc, &work);
    out = sink.data;
    return st;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> Corpus() {
    std::vector<uint8_t> binary = ReadFile("/bin/ls");
    std::vector<uint8_t> runs(70000, 'z');
    for (size_t i = 0; i < runs.size(); i += 997) runs[i] = (uint8_t)i;
    return {{"text.txt", TextData(150000, 21)},
            {"binary.bin", binary},
            {"random.bin", RandomData(40000, 22)},
            {"runs.bin", runs},
            {"one.bin", {'1'}}};
}

TEST_F(Peer, RawDeflateFromPythonZlibAtEveryLevelAndStrategy) {
    Run("python3 -c 'import sys,zlib; print(\"python\", sys.version.split()[0], \"zlib\", "
        "zlib.ZLIB_RUNTIME_VERSION)'");
    const char* strategies[] = {"Z_DEFAULT_STRATEGY", "Z_FILTERED", "Z_HUFFMAN_ONLY", "Z_RLE", "Z_FIXED"};
    for (auto& [name, data] : Corpus()) {
        WriteFile(P("in"), data);
        // One interpreter per input writes every level and strategy.
        ASSERT_EQ(0, Run("python3 -c 'import zlib,sys\n"
                         "d=open(sys.argv[1],\"rb\").read()\n"
                         "for l in (0,1,6,9):\n"
                         " for s in "
                         "(\"Z_DEFAULT_STRATEGY\",\"Z_FILTERED\",\"Z_HUFFMAN_ONLY\",\"Z_RLE\",\"Z_FIXED\"):\n"
                         "  c=zlib.compressobj(l,zlib.DEFLATED,-15,9,getattr(zlib,s))\n"
                         "  open(\"%s/%d_%s\"%(sys.argv[2],l,s),\"wb\").write(c.compress(d)+c.flush())' " +
                         P("in") + " " + dir));
        for (int level : {0, 1, 6, 9})
            for (const char* strategy : strategies) {
                std::vector<uint8_t> out;
                std::string file = P(std::to_string(level) + "_" + strategy);
                EXPECT_EQ(DecodeOk, Decode(kMethodDeflate, ReadFile(file), (int32_t)data.size(), out))
                    << name << level << strategy;
                EXPECT_EQ(data, out) << name << " level " << level << " " << strategy;
            }
    }
}

// The raw stream of the first member of a ZIP file.
std::vector<uint8_t> FirstZipMember(const std::vector<uint8_t>& zip, uint16_t* method) {
    if (zip.size() < 30 || Le(zip.data(), 4) != 0x04034b50) return {};
    *method = (uint16_t)Le(&zip[8], 2);
    uint32_t packed = Le(&zip[18], 4);
    size_t at = 30 + Le(&zip[26], 2) + Le(&zip[28], 2);
    if (at + packed > zip.size()) return {};
    return std::vector<uint8_t>(zip.begin() + (long)at, zip.begin() + (long)(at + packed));
}

TEST_F(Peer, RawDeflateFrom7ZipAtSeveralLevels) {
    Run("7z i | head -2 | tail -1");
    for (auto& [name, data] : Corpus()) {
        WriteFile(P(name), data);
        for (int level : {1, 5, 9}) {
            Run("rm -f " + P("a.zip"));
            ASSERT_EQ(0, Run("cd " + dir + " && 7z a -bd -bso0 -tzip -mm=Deflate -mx=" +
                             std::to_string(level) + " a.zip " + name));
            uint16_t method = 0;
            auto stream = FirstZipMember(ReadFile(P("a.zip")), &method);
            if (method == 0) continue;  // 7-Zip stores what does not shrink
            ASSERT_EQ(8, method);
            std::vector<uint8_t> out;
            EXPECT_EQ(DecodeOk, Decode(kMethodDeflate, stream, (int32_t)data.size(), out)) << name << level;
            EXPECT_EQ(data, out) << name << " level " << level;
        }
    }
}

uint16_t Crc16(const std::vector<uint8_t>& d) {
    uint16_t crc = 0;
    for (uint8_t b : d) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ 0xA001) : (uint16_t)(crc >> 1);
    }
    return crc;
}

struct LzhMember {
    std::string method;
    std::vector<uint8_t> stream;
    uint32_t size;
};

// Members of an LHA archive (header levels 0, 1 and 2).
std::vector<LzhMember> LzhMembers(const std::vector<uint8_t>& a) {
    std::vector<LzhMember> members;
    size_t pos = 0;
    while (pos + 22 <= a.size() && a[pos] != 0) {
        const uint8_t* h = &a[pos];
        int level = h[20];
        uint32_t packed = Le(h + 7, 4);
        size_t dataAt, headerEnd;
        if (level == 2) {
            headerEnd = pos + Le(h, 2);
            dataAt = headerEnd;
        } else {
            headerEnd = pos + h[0] + 2;
            dataAt = headerEnd;
            if (level == 1) {
                size_t ext = Le(&a[headerEnd - 2], 2);
                while (ext) {
                    dataAt += ext;
                    packed -= (uint32_t)ext;
                    ext = Le(&a[dataAt - 2], 2);
                }
            }
        }
        members.push_back(
            {std::string((const char*)h + 2, 5),
             std::vector<uint8_t>(a.begin() + (long)dataAt, a.begin() + (long)(dataAt + packed)),
             Le(h + 11, 4)});
        pos = dataAt + packed;
    }
    return members;
}

TEST_F(Peer, Lh5StreamsFromJlhaCheckedByLhasa) {
    Run("dpkg-query -W jlha-utils lhasa");
    auto corpus = Corpus();
    std::string names;
    for (auto& [name, data] : corpus) {
        WriteFile(P(name), data);
        names += " " + name;
    }
    ASSERT_EQ(0, Run("cd " + dir + " && jlha ao5q a.lzh" + names + " >/dev/null 2>&1"));
    ASSERT_EQ(0, Run("cd " + dir + " && lha tq a.lzh"));
    auto members = LzhMembers(ReadFile(P("a.lzh")));
    ASSERT_EQ(corpus.size(), members.size());
    int lh5 = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i].method != "-lh5-") continue;  // stored members
        ++lh5;
        std::vector<uint8_t> out;
        EXPECT_EQ(DecodeOk, Decode(kMethodLzh, members[i].stream, (int32_t)members[i].size, out));
        EXPECT_EQ(corpus[i].second, out) << corpus[i].first;
    }
    EXPECT_GE(lh5, 3);
}

// Level-0 LHA member around one of our -lh5- streams.
std::vector<uint8_t> LhaMember(const std::string& name, const std::vector<uint8_t>& data,
                               const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> h = {0, 0, '-', 'l', 'h', '5', '-'};
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) h.push_back((uint8_t)(v >> (8 * i)));
    };
    put((uint32_t)stream.size(), 4);
    put((uint32_t)data.size(), 4);
    put(0x5A3C8421, 4);
    h.push_back(0x20);
    h.push_back(0);
    h.push_back((uint8_t)name.size());
    h.insert(h.end(), name.begin(), name.end());
    put(Crc16(data), 2);
    h[0] = (uint8_t)(h.size() - 2);
    uint8_t sum = 0;
    for (size_t i = 2; i < h.size(); ++i) sum = (uint8_t)(sum + h[i]);
    h[1] = sum;
    h.insert(h.end(), stream.begin(), stream.end());
    return h;
}

TEST_F(Peer, OurLh5StreamsDecodedByLhasa) {
    std::vector<uint8_t> archive;
    auto corpus = Corpus();
    for (auto& [name, data] : corpus) {
        auto member = LhaMember(name, data, CompressLzh(data.data(), data.size()));
        archive.insert(archive.end(), member.begin(), member.end());
    }
    archive.push_back(0);
    WriteFile(P("ours.lzh"), archive);
    EXPECT_EQ(0, Run("cd " + dir + " && lha tq ours.lzh"));
    for (auto& [name, data] : corpus) {
        ASSERT_EQ(0, Run("mkdir -p " + P("x") + " && cd " + P("x") + " && lha xqf ../ours.lzh " + name));
        EXPECT_EQ(data, ReadFile(P("x/" + name))) << name;
    }
}

// A ZIP file holding our encrypted entry's data unchanged: the traditional
// encryption header and enciphered data are what ZIP readers expect.
std::vector<uint8_t> ZipAround(const std::vector<uint8_t>& entry, const std::string& name) {
    EntryHeader h;
    DecodeEntryHeader(entry.data(), &h);
    std::vector<uint8_t> data(entry.begin() + kEntryHeaderSize + h.nameLength, entry.end());
    bool descriptor = (h.flags & kFlagCheckByteFromTime) != 0;
    std::vector<uint8_t> z;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) z.push_back((uint8_t)(v >> (8 * i)));
    };
    uint16_t flags = (uint16_t)(1 | (descriptor ? 8 : 0));
    put(0x04034b50, 4);
    put(20, 2);
    put(flags, 2);
    put(h.method, 2);
    put(h.dosDateTime & 0xFFFF, 2);
    put(h.dosDateTime >> 16, 2);
    put(descriptor ? 0 : h.crc, 4);
    put(descriptor ? 0 : (uint32_t)data.size(), 4);
    put(descriptor ? 0 : (uint32_t)h.uncompressedSize, 4);
    put((uint32_t)name.size(), 2);
    put(0, 2);
    z.insert(z.end(), name.begin(), name.end());
    z.insert(z.end(), data.begin(), data.end());
    if (descriptor) {
        put(0x08074b50, 4);
        put(h.crc, 4);
        put((uint32_t)data.size(), 4);
        put((uint32_t)h.uncompressedSize, 4);
    }
    size_t central = z.size();
    put(0x02014b50, 4);
    put(20, 2);
    put(20, 2);
    put(flags, 2);
    put(h.method, 2);
    put(h.dosDateTime & 0xFFFF, 2);
    put(h.dosDateTime >> 16, 2);
    put(h.crc, 4);
    put((uint32_t)data.size(), 4);
    put((uint32_t)h.uncompressedSize, 4);
    put((uint32_t)name.size(), 2);
    put(0, 2);
    put(0, 2);
    put(0, 2);
    put(0, 2);
    put(0, 4);
    put(0, 4);
    z.insert(z.end(), name.begin(), name.end());
    size_t centralSize = z.size() - central;
    put(0x06054b50, 4);
    put(0, 2);
    put(0, 2);
    put(1, 2);
    put(1, 2);
    put((uint32_t)centralSize, 4);
    put((uint32_t)central, 4);
    put(0, 2);
    return z;
}

TEST_F(Peer, OurEncryptedEntriesDecryptedByUnzip) {
    Run("unzip -v | head -1");
    auto rng = [](uint8_t* out, size_t n) {
        for (size_t i = 0; i < n; ++i) out[i] = (uint8_t)(i * 29 + 3);
    };
    for (auto& [name, data] : Corpus())
        for (uint8_t method : {kMethodStored, kMethodDeflate})
            for (bool timeCheck : {false, true}) {
                PackOptions o;
                o.method = method;
                o.password = "Sesame 123";
                o.checkByteFromTime = timeCheck;
                std::vector<uint8_t> entry;
                ASSERT_EQ(PackOk, MakeEntry(name, data.data(), data.size(), 0x5A3C8421, o, rng, entry));
                WriteFile(P("e.zip"), ZipAround(entry, name));
                ASSERT_EQ(0, Run("cd " + dir + " && unzip -qq -P 'Sesame 123' -p e.zip " + name + " > out"))
                    << name << (int)method << timeCheck;
                EXPECT_EQ(data, ReadFile(P("out")))
                    << name << " method " << (int)method << " time " << timeCheck;
            }
}

}  // namespace
