// The interface _DX7Sound of the class DX7Sound: its methods in interface
// order with their parameters and its identifiers. The dispatch of
// DX7SoundAutomation.cpp, the interface definition and the typed vtable are
// all made from this one description.
#include "com/Descriptions.h"

namespace vexo::com {

namespace {
constexpr uint8_t R = kByRef, V = kByVal, RO = kByRef | kOptional;
}  // namespace

const ClassDesc& DX7SoundDescription() {
    static const ClassDesc d{
        "VexoDX7Sound",
        "DX7Sound",
        "_DX7Sound",
        MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"),
        17,
        0,
        MakeGuid("{73A01E57-18A9-11D4-96A2-009099162206}"),
        MakeGuid("{73A01E56-18A9-11D4-96A2-009099162206}"),
        {
            {"DsSetFormat", Ty::Void,
             {{"SamplesHz", Ty::Long, V}, {"Bitrate", Ty::Long, V}, {"nChannels", Ty::Long, V}}},
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
    return d;
}

}  // namespace vexo::com
