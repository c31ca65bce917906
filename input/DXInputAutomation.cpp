// DXInput as an in-process automation component: the dispatch table made
// from the description of its interface _DXInput (DXInputDescription.cpp)
// and the library's four entry points.
#include <stdexcept>

#include "com/Automation.h"
#include "com/Descriptions.h"
#include "input/DXInputTyped.h"
#include "common/Platform.h"
#include "input/DXInput.h"

namespace vexo {
namespace {

using namespace vexo::com;

const ClassDesc& kDesc = DXInputDescription();

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
    // The typed entries are generated from this description; any other
    // header (a stale copy found first on the include path) is a build fault.
    if (!TypedMatches(kDesc, typed::_DXInputEntries::kSignature))
        throw std::logic_error("_DXInput: typed entries differ from the description");
    auto* o = new DispatchObject<DXInput>(kDesc, table, counts, &Describe);
    o->AttachTyped<typed::_DXInputEntries>();
    return o;
}

Server gServer(kDesc, &Create);

}  // namespace
}  // namespace vexo

VEXO_COM_ENTRY_POINTS(vexo::gServer)
