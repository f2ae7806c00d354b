#include "Pictures.h"

#include <cstring>

#include "JpegDecode.h"

HBITMAP BitmapFromJpeg(const void* data, size_t size) {
    TRgbImage image;
    if (!DecodeJpeg(static_cast<const uint8_t*>(data), size, image)) return nullptr;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = image.Width;
    bi.bmiHeader.biHeight = -image.Height;  // top-down, as decoded
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    // DIB rows are blue-green-red and padded to four bytes.
    const size_t stride = (static_cast<size_t>(image.Width) * 3 + 3) & ~static_cast<size_t>(3);
    auto* out = static_cast<uint8_t*>(bits);
    for (int y = 0; y < image.Height; ++y) {
        const uint8_t* src = &image.Pixels[static_cast<size_t>(y) * image.Width * 3];
        uint8_t* dst = out + stride * y;
        for (int x = 0; x < image.Width; ++x, src += 3, dst += 3)
            dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
    }
    return bitmap;
}

HBITMAP JpegResource(const char* name) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!res) return nullptr;
    HGLOBAL global = LoadResource(module, res);
    const void* data = global ? LockResource(global) : nullptr;
    return data ? BitmapFromJpeg(data, SizeofResource(module, res)) : nullptr;
}
