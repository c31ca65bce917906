// DX7Draw as an in-process automation component: the dispatch table made from
// the description of its interface _DX7Draw (DX7DrawDescription.cpp) and the
// library's four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "com/Descriptions.h"
#include "draw/DX7DrawTyped.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {
namespace {

using namespace vexo::com;

using S = DirectDrawSurface7;
using P = DirectDrawPalette;

const ClassDesc& kDesc = DX7DrawDescription();

// The description carries the enumerations as plain numbers; they must be
// the values the class itself takes.
using SBT = typed::ScreenBitType;
using FX = typed::FX_Type;
static_assert(typed::ScreenType::NORMALSCREEN == NORMALSCREEN && typed::ScreenType::FULLSCREEN == FULLSCREEN);
static_assert(SBT::bit256 == bit256 && SBT::bit65536 == bit65536 && SBT::bitTrueColor == bitTrueColor &&
              SBT::bitFullColor == bitFullColor);
static_assert(FX::MIRROR_LEFTRIGHT == MIRROR_LEFTRIGHT && FX::MIRROR_UPDOWN == MIRROR_UPDOWN &&
              FX::ROTATE180 == ROTATE180 && FX::ROTATE270 == ROTATE270 && FX::ROTATE90 == ROTATE90);

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
    // The typed entries are generated from this description; any other
    // header (a stale copy found first on the include path) is a build fault.
    if (!TypedMatches(kDesc, typed::_DX7DrawEntries::kSignature))
        throw std::logic_error("_DX7Draw: typed entries differ from the description");
    auto* o = new DispatchObject<DX7Draw>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DX7DrawEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
