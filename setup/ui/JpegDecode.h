// Decodes the wizard's pictures, which the program carries as JPEG data.
// Portable (libjpeg only), so a damaged picture is found by native tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TRgbImage {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Pixels;  // rows top to bottom, 3 bytes R, G, B per pixel
};

enum { MaxJpegSide = 4096 };

// False, with image left empty, when the data is not a JPEG image that libjpeg
// reads to its end without warnings, or is larger than MaxJpegSide either way.
// libjpeg's own messages are suppressed.
bool DecodeJpeg(const uint8_t* data, size_t size, TRgbImage& image);
