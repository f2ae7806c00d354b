#pragma once
// The two seams between the archive code and the outside world. The stub
// implements them over its own program file and the output file, tests over
// memory, fuzzers over the fuzz input. Nothing below this line touches a file.
//
// Both are plain structs of function pointers (no virtual functions) so the
// stub needs no C++ runtime support for them. An implementation embeds the
// struct as its first member, or derives from it, and casts `self` back.

#include <stdint.h>

// A readable, seekable byte source.
struct ByteSource {
    // Copies up to `size` bytes from the current position into `buffer` and
    // advances the position by the count returned. A count below `size`
    // means the end of the source or a read failure; the two are not told
    // apart because both end an entry the same way. Never returns more than
    // `size`, never negative.
    uint32_t (*Read)(ByteSource* self, void* buffer, uint32_t size);
    // Moves to `offset` bytes from the start. Returns the new position, or
    // -1 when the move failed (the position is then unspecified).
    int64_t (*Seek)(ByteSource* self, uint32_t offset);
};

// Where decoded bytes go, in order, in blocks of any size (at most 64 KiB).
struct ByteSink {
    // Returns false when the bytes could not all be stored; the decoder then
    // stops with DecodeWriteFailed.
    bool (*Write)(ByteSink* self, const uint8_t* data, uint32_t size);
};
