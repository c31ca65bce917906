// Fonts found through fontconfig and rendered with FreeType. A realized font
// keeps fontconfig's sorted list of faces for its request: the first is its
// own face, the others are opened only when a character is missing from the
// faces before them (Japanese text in a Latin face, for instance).
#include "platform/display/text/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "platform/display/text/Text.h"

namespace vexo::plat::text {

namespace {

constexpr int32_t kDefaultEm = 12;  // the default GUI font: 9 points at 96 dpi

FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

// The fontconfig language of a code page's script, empty for Latin ones.
const char* LanguageOf(int32_t cp) {
    switch (cp) {
        case 932: return "ja";
        case 936: return "zh-cn";
        case 949: return "ko";
        case 950: return "zh-tw";
        case 874: return "th";
        case 1251: return "ru";
        case 1253: return "el";
        case 1255: return "he";
        case 1256: return "ar";
        default: return "";
    }
}

// Characters without a shape: nothing drawn, no advance.
const Glyph& EmptyGlyph() {
    static const Glyph g;
    return g;
}

class FtFont final : public RealizedFont {
public:
    explicit FtFont(const FontRequest& req) : req_(req) {
        FcPattern* pat = FcPatternCreate();
        const std::string family = req.face.empty() ? "sans-serif" : req.face;
        FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(req.weight <= 0 ? 400 : req.weight));
        FcPatternAddInteger(pat, FC_SLANT, req.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        const char* lang = LanguageOf(AnsiCodePage());
        if (*lang) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result;
        set_ = FcFontSort(nullptr, pat, FcTrue, nullptr, &result);
        FcPatternDestroy(pat);
        if (set_) faces_.resize(size_t(set_->nfont));
        Face* primary = Open(0);
        if (primary) {
            FT_Face f = primary->face;
            ascent_ = int32_t((f->size->metrics.ascender + 63) >> 6);
            descent_ = int32_t((-f->size->metrics.descender + 63) >> 6);
        } else {
            // No font at all: keep the metrics so that layout still works.
            const int32_t em = EmPixels(nullptr);
            ascent_ = em - em / 5;
            descent_ = em / 5;
        }
    }
    ~FtFont() override {
        for (Face& f : faces_)
            if (f.face) FT_Done_Face(f.face);
        if (set_) FcFontSetDestroy(set_);
    }

    int32_t Ascent() const override { return ascent_; }
    int32_t Descent() const override { return descent_; }

    const Glyph& GlyphOf(char32_t cp) override {
        if (cp < 0x20) return EmptyGlyph();
        auto it = glyphs_.find(cp);
        if (it != glyphs_.end()) return it->second;
        Glyph& g = glyphs_[cp];
        Render(cp, g);
        return g;
    }

private:
    struct Face {
        bool tried = false;
        FT_Face face = nullptr;
        bool embolden = false;
        bool oblique = false;
    };

    // The em size in pixels the request asks for, for `f` (or none yet).
    int32_t EmPixels(FT_Face f) const {
        if (req_.height < 0) return -req_.height;
        if (req_.height == 0 || !f || !FT_IS_SCALABLE(f)) return req_.height > 0 ? req_.height : kDefaultEm;
        // A cell height: scale so that ascent + descent fill it, as Windows
        // measures them (the OS/2 table's Windows metrics when present).
        int64_t cell = int64_t(f->ascender) - f->descender;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2)))
            if (os2->usWinAscent + os2->usWinDescent > 0) cell = int64_t(os2->usWinAscent) + os2->usWinDescent;
        if (cell <= 0) return req_.height;
        return std::max<int32_t>(1, int32_t(std::lround(double(req_.height) * f->units_per_EM / double(cell))));
    }

    Face* Open(size_t i) {
        if (!set_ || i >= faces_.size() || !Library()) return nullptr;
        Face& f = faces_[i];
        if (f.tried) return f.face ? &f : nullptr;
        f.tried = true;
        FcPattern* p = set_->fonts[i];
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
        FcPatternGetInteger(p, FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_New_Face(Library(), reinterpret_cast<const char*>(file), index, &face) != 0) return nullptr;
        const int32_t em = EmPixels(face);
        if (FT_IS_SCALABLE(face)) {
            FT_Set_Pixel_Sizes(face, 0, FT_UInt(em));
        } else if (face->num_fixed_sizes > 0) {
            // A bitmap-only face: the strike nearest the size asked for.
            int best = 0;
            for (int s = 1; s < face->num_fixed_sizes; ++s)
                if (std::abs(face->available_sizes[s].height - em) <
                    std::abs(face->available_sizes[best].height - em))
                    best = s;
            FT_Select_Size(face, best);
        }
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(p, FC_SLANT, 0, &slant);
        // Faces without a bold or italic style get one made up.
        f.embolden = req_.weight >= 600 && weight < FC_WEIGHT_DEMIBOLD;
        f.oblique = req_.italic && slant == FC_SLANT_ROMAN;
        f.face = face;
        return &f;
    }

    // The first face of the list that has the character, else the primary.
    std::pair<Face*, FT_UInt> Find(char32_t cp) {
        for (size_t i = 0; i < faces_.size(); ++i) {
            if (i > 0) {
                FcCharSet* cs = nullptr;
                if (FcPatternGetCharSet(set_->fonts[i], FC_CHARSET, 0, &cs) != FcResultMatch ||
                    !FcCharSetHasChar(cs, FcChar32(cp)))
                    continue;
            }
            Face* f = Open(i);
            if (!f) continue;
            if (FT_UInt idx = FT_Get_Char_Index(f->face, FT_ULong(cp))) return {f, idx};
        }
        return {Open(0), 0};
    }

    void Render(char32_t cp, Glyph& g) {
        auto [f, idx] = Find(cp);
        if (!f) {
            g.advance = (ascent_ + descent_) / 2;
            return;
        }
        FT_Face face = f->face;
        if (FT_Load_Glyph(face, idx, FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) return;
        FT_GlyphSlot slot = face->glyph;
        if (f->embolden) FT_GlyphSlot_Embolden(slot);
        if (f->oblique) FT_GlyphSlot_Oblique(slot);
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
        const FT_Bitmap& bm = slot->bitmap;
        g.advance = int32_t((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = int32_t(bm.width);
        g.height = int32_t(bm.rows);
        g.bits.assign(size_t(g.width) * size_t(g.height), 0);
        for (int32_t y = 0; y < g.height; ++y) {
            const uint8_t* row = bm.buffer + int64_t(bm.pitch) * y;
            if (bm.pitch < 0) row = bm.buffer + int64_t(-bm.pitch) * (g.height - 1 - y);
            for (int32_t x = 0; x < g.width; ++x) {
                bool ink;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO) ink = (row[x >> 3] >> (7 - (x & 7))) & 1;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) ink = row[x] >= 128;
                else ink = false;
                g.bits[size_t(y) * size_t(g.width) + size_t(x)] = ink ? 1 : 0;
            }
        }
    }

    FontRequest req_;
    FcFontSet* set_ = nullptr;
    std::vector<Face> faces_;
    int32_t ascent_ = 0, descent_ = 0;
    std::unordered_map<char32_t, Glyph> glyphs_;
};

}  // namespace

namespace {
using FontCache = std::map<std::string, std::unique_ptr<RealizedFont>>;
// The map itself is never destroyed, so that text drawn late in the exit
// still finds it.
FontCache& Cache() {
    static auto* cache = new FontCache;
    return *cache;
}
// At exit the fonts let go of fontconfig's lists, then fontconfig frees its
// configuration (it would otherwise stay allocated past the end).
void ReleaseFonts() {
    Cache().clear();
    FcFini();
}
}  // namespace

RealizedFont& Realize(const FontRequest& request) {
    static const bool registered = [] { return std::atexit(ReleaseFonts) == 0; }();
    (void)registered;
    FontCache* cache = &Cache();
    // The code page takes part: it decides the default face's language.
    const std::string key = std::to_string(request.height) + "/" + std::to_string(request.weight) + "/" +
                            (request.italic ? "i" : "r") + "/" + std::to_string(AnsiCodePage()) + "/" +
                            request.face;
    auto& slot = (*cache)[key];
    if (!slot) slot = std::make_unique<FtFont>(request);
    return *slot;
}

}  // namespace vexo::plat::text
