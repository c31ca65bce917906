// The interface _DXInput of the class DXInput: its methods in interface
// order with their parameters and its identifiers. The dispatch of
// DXInputAutomation.cpp, the interface definition and the typed vtable are
// all made from this one description.
#include "com/Descriptions.h"

namespace vexo::com {

const ClassDesc& DXInputDescription() {
    // Every parameter is by reference; none is written back by the methods.
    static const ClassDesc d{
        "VexoDX7Input",
        "DXInput",
        "_DXInput",
        MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"),
        16,
        0,
        MakeGuid("{73A01E45-18A9-11D4-96A2-009099162206}"),
        MakeGuid("{73A01E44-18A9-11D4-96A2-009099162206}"),
        {
            {"DirectKeyCodeShow", Ty::String, {{"DirectKeyCode", Ty::Byte}}},
            {"DIJoyStickSetup", Ty::Long, {{"JoyStickCount", Ty::Long}, {"hWnd", Ty::Long}}},
            {"DIGetButton", Ty::Byte, {{"ID", Ty::Long}, {"ButtonBit", Ty::Byte}}},
            {"DIGetX", Ty::Long, {{"ID", Ty::Long}}},
            {"DIGetY", Ty::Long, {{"ID", Ty::Long}}},
            {"DIClose", Ty::Void, {}},
            {"DIUpdate", Ty::Long, {}},
            {"DIKeyBordSetup", Ty::Void, {{"hWnd", Ty::Long}}},
            {"DIGetKeyState", Ty::Long, {{"DirectKeyCode", Ty::Byte}}},
            {"DIJoyStickCount", Ty::Long, {}},
        },
        {},
    };
    return d;
}

}  // namespace vexo::com
