// The walk over the appended archive, the CRC rule and the password procedure.

#include <gtest/gtest.h>
#include <zlib.h>

#include "Archive.h"
#include "Cipher.h"
#include "Crc32.h"
#include "Password.h"
#include "TestStreams.h"

namespace {

std::vector<uint8_t> Entry(const std::string& name, const std::string& data, uint16_t extra = 0,
                           int32_t packed = -1, uint16_t nameLength = 0xFFFF) {
    EntryHeader h{};
    h.signature = kEntrySignature;
    h.compressedSize = packed >= 0 || packed < -1 ? packed : (int32_t)data.size();
    h.uncompressedSize = (int32_t)data.size();
    h.nameLength = nameLength != 0xFFFF ? nameLength : (uint16_t)name.size();
    h.extraLength = extra;
    std::vector<uint8_t> out(kEntryHeaderSize);
    EncodeEntryHeader(&h, out.data());
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), extra, 0xEE);
    return out;
}

struct Walked {
    std::vector<std::string> names;
    std::vector<std::string> data;
    WalkStatus end;
    bool hasPaths;
};

Walked WalkAll(std::vector<std::vector<uint8_t>> entries, const std::vector<uint8_t>& trailer = {}) {
    std::vector<uint8_t> file(kStubSize, 'S');
    for (auto& e : entries) file.insert(file.end(), e.begin(), e.end());
    file.insert(file.end(), trailer.begin(), trailer.end());
    MemorySource src(file);
    ArchiveWalk walk;
    Walked w;
    EXPECT_EQ(WalkEnd, WalkStart(&walk, &src.base));
    WalkStatus st;
    int guard = 0;
    while ((st = WalkNext(&walk)) == WalkEntry && ++guard < 100) {
        w.names.push_back(walk.name);
        std::string d(walk.remaining > 0 && walk.remaining < 1000 ? walk.remaining : 0, '\0');
        d.resize(src.base.Read(&src.base, d.data(), (uint32_t)d.size()));
        w.data.push_back(d);
    }
    w.end = st;
    w.hasPaths = walk.hasPaths;
    EXPECT_EQ(WalkEnd, WalkNext(&walk));  // stays ended
    return w;
}

TEST(Walk, EntriesNamesDataAndExtraBytes) {
    Walked w =
        WalkAll({Entry("docs/readme.txt", "hello", 5), Entry("setup.exe", "MZ")}, Bytes("garbage after"));
    EXPECT_EQ((std::vector<std::string>{"docs/readme.txt", "setup.exe"}), w.names);
    EXPECT_EQ((std::vector<std::string>{"hello", "MZ"}), w.data);  // data right behind the name
    EXPECT_EQ(WalkEnd, w.end);
    EXPECT_TRUE(w.hasPaths);

    Walked flat = WalkAll({Entry("a.txt", "x"), Entry(std::string("abcdef\0ghijk", 12), "y")});
    EXPECT_EQ((std::vector<std::string>{"a.txt", "abcdef"}), flat.names);
    EXPECT_FALSE(flat.hasPaths);
}

TEST(Walk, DamagedArchivesEndWithoutOverrun) {
    EXPECT_EQ(WalkEmptyName, WalkAll({Entry("a", "1"), Entry("", "2")}).end);
    EXPECT_EQ(WalkEmptyName, WalkAll({Entry(std::string("\0abc", 4), "2")}).end);
    Walked longName = WalkAll({Entry("a", "1"), Entry(std::string(300, 'n'), "2")});
    EXPECT_EQ(WalkNameTooLong, longName.end);
    EXPECT_EQ(1u, longName.names.size());
    EXPECT_EQ(WalkEntry == WalkEnd, false);
    // A 257-byte name is the longest the buffer takes.
    EXPECT_EQ(std::string(257, 'n'), WalkAll({Entry(std::string(257, 'n'), "")}).names.at(0));
    // Name length pointing past the end of the file: the name is cut there.
    EXPECT_EQ(WalkEnd, WalkAll({Entry("abc", "", 0, -1, 200)}).end);
    // A header cut short after its signature is not acted on.
    auto cut = Entry("b", "2");
    cut.resize(20);
    Walked w = WalkAll({Entry("a", "1"), cut});
    EXPECT_EQ(1u, w.names.size());
    EXPECT_EQ(WalkEnd, w.end);
    // Sizes beyond the end: no further signature.
    EXPECT_EQ(1u, WalkAll({Entry("a", "1", 0, 1000000)}).names.size());
    // A negative size would lead back to the same header forever.
    Walked loop = WalkAll({Entry("a", "", 0, -(37 + 1))});
    EXPECT_EQ(0u, loop.names.size());
    EXPECT_EQ(WalkEnd, loop.end);
    // Nothing but a few bytes after the stub.
    EXPECT_EQ(0u, WalkAll({}, Bytes("KZ")).names.size());
}

TEST(Walk, FailedSeekToTheArchiveIsReported) {
    MemorySource src({});
    src.base.Seek = [](ByteSource*, uint32_t) -> int64_t { return -1; };
    ArchiveWalk walk;
    EXPECT_EQ(WalkSeekFailed, WalkStart(&walk, &src.base));
    EXPECT_EQ(WalkEnd, WalkNext(&walk));
}

TEST(Crc, SlicedBlockEqualsTheByteWiseDefinition) {
    BuildCrcTable();
    EXPECT_EQ(0xCBF43926u, ~CrcUpdate(kCrcInitial, "123456789", 9));
    auto data = RandomData(20010, 1);
    for (size_t len : {0, 1, 7, 8, 9, 63, 4096, 4999, 12300, 20000}) {
        for (size_t off : {0, 1, 3}) {
            uint32_t bytewise = kCrcInitial;
            for (size_t i = 0; i < len; ++i) bytewise = CrcStep(bytewise, data[off + i]);
            EXPECT_EQ(bytewise, CrcUpdate(kCrcInitial, data.data() + off, len));
            EXPECT_EQ(~bytewise, (uint32_t)crc32(0, data.data() + off, (uInt)len));
        }
    }
}

TEST(Crc, StandardValueAndRawRegisterBothPass) {
    BuildCrcTable();
    uint32_t reg = CrcUpdate(kCrcInitial, "data", 4);
    EXPECT_TRUE(CrcMatches(~reg, reg));
    EXPECT_TRUE(CrcMatches(reg, reg));
    EXPECT_FALSE(CrcMatches(reg ^ 1, reg));
    // An empty file: register 0xFFFFFFFF, stored 0 or 0xFFFFFFFF.
    EXPECT_TRUE(CrcMatches(0, kCrcInitial));
    EXPECT_TRUE(CrcMatches(0xFFFFFFFFu, kCrcInitial));
}

std::vector<uint8_t> Encrypted(const char* pw, uint8_t check, const std::string& plain) {
    BuildCrcTable();
    std::vector<uint8_t> out(12 + plain.size());
    const uint8_t header[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, check};
    std::copy(header, header + 12, out.begin());
    std::copy(plain.begin(), plain.end(), out.begin() + 12);
    CipherKeys k;
    SetKeys(&k, pw, (int)strlen(pw));
    EncipherBlock(&k, out.data(), (uint32_t)out.size());
    return out;
}

struct ScriptedPrompt {
    PasswordPrompt base{Ask};
    std::vector<std::string> answers;
    int asked = 0;
    static int Ask(PasswordPrompt* self, char buffer[kPasswordCapacity]) {
        ScriptedPrompt* p = reinterpret_cast<ScriptedPrompt*>(self);
        std::string a = p->asked < (int)p->answers.size() ? p->answers[p->asked] : "";
        p->asked++;
        strncpy(buffer, a.c_str(), kPasswordCapacity - 1);
        return (int)std::min<size_t>(a.size(), kPasswordCapacity - 1);
    }
};

TEST(Password, CheckByteFromCrcOrTimeAndKeysBehindTheHeader) {
    EntryHeader h{};
    h.crc = 0xAB000000;
    h.dosDateTime = 0x0000CD00;
    for (uint8_t flags : {kFlagEncrypted, (uint8_t)(kFlagEncrypted | kFlagCheckByteFromTime)}) {
        h.flags = flags;
        uint8_t good = (flags & kFlagCheckByteFromTime) ? 0xCD : 0xAB;
        MemorySource src(Encrypted("pw", good, "plain text"));
        EntryInput in{&src.base, (int32_t)src.data.size(), true, {}};
        RememberedPassword remembered{};
        ScriptedPrompt prompt;
        prompt.answers = {"", "wrong", "pw"};
        ASSERT_TRUE(ObtainPassword(&h, &in, &remembered, &prompt.base));
        EXPECT_EQ(3, prompt.asked);  // the empty answer counted as an attempt
        EXPECT_EQ(10, in.remaining);
        uint8_t rest[10];
        src.base.Read(&src.base, rest, 10);
        DecipherBlock(&in.keys, rest, 10);
        EXPECT_EQ("plain text", std::string((char*)rest, 10));

        // The same password again: no prompt. A header checked against the
        // other source (time vs CRC) does not fit.
        MemorySource again(Encrypted("pw", good, ""));
        EntryInput in2{&again.base, 12, true, {}};
        EXPECT_TRUE(ObtainPassword(&h, &in2, &remembered, &prompt.base));
        EXPECT_EQ(3, prompt.asked);
        MemorySource other(Encrypted("pw", good == 0xAB ? 0xCD : 0xAB, ""));
        EntryInput in3{&other.base, 12, true, {}};
        ScriptedPrompt none;
        EXPECT_FALSE(ObtainPassword(&h, &in3, &remembered, &none.base));
        EXPECT_EQ(3, none.asked);
    }
}

}  // namespace
