// The ANSI code page and conversions to and from it, with glibc's iconv.
// Characters go through one at a time, so that each one the code page cannot
// hold is replaced on its own and the rest survive.
#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/display/text/Text.h"

namespace vexo::plat {

namespace {

struct Converter {
    int32_t codePage = 0;
    iconv_t toAnsi = iconv_t(-1);    // UTF-32LE -> code page
    iconv_t fromAnsi = iconv_t(-1);  // code page -> UTF-32LE
};

std::mutex g_mutex;

std::string IconvName(int32_t cp) { return "CP" + std::to_string(cp); }

bool Open(Converter& c, int32_t cp) {
    const std::string name = IconvName(cp);
    iconv_t to = iconv_open(name.c_str(), "UTF-32LE");
    if (to == iconv_t(-1)) return false;
    iconv_t from = iconv_open("UTF-32LE", name.c_str());
    if (from == iconv_t(-1)) {
        iconv_close(to);
        return false;
    }
    if (c.toAnsi != iconv_t(-1)) iconv_close(c.toAnsi);
    if (c.fromAnsi != iconv_t(-1)) iconv_close(c.fromAnsi);
    c = {cp, to, from};
    return true;
}

// The language of the locale, as LC_ALL, LC_CTYPE and LANG name it.
std::string LocaleLanguage() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return "C";
}

bool StartsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

Converter& Current() {
    static Converter c = [] {
        Converter n;
        if (!Open(n, LocaleCodePage())) Open(n, 1252);
        return n;
    }();
    return c;
}

// Double-byte code pages: bytes that start a two-byte character.
bool IsLead(int32_t cp, uint8_t b) {
    switch (cp) {
        case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950: return b >= 0x81 && b <= 0xFE;
        default: return false;
    }
}

// One code point to the code page; false when it has no such character.
bool EncodeOne(iconv_t cd, char32_t cp, std::string& out) {
    uint8_t in[4] = {uint8_t(cp), uint8_t(cp >> 8), uint8_t(cp >> 16), uint8_t(cp >> 24)};
    char buf[16];
    char* ip = reinterpret_cast<char*>(in);
    size_t il = 4;
    char* op = buf;
    size_t ol = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
    // Flush any shift state (none for these code pages).
    iconv(cd, nullptr, nullptr, &op, &ol);
    out.append(buf, size_t(op - buf));
    return true;
}

// One character's bytes to a code point; false when they are none.
bool DecodeOne(iconv_t cd, const char* bytes, size_t n, char32_t& cp) {
    uint8_t buf[16];
    char* ip = const_cast<char*>(bytes);
    size_t il = n;
    char* op = reinterpret_cast<char*>(buf);
    size_t ol = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return false;
    if (size_t(reinterpret_cast<uint8_t*>(op) - buf) != 4) return false;
    cp = char32_t(buf[0]) | char32_t(buf[1]) << 8 | char32_t(buf[2]) << 16 | char32_t(buf[3]) << 24;
    return true;
}

// The next code point of UTF-8 text; false (and `len` 1) for an invalid byte.
bool NextUtf8(std::string_view s, size_t i, char32_t& cp, size_t& len) {
    const uint8_t b = uint8_t(s[i]);
    len = 1;
    if (b < 0x80) {
        cp = b;
        return true;
    }
    size_t n;
    char32_t min;
    if ((b & 0xE0) == 0xC0) n = 2, cp = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0) n = 3, cp = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0) n = 4, cp = b & 0x07, min = 0x10000;
    else return false;
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
        const uint8_t c = uint8_t(s[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    len = n;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

int32_t LocaleCodePage() {
    const std::string l = LocaleLanguage();
    struct Lang {
        const char* prefix;
        int32_t cp;
    };
    // The Windows ANSI code page of each language; more specific first.
    static const Lang kLangs[] = {
        {"ja", 932},   {"zh_TW", 950}, {"zh_HK", 950}, {"zh", 936},   {"ko", 949},   {"th", 874},
        {"ru", 1251},  {"uk", 1251},   {"be", 1251},   {"bg", 1251},  {"mk", 1251},  {"sr", 1251},
        {"pl", 1250},  {"cs", 1250},   {"sk", 1250},   {"hu", 1250},  {"sl", 1250},  {"hr", 1250},
        {"ro", 1250},  {"el", 1253},   {"tr", 1254},   {"he", 1255},  {"ar", 1256},  {"fa", 1256},
        {"lt", 1257},  {"lv", 1257},   {"et", 1257},   {"vi", 1258},
    };
    for (const Lang& g : kLangs)
        if (StartsWith(l, g.prefix)) return g.cp;
    return 1252;
}

int32_t AnsiCodePage() {
    std::lock_guard lock(g_mutex);
    return Current().codePage;
}

bool SetAnsiCodePage(int32_t codePage) {
    std::lock_guard lock(g_mutex);
    if (codePage == Current().codePage) return true;
    return codePage > 0 && Open(Current(), codePage);
}

std::string ToAnsi(std::string_view utf8) {
    std::lock_guard lock(g_mutex);
    Converter& c = Current();
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp;
        size_t len;
        const bool valid = NextUtf8(utf8, i, cp, len);
        i += len;
        if (valid && cp < 0x80) out += char(cp);
        else if (!valid || !EncodeOne(c.toAnsi, cp, out)) out += '?';
    }
    return out;
}

std::u32string DecodeAnsi(std::string_view ansi) {
    std::lock_guard lock(g_mutex);
    Converter& c = Current();
    std::u32string out;
    out.reserve(ansi.size());
    for (size_t i = 0; i < ansi.size();) {
        const uint8_t b = uint8_t(ansi[i]);
        if (b < 0x80) {
            out += char32_t(b);
            ++i;
            continue;
        }
        size_t n = IsLead(c.codePage, b) ? 2 : 1;
        if (i + n > ansi.size()) break;  // a lead byte cut off by the count
        char32_t cp;
        if (!DecodeOne(c.fromAnsi, ansi.data() + i, n, cp)) {
            cp = U'?';
        }
        out += cp;
        i += n;
    }
    return out;
}

std::string FromAnsi(std::string_view ansi) {
    std::string out;
    for (char32_t cp : DecodeAnsi(ansi)) AppendUtf8(out, cp);
    return out;
}

}  // namespace vexo::plat
