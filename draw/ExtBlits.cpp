// Blits that clip against the edges of both surfaces, the stretching blit
// and the stretched half-transparent blit.
#include "common/Error.h"
#include "draw/DX7Draw.h"
#include "draw/EdgeRect.h"

namespace vexo {

namespace {
using draw_detail::EdgeRect;

// Source and destination corners and the size, moved together by a clip.
struct Span {
    int32_t sx, sy, w, h, dx, dy;
};

// Moves the corner at `near` in by `-over` (over < 0): the size shrinks, the
// other corner follows. Each assignment is one statement.
void ClipNear(ResumeNext& rn, int32_t& size, int32_t& near, int32_t& other) {
    const int32_t over = near;
    rn([&] { size = Add32(size, over); });
    rn([&] { other = Sub32(other, over); });
    near = 0;
}

// Cuts the size so that corner + size stays within `limit`.
void ClipFar(ResumeNext& rn, int32_t& size, int32_t corner, int32_t limit) {
    if (int64_t(corner) + size > limit) rn([&] { size = Sub32(limit, corner); });
}

bool Empty(const Span& c) { return c.w < 1 || c.h < 1; }

// The fourteen clip steps shared by DDBltEX and DDBltFastEX; false when a
// stop leaves nothing to draw. Sizes come through the object's interface.
bool ClipEdges(DX7Draw& self, Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t& sx,
               int32_t& sy, int32_t& w, int32_t& h, int32_t& dx, int32_t& dy) {
    ResumeNext rn;
    if (w < 1) w = self.DDGetSurfaceWidth(ddsSrc);
    if (h < 1) h = self.DDGetSurfaceHeight(ddsSrc);
    const int32_t DW = self.DDGetSurfaceWidth(ddsDest), DH = self.DDGetSurfaceHeight(ddsDest);
    const int32_t SW = self.DDGetSurfaceWidth(ddsSrc), SH = self.DDGetSurfaceHeight(ddsSrc);
    Span c{sx, sy, w, h, dx, dy};

    if (c.dx < 0) ClipNear(rn, c.w, c.dx, c.sx);
    if (c.dy < 0) ClipNear(rn, c.h, c.dy, c.sy);
    if (Empty(c)) return false;
    // A size that reads as 0 (a surface that gave none) switches its clip off.
    if (DW != 0) ClipFar(rn, c.w, c.dx, DW);
    if (DH != 0) ClipFar(rn, c.h, c.dy, DH);
    if (Empty(c)) return false;
    if (c.sx < 0) ClipNear(rn, c.w, c.sx, c.dx);
    if (c.sy < 0) ClipNear(rn, c.h, c.sy, c.dy);
    if (Empty(c)) return false;
    if (SW != 0) ClipFar(rn, c.w, c.sx, SW);
    if (SH != 0) ClipFar(rn, c.h, c.sy, SH);
    if (Empty(c)) return false;

    sx = c.sx, sy = c.sy, w = c.w, h = c.h, dx = c.dx, dy = c.dy;
    return true;
}

}  // namespace

int32_t DX7Draw::DDBltEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                         int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                         VBBool bTransparent) {
    if (!ClipEdges(*this, ddsSrc, ddsDest, xSrc, ySrc, nWidth, nHeight, xDest, yDest)) return 0;
    ResumeNext rn;
    int32_t result = 0;
    RECT dest = EdgeRect(rn, xDest, yDest, nWidth, nHeight);
    RECT src = EdgeRect(rn, xSrc, ySrc, nWidth, nHeight);
    const int32_t flags = IsSet(bTransparent) ? DDBLT_KEYSRC : 0;
    rn([&] { result = ddsDest->Blt(dest, ddsSrc, src, flags); });
    return result;
}

int32_t DX7Draw::DDBltFastEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                             int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                             VBBool bTransparent) {
    if (!ClipEdges(*this, ddsSrc, ddsDest, xSrc, ySrc, nWidth, nHeight, xDest, yDest)) return 0;
    ResumeNext rn;
    int32_t result = 0;
    RECT src = EdgeRect(rn, xSrc, ySrc, nWidth, nHeight);
    const int32_t flags = IsSet(bTransparent) ? (DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT) : DDBLTFAST_WAIT;
    rn([&] { result = ddsDest->BltFast(xDest, yDest, ddsSrc, src, flags); });
    return result;
}

int32_t DX7Draw::DDStrechBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                             int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2,
                             int32_t xDest, int32_t yDest, VBBool bTransparent) {
    ResumeNext rn;
    int32_t result = 0;
    Span c{xSrc, ySrc, nWidth, nHeight, xDest, yDest};
    if (c.w < 1) c.w = this->DDGetSurfaceWidth(ddsSrc);
    if (c.h < 1) c.h = this->DDGetSurfaceHeight(ddsSrc);
    const int32_t DW = this->DDGetSurfaceWidth(ddsDest), DH = this->DDGetSurfaceHeight(ddsDest);
    const int32_t SW = this->DDGetSurfaceWidth(ddsSrc), SH = this->DDGetSurfaceHeight(ddsSrc);

    // The clips cut the source size only; the destination keeps
    // nWidth2 x nHeight2 and only its corner moves. No stops: the platform
    // is always called.
    if (c.dx < 0) ClipNear(rn, c.w, c.dx, c.sx);
    if (c.dy < 0) ClipNear(rn, c.h, c.dy, c.sy);
    ClipFar(rn, c.w, c.dx, DW);
    ClipFar(rn, c.h, c.dy, DH);
    if (c.sx < 0) ClipNear(rn, c.w, c.sx, c.dx);
    if (c.sy < 0) ClipNear(rn, c.h, c.sy, c.dy);
    ClipFar(rn, c.w, c.sx, SW);
    ClipFar(rn, c.h, c.sy, SH);

    RECT dest = EdgeRect(rn, c.dx, c.dy, nWidth2, nHeight2);
    RECT src = EdgeRect(rn, c.sx, c.sy, c.w, c.h);
    const int32_t flags = IsSet(bTransparent) ? DDBLT_KEYSRC : 0;
    rn([&] { result = ddsDest->Blt(dest, ddsSrc, src, flags); });
    return result;
}

Variant DX7Draw::DDHarfStrechBltEx(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                   Ref<DirectDrawPalette>& ddpPalette, int32_t xSrc, int32_t ySrc, int32_t nWidth,
                                   int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest, int32_t yDest,
                                   VBBool bTransparent) {
    ResumeNext rn;
    Ref<DirectDrawSurface7> stretched = this->DDCreateSurface(nWidth2, nHeight2);
    // The top-left nWidth x nHeight of the source fills the temporary
    // surface (all zero: the whole source); xSrc and ySrc then pick where in
    // the stretched image the blend starts.
    RECT dest = EdgeRect(rn, 0, 0, nWidth2, nHeight2);
    RECT src = EdgeRect(rn, 0, 0, nWidth, nHeight);
    rn([&] { stretched->Blt(dest, ddsSrc, src, 0); });
    // The sizes the blend writes back stay in these copies.
    int32_t w = nWidth2, h = nHeight2;
    this->DDHarfTransferBlt(stretched, ddsDest, ddpPalette, xSrc, ySrc, w, h, xDest, yDest, bTransparent);
    stretched = nullptr;
    return Variant{};
}

}  // namespace vexo
