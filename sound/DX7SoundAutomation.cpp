// DX7Sound as an in-process automation component: the description of its
// interface _DX7Sound, the dispatch table made from it and the library's
// four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "sound/DX7SoundTyped.h"
#include "common/Platform.h"
#include "sound/DX7Sound.h"

namespace vexo {
namespace {

using namespace vexo::com;

constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional;

const ClassDesc kDesc{
    "VexoDX7Sound",
    "DX7Sound",
    "_DX7Sound",
    MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"),
    17,
    0,
    MakeGuid("{73A01E57-18A9-11D4-96A2-009099162206}"),
    MakeGuid("{73A01E56-18A9-11D4-96A2-009099162206}"),
    {
        {"DsSetFormat", Ty::Void, {{"SamplesHz", Ty::Long, V}, {"Bitrate", Ty::Long, V}, {"nChannels", Ty::Long, V}}},
        {"DsFree", Ty::Void, {{"DsSegmentID", Ty::Long, R}}},
        {"DsSetPan", Ty::Long, {{"DsSegment_ID", Ty::Long, R}, {"pan", Ty::Long, V}}},
        {"DsStop", Ty::Long, {{"DsSegment_ID", Ty::Long, R}}},
        {"DsClose", Ty::Void, {}},
        {"DsPlayLooping", Ty::Long, {{"DsSegment_ID", Ty::Long, R}}},
        {"DsPlay", Ty::Long, {{"DsSegment_ID", Ty::Long, R}, {"bFlags", Ty::Bool, RO, 0}}},
        {"DsCreate", Ty::Long,
         {{"DsSegment_ID", Ty::Long, R}, {"Filename", Ty::String, V}, {"nBuffer", Ty::Long, RO, 1}}},
        {"DsSetVolume", Ty::Long, {{"DsSegment_ID", Ty::Long, R}, {"vol", Ty::Long, V}}},
        {"DsSetup", Ty::Long,
         {{"hWnd", Ty::Long, V}, {"SamplesHz", Ty::Long, RO, 22050}, {"Bitrate", Ty::Long, RO, 8},
          {"Channels", Ty::Long, RO, 2}}},
    },
    {},
};

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
    // The typed entries are written from this description: a different
    // method count means they are stale, a build fault.
    if (typed::_DX7SoundEntries::kMethods != kDesc.methods.size())
        throw std::logic_error("_DX7Sound: typed entries differ from the description");
    auto* o = new DispatchObject<DX7Sound>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DX7SoundEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
