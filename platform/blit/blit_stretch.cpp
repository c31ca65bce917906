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

// Nearest pixel, no half-pixel offset: destination index i reads
// floor(i * from / to) exactly (a fixed-point step would be uneven where
// from / to has no short binary fraction, as at 3x). Quotient and remainder
// step together, so only the first index divides. i < 2^32 and from < 2^31
// keep every product inside 64 bits. Only the indices [i0, i1) are made.
std::vector<int64_t> Sample(int64_t from, int64_t to, int64_t i0, int64_t i1) {
    std::vector<int64_t> idx(static_cast<size_t>(i1 - i0));
    const int64_t whole = from / to, part = from % to;
    int64_t q = i0 * from / to, r = i0 * from % to;
    for (int64_t& v : idx) {
        v = q;
        q += whole;
        r += part;
        if (r >= to) {
            r -= to;
            ++q;
        }
    }
    return idx;
}

struct Tables {
    std::vector<int64_t> a;  // per visible destination column
    std::vector<int64_t> b;  // per visible destination row
};

// Mirrors act on the source image; the rotation then turns the mirrored
// image (clockwise for 90), and the result is scaled to the destination.
// Columns [x0, x1) and rows [y0, y1) of the destination are made.
Tables MakeTables(const PixelBuffer& src, const RECT& s, int64_t dw, int64_t dh, int64_t x0, int64_t x1, int64_t y0,
                  int64_t y1, int32_t fx) {
    const int64_t sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    const int64_t bpp = BytesPerPixel(src.bpp), pitch = src.pitch;
    const int32_t rot = (((fx & kRotate90) ? 90 : 0) + ((fx & kRotate180) ? 180 : 0) +
                         ((fx & kRotate270) ? 270 : 0)) % 360;
    const bool turned = rot == 90 || rot == 270;
    const bool mx = fx & kMirrorLeftRight, my = fx & kMirrorUpDown;
    auto colOff = [&](int64_t sx) { return (mx ? sw - 1 - sx : sx) * bpp; };
    auto rowOff = [&](int64_t sy) { return (my ? sh - 1 - sy : sy) * pitch; };
    Tables t;
    t.a = Sample(turned ? sh : sw, dw, x0, x1);
    t.b = Sample(turned ? sw : sh, dh, y0, y1);
    for (int64_t& r : t.a) {
        switch (rot) {
            case 0: r = colOff(r); break;
            case 180: r = colOff(sw - 1 - r); break;
            case 90: r = rowOff(sh - 1 - r); break;
            default: r = rowOff(r); break;
        }
    }
    for (int64_t& r : t.b) {
        switch (rot) {
            case 0: r = rowOff(r); break;
            case 180: r = rowOff(sh - 1 - r); break;
            case 90: r = colOff(r); break;
            default: r = colOff(sw - 1 - r); break;
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

KeyRectFn KeyKernel(const Kernels& k, int32_t bpp) {
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

// `vis` (inside dst and inside d) is the part drawn; sampling follows d.
void Scaled(const PixelBuffer& dst, const RECT& d, const RECT& vis, const PixelBuffer& src, const RECT& s,
            int32_t fx, Key key) {
    const int64_t dw = int64_t(d.Right) - d.Left, dh = int64_t(d.Bottom) - d.Top;
    const int32_t sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || dst.bpp != src.bpp) return;
    // Never sample outside the destination rectangle, whatever `vis` says.
    const RECT d0{std::max(vis.Left, d.Left), std::max(vis.Top, d.Top), std::min(vis.Right, d.Right),
                  std::min(vis.Bottom, d.Bottom)};
    if (d0.Right <= d0.Left || d0.Bottom <= d0.Top) return;
    if (SpansOverlap(dst, d0, src, s)) {
        Snapshot snap(src, s);
        Scaled(dst, d, d0, snap.buf, snap.rect, fx, key);
        return;
    }
    const Tables t = MakeTables(src, s, dw, dh, int64_t(d0.Left) - d.Left, int64_t(d0.Right) - d.Left,
                                int64_t(d0.Top) - d.Top, int64_t(d0.Bottom) - d.Top, fx);
    const int32_t vw = d0.Right - d0.Left, vh = d0.Bottom - d0.Top;
    const uint8_t* base = PixelAt(src, s.Left, s.Top);
    const int64_t extent = int64_t(sh - 1) * src.pitch + int64_t(sw) * BytesPerPixel(src.bpp);
    if (extent > INT32_MAX) {
        ScaledHuge(dst, d0, base, src.bpp, t, key);
        return;
    }
    std::vector<int32_t> offs(t.a.begin(), t.a.end());
    // From the nearest to the farthest pixel a row reads, all is inside.
    const int32_t limit = *std::max_element(offs.begin(), offs.end()) + BytesPerPixel(src.bpp);
    const Kernels& k = Active();
    const GatherRowFn gather = GatherKernel(k, src.bpp);
    const size_t rowBytes = size_t(vw) * BytesPerPixel(dst.bpp);
    if (!key.enabled) {
        for (int32_t y = 0; y < vh; ++y) {
            uint8_t* dp = PixelAt(dst, d0.Left, d0.Top + y);
            // Enlarging repeats source rows: copy the row just made.
            if (y > 0 && t.b[size_t(y)] == t.b[size_t(y) - 1]) {
                std::memcpy(dp, dp - dst.pitch, rowBytes);
            } else {
                gather(dp, base + t.b[size_t(y)], offs.data(), vw, limit);
            }
        }
        return;
    }
    // Keyed: each distinct source row is gathered once into a scratch row,
    // then merged by the same keyed kernel as unscaled copies.
    const KeyRectFn merge = KeyKernel(k, src.bpp);
    const uint32_t kv = key.value & KeyMask(src.bpp);
    std::vector<uint8_t> scratch(rowBytes);
    for (int32_t y = 0; y < vh; ++y) {
        if (y == 0 || t.b[size_t(y)] != t.b[size_t(y) - 1]) {
            gather(scratch.data(), base + t.b[size_t(y)], offs.data(), vw, limit);
        }
        merge(PixelAt(dst, d0.Left, d0.Top + y), 0, scratch.data(), 0, vw, 1, kv);
    }
}

}  // namespace

void Stretch(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, Key key) {
    StretchPart(dst, d, d, src, s, 0, key);
}

void Fx(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, int32_t fx, Key key) {
    StretchPart(dst, d, d, src, s, fx, key);
}

void StretchPart(const PixelBuffer& dst, const RECT& d, const RECT& vis, const PixelBuffer& src, const RECT& s,
                 int32_t fx, Key key) {
    fx &= kMirrorLeftRight | kMirrorUpDown | kRotate90 | kRotate180 | kRotate270;
    // Same size, no effect: an unscaled copy of the matching source part.
    if (fx == 0 && int64_t(d.Right) - d.Left == s.Right - s.Left && int64_t(d.Bottom) - d.Top == s.Bottom - s.Top) {
        const RECT v{std::max(vis.Left, d.Left), std::max(vis.Top, d.Top), std::min(vis.Right, d.Right),
                     std::min(vis.Bottom, d.Bottom)};
        if (v.Right <= v.Left || v.Bottom <= v.Top) return;
        const RECT part{s.Left + (v.Left - d.Left), s.Top + (v.Top - d.Top), s.Left + (v.Right - d.Left),
                        s.Top + (v.Bottom - d.Top)};
        Copy(dst, v.Left, v.Top, src, part, key);
        return;
    }
    Scaled(dst, d, vis, src, s, fx, key);
}

}  // namespace vexo::blit
