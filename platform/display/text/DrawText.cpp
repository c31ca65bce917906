// DrawTextA and the font objects of the software GDI. Text is laid out left
// and top aligned from the rectangle's corner, one line per line break (CR,
// LF or CR LF), and clipped to the rectangle and to the device context's
// pixels. The count is in bytes of the ANSI text, so a double-byte character
// counts 2.
#include <algorithm>
#include <memory>

#include "platform/display/gdi/Gdi.h"
#include "platform/display/text/Font.h"
#include "platform/display/text/Text.h"

namespace vexo::plat {

namespace {

enum : int32_t {
    DT_SINGLELINE_ = 0x20,
    DT_NOCLIP_ = 0x100,
    DT_CALCRECT_ = 0x400,
};

text::FontRequest DefaultRequest() { return text::FontRequest{}; }

text::RealizedFont& FontFor(HGDIOBJ font) {
    auto payload = Gdi().PayloadOf(font, GDI_FONT);
    if (!payload) return text::Realize(DefaultRequest());
    return text::Realize(*static_cast<const text::FontRequest*>(payload.get()));
}

int32_t Width(text::RealizedFont& f, std::u32string_view line) {
    int64_t w = 0;
    for (char32_t c : line) w += f.GlyphOf(c).advance;
    return int32_t(std::min<int64_t>(w, INT32_MAX));
}

// Lines of the text, split at CR LF, CR and LF.
std::vector<std::u32string_view> Lines(std::u32string_view s, bool single) {
    std::vector<std::u32string_view> out;
    if (single) {
        out.push_back(s);
        return out;
    }
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != U'\r' && s[i] != U'\n') continue;
        out.push_back(s.substr(start, i - start));
        if (s[i] == U'\r' && i + 1 < s.size() && s[i + 1] == U'\n') ++i;
        start = i + 1;
    }
    out.push_back(s.substr(start));
    return out;
}

// The raw pixel value of a colour on a target, chosen once per call.
uint32_t PixelValue(const DcTarget& t, COLORREF c) {
    if (t.bpp == 8) {
        if ((c >> 24) == 1) return (c & 0xFF) % uint32_t(std::max(t.paletteSize, 1));
        return uint32_t(NearestEntry(t.palette, t.paletteSize, c & 0xFFFFFF));
    }
    return PackRgb(t.bpp, c & 0xFFFFFF);
}

void FillSpan(const DcTarget& t, const RECT& clip, int64_t l, int64_t tp, int64_t r, int64_t b, uint32_t v) {
    l = std::max<int64_t>(l, clip.Left), tp = std::max<int64_t>(tp, clip.Top);
    r = std::min<int64_t>(r, clip.Right), b = std::min<int64_t>(b, clip.Bottom);
    const int32_t n = BytesPerPixel(t.bpp);
    for (int64_t y = tp; y < b; ++y)
        for (int64_t x = l; x < r; ++x) WritePixel(t.pixels + y * t.pitch + x * n, t.bpp, v);
}

void DrawGlyph(const DcTarget& t, const RECT& clip, const text::Glyph& g, int64_t penX, int64_t baseline,
               uint32_t v) {
    const int32_t n = BytesPerPixel(t.bpp);
    const int64_t x0 = penX + g.left, y0 = baseline - g.top;
    for (int32_t gy = 0; gy < g.height; ++gy) {
        const int64_t y = y0 + gy;
        if (y < clip.Top || y >= clip.Bottom) continue;
        const uint8_t* bits = g.bits.data() + size_t(gy) * size_t(g.width);
        for (int32_t gx = 0; gx < g.width; ++gx) {
            const int64_t x = x0 + gx;
            if (!bits[gx] || x < clip.Left || x >= clip.Right) continue;
            WritePixel(t.pixels + y * t.pitch + x * n, t.bpp, v);
        }
    }
}

}  // namespace

int32_t GdiTable::DrawTextA(HDC dc, const std::string& text, int32_t count, RECT& r, int32_t format) {
    DcState* st = State(dc);
    DcTarget t;
    if (!st || !Target(dc, t)) return 0;
    // -1 (any negative count) draws up to the terminating zero.
    size_t n = text.size();
    if (count < 0) n = std::min(n, text.find('\0'));
    else n = std::min(n, size_t(count));
    const std::u32string chars = DecodeAnsi(std::string_view(text).substr(0, n));

    text::RealizedFont& font = FontFor(st->font);
    const int32_t lineH = font.Ascent() + font.Descent();
    const auto lines = Lines(chars, (format & DT_SINGLELINE_) != 0);
    const int64_t total = int64_t(lineH) * int64_t(lines.size());

    if (format & DT_CALCRECT_) {
        int64_t widest = 0;
        for (auto line : lines) widest = std::max<int64_t>(widest, Width(font, line));
        r.Right = int32_t(std::min<int64_t>(int64_t(r.Left) + widest, INT32_MAX));
        r.Bottom = int32_t(std::min<int64_t>(int64_t(r.Top) + total, INT32_MAX));
        return int32_t(std::min<int64_t>(total, INT32_MAX));
    }

    // What may be touched: the rectangle (unless told not to clip) within the pixels.
    RECT clip{0, 0, t.width, t.height};
    if (!(format & DT_NOCLIP_)) {
        clip.Left = std::max(clip.Left, r.Left);
        clip.Top = std::max(clip.Top, r.Top);
        clip.Right = std::min(clip.Right, r.Right);
        clip.Bottom = std::min(clip.Bottom, r.Bottom);
    }
    const bool visible = clip.Left < clip.Right && clip.Top < clip.Bottom;
    const uint32_t ink = PixelValue(t, st->textColor);
    const uint32_t paper = PixelValue(t, st->bkColor);

    int64_t top = r.Top;
    for (auto line : lines) {
        if (!visible || top >= clip.Bottom) break;
        if (top + lineH > clip.Top) {
            int64_t pen = r.Left;
            if (st->bkMode == OPAQUE) FillSpan(t, clip, pen, top, pen + Width(font, line), top + lineH, paper);
            const int64_t baseline = top + font.Ascent();
            for (char32_t c : line) {
                if (pen >= clip.Right) break;
                const text::Glyph& g = font.GlyphOf(c);
                DrawGlyph(t, clip, g, pen, baseline, ink);
                pen += g.advance;
            }
        }
        top += lineH;
    }
    return int32_t(std::min<int64_t>(total, INT32_MAX));
}

HGDIOBJ CreateFont(int32_t height, int32_t weight, bool italic, const std::string& face) {
    auto req = std::make_shared<text::FontRequest>();
    req->height = height;
    req->weight = weight;
    req->italic = italic;
    req->face = face;
    return Gdi().AddObject(GDI_FONT, std::move(req));
}

HGDIOBJ DefaultGuiFont() { return Gdi().StockFont(); }

TextMetrics FontMetrics(HGDIOBJ font) {
    text::RealizedFont& f = FontFor(font);
    return {f.Ascent(), f.Descent(), f.Ascent() + f.Descent()};
}

int32_t TextWidth(HGDIOBJ font, std::u32string_view s) { return Width(FontFor(font), s); }

}  // namespace vexo::plat
