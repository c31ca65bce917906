// Keyed rows of 8- and 16-bit pixels (exact key match).
//
// The wide kernels compare a whole vector against the key and merge source
// and destination without a branch: skipping all-key or all-opaque vectors
// measured slower, since sprite edges make those branches mispredict. The
// row's last partial vector is done by re-running the final full vector,
// harmless because source and destination never overlap here.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit::detail {

void KeyRow8Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    const uint8_t k = uint8_t(key);
    for (int32_t x = 0; x < n; ++x) {
        if (s[x] != k) d[x] = s[x];
    }
}

// Selects rather than skips: no data-dependent branch to mispredict.
void KeyRow16Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    const uint16_t k = uint16_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint16_t v = Load16(s + 2 * x), o = Load16(d + 2 * x);
        Store16(d + 2 * x, v != k ? v : o);
    }
}

#if defined(__x86_64__)

namespace {

// 16 bytes: `eq` holds the lanes equal to the key.
inline void KeyStep128(uint8_t* d, __m128i v, __m128i eq) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_andnot_si128(eq, v), _mm_and_si128(eq, dv)));
}

inline void Key8Sse2At(uint8_t* d, const uint8_t* s, __m128i k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    KeyStep128(d, v, _mm_cmpeq_epi8(v, k));
}

inline void Key16Sse2At(uint8_t* d, const uint8_t* s, __m128i k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    KeyStep128(d, v, _mm_cmpeq_epi16(v, k));
}

__attribute__((target("avx2"))) inline void KeyStep256(uint8_t* d, __m256i v, __m256i eq) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(v, dv, eq));
}

}  // namespace

void KeyRow8Sse2(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    if (n < 16) return KeyRow8Plain(d, s, n, key);
    const __m128i k = _mm_set1_epi8(char(key));
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) Key8Sse2At(d + x, s + x, k);
    if (x < n) Key8Sse2At(d + n - 16, s + n - 16, k);
}

void KeyRow16Sse2(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    if (n < 8) return KeyRow16Plain(d, s, n, key);
    const __m128i k = _mm_set1_epi16(short(key));
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) Key16Sse2At(d + 2 * x, s + 2 * x, k);
    if (x < n) Key16Sse2At(d + 2 * (n - 8), s + 2 * (n - 8), k);
}

__attribute__((target("avx2"))) void KeyRow8Avx2(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    if (n < 32) return KeyRow8Sse2(d, s, n, key);
    const __m256i k = _mm256_set1_epi8(char(key));
    auto at = [](uint8_t* dp, const uint8_t* sp, __m256i kk) __attribute__((target("avx2"))) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sp));
        KeyStep256(dp, v, _mm256_cmpeq_epi8(v, kk));
    };
    int32_t x = 0;
    for (; x + 32 <= n; x += 32) at(d + x, s + x, k);
    if (x < n) at(d + n - 32, s + n - 32, k);
}

__attribute__((target("avx2"))) void KeyRow16Avx2(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    if (n < 16) return KeyRow16Sse2(d, s, n, key);
    const __m256i k = _mm256_set1_epi16(short(key));
    auto at = [](uint8_t* dp, const uint8_t* sp, __m256i kk) __attribute__((target("avx2"))) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sp));
        KeyStep256(dp, v, _mm256_cmpeq_epi16(v, kk));
    };
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) at(d + 2 * x, s + 2 * x, k);
    if (x < n) at(d + 2 * (n - 16), s + 2 * (n - 16), k);
}

#endif

}  // namespace vexo::blit::detail
