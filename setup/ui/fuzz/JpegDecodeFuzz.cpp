#include <cstddef>
#include <cstdint>

#include "JpegDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TRgbImage image;
    if (DecodeJpeg(data, size, image) &&
        image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * 3)
        __builtin_trap();
    return 0;
}
