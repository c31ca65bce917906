// DXMusic as an in-process automation component: the dispatch table made
// from the description of its interface _DXMusic (DXMusicDescription.cpp)
// and the library's four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "com/Descriptions.h"
#include "music/DXMusicTyped.h"
#include "common/Platform.h"
#include "music/DXMusic.h"

namespace vexo {
namespace {

using namespace vexo::com;

const ClassDesc& kDesc = DXMusicDescription();

const std::vector<NamedThunk<DXMusic>> kThunks{
    {"DMPlay", [](DXMusic& o, Args& a) { a.Ret(o.DMPlay(a.Long(0), a.Bool(1), a.Bool(2))); }},
    {"DMStop", [](DXMusic& o, Args& a) { a.Ret(o.DMStop(a.Long(0))); }},
    {"DMClose", [](DXMusic& o, Args&) { o.DMClose(); }},
    {"DMCreateSegment",
     [](DXMusic& o, Args& a) {
         a.Ret(o.DMCreateSegment(a.Long(0), a.String(1), a.Long(2), a.Long(3), a.Single(4)));
     }},
    {"DMSetVolume", [](DXMusic& o, Args& a) { a.Ret(o.DMSetVolume(a.Long(0), a.Long(1))); }},
    {"DMSetTempo", [](DXMusic& o, Args& a) { a.Ret(o.DMSetTempo(a.Long(0), a.Single(1))); }},
    {"DMSetup", [](DXMusic& o, Args& a) { a.Ret(o.DMSetup()); }},
    {"DMDestroySegment", [](DXMusic& o, Args& a) { a.Ret(o.DMDestroySegment(a.Long(0))); }},
};

std::string Describe(int32_t number) { return api::ErrorText(number); }

DispatchBase* Create(ModuleCounts& counts) {
    static const auto table = MakeTable(kDesc, kThunks);
    // The typed entries are generated from this description; any other
    // header (a stale copy found first on the include path) is a build fault.
    if (!TypedMatches(kDesc, typed::_DXMusicEntries::kSignature))
        throw std::logic_error("_DXMusic: typed entries differ from the description");
    auto* o = new DispatchObject<DXMusic>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DXMusicEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
