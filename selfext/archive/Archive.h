#pragma once
// The archive appended to the stub: a plain run of entries, each a 37-byte
// header, the stored name, the entry data and extra bytes, read strictly
// front to back. There is no directory and no trailer; the walk ends at the
// first position that does not start with the signature.

#include <stdint.h>

#include "Streams.h"

// The stub's padded size, where the first entry starts: one number for the
// build, the packer and the tests (selfext/STUB_SIZE).
#ifndef KIT_STUB_SIZE
#error "KIT_STUB_SIZE: the build defines it from selfext/STUB_SIZE"
#endif
const uint32_t kStubSize = KIT_STUB_SIZE;
const uint32_t kEntrySignature = 0x07055A4B;  // "KZ" 5 7, little-endian
const uint32_t kEntryHeaderSize = 37;
const uint32_t kNameBufferSize = 258;  // longest name 257 bytes + NUL

const uint8_t kFlagEncrypted = 0x01;
const uint8_t kFlagCheckByteFromTime = 0x08;

const uint8_t kMethodStored = 0;
const uint8_t kMethodLzh = 1;
const uint8_t kMethodDeflate = 8;

// The header as decoded from its 37 packed little-endian bytes. Fields the
// reader never examines are kept as raw bytes so a header survives a
// decode/encode round trip unchanged.
struct EntryHeader {
    uint32_t signature;
    uint8_t reserved1[5];      // offsets 4-8, not examined
    uint8_t flags;             // kFlag*
    uint8_t method;            // kMethod*; anything else is refused at extraction
    uint32_t dosDateTime;      // high 16 bits DOS date, low 16 bits DOS time
    int32_t compressedSize;    // includes the 12-byte encryption header
    int32_t uncompressedSize;  // only the LZH decoder relies on it
    uint32_t crc;              // standard CRC-32 or the raw register
    uint8_t reserved2[6];      // offsets 27-32, not examined
    uint16_t nameLength;
    uint16_t extraLength;
};

void DecodeEntryHeader(const uint8_t bytes[kEntryHeaderSize], EntryHeader* header);
void EncodeEntryHeader(const EntryHeader* header, uint8_t bytes[kEntryHeaderSize]);

// Outcome of one step of the walk. One closed list; the dialog turns them
// into message-box text.
enum WalkStatus {
    WalkEntry,        // an entry is current: header and name are valid and
                      // the source stands at its first data byte
    WalkEnd,          // no signature here (also: end of file, short or failed
                      // read, header cut short, sizes leading backwards)
    WalkSeekFailed,   // the start of the archive could not be reached
    WalkEmptyName,    // a header followed by an empty name (length 0 or NUL first)
    WalkNameTooLong,  // a name longer than 257 bytes; refused, never cut, so
                      // that no file is ever written under a shortened name
};

// State of one pass over the archive. The caller owns it; it holds no
// pointers to memory of its own, so it may live in static storage.
struct ArchiveWalk {
    ByteSource* source;
    int64_t entryPosition;       // offset of the current header, -1 after a failed seek
    int64_t nextPosition;        // where the following header is expected
    EntryHeader header;          // the current header
    int32_t remaining;           // data bytes of the current entry not yet consumed
    char name[kNameBufferSize];  // stored name, cut at the first NUL
    bool hasPaths;               // some name of this pass held '\' or '/'
};

// Starts a pass: seeks `source` to `archiveStart` and clears the pass state.
// Returns WalkSeekFailed when the seek fails, WalkEnd otherwise (meaning: no
// entry is current yet). Call WalkNext for the first entry.
WalkStatus WalkStart(ArchiveWalk* walk, ByteSource* source, uint32_t archiveStart = kStubSize);

// Steps past the current entry (if any), reads the next header and name.
// On WalkEntry the source stands at the entry's first data byte, `remaining`
// is the compressed size and `hasPaths` includes this name. Every other
// status ends the pass; WalkNext keeps answering WalkEnd afterwards.
// The next header is always expected strictly after the current one: a
// negative compressed size, or sizes that lead past 4 GiB, end the walk
// instead of looping.
WalkStatus WalkNext(ArchiveWalk* walk);

// True when `name` holds '\' or '/'.
bool NameHasPath(const char* name);
