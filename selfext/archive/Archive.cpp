#include "Archive.h"

static uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
static void Put32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}
static void Put16(uint8_t* p, uint16_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

void DecodeEntryHeader(const uint8_t b[kEntryHeaderSize], EntryHeader* h) {
    h->signature = Le32(b);
    for (int i = 0; i < 5; ++i) h->reserved1[i] = b[4 + i];
    h->flags = b[9];
    h->method = b[10];
    h->dosDateTime = Le32(b + 11);
    h->compressedSize = (int32_t)Le32(b + 15);
    h->uncompressedSize = (int32_t)Le32(b + 19);
    h->crc = Le32(b + 23);
    for (int i = 0; i < 6; ++i) h->reserved2[i] = b[27 + i];
    h->nameLength = Le16(b + 33);
    h->extraLength = Le16(b + 35);
}

void EncodeEntryHeader(const EntryHeader* h, uint8_t b[kEntryHeaderSize]) {
    Put32(b, h->signature);
    for (int i = 0; i < 5; ++i) b[4 + i] = h->reserved1[i];
    b[9] = h->flags;
    b[10] = h->method;
    Put32(b + 11, h->dosDateTime);
    Put32(b + 15, (uint32_t)h->compressedSize);
    Put32(b + 19, (uint32_t)h->uncompressedSize);
    Put32(b + 23, h->crc);
    for (int i = 0; i < 6; ++i) b[27 + i] = h->reserved2[i];
    Put16(b + 33, h->nameLength);
    Put16(b + 35, h->extraLength);
}

bool NameHasPath(const char* name) {
    for (; *name; ++name)
        if (*name == '\\' || *name == '/') return true;
    return false;
}

static WalkStatus Finish(ArchiveWalk* walk, WalkStatus status) {
    walk->remaining = 0;
    walk->nextPosition = -1;
    walk->name[0] = 0;
    return status;
}

WalkStatus WalkStart(ArchiveWalk* walk, ByteSource* source, uint32_t archiveStart) {
    walk->source = source;
    walk->hasPaths = false;
    walk->remaining = 0;
    walk->name[0] = 0;
    walk->header.signature = 0;
    walk->entryPosition = source->Seek(source, archiveStart);
    if (walk->entryPosition < 0) {
        walk->nextPosition = -1;
        return WalkSeekFailed;
    }
    walk->nextPosition = walk->entryPosition;
    return WalkEnd;
}

WalkStatus WalkNext(ArchiveWalk* walk) {
    if (walk->nextPosition < 0 || walk->nextPosition > 0xFFFFFFFFll) return Finish(walk, WalkEnd);
    ByteSource* src = walk->source;
    int64_t at = walk->nextPosition;
    if (at != walk->entryPosition || walk->header.signature == kEntrySignature) {
        if (src->Seek(src, (uint32_t)at) != at) return Finish(walk, WalkEnd);
    }
    walk->entryPosition = at;

    // A header cut short is not acted on: its missing bytes never count.
    uint8_t bytes[kEntryHeaderSize];
    walk->header.signature = 0;
    if (src->Read(src, bytes, kEntryHeaderSize) != kEntryHeaderSize) return Finish(walk, WalkEnd);
    DecodeEntryHeader(bytes, &walk->header);
    if (walk->header.signature != kEntrySignature) return Finish(walk, WalkEnd);

    const EntryHeader& h = walk->header;
    if (h.compressedSize < 0) return Finish(walk, WalkEnd);
    walk->nextPosition = at + kEntryHeaderSize + h.nameLength + h.extraLength + h.compressedSize;

    if (h.nameLength >= kNameBufferSize) return Finish(walk, WalkNameTooLong);
    uint32_t got = src->Read(src, walk->name, h.nameLength);
    if (got > h.nameLength) got = 0;
    walk->name[got] = 0;  // also cuts at a short read
    int length = 0;
    while (length < (int)got && walk->name[length]) ++length;
    walk->name[length] = 0;
    if (length == 0) return Finish(walk, WalkEmptyName);
    if (NameHasPath(walk->name)) walk->hasPaths = true;
    walk->remaining = h.compressedSize;
    return WalkEntry;
}
