// The interface _DX7Draw of the class DX7Draw: its methods in interface
// order with their parameters, its enumerations and its identifiers. The
// dispatch of DX7DrawAutomation.cpp, the interface definition and the typed
// vtable are all made from this one description.
#include "com/Descriptions.h"

namespace vexo::com {
namespace {

constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional, VO = kByVal | kOptional;

// The eight arguments of the plain and clipping blits, bTransparent last.
std::vector<ParamDesc> BltParams() {
    return {{"ddsSrc", Ty::Surface, R}, {"ddsDest", Ty::Surface, R}, {"xSrc", Ty::Long, V},
            {"ySrc", Ty::Long, V},      {"nWidth", Ty::Long, V},     {"nHeight", Ty::Long, V},
            {"xDest", Ty::Long, V},     {"yDest", Ty::Long, V},      {"bTransparent", Ty::Bool, VO, -1}};
}
std::vector<ParamDesc> FadeParams(bool withValue) {
    std::vector<ParamDesc> p{{"StopTime", Ty::Long, RO, 0}};
    if (withValue) p.push_back({"FeedOutValue", Ty::Long, RO, 128});
    p.push_back({"WaitForVerticalBlankFlag", Ty::Bool, RO, -1});
    return p;
}

}  // namespace

const ClassDesc& DX7DrawDescription() {
    // The enumerations hold the values of draw/DX7Draw.h, which the
    // automation source checks against the generated constants.
    static const ClassDesc d{
        "VexoDX7Draw",
        "DX7Draw",
        "_DX7Draw",
        MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"),
        19,
        0,
        MakeGuid("{D81D90D2-4865-11D4-96A2-009099162206}"),
        MakeGuid("{5CDD21CA-ABA0-11D4-96A2-009099162206}"),
        {
            {"DDTextOut", Ty::Void,
             {{"FormHdc", Ty::Long}, {"TextString", Ty::String}, {"x", Ty::Long}, {"y", Ty::Long},
              {"TextColorRGB", Ty::Long, RO, 0}, {"TextOutByte", Ty::Long, RO, -1}}},
            {"DDSurfaceSetPalette", Ty::Variant, {{"SurfaceID", Ty::Surface}, {"PaletteID", Ty::Palette}}},
            {"FPSCheck", Ty::Single, {}},
            {"TimeStopper", Ty::Void,
             {{"StopTime_msc", Ty::Long}, {"DoEventsFlag", Ty::Bool, RO, 0},
              {"SkipKeycode", Ty::Byte, RO, 0}}},
            {"MouseCursorHide", Ty::Void, {{"bFlags", Ty::Bool}}},
            {"GetBitmapHeight", Ty::Long, {{"hBitmap", Ty::Long, V}}},
            {"GetBitmapWidth", Ty::Long, {{"hBitmap", Ty::Long, V}}},
            {"FeedDarkOutEx", Ty::Long, FadeParams(true)},
            {"FeedFlashOutEx", Ty::Long, FadeParams(true)},
            {"FeedDarkOut", Ty::Long, FadeParams(false)},
            {"FeedFlashOut", Ty::Long, FadeParams(false)},
            {"FeedDarkIn", Ty::Long, FadeParams(false)},
            {"FeedFlashIn", Ty::Long, FadeParams(false)},
            {"DDBltFastEX", Ty::Long, BltParams()},
            {"DDBltEX", Ty::Long, BltParams()},
            // nBitDepth has no default in the interface; an omitted one is taken
            // as 32 bits, the C++ default (it matters only full-screen).
            {"DDSetup", Ty::Surface,
             {{"hWnd", Ty::Long}, {"nWidth", Ty::Long}, {"nHeight", Ty::Long},
              {"dwFlags", Ty::Enum, R, 0, "ScreenType"},
              {"nBitDepth", Ty::Enum, RO | kUndeclaredDefault, 32, "ScreenBitType"}}},
            {"DDClose", Ty::Void, {}},
            {"DDCreateSurface", Ty::Surface, {{"nWidth", Ty::Long}, {"nHeight", Ty::Long}}},
            {"DDGetSurfaceWidth", Ty::Long, {{"dds", Ty::Surface}}},
            {"DDGetSurfaceHeight", Ty::Long, {{"dds", Ty::Surface}}},
            {"DDCreateSurfaceFromBitmap", Ty::Surface, {{"hBitmap", Ty::Long, V}}},
            {"DDCreateSurfaceFromFile", Ty::Surface, {{"Filename", Ty::String, V}}},
            {"DDBlt", Ty::Long, BltParams()},
            {"DDBltFast", Ty::Variant, BltParams()},
            {"DDSetColorKey", Ty::Variant, {{"dds", Ty::Surface}, {"RGBColorKey", Ty::Long, V}}},
            {"DDStrechBlt", Ty::Long,
             {{"ddsSrc", Ty::Surface}, {"ddsDest", Ty::Surface}, {"xSrc", Ty::Long, V}, {"ySrc", Ty::Long, V},
              {"nWidth", Ty::Long, V}, {"nHeight", Ty::Long, V}, {"nWidth2", Ty::Long, V}, {"nHeight2", Ty::Long, V},
              {"xDest", Ty::Long, V}, {"yDest", Ty::Long, V}, {"bTransparent", Ty::Bool, VO, -1}}},
            {"DDHarfStrechBltEx", Ty::Variant,
             {{"ddsSrc", Ty::Surface}, {"ddsDest", Ty::Surface}, {"ddpPalette", Ty::Palette}, {"xSrc", Ty::Long, V},
              {"ySrc", Ty::Long, V}, {"nWidth", Ty::Long, V}, {"nHeight", Ty::Long, V}, {"nWidth2", Ty::Long, V},
              {"nHeight2", Ty::Long, V}, {"xDest", Ty::Long, V}, {"yDest", Ty::Long, V},
              {"bTransparent", Ty::Bool, VO, -1}}},
            {"DDSetPalette", Ty::Void, {{"dds", Ty::Surface}, {"ddp", Ty::Palette}}},
            {"DDCreatePalette", Ty::Palette,
             {{"Red", Ty::ByteArray}, {"Green", Ty::ByteArray}, {"Blue", Ty::ByteArray}}},
            {"DDCreatePaletteFromFile", Ty::Palette, {{"Filename", Ty::String, V}}},
            {"DDCreateDefPalette", Ty::Palette, {}},
            {"DDFillRect", Ty::Long,
             {{"dds", Ty::Surface}, {"Left", Ty::Long, V}, {"Top", Ty::Long, V}, {"Right", Ty::Long, V},
              {"Bottom", Ty::Long, V}, {"RGBColor", Ty::Long, V}}},
            {"DDCreateSurfaceFromResource", Ty::Surface, {{"ResID", Ty::String, V}}},
            {"DDFlip", Ty::Void, {}},
            {"DDBitBltFX", Ty::Long,
             {{"ddsSrc", Ty::Surface}, {"ddsDest", Ty::Surface}, {"xSrc", Ty::Long, V}, {"ySrc", Ty::Long, V},
              {"nSrcWidth", Ty::Long, V}, {"nSrcHeight", Ty::Long, V}, {"nDestWidth", Ty::Long, V},
              {"nDestHeight", Ty::Long, V}, {"xDest", Ty::Long, V}, {"yDest", Ty::Long, V},
              {"dwFlag", Ty::Enum, R, 0, "FX_Type"}}},
            {"DDHarfTransferBlt", Ty::Long,
             {{"ddsSrc", Ty::Surface}, {"ddsDest", Ty::Surface}, {"ddpPalette", Ty::Palette}, {"SrcX", Ty::Long},
              {"SrcY", Ty::Long}, {"nWidth", Ty::Long}, {"nHeight", Ty::Long}, {"xDest", Ty::Long},
              {"yDest", Ty::Long}, {"bTransparent", Ty::Bool, VO, -1}}},
            {"DDSaveHarfPalette", Ty::Long, {{"SavePathFilename", Ty::String}, {"ddpPalette", Ty::Palette}}},
            {"DDLoadHarfPalette", Ty::Long, {{"LoadPathFilename", Ty::String}}},
            {"DDPrimarySetPalette", Ty::Long, {{"PaletteID", Ty::Palette}}},
        },
        {
            {"ScreenType", {{"NORMALSCREEN", 0}, {"FULLSCREEN", 1}}},
            {"ScreenBitType", {{"bit256", 8}, {"bit65536", 16}, {"bitTrueColor", 24}, {"bitFullColor", 32}}},
            {"FX_Type",
             {{"MIRROR_LEFTRIGHT", 2}, {"MIRROR_UPDOWN", 4}, {"ROTATE180", 16}, {"ROTATE270", 32},
              {"ROTATE90", 64}}},
        },
    };
    return d;
}

}  // namespace vexo::com
