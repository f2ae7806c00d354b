#include "PeImage.h"

static uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

uint32_t ArchiveEnd(const uint8_t* h, uint32_t size, uint32_t archiveStart, uint32_t fileSize) {
    const uint32_t kDirSecurity = 4, kDirEntrySize = 8, kFileHeaderSize = 20;
    if (size < 0x40 || h[0] != 'M' || h[1] != 'Z') return fileSize;
    const uint32_t pe = Le32(h + 0x3C);
    if (pe > size - 4 || size - 4 - pe < kFileHeaderSize) return fileSize;
    if (h[pe] != 'P' || h[pe + 1] != 'E' || h[pe + 2] || h[pe + 3]) return fileSize;
    const uint32_t optional = pe + 4 + kFileHeaderSize;
    const uint32_t optionalSize = Le16(h + pe + 4 + 16);
    if (optionalSize > size - optional) return fileSize;
    // Where the directory count and the directories sit in each format.
    uint32_t countAt, dirsAt;
    const uint16_t magic = optionalSize >= 2 ? Le16(h + optional) : 0;
    if (magic == 0x10B) {
        countAt = 92, dirsAt = 96;
    } else if (magic == 0x20B) {
        countAt = 108, dirsAt = 112;
    } else {
        return fileSize;
    }
    const uint32_t entryEnd = dirsAt + (kDirSecurity + 1) * kDirEntrySize;
    if (optionalSize < entryEnd || Le32(h + optional + countAt) <= kDirSecurity) return fileSize;
    const uint8_t* entry = h + optional + dirsAt + kDirSecurity * kDirEntrySize;
    const uint32_t table = Le32(entry), tableSize = Le32(entry + 4);
    if (table == 0 || tableSize == 0 || table < archiveStart || table > fileSize) return fileSize;
    return table;
}

uint32_t ImageDataEnd(const uint8_t* h, uint32_t size) {
    const uint32_t kFileHeaderSize = 20, kSectionSize = 40, kSizeOfHeadersAt = 60;
    if (size < 0x40 || h[0] != 'M' || h[1] != 'Z') return 0;
    const uint32_t pe = Le32(h + 0x3C);
    if (pe > size - 4 || size - 4 - pe < kFileHeaderSize) return 0;
    if (h[pe] != 'P' || h[pe + 1] != 'E' || h[pe + 2] || h[pe + 3]) return 0;
    const uint32_t sections = Le16(h + pe + 4 + 2);
    const uint32_t optional = pe + 4 + kFileHeaderSize;
    const uint32_t optionalSize = Le16(h + pe + 4 + 16);
    if (optionalSize < kSizeOfHeadersAt + 4 || optionalSize > size - optional) return 0;
    const uint32_t table = optional + optionalSize;
    if (sections > (size - table) / kSectionSize) return 0;
    uint64_t end = Le32(h + optional + kSizeOfHeadersAt);
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* section = h + table + i * kSectionSize;
        const uint64_t rawSize = Le32(section + 16), rawAt = Le32(section + 20);
        if (rawSize && rawAt + rawSize > end) end = rawAt + rawSize;
    }
    return end > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)end;
}
