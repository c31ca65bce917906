// Scaled rows: each destination pixel is fetched through an offset table.
//
// 32-bit rows have wide kernels: AVX2 gathers eight pixels at once, SSE2
// assembles four from plain loads so that the key test and the merge run
// without a branch per pixel. Narrower pixels would need gathers reading
// past the pixel, which could leave the buffer; they stay plain.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit::detail {

void GatherRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) d[x] = base[offs[x]];
}

void GatherRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) Store16(d + 2 * x, Load16(base + offs[x]));
}

void GatherRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = base + offs[x];
        d[3 * x] = p[0];
        d[3 * x + 1] = p[1];
        d[3 * x + 2] = p[2];
    }
}

void GatherRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) Store32(d + 4 * x, Load32(base + offs[x]));
}

void GatherKeyRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    const uint8_t k = uint8_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t v = base[offs[x]];
        if (v != k) d[x] = v;
    }
}

void GatherKeyRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    const uint16_t k = uint16_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint16_t v = Load16(base + offs[x]);
        if (v != k) Store16(d + 2 * x, v);
    }
}

void GatherKeyRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = base + offs[x];
        if (Load24(p) != key) {
            d[3 * x] = p[0];
            d[3 * x + 1] = p[1];
            d[3 * x + 2] = p[2];
        }
    }
}

void GatherKeyRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint32_t v = Load32(base + offs[x]);
        if ((v & 0xFFFFFFu) != key) Store32(d + 4 * x, v);
    }
}

#if defined(__x86_64__)

namespace {

inline void GatherKey32Sse2At(uint8_t* d, const uint8_t* base, const int32_t* o, __m128i k, __m128i mask) {
    const __m128i v = _mm_set_epi32(int(Load32(base + o[3])), int(Load32(base + o[2])), int(Load32(base + o[1])),
                                    int(Load32(base + o[0])));
    const __m128i eq = _mm_cmpeq_epi32(_mm_and_si128(v, mask), k);
    const int m = _mm_movemask_epi8(eq);
    if (m == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    } else if (m != 0xFFFF) {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_andnot_si128(eq, v), _mm_and_si128(eq, dv)));
    }
}

__attribute__((target("avx2"))) inline __m256i Gather32Avx2(const uint8_t* base, const int32_t* o) {
    const __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(o));
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), idx, 1);
}

__attribute__((target("avx2"))) inline void GatherKey32Avx2At(uint8_t* d, const uint8_t* base, const int32_t* o,
                                                              __m256i k, __m256i mask) {
    const __m256i v = Gather32Avx2(base, o);
    const __m256i eq = _mm256_cmpeq_epi32(_mm256_and_si256(v, mask), k);
    const uint32_t m = uint32_t(_mm256_movemask_epi8(eq));
    if (m == 0) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), v);
    } else if (m != 0xFFFFFFFFu) {
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(v, dv, eq));
    }
}

}  // namespace

void GatherKeyRow32Sse2(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    if (n < 4) return GatherKeyRow32Plain(d, base, offs, n, key);
    const __m128i k = _mm_set1_epi32(int(key)), mask = _mm_set1_epi32(0xFFFFFF);
    int32_t x = 0;
    for (; x + 4 <= n; x += 4) GatherKey32Sse2At(d + 4 * x, base, offs + x, k, mask);
    if (x < n) GatherKey32Sse2At(d + 4 * (n - 4), base, offs + n - 4, k, mask);
}

__attribute__((target("avx2"))) void GatherRow32Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs,
                                                     int32_t n) {
    if (n < 8) return GatherRow32Plain(d, base, offs, n);
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x), Gather32Avx2(base, offs + x));
    }
    if (x < n) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * (n - 8)), Gather32Avx2(base, offs + n - 8));
}

__attribute__((target("avx2"))) void GatherKeyRow32Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs,
                                                        int32_t n, uint32_t key) {
    if (n < 8) return GatherKeyRow32Sse2(d, base, offs, n, key);
    const __m256i k = _mm256_set1_epi32(int(key)), mask = _mm256_set1_epi32(0xFFFFFF);
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) GatherKey32Avx2At(d + 4 * x, base, offs + x, k, mask);
    if (x < n) GatherKey32Avx2At(d + 4 * (n - 8), base, offs + n - 8, k, mask);
}

#endif

}  // namespace vexo::blit::detail
