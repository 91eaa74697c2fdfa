#include "capture/pixel_rows.h"

#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TARSEL_SSSE3_ROWS 1
#endif

namespace tarsel {

namespace {

uint32_t Load(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

void Store(uint8_t* p, uint32_t value) {
    std::memcpy(p, &value, 4);
}

// Four pixels as three words: seven loads and stores instead of twelve byte
// moves. The shifts assume little-endian words; elsewhere bytes are moved.
void ConvertPortable(const uint8_t* bgrx, uint8_t* bgr, size_t count) {
    size_t i = 0;
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; i + 4 <= count; i += 4, bgrx += 16, bgr += 12) {
        const uint32_t a = Load(bgrx);
        const uint32_t b = Load(bgrx + 4);
        const uint32_t c = Load(bgrx + 8);
        const uint32_t d = Load(bgrx + 12);
        Store(bgr, (a & 0x00FFFFFFu) | (b << 24));
        Store(bgr + 4, ((b >> 8) & 0x0000FFFFu) | (c << 16));
        Store(bgr + 8, ((c >> 16) & 0x000000FFu) | (d << 8));
    }
#endif
    for (; i < count; ++i, bgrx += 4, bgr += 3) {
        bgr[0] = bgrx[0];
        bgr[1] = bgrx[1];
        bgr[2] = bgrx[2];
    }
}

#if defined(TARSEL_SSSE3_ROWS)
// One byte shuffle per four pixels. Each 16-byte store writes 4 bytes past
// its 12, which the next store overwrites, so the loop stops while two blocks
// of room are left and the portable code finishes.
__attribute__((target("ssse3"))) void ConvertSsse3(const uint8_t* bgrx, uint8_t* bgr,
                                                    size_t count) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    size_t i = 0;
    for (; i + 8 <= count; i += 4, bgrx += 16, bgr += 12) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgrx));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr), _mm_shuffle_epi8(pixels, order));
    }
    ConvertPortable(bgrx, bgr, count - i);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void ConvertBgrxToBgr(const uint8_t* bgrx, uint8_t* bgr, size_t count) {
#if defined(TARSEL_SSSE3_ROWS)
    if (HasSsse3()) return ConvertSsse3(bgrx, bgr, count);
#endif
    ConvertPortable(bgrx, bgr, count);
}

}  // namespace tarsel
