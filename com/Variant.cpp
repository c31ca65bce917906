// GUID text, BSTR, SAFEARRAY and VARIANT handling of the component core.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "com/Com.h"

namespace vexo::com {

const IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
const IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
const IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");
const IID IID_ITypeInfo = MakeGuid("{00020401-0000-0000-C000-000000000046}");
const IID IID_NULL{};

std::string GuidToString(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool GuidFromString(const std::string& t, GUID& out) {
    if (t.size() != 38 || t.front() != '{' || t.back() != '}') return false;
    static const int groups[] = {8, 4, 4, 4, 12};
    size_t pos = 1;
    uint8_t bytes[16];
    int n = 0;
    for (int gi = 0; gi < 5; ++gi) {
        if (gi > 0) {
            if (t[pos] != '-') return false;
            ++pos;
        }
        for (int k = 0; k < groups[gi]; k += 2) {
            unsigned v = 0;
            for (int h = 0; h < 2; ++h) {
                char c = t[pos++];
                unsigned d = c >= '0' && c <= '9'   ? unsigned(c - '0')
                             : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                             : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                                    : 16u;
                if (d > 15) return false;
                v = v * 16 + d;
            }
            bytes[n++] = uint8_t(v);
        }
    }
    if (pos != 37) return false;
    out.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    out.Data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    out.Data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    std::memcpy(out.Data4, bytes + 8, 8);
    return true;
}

GUID MakeGuid(const char* text) {
    GUID g;
    if (!GuidFromString(text, g)) throw std::invalid_argument(std::string("malformed GUID ") + text);
    return g;
}

// --- BSTR: a 32-bit byte length in front of the characters, 0-terminated.

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    auto* block = static_cast<char*>(std::malloc(sizeof(uint32_t) + (size_t(length) + 1) * sizeof(OLECHAR)));
    if (!block) return nullptr;
    const uint32_t bytes = length * uint32_t(sizeof(OLECHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* s = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
    if (text) std::memcpy(s, text, size_t(length) * sizeof(OLECHAR));
    else std::memset(s, 0, size_t(length) * sizeof(OLECHAR));
    s[length] = 0;
    return s;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    UINT n = 0;
    while (text[n]) ++n;
    return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR s) {
    if (s) std::free(reinterpret_cast<char*>(s) - sizeof(uint32_t));
}

UINT SysStringLen(BSTR s) {
    if (!s) return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(s) - sizeof(uint32_t), sizeof bytes);
    return bytes / sizeof(OLECHAR);
}

BSTR BstrFromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = text[i];
        uint32_t cp;
        int extra;
        if (c < 0x80) cp = c, extra = 0;
        else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, extra = 3;
        else cp = 0xFFFD, extra = 0;
        ++i;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                cp = 0xFFFD;
                break;
            }
            cp = cp << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp > 0x10FFFF ? 0xFFFD : cp);
        }
    }
    return SysAllocStringLen(out.data(), UINT(out.size()));
}

std::string Utf8FromBstr(BSTR s) {
    std::string out;
    const UINT n = SysStringLen(s);
    for (UINT i = 0; i < n; ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | cp >> 6);
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | cp >> 12);
            out += char(0x80 | (cp >> 6 & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | cp >> 18);
            out += char(0x80 | (cp >> 12 & 0x3F));
            out += char(0x80 | (cp >> 6 & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// --- SAFEARRAY of plain elements (bytes, integers, doubles).

namespace {
ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_UI1: return 1;
        case VT_I2: case VT_BOOL: return 2;
        case VT_I4: case VT_R4: return 4;
        case VT_R8: return 8;
        default: return 0;
    }
}
}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lower, ULONG count) {
    const ULONG size = ElementSize(vt);
    if (size == 0) return nullptr;
    auto* a = new (std::nothrow) SAFEARRAY;
    if (!a) return nullptr;
    a->cDims = 1;
    a->cbElements = size;
    a->vt = vt;
    a->rgsabound[0] = {count, lower};
    a->pvData = std::calloc(count ? count : 1, size);
    if (!a->pvData) {
        delete a;
        return nullptr;
    }
    return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY* a) {
    if (!a) return S_OK;
    std::free(a->pvData);
    delete a;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* a, UINT dim, int32_t* lower) {
    if (!a || !lower) return E_INVALIDARG;
    if (dim != 1 || a->cDims != 1) return DISP_E_BADINDEX;
    *lower = a->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* a, UINT dim, int32_t* upper) {
    if (!a || !upper) return E_INVALIDARG;
    if (dim != 1 || a->cDims != 1) return DISP_E_BADINDEX;
    *upper = int32_t(int64_t(a->rgsabound[0].lLbound) + a->rgsabound[0].cElements - 1);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* a, SAFEARRAY** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!a) return S_OK;
    SAFEARRAY* c = SafeArrayCreateVector(a->vt, a->rgsabound[0].lLbound, a->rgsabound[0].cElements);
    if (!c) return E_OUTOFMEMORY;
    std::memcpy(c->pvData, a->pvData, size_t(a->cbElements) * a->rgsabound[0].cElements);
    *out = c;
    return S_OK;
}

// --- VARIANT

void VariantInit(VARIANT* v) {
    v->vt = VT_EMPTY;
    v->reserved_ = 0;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) SafeArrayDestroy(v->parray);
        else if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
        else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) v->punkVal->Release();
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    VARIANT tmp = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            if (HRESULT hr = SafeArrayCopy(src->parray, &tmp.parray); Failed(hr)) return hr;
        } else if (src->vt == VT_BSTR && src->bstrVal) {
            tmp.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!tmp.bstrVal) return E_OUTOFMEMORY;
        } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    VariantClear(dest);
    *dest = tmp;
    return S_OK;
}

namespace {

// The value read through any number of references.
const VARIANT* Deref(const VARIANT* v, VARIANT& scratch) {
    if (!(v->vt & VT_BYREF)) return v;
    const VARTYPE base = v->vt & ~VT_BYREF;
    if (base == VT_VARIANT) return v->pvarVal ? Deref(v->pvarVal, scratch) : v;
    VariantInit(&scratch);
    scratch.vt = base;
    switch (base) {
        case VT_I2: scratch.iVal = *v->piVal; break;
        case VT_I4: scratch.lVal = *v->plVal; break;
        case VT_UI1: scratch.bVal = *v->pbVal; break;
        case VT_R4: scratch.fltVal = *v->pfltVal; break;
        case VT_R8: scratch.dblVal = *v->pdblVal; break;
        case VT_BOOL: scratch.boolVal = *v->pboolVal; break;
        case VT_ERROR: scratch.scode = *v->plVal; break;
        case VT_BSTR: scratch.bstrVal = *v->pbstrVal; break;
        case VT_DISPATCH: case VT_UNKNOWN: scratch.punkVal = *v->ppunkVal; break;
        default:
            if (base & VT_ARRAY) scratch.parray = *v->pparray;
            else return v;
    }
    return &scratch;
}

// A number held in the variant as a double (strings parsed); false for kinds
// that hold no number.
HRESULT AsNumber(const VARIANT* v, double& out) {
    switch (v->vt) {
        case VT_EMPTY: out = 0; return S_OK;
        case VT_I2: out = v->iVal; return S_OK;
        case VT_I4: out = v->lVal; return S_OK;
        case VT_UI1: out = v->bVal; return S_OK;
        case VT_R4: out = v->fltVal; return S_OK;
        case VT_R8: out = v->dblVal; return S_OK;
        case VT_BOOL: out = v->boolVal ? -1 : 0; return S_OK;
        case VT_BSTR: {
            std::string s = Utf8FromBstr(v->bstrVal);
            size_t b = s.find_first_not_of(" \t");
            size_t e = s.find_last_not_of(" \t");
            if (b == std::string::npos) return DISP_E_TYPEMISMATCH;
            s = s.substr(b, e - b + 1);
            if (s == "True" || s == "true" || s == "TRUE") return out = -1, S_OK;
            if (s == "False" || s == "false" || s == "FALSE") return out = 0, S_OK;
            char* end = nullptr;
            errno = 0;
            out = std::strtod(s.c_str(), &end);
            if (end != s.c_str() + s.size() || !std::isfinite(out)) return errno == ERANGE ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
            return S_OK;
        }
        default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT ToInteger(double d, double lo, double hi, double& out) {
    if (std::isnan(d)) return DISP_E_OVERFLOW;
    out = std::nearbyint(d);  // to nearest, ties to even
    if (out < lo || out > hi) return DISP_E_OVERFLOW;
    return S_OK;
}

std::string FormatNumber(const VARIANT* v) {
    char buf[40];
    switch (v->vt) {
        case VT_BOOL: return v->boolVal ? "True" : "False";
        case VT_R4: std::snprintf(buf, sizeof buf, "%.7g", double(v->fltVal)); return buf;
        case VT_R8: std::snprintf(buf, sizeof buf, "%.15g", v->dblVal); return buf;
        default: {
            double d = 0;
            AsNumber(v, d);
            std::snprintf(buf, sizeof buf, "%.0f", d);
            return buf;
        }
    }
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    VARIANT scratch;
    const VARIANT* v = Deref(src, scratch);
    VARIANT out;
    VariantInit(&out);
    out.vt = vt;
    if (vt == VT_BSTR) {
        if (v->vt == VT_BSTR) out.bstrVal = SysAllocStringLen(v->bstrVal, SysStringLen(v->bstrVal));
        else if (v->vt == VT_EMPTY) out.bstrVal = SysAllocStringLen(u"", 0);
        else if (double d; Succeeded(AsNumber(v, d))) out.bstrVal = BstrFromUtf8(FormatNumber(v));
        else return DISP_E_TYPEMISMATCH;
        if (!out.bstrVal) return E_OUTOFMEMORY;
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) {
            out.punkVal = v->punkVal;
            if (out.punkVal) out.punkVal->AddRef();
        } else if (v->vt == VT_EMPTY) {
            out.punkVal = nullptr;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
    } else {
        double d = 0, r = 0;
        if (HRESULT hr = AsNumber(v, d); Failed(hr)) return hr;
        HRESULT hr = S_OK;
        switch (vt) {
            case VT_I2: hr = ToInteger(d, -32768, 32767, r), out.iVal = int16_t(r); break;
            case VT_I4: hr = ToInteger(d, -2147483648.0, 2147483647.0, r), out.lVal = int32_t(r); break;
            case VT_UI1: hr = ToInteger(d, 0, 255, r), out.bVal = uint8_t(r); break;
            case VT_BOOL: out.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
            case VT_R8: out.dblVal = d; break;
            case VT_R4:
                if (std::fabs(d) > std::numeric_limits<float>::max()) hr = DISP_E_OVERFLOW;
                out.fltVal = float(d);
                break;
            default: return DISP_E_BADVARTYPE;
        }
        if (Failed(hr)) return hr;
    }
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

VARIANT MakeI4(int32_t v) { VARIANT r; r.vt = VT_I4; r.lVal = v; return r; }
VARIANT MakeI2(int16_t v) { VARIANT r; r.vt = VT_I2; r.iVal = v; return r; }
VARIANT MakeR8(double v) { VARIANT r; r.vt = VT_R8; r.dblVal = v; return r; }
VARIANT MakeBool(bool v) { VARIANT r; r.vt = VT_BOOL; r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
VARIANT MakeBstr(const std::string& utf8) { VARIANT r; r.vt = VT_BSTR; r.bstrVal = BstrFromUtf8(utf8); return r; }
VARIANT MakeByRef(VARTYPE vt, void* target) {
    VARIANT r;
    r.vt = VARTYPE(vt | VT_BYREF);
    r.pvarVal = static_cast<VARIANT*>(target);  // every by-reference member shares this slot
    return r;
}

void ClearExcepInfo(EXCEPINFO* e) {
    if (!e) return;
    SysFreeString(e->bstrSource);
    SysFreeString(e->bstrDescription);
    SysFreeString(e->bstrHelpFile);
    *e = EXCEPINFO{};
}

int32_t ErrorNumberFromHresult(HRESULT hr, const EXCEPINFO* e) {
    if (hr == DISP_E_EXCEPTION && e) hr = e->scode ? e->scode : HresultFromErrorNumber(e->wCode);
    if ((uint32_t(hr) & 0xFFFF0000u) == 0x800A0000u) return int32_t(uint32_t(hr) & 0xFFFF);
    switch (hr) {
        case DISP_E_OVERFLOW: return 6;
        case DISP_E_TYPEMISMATCH: return 13;
        case DISP_E_PARAMNOTOPTIONAL: return 449;
        case DISP_E_BADPARAMCOUNT: return 450;
        case DISP_E_MEMBERNOTFOUND: case DISP_E_UNKNOWNNAME: return 438;
        default: return hr;
    }
}

}  // namespace vexo::com
