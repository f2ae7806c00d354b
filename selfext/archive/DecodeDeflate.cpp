// Raw Deflate (RFC 1951). Bits come least significant first through a 64-bit
// bit buffer that is topped up to at least 56 bits before every symbol, so a
// literal/length, its extra bits, a distance and its extra bits (48 bits at
// most) never need a second refill. Past the end of the data the buffer is
// topped up with 0xFF bytes; once more of them are taken than it can hold,
// the stream is known to have run out.

#include "DecodeInternal.h"

namespace {

const uint32_t kHistory = 32768;
const uint32_t kChunk = 65536;
const uint32_t kOutSlack = 258 + 16;

const int kLitBits = 11;
const int kDistBits = 8;
const int kPreBits = 7;
// Largest tables complete codes can need with these first-level sizes
// (counted for 288 and 32 symbols of at most 15 bits); the builder still
// checks them.
const int kLitEnough = 2342;
const int kDistEnough = 402;
const int kPreEnough = 128;

// Table entry: value << 16 | kind << 12 | code bits << 8 | bits taken. A
// length or distance takes its code and its extra bits in one step, the extra
// bits' value being what lies above the code; a sub-table pointer takes the
// first-level bits and keeps the sub-table's size in its code bits.
enum { kLiteral = 0, kLength = 1, kEnd = 2, kSub = 3, kBad = 4 };

inline uint32_t MakeEntry(uint32_t value, uint32_t kind, uint32_t extra) {
    return value << 16 | kind << 12 | extra;
}
inline uint32_t EntryBits(uint32_t e) { return e & 0xFF; }
inline uint32_t EntryCodeBits(uint32_t e) { return (e >> 8) & 0xF; }
inline uint32_t EntryKind(uint32_t e) { return (e >> 12) & 7; }
inline uint32_t EntryValue(uint32_t e) { return e >> 16; }
// `low` holds the buffer's bits from before the entry was taken.
inline uint32_t EntryExtraValue(uint32_t e, uint32_t low) {
    return (low & ((1u << EntryBits(e)) - 1)) >> EntryCodeBits(e);
}

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct DeflateState {
    uint8_t input[kInputChunk + kInputSlack];
    uint8_t output[kHistory + kChunk + kOutSlack];
    uint32_t lit[kLitEnough];
    uint32_t dist[kDistEnough];
    uint32_t pre[kPreEnough];
    uint32_t fixedLit[kLitEnough];
    uint32_t fixedDist[kDistEnough];
    uint32_t litSymbols[288];
    uint32_t distSymbols[32];
    uint32_t preSymbols[19];
    uint16_t sorted[288];
    uint8_t lengths[288 + 32];
};
static_assert(sizeof(DeflateState) <= sizeof(DecodeWorkspace), "workspace too small");

// Builds a first-level table of `rootBits` bits with second-level tables
// behind it from canonical code lengths. `symbols` gives each symbol's entry
// without its bit count. An incomplete code is accepted only where RFC 1951
// allows it (`allowSingle`: one code of one bit, or no code at all); the
// missing codes then decode as kBad.
DecodeStatus BuildTable(uint32_t* table, int capacity, const uint8_t* lengths, int count, int rootBits,
                        const uint32_t* symbols, bool allowSingle, uint16_t* sorted) {
    uint16_t perLength[16] = {0};
    for (int s = 0; s < count; ++s) perLength[lengths[s]]++;
    int maxLength = 15;
    while (maxLength > 0 && perLength[maxLength] == 0) --maxLength;

    const uint32_t bad = MakeEntry(0, kBad, 0) | 1;
    const int rootSize = 1 << rootBits;
    for (int i = 0; i < rootSize; ++i) table[i] = bad;
    if (maxLength == 0) return allowSingle ? DecodeOk : DecodeBadCodeLengths;

    int left = 1;
    for (int len = 1; len <= 15; ++len) {
        left = (left << 1) - perLength[len];
        if (left < 0) return DecodeBadCodeLengths;
    }
    if (left > 0 && !(allowSingle && maxLength == 1)) return DecodeBadCodeLengths;

    uint16_t offsets[17];
    offsets[1] = 0;
    for (int len = 1; len < 16; ++len) offsets[len + 1] = offsets[len] + perLength[len];
    for (int s = 0; s < count; ++s)
        if (lengths[s]) sorted[offsets[lengths[s]]++] = (uint16_t)s;
    int used = offsets[16];

    uint32_t code = 0;  // canonical code, most significant bit first
    int tableEnd = rootSize;
    uint32_t prefix = ~0u;
    int subStart = 0, subBits = 0;
    for (int i = 0; i < used; ++i) {
        int s = sorted[i];
        int len = lengths[s];
        uint32_t reversed = 0;
        for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
        if (len <= rootBits) {
            uint32_t e = symbols[s] + ((uint32_t)len * 0x101);
            for (int j = (int)reversed; j < rootSize; j += 1 << len) table[j] = e;
        } else {
            uint32_t p = reversed & (uint32_t)(rootSize - 1);
            if (p != prefix) {
                // Size the sub-table to cover every remaining code with this prefix.
                int cur = len - rootBits;
                int room = 1 << cur;
                while (cur + rootBits < maxLength) {
                    room -= perLength[cur + rootBits];
                    if (room <= 0) break;
                    ++cur;
                    room <<= 1;
                }
                subBits = cur;
                subStart = tableEnd;
                tableEnd += 1 << subBits;
                if (tableEnd > capacity) return DecodeBadCodeLengths;
                table[p] = MakeEntry((uint32_t)subStart, kSub, (uint32_t)(subBits << 8 | rootBits));
                prefix = p;
            }
            int subLen = len - rootBits;
            uint32_t e = symbols[s] + ((uint32_t)subLen * 0x101);
            for (int j = (int)(reversed >> rootBits); j < (1 << subBits); j += 1 << subLen)
                table[subStart + j] = e;
        }
        perLength[len]--;
        ++code;
        if (i + 1 < used) code <<= lengths[sorted[i + 1]] - len;
    }
    return DecodeOk;
}

struct BitReader {
    InputReader reader;
    uint64_t bits;
    uint32_t count;
    uint32_t overrun;  // 0xFF bytes fed after the end of the data
};

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Tops the buffer up to at least 56 bits. False once bytes beyond the end of
// the data would have to be consumed.
inline bool Refill(BitReader* br) {
    InputReader* r = &br->reader;
    if (r->end - r->next >= 8) {
        br->bits |= Load64(r->next) << br->count;
        r->next += (63 - br->count) >> 3;
        br->count |= 56;
        return true;
    }
    while (br->count <= 56) {
        if (r->next == r->end && !InputRefill(r)) {
            if (++br->overrun > 8) return false;
            br->bits |= (uint64_t)0xFF << br->count;
        } else {
            br->bits |= (uint64_t)*r->next++ << br->count;
        }
        br->count += 8;
    }
    return true;
}

inline uint32_t Take(BitReader* br, uint32_t n) {
    uint32_t v = (uint32_t)(br->bits & ((1ull << n) - 1));
    br->bits >>= n;
    br->count -= n;
    return v;
}

// True when the stream consumed bits that were never in the data.
inline bool UsedOverrun(const BitReader* br) { return br->overrun * 8 > br->count; }

struct Decoder {
    DeflateState* s;
    BitReader br;
    OutputWindow out;
    bool fixedBuilt;
};

DecodeStatus BuildFixed(Decoder* d) {
    DeflateState* s = d->s;
    for (int i = 0; i < 144; ++i) s->lengths[i] = 8;
    for (int i = 144; i < 256; ++i) s->lengths[i] = 9;
    for (int i = 256; i < 280; ++i) s->lengths[i] = 7;
    for (int i = 280; i < 288; ++i) s->lengths[i] = 8;
    DecodeStatus st =
        BuildTable(s->fixedLit, kLitEnough, s->lengths, 288, kLitBits, s->litSymbols, false, s->sorted);
    if (st != DecodeOk) return st;
    for (int i = 0; i < 30; ++i) s->lengths[i] = 5;
    // The fixed distance code has 32 five-bit codes; 30 and 31 are invalid.
    for (int i = 30; i < 32; ++i) s->lengths[i] = 5;
    st = BuildTable(s->fixedDist, kDistEnough, s->lengths, 32, kDistBits, s->distSymbols, false, s->sorted);
    d->fixedBuilt = st == DecodeOk;
    return st;
}

DecodeStatus ReadDynamic(Decoder* d) {
    DeflateState* s = d->s;
    BitReader* br = &d->br;
    if (!Refill(br)) return DecodeInputEnded;
    uint32_t nlit = Take(br, 5) + 257;
    uint32_t ndist = Take(br, 5) + 1;
    uint32_t npre = Take(br, 4) + 4;
    if (nlit > 286 || ndist > 30) return DecodeBadCodeCounts;
    uint8_t preLengths[19] = {0};
    for (uint32_t i = 0; i < npre; ++i) {
        if (!Refill(br)) return DecodeInputEnded;
        preLengths[kCodeLengthOrder[i]] = (uint8_t)Take(br, 3);
    }
    DecodeStatus st =
        BuildTable(s->pre, kPreEnough, preLengths, 19, kPreBits, s->preSymbols, false, s->sorted);
    if (st != DecodeOk) return st;

    uint32_t total = nlit + ndist;
    uint32_t i = 0;
    while (i < total) {
        if (!Refill(br)) return DecodeInputEnded;
        uint32_t e = s->pre[br->bits & ((1u << kPreBits) - 1)];
        if (EntryKind(e) == kBad) return DecodeBadCodeLengths;
        Take(br, EntryBits(e));
        uint32_t sym = EntryValue(e);
        if (sym < 16) {
            s->lengths[i++] = (uint8_t)sym;
            continue;
        }
        uint32_t repeat;
        uint8_t value = 0;
        if (sym == 16) {
            if (i == 0) return DecodeBadRepeat;
            value = s->lengths[i - 1];
            repeat = 3 + Take(br, 2);
        } else if (sym == 17) {
            repeat = 3 + Take(br, 3);
        } else {
            repeat = 11 + Take(br, 7);
        }
        if (i + repeat > total) return DecodeBadRepeat;
        while (repeat--) s->lengths[i++] = value;
    }
    if (s->lengths[256] == 0) return DecodeBadCodeLengths;  // no end-of-block code
    st = BuildTable(s->lit, kLitEnough, s->lengths, (int)nlit, kLitBits, s->litSymbols, true, s->sorted);
    if (st != DecodeOk) return st;
    return BuildTable(s->dist, kDistEnough, s->lengths + nlit, (int)ndist, kDistBits, s->distSymbols, true,
                      s->sorted);
}

DecodeStatus CopyStoredBlock(Decoder* d) {
    BitReader* br = &d->br;
    OutputWindow* w = &d->out;
    Take(br, br->count & 7);
    if (!Refill(br)) return DecodeInputEnded;
    uint32_t len = Take(br, 16);
    uint32_t nlen = Take(br, 16);
    if (UsedOverrun(br)) return DecodeInputEnded;
    if ((len ^ 0xFFFF) != nlen) return DecodeBadStoredLength;
    // First the whole bytes still in the bit buffer, then straight from input.
    while (len > 0 && br->count >= 8) {
        if (br->count / 8 <= br->overrun) return DecodeInputEnded;
        if (w->pos >= w->limit && !OutputSlide(w)) return DecodeWriteFailed;
        w->buffer[w->pos++] = (uint8_t)Take(br, 8);
        --len;
    }
    InputReader* r = &br->reader;
    // The buffer is empty; the bits above its count are the bytes about to
    // be copied, which a later refill must not find there.
    if (len > 0) br->bits = 0;
    while (len > 0) {
        if (r->next == r->end && !InputRefill(r)) return DecodeInputEnded;
        if (w->pos >= w->limit && !OutputSlide(w)) return DecodeWriteFailed;
        uint32_t n = len;
        if (n > (uint32_t)(r->end - r->next)) n = (uint32_t)(r->end - r->next);
        if (n > w->limit - w->pos) n = w->limit - w->pos;
        memcpy(w->buffer + w->pos, r->next, n);
        w->pos += n;
        r->next += n;
        len -= n;
    }
    return DecodeOk;
}

// The hot loop keeps the bit buffer, the input pointers and the output
// position in locals: stores through the byte pointers would otherwise make
// the compiler reload them from memory after every output byte. Each turn
// tops the buffer up once and decodes one match or up to two literals, the
// same steps near the end of the data as elsewhere, so running out of data
// ends the same way wherever it happens.
DecodeStatus DecodeHuffmanBlock(Decoder* d, const uint32_t* lit, const uint32_t* dist) {
    BitReader* br = &d->br;
    InputReader* r = &br->reader;
    OutputWindow* w = &d->out;
    uint8_t* const buffer = w->buffer;
    const uint32_t limit = w->limit;
    const uint32_t litMask = (1u << kLitBits) - 1;
    const uint32_t distMask = (1u << kDistBits) - 1;
    uint64_t bits = br->bits;
    uint32_t count = br->count;
    uint32_t pos = w->pos;
    const uint8_t* next = r->next;
    const uint8_t* end = r->end;
    DecodeStatus status;

#define SAVE() (br->bits = bits, br->count = count, w->pos = pos, r->next = next)
#define LOAD() (bits = br->bits, count = br->count, pos = w->pos, next = r->next, end = r->end)
    for (;;) {
        if (pos >= limit) {
            SAVE();
            if (!OutputSlide(w)) return DecodeWriteFailed;
            LOAD();
        }
        // The lookup goes ahead of the refill, which it need not wait for
        // unless the buffer held less than a first-level code.
        uint32_t e = lit[(uint32_t)bits & litMask];
        const uint32_t had = count;
        // The bits above `count` are the next input bits, not zeros; or-ing
        // the same bytes in again leaves them as they are.
        if (end - next >= 8) {
            bits |= Load64(next) << count;
            next += (63 - count) >> 3;
            count |= 56;
        } else {
            SAVE();
            if (!Refill(br)) return DecodeInputEnded;
            LOAD();
        }
        if (had < kLitBits) e = lit[(uint32_t)bits & litMask];
        uint32_t low, kind;
    take:
        // A sub-table pointer takes the first-level bits like any entry;
        // testing for it after the literals keeps it off their path.
        low = (uint32_t)bits;
        bits >>= EntryBits(e);
        count -= EntryBits(e);
        kind = EntryKind(e);
        if (kind == kLiteral) {
            buffer[pos++] = (uint8_t)EntryValue(e);
            // At least 41 bits are left, enough for any code.
            e = lit[(uint32_t)bits & litMask];
            if (EntryKind(e) == kLiteral) {
                bits >>= EntryBits(e);
                count -= EntryBits(e);
                buffer[pos++] = (uint8_t)EntryValue(e);
            }
            continue;
        }
        if (kind == kSub) {
            e = lit[EntryValue(e) + ((uint32_t)bits & ((1u << EntryCodeBits(e)) - 1))];
            goto take;
        }
        if (kind != kLength) {
            status = kind == kEnd ? DecodeOk : DecodeBadSymbol;
            break;
        }
        uint32_t length = EntryValue(e) + EntryExtraValue(e, low);

        e = dist[(uint32_t)bits & distMask];
        for (;;) {
            low = (uint32_t)bits;
            bits >>= EntryBits(e);
            count -= EntryBits(e);
            if (EntryKind(e) != kSub) break;
            e = dist[EntryValue(e) + ((uint32_t)bits & ((1u << EntryCodeBits(e)) - 1))];
        }
        if (EntryKind(e) != kLength) {
            status = DecodeBadSymbol;
            break;
        }
        uint32_t distance = EntryValue(e) + EntryExtraValue(e, low);
        if (distance > pos) {
            status = DecodeBadDistance;
            break;
        }

        // Whole words, up to 21 bytes past the end, which the slack absorbs;
        // the first two without a test, as most matches are short. A match
        // closer than a word starts bytewise, which repeats its pattern far
        // enough back for words to copy at a multiple of its distance.
        uint8_t* to = buffer + pos;
        const uint8_t* from = to - distance;
        pos += length;
        uint8_t* const stop = buffer + pos;
        if (distance < 8) {
            for (int i = 0; i < 8; ++i) to[i] = from[i];
            uint32_t period = distance;
            while (period < 8) period += distance;
            to += 8;
            from = to - period;
        }
        memcpy(to, from, 8);
        memcpy(to + 8, from + 8, 8);
        to += 16;
        from += 16;
        while (to < stop) {
            memcpy(to, from, 8);
            to += 8;
            from += 8;
        }
    }
    SAVE();
    return status;
#undef SAVE
#undef LOAD
}

}  // namespace

DecodeStatus DecodeDeflate(EntryInput* in, ByteSink* sink, uint32_t* crc, DecodeWorkspace* work,
                           uint32_t maxOutput) {
    DeflateState* s = (DeflateState*)work->bytes;
    Decoder d;
    d.s = s;
    InputStart(&d.br.reader, in, s->input);
    d.br.bits = 0;
    d.br.count = 0;
    d.br.overrun = 0;
    d.out.buffer = s->output;
    d.out.pos = d.out.flushed = 0;
    d.out.history = kHistory;
    d.out.limit = kHistory + kChunk;
    d.out.sink = sink;
    d.out.crc = crc;
    d.out.allowed = maxOutput;
    d.out.failed = d.out.tooLong = false;
    d.fixedBuilt = false;

    for (int i = 0; i < 256; ++i) s->litSymbols[i] = MakeEntry((uint32_t)i, kLiteral, 0);
    s->litSymbols[256] = MakeEntry(0, kEnd, 0);
    for (int i = 0; i < 29; ++i) s->litSymbols[257 + i] = MakeEntry(kLengthBase[i], kLength, kLengthExtra[i]);
    s->litSymbols[286] = s->litSymbols[287] = MakeEntry(0, kBad, 0);
    for (int i = 0; i < 30; ++i) s->distSymbols[i] = MakeEntry(kDistBase[i], kLength, kDistExtra[i]);
    s->distSymbols[30] = s->distSymbols[31] = MakeEntry(0, kBad, 0);
    for (int i = 0; i < 19; ++i) s->preSymbols[i] = MakeEntry((uint32_t)i, kLiteral, 0);

    DecodeStatus status = DecodeOk;
    bool last = false;
    while (!last && status == DecodeOk) {
        if (!Refill(&d.br)) {
            status = DecodeInputEnded;
            break;
        }
        last = Take(&d.br, 1) != 0;
        switch (Take(&d.br, 2)) {
            case 0: status = CopyStoredBlock(&d); break;
            case 1:
                if (!d.fixedBuilt) status = BuildFixed(&d);
                if (status == DecodeOk) status = DecodeHuffmanBlock(&d, s->fixedLit, s->fixedDist);
                break;
            case 2:
                status = ReadDynamic(&d);
                if (status == DecodeOk) status = DecodeHuffmanBlock(&d, s->lit, s->dist);
                break;
            default: status = DecodeBadBlockType; break;
        }
        // Whatever the 0xFF filler decoded to, the real cause is the short data.
        if (status != DecodeWriteFailed && UsedOverrun(&d.br)) status = DecodeInputEnded;
    }
    bool flushed = OutputFlush(&d.out);
    if (d.out.tooLong) return DecodeTooLong;
    return flushed ? status : DecodeWriteFailed;
}
