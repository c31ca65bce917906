// The mirror and rotate blit: the platform's effects blit does the work, with
// the source key overridden by the effects record's key of 0.
#include "common/Error.h"
#include "draw/DX7Draw.h"

namespace vexo {

namespace {

// The platform effect a dwFlag value selects. Each published FX_Type value
// is the platform's own code and selects that effect. The positions 0 to 4
// of the members in their published order select the same effects where
// they cannot be mistaken for a published value: 0 mirror left-right,
// 1 mirror up-down, 3 rotate 270. Positions 2 and 4 are the values of
// MIRROR_LEFTRIGHT and MIRROR_UPDOWN, which win. Anything else is no effect.
int32_t EffectOf(int32_t flag) {
    switch (flag) {
        case MIRROR_LEFTRIGHT:
        case 0: return DDBLTFX_MIRRORLEFTRIGHT;
        case MIRROR_UPDOWN:
        case 1: return DDBLTFX_MIRRORUPDOWN;
        case ROTATE180: return DDBLTFX_ROTATE180;
        case ROTATE270:
        case 3: return DDBLTFX_ROTATE270;
        case ROTATE90: return DDBLTFX_ROTATE90;
        default: return 0;
    }
}

}  // namespace

int32_t DX7Draw::DDBitBltFX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                            int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, int32_t nDestWidth,
                            int32_t nDestHeight, int32_t xDest, int32_t yDest, const FX_Type& dwFlag) {
    ResumeNext rn;
    int32_t result = 0;
    // An edge whose sum overflows stays 0, which the platform refuses.
    RECT src{xSrc, ySrc, 0, 0};
    rn([&] { src.Right = Add32(xSrc, nSrcWidth); });
    rn([&] { src.Bottom = Add32(ySrc, nSrcHeight); });
    RECT dest{xDest, yDest, 0, 0};
    rn([&] { dest.Right = Add32(xDest, nDestWidth); });
    rn([&] { dest.Bottom = Add32(yDest, nDestHeight); });

    // All zero but the effect: the override key is 0.
    DDBLTFX fx{};
    fx.lDDFX = EffectOf(dwFlag);
    rn([&] { result = ddsDest->BltFx(dest, ddsSrc, src, DDBLT_DDFX | DDBLT_KEYSRCOVERRIDE, fx); });
    return result;
}

}  // namespace vexo
