// The journal reader on any bytes: it stays in its buffer, and what it
// reads it writes back to the same records.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "JournalFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<TJournalRecord> records = ReadJournal(std::string(reinterpret_cast<const char*>(data), size));
    std::string again;
    for (size_t i = 0; i < records.size(); ++i) again += JournalLine(static_cast<uint32_t>(i), records[i]);
    const std::vector<TJournalRecord> reread = ReadJournal(again);
    if (reread.size() != records.size()) abort();
    for (size_t i = 0; i < records.size(); ++i)
        if (reread[i].Kind != records[i].Kind || reread[i].Fields != records[i].Fields) abort();
    return 0;
}
