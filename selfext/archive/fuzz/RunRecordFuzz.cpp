// Arbitrary bytes as the end of the stub's padding: a record that reads
// back is one the writer makes byte for byte.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "RunRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunRecord record;
    if (ReadRunRecord(data, (uint32_t)size, &record) != RunRecordFound) return 0;
    uint8_t again[kRunRecordMax];
    const uint32_t written = WriteRunRecord(record.command, record.folder, again, sizeof again);
    if (written == 0 || written > size || memcmp(again, data + size - written, written) != 0) abort();
    return 0;
}
