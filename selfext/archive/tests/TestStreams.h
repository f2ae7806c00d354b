#pragma once
// Memory-backed byte source and sink for the archive tests.

#include <cstring>
#include <string>
#include <vector>

#include "Streams.h"

struct MemorySource {
    ByteSource base;
    std::vector<uint8_t> data;
    size_t pos = 0;
    uint32_t readLimit = 0xFFFFFFFFu;  // per call, to exercise short reads

    explicit MemorySource(std::vector<uint8_t> bytes) : base{ReadImpl, SeekImpl}, data(std::move(bytes)) {}

    static uint32_t ReadImpl(ByteSource* self, void* buffer, uint32_t size) {
        MemorySource* s = reinterpret_cast<MemorySource*>(self);
        size_t left = s->pos < s->data.size() ? s->data.size() - s->pos : 0;
        size_t n = std::min<size_t>({size, left, s->readLimit});
        if (n) memcpy(buffer, s->data.data() + s->pos, n);
        s->pos += n;
        return (uint32_t)n;
    }
    static int64_t SeekImpl(ByteSource* self, uint32_t offset) {
        reinterpret_cast<MemorySource*>(self)->pos = offset;
        return offset;
    }
};

struct MemorySink {
    ByteSink base;
    std::vector<uint8_t> data;
    size_t failAfter = (size_t)-1;  // refuse writes once this many bytes are in

    MemorySink() : base{WriteImpl} {}
    static bool WriteImpl(ByteSink* self, const uint8_t* bytes, uint32_t size) {
        MemorySink* s = reinterpret_cast<MemorySink*>(self);
        if (s->data.size() + size > s->failAfter) return false;
        s->data.insert(s->data.end(), bytes, bytes + size);
        return true;
    }
};

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Deterministic test data (fixed seeds, so any failure reproduces).
inline std::vector<uint8_t> RandomData(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = (uint8_t)x;
    }
    return v;
}

inline std::vector<uint8_t> TextData(size_t n, uint32_t seed) {
    static const char* words[] = {"archive ", "entry ", "the ", "self ",  "extract ", "window ", "data\r\n",
                                  "of ",      "a ",     "and ", "setup ", "Varnel ",  "path\\",  "file."};
    std::vector<uint8_t> v;
    uint32_t x = seed + 7;
    while (v.size() < n) {
        x = x * 1103515245u + 12345u;
        const char* w = words[(x >> 16) % 14];
        v.insert(v.end(), w, w + strlen(w));
    }
    v.resize(n);
    return v;
}
