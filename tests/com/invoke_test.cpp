// Invoke with arguments no honest client sends: arrays whose bounds cannot
// be, types no variant has. Each is refused with its status and the index
// of the argument, before the method runs or the array's data is read.
#include <gtest/gtest.h>

#include <climits>

#include "com/Automation.h"

namespace vexo::com {
namespace {

const ClassDesc& EchoDescription() {
    static const ClassDesc d{"VexoTest", "Echo", "_Echo", MakeGuid("{84FB2748-F8EF-11D3-96A1-0090991622FF}"), 1, 0,
                             MakeGuid("{84FB2748-F8EF-11D3-96A1-0090991622FE}"),
                             MakeGuid("{84FB2748-F8EF-11D3-96A1-0090991622FD}"),
                             {{"Bytes", Ty::Long, {{"Data", Ty::ByteArray}}}, {"Number", Ty::Long, {{"N", Ty::Long, kByVal}}}},
                             {}};
    return d;
}

// Counts the calls that got through; Bytes returns how many bytes arrived.
class Echo final : public DispatchBase {
public:
    using DispatchBase::DispatchBase;
    int calls = 0;
    void* Native() override { return nullptr; }

protected:
    void Call(size_t index, Args& a) override {
        ++calls;
        a.Ret(index == 0 ? int32_t(a.Bytes(0).Items().size()) : a.Long(0));
    }
    std::string Describe(int32_t) override { return {}; }
};

struct Invoked {
    HRESULT hr;
    UINT argErr;
    int32_t result;
};
Invoked Invoke(Echo& e, DISPID id, VARIANT arg) {
    DISPPARAMS dp{};
    dp.rgvarg = &arg;
    dp.cArgs = 1;
    VARIANT r;
    VariantInit(&r);
    EXCEPINFO x{};
    UINT argErr = 99;
    const HRESULT hr = e.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, &r, &x, &argErr);
    const Invoked out{hr, argErr, r.vt == VT_I4 ? r.lVal : -1};
    VariantClear(&r);
    ClearExcepInfo(&x);
    return out;
}

TEST(ComInvoke, ByteArraysWithImpossibleBoundsAreRefusedUnread) {
    ModuleCounts counts;
    Echo echo(EchoDescription(), counts);
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, INT32_MAX - 3, 4);
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = a;
    // Upper bound exactly the largest there is: taken.
    Invoked ok = Invoke(echo, 1, v);
    EXPECT_EQ(ok.hr, S_OK);
    EXPECT_EQ(ok.result, 4);
    const struct {
        LONG lower;
        ULONG count;
        uint16_t dims;
        HRESULT hr;
    } lies[] = {
        {INT32_MAX - 2, 4, 1, E_INVALIDARG},             // upper bound past 32 bits
        {0, kMaxByteArrayArg + 1, 1, E_INVALIDARG},      // past the cap
        {INT32_MIN, 0xFFFFFFFFu, 1, E_INVALIDARG},       // fits 32 bits, 4 GB
        {0, 4, 2, DISP_E_TYPEMISMATCH},                  // two dimensions
        {0, 4, 0, DISP_E_TYPEMISMATCH},                  // none
    };
    for (const auto& l : lies) {
        a->rgsabound[0] = {l.count, l.lower};
        a->cDims = l.dims;
        Invoked r = Invoke(echo, 1, v);
        EXPECT_EQ(r.hr, l.hr) << l.lower << " " << l.count << " " << l.dims;
        EXPECT_EQ(r.argErr, 0u);
    }
    EXPECT_EQ(echo.calls, 1);
    a->rgsabound[0] = {4, 0};
    a->cDims = 1;
    VariantClear(&v);
}

// Our own model's conversion; on Windows the system's decides.
#ifndef _WIN32
TEST(ComInvoke, TypesNoVariantHasAreBadVarTypes) {
    ModuleCounts counts;
    Echo echo(EchoDescription(), counts);
    int32_t n = 5;
    VARIANT typed = MakeByRef(VT_I4, &n);
    for (VARTYPE vt : {VARTYPE(15), VARTYPE(0x0FFF), VARTYPE(VT_VARIANT), VARTYPE(VT_BYREF | VT_EMPTY),
                       VARTYPE(VT_BYREF | VT_NULL), VARTYPE(0x8000 | VT_I4)}) {
        VARIANT v;
        v.vt = vt;
        v.plVal = &n;  // a reference has something to point at
        EXPECT_EQ(Invoke(echo, 2, v).hr, DISP_E_BADVARTYPE) << std::hex << vt;
        // Reached through a VARIANT reference, the same.
        EXPECT_EQ(Invoke(echo, 2, MakeByRef(VT_VARIANT, &v)).hr, DISP_E_BADVARTYPE) << std::hex << vt;
    }
    EXPECT_EQ(echo.calls, 0);
    // A known type that does not convert stays a mismatch; a reference to a number is read.
    VARIANT nothing;
    nothing.vt = VT_NULL;
    EXPECT_EQ(Invoke(echo, 2, nothing).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(echo, 2, MakeByRef(VT_VARIANT, &typed)).result, 5);
}
#endif

}  // namespace
}  // namespace vexo::com
