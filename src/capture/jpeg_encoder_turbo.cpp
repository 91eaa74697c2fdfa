// libjpeg-turbo through the libjpeg API. Not TurboJPEG's tjCompress2: that
// reads TJ_* variables from the host's environment and would change the output.
// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jerror.h>
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

// A growing malloc'ed buffer that only we free, whatever happens inside the
// library (its own memory destination frees a buffer it has replaced before
// telling the caller, which a failed compression then frees twice).
struct Destination {
    jpeg_destination_mgr base;
    unsigned char* data;
    size_t capacity;
    size_t used;
};

void StartDestination(j_compress_ptr) {}

boolean GrowDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    const size_t capacity = dest->capacity * 2;
    auto* grown = static_cast<unsigned char*>(std::realloc(dest->data, capacity));
    if (grown == nullptr) ERREXIT(info, JERR_OUT_OF_MEMORY);  // dest->data stays ours to free
    dest->base.next_output_byte = grown + dest->capacity;
    dest->base.free_in_buffer = capacity - dest->capacity;
    dest->data = grown;
    dest->capacity = capacity;
    return TRUE;
}

void FinishDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    dest->used = dest->capacity - dest->base.free_in_buffer;
}

// The quality rule of stb_image_write, so both encoders read it alike: 0 means
// 90, anything else is clamped to 1..100.
int EffectiveQuality(int32_t quality) {
    if (quality == 0) return 90;
    return quality < 1 ? 1 : quality > 100 ? 100 : quality;
}

// No C++ object with a destructor lives in this frame: longjmp skips them.
bool Compress(const uint8_t* pixels, int32_t width, int32_t height, J_COLOR_SPACE space,
              int quality, Destination& dest) {
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
    dest.base.init_destination = StartDestination;
    dest.base.empty_output_buffer = GrowDestination;
    dest.base.term_destination = FinishDestination;
    dest.base.next_output_byte = dest.data;
    dest.base.free_in_buffer = dest.capacity;
    info.dest = &dest.base;
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

// Frees the destination's buffer however the compression ended.
struct DestinationOwner {
    Destination dest{};
    ~DestinationOwner() { std::free(dest.data); }
};

}  // namespace

std::vector<uint8_t> EncodeJpegTurbo(const uint8_t* pixels, int32_t width, int32_t height,
                                     PixelOrder order, int32_t quality) {
    DestinationOwner owner;
    // One byte for every four pixels to begin with, as the portable encoder reserves.
    const size_t reserve = static_cast<size_t>(width) * static_cast<size_t>(height) / 4u;
    owner.dest.capacity = reserve > 4096 ? reserve : 4096;
    owner.dest.data = static_cast<unsigned char*>(std::malloc(owner.dest.capacity));
    if (owner.dest.data == nullptr) throw std::bad_alloc();
    const bool ok = Compress(pixels, width, height, order == PixelOrder::BGR ? JCS_EXT_BGR : JCS_RGB,
                             EffectiveQuality(quality), owner.dest);
    if (!ok) return std::vector<uint8_t>();
    return std::vector<uint8_t>(owner.dest.data, owner.dest.data + owner.dest.used);
}

}  // namespace tarsel
