// Blt, BltFast, BltColorFill and BltFx. Every rectangle is checked against
// its surface before a pixel routine runs: a rectangle that reaches outside
// is refused with the invalid-rectangle status, unless a clipper on the
// destination clips it.
#include <algorithm>

#include "platform/display/RectMath.h"
#include "platform/blit/Blit.h"
#include "platform/display/Screen.h"
#include "platform/display/Surface.h"

namespace vexo::plat {

namespace {

constexpr int32_t kFxBits = DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN | DDBLTFX_ROTATE90 |
                            DDBLTFX_ROTATE180 | DDBLTFX_ROTATE270;
bool WellFormed(const RECT& r) { return r.Left < r.Right && r.Top < r.Bottom; }
bool Inside(const RECT& r, const PixelStore& s) {
    return WellFormed(r) && r.Left >= 0 && r.Top >= 0 && r.Right <= s.width && r.Bottom <= s.height;
}

}  // namespace

RECT SoftSurface::ClipToClipper(const RECT& r) const {
    RECT area = store_->Bounds();
    if (clipper_) {
        RECT c;
        if (clipper_->ClipRect(c)) area = Intersect(area, c);
    }
    return Intersect(r, area);
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
        const RECT vis = ClipToClipper(d);
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

    const RECT vis = ClipToClipper(d);
    if (Empty(vis)) return status::OK;

    // Only the visible part is drawn, each pixel sampled as the whole blit
    // would sample it (a plain copy when nothing scales or turns).
    blit::StretchPart(store_->Buffer(), d, vis, s->store_->Buffer(), sr, effect, key);
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
