// The interface _DXMusic of the class DXMusic: its methods in interface
// order with their parameters and its identifiers. The dispatch of
// DXMusicAutomation.cpp, the interface definition and the typed vtable are
// all made from this one description.
#include "com/Descriptions.h"

namespace vexo::com {

namespace {
constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional, VO = kByVal | kOptional;
}  // namespace

const ClassDesc& DXMusicDescription() {
    static const ClassDesc d{
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
             {{"Segment_ID", Ty::Long, R}, {"LastMusicStop", Ty::Bool, RO, 0},
              {"ContStart", Ty::Bool, RO, 0}}},
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
    return d;
}

}  // namespace vexo::com
