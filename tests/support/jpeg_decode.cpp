#include "support/jpeg_decode.h"

#include "base64_decode.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace tarsel_test {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

bool Decode(const std::vector<uint8_t>& jpeg, DecodedJpeg* out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->rgb.data() + static_cast<size_t>(info.output_scanline) * out->width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

uint32_t DecodedJpeg::At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
}

DecodedJpeg DecodeJpeg(const std::vector<uint8_t>& jpeg) {
    DecodedJpeg out;
    if (jpeg.empty()) return out;
    out.ok = Decode(jpeg, &out);
    return out;
}

JpegLayout ReadJpegLayout(const std::vector<uint8_t>& jpeg) {
    JpegLayout layout;
    size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const int marker = jpeg[i + 1];
        const size_t length = (size_t{jpeg[i + 2]} << 8) | jpeg[i + 3];
        const size_t body = i + 4;
        if (marker == 0xDB && layout.firstLumaQuant < 0 && body + 1 < jpeg.size()) {
            layout.firstLumaQuant = jpeg[body + 1];
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            layout.baseline = marker == 0xC0;
            layout.progressive = marker == 0xC2;
            layout.arithmetic = marker >= 0xC9;
            if (body + 7 < jpeg.size()) layout.lumaSampling = jpeg[body + 7];
        }
        if (marker == 0xDA) break;
        i = body + length - 2;
    }
    return layout;
}

std::vector<uint8_t> Base64Decode(const std::string& text) {
    return tarsel_tools::Base64Decode(text);
}

}  // namespace tarsel_test
