// DXInput as an in-process automation component: the description of its
// interface _DXInput, the dispatch table made from it and the library's four
// entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "input/DXInputTyped.h"
#include "common/Platform.h"
#include "input/DXInput.h"

namespace vexo {
namespace {

using namespace vexo::com;

// Every parameter is by reference; none is written back by the methods.
const ClassDesc kDesc{
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

const std::vector<NamedThunk<DXInput>> kThunks{
    {"DirectKeyCodeShow", [](DXInput& o, Args& a) { a.Ret(o.DirectKeyCodeShow(a.Byte(0))); }},
    {"DIJoyStickSetup", [](DXInput& o, Args& a) { a.Ret(o.DIJoyStickSetup(a.Long(0), a.Long(1))); }},
    {"DIGetButton", [](DXInput& o, Args& a) { a.Ret(o.DIGetButton(a.Long(0), a.Byte(1))); }},
    {"DIGetX", [](DXInput& o, Args& a) { a.Ret(o.DIGetX(a.Long(0))); }},
    {"DIGetY", [](DXInput& o, Args& a) { a.Ret(o.DIGetY(a.Long(0))); }},
    {"DIClose", [](DXInput& o, Args&) { o.DIClose(); }},
    {"DIUpdate", [](DXInput& o, Args& a) { a.Ret(o.DIUpdate()); }},
    {"DIKeyBordSetup", [](DXInput& o, Args& a) { o.DIKeyBordSetup(a.Long(0)); }},
    {"DIGetKeyState", [](DXInput& o, Args& a) { a.Ret(o.DIGetKeyState(a.Byte(0))); }},
    {"DIJoyStickCount", [](DXInput& o, Args& a) { a.Ret(o.DIJoyStickCount()); }},
};

std::string Describe(int32_t number) { return api::ErrorText(number); }

DispatchBase* Create(ModuleCounts& counts) {
    static const auto table = MakeTable(kDesc, kThunks);
    // The typed entries are written from this description: a different
    // method count means they are stale, a build fault.
    if (typed::_DXInputEntries::kMethods != kDesc.methods.size())
        throw std::logic_error("_DXInput: typed entries differ from the description");
    auto* o = new DispatchObject<DXInput>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DXInputEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
