// The half-blend table build, plain and wide (AVX2).
#include "draw/HarfTable.h"

#include <cstdlib>
#include <cstring>

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

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

void BuildPlain(const Palette& screen, const Palette& source, Table& out) {
    for (int32_t d = 0; d < 256; ++d)
        for (int32_t s = 0; s < 256; ++s) out[size_t(d)][size_t(s)] = Nearest(screen, Mix(screen[size_t(d)], source[size_t(s)]));
}

#if defined(__x86_64__)
// The screen palette as three rows of 16-bit channels, 16 entries a vector.
struct alignas(32) Planes {
    int16_t r[256], g[256], b[256];
};

// All 256 distances of one mix in 16 vectors. Each lane folds its distance
// and its vector's place into one key, so that a plain minimum finds the
// answer: distances of 4 or less count as 0 (the search stops at the first
// of them), the lowest index wins among equals. Key = (max(dist - 4, 0)
// << 5) | t, where entry k = t * 8 + lane sits in half t of the vectors;
// the final minimum over the 8 lanes of a half picks the lowest lane.
__attribute__((target("avx2"))) inline uint8_t NearestWide(const Planes& p, const PALETTEENTRY& m) {
    const __m256i mr = _mm256_set1_epi16(m.red), mg = _mm256_set1_epi16(m.green), mb = _mm256_set1_epi16(m.blue);
    const __m256i four = _mm256_set1_epi16(4), step = _mm256_set1_epi16(2);
    __m256i tag = _mm256_setr_epi16(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1);
    __m256i best = _mm256_set1_epi16(-1);
    for (int32_t u = 0; u < 256; u += 16) {
        const __m256i dr = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.r + u)), mr));
        const __m256i dg = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.g + u)), mg));
        const __m256i db = _mm256_abs_epi16(_mm256_sub_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(p.b + u)), mb));
        const __m256i dist = _mm256_add_epi16(_mm256_add_epi16(dr, dg), db);
        const __m256i key = _mm256_or_si256(_mm256_slli_epi16(_mm256_subs_epu16(dist, four), 5), tag);
        best = _mm256_min_epu16(best, key);
        tag = _mm256_add_epi16(tag, step);
    }
    const __m128i halves = _mm_min_epu16(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
    const __m128i pos = _mm_minpos_epu16(halves);
    const int32_t key = _mm_extract_epi16(pos, 0);
    const int32_t lane = _mm_extract_epi16(pos, 1) & 7;
    return uint8_t((key & 31) * 8 + lane);
}

__attribute__((target("avx2"))) void BuildWide(const Palette& screen, const Palette& source, Table& out) {
    Planes p;
    for (size_t k = 0; k < 256; ++k) {
        p.r[k] = screen[k].red;
        p.g[k] = screen[k].green;
        p.b[k] = screen[k].blue;
    }
    for (size_t d = 0; d < 256; ++d) {
        // Equal colours give equal rows and equal entries.
        if (d > 0 && SameColour(screen[d], screen[d - 1])) {
            out[d] = out[d - 1];
            continue;
        }
        for (size_t s = 0; s < 256; ++s) {
            if (s > 0 && SameColour(source[s], source[s - 1])) {
                out[d][s] = out[d][s - 1];
                continue;
            }
            out[d][s] = NearestWide(p, Mix(screen[d], source[s]));
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

bool WideAvailable() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

void BuildTable(const Palette& screen, const Palette& source, Table& out, Path path) {
#if defined(__x86_64__)
    static const bool wide = WideAvailable();
    if (path != Path::Plain && wide) {
        BuildWide(screen, source, out);
        return;
    }
#endif
    BuildPlain(screen, source, out);
}

}  // namespace vexo::harf
