#pragma once
// The program a self-extracting file starts once it is unpacked, and the
// folder a silent run unpacks into. The packer keeps them in the stub's own
// zero padding, in a record that ends exactly where the archive starts, so
// the stub finds it without walking the entries and the archive itself is
// unchanged. Inside the part of the file a signature covers: record first,
// sign afterwards.
//
// Layout, ending at the archive start (numbers little-endian):
//   body     the command, NUL, the folder, NUL (nothing else)
//   4 bytes  signature "KZrn"
//   2 bytes  body length
//   2 bytes  format, 0
// The command is a stored name (the rule of NameRule.h) of at most 127
// bytes, relative to the extract folder, or empty when nothing is started;
// the folder is a Windows path of at most 255 bytes that may hold
// %VARIABLES%, or empty for the current folder.

#include <stdint.h>

#include "Archive.h"

const uint32_t kRunSignature = 0x6E725A4B;  // "KZrn", little-endian
const uint32_t kRunTrailerSize = 8;
const uint32_t kRunCommandCapacity = 128;  // 127 bytes and a NUL
const uint32_t kRunFolderCapacity = 256;   // 255 bytes and a NUL
const uint32_t kRunBodyMax = kRunCommandCapacity + kRunFolderCapacity;
// The most a record takes: what the stub reads, and the room its build
// leaves in the padding.
const uint32_t kRunRecordMax = kRunBodyMax + kRunTrailerSize;
#ifdef KIT_RUN_RECORD_MAX
static_assert(kRunRecordMax == KIT_RUN_RECORD_MAX, "the build reserves another size");
#endif

struct RunRecord {
    char command[kRunCommandCapacity];
    char folder[kRunFolderCapacity];
};

enum RunRecordStatus {
    RunRecordNone,     // no signature: nothing recorded
    RunRecordFound,    // `record` holds both fields
    RunRecordDamaged,  // a signature with a body that breaks the layout, or an
                       // empty record, or a command that leaves the extract folder
};

// `tail` holds the `size` bytes that end at the archive start (fewer than
// kRunRecordMax when the file is that short). Reads nothing outside them.
// On any status but RunRecordFound both fields are empty.
RunRecordStatus ReadRunRecord(const uint8_t* tail, uint32_t size, RunRecord* record);

// Writes the record for `command` and `folder` to out[0, size), to be placed
// so that it ends at the archive start. Returns its size, or 0 when the two
// would not read back as RunRecordFound or `capacity` is too small.
uint32_t WriteRunRecord(const char* command, const char* folder, uint8_t* out, uint32_t capacity);
