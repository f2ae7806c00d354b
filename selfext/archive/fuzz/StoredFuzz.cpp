#include "Crc32.h"
#include "Decode.h"
#include "FuzzStreams.h"

// Stored data, optionally enciphered: the size field may claim more than
// there is.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DecodeWorkspace work;
    if (size < 5) return 0;
    BuildCrcTable();
    int32_t claimed = (int32_t)(data[0] | data[1] << 8 | data[2] << 16 | (uint32_t)data[3] << 24);
    FuzzSource src = MakeFuzzSource(data + 5, size - 5);
    NullSink sink = {{NullWrite}, 0};
    EntryInput in = {&src.base, claimed, (data[4] & 1) != 0, {1, 2, 3}};
    uint32_t crc = kCrcInitial;
    DecodeStored(&in, &sink.base, &crc, &work);
    if (sink.total > size) __builtin_trap();
    return 0;
}
