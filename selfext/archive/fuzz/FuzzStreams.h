#pragma once
// The fuzz input as a byte source; output goes nowhere but the CRC.

#include <string.h>

#include "Streams.h"

struct FuzzSource {
    ByteSource base;
    const uint8_t* data;
    size_t size;
    size_t pos;
};

inline uint32_t FuzzRead(ByteSource* self, void* buffer, uint32_t n) {
    FuzzSource* s = (FuzzSource*)self;
    size_t left = s->pos < s->size ? s->size - s->pos : 0;
    if (n > left) n = (uint32_t)left;
    if (n) memcpy(buffer, s->data + s->pos, n);
    s->pos += n;
    return n;
}

inline int64_t FuzzSeek(ByteSource* self, uint32_t offset) {
    ((FuzzSource*)self)->pos = offset;
    return offset;
}

inline FuzzSource MakeFuzzSource(const uint8_t* data, size_t size) {
    FuzzSource s = {{FuzzRead, FuzzSeek}, data, size, 0};
    return s;
}

struct NullSink {
    ByteSink base;
    uint64_t total;
};

inline bool NullWrite(ByteSink* self, const uint8_t*, uint32_t n) {
    ((NullSink*)self)->total += n;
    return true;
}
