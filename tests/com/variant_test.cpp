// Automation values: conversions as a client expects them, strings, arrays,
// identifiers and the error numbers a client sees.
#include <gtest/gtest.h>

#include <cmath>

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

VARIANT Of(VARTYPE vt, int64_t bits) {
    VARIANT v;
    v.vt = vt;
    v.llVal = bits;
    return v;
}
VARIANT Dec(int64_t mantissa, uint8_t scale) {
    VARIANT v;
    v.decVal.scale = scale;
    v.decVal.sign = mantissa < 0 ? DECIMAL_NEG : 0;
    v.decVal.Lo64 = uint64_t(mantissa < 0 ? -mantissa : mantissa);
    v.vt = VT_DECIMAL;
    return v;
}
std::string Text(const VARIANT& v) {
    VARIANT t = To(v, VT_BSTR);
    std::string s = Utf8FromBstr(t.bstrVal);
    VariantClear(&t);
    return s;
}

TEST(ComVariant, EveryScalarKindConvertsRoundingHalfToEvenAndOverflowing) {
    // Small and unsigned integers, 64-bit ones exactly.
    EXPECT_EQ(To(Of(VT_I1, -5), VT_I4).lVal, -5);
    EXPECT_EQ(To(Of(VT_UI2, 65535), VT_I4).lVal, 65535);
    To(Of(VT_UI2, 65535), VT_I2, DISP_E_OVERFLOW);
    To(Of(VT_UI4, 4000000000), VT_I4, DISP_E_OVERFLOW);
    EXPECT_EQ(To(Of(VT_UI4, 4000000000), VT_I8).llVal, 4000000000);
    To(Of(VT_I8, int64_t(1) << 40), VT_I4, DISP_E_OVERFLOW);
    EXPECT_EQ(To(Of(VT_INT, -7), VT_UINT, DISP_E_OVERFLOW).vt, VT_EMPTY);
    EXPECT_EQ(To(Of(VT_UI8, -1), VT_R8).dblVal, 18446744073709551615.0);
    To(Of(VT_UI8, -1), VT_I8, DISP_E_OVERFLOW);
    EXPECT_EQ(Text(Of(VT_I8, 9007199254740993)), "9007199254740993");
    EXPECT_EQ(To(Of(VT_I1, -1), VT_UI1, DISP_E_OVERFLOW).vt, VT_EMPTY);
    // Currency (ten-thousandths), dates and decimals round half to even.
    EXPECT_EQ(To(Of(VT_CY, 25000), VT_I4).lVal, 2);
    EXPECT_EQ(To(Of(VT_CY, 35000), VT_I4).lVal, 4);
    EXPECT_EQ(To(Of(VT_CY, -25000), VT_I2).iVal, -2);
    EXPECT_EQ(To(Of(VT_CY, 25001), VT_I4).lVal, 3);
    EXPECT_EQ(Text(Of(VT_CY, 125000)), "12.5");
    EXPECT_EQ(To(MakeR8(1.23456789), VT_CY).cyVal.int64, 12346);
    To(MakeR8(1e15), VT_CY, DISP_E_OVERFLOW);
    VARIANT date = MakeR8(6.5);
    date.vt = VT_DATE;
    EXPECT_EQ(To(date, VT_I4).lVal, 6);
    date.dblVal = 36526.5;
    EXPECT_EQ(Text(date), "1/1/2000 12:00:00 PM");
    date.dblVal = 36526;
    EXPECT_EQ(Text(date), "1/1/2000");
    date.dblVal = 0.25;
    EXPECT_EQ(Text(date), "6:00:00 AM");
    To(MakeR8(3e6), VT_DATE, DISP_E_OVERFLOW);
    date.dblVal = 1e300;
    To(date, VT_BSTR, E_INVALIDARG);
    EXPECT_EQ(To(Dec(25, 1), VT_I4).lVal, 2);
    EXPECT_EQ(To(Dec(-35, 1), VT_I4).lVal, -4);
    EXPECT_EQ(To(Dec(-35, 1), VT_R8).dblVal, -3.5);
    EXPECT_EQ(Text(Dec(-3500, 3)), "-3.5");
    To(Dec(30000000000, 1), VT_I4, DISP_E_OVERFLOW);
    VARIANT tenth = To(MakeR8(0.1), VT_DECIMAL);
    EXPECT_EQ(tenth.vt, VT_DECIMAL);
    EXPECT_EQ(tenth.decVal.Lo64, 1u);
    EXPECT_EQ(tenth.decVal.scale, 1);
    EXPECT_EQ(To(Of(VT_I8, -42), VT_DECIMAL).decVal.sign, DECIMAL_NEG);
    // Floats: 16 bits of True, single overflow, and their text.
    EXPECT_EQ(To(Of(VT_BOOL, -1), VT_UI8, DISP_E_OVERFLOW).vt, VT_EMPTY);
    EXPECT_EQ(To(Of(VT_R4, 0), VT_BOOL).boolVal, VARIANT_FALSE);
    To(MakeR8(1e39), VT_R4, DISP_E_OVERFLOW);
    To(MakeR8(std::nan("")), VT_I4, DISP_E_OVERFLOW);
    EXPECT_EQ(Text(MakeR8(1e20)), "1E+20");
    EXPECT_EQ(Text(MakeR8(0.5)), "0.5");
    // Through a typed reference of each new kind.
    CY cy{70000};
    EXPECT_EQ(To(MakeByRef(VT_CY, &cy), VT_I4).lVal, 7);
    VARIANT d = Dec(75, 1);
    EXPECT_EQ(To(MakeByRef(VT_DECIMAL, &d.decVal), VT_I4).lVal, 8);
    uint16_t u2 = 40000;
    EXPECT_EQ(To(MakeByRef(VT_UI2, &u2), VT_I4).lVal, 40000);
}

TEST(ComVariant, ScriptStringFormsAndReferenceChains) {
    const struct {
        const char* text;
        VARTYPE vt;
        HRESULT hr;
        int64_t value;
    } cases[] = {
        {"&H20", VT_I4, S_OK, 32},           {"&O17", VT_I4, S_OK, 15},
        {" &hff ", VT_UI1, S_OK, 255},       {"&H1FF", VT_UI1, DISP_E_OVERFLOW, 0},
        {"&HFFFF", VT_I2, S_OK, -1},         {"&HFFFF", VT_I4, S_OK, 65535},
        {"&HFFFFFFFF", VT_I4, S_OK, -1},     {"&HFFFF", VT_R8, S_OK, -1},
        {"-&H10", VT_I4, S_OK, -16},         {"&H", VT_I4, DISP_E_TYPEMISMATCH, 0},
        {"&HG", VT_I4, DISP_E_TYPEMISMATCH, 0}, {"&O8", VT_I4, DISP_E_TYPEMISMATCH, 0},
        {"  -1,000.5e1 ", VT_I4, S_OK, -10005}, {"(5)", VT_I4, S_OK, -5},
        {"5-", VT_I4, S_OK, -5},             {"$12.50", VT_CY, S_OK, 125000},
        {"2.5", VT_I4, S_OK, 2},             {"3.5", VT_I2, S_OK, 4},
        {"1D2", VT_I4, S_OK, 100},           {"9007199254740993", VT_I8, S_OK, 9007199254740993},
        {"99999999999", VT_I4, DISP_E_OVERFLOW, 0}, {"1e400", VT_R8, DISP_E_OVERFLOW, 0},
        {"12abc", VT_I4, DISP_E_TYPEMISMATCH, 0}, {"", VT_I4, DISP_E_TYPEMISMATCH, 0},
        {"1.2.3", VT_R8, DISP_E_TYPEMISMATCH, 0}, {",5", VT_I4, DISP_E_TYPEMISMATCH, 0},
        {"True", VT_BOOL, S_OK, -1},         {"false", VT_BOOL, S_OK, 0},
        {" TRUE ", VT_I4, S_OK, -1},         {"0", VT_BOOL, S_OK, 0},
    };
    for (const auto& c : cases) {
        VARIANT s = MakeBstr(c.text);
        VARIANT out;
        EXPECT_EQ(VariantChangeType(&out, &s, 0, c.vt), c.hr) << '"' << c.text << '"';
        if (c.hr == S_OK) {
            VARIANT wide;
            ASSERT_EQ(VariantChangeType(&wide, &out, 0, c.vt == VT_CY ? VT_CY : VT_I8), S_OK) << c.text;
            EXPECT_EQ(c.vt == VT_CY ? wide.cyVal.int64 : wide.llVal, c.value) << '"' << c.text << '"';
        }
        VariantClear(&out);
        VariantClear(&s);
    }
    // One VARIANT reference may hold a typed one; a chain of VARIANT
    // references (a loop among them) is refused, as is a reference to nothing.
    int32_t n = 41;
    VARIANT typedRef = MakeByRef(VT_I4, &n);
    EXPECT_EQ(To(MakeByRef(VT_VARIANT, &typedRef), VT_R8).dblVal, 41.0);
    VARIANT loop = MakeByRef(VT_VARIANT, nullptr);
    loop.pvarVal = &loop;
    To(MakeByRef(VT_VARIANT, &loop), VT_I4, E_INVALIDARG);
    To(MakeByRef(VT_I4, nullptr), VT_I4, E_INVALIDARG);
    To(MakeByRef(VT_VARIANT, nullptr), VT_I4, E_INVALIDARG);
}

// Text to Date reads the forms a script's date conversion takes (month
// first, as the default settings write dates) and refuses the rest with a
// type mismatch; a number in text still reads as the serial it is.
TEST(ComVariant, DateTextConvertsByScriptRules) {
    auto date = [](const char* text, HRESULT expect = S_OK) {
        VARIANT s = MakeBstr(text);
        VARIANT d = To(s, VT_DATE, expect);
        VariantClear(&s);
        EXPECT_EQ(d.vt, expect == S_OK ? VT_DATE : VT_EMPTY) << text;
        return d.date;
    };
    const double day = 46364;  // 8 December 2026
    for (const char* text : {"2026-12-08", "12/8/2026", "12-08-2026", "12.8.2026", "8 December 2026",
                             "8 dec 2026", "December 8, 2026", "Dec. 8, 2026", "2026 December 8", "12/8/26",
                             "  12/8/2026  "})
        EXPECT_EQ(date(text), day) << text;
    EXPECT_EQ(date("8/12/2026"), 46246);   // month first: 12 August
    EXPECT_EQ(date("13/12/2026"), 46369);  // no 13th month: the day came first
    EXPECT_EQ(date("10:30"), 0.4375);
    EXPECT_EQ(date("10:30 AM"), 0.4375);
    EXPECT_NEAR(date("10:30:15 pm"), (22 * 3600 + 30 * 60 + 15) / 86400.0, 1e-12);
    EXPECT_EQ(date("12 PM"), 0.5);
    EXPECT_EQ(date("12:00 AM"), 0);
    EXPECT_EQ(date("2026-12-08 10:30:00"), day + 0.4375);
    EXPECT_EQ(date("12/8/2026 6:00:00 PM"), day + 0.75);
    EXPECT_EQ(date("2000-02-29"), 36585);
    EXPECT_EQ(date("1/1/30"), 10959);  // two-digit years: 30-99 are 19xx, 00-29 20xx
    EXPECT_EQ(date("1/1/29"), 47119);
    EXPECT_EQ(date("1/1/100"), -657434);
    EXPECT_EQ(date("12/31/9999"), 2958465);
    // Before day 0 the time still counts away from it.
    EXPECT_EQ(date("12/29/1899 6:00"), -1.25);
    EXPECT_EQ(date("36526.5"), 36526.5);
    // What the conversion to text writes reads back.
    VARIANT d;
    d.vt = VT_DATE;
    d.date = day + 0.75;
    VARIANT text = To(d, VT_BSTR);
    EXPECT_EQ(To(text, VT_DATE).date, day + 0.75);
    VariantClear(&text);

    for (const char* bad : {"", "   ", "hello", "2026-02-29", "2/30/2026", "13/45/2026", "0/8/2026", "12/0/2026",
                            "12/8", "8 December", "2026-12-08 10", "1/1/99999", "12/31/10000", "25:00",
                            "10:60", "10:30:60", "13:00 PM", "0 AM", "10:30:15:20", "10::30", "10:30 10:30",
                            "12//8/2026", "-12/8/2026", "12/8/2026/", "8 Decembre 2026", "8 December May 2026",
                            "2026-12-08T10:30", "12/8/2026 AM", "$12/8/2026"})
        date(bad, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ErrorNumberFromHresult(DISP_E_TYPEMISMATCH, nullptr), 13);
    // Text is read as a date only for a date: a Long is still refused.
    VARIANT s = MakeBstr("2026-12-08");
    To(s, VT_I4, DISP_E_TYPEMISMATCH);
    VariantClear(&s);
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
#ifndef _WIN32
    // A length whose bytes would not fit the prefix, or past the cap, makes no string.
    for (UINT n : {kMaxBstrLength + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) EXPECT_EQ(SysAllocStringLen(nullptr, n), nullptr) << n;
#endif
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
