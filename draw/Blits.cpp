// Plain blits and the colour fill. No clipping of their own: rectangles
// reaching outside a surface go to the platform unchanged, which refuses them.
#include "common/Error.h"
#include "draw/DX7Draw.h"
#include "draw/EdgeRect.h"

namespace vexo {

using draw_detail::EdgeRect;

int32_t DX7Draw::DDBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                       int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                       VBBool bTransparent) {
    ResumeNext rn;
    int32_t result = 0;
    // The default is the whole source size, wherever the source corner is.
    if (nWidth <= 0) nWidth = this->DDGetSurfaceWidth(ddsSrc);
    if (nHeight <= 0) nHeight = this->DDGetSurfaceHeight(ddsSrc);
    RECT dest = EdgeRect(rn, xDest, yDest, nWidth, nHeight);
    RECT src = EdgeRect(rn, xSrc, ySrc, nWidth, nHeight);
    const int32_t flags = IsSet(bTransparent) ? DDBLT_KEYSRC : 0;
    rn([&] { result = ddsDest->Blt(dest, ddsSrc, src, flags); });
    return result;
}

Variant DX7Draw::DDBltFast(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                           int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                           VBBool bTransparent) {
    ResumeNext rn;
    Variant result;
    if (nWidth <= 0) nWidth = this->DDGetSurfaceWidth(ddsSrc);
    if (nHeight <= 0) nHeight = this->DDGetSurfaceHeight(ddsSrc);
    RECT src = EdgeRect(rn, xSrc, ySrc, nWidth, nHeight);
    const int32_t flags =
        IsSet(bTransparent) ? (DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT) : DDBLTFAST_WAIT;
    rn([&] { result = ddsDest->BltFast(xDest, yDest, ddsSrc, src, flags); });
    return result;
}

int32_t DX7Draw::DDFillRect(Ref<DirectDrawSurface7>& dds, int32_t Left, int32_t Top, int32_t Right,
                            int32_t Bottom, int32_t RGBColor) {
    ResumeNext rn;
    int32_t result = 0;
    if (Right <= 0) Right = this->DDGetSurfaceWidth(dds);
    if (Bottom <= 0) Bottom = this->DDGetSurfaceHeight(dds);
    RECT r{Left, Top, Right, Bottom};
    // Converted through the back buffer, so the fill uses the display's format.
    const int32_t value = ConvertColorToPixel(RGBColor);
    rn([&] { result = dds->BltColorFill(r, value); });
    return result;
}

}  // namespace vexo
