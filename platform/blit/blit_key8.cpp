// Keyed copies of 8- and 16-bit pixels (exact key match).
//
// The kernels take a whole rectangle: a sprite is many short rows, and a
// call per row measured a third slower. The wide kernels compare a whole
// vector against the key and merge source and destination without a
// branch: skipping all-key or all-opaque vectors measured slower, since
// sprite edges make those branches mispredict. A row's last partial vector
// is done by re-running the row's final full vector, harmless because
// source and destination never overlap here.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit::detail {

void KeyRect8Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                   uint32_t key) {
    const uint8_t k = uint8_t(key);
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        for (int32_t x = 0; x < w; ++x) {
            if (s[x] != k) d[x] = s[x];
        }
    }
}

// Selects rather than skips: no data-dependent branch to mispredict.
void KeyRect16Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                    uint32_t key) {
    const uint16_t k = uint16_t(key);
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        for (int32_t x = 0; x < w; ++x) {
            const uint16_t v = Load16(s + 2 * x), o = Load16(d + 2 * x);
            Store16(d + 2 * x, v != k ? v : o);
        }
    }
}

#if defined(__x86_64__)

namespace {

// 16 bytes: `eq` holds the lanes equal to the key.
inline void Merge128(uint8_t* d, __m128i v, __m128i eq) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_andnot_si128(eq, v), _mm_and_si128(eq, dv)));
}

inline void Key8Sse2At(uint8_t* d, const uint8_t* s, __m128i k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    Merge128(d, v, _mm_cmpeq_epi8(v, k));
}

inline void Key16Sse2At(uint8_t* d, const uint8_t* s, __m128i k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    Merge128(d, v, _mm_cmpeq_epi16(v, k));
}

__attribute__((target("avx2"))) inline void Merge256(uint8_t* d, __m256i v, __m256i eq) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(v, dv, eq));
}

__attribute__((target("avx2"))) inline void Key8Avx2At(uint8_t* d, const uint8_t* s, __m256i k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    Merge256(d, v, _mm256_cmpeq_epi8(v, k));
}

__attribute__((target("avx2"))) inline void Key16Avx2At(uint8_t* d, const uint8_t* s, __m256i k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    Merge256(d, v, _mm256_cmpeq_epi16(v, k));
}

}  // namespace

void KeyRect8Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                  uint32_t key) {
    if (w < 16) return KeyRect8Plain(d, dpitch, s, spitch, w, h, key);
    const __m128i k = _mm_set1_epi8(char(key));
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 16 <= w; x += 16) Key8Sse2At(d + x, s + x, k);
        if (x < w) Key8Sse2At(d + w - 16, s + w - 16, k);
    }
}

void KeyRect16Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                   uint32_t key) {
    if (w < 8) return KeyRect16Plain(d, dpitch, s, spitch, w, h, key);
    const __m128i k = _mm_set1_epi16(short(key));
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 8 <= w; x += 8) Key16Sse2At(d + 2 * x, s + 2 * x, k);
        if (x < w) Key16Sse2At(d + 2 * (w - 8), s + 2 * (w - 8), k);
    }
}

__attribute__((target("avx2"))) void KeyRect8Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch,
                                                  int32_t w, int32_t h, uint32_t key) {
    if (w < 32) return KeyRect8Sse2(d, dpitch, s, spitch, w, h, key);
    const __m256i k = _mm256_set1_epi8(char(key));
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 32 <= w; x += 32) Key8Avx2At(d + x, s + x, k);
        if (x < w) Key8Avx2At(d + w - 32, s + w - 32, k);
    }
}

__attribute__((target("avx2"))) void KeyRect16Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch,
                                                   int32_t w, int32_t h, uint32_t key) {
    if (w < 16) return KeyRect16Sse2(d, dpitch, s, spitch, w, h, key);
    const __m256i k = _mm256_set1_epi16(short(key));
    for (int32_t y = 0; y < h; ++y, d += dpitch, s += spitch) {
        int32_t x = 0;
        for (; x + 16 <= w; x += 16) Key16Avx2At(d + 2 * x, s + 2 * x, k);
        if (x < w) Key16Avx2At(d + 2 * (w - 16), s + 2 * (w - 16), k);
    }
}

#endif

}  // namespace vexo::blit::detail
