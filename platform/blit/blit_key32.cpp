// Keyed copies of 24- and 32-bit pixels. The key compares the colour bytes
// only: the unused top byte of a 32-bit pixel never decides.
//
// The 32-bit wide kernels work as the 8-bit ones do (whole rectangles, a
// merge without a branch, a row's last partial vector redone from the row's
// end). 24-bit pixels straddle vector lanes and are rare; they keep the
// plain kernel on every path.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit::detail {

void KeyRect24Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                    uint32_t key) {
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = s + 3 * x;
            if (Load24(p) != key) {
                d[3 * x] = p[0];
                d[3 * x + 1] = p[1];
                d[3 * x + 2] = p[2];
            }
        }
    }
}

// Written as a select rather than a skip: without the data-dependent branch
// the compiler emits conditional moves, which sprite edges cannot mispredict.
void KeyRect32Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                    uint32_t key) {
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = Load32(s + 4 * x), o = Load32(d + 4 * x);
            Store32(d + 4 * x, (v & 0xFFFFFFu) != key ? v : o);
        }
    }
}

#if defined(__x86_64__)

namespace {

inline void Key32Sse2At(uint8_t* d, const uint8_t* s, __m128i k, __m128i mask) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i eq = _mm_cmpeq_epi32(_mm_and_si128(v, mask), k);
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_andnot_si128(eq, v), _mm_and_si128(eq, dv)));
}

__attribute__((target("avx2"))) inline void Key32Avx2At(uint8_t* d, const uint8_t* s, __m256i k, __m256i mask) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i eq = _mm256_cmpeq_epi32(_mm256_and_si256(v, mask), k);
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(v, dv, eq));
}

}  // namespace

void KeyRect32Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                   uint32_t key) {
    if (w < 4) return KeyRect32Plain(d, dpitch, s, spitch, w, h, key);
    const __m128i k = _mm_set1_epi32(int(key)), mask = _mm_set1_epi32(0xFFFFFF);
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 4 <= w; x += 4) Key32Sse2At(d + 4 * x, s + 4 * x, k, mask);
        if (x < w) Key32Sse2At(d + 4 * (w - 4), s + 4 * (w - 4), k, mask);
    }
}

__attribute__((target("avx2"))) void KeyRect32Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch,
                                                   int32_t w, int32_t h, uint32_t key) {
    if (w < 8) return KeyRect32Sse2(d, dpitch, s, spitch, w, h, key);
    const __m256i k = _mm256_set1_epi32(int(key)), mask = _mm256_set1_epi32(0xFFFFFF);
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 8 <= w; x += 8) Key32Avx2At(d + 4 * x, s + 4 * x, k, mask);
        if (x < w) Key32Avx2At(d + 4 * (w - 8), s + 4 * (w - 8), k, mask);
    }
}

#endif

}  // namespace vexo::blit::detail
