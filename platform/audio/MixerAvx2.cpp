// The AVX2 mixing run, eight frames at a time with gathered samples. Built
// with -mavx2 and chosen at run time; gives exactly the samples of the plain
// loop (same operations in the same order, no fused multiply-add).
#include "platform/audio/MixerSimd.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace vexo::audio::simd {
namespace {

inline __m256 Lerp(__m256 a, __m256 b, __m256 t) { return _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), t)); }
inline __m256i Low16(__m256i v) { return _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16); }
inline __m256 F(__m256i v) { return _mm256_cvtepi32_ps(v); }

template <int Bits, int Ch>
int32_t Run(const uint8_t* base, uint64_t& pos, uint64_t step, float gl, float gr, float* o, int32_t count) {
    constexpr int kShift = (Bits / 8 * Ch) == 1 ? 0 : (Bits / 8 * Ch) == 2 ? 1 : 2;
    const int* src = reinterpret_cast<const int*>(base);
    const __m256 vgl = _mm256_set1_ps(gl), vgr = _mm256_set1_ps(gr), k = _mm256_set1_ps(kFrac);
    const __m256 bias = _mm256_set1_ps(Bits == 8 ? 128.0f : 0.0f);
    const __m256i m8 = _mm256_set1_epi32(0xFF);

    // Lane j holds position pos + j * step as a frame index and a 32-bit
    // fraction; a fraction that wraps carries one into the index.
    alignas(32) int32_t idx0[8], frac0[8];
    for (int j = 0; j < 8; ++j) {
        uint64_t p = pos + static_cast<uint64_t>(j) * step;
        idx0[j] = static_cast<int32_t>(p >> 32);
        frac0[j] = static_cast<int32_t>(static_cast<uint32_t>(p));
    }
    __m256i idx = _mm256_load_si256(reinterpret_cast<const __m256i*>(idx0));
    __m256i frac = _mm256_load_si256(reinterpret_cast<const __m256i*>(frac0));
    const uint64_t step8 = 8 * step;
    const __m256i dIdx = _mm256_set1_epi32(static_cast<int32_t>(step8 >> 32));
    const __m256i dFrac = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(step8)));
    const __m256i sign = _mm256_set1_epi32(static_cast<int32_t>(0x80000000u));

    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i off = _mm256_slli_epi32(idx, kShift);
        __m256 t = _mm256_mul_ps(F(_mm256_srli_epi32(frac, 8)), k);
        __m256 l, r;
        if constexpr (Bits == 16 && Ch == 1) {
            __m256i v = _mm256_i32gather_epi32(src, off, 1);
            __m256 x = Lerp(F(Low16(v)), F(_mm256_srai_epi32(v, 16)), t);
            l = _mm256_mul_ps(x, vgl);
            r = _mm256_mul_ps(x, vgr);
        } else if constexpr (Bits == 8 && Ch == 1) {
            __m256i v = _mm256_i32gather_epi32(src, off, 1);
            __m256 a = _mm256_sub_ps(F(_mm256_and_si256(v, m8)), bias);
            __m256 b = _mm256_sub_ps(F(_mm256_and_si256(_mm256_srli_epi32(v, 8), m8)), bias);
            __m256 x = Lerp(a, b, t);
            l = _mm256_mul_ps(x, vgl);
            r = _mm256_mul_ps(x, vgr);
        } else if constexpr (Bits == 16 && Ch == 2) {
            __m256i va = _mm256_i32gather_epi32(src, off, 1);
            __m256i vb = _mm256_i32gather_epi32(src, _mm256_add_epi32(off, _mm256_set1_epi32(4)), 1);
            l = _mm256_mul_ps(Lerp(F(Low16(va)), F(Low16(vb)), t), vgl);
            r = _mm256_mul_ps(Lerp(F(_mm256_srai_epi32(va, 16)), F(_mm256_srai_epi32(vb, 16)), t), vgr);
        } else {
            __m256i v = _mm256_i32gather_epi32(src, off, 1);
            __m256 aL = _mm256_sub_ps(F(_mm256_and_si256(v, m8)), bias);
            __m256 aR = _mm256_sub_ps(F(_mm256_and_si256(_mm256_srli_epi32(v, 8), m8)), bias);
            __m256 bL = _mm256_sub_ps(F(_mm256_and_si256(_mm256_srli_epi32(v, 16), m8)), bias);
            __m256 bR = _mm256_sub_ps(F(_mm256_srli_epi32(v, 24)), bias);
            l = _mm256_mul_ps(Lerp(aL, bL, t), vgl);
            r = _mm256_mul_ps(Lerp(aR, bR, t), vgr);
        }
        // Interleave: frames 0-3 and 4-7 of (l, r).
        __m256 lo = _mm256_unpacklo_ps(l, r), hi = _mm256_unpackhi_ps(l, r);
        float* d = o + 2 * i;
        _mm256_storeu_ps(d, _mm256_add_ps(_mm256_loadu_ps(d), _mm256_permute2f128_ps(lo, hi, 0x20)));
        _mm256_storeu_ps(d + 8, _mm256_add_ps(_mm256_loadu_ps(d + 8), _mm256_permute2f128_ps(lo, hi, 0x31)));

        __m256i f2 = _mm256_add_epi32(frac, dFrac);
        // Unsigned f2 < frac means the fraction wrapped: the mask is -1.
        __m256i carry = _mm256_cmpgt_epi32(_mm256_xor_si256(frac, sign), _mm256_xor_si256(f2, sign));
        idx = _mm256_sub_epi32(_mm256_add_epi32(idx, dIdx), carry);
        frac = f2;
    }
    pos += static_cast<uint64_t>(i) * step;
    return i;
}

}  // namespace

int32_t MixRunAvx2(int bits, int channels, const uint8_t* base, uint64_t& pos, uint64_t step, float gl, float gr,
                   float* out, int32_t count) {
    if (bits == 16) {
        return channels == 2 ? Run<16, 2>(base, pos, step, gl, gr, out, count)
                             : Run<16, 1>(base, pos, step, gl, gr, out, count);
    }
    return channels == 2 ? Run<8, 2>(base, pos, step, gl, gr, out, count)
                         : Run<8, 1>(base, pos, step, gl, gr, out, count);
}

}  // namespace vexo::audio::simd
#endif
