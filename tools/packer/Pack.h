#pragma once
// Building and reading self-extracting files: the stub padded to its fixed
// size, then one entry per file. Host-side code (standard library allowed);
// the reading side goes through the same walk and decoders as the stub.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Archive.h"
#include "CodePage.h"
#include "RunRecord.h"

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

// Why a stored name cannot be made. One closed list; the tool words them.
enum NameStatus {
    NameOk,
    NameAboveInput,      // an input ending in "..": its files would land above the extract folder
    NameNotInCodePage,   // a character the code page cannot hold
    NameHoldsSeparator,  // a component holds '\' or '/' (in a double-byte code page, as
                         // the second byte of a character), which the stub splits at
    NameTooLong,         // more than the reader's 257 bytes
    NameRefused,         // broken by the stored-name rule (IsConfinedName): colon, device, dots
};

// What an input contributes to the names of the files below it: its own
// last component ("docs" for "../docs/"), or nothing when it names no folder
// of its own (".", "a/..", a root). NameAboveInput for one ending in "..".
NameStatus InputPrefix(const std::filesystem::path& input, std::filesystem::path& prefix);

// The stored name of a path relative to the extract folder: each component
// in the code page, "." components dropped, joined by '\', a folder's with a
// trailing '\'. Every name it accepts is one the stub extracts.
NameStatus MakeStoredName(const std::filesystem::path& relative, bool directory, const CodePage& codePage,
                          std::string& stored);

// The header's sizes are signed 32-bit numbers.
const uint64_t kMaxEntrySize = 0x7FFFFFFF;

enum PackStatus {
    PackOk,
    PackFileTooLarge,    // the file is larger than kMaxEntrySize
    PackPackedTooLarge,  // its data (with the encryption header) would be
};

// One complete entry: header, name, data (with the encryption header when a
// password is given). `dosDateTime` is DOS date << 16 | DOS time. Sizes that
// do not fit the header are refused, never wrapped.
PackStatus MakeEntry(const std::string& name, const uint8_t* data, size_t size, uint32_t dosDateTime,
                     const PackOptions& options, const RandomBytes& random, std::vector<uint8_t>& entry);

// A directory entry: the name ends in '\', no data.
std::vector<uint8_t> MakeDirectoryEntry(const std::string& name, uint32_t dosDateTime);

// The stub padded with zeros to `stubSize`; false when it is larger.
bool PadStub(std::vector<uint8_t>& stub, uint32_t stubSize);

// The program a self-extracting file starts once unpacked, and the folder a
// silent run unpacks into, kept in the stub's padding (RunRecord.h). One
// closed list; the tool words them.
enum RunStatus {
    RunOk,
    RunNotPacked,      // the program is not among the packed files
    RunNameRefused,    // the program's name cannot be stored (code page, name
                       // rule) or is longer than 127 bytes
    RunFolderRefused,  // the folder is not in the code page, holds a NUL, or is
                       // longer than 255 bytes
    RunNoRoom,         // the stub leaves too little padding for the record
};

// The stored name of `program` (a path below the extract folder, '/' or '\'
// separated) among `packed`, the stored names of the packed files, matched
// as the stub's list matches them: without regard to ASCII letter case.
RunStatus MakeRunCommand(const std::string& program, const CodePage& codePage,
                         const std::vector<std::string>& packed, std::string& command);

// The silent run's folder in the code page; may hold %VARIABLES%.
RunStatus MakeRunFolder(const std::string& folder, const CodePage& codePage, std::string& stored);

// Owns the padding of `stub` (already padded to `stubSize`): zeros from the
// end of the stub program's own bytes (its PE image, or its last nonzero
// byte) up to `stubSize`, then, unless both are empty, the record of
// `command` and `folder` ending at `stubSize`. `room`, when given, receives
// the padding's size.
RunStatus PlaceRunRecord(std::vector<uint8_t>& stub, uint32_t stubSize, const std::string& command,
                         const std::string& folder, uint32_t* room = nullptr);

// DOS date and time (local time) of a Unix time; 1980-01-01 for earlier times.
uint32_t DosDateTime(int64_t unixTime);

struct ListedEntry {
    EntryHeader header;
    std::string name;
    int64_t position;
};

// Walks the archive behind `stubSize` bytes of `file`. Returns the walk's
// final status (WalkEnd for a clean end); `end`, when given, receives the
// offset where it found no further entry (the file's size when nothing
// follows the last entry).
WalkStatus ListEntries(const std::vector<uint8_t>& file, uint32_t stubSize, std::vector<ListedEntry>& entries,
                       uint64_t* end = nullptr);

// Decodes every entry in memory and checks its CRC and size. `password` is
// tried for encrypted entries. Returns one line per entry: "ok", or the reason.
struct TestedEntry {
    std::string name;
    bool passed;
    std::string detail;
    std::vector<uint8_t> data;
};
WalkStatus TestEntries(const std::vector<uint8_t>& file, uint32_t stubSize, const std::string& password,
                       std::vector<TestedEntry>& results, uint64_t* end = nullptr);

// The run record of a self-extracting file, read as the stub reads it.
RunRecordStatus ReadFileRunRecord(const std::vector<uint8_t>& file, uint32_t stubSize, RunRecord& record);

const char* DecodeStatusText(int status);
const char* WalkStatusText(int status);
