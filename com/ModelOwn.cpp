// Our own component object model on Linux: interface identifiers, BSTR,
// SAFEARRAY and VARIANT with the conversions of VariantChangeType.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "com/Com.h"
#include "com/DateParse.h"

namespace vexo::com {

const IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
const IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
const IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");
const IID IID_NULL{};

// --- BSTR: a 32-bit byte length in front of the characters, 0-terminated.

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length > kMaxBstrLength) return nullptr;
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

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower, ULONG count) {
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

HRESULT SafeArrayGetLBound(SAFEARRAY* a, UINT dim, LONG* lower) {
    if (!a || !lower) return E_INVALIDARG;
    if (dim != 1 || a->cDims != 1) return DISP_E_BADINDEX;
    *lower = a->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* a, UINT dim, LONG* upper) {
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

void VariantInit(VARIANT* v) { std::memset(static_cast<void*>(v), 0, sizeof *v); }

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

// The value a variant holds, read through a typed reference.
bool ReadRef(const VARIANT* v, VARIANT& out) {
    const VARTYPE base = v->vt & ~VT_BYREF;
    VariantInit(&out);
    out.vt = base;
    switch (base) {
        case VT_I1: out.cVal = *v->pcVal; break;
        case VT_I2: out.iVal = *v->piVal; break;
        case VT_I4: case VT_INT: out.lVal = *v->plVal; break;
        case VT_I8: out.llVal = *v->pllVal; break;
        case VT_UI1: out.bVal = *v->pbVal; break;
        case VT_UI2: out.uiVal = *v->puiVal; break;
        case VT_UI4: case VT_UINT: out.ulVal = *v->pulVal; break;
        case VT_UI8: out.ullVal = *v->pullVal; break;
        case VT_R4: out.fltVal = *v->pfltVal; break;
        case VT_R8: case VT_DATE: out.dblVal = *v->pdblVal; break;
        case VT_CY: out.cyVal = *v->pcyVal; break;
        case VT_DECIMAL: out.decVal = *v->pdecVal, out.vt = VT_DECIMAL; break;
        case VT_BOOL: out.boolVal = *v->pboolVal; break;
        case VT_ERROR: out.scode = *v->pscode; break;
        case VT_BSTR: out.bstrVal = *v->pbstrVal; break;
        case VT_DISPATCH: case VT_UNKNOWN: out.punkVal = *v->ppunkVal; break;
        default:
            if (!(base & VT_ARRAY)) return false;
            out.parray = *v->pparray;
    }
    return true;
}

// A type a variant can have: a known kind by value, by reference or as an
// array of it. There is no reference to or array of nothing, and a VARIANT
// is only ever referred to or held in an array.
bool ValidVarType(VARTYPE vt) {
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (base == 15 || base > VT_UINT) return false;
    if (base == VT_EMPTY || base == VT_NULL) return vt == base;
    return base != VT_VARIANT || vt != VT_VARIANT;
}

// The value behind `src`: itself, read through a typed reference, or through
// one VARIANT reference (which may hold a typed one). A chain of VARIANT
// references is refused, as the system refuses it.
HRESULT Deref(const VARIANT* src, VARIANT& scratch, const VARIANT*& out) {
    const VARIANT* v = src;
    if (!ValidVarType(v->vt)) return DISP_E_BADVARTYPE;
    if (v->vt == (VT_BYREF | VT_VARIANT)) {
        if (!v->pvarVal || v->pvarVal->vt == (VT_BYREF | VT_VARIANT)) return E_INVALIDARG;
        v = v->pvarVal;
        if (!ValidVarType(v->vt)) return DISP_E_BADVARTYPE;
    }
    out = v;
    if (!(v->vt & VT_BYREF)) return S_OK;
    if (!v->pvarVal) return E_INVALIDARG;  // a reference to nothing
    if (!ReadRef(v, scratch)) return DISP_E_TYPEMISMATCH;
    out = &scratch;
    return S_OK;
}

using i128 = __int128;

i128 Pow10(int n) {
    i128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// A number on its way between kinds: exact (m / 10^scale) or a double.
struct Num {
    bool real = false;
    double d = 0;
    i128 m = 0;
    int scale = 0;   // 0..38
    bool bits = false;  // from "&H" / "&O": m is a bit pattern
};

bool EqualsNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// The number forms a script writes: spaces around, a sign before or after,
// parentheses for negative, a currency sign, thousands separators, a decimal
// point, an exponent (E or D), "&H" hexadecimal and "&O" octal.
HRESULT ParseNumber(const std::string& text, Num& n) {
    const char* space = " \t\r\n";
    const size_t b = text.find_first_not_of(space);
    if (b == std::string::npos) return DISP_E_TYPEMISMATCH;
    const std::string s = text.substr(b, text.find_last_not_of(space) - b + 1);
    if (EqualsNoCase(s, "true")) return n.m = -1, S_OK;
    if (EqualsNoCase(s, "false")) return n.m = 0, S_OK;
    size_t i = 0;
    auto skip = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    bool neg = false, sign = false, parens = false;
    if (s[i] == '(') parens = true, ++i, skip();
    for (int k = 0; k < 2 && i < s.size(); ++k) {
        if (!sign && (s[i] == '+' || s[i] == '-')) sign = true, neg = s[i] == '-', ++i, skip();
        else if (s[i] == '$') ++i, skip();
    }
    if (i + 1 < s.size() && s[i] == '&') {
        const char base = char(std::toupper(static_cast<unsigned char>(s[i + 1])));
        const unsigned radix = base == 'H' ? 16 : base == 'O' ? 8 : 0;
        if (!radix) return DISP_E_TYPEMISMATCH;
        i += 2;
        unsigned __int128 v = 0;
        size_t digits = 0;
        for (; i < s.size(); ++i, ++digits) {
            const char c = char(std::toupper(static_cast<unsigned char>(s[i])));
            const unsigned d = c >= '0' && c <= '9' ? unsigned(c - '0') : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10) : 99;
            if (d >= radix) break;
            v = v * radix + d;
            if (v > 0xFFFFFFFFFFFFFFFFull) return DISP_E_OVERFLOW;
        }
        if (digits == 0 || (parens && (i >= s.size() || s[i++] != ')')) || i != s.size()) return DISP_E_TYPEMISMATCH;
        n.m = neg || parens ? -i128(v) : i128(v);
        n.bits = !(neg || parens);
        return S_OK;
    }
    std::string digits;  // the mantissa's digits, leading zeros dropped
    int frac = 0;
    bool any = false, point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            any = true;
            if (!(digits.empty() && c == '0')) digits += c;
            if (point) ++frac;
        } else if (c == ',' && any && !point) {
            continue;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return DISP_E_TYPEMISMATCH;
    long exp = 0;
    if (i < s.size() && std::strchr("eEdD", s[i])) {
        ++i;
        bool eneg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
        if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return DISP_E_TYPEMISMATCH;
        for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) exp = std::min(exp * 10 + (s[i] - '0'), 100000L);
        if (eneg) exp = -exp;
    }
    skip();
    if (!sign && i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-', skip();
    if (parens) {
        if (i >= s.size() || s[i] != ')' || sign) return DISP_E_TYPEMISMATCH;
        ++i, neg = true;
    }
    if (i != s.size()) return DISP_E_TYPEMISMATCH;
    const long scale = long(frac) - exp;
    if (digits.empty()) return n.m = 0, S_OK;
    if (digits.size() <= 36 && scale >= 0 && scale <= 38) {
        for (char c : digits) n.m = n.m * 10 + (c - '0');
        n.scale = int(scale);
    } else if (digits.size() + size_t(std::max(0L, -scale)) <= 36 && scale < 0) {
        for (char c : digits) n.m = n.m * 10 + (c - '0');
        n.m *= Pow10(int(-scale));
    } else {
        n.real = true;
        n.d = std::strtod((digits + "e" + std::to_string(-scale)).c_str(), nullptr);
        if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
        if (neg) n.d = -n.d;
        return S_OK;
    }
    if (neg) n.m = -n.m;
    return S_OK;
}

HRESULT ToNum(const VARIANT* v, Num& n) {
    switch (v->vt) {
        case VT_EMPTY: return S_OK;
        case VT_I1: n.m = v->cVal; return S_OK;
        case VT_I2: n.m = v->iVal; return S_OK;
        case VT_I4: case VT_INT: n.m = v->lVal; return S_OK;
        case VT_I8: n.m = v->llVal; return S_OK;
        case VT_UI1: n.m = v->bVal; return S_OK;
        case VT_UI2: n.m = v->uiVal; return S_OK;
        case VT_UI4: case VT_UINT: n.m = v->ulVal; return S_OK;
        case VT_UI8: n.m = v->ullVal; return S_OK;
        case VT_BOOL: n.m = v->boolVal; return S_OK;  // its 16 bits as they are, True -1
        case VT_R4: n.real = true, n.d = v->fltVal; return S_OK;
        case VT_R8: case VT_DATE: n.real = true, n.d = v->dblVal; return S_OK;
        case VT_CY: n.m = v->cyVal.int64, n.scale = 4; return S_OK;
        case VT_DECIMAL:
            if (v->decVal.scale > 28 || (v->decVal.sign & ~DECIMAL_NEG)) return E_INVALIDARG;
            n.m = i128(v->decVal.Hi32) << 64 | v->decVal.Lo64;
            if (v->decVal.sign) n.m = -n.m;
            n.scale = v->decVal.scale;
            return S_OK;
        case VT_BSTR: return ParseNumber(Utf8FromBstr(v->bstrVal), n);
        default: return DISP_E_TYPEMISMATCH;
    }
}

// m / 10^by, rounded half to even.
i128 DivRound(i128 m, int by) {
    if (by <= 0) return m;
    const i128 p = Pow10(by), q = m / p, rem = m % p;
    const i128 twice = 2 * (rem < 0 ? -rem : rem);
    if (twice > p || (twice == p && (q & 1))) return q + (m < 0 ? -1 : 1);
    return q;
}

// The nearest integer, ties to even; false when beyond every integer kind.
bool Integer(const Num& n, i128& out) {
    if (n.real) {
        if (!std::isfinite(n.d) || std::fabs(n.d) >= 3.6893488147419103e19) return false;
        out = i128(std::nearbyint(n.d));
        return true;
    }
    out = DivRound(n.m, n.scale);
    return true;
}

double Real(const Num& n) {
    if (n.real) return n.d;
    return double(static_cast<long double>(n.m) / std::pow(10.0L, n.scale));
}

// A hexadecimal or octal number read as a signed value: the bits of the
// narrowest of 16, 32 and 64 bits that hold them, as a script's literal reads.
Num SignedBits(Num n) {
    if (!n.bits) return n;
    const auto u = uint64_t(n.m);
    n.m = u <= 0xFFFF ? i128(int16_t(u)) : u <= 0xFFFFFFFF ? i128(int32_t(u)) : i128(int64_t(u));
    n.bits = false;
    return n;
}

std::string IntText(i128 v) {
    if (v == 0) return "0";
    std::string s;
    const bool neg = v < 0;
    for (; v != 0; v /= 10) s += char('0' + int(neg ? -(v % 10) : v % 10));
    if (neg) s += '-';
    return {s.rbegin(), s.rend()};
}

// m / 10^scale written out, trailing zeros of the fraction dropped.
std::string ScaledText(i128 m, int scale) {
    std::string digits = IntText(m < 0 ? -m : m);
    if (scale > 0) {
        if (int(digits.size()) <= scale) digits.insert(0, size_t(scale + 1 - int(digits.size())), '0');
        digits.insert(digits.size() - size_t(scale), ".");
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.back() == '.') digits.pop_back();
    }
    return (m < 0 ? "-" : "") + digits;
}

// A date as the system writes it by default: "M/D/YYYY h:mm:ss AM", the
// date alone at midnight, the time alone on day 0.
std::string DateText(double d) {
    long long day = static_cast<long long>(d);  // toward zero; the fraction is the time either side of 0
    long long secs = std::llround(std::fabs(d - double(day)) * 86400.0);
    if (secs >= 86400) secs -= 86400, day += d < 0 ? -1 : 1;
    // Days since 1 March of year 0 (proleptic Gregorian), from day 0 = 30 December 1899.
    long long z = day - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long dd = doy - (153 * mp + 2) / 5 + 1;
    const long long mm = mp < 10 ? mp + 3 : mp - 9;
    const long long yy = yoe + era * 400 + (mm <= 2);
    char date[64], time[64];
    std::snprintf(date, sizeof date, "%lld/%lld/%lld", mm, dd, yy);
    const long long h = secs / 3600;
    std::snprintf(time, sizeof time, "%lld:%02lld:%02lld %s", h % 12 == 0 ? 12 : h % 12, secs / 60 % 60, secs % 60,
                  h < 12 ? "AM" : "PM");
    if (day == 0 && secs != 0) return time;
    if (secs == 0) return date;
    return std::string(date) + " " + time;
}

HRESULT ToText(const VARIANT* v, BSTR& out) {
    char buf[64];
    std::string s;
    switch (v->vt) {
        case VT_EMPTY: out = SysAllocStringLen(u"", 0); return out ? S_OK : E_OUTOFMEMORY;
        case VT_BSTR: out = SysAllocStringLen(v->bstrVal, SysStringLen(v->bstrVal)); return out ? S_OK : E_OUTOFMEMORY;
        case VT_BOOL: s = v->boolVal ? "True" : "False"; break;
        case VT_R4: std::snprintf(buf, sizeof buf, "%.7G", double(v->fltVal)), s = buf; break;
        case VT_R8: std::snprintf(buf, sizeof buf, "%.15G", v->dblVal), s = buf; break;
        case VT_DATE:
            if (!(v->date > -657435.0 && v->date < 2958466.0)) return E_INVALIDARG;  // no calendar date
            s = DateText(v->date);
            break;
        default: {
            Num n;
            if (HRESULT hr = ToNum(v, n); Failed(hr)) return hr;
            s = ScaledText(n.m, n.scale);
        }
    }
    out = BstrFromUtf8(s);
    return out ? S_OK : E_OUTOFMEMORY;
}

// Into a decimal: at most 28 places and 96 bits, places given up (rounding
// half to even) before the value overflows.
HRESULT ToDecimal(const Num& in, DECIMAL& out) {
    Num n = in;
    if (n.real) {
        if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15G", n.d);  // the 15 digits a double holds
        n = Num{};
        if (HRESULT hr = ParseNumber(buf, n); Failed(hr) || n.real) return DISP_E_OVERFLOW;
    }
    const i128 limit = i128(1) << 96;
    while (n.scale > 28 || (n.scale > 0 && (n.m >= limit || n.m <= -limit))) n.m = DivRound(n.m, 1), --n.scale;
    if (n.m >= limit || n.m <= -limit) return DISP_E_OVERFLOW;
    const i128 mag = n.m < 0 ? -n.m : n.m;
    out.scale = uint8_t(n.scale);
    out.sign = n.m < 0 ? DECIMAL_NEG : 0;
    out.Hi32 = uint32_t(mag >> 64);
    out.Lo64 = uint64_t(mag);
    return S_OK;
}

struct IntRange {
    VARTYPE vt;
    i128 lo, hi;
    int bits;
    bool isSigned;
};
const IntRange* RangeOf(VARTYPE vt) {
    static const IntRange ranges[] = {
        {VT_I1, -128, 127, 8, true},
        {VT_I2, -32768, 32767, 16, true},
        {VT_I4, INT32_MIN, INT32_MAX, 32, true},
        {VT_INT, INT32_MIN, INT32_MAX, 32, true},
        {VT_I8, INT64_MIN, INT64_MAX, 64, true},
        {VT_UI1, 0, 255, 8, false},
        {VT_UI2, 0, 65535, 16, false},
        {VT_UI4, 0, UINT32_MAX, 32, false},
        {VT_UINT, 0, UINT32_MAX, 32, false},
        {VT_UI8, 0, i128(UINT64_MAX), 64, false},
    };
    for (const auto& r : ranges)
        if (r.vt == vt) return &r;
    return nullptr;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, uint16_t, VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    VARIANT scratch;
    const VARIANT* v = nullptr;
    if (HRESULT hr = Deref(src, scratch, v); Failed(hr)) return hr;
    VARIANT out;
    out.vt = vt;
    if (vt == VT_BSTR) {
        if (HRESULT hr = ToText(v, out.bstrVal); Failed(hr)) return hr;
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) {
            out.punkVal = v->punkVal;
            if (out.punkVal) out.punkVal->AddRef();
        } else if (v->vt != VT_EMPTY) {
            return DISP_E_TYPEMISMATCH;
        }
    } else if (const IntRange* r = RangeOf(vt)) {
        Num n;
        if (HRESULT hr = ToNum(v, n); Failed(hr)) return hr;
        i128 x = 0;
        if (n.bits && n.m <= (i128(1) << r->bits) - 1) {
            // The bits of a hexadecimal or octal number fill the kind as they are.
            x = n.m;
            if (r->isSigned && r->bits < 64 && x > r->hi) x -= i128(1) << r->bits;
            if (r->isSigned && r->bits == 64) x = int64_t(uint64_t(x));
        } else if (!Integer(n, x) || x < r->lo || x > r->hi) {
            return DISP_E_OVERFLOW;
        }
        switch (vt) {
            case VT_I1: out.cVal = int8_t(x); break;
            case VT_I2: out.iVal = int16_t(x); break;
            case VT_I4: case VT_INT: out.lVal = int32_t(x); break;
            case VT_I8: out.llVal = int64_t(x); break;
            case VT_UI1: out.bVal = uint8_t(x); break;
            case VT_UI2: out.uiVal = uint16_t(x); break;
            case VT_UI4: case VT_UINT: out.ulVal = uint32_t(x); break;
            default: out.ullVal = uint64_t(x);
        }
    } else {
        Num n;
        HRESULT hr = ToNum(v, n);
        // Text that is no number may still be a date ("2026-12-08 10:30").
        if (hr == DISP_E_TYPEMISMATCH && vt == VT_DATE && v->vt == VT_BSTR) {
            n = Num{};
            n.real = true;
            hr = DateFromText(Utf8FromBstr(v->bstrVal), n.d);
        }
        if (Failed(hr)) return hr;
        n = SignedBits(n);
        switch (vt) {
            case VT_BOOL: out.boolVal = (n.real ? n.d != 0 : n.m != 0) ? VARIANT_TRUE : VARIANT_FALSE; break;
            case VT_R8: out.dblVal = Real(n); break;
            case VT_R4: {
                const double d = Real(n);
                if (std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
                out.fltVal = float(d);
                break;
            }
            case VT_DATE: {
                const double d = Real(n);
                if (!(d > -657435.0 && d < 2958466.0)) return DISP_E_OVERFLOW;
                out.date = d;
                break;
            }
            case VT_CY: {
                i128 c = 0;
                if (n.real) {
                    const double t = std::nearbyint(n.d * 10000.0);
                    if (!std::isfinite(t) || std::fabs(t) >= 9.2233720368547758e18) return DISP_E_OVERFLOW;
                    c = i128(t);
                } else if (n.scale <= 4) {
                    if (n.m > Pow10(30) || n.m < -Pow10(30)) return DISP_E_OVERFLOW;
                    c = n.m * Pow10(4 - n.scale);
                } else {
                    c = DivRound(n.m, n.scale - 4);
                }
                if (c < INT64_MIN || c > INT64_MAX) return DISP_E_OVERFLOW;
                out.cyVal.int64 = int64_t(c);
                break;
            }
            case VT_DECIMAL: {
                DECIMAL d{};
                if (HRESULT hr = ToDecimal(n, d); Failed(hr)) return hr;
                out.decVal = d;
                out.vt = VT_DECIMAL;
                break;
            }
            default: return DISP_E_BADVARTYPE;
        }
    }
    VariantClear(dest);
    *dest = out;
    return S_OK;
}

void ResetExcepInfo(EXCEPINFO* e) { ClearExcepInfo(e); }

void PublishErrorInfo(const IID&, const std::string&, const std::string&) {}
void ClearErrorInfo() {}
bool QueryErrorInfoSupport(IUnknown*, const IID&, const IID&, void**) { return false; }

}  // namespace vexo::com
