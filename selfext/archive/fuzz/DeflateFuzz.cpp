#include "Crc32.h"
#include "Decode.h"
#include "FuzzStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DecodeWorkspace work;
    BuildCrcTable();
    FuzzSource src = MakeFuzzSource(data, size);
    NullSink sink = {{NullWrite}, 0};
    EntryInput in = {&src.base, (int32_t)size, false, {0, 0, 0}};
    uint32_t crc = kCrcInitial;
    DecodeDeflate(&in, &sink.base, &crc, &work);
    return 0;
}
