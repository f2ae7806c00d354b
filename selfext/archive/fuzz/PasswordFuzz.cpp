#include <string.h>

#include "Crc32.h"
#include "FuzzStreams.h"
#include "Password.h"

// Input: flags, DOS time, CRC, three typed answers, then the entry data
// (encryption header and beyond).
struct FuzzPrompt {
    PasswordPrompt base;
    const uint8_t* answers;
    int asked;
};

static int FuzzAsk(PasswordPrompt* self, char buffer[kPasswordCapacity]) {
    FuzzPrompt* p = (FuzzPrompt*)self;
    const uint8_t* a = p->answers + 8 * p->asked++;
    int n = a[0] % 8;
    memcpy(buffer, a + 1, (size_t)n);
    buffer[n] = 0;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9 + 24) return 0;
    BuildCrcTable();
    EntryHeader h;
    memset(&h, 0, sizeof h);
    h.flags = data[0];
    memcpy(&h.dosDateTime, data + 1, 4);
    memcpy(&h.crc, data + 5, 4);
    FuzzPrompt prompt = {{FuzzAsk}, data + 9, 0};
    FuzzSource src = MakeFuzzSource(data + 33, size - 33);
    EntryInput in = {&src.base, (int32_t)(size - 33), true, {0, 0, 0}};
    static RememberedPassword remembered;
    ObtainPassword(&h, &in, &remembered, &prompt.base);
    if (prompt.asked > kPasswordAttempts || remembered.length >= kPasswordCapacity) __builtin_trap();
    return 0;
}
