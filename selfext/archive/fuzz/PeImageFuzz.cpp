// Arbitrary bytes as the stub's own header: the answer is always within the file.
#include <stdint.h>
#include <stdlib.h>

#include "PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const uint32_t start = data[0] | (data[1] << 8),
                   file = start + (data[2] | (data[3] << 8) | (data[4] << 16));
    const uint32_t end = ArchiveEnd(data + 8, (uint32_t)(size - 8), start, file);
    if (end > file) abort();
    ImageDataEnd(data + 8, (uint32_t)(size - 8));
    return 0;
}
