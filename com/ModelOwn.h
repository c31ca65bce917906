// The component object model of our own, for Linux: the shapes of IUnknown,
// IDispatch and IClassFactory, GUIDs, HRESULTs, and the automation values
// (BSTR, SAFEARRAY, VARIANT) with their conversions. Names and layouts follow
// the standard model, so the code over it builds against the system's model
// on Windows (com/ModelWindows.h) unchanged. Included through com/Com.h,
// which defines Hr first.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// Methods and entry points carry the system's calling convention on Windows;
// here there is only one.
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE

namespace vexo::com {

using HRESULT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using UINT = uint32_t;
using WORD = uint16_t;
using DISPID = int32_t;
using MEMBERID = int32_t;
using LCID = uint32_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR*;  // length-prefixed UTF-16, as SysAllocString makes it

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_UNEXPECTED = Hr(0x8000FFFF);
inline constexpr HRESULT E_NOTIMPL = Hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = Hr(0x80004002);
inline constexpr HRESULT E_POINTER = Hr(0x80004003);
inline constexpr HRESULT E_FAIL = Hr(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = Hr(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Hr(0x80070057);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = Hr(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = Hr(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = Hr(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = Hr(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = Hr(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = Hr(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = Hr(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = Hr(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = Hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = Hr(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = Hr(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = Hr(0x8002000F);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = Hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = Hr(0x80040111);
inline constexpr HRESULT REGDB_E_INVALIDVALUE = Hr(0x80040153);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = Hr(0x80040154);
inline constexpr HRESULT REGDB_E_WRITEREGDB = Hr(0x80040151);
inline constexpr HRESULT SELFREG_E_CLASS = Hr(0x80040201);
inline constexpr HRESULT CO_E_CLASSSTRING = Hr(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = Hr(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = Hr(0x800401F9);

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
    bool operator==(const GUID&) const = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;


struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

// Type information is not offered here: objects answer GetTypeInfoCount with 0
// and GetTypeInfo with E_NOTIMPL, so the type stays opaque. A client that
// needs the description in process uses DescriptionOf (com/Automation.h).
struct ITypeInfo;

// --- Automation values ----------------------------------------------------

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Currency: a 64-bit integer of ten-thousandths.
struct CY {
    int64_t int64;
};
// Days since 30 December 1899, the fraction the time of day.
using DATE = double;
// A 96-bit integer scaled down by a power of ten (0..28); the sign apart.
struct DECIMAL {
    uint16_t wReserved;  // the variant's type when the decimal fills a VARIANT
    uint8_t scale;
    uint8_t sign;        // DECIMAL_NEG or 0
    uint32_t Hi32;
    uint64_t Lo64;
};
inline constexpr uint8_t DECIMAL_NEG = 0x80;

// A string holds at most kMaxBstrLength characters (256 MB); a longer one
// is not made (null, as for no memory), so its byte count always fits the
// 32-bit prefix.
inline constexpr UINT kMaxBstrLength = (UINT(256) << 20) / sizeof(OLECHAR);
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR s);
UINT SysStringLen(BSTR s);
struct SAFEARRAYBOUND {
    ULONG cElements = 0;
    LONG lLbound = 0;
};
// One-dimensional arrays only, which is all the interfaces pass.
struct SAFEARRAY {
    uint16_t cDims = 0;
    uint16_t fFeatures = 0;
    ULONG cbElements = 0;
    ULONG cLocks = 0;
    void* pvData = nullptr;
    SAFEARRAYBOUND rgsabound[1];
    VARTYPE vt = VT_EMPTY;  // element type
};
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower, ULONG count);
HRESULT SafeArrayDestroy(SAFEARRAY* a);
HRESULT SafeArrayGetLBound(SAFEARRAY* a, UINT dim, LONG* lower);
HRESULT SafeArrayGetUBound(SAFEARRAY* a, UINT dim, LONG* upper);
HRESULT SafeArrayCopy(SAFEARRAY* a, SAFEARRAY** out);

struct IDispatch;

// A decimal fills the whole variant, its first field sharing the type's place.
struct VARIANT {
    VARIANT() { std::memset(static_cast<void*>(this), 0, sizeof *this); }
    union {
        struct {
            VARTYPE vt;
            uint16_t wReserved1, wReserved2, wReserved3;
            union {
                int8_t cVal;
                int16_t iVal;
                int32_t lVal;
                int64_t llVal;
                uint8_t bVal;
                uint16_t uiVal;
                uint32_t ulVal;
                uint64_t ullVal;
                int32_t intVal;
                uint32_t uintVal;
                float fltVal;
                double dblVal;
                DATE date;
                CY cyVal;
                VARIANT_BOOL boolVal;
                HRESULT scode;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                SAFEARRAY* parray;
                int8_t* pcVal;
                int16_t* piVal;
                int32_t* plVal;
                int64_t* pllVal;
                uint8_t* pbVal;
                uint16_t* puiVal;
                uint32_t* pulVal;
                uint64_t* pullVal;
                int32_t* pintVal;
                uint32_t* puintVal;
                float* pfltVal;
                double* pdblVal;
                DATE* pdate;
                CY* pcyVal;
                DECIMAL* pdecVal;
                VARIANT_BOOL* pboolVal;
                HRESULT* pscode;
                BSTR* pbstrVal;
                IUnknown** ppunkVal;
                IDispatch** ppdispVal;
                SAFEARRAY** pparray;
                VARIANT* pvarVal;
            };
        };
        DECIMAL decVal;
    };
};
static_assert(sizeof(DECIMAL) == 16 && sizeof(VARIANT) == 16, "a decimal fills the variant exactly");
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* v);
// Frees what the variant owns (strings, arrays, object references) and
// leaves it empty; by-reference variants own nothing.
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts `src` to `vt`, one of the scalar kinds (numbers of every size,
// currency, date, decimal, Boolean, string) or VT_DISPATCH / VT_UNKNOWN, by
// the system's rules: a reference is read through (one VARIANT reference,
// which may hold a typed one; a deeper chain is E_INVALIDARG), numbers round
// half to even, a value out of range gives DISP_E_OVERFLOW and a string that
// holds no number DISP_E_TYPEMISMATCH. Strings take the automation forms:
// spaces around, signs, "&H" and "&O" numbers, thousands separators, an
// exponent, "True" / "False". Booleans become 0 / -1. A source whose type
// no variant can have (an unused code, a reference to VT_EMPTY, a VARIANT
// by value) gives DISP_E_BADVARTYPE.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t flags, VARTYPE vt);

// --- IDispatch -------------------------------------------------------------

struct DISPPARAMS {
    VARIANTARG* rgvarg = nullptr;  // arguments in reverse order
    DISPID* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

struct EXCEPINFO {
    WORD wCode = 0;
    WORD wReserved = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    ULONG dwHelpContext = 0;
    void* pvReserved = nullptr;
    void* pfnDeferredFillIn = nullptr;
    HRESULT scode = 0;
};
inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr DISPID DISPID_UNKNOWN = -1;

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, UINT cNames, LCID lcid,
                                                    DISPID* rgDispId) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(int32_t fLock) = 0;

protected:
    ~IClassFactory() = default;
};

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;
extern const IID IID_NULL;

}  // namespace vexo::com
