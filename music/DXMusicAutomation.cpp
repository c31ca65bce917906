// DXMusic as an in-process automation component: the description of its
// interface _DXMusic, the dispatch table made from it and the library's four
// entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "music/DXMusicTyped.h"
#include "common/Platform.h"
#include "music/DXMusic.h"

namespace vexo {
namespace {

using namespace vexo::com;

constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional, VO = kByVal | kOptional;

const ClassDesc kDesc{
    "VexoDX7Music",
    "DXMusic",
    "_DXMusic",
    MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"),
    17,
    0,
    MakeGuid("{73A01E51-18A9-11D4-96A2-009099162206}"),
    MakeGuid("{73A01E50-18A9-11D4-96A2-009099162206}"),
    {
        {"DMPlay", Ty::Long,
         {{"Segment_ID", Ty::Long, R}, {"LastMusicStop", Ty::Bool, RO, 0}, {"ContStart", Ty::Bool, RO, 0}}},
        {"DMStop", Ty::Long, {{"Segment_ID", Ty::Long, R}}},
        {"DMClose", Ty::Void, {}},
        {"DMCreateSegment", Ty::Long,
         {{"Segment_ID", Ty::Long, R}, {"Filename", Ty::String, R}, {"RepeatCount", Ty::Long, RO, 32767},
          {"VolumeSize", Ty::Long, RO, 0}, {"Tempo", Ty::Single, VO, 1.0}}},
        {"DMSetVolume", Ty::Long, {{"Segment_ID", Ty::Long, R}, {"VolumeSize", Ty::Long, RO, -5000}}},
        {"DMSetTempo", Ty::Long, {{"Segment_ID", Ty::Long, R}, {"Tempo", Ty::Single, V}}},
        {"DMSetup", Ty::Long, {}},
        {"DMDestroySegment", Ty::Long, {{"Segment_ID", Ty::Long, R}}},
    },
    {},
};

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
    // The typed entries are written from this description: a different
    // method count means they are stale, a build fault.
    if (typed::_DXMusicEntries::kMethods != kDesc.methods.size())
        throw std::logic_error("_DXMusic: typed entries differ from the description");
    auto* o = new DispatchObject<DXMusic>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DXMusicEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
