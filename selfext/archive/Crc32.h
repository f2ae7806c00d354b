#pragma once
// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320). The register is
// never inverted at the end; an entry passes when its stored CRC equals the
// register or its complement, so both forms a packer may write are accepted.

#include <stddef.h>
#include <stdint.h>

// Builds the tables once at start-up, before any other call below. Idempotent.
// Eight 256-entry tables (8 KiB, static storage) and four lanes joined by a
// shift table so the block form overlaps its table loads; results are
// identical to the byte-wise step.
void BuildCrcTable();

// The byte-wise definition: table[(register ^ byte) & 0xFF] ^ (register >> 8).
uint32_t CrcStep(uint32_t crcRegister, uint8_t byte);

// Applies CrcStep to every byte of the block in order.
uint32_t CrcUpdate(uint32_t crcRegister, const void* data, size_t size);

// The register's start value for an entry.
const uint32_t kCrcInitial = 0xFFFFFFFFu;

// True when `stored` equals the register or its complement.
bool CrcMatches(uint32_t stored, uint32_t crcRegister);

const int kCrcSlices = 8;
// Table 0 is the classic byte-wise table; the cipher uses it directly.
extern uint32_t g_CrcTable[kCrcSlices][256];
