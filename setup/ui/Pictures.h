// The wizard's pictures: JPEG data carried as resources, decoded into bitmaps.
#pragma once

#include <windows.h>

#include <cstddef>

// A 24-bit top-down DIB section of the decoded picture; nullptr when the data
// is not a whole JPEG image. The caller owns the bitmap.
HBITMAP BitmapFromJpeg(const void* data, size_t size);

// The JPEG picture stored as RCDATA resource name in the program; nullptr
// when it is missing or damaged.
HBITMAP JpegResource(const char* name);
