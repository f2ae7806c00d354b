#include "Archive.h"
#include "FuzzStreams.h"

// The fuzz input is the whole archive (archive start 0).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSource src = MakeFuzzSource(data, size);
    ArchiveWalk walk;
    if (WalkStart(&walk, &src.base, 0) != WalkEnd) return 0;
    int entries = 0;
    while (WalkNext(&walk) == WalkEntry) {
        if (++entries > (int)size) __builtin_trap();  // every entry moves forward
        if (walk.name[0] == 0) __builtin_trap();
    }
    return 0;
}
