// Scaled and effect blits. Every destination pixel (x, y) reads the source
// byte offset A[x] + B[y] from the source rectangle's first pixel, so
// stretching, mirroring and rotation all reduce to two small tables and one
// gathering row kernel per destination row.
#include <algorithm>
#include <climits>

#include "platform/blit/BlitInternal.h"

namespace vexo::blit {
using namespace detail;

namespace {

enum : int32_t {
    kMirrorLeftRight = 0x2,
    kMirrorUpDown = 0x4,
    kRotate180 = 0x10,
    kRotate270 = 0x20,
    kRotate90 = 0x40,
};

// Nearest pixel in 16.16 fixed point, no half-pixel offset: destination
// index i reads floor(i * step) with step = (from << 16) / to truncated, which
// never reaches `from`.
std::vector<int64_t> Sample(int32_t from, int32_t to) {
    std::vector<int64_t> idx(static_cast<size_t>(to));
    const int64_t step = (int64_t(from) << 16) / to;
    for (int32_t i = 0; i < to; ++i) idx[size_t(i)] = (int64_t(i) * step) >> 16;
    return idx;
}

struct Tables {
    std::vector<int64_t> a;  // per destination column
    std::vector<int64_t> b;  // per destination row
};

// Mirrors act on the source image; the rotation then turns the mirrored
// image (clockwise for 90), and the result is scaled to the destination.
Tables MakeTables(const PixelBuffer& src, const RECT& s, int32_t dw, int32_t dh, int32_t fx) {
    const int32_t sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    const int64_t bpp = BytesPerPixel(src.bpp), pitch = src.pitch;
    const int32_t rot = (((fx & kRotate90) ? 90 : 0) + ((fx & kRotate180) ? 180 : 0) +
                         ((fx & kRotate270) ? 270 : 0)) % 360;
    const bool turned = rot == 90 || rot == 270;
    const std::vector<int64_t> rx = Sample(turned ? sh : sw, dw);
    const std::vector<int64_t> ry = Sample(turned ? sw : sh, dh);
    const bool mx = fx & kMirrorLeftRight, my = fx & kMirrorUpDown;
    auto colOff = [&](int64_t sx) { return (mx ? sw - 1 - sx : sx) * bpp; };
    auto rowOff = [&](int64_t sy) { return (my ? sh - 1 - sy : sy) * pitch; };
    Tables t;
    t.a.resize(size_t(dw));
    t.b.resize(size_t(dh));
    for (int32_t x = 0; x < dw; ++x) {
        const int64_t r = rx[size_t(x)];
        switch (rot) {
            case 0: t.a[size_t(x)] = colOff(r); break;
            case 180: t.a[size_t(x)] = colOff(sw - 1 - r); break;
            case 90: t.a[size_t(x)] = rowOff(sh - 1 - r); break;
            default: t.a[size_t(x)] = rowOff(r); break;
        }
    }
    for (int32_t y = 0; y < dh; ++y) {
        const int64_t r = ry[size_t(y)];
        switch (rot) {
            case 0: t.b[size_t(y)] = rowOff(r); break;
            case 180: t.b[size_t(y)] = rowOff(sh - 1 - r); break;
            case 90: t.b[size_t(y)] = colOff(r); break;
            default: t.b[size_t(y)] = colOff(sw - 1 - r); break;
        }
    }
    return t;
}

GatherRowFn GatherKernel(const Kernels& k, int32_t bpp) {
    switch (bpp) {
        case 8: return k.gather8;
        case 16: return k.gather16;
        case 24: return k.gather24;
        default: return k.gather32;
    }
}

KeyRowFn KeyKernel(const Kernels& k, int32_t bpp) {
    switch (bpp) {
        case 8: return k.key8;
        case 16: return k.key16;
        case 24: return k.key24;
        default: return k.key32;
    }
}

// Sources spanning more than 2 GiB cannot use 32-bit offsets: one pixel at
// a time with full-width offsets.
void ScaledHuge(const PixelBuffer& dst, const RECT& d, const uint8_t* base, int32_t bpp, const Tables& t,
                Key key) {
    const int32_t n = BytesPerPixel(bpp);
    const uint32_t mask = KeyMask(bpp), k = key.value & mask;
    for (size_t y = 0; y < t.b.size(); ++y) {
        uint8_t* dp = PixelAt(dst, d.Left, d.Top + int32_t(y));
        for (size_t x = 0; x < t.a.size(); ++x) {
            const uint8_t* p = base + t.a[x] + t.b[y];
            uint32_t v = 0;
            std::memcpy(&v, p, size_t(n));
            if (!key.enabled || (v & mask) != k) std::memcpy(dp + x * size_t(n), p, size_t(n));
        }
    }
}

void Scaled(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, int32_t fx, Key key) {
    const int32_t dw = d.Right - d.Left, dh = d.Bottom - d.Top;
    const int32_t sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || dst.bpp != src.bpp) return;
    if (SpansOverlap(dst, d, src, s)) {
        Snapshot snap(src, s);
        Scaled(dst, d, snap.buf, snap.rect, fx, key);
        return;
    }
    const Tables t = MakeTables(src, s, dw, dh, fx);
    const uint8_t* base = PixelAt(src, s.Left, s.Top);
    const int64_t extent = int64_t(sh - 1) * src.pitch + int64_t(sw) * BytesPerPixel(src.bpp);
    if (extent > INT32_MAX) {
        ScaledHuge(dst, d, base, src.bpp, t, key);
        return;
    }
    std::vector<int32_t> offs(t.a.begin(), t.a.end());
    // From the nearest to the farthest pixel a row reads, all is inside.
    const int32_t limit = *std::max_element(offs.begin(), offs.end()) + BytesPerPixel(src.bpp);
    const Kernels& k = Active();
    const GatherRowFn gather = GatherKernel(k, src.bpp);
    const size_t rowBytes = size_t(dw) * BytesPerPixel(dst.bpp);
    if (!key.enabled) {
        for (int32_t y = 0; y < dh; ++y) {
            uint8_t* dp = PixelAt(dst, d.Left, d.Top + y);
            // Enlarging repeats source rows: copy the row just made.
            if (y > 0 && t.b[size_t(y)] == t.b[size_t(y) - 1]) {
                std::memcpy(dp, dp - dst.pitch, rowBytes);
            } else {
                gather(dp, base + t.b[size_t(y)], offs.data(), dw, limit);
            }
        }
        return;
    }
    // Keyed: each distinct source row is gathered once into a scratch row,
    // then merged by the same keyed kernel as unscaled copies.
    const KeyRowFn merge = KeyKernel(k, src.bpp);
    const uint32_t kv = key.value & KeyMask(src.bpp);
    std::vector<uint8_t> scratch(rowBytes);
    for (int32_t y = 0; y < dh; ++y) {
        if (y == 0 || t.b[size_t(y)] != t.b[size_t(y) - 1]) {
            gather(scratch.data(), base + t.b[size_t(y)], offs.data(), dw, limit);
        }
        merge(PixelAt(dst, d.Left, d.Top + y), scratch.data(), dw, kv);
    }
}

}  // namespace

void Stretch(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, Key key) {
    if (d.Right - d.Left == s.Right - s.Left && d.Bottom - d.Top == s.Bottom - s.Top) {
        Copy(dst, d.Left, d.Top, src, s, key);
        return;
    }
    Scaled(dst, d, src, s, 0, key);
}

void Fx(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, int32_t fx, Key key) {
    if ((fx & (kMirrorLeftRight | kMirrorUpDown | kRotate90 | kRotate180 | kRotate270)) == 0) {
        Stretch(dst, d, src, s, key);
        return;
    }
    Scaled(dst, d, src, s, fx, key);
}

}  // namespace vexo::blit
