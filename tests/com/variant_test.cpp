// Automation values: conversions as a client expects them, strings, arrays,
// identifiers and the error numbers a client sees.
#include <gtest/gtest.h>

#include "com/Com.h"
#include "com/TypeDesc.h"

namespace vexo::com {
namespace {

VARIANT To(const VARIANT& src, VARTYPE vt, HRESULT expect = S_OK) {
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &src, 0, vt), expect) << "to vt " << vt;
    return out;
}

TEST(ComVariant, NumbersAndStringsConvertAcrossKindsAndOverflowGives6) {
    EXPECT_EQ(To(MakeR8(2.5), VT_I4).lVal, 2);  // half to even
    EXPECT_EQ(To(MakeR8(3.5), VT_I4).lVal, 4);
    EXPECT_EQ(To(MakeR8(-2.5), VT_I2).iVal, -2);
    VARIANT s = MakeBstr(" 42 ");
    EXPECT_EQ(To(s, VT_I4).lVal, 42);
    EXPECT_EQ(To(s, VT_UI1).bVal, 42);
    VariantClear(&s);
    s = MakeBstr("abc");
    To(s, VT_I4, DISP_E_TYPEMISMATCH);
    VariantClear(&s);
    To(MakeI4(40000), VT_I2, DISP_E_OVERFLOW);
    To(MakeI4(256), VT_UI1, DISP_E_OVERFLOW);
    To(MakeI4(-1), VT_UI1, DISP_E_OVERFLOW);
    To(MakeR8(2147483647.5), VT_I4, DISP_E_OVERFLOW);
    EXPECT_EQ(To(MakeR8(2147483647.4), VT_I4).lVal, 2147483647);
    EXPECT_EQ(ErrorNumberFromHresult(DISP_E_OVERFLOW, nullptr), 6);
    EXPECT_EQ(ErrorNumberFromHresult(DISP_E_TYPEMISMATCH, nullptr), 13);
    // Booleans are 16 bits, False 0 and True -1.
    EXPECT_EQ(To(MakeI4(5), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(To(MakeI4(0), VT_BOOL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(To(MakeBool(true), VT_I4).lVal, -1);
    VARIANT t = To(MakeBool(true), VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(t.bstrVal), "True");
    VariantClear(&t);
    t = To(MakeI4(-17), VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(t.bstrVal), "-17");
    VariantClear(&t);
    VARIANT empty;
    EXPECT_EQ(To(empty, VT_I4).lVal, 0);
    // Through references, typed and VARIANT.
    int32_t n = 300;
    VARIANT inner = MakeI4(-7);
    EXPECT_EQ(To(MakeByRef(VT_I4, &n), VT_R4).fltVal, 300.0f);
    EXPECT_EQ(To(MakeByRef(VT_VARIANT, &inner), VT_I2).iVal, -7);
}

TEST(ComVariant, StringsArraysAndCopiesOwnTheirMemory) {
    const std::string text = "caf\xC3\xA9 \xE6\xBC\xA2 \xF0\x9F\x98\x80";
    BSTR b = BstrFromUtf8(text);
    EXPECT_EQ(SysStringLen(b), 9u);  // the emoji takes two UTF-16 units
    EXPECT_EQ(Utf8FromBstr(b), text);
    SysFreeString(b);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
    b = BstrFromUtf8("a\xFF");  // a stray byte becomes the replacement character
    EXPECT_EQ(Utf8FromBstr(b), "a\xEF\xBF\xBD");
    SysFreeString(b);
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 1, 255);
    int32_t lo = 0, hi = 0;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a, 1, &hi), S_OK);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 255);
    EXPECT_EQ(SafeArrayGetUBound(a, 2, &hi), DISP_E_BADINDEX);
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = a;
    static_cast<uint8_t*>(a->pvData)[3] = 9;
    VARIANT c;
    ASSERT_EQ(VariantCopy(&c, &v), S_OK);
    EXPECT_NE(c.parray, a);
    EXPECT_EQ(static_cast<uint8_t*>(c.parray->pvData)[3], 9);
    VariantClear(&c);
    VariantClear(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(ComVariant, GuidTextAndDescriptionsToInterfaceDefinitions) {
    GUID g;
    EXPECT_TRUE(GuidFromString("{84fb2748-f8ef-11d3-96a1-009099162206}", g));
    EXPECT_EQ(GuidToString(g), "{84FB2748-F8EF-11D3-96A1-009099162206}");
    EXPECT_EQ(g.Data4[1], 0xA1);
    EXPECT_FALSE(GuidFromString("84FB2748-F8EF-11D3-96A1-009099162206", g));
    EXPECT_FALSE(GuidFromString("{84FB2748-F8EF-11D3-96A1-00909916220G}", g));
    EXPECT_FALSE(GuidFromString("{84FB2748F-8EF-11D3-96A1-009099162206}", g));
    EXPECT_THROW(MakeGuid("nonsense"), std::invalid_argument);
    EXPECT_TRUE(NamesEqual("DsSetup", "dssetup"));
    EXPECT_FALSE(NamesEqual("DsSetup", "DsSetupX"));

    const ClassDesc d{"VexoTest", "Thing", "_Thing", MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}"), 3, 1,
                      MakeGuid("{11111111-2222-3333-4444-555555555555}"),
                      MakeGuid("{11111111-2222-3333-4444-555555555556}"),
                      {{"Go", Ty::Long, {{"n", Ty::Long, kByVal}, {"rate", Ty::Long, kByRef | kOptional, 22050}}},
                       {"Stop", Ty::Void, {}}},
                      {{"Mode", {{"ONE", 1}}}}};
    const std::string idl = WriteIdl(d);
    EXPECT_NE(idl.find("version(3.1)"), std::string::npos);
    EXPECT_NE(idl.find("[id(0x1)]\n        HRESULT Go("), std::string::npos);
    EXPECT_NE(idl.find("[in] long n,\n            [in, out, optional, defaultvalue(22050)] long* rate,\n"
                       "            [out, retval] long* result);"),
              std::string::npos);
    EXPECT_NE(idl.find("[id(0x2)]\n        HRESULT Stop();"), std::string::npos);
    EXPECT_NE(idl.find("ONE = 1"), std::string::npos);
    EXPECT_NE(idl.find("uuid(11111111-2222-3333-4444-555555555555)"), std::string::npos);
}

}  // namespace
}  // namespace vexo::com
