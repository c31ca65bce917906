// The clipping blits, the stretching blit and the stretched half-transparent
// blit, on real 8-bit surfaces.
#include "PaletteTestUtil.h"

namespace vexo::paltest {
namespace {

using namespace vexo::status;

int Src(int x, int y) { return (x * 5 + y * 17 + 1) & 0xFF; }
int Dst(int x, int y) { return (200 + x + y) & 0xFF; }

class ExtBlits : public Draw8 {
protected:
    void SetUp() override {
        Draw8::SetUp();
        Open();
        src = Surface(40, 40);
        Paint(src, Src);
    }
    Ref<DirectDrawSurface7> Dest() {
        Ref<DirectDrawSurface7> d = Surface(64, 48);
        Paint(d, Dst);
        return d;
    }
    Ref<DirectDrawSurface7> src;
};

// Both clipping blits, so that every case runs through each.
using ClipBlit = int32_t (DX7Draw::*)(Ref<DirectDrawSurface7>&, Ref<DirectDrawSurface7>&, int32_t, int32_t, int32_t,
                                      int32_t, int32_t, int32_t, VBBool);
const std::pair<const char*, ClipBlit> kBoth[] = {{"DDBltEX", &DX7Draw::DDBltEX},
                                                   {"DDBltFastEX", &DX7Draw::DDBltFastEX}};

// f's pixels inside [x0, x1) x [y0, y1), the destination's elsewhere.
template <class F>
auto Inside(int x0, int y0, int x1, int y1, F f) {
    return [=](int x, int y) { return x >= x0 && x < x1 && y >= y0 && y < y1 ? f(x, y) : Dst(x, y); };
}

TEST_F(ExtBlits, NearEdgesOfTheDestinationMoveTheSourceCorner) {
    for (auto [name, blit] : kBoth) {
        SCOPED_TRACE(name);
        // (-10, -5) with 32 x 32: source (13, 7)-(35, 34) lands at (0, 0).
        Ref<DirectDrawSurface7> d = Dest();
        EXPECT_EQ((dd.*blit)(src, d, 3, 2, 32, 32, -10, -5, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(d, 64, Inside(0, 0, 22, 27, [](int x, int y) { return Src(x + 13, y + 7); })));
        // A source corner before the source: its columns dropped, the image
        // lands further right.
        Ref<DirectDrawSurface7> e = Dest();
        EXPECT_EQ((dd.*blit)(src, e, -4, 0, 10, 5, 5, 6, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(e, 64, Inside(9, 6, 15, 11, [](int x, int y) { return Src(x - 9, y - 6); })));
    }
}

TEST_F(ExtBlits, FarEdgesCutTheSizeAndEmptyResultsStop) {
    for (auto [name, blit] : kBoth) {
        SCOPED_TRACE(name);
        // DW - 8 with 32 columns: 8 columns drawn.
        Ref<DirectDrawSurface7> d = Dest();
        EXPECT_EQ((dd.*blit)(src, d, 0, 0, 32, 10, 56, 4, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(d, 64, Inside(56, 4, 64, 14, [](int x, int y) { return Src(x - 56, y - 4); })));
        // Past the destination, or cut to nothing: 0, nothing drawn.
        Ref<DirectDrawSurface7> e = Dest();
        EXPECT_EQ((dd.*blit)(src, e, 0, 0, 32, 10, 64, 4, VB_FALSE), 0);
        EXPECT_EQ((dd.*blit)(src, e, 0, 0, 32, 10, 3, 48, VB_FALSE), 0);
        EXPECT_EQ((dd.*blit)(src, e, 0, 0, 8, 8, -8, 0, VB_FALSE), 0);
        EXPECT_EQ((dd.*blit)(src, e, 40, 0, 8, 8, 0, 0, VB_FALSE), 0);
        EXPECT_EQ((dd.*blit)(src, e, 0, -9, 8, 8, 0, 0, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(e, 64, Dst));
        // Size 0: the whole source, cut at both far edges.
        Ref<DirectDrawSurface7> f = Dest();
        EXPECT_EQ((dd.*blit)(src, f, 0, 0, 0, 0, 30, 20, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(f, 64, Inside(30, 20, 64, 48, [](int x, int y) { return Src(x - 30, y - 20); })));
        // The source's far edge.
        Ref<DirectDrawSurface7> g = Dest();
        EXPECT_EQ((dd.*blit)(src, g, 30, 35, 32, 32, 1, 2, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(g, 64, Inside(1, 2, 11, 7, [](int x, int y) { return Src(x + 29, y + 33); })));
        // Extreme corners clip without overflow or a stray pixel.
        Ref<DirectDrawSurface7> h = Dest();
        EXPECT_EQ((dd.*blit)(src, h, INT32_MAX, 0, 8, 8, 0, 0, VB_FALSE), 0);
        EXPECT_EQ((dd.*blit)(src, h, 0, 0, INT32_MAX, INT32_MAX, INT32_MIN, 0, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(h, 64, Dst));
    }
}

TEST_F(ExtBlits, AnyNonzeroTransparentFlagSkipsKeyPixels) {
    DDCOLORKEY key{Src(0, 0), Src(0, 0)};
    Ref<DirectDrawSurface7> plain = Surface(40, 40);
    Paint(plain, Src);
    for (auto [name, blit] : kBoth) {
        SCOPED_TRACE(name);
        src->SetColorKey(DDCKEY_SRCBLT, key);
        for (VBBool t : {VBBool(1), VB_TRUE}) {
            Ref<DirectDrawSurface7> d = Dest();
            EXPECT_EQ((dd.*blit)(src, d, 0, 0, 20, 20, 0, 0, t), 0);
            EXPECT_TRUE(PixelsAre(d, 64, Inside(0, 0, 20, 20, [](int x, int y) {
                return Src(x, y) == Src(0, 0) ? Dst(x, y) : Src(x, y);
            })));
        }
        Ref<DirectDrawSurface7> d = Dest();
        EXPECT_EQ((dd.*blit)(src, d, 0, 0, 20, 20, 0, 0, VB_FALSE), 0);
        EXPECT_TRUE(PixelsAre(d, 64, Inside(0, 0, 20, 20, Src)));
    }
    // The key flag goes to the platform, which refuses it for a source
    // without a key: that status is the result.
    Ref<DirectDrawSurface7> d = Dest();
    EXPECT_EQ(dd.DDBltEX(plain, d, 0, 0, 8, 8, 0, 0, 1), DDERR_INVALIDPARAMS);
    // No source: the platform's refusal; no destination: the call raises, 0.
    Ref<DirectDrawSurface7> none;
    EXPECT_EQ(dd.DDBltEX(none, d, 0, 0, 8, 8, 0, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd.DDBltFastEX(src, none, 0, 0, 8, 8, 0, 0), 0);
    EXPECT_EQ(dd.DDStrechBlt(src, none, 0, 0, 8, 8, 8, 8, 0, 0), 0);
}

// A surface that reports its size as 0 and forwards everything else.
class NoSize final : public DirectDrawSurface7 {
public:
    explicit NoSize(Ref<DirectDrawSurface7> s) : s_(std::move(s)) {}
    int32_t Blt(RECT& d, const Ref<DirectDrawSurface7>& src, RECT& sr, int32_t f) override { return s_->Blt(d, src, sr, f); }
    int32_t BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& sr, int32_t f) override {
        return s_->BltFast(x, y, src, sr, f);
    }
    int32_t BltColorFill(RECT& d, int32_t v) override { return s_->BltColorFill(d, v); }
    void GetSurfaceDesc(DDSURFACEDESC2& d) override {
        s_->GetSurfaceDesc(d);
        d.lWidth = d.lHeight = 0;
    }
    void Lock(RECT& r, DDSURFACEDESC2& d, int32_t f, int32_t e) override { s_->Lock(r, d, f, e); }
    void Unlock(RECT& r) override { s_->Unlock(r); }
    int32_t GetLockedPixel(int32_t x, int32_t y) override { return s_->GetLockedPixel(x, y); }
    void SetLockedPixel(int32_t x, int32_t y, int32_t v) override { s_->SetLockedPixel(x, y, v); }
    HDC GetDC() override { return s_->GetDC(); }
    void ReleaseDC(HDC dc) override { s_->ReleaseDC(dc); }
    void SetColorKey(int32_t f, DDCOLORKEY& k) override { s_->SetColorKey(f, k); }
    void GetColorKey(int32_t f, DDCOLORKEY& k) override { s_->GetColorKey(f, k); }
    Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2& c) override { return s_->GetAttachedSurface(c); }
    void Flip(const Ref<DirectDrawSurface7>& t, int32_t f) override { s_->Flip(t, f); }
    void SetClipper(const Ref<DirectDrawClipper>& c) override { s_->SetClipper(c); }

private:
    Ref<DirectDrawSurface7> s_;
};

TEST_F(ExtBlits, ADestinationSizeOfZeroSwitchesItsFarClipOff) {
    Ref<DirectDrawSurface7> real = Dest();
    Ref<DirectDrawSurface7> blind(new NoSize(real));
    // Unclipped, the rectangle reaches past the surface and the platform
    // refuses it; with the size known, the same call draws 8 columns.
    EXPECT_EQ(dd.DDBltEX(src, blind, 0, 0, 32, 10, 56, 4, VB_FALSE), DDERR_INVALIDRECT);
    EXPECT_EQ(dd.DDBltFastEX(src, blind, 0, 0, 10, 32, 4, 40, VB_FALSE), DDERR_INVALIDRECT);
    EXPECT_TRUE(PixelsAre(real, 64, Dst));
    // Near edges are still clipped.
    EXPECT_EQ(dd.DDBltEX(src, blind, 0, 0, 12, 10, -2, -3, VB_FALSE), 0);
    EXPECT_TRUE(PixelsAre(real, 64, Inside(0, 0, 10, 7, [](int x, int y) { return Src(x + 2, y + 3); })));
}

TEST_F(ExtBlits, StretchKeepsTheDestinationSize) {
    // Wholly inside: the source rectangle scaled onto nWidth2 x nHeight2.
    Ref<DirectDrawSurface7> d = Dest();
    EXPECT_EQ(dd.DDStrechBlt(src, d, 1, 2, 4, 4, 8, 16, 5, 3, VB_FALSE), 0);
    EXPECT_TRUE(PixelsAre(d, 64, Inside(5, 3, 13, 19, [](int x, int y) {
        return Src(1 + (x - 5) * 4 / 8, 2 + (y - 3) * 4 / 16);
    })));
    // Past the right edge: the source width is cut, the cut part still
    // fills nWidth2.
    Ref<DirectDrawSurface7> e = Dest();
    EXPECT_EQ(dd.DDStrechBlt(src, e, 0, 0, 16, 4, 4, 4, 56, 0, VB_FALSE), 0);
    EXPECT_TRUE(PixelsAre(e, 64, Inside(56, 0, 60, 4, [](int x, int y) { return Src((x - 56) * 2, y); })));
    // Before the left edge: the corner moves, the size stays.
    Ref<DirectDrawSurface7> f = Dest();
    EXPECT_EQ(dd.DDStrechBlt(src, f, 0, 0, 8, 2, 16, 2, -4, 10, VB_FALSE), 0);
    EXPECT_TRUE(PixelsAre(f, 64, Inside(0, 10, 16, 12, [](int x, int y) { return Src(4 + x / 4, y - 10); })));
    // No stops: nothing left still goes to the platform, whose refusal is
    // the result.
    Ref<DirectDrawSurface7> g = Dest();
    EXPECT_EQ(dd.DDStrechBlt(src, g, 0, 0, 8, 8, 8, 8, 64, 0, VB_FALSE), DDERR_INVALIDRECT);
    EXPECT_TRUE(PixelsAre(g, 64, Dst));
    // Size 0: the whole source, stretched with the key skipped.
    DDCOLORKEY key{Src(0, 0), Src(0, 0)};
    src->SetColorKey(DDCKEY_SRCBLT, key);
    Ref<DirectDrawSurface7> h = Dest();
    EXPECT_EQ(dd.DDStrechBlt(src, h, 0, 0, 0, 0, 20, 20, 0, 0, 1), 0);
    EXPECT_TRUE(PixelsAre(h, 64, Inside(0, 0, 20, 20, [](int x, int y) {
        const int s = Src(x * 2, y * 2);
        return s == Src(0, 0) ? Dst(x, y) : s;
    })));
}

class HarfStretch : public ExtBlits {
protected:
    void SetUp() override {
        ExtBlits::SetUp();
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) dd.HarfPalette[size_t(d)][size_t(s)] = uint8_t(d * 7 + s * 13 + 1);
    }
    static int T(int d, int s) { return uint8_t(d * 7 + s * 13 + 1); }
    Ref<DirectDrawPalette> pal;
};

TEST_F(HarfStretch, BlendsTheStretchedImageFromItsOwnCorner) {
    // The top-left 4 x 4 stretched to 8 x 8, blended whole at (2, 3).
    Ref<DirectDrawSurface7> d = Dest();
    EXPECT_TRUE(IsEmpty(dd.DDHarfStrechBltEx(src, d, pal, 0, 0, 4, 4, 8, 8, 2, 3, VB_FALSE)));
    EXPECT_TRUE(PixelsAre(d, 64, Inside(2, 3, 10, 11, [](int x, int y) {
        return T(Dst(x, y), Src((x - 2) / 2, (y - 3) / 2));
    })));
    // xSrc = 2 starts the blend at column 2 of the stretched image.
    Ref<DirectDrawSurface7> e = Dest();
    dd.DDHarfStrechBltEx(src, e, pal, 2, 0, 4, 4, 8, 8, 2, 3, VB_FALSE);
    EXPECT_TRUE(PixelsAre(e, 64, Inside(2, 3, 8, 11, [](int x, int y) {
        return T(Dst(x, y), Src((x - 2 + 2) / 2, (y - 3) / 2));
    })));
    // Size 0: the whole 40 x 40 source into 20 x 20.
    Ref<DirectDrawSurface7> f = Dest();
    dd.DDHarfStrechBltEx(src, f, pal, 0, 0, 0, 0, 20, 20, 0, 0, VB_FALSE);
    EXPECT_TRUE(PixelsAre(f, 64, Inside(0, 0, 20, 20, [](int x, int y) { return T(Dst(x, y), Src(x * 2, y * 2)); })));
    // Keyed by default: pixels like the stretched image's top-left stay.
    Ref<DirectDrawSurface7> g = Dest();
    dd.DDHarfStrechBltEx(src, g, pal, 0, 0, 0, 0, 20, 20, 0, 0);
    EXPECT_TRUE(PixelsAre(g, 64, Inside(0, 0, 20, 20, [](int x, int y) {
        const int s = Src(x * 2, y * 2);
        return s == Src(0, 0) ? Dst(x, y) : T(Dst(x, y), s);
    })));
    // A temporary surface that cannot be made: nothing drawn, still empty.
    Ref<DirectDrawSurface7> h = Dest();
    EXPECT_TRUE(IsEmpty(dd.DDHarfStrechBltEx(src, h, pal, 0, 0, 4, 4, 0, 8, 2, 3, VB_FALSE)));
    EXPECT_TRUE(PixelsAre(h, 64, Dst));
}

}  // namespace
}  // namespace vexo::paltest
