// Blt, BltFast, BltColorFill and BltFx. Every rectangle is checked against
// its surface before a pixel routine runs: a rectangle that reaches outside
// is refused with the invalid-rectangle status, unless a clipper on the
// destination clips it.
#include <algorithm>

#include "platform/blit/Blit.h"
#include "platform/display/Screen.h"
#include "platform/display/Surface.h"

namespace vexo::plat {

namespace {

constexpr int32_t kFxBits = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN | DDBLTFX_ROTATE90 |
                            DDBLTFX_ROTATE180 | DDBLTFX_ROTATE270;
// A clipped scaled blit renders its whole destination aside first; above
// this size it samples a proportional part of the source instead.
constexpr int64_t kMaxAsideBytes = 64 << 20;

bool WellFormed(const RECT& r) { return r.Left < r.Right && r.Top < r.Bottom; }
bool Inside(const RECT& r, const PixelStore& s) {
    return WellFormed(r) && r.Left >= 0 && r.Top >= 0 && r.Right <= s.width && r.Bottom <= s.height;
}
RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}
bool Empty(const RECT& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

// Draws the part `vis` of a blit from `s` (of src) into `d` (of dst) that
// scales or turns the picture, sampling exactly as the whole blit would.
void ScaledPart(PixelStore& dst, const RECT& d, const RECT& vis, PixelStore& src, const RECT& s, int32_t fx,
                blit::Key key) {
    const int64_t dw = int64_t(d.Right) - d.Left, dh = int64_t(d.Bottom) - d.Top;
    if (dw <= kMaxAsideBytes && dh <= kMaxAsideBytes && dw * dh * BytesPerPixel(dst.bpp) <= kMaxAsideBytes) {
        auto aside = MakeStore(int32_t(dw), int32_t(dh), dst.bpp);
        const RECT whole{0, 0, int32_t(dw), int32_t(dh)};
        if (fx) blit::Fx(aside->Buffer(), whole, src.Buffer(), s, fx, blit::Key{});
        else blit::Stretch(aside->Buffer(), whole, src.Buffer(), s, blit::Key{});
        // Key pixels reach the aside unchanged, so a keyed copy from it skips
        // exactly the pixels the whole blit would have skipped.
        const RECT part{vis.Left - d.Left, vis.Top - d.Top, vis.Right - d.Left, vis.Bottom - d.Top};
        blit::Copy(dst.Buffer(), vis.Left, vis.Top, aside->Buffer(), part, key);
        return;
    }
    // Offsets within the destination reach 2^32 and source sizes 2^31: the
    // products need more than 64 bits.
    using Wide = __int128;
    const Wide sw = Wide(s.Right) - s.Left, sh = Wide(s.Bottom) - s.Top;
    RECT sub{int32_t(s.Left + (Wide(vis.Left) - d.Left) * sw / dw), int32_t(s.Top + (Wide(vis.Top) - d.Top) * sh / dh),
             int32_t(s.Left + ((Wide(vis.Right) - d.Left) * sw + dw - 1) / dw),
             int32_t(s.Top + ((Wide(vis.Bottom) - d.Top) * sh + dh - 1) / dh)};
    sub = Intersect(sub, s);
    if (Empty(sub)) return;
    if (fx) blit::Fx(dst.Buffer(), vis, src.Buffer(), sub, fx, key);
    else blit::Stretch(dst.Buffer(), vis, src.Buffer(), sub, key);
}

}  // namespace

bool SoftSurface::ClipToClipper(RECT& r, int32_t& st) const {
    RECT area = store_->Bounds();
    if (clipper_) {
        RECT c;
        if (clipper_->ClipRect(c)) area = Intersect(area, c);
    }
    r = Intersect(r, area);
    st = status::OK;
    return true;
}

int32_t SoftSurface::Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) {
    // Without a DDBLTFX record there is no fill value, effect or override key.
    if (flags & (DDBLT_COLORFILL | DDBLT_DDFX | DDBLT_KEYSRCOVERRIDE)) return status::E_INVALIDARG;
    return BltCommon(dest, src, srcRect, flags, DDBLTFX{});
}

int32_t SoftSurface::BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                           DDBLTFX& fx) {
    // DirectDraw documents its 90 and 270 degree turns as counter-clockwise;
    // the pixel routines turn 90 clockwise, so the two codes trade places.
    DDBLTFX turned = fx;
    const int32_t rot = fx.lDDFX & (DDBLTFX_ROTATE90 | DDBLTFX_ROTATE270);
    if (rot == DDBLTFX_ROTATE90 || rot == DDBLTFX_ROTATE270)
        turned.lDDFX = (fx.lDDFX & ~rot) | (rot ^ (DDBLTFX_ROTATE90 | DDBLTFX_ROTATE270));
    return BltCommon(dest, src, srcRect, flags, turned);
}

int32_t SoftSurface::BltColorFill(RECT& dest, int32_t fillValue) {
    DDBLTFX fx;
    fx.lSize = int32_t(sizeof fx);
    fx.lFill = fillValue;
    RECT none;
    return BltCommon(dest, nullptr, none, DDBLT_COLORFILL, fx);
}

int32_t SoftSurface::BltCommon(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                               const DDBLTFX& fx) {
    if ((flags & DDBLT_KEYSRC) && (flags & DDBLT_KEYSRCOVERRIDE)) return status::E_INVALIDARG;
    if (flags & DDBLT_KEYDEST) return status::DDERR_UNSUPPORTED;
    const RECT d = dest.IsAllZero() ? store_->Bounds() : dest;
    if (!WellFormed(d)) return status::DDERR_INVALIDRECT;
    if (!clipper_ && !Inside(d, *store_)) return status::DDERR_INVALIDRECT;

    if (flags & DDBLT_COLORFILL) {
        if (Busy()) return status::DDERR_SURFACEBUSY;
        RECT vis = d;
        int32_t st;
        if (!ClipToClipper(vis, st)) return st;
        if (Empty(vis)) return status::OK;
        blit::Fill(store_->Buffer(), vis, uint32_t(fx.lFill));
        Touched(vis);
        return status::OK;
    }

    SoftSurface* s = AsSoft(src);
    if (!s) return status::E_INVALIDARG;
    if (Busy() || s->Busy()) return status::DDERR_SURFACEBUSY;
    if (s->Bpp() != Bpp()) return status::DDERR_INVALIDPIXELFORMAT;
    blit::Key key;
    if (flags & DDBLT_KEYSRC) {
        if (!s->hasKey_) return status::E_INVALIDARG;
        key = {true, s->key_};
    } else if (flags & DDBLT_KEYSRCOVERRIDE) {
        key = {true, uint32_t(fx.ddckSrcColorkey.low)};
    }
    const int32_t effect = (flags & DDBLT_DDFX) ? (fx.lDDFX & kFxBits) : 0;
    const RECT sr = srcRect.IsAllZero() ? s->store_->Bounds() : srcRect;
    if (!Inside(sr, *s->store_)) return status::DDERR_INVALIDRECT;

    RECT vis = d;
    int32_t st;
    if (!ClipToClipper(vis, st)) return st;
    if (Empty(vis)) return status::OK;

    PixelStore& dst = *store_;
    PixelStore& from = *s->store_;
    const bool sameSize = int64_t(d.Right) - d.Left == sr.Right - sr.Left &&
                          int64_t(d.Bottom) - d.Top == sr.Bottom - sr.Top;
    if (!effect && sameSize) {
        const RECT part{sr.Left + (vis.Left - d.Left), sr.Top + (vis.Top - d.Top), sr.Left + (vis.Right - d.Left),
                        sr.Top + (vis.Bottom - d.Top)};
        blit::Copy(dst.Buffer(), vis.Left, vis.Top, from.Buffer(), part, key);
    } else if (vis == d) {
        if (effect) blit::Fx(dst.Buffer(), d, from.Buffer(), sr, effect, key);
        else blit::Stretch(dst.Buffer(), d, from.Buffer(), sr, key);
    } else {
        ScaledPart(dst, d, vis, from, sr, effect, key);
    }
    Touched(vis);
    return status::OK;
}

int32_t SoftSurface::BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                             int32_t flags) {
    if (clipper_) return st::BLTFASTCANTCLIP;
    if (flags & DDBLTFAST_DESTCOLORKEY) return status::DDERR_UNSUPPORTED;
    SoftSurface* s = AsSoft(src);
    if (!s) return status::E_INVALIDARG;
    if (Busy() || s->Busy()) return status::DDERR_SURFACEBUSY;
    if (s->Bpp() != Bpp()) return status::DDERR_INVALIDPIXELFORMAT;
    const RECT sr = srcRect.IsAllZero() ? s->store_->Bounds() : srcRect;
    if (!Inside(sr, *s->store_)) return status::DDERR_INVALIDRECT;
    const int64_t right = int64_t(x) + (sr.Right - sr.Left), bottom = int64_t(y) + (sr.Bottom - sr.Top);
    if (x < 0 || y < 0 || right > store_->width || bottom > store_->height) return status::DDERR_INVALIDRECT;
    // A source without a colour key counts as keyed on 0.
    blit::Key key;
    if (flags & DDBLTFAST_SRCCOLORKEY) key = {true, s->hasKey_ ? s->key_ : 0u};
    blit::Copy(store_->Buffer(), x, y, s->store_->Buffer(), sr, key);
    Touched(RECT{x, y, int32_t(right), int32_t(bottom)});
    return status::OK;
}

}  // namespace vexo::plat
