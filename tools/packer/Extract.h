#pragma once
// packer -x: unpacks a self-extracting file on this machine through the
// stub's own extract pass and unattended host (SilentRun.h), so what it
// accepts and refuses is exactly what the stub's /S run accepts and refuses.
// Only the file system part is this machine's own (POSIX): each entry goes
// into a temporary file beside its target and is renamed over it only once
// the pass has checked its CRC. Linux only.

#include <cstdint>
#include <string>
#include <vector>

#include "CodePage.h"
#include "SilentRun.h"

struct ExtractRequest {
    std::string folder;     // the extract folder; made when missing
    uint32_t archiveStart;  // the stub's size (0 for a bare archive)
    std::string password;   // tried for encrypted entries; empty: none
};

// How an extraction ended. One closed list; the tool words them.
enum ExtractStatus {
    ExtractDone,           // every entry in place
    ExtractBadFolder,      // the folder's name is empty or longer than the stub's 255 bytes
    ExtractNoArchive,      // nothing to extract, or a damaged header or run record: nothing written
    ExtractNeedsPassword,  // an encrypted entry and no password, or a wrong one
    ExtractFailed,         // some entries not in place (each was named on stderr)
};

// Unpacks every entry of `file` (a self-extracting file's bytes, read whole
// rather than mapped, so that a file cut short meanwhile cannot end the
// process) into `request.folder`, replacing
// existing files. Stored names are converted from `codePage` to this
// system's names. Problems with single entries are reported on stderr as
// they happen; `entries` and `failed`, when given, receive the count of
// file entries and of those not in place.
ExtractStatus ExtractArchive(const std::vector<uint8_t>& file, const ExtractRequest& request,
                             const CodePage& codePage, int* entries = nullptr, int* failed = nullptr);
