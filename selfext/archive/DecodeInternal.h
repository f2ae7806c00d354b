#pragma once
// Pieces shared by the decoders: the chunked input reader and the output
// window. Private to this folder.

#include <string.h>

#include "Crc32.h"
#include "Decode.h"

const uint32_t kInputChunk = 32768;
const uint32_t kInputSlack = 16;

// Fills its buffer with chunks of at most 32 KiB of the entry's data and
// deciphers each chunk in place right after reading it.
struct InputReader {
    EntryInput* in;
    uint8_t* buffer;  // kInputChunk + kInputSlack bytes
    const uint8_t* next;
    const uint8_t* end;
};

inline void InputStart(InputReader* r, EntryInput* in, uint8_t* buffer) {
    r->in = in;
    r->buffer = buffer;
    r->next = r->end = buffer;
}

// Reads the next chunk. False when the data is used up or the source fails.
inline bool InputRefill(InputReader* r) {
    EntryInput* in = r->in;
    if (in->remaining <= 0) return false;
    uint32_t want = (uint32_t)in->remaining < kInputChunk ? (uint32_t)in->remaining : kInputChunk;
    uint32_t got = in->source->Read(in->source, r->buffer, want);
    if (got == 0 || got > want) {
        in->remaining = 0;
        return false;
    }
    in->remaining -= (int32_t)got;
    if (in->encrypted) DecipherBlock(&in->keys, r->buffer, got);
    r->next = r->buffer;
    r->end = r->buffer + got;
    return true;
}

// Output goes into a flat buffer that keeps `history` bytes before the
// current position for matches; when a chunk has been produced it is written
// to the sink and the history slides to the front. Matches therefore never
// wrap, and a copy may write a few bytes past its end (the slack) unchecked.
struct OutputWindow {
    uint8_t* buffer;
    uint32_t pos;
    uint32_t flushed;
    uint32_t history;
    uint32_t limit;  // slide once pos reaches this
    ByteSink* sink;
    uint32_t* crc;
    uint32_t allowed;  // bytes the sink may still receive
    bool failed;       // the sink refused a block, or it would pass `allowed`
    bool tooLong;
};

// A block that would pass `allowed` is not written at all: the entry has
// failed, and its hostile remainder could be gigabytes.
inline bool OutputFlush(OutputWindow* w) {
    if (w->pos > w->flushed && !w->failed) {
        const uint8_t* data = w->buffer + w->flushed;
        uint32_t size = w->pos - w->flushed;
        if (size > w->allowed)
            w->failed = w->tooLong = true;
        else if (!w->sink->Write(w->sink, data, size))
            w->failed = true;
        else {
            *w->crc = CrcUpdate(*w->crc, data, size);
            w->allowed -= size;
        }
    }
    w->flushed = w->pos;
    return !w->failed;
}

inline bool OutputSlide(OutputWindow* w) {
    if (!OutputFlush(w)) return false;
    memmove(w->buffer, w->buffer + w->pos - w->history, w->history);
    w->pos = w->flushed = w->history;
    return true;
}

// Copies a match of `length` bytes from `distance` bytes back. Writes up to
// 7 bytes past the end, which the output buffer's slack absorbs.
inline void CopyMatch(uint8_t* to, uint32_t distance, uint32_t length) {
    const uint8_t* from = to - distance;
    if (distance >= 8) {
        uint8_t* stop = to + length;
        do {
            memcpy(to, from, 8);
            to += 8;
            from += 8;
        } while (to < stop);
    } else if (distance == 1) {
        memset(to, *from, length);
    } else {
        for (uint32_t i = 0; i < length; ++i) to[i] = from[i];
    }
}
