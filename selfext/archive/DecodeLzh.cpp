// LZH -lh5-: blocks of static Huffman codes over LZ77 with an 8 KiB
// dictionary. Bits are read most significant first through a 64-bit buffer
// aligned to its top; past the end of the data zero bits come in, so the
// current block runs out of symbols and the next block size reads as 0.
// The code tables are built as the classic LHA decoder builds them (direct
// lookup for short codes, a binary tree for the rest), with every length and
// count checked so that no table, tree or length array is ever overrun.

#include "DecodeInternal.h"
#include "LzhFormat.h"

namespace {

const uint32_t kDictionary = kLzhDictionary;
const uint32_t kChunk = 65536;
const uint32_t kOutSlack = kLzhMaxMatch + 16;

const int kCharCount = kLzhCharCount;
const int kPositionCount = kLzhPositionCount;
const int kLengthCodeCount = kLzhLengthCodeCount;
const int kCharTableBits = 12;
const int kPositionTableBits = 8;
const int kTreeSize = 2 * kCharCount;

struct LzhState {
    uint8_t input[kInputChunk + kInputSlack];
    uint8_t output[kDictionary + kChunk + kOutSlack];
    uint16_t charTable[1 << kCharTableBits];
    uint16_t positionTable[1 << kPositionTableBits];
    uint16_t left[kTreeSize];
    uint16_t right[kTreeSize];
    uint8_t charLength[kCharCount];
    uint8_t positionLength[kLengthCodeCount + 1];
};
static_assert(sizeof(LzhState) <= sizeof(DecodeWorkspace), "workspace too small");

inline uint64_t LoadBig64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, 8);
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

struct Decoder {
    LzhState* s;
    InputReader reader;
    uint64_t bits;   // next bits of the stream, first bit at the top
    uint32_t count;  // how many of them are valid
    OutputWindow out;
};

// At least 48 valid bits afterwards: one character, one position and its
// extra bits need 44.
inline void Refill(Decoder* d) {
    InputReader* r = &d->reader;
    if (d->count >= 48) return;
    if (r->end - r->next >= 8) {
        uint32_t take = (63 - d->count) >> 3;
        d->bits |= LoadBig64(r->next) >> d->count;
        r->next += take;
        d->count += take * 8;
        d->bits &= ~0ull << (64 - d->count);
        return;
    }
    while (d->count <= 56) {
        if (r->next == r->end && !InputRefill(r)) {
            d->count = 64;  // zero bits from here on
            return;
        }
        d->bits |= (uint64_t)*r->next++ << (56 - d->count);
        d->count += 8;
    }
}

inline uint32_t Peek16(const Decoder* d) { return (uint32_t)(d->bits >> 48); }

inline void Skip(Decoder* d, uint32_t n) {
    d->bits <<= n;
    d->count -= n;
}

inline uint32_t Get(Decoder* d, uint32_t n) {
    Refill(d);
    uint32_t v = (uint32_t)(d->bits >> (64 - n));
    Skip(d, n);
    return v;
}

// The classic builder: start[] from the length counts, direct entries for
// codes of up to `tableBits` bits, tree nodes (numbered from `count` up) for
// longer ones. Refuses codes that do not fill the code space exactly.
bool BuildTable(LzhState* s, int count, const uint8_t* lengths, int tableBits, uint16_t* table) {
    uint32_t perLength[17] = {0};
    for (int i = 0; i < count; ++i) {
        if (lengths[i] > 16) return false;
        perLength[lengths[i]]++;
    }
    uint32_t start[18];
    start[1] = 0;
    for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (perLength[i] << (16 - i));
    // Counted in 32 bits: a 16-bit sum would also let codes filling the
    // space twice over pass.
    if (start[17] != 65536) return false;

    uint32_t weight[17];
    const int jut = 16 - tableBits;
    for (int i = 1; i <= tableBits; ++i) {
        start[i] >>= jut;
        weight[i] = 1u << (tableBits - i);
    }
    for (int i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);

    uint32_t first = start[tableBits + 1] >> jut;
    for (uint32_t i = first; i < (1u << tableBits); ++i) table[i] = 0;

    int avail = count;
    const uint32_t mask = 1u << (15 - tableBits);
    for (int ch = 0; ch < count; ++ch) {
        int len = lengths[ch];
        if (len == 0) continue;
        uint32_t k = start[len];
        uint32_t next = k + weight[len];
        if (len <= tableBits) {
            for (uint32_t i = k; i < next; ++i) table[i] = (uint16_t)ch;
        } else {
            uint16_t* slot = &table[k >> jut];
            for (int i = len - tableBits; i > 0; --i) {
                if (*slot == 0) {
                    if (avail >= kTreeSize) return false;
                    s->left[avail] = s->right[avail] = 0;
                    *slot = (uint16_t)avail++;
                }
                if (*slot < count) return false;  // a leaf in the way: cannot happen for a prefix code
                slot = (k & mask) ? &s->right[*slot] : &s->left[*slot];
                k <<= 1;
            }
            *slot = (uint16_t)ch;
        }
        start[len] = next;
    }
    return true;
}

// A one-symbol code that consumes no bits.
bool SingleCode(uint16_t* table, int tableSize, uint8_t* lengths, int count, uint32_t symbol) {
    if (symbol >= (uint32_t)count) return false;
    for (int i = 0; i < count; ++i) lengths[i] = 0;
    for (int i = 0; i < tableSize; ++i) table[i] = (uint16_t)symbol;
    return true;
}

// Tree walk below a table entry; `mask` selects the first bit after the table bits.
inline uint32_t Walk(const LzhState* s, uint32_t j, int count, uint32_t peek, uint32_t mask) {
    while (j >= (uint32_t)count) {
        if (mask == 0 || j >= (uint32_t)kTreeSize) return kTreeSize;
        j = (peek & mask) ? s->right[j] : s->left[j];
        mask >>= 1;
    }
    return j;
}

// The code-length code (19 symbols, special index 3) or the position code
// (14 symbols, no special index); both use the position table.
bool ReadPositionLengths(Decoder* d, int count, uint32_t widthBits, int special) {
    LzhState* s = d->s;
    uint32_t n = Get(d, widthBits);
    if (n == 0)
        return SingleCode(s->positionTable, 1 << kPositionTableBits, s->positionLength, count,
                          Get(d, widthBits));
    if (n > (uint32_t)count) return false;
    uint32_t i = 0;
    while (i < n) {
        Refill(d);
        uint32_t peek = Peek16(d);
        uint32_t c = peek >> 13;
        if (c == 7) {
            for (uint32_t mask = 1u << 12; mask & peek; mask >>= 1) ++c;
            if (c > 16) return false;
        }
        Skip(d, c < 7 ? 3 : c - 3);
        s->positionLength[i++] = (uint8_t)c;
        if ((int)i == special) {
            uint32_t zeros = Get(d, 2);
            if (i + zeros > (uint32_t)count) return false;
            while (zeros--) s->positionLength[i++] = 0;
        }
    }
    while (i < (uint32_t)count) s->positionLength[i++] = 0;
    return BuildTable(s, count, s->positionLength, kPositionTableBits, s->positionTable);
}

bool ReadCharLengths(Decoder* d) {
    LzhState* s = d->s;
    uint32_t n = Get(d, 9);
    if (n == 0) return SingleCode(s->charTable, 1 << kCharTableBits, s->charLength, kCharCount, Get(d, 9));
    if (n > (uint32_t)kCharCount) return false;
    uint32_t i = 0;
    while (i < n) {
        Refill(d);
        uint32_t peek = Peek16(d);
        uint32_t c = Walk(s, s->positionTable[peek >> 8], kLengthCodeCount, peek, 0x80);
        if (c >= (uint32_t)kLengthCodeCount) return false;
        Skip(d, s->positionLength[c]);
        if (c <= 2) {
            uint32_t zeros = c == 0 ? 1 : c == 1 ? Get(d, 4) + 3 : Get(d, 9) + 20;
            if (i + zeros > (uint32_t)kCharCount) return false;
            while (zeros--) s->charLength[i++] = 0;
        } else {
            s->charLength[i++] = (uint8_t)(c - 2);
        }
    }
    while (i < (uint32_t)kCharCount) s->charLength[i++] = 0;
    return BuildTable(s, kCharCount, s->charLength, kCharTableBits, s->charTable);
}

// False on a malformed block header; *blockSize 0 marks the end of the stream.
bool ReadBlockHeader(Decoder* d, uint32_t* blockSize) {
    *blockSize = Get(d, 16);
    if (*blockSize == 0) return true;
    return ReadPositionLengths(d, kLengthCodeCount, 5, 3) && ReadCharLengths(d) &&
           ReadPositionLengths(d, kPositionCount, 4, -1);
}

}  // namespace

DecodeStatus DecodeLzh(EntryInput* in, int32_t size, ByteSink* sink, uint32_t* crc, DecodeWorkspace* work) {
    LzhState* s = (LzhState*)work->bytes;
    Decoder d;
    d.s = s;
    InputStart(&d.reader, in, s->input);
    d.bits = 0;
    d.count = 0;
    // The dictionary starts out as spaces, as LHA decoders have it, so a match
    // reaching before the first byte gives the same bytes everywhere.
    memset(s->output, ' ', kDictionary);
    d.out.buffer = s->output;
    d.out.pos = d.out.flushed = kDictionary;
    d.out.history = kDictionary;
    d.out.limit = kDictionary + kChunk;
    d.out.sink = sink;
    d.out.crc = crc;
    d.out.allowed = 0xFFFFFFFFu;
    d.out.failed = d.out.tooLong = false;

    DecodeStatus status = DecodeOk;
    uint32_t blockLeft = 0;
    int64_t produced = 0;
    uint8_t* const buffer = s->output;
    while (produced < size) {
        if (blockLeft == 0) {
            if (!ReadBlockHeader(&d, &blockLeft)) {
                status = DecodeBadLzhTable;
                break;
            }
            if (blockLeft == 0) {
                status = DecodeInputEnded;
                break;
            }
        }
        --blockLeft;
        if (d.out.pos >= d.out.limit && !OutputSlide(&d.out)) break;
        Refill(&d);
        uint32_t peek = Peek16(&d);
        uint32_t c = s->charTable[peek >> 4];
        if (c >= (uint32_t)kCharCount) {
            c = Walk(s, c, kCharCount, peek, 0x8);
            if (c >= (uint32_t)kCharCount) {
                status = DecodeBadLzhTable;
                break;
            }
        }
        Skip(&d, s->charLength[c]);
        if (c < 256) {
            buffer[d.out.pos++] = (uint8_t)c;
            ++produced;
            continue;
        }
        uint32_t length = c - 253;
        produced += length;
        peek = Peek16(&d);
        uint32_t j = s->positionTable[peek >> 8];
        if (j >= (uint32_t)kPositionCount) {
            j = Walk(s, j, kPositionCount, peek, 0x80);
            if (j >= (uint32_t)kPositionCount) {
                status = DecodeBadLzhTable;
                break;
            }
        }
        Skip(&d, s->positionLength[j]);
        uint32_t position = 0;
        if (j > 1) {
            position = (1u << (j - 1)) + (uint32_t)(d.bits >> (64 - (j - 1)));
            Skip(&d, j - 1);
        } else if (j == 1) {
            position = 1;
        }
        CopyMatch(buffer + d.out.pos, position + 1, length);
        d.out.pos += length;
    }
    if (!OutputFlush(&d.out)) return DecodeWriteFailed;
    if (d.out.failed) return DecodeWriteFailed;
    return status;
}
