// DX7Sound as an in-process automation component: the dispatch table made
// from the description of its interface _DX7Sound (DX7SoundDescription.cpp)
// and the library's four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "com/Descriptions.h"
#include "sound/DX7SoundTyped.h"
#include "common/Platform.h"
#include "sound/DX7Sound.h"

namespace vexo {
namespace {

using namespace vexo::com;

const ClassDesc& kDesc = DX7SoundDescription();

const std::vector<NamedThunk<DX7Sound>> kThunks{
    {"DsSetFormat", [](DX7Sound& o, Args& a) { o.DsSetFormat(a.Long(0), a.Long(1), a.Long(2)); }},
    {"DsFree", [](DX7Sound& o, Args& a) { o.DsFree(a.Long(0)); }},
    {"DsSetPan", [](DX7Sound& o, Args& a) { a.Ret(o.DsSetPan(a.Long(0), a.Long(1))); }},
    {"DsStop", [](DX7Sound& o, Args& a) { a.Ret(o.DsStop(a.Long(0))); }},
    {"DsClose", [](DX7Sound& o, Args&) { o.DsClose(); }},
    {"DsPlayLooping", [](DX7Sound& o, Args& a) { a.Ret(o.DsPlayLooping(a.Long(0))); }},
    {"DsPlay", [](DX7Sound& o, Args& a) { a.Ret(o.DsPlay(a.Long(0), a.Bool(1))); }},
    {"DsCreate", [](DX7Sound& o, Args& a) { a.Ret(o.DsCreate(a.Long(0), a.String(1), a.Long(2))); }},
    {"DsSetVolume", [](DX7Sound& o, Args& a) { a.Ret(o.DsSetVolume(a.Long(0), a.Long(1))); }},
    {"DsSetup", [](DX7Sound& o, Args& a) { a.Ret(o.DsSetup(a.Long(0), a.Long(1), a.Long(2), a.Long(3))); }},
};

std::string Describe(int32_t number) { return api::ErrorText(number); }

DispatchBase* Create(ModuleCounts& counts) {
    static const auto table = MakeTable(kDesc, kThunks);
    // The typed entries are generated from this description; any other
    // header (a stale copy found first on the include path) is a build fault.
    if (!TypedMatches(kDesc, typed::_DX7SoundEntries::kSignature))
        throw std::logic_error("_DX7Sound: typed entries differ from the description");
    auto* o = new DispatchObject<DX7Sound>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DX7SoundEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
