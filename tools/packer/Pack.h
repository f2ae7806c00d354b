#pragma once
// Building and reading self-extracting files: the stub padded to its fixed
// size, then one entry per file. Host-side code (standard library allowed);
// the reading side goes through the same walk and decoders as the stub.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Archive.h"

struct PackOptions {
    uint8_t method = kMethodDeflate;  // kMethodStored, kMethodLzh or kMethodDeflate
    int deflateLevel = 9;
    std::string password;            // empty: no encryption
    bool checkByteFromTime = false;  // flag bit 3
    uint32_t stubSize = kStubSize;
};

// Bytes for the 11 random bytes of an encryption header. Tests pass a fixed
// generator; the tool uses the system's random source.
using RandomBytes = std::function<void(uint8_t* out, size_t count)>;

// Raw Deflate (no zlib or gzip wrapper) through zlib.
std::vector<uint8_t> CompressDeflate(const uint8_t* data, size_t size, int level);

// Why a name cannot be stored, or "" when it can: empty, longer than the
// reader's buffer, holding a NUL, or with an empty file-name part where a
// file is meant.
std::string NameProblem(const std::string& name, bool directory);

// One complete entry: header, name, data (with the encryption header when a
// password is given). `dosDateTime` is DOS date << 16 | DOS time.
std::vector<uint8_t> MakeEntry(const std::string& name, const uint8_t* data, size_t size,
                               uint32_t dosDateTime, const PackOptions& options, const RandomBytes& random);

// A directory entry: the name ends in '\', no data.
std::vector<uint8_t> MakeDirectoryEntry(const std::string& name, uint32_t dosDateTime);

// The stub padded with zeros to `stubSize`; false when it is larger.
bool PadStub(std::vector<uint8_t>& stub, uint32_t stubSize);

// DOS date and time (local time) of a Unix time; 1980-01-01 for earlier times.
uint32_t DosDateTime(int64_t unixTime);

struct ListedEntry {
    EntryHeader header;
    std::string name;
    int64_t position;
};

// Walks the archive behind `stubSize` bytes of `file`. Returns the walk's
// final status (WalkEnd for a clean end).
WalkStatus ListEntries(const std::vector<uint8_t>& file, uint32_t stubSize,
                       std::vector<ListedEntry>& entries);

// Decodes every entry in memory and checks its CRC. `password` is tried for
// encrypted entries. Returns one line per entry: "ok", or the reason.
struct TestedEntry {
    std::string name;
    bool passed;
    std::string detail;
    std::vector<uint8_t> data;
};
WalkStatus TestEntries(const std::vector<uint8_t>& file, uint32_t stubSize, const std::string& password,
                       std::vector<TestedEntry>& results);

const char* DecodeStatusText(int status);
const char* WalkStatusText(int status);
