#pragma once
// Archives made in memory for the pass's tests, and a source over them.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Cipher.h"
#include "Crc32.h"
#include "ExtractPass.h"

const uint32_t kStart = 100;  // a short stand-in for the stub
const uint32_t kTime = (uint32_t)((44u << 25) | (3u << 21) | (9u << 16) | (13u << 11) | (5u << 5) | 7u);

struct Entry {
    Entry(std::string n, std::string d, uint8_t m = kMethodStored, bool bad = false, std::string pw = "")
        : name(n), data(d), method(m), damaged(bad), password(pw) {}
    std::string name;
    std::string data;  // as stored (the stream, for Deflate)
    uint8_t method;
    bool damaged;
    std::string password;
    std::string plain;      // what a Deflate stream decodes to, for the CRC and size
    int32_t declared = -1;  // an uncompressed size other than the real one
};

// Raw Deflate made of stored blocks, so these tests need no compressor.
inline Entry DeflateEntry(std::string name, const std::string& plain, int32_t declared = -1) {
    std::string stream;
    size_t at = 0;
    do {
        size_t n = std::min<size_t>(plain.size() - at, 65535);
        bool last = at + n == plain.size();
        stream += (char)(last ? 1 : 0);
        stream += (char)(n & 0xFF);
        stream += (char)(n >> 8);
        stream += (char)(~n & 0xFF);
        stream += (char)((~n >> 8) & 0xFF);
        stream += plain.substr(at, n);
        at += n;
    } while (at < plain.size());
    Entry e(name, stream, kMethodDeflate);
    e.plain = plain;
    e.declared = declared;
    return e;
}

inline std::vector<uint8_t> Archive(const std::vector<Entry>& entries) {
    BuildCrcTable();
    std::vector<uint8_t> out(kStart, 0);
    for (const Entry& e : entries) {
        EntryHeader h{};
        h.signature = kEntrySignature;
        h.method = e.method;
        h.dosDateTime = kTime;
        const std::string& plain = e.method == kMethodDeflate ? e.plain : e.data;
        h.crc = ~CrcUpdate(kCrcInitial, plain.data(), plain.size());
        std::vector<uint8_t> data(e.data.begin(), e.data.end());
        if (e.damaged) data[0] ^= 0x55;
        if (!e.password.empty()) {
            h.flags = kFlagEncrypted;
            CipherKeys keys;
            SetKeys(&keys, e.password.data(), (int)e.password.size());
            std::vector<uint8_t> head(kEncryptionHeaderSize, 0x5A);
            head[11] = (uint8_t)(h.crc >> 24);
            head.insert(head.end(), data.begin(), data.end());
            EncipherBlock(&keys, head.data(), (uint32_t)head.size());
            data = head;
        }
        h.compressedSize = (int32_t)data.size();
        h.uncompressedSize = e.declared >= 0 ? e.declared : (int32_t)plain.size();
        h.nameLength = (uint16_t)e.name.size();
        uint8_t bytes[kEntryHeaderSize];
        EncodeEntryHeader(&h, bytes);
        out.insert(out.end(), bytes, bytes + kEntryHeaderSize);
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

struct MemorySource {
    ByteSource base;
    std::vector<uint8_t> bytes;
    size_t at = 0;
};

inline uint32_t MemRead(ByteSource* self, void* buffer, uint32_t size) {
    MemorySource* s = (MemorySource*)self;
    size_t n = std::min<size_t>(size, s->bytes.size() - std::min(s->at, s->bytes.size()));
    if (n) memcpy(buffer, s->bytes.data() + s->at, n);
    s->at += n;
    return (uint32_t)n;
}

inline int64_t MemSeek(ByteSource* self, uint32_t offset) {
    MemorySource* s = (MemorySource*)self;
    if (offset > s->bytes.size()) return -1;
    s->at = offset;
    return offset;
}

inline std::string Lower(std::string s) {
    for (char& c : s) c = (char)tolower((unsigned char)c);
    return s;
}
