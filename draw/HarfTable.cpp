// The half-blend table build, plain and wide (AVX2).
#include "draw/HarfTable.h"

#include <cstdlib>

#include "common/Error.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::harf {

namespace {

// Half of every channel sum 0..510, as the run time's conversion rounds it.
struct HalfTable {
    uint8_t v[511];
    HalfTable() {
        for (int32_t sum = 0; sum <= 510; ++sum) v[sum] = RoundToByte(sum / 2.0);
    }
};
const HalfTable& Half() {
    static const HalfTable t;
    return t;
}

PALETTEENTRY Mix(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    const HalfTable& h = Half();
    return {h.v[a.red + b.red], h.v[a.green + b.green], h.v[a.blue + b.blue], 0};
}

void BuildPlain(const Palette& screen, const Palette& source, Table& out) {
    for (int32_t d = 0; d < 256; ++d)
        for (int32_t s = 0; s < 256; ++s) out[size_t(d)][size_t(s)] = Nearest(screen, Mix(screen[size_t(d)], source[size_t(s)]));
}

#if defined(__x86_64__)
bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The screen palette as three rows of channels times 32, so that a distance
// times 32 (at most 24,480) fits a 16-bit lane with 5 bits free below.
struct alignas(64) Planes {
    int16_t r[256], g[256], b[256];
    explicit Planes(const Palette& p) {
        for (size_t k = 0; k < 256; ++k) {
            r[k] = int16_t(p[k].red * 32);
            g[k] = int16_t(p[k].green * 32);
            b[k] = int16_t(p[k].blue * 32);
        }
    }
};

// All 256 distances of one mix at once. Each lane folds its distance and
// its group of 8 entries into one key, so that a plain minimum finds the
// answer: key = max(dist - 4, 0) * 32 + t for entry k = t * 8 + lane.
// Distances of 4 or less all count as 0 (the search stops at the first of
// them); among equal distances the lowest group, then (through the final
// minimum over the 8 lanes of a group) the lowest lane wins.
inline uint8_t IndexOfKey(__m128i groupMin) __attribute__((target("sse4.1")));
inline uint8_t IndexOfKey(__m128i groupMin) {
    const __m128i pos = _mm_minpos_epu16(groupMin);
    const int32_t key = _mm_extract_epi16(pos, 0);
    const int32_t lane = _mm_extract_epi16(pos, 1) & 7;
    return uint8_t((key & 31) * 8 + lane);
}

__attribute__((target("avx2"))) inline uint8_t NearestAvx2(const Planes& p, const PALETTEENTRY& m) {
    const __m256i mr = _mm256_set1_epi16(int16_t(m.red * 32)), mg = _mm256_set1_epi16(int16_t(m.green * 32)),
                  mb = _mm256_set1_epi16(int16_t(m.blue * 32));
    const __m256i four = _mm256_set1_epi16(4 * 32), step = _mm256_set1_epi16(2);
    __m256i tag = _mm256_setr_epi16(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1);
    __m256i best = _mm256_set1_epi16(-1);
    for (int32_t u = 0; u < 256; u += 16) {
        const __m256i dr = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.r + u)), mr));
        const __m256i dg = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.g + u)), mg));
        const __m256i db = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.b + u)), mb));
        const __m256i dist = _mm256_add_epi16(_mm256_add_epi16(dr, dg), db);
        best = _mm256_min_epu16(best, _mm256_or_si256(_mm256_subs_epu16(dist, four), tag));
        tag = _mm256_add_epi16(tag, step);
    }
    return IndexOfKey(_mm_min_epu16(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1)));
}

__attribute__((target("avx512f,avx512bw"))) inline uint8_t NearestAvx512(const Planes& p, const PALETTEENTRY& m) {
    const __m512i mr = _mm512_set1_epi16(int16_t(m.red * 32)), mg = _mm512_set1_epi16(int16_t(m.green * 32)),
                  mb = _mm512_set1_epi16(int16_t(m.blue * 32));
    const __m512i four = _mm512_set1_epi16(4 * 32), step = _mm512_set1_epi16(4);
    // Quarter q of vector u holds group 4u + q.
    alignas(64) static const int16_t kTags[32] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1,
                                                  2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3};
    __m512i tag = _mm512_load_si512(kTags);
    __m512i best = _mm512_set1_epi16(-1);
    for (int32_t u = 0; u < 256; u += 32) {
        const __m512i dr = _mm512_abs_epi16(_mm512_sub_epi16(_mm512_load_si512(p.r + u), mr));
        const __m512i dg = _mm512_abs_epi16(_mm512_sub_epi16(_mm512_load_si512(p.g + u), mg));
        const __m512i db = _mm512_abs_epi16(_mm512_sub_epi16(_mm512_load_si512(p.b + u), mb));
        const __m512i dist = _mm512_add_epi16(_mm512_add_epi16(dr, dg), db);
        best = _mm512_min_epu16(best, _mm512_or_si512(_mm512_subs_epu16(dist, four), tag));
        tag = _mm512_add_epi16(tag, step);
    }
    // Halved through memory: the 512-bit extracts draw false warnings from
    // this compiler's headers.
    alignas(64) uint16_t lanes[32];
    _mm512_store_si512(lanes, best);
    const __m256i half = _mm256_min_epu16(_mm256_load_si256(reinterpret_cast<const __m256i*>(lanes)),
                                          _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes + 16)));
    return IndexOfKey(_mm_min_epu16(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1)));
}

// Equal colours give equal rows and equal entries, so repeats are copied.
__attribute__((target("avx2"))) void BuildAvx2(const Palette& screen, const Palette& source, Table& out) {
    const Planes p(screen);
    for (size_t d = 0; d < 256; ++d) {
        if (d > 0 && SameColour(screen[d], screen[d - 1])) {
            out[d] = out[d - 1];
            continue;
        }
        for (size_t s = 0; s < 256; ++s) {
            if (s > 0 && SameColour(source[s], source[s - 1])) {
                out[d][s] = out[d][s - 1];
                continue;
            }
            out[d][s] = NearestAvx2(p, Mix(screen[d], source[s]));
        }
    }
}

__attribute__((target("avx512f,avx512bw"))) void BuildAvx512(const Palette& screen, const Palette& source,
                                                              Table& out) {
    const Planes p(screen);
    for (size_t d = 0; d < 256; ++d) {
        if (d > 0 && SameColour(screen[d], screen[d - 1])) {
            out[d] = out[d - 1];
            continue;
        }
        for (size_t s = 0; s < 256; ++s) {
            if (s > 0 && SameColour(source[s], source[s - 1])) {
                out[d][s] = out[d][s - 1];
                continue;
            }
            out[d][s] = NearestAvx512(p, Mix(screen[d], source[s]));
        }
    }
}
#endif

}  // namespace

uint8_t MixChannel(uint8_t a, uint8_t b) { return Half().v[a + b]; }

uint8_t Nearest(const Palette& screen, PALETTEENTRY m) {
    // Only a strictly smaller distance replaces the best, so ties keep the
    // lower index; a distance below 5 ends the search.
    int32_t best = 765, bestIndex = 0;
    for (int32_t k = 0; k < 256; ++k) {
        const PALETTEENTRY& a = screen[size_t(k)];
        const int32_t dist = std::abs(a.red - m.red) + std::abs(a.green - m.green) + std::abs(a.blue - m.blue);
        if (dist < best) {
            best = dist;
            bestIndex = k;
        }
        if (best < 5) break;
    }
    return uint8_t(bestIndex);
}

bool Available(Path path) {
#if defined(__x86_64__)
    __builtin_cpu_init();
    switch (path) {
        case Path::Auto:
        case Path::Plain: return true;
        case Path::Avx2: return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("sse4.1");
        case Path::Avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    }
    return false;
#else
    return path == Path::Auto || path == Path::Plain;
#endif
}

Path Widest() {
    static const Path widest = Available(Path::Avx512) ? Path::Avx512
                               : Available(Path::Avx2) ? Path::Avx2
                                                       : Path::Plain;
    return widest;
}

void BuildTable(const Palette& screen, const Palette& source, Table& out, Path path) {
    if (path == Path::Auto) path = Widest();
    if (!Available(path)) path = Path::Plain;
#if defined(__x86_64__)
    if (path == Path::Avx512) return BuildAvx512(screen, source, out);
    if (path == Path::Avx2) return BuildAvx2(screen, source, out);
#endif
    BuildPlain(screen, source, out);
}

}  // namespace vexo::harf
