// Colour fills. The value is masked to the depth first, so a 32-bit fill
// leaves the unused top byte zero.
#include "platform/blit/BlitInternal.h"

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
    // Fill the first row, then copy it: memcpy beats any row kernel.
    row(dp, w, v);
    const size_t rowBytes = size_t(w) * BytesPerPixel(dst.bpp);
    for (int32_t y = 1; y < h; ++y) std::memcpy(dp + ptrdiff_t(y) * dst.pitch, dp, rowBytes);
}

}  // namespace vexo::blit
