// Scaled rows: each destination pixel is fetched through an offset table.
//
// Enlarging reads runs of neighbouring source pixels. The AVX2 kernels spot
// a stretch of destination pixels whose sources all lie within one vector's
// reach and fetch them with a single load and a shuffle; any other stretch
// (mirrored, turned, shrunk, or too near the end of the readable bytes)
// takes plain loads. The gather instruction itself measured no faster than
// plain loads, and narrow pixels could not use it without reading past the
// pixel. 24-bit rows stay plain on every path.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit::detail {

void GatherRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t) {
    for (int32_t x = 0; x < n; ++x) d[x] = base[offs[x]];
}

void GatherRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t) {
    for (int32_t x = 0; x < n; ++x) Store16(d + 2 * x, Load16(base + offs[x]));
}

void GatherRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = base + offs[x];
        d[3 * x] = p[0];
        d[3 * x + 1] = p[1];
        d[3 * x + 2] = p[2];
    }
}

void GatherRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t) {
    for (int32_t x = 0; x < n; ++x) Store32(d + 4 * x, Load32(base + offs[x]));
}

#if defined(__x86_64__)

namespace {

// Eight 32-bit pixels from one load when their offsets lie within 32 bytes
// of the first and on whole pixels from it.
__attribute__((target("avx2"))) inline void Gather32At(uint8_t* d, const uint8_t* base, const int32_t* o,
                                                       int32_t limit) {
    const int32_t o0 = o[0];
    if (o0 <= limit - 32) {
        const __m256i rel = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(o)),
                                             _mm256_set1_epi32(o0));
        const __m256i bad = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(rel, _mm256_set1_epi32(28)),
                            _mm256_cmpgt_epi32(_mm256_setzero_si256(), rel)),
            _mm256_slli_epi32(rel, 30));
        if (_mm256_testz_si256(bad, bad)) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + o0));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                                _mm256_permutevar8x32_epi32(v, _mm256_srli_epi32(rel, 2)));
            return;
        }
    }
    for (int i = 0; i < 8; ++i) Store32(d + 4 * i, Load32(base + o[i]));
}

// Offsets of eight pixels relative to the first, as 16-bit lanes.
__attribute__((target("avx2"))) inline __m128i Narrow(__m256i rel) {
    const __m256i p = _mm256_permute4x64_epi64(_mm256_packs_epi32(rel, rel), 0x08);
    return _mm256_castsi256_si128(p);
}

// Sixteen 8-bit pixels from one 16-byte load and a byte shuffle.
__attribute__((target("avx2"))) inline void Gather8At(uint8_t* d, const uint8_t* base, const int32_t* o,
                                                      int32_t limit) {
    const int32_t o0 = o[0];
    if (o0 <= limit - 16) {
        const __m256i first = _mm256_set1_epi32(o0), top = _mm256_set1_epi32(15);
        const __m256i ra = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(o)), first);
        const __m256i rb = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(o + 8)), first);
        const __m256i bad = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(ra, top), _mm256_cmpgt_epi32(_mm256_setzero_si256(), ra)),
            _mm256_or_si256(_mm256_cmpgt_epi32(rb, top), _mm256_cmpgt_epi32(_mm256_setzero_si256(), rb)));
        if (_mm256_testz_si256(bad, bad)) {
            const __m128i shuffle = _mm_packus_epi16(Narrow(ra), Narrow(rb));
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + o0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(v, shuffle));
            return;
        }
    }
    for (int i = 0; i < 16; ++i) d[i] = base[o[i]];
}

// Eight 16-bit pixels from one 16-byte load: each pixel's two bytes.
__attribute__((target("avx2"))) inline void Gather16At(uint8_t* d, const uint8_t* base, const int32_t* o,
                                                       int32_t limit) {
    const int32_t o0 = o[0];
    if (o0 <= limit - 16) {
        const __m256i rel = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(o)),
                                             _mm256_set1_epi32(o0));
        const __m256i bad = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpgt_epi32(rel, _mm256_set1_epi32(14)),
                            _mm256_cmpgt_epi32(_mm256_setzero_si256(), rel)),
            _mm256_slli_epi32(rel, 31));
        if (_mm256_testz_si256(bad, bad)) {
            const __m128i r = Narrow(rel);
            const __m128i shuffle = _mm_or_si128(r, _mm_slli_epi16(_mm_add_epi16(r, _mm_set1_epi16(1)), 8));
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + o0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(v, shuffle));
            return;
        }
    }
    for (int i = 0; i < 8; ++i) Store16(d + 2 * i, Load16(base + o[i]));
}

}  // namespace

// The row's last partial chunk is redone from the row's end: rewriting a
// pixel with the same value is harmless.
__attribute__((target("avx2"))) void GatherRow8Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n,
                                                    int32_t limit) {
    if (n < 16) return GatherRow8Plain(d, base, offs, n, limit);
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) Gather8At(d + x, base, offs + x, limit);
    if (x < n) Gather8At(d + n - 16, base, offs + n - 16, limit);
}

__attribute__((target("avx2"))) void GatherRow16Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs,
                                                     int32_t n, int32_t limit) {
    if (n < 8) return GatherRow16Plain(d, base, offs, n, limit);
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) Gather16At(d + 2 * x, base, offs + x, limit);
    if (x < n) Gather16At(d + 2 * (n - 8), base, offs + n - 8, limit);
}

__attribute__((target("avx2"))) void GatherRow32Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs,
                                                     int32_t n, int32_t limit) {
    if (n < 8) return GatherRow32Plain(d, base, offs, n, limit);
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) Gather32At(d + 4 * x, base, offs + x, limit);
    if (x < n) Gather32At(d + 4 * (n - 8), base, offs + n - 8, limit);
}

#endif

}  // namespace vexo::blit::detail
