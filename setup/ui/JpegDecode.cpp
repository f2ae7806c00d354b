#include "JpegDecode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
struct ErrorTrap {
    jpeg_error_mgr mgr;
    jmp_buf back;
};

void TrapExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->back, 1); }

// Quiet, but still counting warnings (level -1), as the default does.
void Silent(j_common_ptr cinfo, int level) {
    if (level < 0) ++cinfo->err->num_warnings;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, TRgbImage& image) {
    image = TRgbImage();
    if (!data || size == 0) return false;
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = TrapExit;
    trap.mgr.emit_message = Silent;
    // Nothing with a destructor may live between setjmp and a longjmp, so the
    // pixels go into image, which outlives this frame.
    if (setjmp(trap.back)) {
        jpeg_destroy_decompress(&cinfo);
        image = TRgbImage();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    // Our pictures are small; a header claiming more is not one of them.
    if (cinfo.output_width > MaxJpegSide || cinfo.output_height > MaxJpegSide) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
    image.Pixels.resize(stride * cinfo.output_height);
    image.Width = static_cast<int>(cinfo.output_width);
    image.Height = static_cast<int>(cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &image.Pixels[stride * cinfo.output_scanline];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // Warnings mean the data was cut short or damaged and libjpeg made up the rest.
    const bool whole = trap.mgr.num_warnings == 0;
    jpeg_destroy_decompress(&cinfo);
    if (!whole) image = TRgbImage();
    return whole;
}
