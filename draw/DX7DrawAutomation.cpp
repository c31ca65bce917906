// DX7Draw as an in-process automation component: the description of its
// interface _DX7Draw, the dispatch table made from it and the library's
// four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "draw/DX7DrawTyped.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {
namespace {

using namespace vexo::com;

constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional, VO = kByVal | kOptional;
using S = DirectDrawSurface7;
using P = DirectDrawPalette;

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

const ClassDesc kDesc{
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
         {{"StopTime_msc", Ty::Long}, {"DoEventsFlag", Ty::Bool, RO, 0}, {"SkipKeycode", Ty::Byte, RO, 0}}},
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
          {"dwFlags", Ty::Enum, R, 0, "ScreenType"}, {"nBitDepth", Ty::Enum, RO | kUndeclaredDefault, 32, "ScreenBitType"}}},
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
        {"ScreenType", {{"NORMALSCREEN", NORMALSCREEN}, {"FULLSCREEN", FULLSCREEN}}},
        {"ScreenBitType",
         {{"bit256", bit256}, {"bit65536", bit65536}, {"bitTrueColor", bitTrueColor}, {"bitFullColor", bitFullColor}}},
        {"FX_Type",
         {{"MIRROR_LEFTRIGHT", MIRROR_LEFTRIGHT}, {"MIRROR_UPDOWN", MIRROR_UPDOWN}, {"ROTATE180", ROTATE180},
          {"ROTATE270", ROTATE270}, {"ROTATE90", ROTATE90}}},
    },
};

// The eight blit arguments and bTransparent, from argument `f` on.
#define BLT_ARGS(f)                                                                                           \
    a.Obj<S>(f), a.Obj<S>(f + 1), a.Long(f + 2), a.Long(f + 3), a.Long(f + 4), a.Long(f + 5), a.Long(f + 6), \
        a.Long(f + 7), a.Bool(f + 8)
#define FADE(name) {#name, [](DX7Draw& o, Args& a) { a.Ret(o.name(a.Long(0), a.Bool(1))); }}
#define FADE_EX(name) {#name, [](DX7Draw& o, Args& a) { a.Ret(o.name(a.Long(0), a.Long(1), a.Bool(2))); }}

const std::vector<NamedThunk<DX7Draw>> kThunks{
    {"DDTextOut",
     [](DX7Draw& o, Args& a) { o.DDTextOut(a.Long(0), a.String(1), a.Long(2), a.Long(3), a.Long(4), a.Long(5)); }},
    {"DDSurfaceSetPalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDSurfaceSetPalette(a.Obj<S>(0), a.Obj<P>(1))); }},
    {"FPSCheck", [](DX7Draw& o, Args& a) { a.Ret(o.FPSCheck()); }},
    {"TimeStopper", [](DX7Draw& o, Args& a) { o.TimeStopper(a.Long(0), a.Bool(1), a.Byte(2)); }},
    {"MouseCursorHide", [](DX7Draw& o, Args& a) { o.MouseCursorHide(a.Bool(0)); }},
    {"GetBitmapHeight", [](DX7Draw& o, Args& a) { a.Ret(o.GetBitmapHeight(a.Long(0))); }},
    {"GetBitmapWidth", [](DX7Draw& o, Args& a) { a.Ret(o.GetBitmapWidth(a.Long(0))); }},
    FADE_EX(FeedDarkOutEx),
    FADE_EX(FeedFlashOutEx),
    FADE(FeedDarkOut),
    FADE(FeedFlashOut),
    FADE(FeedDarkIn),
    FADE(FeedFlashIn),
    {"DDBltFastEX", [](DX7Draw& o, Args& a) { a.Ret(o.DDBltFastEX(BLT_ARGS(0))); }},
    {"DDBltEX", [](DX7Draw& o, Args& a) { a.Ret(o.DDBltEX(BLT_ARGS(0))); }},
    {"DDSetup",
     [](DX7Draw& o, Args& a) {
         a.Ret(o.DDSetup(a.Long(0), a.Long(1), a.Long(2), a.Enum<ScreenType>(3), a.Enum<ScreenBitType>(4)));
     }},
    {"DDClose", [](DX7Draw& o, Args&) { o.DDClose(); }},
    {"DDCreateSurface", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreateSurface(a.Long(0), a.Long(1))); }},
    {"DDGetSurfaceWidth", [](DX7Draw& o, Args& a) { a.Ret(o.DDGetSurfaceWidth(a.Obj<S>(0))); }},
    {"DDGetSurfaceHeight", [](DX7Draw& o, Args& a) { a.Ret(o.DDGetSurfaceHeight(a.Obj<S>(0))); }},
    {"DDCreateSurfaceFromBitmap", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreateSurfaceFromBitmap(a.Long(0))); }},
    {"DDCreateSurfaceFromFile", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreateSurfaceFromFile(a.String(0))); }},
    {"DDBlt", [](DX7Draw& o, Args& a) { a.Ret(o.DDBlt(BLT_ARGS(0))); }},
    {"DDBltFast", [](DX7Draw& o, Args& a) { a.Ret(o.DDBltFast(BLT_ARGS(0))); }},
    {"DDSetColorKey", [](DX7Draw& o, Args& a) { a.Ret(o.DDSetColorKey(a.Obj<S>(0), a.Long(1))); }},
    {"DDStrechBlt",
     [](DX7Draw& o, Args& a) {
         a.Ret(o.DDStrechBlt(a.Obj<S>(0), a.Obj<S>(1), a.Long(2), a.Long(3), a.Long(4), a.Long(5), a.Long(6),
                             a.Long(7), a.Long(8), a.Long(9), a.Bool(10)));
     }},
    {"DDHarfStrechBltEx",
     [](DX7Draw& o, Args& a) {
         a.Ret(o.DDHarfStrechBltEx(a.Obj<S>(0), a.Obj<S>(1), a.Obj<P>(2), a.Long(3), a.Long(4), a.Long(5),
                                   a.Long(6), a.Long(7), a.Long(8), a.Long(9), a.Long(10), a.Bool(11)));
     }},
    {"DDSetPalette", [](DX7Draw& o, Args& a) { o.DDSetPalette(a.Obj<S>(0), a.Obj<P>(1)); }},
    {"DDCreatePalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreatePalette(a.Bytes(0), a.Bytes(1), a.Bytes(2))); }},
    {"DDCreatePaletteFromFile", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreatePaletteFromFile(a.String(0))); }},
    {"DDCreateDefPalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreateDefPalette()); }},
    {"DDFillRect",
     [](DX7Draw& o, Args& a) {
         a.Ret(o.DDFillRect(a.Obj<S>(0), a.Long(1), a.Long(2), a.Long(3), a.Long(4), a.Long(5)));
     }},
    {"DDCreateSurfaceFromResource", [](DX7Draw& o, Args& a) { a.Ret(o.DDCreateSurfaceFromResource(a.String(0))); }},
    {"DDFlip", [](DX7Draw& o, Args&) { o.DDFlip(); }},
    {"DDBitBltFX",
     [](DX7Draw& o, Args& a) {
         const FX_Type fx = a.Enum<FX_Type>(10);
         a.Ret(o.DDBitBltFX(a.Obj<S>(0), a.Obj<S>(1), a.Long(2), a.Long(3), a.Long(4), a.Long(5), a.Long(6),
                            a.Long(7), a.Long(8), a.Long(9), fx));
     }},
    {"DDHarfTransferBlt",
     [](DX7Draw& o, Args& a) {
         a.Ret(o.DDHarfTransferBlt(a.Obj<S>(0), a.Obj<S>(1), a.Obj<P>(2), a.Long(3), a.Long(4), a.Long(5),
                                   a.Long(6), a.Long(7), a.Long(8), a.Bool(9)));
     }},
    {"DDSaveHarfPalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDSaveHarfPalette(a.String(0), a.Obj<P>(1))); }},
    {"DDLoadHarfPalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDLoadHarfPalette(a.String(0))); }},
    {"DDPrimarySetPalette", [](DX7Draw& o, Args& a) { a.Ret(o.DDPrimarySetPalette(a.Obj<P>(0))); }},
};

std::string Describe(int32_t number) { return api::ErrorText(number); }

DispatchBase* Create(ModuleCounts& counts) {
    static const auto table = MakeTable(kDesc, kThunks);
    // The typed entries are written from this description: a different
    // method count means they are stale, a build fault.
    if (typed::_DX7DrawEntries::kMethods != kDesc.methods.size())
        throw std::logic_error("_DX7Draw: typed entries differ from the description");
    auto* o = new DispatchObject<DX7Draw>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DX7DrawEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
