#include "Crc32.h"
#include "Decode.h"
#include "FuzzStreams.h"

// The first four bytes give the uncompressed size (bounded, so one input
// cannot ask for gigabytes of output).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DecodeWorkspace work;
    if (size < 4) return 0;
    BuildCrcTable();
    int32_t expect = (int32_t)(data[0] | data[1] << 8 | (data[2] & 0x0F) << 16) - (data[3] & 0x80 ? 16 : 0);
    FuzzSource src = MakeFuzzSource(data + 4, size - 4);
    NullSink sink = {{NullWrite}, 0};
    EntryInput in = {&src.base, (int32_t)(size - 4), false, {0, 0, 0}};
    uint32_t crc = kCrcInitial;
    DecodeLzh(&in, expect, &sink.base, &crc, &work);
    if (expect >= 0 && sink.total > (uint64_t)expect + 256) __builtin_trap();
    return 0;
}
