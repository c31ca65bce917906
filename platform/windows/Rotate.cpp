// Effects blits that turn by 90 or 270 degrees, drawn here through locks
// rather than by the system. DirectDraw offers those turns only as a
// hardware capability, and the one implementation measured turns 90 the
// wrong way and writes outside the destination rectangle when it is not
// square (past the surface's memory when the rectangle is near its edge).
// Drawn here, they turn as DirectX 7 documents (90 counter-clockwise) and
// sample as the software platform does, pixel for pixel.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Error.h"
#include "platform/windows/WinDDraw.h"

namespace vexo::win {

namespace {

constexpr DWORD kRotate90 = DDBLTFX_ROTATE90, kRotate180 = DDBLTFX_ROTATE180, kRotate270 = DDBLTFX_ROTATE270;
// Flags this blit understands; any other goes to the system as it is.
constexpr DWORD kHandled = DDBLT_DDFX | DDBLT_KEYSRC | DDBLT_KEYSRCOVERRIDE | DDBLT_WAIT | DDBLT_ASYNC | DDBLT_DONOTWAIT;

// The turn the effects ask for once the documented counter-clockwise codes
// are taken as clockwise quarter turns: 0, 90, 180 or 270 clockwise.
int ClockwiseTurn(DWORD ddfx) {
    DWORD bits = ddfx;
    const DWORD quarter = bits & (kRotate90 | kRotate270);
    if (quarter == kRotate90 || quarter == kRotate270) bits ^= kRotate90 | kRotate270;
    return (((bits & kRotate90) ? 90 : 0) + ((bits & kRotate180) ? 180 : 0) + ((bits & kRotate270) ? 270 : 0)) %
           360;
}

struct Locked {
    IDirectDrawSurface7* s = nullptr;
    uint8_t* base = nullptr;
    int64_t pitch = 0;
    ~Locked() {
        if (s) s->Unlock(nullptr);
    }
    HRESULT Lock(IDirectDrawSurface7* surface) {
        ::DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        const HRESULT hr = surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
        if (FAILED(hr)) return hr;
        s = surface;
        base = static_cast<uint8_t*>(d.lpSurface);
        pitch = d.lPitch;
        return hr;
    }
};

struct Shape {
    int32_t w = 0, h = 0, bpp = 0;
};

HRESULT Describe(IDirectDrawSurface7* s, Shape& out) {
    ::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    const HRESULT hr = s->GetSurfaceDesc(&d);
    out = {int32_t(d.dwWidth), int32_t(d.dwHeight), int32_t(d.ddpfPixelFormat.dwRGBBitCount)};
    return hr;
}

bool WellFormed(const vexo::RECT& r) { return r.Left < r.Right && r.Top < r.Bottom; }
bool Inside(const vexo::RECT& r, const Shape& s) {
    return WellFormed(r) && r.Left >= 0 && r.Top >= 0 && r.Right <= s.w && r.Bottom <= s.h;
}
vexo::RECT Intersect(const vexo::RECT& a, const vexo::RECT& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

// The parts of `d` the destination's clipper lets through, inside the
// surface; just `d` when there is no clipper.
std::vector<vexo::RECT> VisibleParts(IDirectDrawSurface7* dst, const vexo::RECT& d, const Shape& shape) {
    const vexo::RECT bounds{0, 0, shape.w, shape.h};
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(dst->GetClipper(&clipper)) || !clipper) return {d};
    Com<IDirectDrawClipper> held(clipper);
    std::vector<vexo::RECT> parts;
    DWORD size = 0;
    if (FAILED(clipper->GetClipList(nullptr, nullptr, &size)) || size < sizeof(RGNDATAHEADER)) {
        // A clipper without a window clips to the surface alone.
        parts.push_back(Intersect(d, bounds));
        return parts;
    }
    std::vector<uint8_t> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (FAILED(clipper->GetClipList(nullptr, data, &size))) return {};
    const DWORD fits = DWORD((buffer.size() - sizeof(RGNDATAHEADER)) / sizeof(::RECT));
    const auto* list = reinterpret_cast<const ::RECT*>(data->Buffer);
    for (DWORD i = 0; i < std::min(data->rdh.nCount, fits); ++i)
        parts.push_back(Intersect(Intersect(d, bounds), {list[i].left, list[i].top, list[i].right, list[i].bottom}));
    return parts;
}

}  // namespace

bool DrawsItsOwnTurn(DWORD flags, DWORD ddfx) {
    if (!(flags & DDBLT_DDFX) || (flags & ~kHandled)) return false;
    const int turn = ClockwiseTurn(ddfx);
    return turn == 90 || turn == 270;
}

int32_t TurnBlt(IDirectDrawSurface7* dst, const vexo::RECT& dest, IDirectDrawSurface7* src, const vexo::RECT& srcRect,
                DWORD flags, const ::DDBLTFX& fx) {
    if ((flags & DDBLT_KEYSRC) && (flags & DDBLT_KEYSRCOVERRIDE)) return kInvalidArg;
    Shape ds, ss;
    if (HRESULT hr = Describe(dst, ds); FAILED(hr)) return int32_t(hr);
    if (HRESULT hr = Describe(src, ss); FAILED(hr)) return int32_t(hr);
    if (ds.bpp != ss.bpp || (ds.bpp != 8 && ds.bpp != 16 && ds.bpp != 24 && ds.bpp != 32)) return kInvalidPixelFormat;
    const vexo::RECT d = dest.IsAllZero() ? vexo::RECT{0, 0, ds.w, ds.h} : dest;
    const vexo::RECT s = srcRect.IsAllZero() ? vexo::RECT{0, 0, ss.w, ss.h} : srcRect;
    if (!WellFormed(d) || !Inside(s, ss)) return kInvalidRect;
    IDirectDrawClipper* clipper = nullptr;
    const bool clipped = SUCCEEDED(dst->GetClipper(&clipper)) && clipper;
    if (clipper) clipper->Release();
    if (!clipped && !Inside(d, ds)) return kInvalidRect;

    bool keyed = false;
    uint32_t key = 0;
    if (flags & DDBLT_KEYSRC) {
        ::DDCOLORKEY k{};
        if (FAILED(src->GetColorKey(DDCKEY_SRCBLT, &k))) return kInvalidArg;
        keyed = true, key = k.dwColorSpaceLowValue;
    } else if (flags & DDBLT_KEYSRCOVERRIDE) {
        keyed = true, key = fx.ddckSrcColorkey.dwColorSpaceLowValue;
    }
    // The unused top byte of a 32-bit pixel never decides a key match.
    const uint32_t mask = ds.bpp == 8 ? 0xFFu : ds.bpp == 16 ? 0xFFFFu : 0xFFFFFFu;
    key &= mask;

    Locked from, to;
    if (HRESULT hr = from.Lock(src); FAILED(hr)) return int32_t(hr);
    // One surface on both sides: read from a copy of the source rectangle.
    const int32_t n = ds.bpp / 8, sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    std::vector<uint8_t> copy;
    const uint8_t* sbase = from.base + int64_t(s.Top) * from.pitch + int64_t(s.Left) * n;
    int64_t spitch = from.pitch;
    if (src == dst) {
        copy.resize(size_t(sw) * n * size_t(sh));
        for (int32_t y = 0; y < sh; ++y)
            std::memcpy(copy.data() + size_t(y) * sw * n, sbase + y * spitch, size_t(sw) * n);
        sbase = copy.data();
        spitch = int64_t(sw) * n;
        to.base = from.base, to.pitch = from.pitch;
    } else if (HRESULT hr = to.Lock(dst); FAILED(hr)) {
        return int32_t(hr);
    }

    // Mirrors act on the source, the image then turns, and the turned image
    // is scaled to the destination: column i reads floor(i * from / to).
    const int turn = ClockwiseTurn(fx.dwDDFX);
    const bool mx = fx.dwDDFX & DDBLTFX_MIRRORLEFTRIGHT, my = fx.dwDDFX & DDBLTFX_MIRRORUPDOWN;
    const int64_t dw = int64_t(d.Right) - d.Left, dh = int64_t(d.Bottom) - d.Top;
    for (const vexo::RECT& part : VisibleParts(dst, d, ds)) {
        if (!WellFormed(part)) continue;
        for (int32_t y = part.Top; y < part.Bottom; ++y) {
            const int64_t r = (y - d.Top) * int64_t(sw) / dh;  // along the source's columns
            uint8_t* out = to.base + int64_t(y) * to.pitch + int64_t(part.Left) * n;
            for (int32_t x = part.Left; x < part.Right; ++x, out += n) {
                const int64_t c = (x - d.Left) * int64_t(sh) / dw;  // along the source's rows
                int64_t sx = turn == 90 ? r : sw - 1 - r;
                int64_t sy = turn == 90 ? sh - 1 - c : c;
                if (mx) sx = sw - 1 - sx;
                if (my) sy = sh - 1 - sy;
                const uint8_t* p = sbase + sy * spitch + sx * n;
                uint32_t v = 0;
                std::memcpy(&v, p, size_t(n));
                if (!keyed || (v & mask) != key) std::memcpy(out, p, size_t(n));
            }
        }
    }
    return 0;
}

}  // namespace vexo::win
