#include "Crc32.h"

uint32_t g_CrcTable[8][256];

void BuildCrcTable() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        g_CrcTable[0][n] = c;
    }
    // Table t advances a byte that still has t zero bytes to pass through.
    for (int t = 1; t < 8; ++t)
        for (int n = 0; n < 256; ++n) {
            uint32_t c = g_CrcTable[t - 1][n];
            g_CrcTable[t][n] = g_CrcTable[0][c & 0xFF] ^ (c >> 8);
        }
}

uint32_t CrcStep(uint32_t crc, uint8_t byte) {
    return g_CrcTable[0][(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

static inline uint32_t Load32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

uint32_t CrcUpdate(uint32_t crc, const void* data, size_t size) {
    const uint8_t* p = (const uint8_t*)data;
    while (size >= 8) {
        uint32_t a = Load32(p) ^ crc;
        uint32_t b = Load32(p + 4);
        crc = g_CrcTable[7][a & 0xFF] ^ g_CrcTable[6][(a >> 8) & 0xFF] ^
              g_CrcTable[5][(a >> 16) & 0xFF] ^ g_CrcTable[4][a >> 24] ^
              g_CrcTable[3][b & 0xFF] ^ g_CrcTable[2][(b >> 8) & 0xFF] ^
              g_CrcTable[1][(b >> 16) & 0xFF] ^ g_CrcTable[0][b >> 24];
        p += 8;
        size -= 8;
    }
    while (size--) crc = CrcStep(crc, *p++);
    return crc;
}

bool CrcMatches(uint32_t stored, uint32_t crc) { return stored == crc || stored == ~crc; }
