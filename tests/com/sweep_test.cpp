// Every method of every library, called through IDispatch with plain values
// of its declared parameter types: each call runs its method (a result or an
// automation exception), so each dispatch-table entry agrees with the
// description it was made from.
#include <gtest/gtest.h>

#include "com/Automation.h"
#include "tests/com/ComClient.h"

namespace vexo::test {
namespace {

VARIANT PlainValue(Ty t) {
    VARIANT v;
    switch (t) {
        case Ty::String: return MakeBstr("");
        case Ty::Single: v.vt = VT_R4, v.fltVal = 1.0f; return v;
        case Ty::Bool: return MakeBool(false);
        case Ty::Surface: case Ty::Palette: return Obj(nullptr);
        case Ty::ByteArray: v.vt = VT_ARRAY | VT_UI1, v.parray = nullptr; return v;  // never dimensioned
        default: return MakeI4(0);
    }
}

// What a successful call hands back for each result type.
VARTYPE ResultVarType(Ty t) {
    switch (t) {
        case Ty::Void: return VT_EMPTY;
        case Ty::Surface: case Ty::Palette: return VT_DISPATCH;
        default: return VarTypeOf(t);
    }
}

TEST(ComSweep, EveryMethodOfEveryLibraryRunsThroughItsTableEntry) {
    TempRegistry reg;
    const struct {
        const char* lib;
        const char* progId;
        UINT methods;
    } libs[] = {{VEXO_DRAW_LIB, "VexoDX7Draw.DX7Draw", 39},
                {VEXO_INPUT_LIB, "VexoDX7Input.DXInput", 10},
                {VEXO_SOUND_LIB, "VexoDX7Sound.DX7Sound", 10},
                {VEXO_MUSIC_LIB, "VexoDX7Music.DXMusic", 8}};
    for (const auto& l : libs) {
        ASSERT_EQ(RegisterServer(l.lib), S_OK);
        Held<IDispatch> obj;
        ASSERT_EQ(CreateObject(l.progId, obj.out()), S_OK);
        ASSERT_TRUE(DescriptionOf(obj.p)) << l.progId;
        const ClassDesc& d = *DescriptionOf(obj.p);
        EXPECT_EQ(d.methods.size(), l.methods) << l.progId;
        for (const MethodDesc& m : d.methods) {
            std::vector<VARIANT> args;
            for (const ParamDesc& p : m.params) args.push_back(PlainValue(p.type));
            Outcome o = Call(obj.p, m.name, std::move(args));
            EXPECT_TRUE(o.hr == S_OK || o.hr == DISP_E_EXCEPTION)
                << l.progId << "." << m.name << " gave 0x" << std::hex << uint32_t(o.hr);
            if (o.hr == S_OK && m.result != Ty::Variant) {
                EXPECT_EQ(o.result.vt, ResultVarType(m.result)) << m.name;
            }
            // Required arguments cannot be left off.
            const bool required = !m.params.empty() && !m.params[0].optional();
            if (required) {
                EXPECT_EQ(Call(obj.p, m.name).hr, DISP_E_PARAMNOTOPTIONAL) << m.name;
            }
        }
        obj.reset();
        CLSID c;
        ASSERT_EQ(CLSIDFromProgID(l.progId, &c), S_OK);
        EXPECT_EQ(CanUnloadNow(c), S_OK) << l.progId;
        EXPECT_EQ(UnregisterServer(l.lib), S_OK);
    }
}

}  // namespace
}  // namespace vexo::test
