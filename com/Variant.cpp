// GUID text, UTF-8 strings, argument helpers and error numbers of the
// automation layer, the same over either component object model.
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "com/Com.h"

namespace vexo::com {

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

BSTR BstrFromUtf8(const std::string& text) {
    std::basic_string<OLECHAR> out;  // char16_t here, wchar_t on Windows: both UTF-16
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
            out += OLECHAR(0xD800 + (cp >> 10));
            out += OLECHAR(0xDC00 + (cp & 0x3FF));
        } else {
            out += OLECHAR(cp > 0x10FFFF ? 0xFFFD : cp);
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

namespace {
// The system's VARIANT has no constructor: every helper starts from an empty one.
VARIANT Of(VARTYPE vt) {
    VARIANT r;
    VariantInit(&r);
    r.vt = vt;
    return r;
}
}  // namespace

VARIANT MakeI4(int32_t v) { VARIANT r = Of(VT_I4); r.lVal = v; return r; }
VARIANT MakeI2(int16_t v) { VARIANT r = Of(VT_I2); r.iVal = v; return r; }
VARIANT MakeR8(double v) { VARIANT r = Of(VT_R8); r.dblVal = v; return r; }
VARIANT MakeBool(bool v) { VARIANT r = Of(VT_BOOL); r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
VARIANT MakeBstr(const std::string& utf8) { VARIANT r = Of(VT_BSTR); r.bstrVal = BstrFromUtf8(utf8); return r; }
VARIANT MakeByRef(VARTYPE vt, void* target) {
    VARIANT r = Of(VARTYPE(vt | VT_BYREF));
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
