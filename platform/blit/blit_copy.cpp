// Unscaled copies: whole rows through memcpy / memmove, keyed rows through
// the row kernels of the instruction set in force.
#include <algorithm>

#include "platform/blit/BlitInternal.h"

namespace vexo::blit {
namespace detail {

bool SpansOverlap(const PixelBuffer& a, const RECT& ra, const PixelBuffer& b, const RECT& rb) {
    // One buffer: only rectangles that share pixels interfere (sprites kept
    // beside each other on one surface need no copy aside).
    if (a.pixels == b.pixels && a.pitch == b.pitch && a.bpp == b.bpp) {
        return ra.Left < rb.Right && rb.Left < ra.Right && ra.Top < rb.Bottom && rb.Top < ra.Bottom;
    }
    const uint8_t* a0 = PixelAt(a, ra.Left, ra.Top);
    const uint8_t* a1 = PixelAt(a, ra.Right, ra.Bottom - 1);
    const uint8_t* b0 = PixelAt(b, rb.Left, rb.Top);
    const uint8_t* b1 = PixelAt(b, rb.Right, rb.Bottom - 1);
    // Compare as integers: the pointers may belong to unrelated buffers.
    auto A0 = reinterpret_cast<uintptr_t>(a0), A1 = reinterpret_cast<uintptr_t>(a1);
    auto B0 = reinterpret_cast<uintptr_t>(b0), B1 = reinterpret_cast<uintptr_t>(b1);
    return A0 < B1 && B0 < A1;
}

Snapshot::Snapshot(const PixelBuffer& src, const RECT& s) {
    const int32_t w = s.Right - s.Left, h = s.Bottom - s.Top;
    const size_t rowBytes = size_t(w) * BytesPerPixel(src.bpp);
    bytes.resize(rowBytes * size_t(h));
    for (int32_t y = 0; y < h; ++y) {
        std::memcpy(bytes.data() + rowBytes * y, PixelAt(src, s.Left, s.Top + y), rowBytes);
    }
    buf = PixelBuffer{bytes.data(), w, h, int32_t(rowBytes), src.bpp};
    rect = RECT{0, 0, w, h};
}

}  // namespace detail

using namespace detail;

namespace {

void CopyRows(const PixelBuffer& dst, int32_t dx, int32_t dy, const PixelBuffer& src, const RECT& s) {
    const int32_t w = s.Right - s.Left, h = s.Bottom - s.Top;
    const size_t rowBytes = size_t(w) * BytesPerPixel(src.bpp);
    const uint8_t* sp = PixelAt(src, s.Left, s.Top);
    uint8_t* dp = PixelAt(dst, dx, dy);
    // Whole rows of equal pitch are one contiguous block.
    if (rowBytes == size_t(src.pitch) && rowBytes == size_t(dst.pitch)) {
        std::memmove(dp, sp, rowBytes * size_t(h));
        return;
    }
    const RECT d{dx, dy, dx + w, dy + h};
    if (!SpansOverlap(dst, d, src, s)) {
        for (int32_t y = 0; y < h; ++y) std::memcpy(dp + ptrdiff_t(y) * dst.pitch, sp + ptrdiff_t(y) * src.pitch, rowBytes);
        return;
    }
    // Overlap within one buffer: walk rows away from the side being written
    // over, as memmove does for bytes.
    if (reinterpret_cast<uintptr_t>(dp) > reinterpret_cast<uintptr_t>(sp)) {
        for (int32_t y = h - 1; y >= 0; --y) std::memmove(dp + ptrdiff_t(y) * dst.pitch, sp + ptrdiff_t(y) * src.pitch, rowBytes);
    } else {
        for (int32_t y = 0; y < h; ++y) std::memmove(dp + ptrdiff_t(y) * dst.pitch, sp + ptrdiff_t(y) * src.pitch, rowBytes);
    }
}

KeyRectFn KeyKernel(const Kernels& k, int32_t bpp) {
    switch (bpp) {
        case 8: return k.key8;
        case 16: return k.key16;
        case 24: return k.key24;
        default: return k.key32;
    }
}

}  // namespace

void Copy(const PixelBuffer& dst, int32_t dx, int32_t dy, const PixelBuffer& src, const RECT& s, Key key) {
    const int32_t w = s.Right - s.Left, h = s.Bottom - s.Top;
    if (w <= 0 || h <= 0 || dst.bpp != src.bpp) return;
    if (!key.enabled) {
        CopyRows(dst, dx, dy, src, s);
        return;
    }
    const RECT d{dx, dy, dx + w, dy + h};
    if (SpansOverlap(dst, d, src, s)) {
        Snapshot snap(src, s);
        Copy(dst, dx, dy, snap.buf, snap.rect, key);
        return;
    }
    KeyKernel(Active(), src.bpp)(PixelAt(dst, dx, dy), dst.pitch, PixelAt(src, s.Left, s.Top), src.pitch, w, h,
                                 key.value & KeyMask(src.bpp));
}

}  // namespace vexo::blit
