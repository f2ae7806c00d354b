#include "Crc32.h"

uint32_t g_CrcTable[kCrcSlices][256];

// Advancing a register over kLane zero bytes, split by the register's bytes.
// It lets four lanes of a block run independently and be joined after:
// crc(A B) = shift(crc(A), |B|) ^ crc_from_zero(B).
static const uint32_t kLane = 1024;
static uint32_t s_laneShift[4][256];

static inline uint32_t Load32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static inline uint32_t Slice8(const uint32_t (*t)[256], uint32_t crc, const uint8_t* p) {
    uint32_t a = Load32(p) ^ crc;
    uint32_t b = Load32(p + 4);
    return t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^ t[3][b & 0xFF] ^
           t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
}

static inline uint32_t ShiftLane(uint32_t crc) {
    return s_laneShift[0][crc & 0xFF] ^ s_laneShift[1][(crc >> 8) & 0xFF] ^
           s_laneShift[2][(crc >> 16) & 0xFF] ^ s_laneShift[3][crc >> 24];
}

void BuildCrcTable() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        g_CrcTable[0][n] = c;
    }
    // Table t advances a byte that still has t zero bytes to pass through.
    for (int t = 1; t < kCrcSlices; ++t)
        for (int n = 0; n < 256; ++n) {
            uint32_t c = g_CrcTable[t - 1][n];
            g_CrcTable[t][n] = g_CrcTable[0][c & 0xFF] ^ (c >> 8);
        }
    // The shift is linear: the image of each of the 32 register bits, then
    // every byte value as the XOR of its bits' images.
    uint32_t basis[32];
    for (int bit = 0; bit < 32; ++bit) {
        uint32_t c = 1u << bit;
        for (uint32_t i = 0; i < kLane; ++i) c = g_CrcTable[0][c & 0xFF] ^ (c >> 8);
        basis[bit] = c;
    }
    for (int k = 0; k < 4; ++k) {
        s_laneShift[k][0] = 0;
        for (int v = 1; v < 256; ++v) {
            int low = 0;
            while (!(v >> low & 1)) ++low;
            s_laneShift[k][v] = s_laneShift[k][v & (v - 1)] ^ basis[8 * k + low];
        }
    }
}

uint32_t CrcStep(uint32_t crc, uint8_t byte) { return g_CrcTable[0][(crc ^ byte) & 0xFF] ^ (crc >> 8); }

uint32_t CrcUpdate(uint32_t crc, const void* data, size_t size) {
    const uint8_t* p = (const uint8_t*)data;
    const uint32_t(*t)[256] = g_CrcTable;
    // Four independent dependency chains keep the table loads overlapped.
    while (size >= 4 * kLane) {
        uint32_t a = crc, b = 0, c = 0, d = 0;
        for (uint32_t i = 0; i < kLane; i += 8) {
            a = Slice8(t, a, p + i);
            b = Slice8(t, b, p + kLane + i);
            c = Slice8(t, c, p + 2 * kLane + i);
            d = Slice8(t, d, p + 3 * kLane + i);
        }
        crc = ShiftLane(ShiftLane(ShiftLane(a) ^ b) ^ c) ^ d;
        p += 4 * kLane;
        size -= 4 * kLane;
    }
    while (size >= 8) {
        crc = Slice8(t, crc, p);
        p += 8;
        size -= 8;
    }
    while (size--) crc = CrcStep(crc, *p++);
    return crc;
}

bool CrcMatches(uint32_t stored, uint32_t crc) { return stored == crc || stored == ~crc; }
