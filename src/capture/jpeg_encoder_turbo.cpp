// libjpeg-turbo through the libjpeg API. Not TurboJPEG's tjCompress2: that
// reads TJ_* variables from the host's environment and would change the output.
// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "capture/jpeg_encoders.h"

namespace tarsel {

namespace {

// libjpeg's default error handler calls exit(); this one jumps back instead.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnFatalError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

struct Compressed {
    unsigned char* data = nullptr;
    unsigned long size = 0;
};

// No C++ object with a destructor lives in this frame: longjmp skips them.
bool Compress(const uint8_t* pixels, int32_t width, int32_t height, J_COLOR_SPACE space,
              int32_t quality, Compressed& out) {
    jpeg_compress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnFatalError;
    errors.base.emit_message = OnMessage;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out.data, &out.size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // 2x2 chroma subsampling up to quality 90, none above, as stb decides.
    const int sampling = quality <= 90 ? 2 : 1;
    info.comp_info[0].h_samp_factor = sampling;
    info.comp_info[0].v_samp_factor = sampling;
    jpeg_start_compress(&info, TRUE);
    const size_t stride = static_cast<size_t>(width) * 3u;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpegTurbo(const uint8_t* pixels, int32_t width, int32_t height,
                                     PixelOrder order, int32_t quality) {
    Compressed compressed;
    const bool ok = Compress(pixels, width, height,
                             order == PixelOrder::BGR ? JCS_EXT_BGR : JCS_RGB, quality, compressed);
    std::vector<uint8_t> jpeg;
    if (ok && compressed.data != nullptr) {
        try {
            jpeg.assign(compressed.data, compressed.data + compressed.size);
        } catch (...) {
            std::free(compressed.data);
            throw;
        }
    }
    std::free(compressed.data);
    return jpeg;
}

}  // namespace tarsel
