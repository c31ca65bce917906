// Fonts behind the GDI font objects: faces found through fontconfig, glyphs
// rendered by FreeType without anti-aliasing (each pixel is text or not, as
// classic GDI text is, so text lands the same in every depth, palettes
// included).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexo::plat::text {

// What a font object asks for (the payload of a GDI font object).
struct FontRequest {
    int32_t height = 0;  // < 0 em height, > 0 cell height, 0 default (pixels)
    int32_t weight = 400;
    bool italic = false;
    std::string face;    // empty: the default face for the code page
};

// One rendered glyph: `bits` holds width x height bytes, 1 where ink is.
struct Glyph {
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;     // from the pen position to the first column
    int32_t top = 0;      // from the baseline up to the first row
    int32_t advance = 0;  // pen movement in pixels
    std::vector<uint8_t> bits;
};

class RealizedFont;

// The realized font for a request (cached; never null: when no font file can
// be opened at all, a font without glyphs that still has metrics).
RealizedFont& Realize(const FontRequest& request);

class RealizedFont {
public:
    virtual ~RealizedFont() = default;
    virtual int32_t Ascent() const = 0;
    virtual int32_t Descent() const = 0;
    // The glyph of a code point; a character no installed font has gives the
    // primary face's missing-glyph shape.
    virtual const Glyph& GlyphOf(char32_t cp) = 0;
};

}  // namespace vexo::plat::text
