// Blt, BltFast, BltColorFill and BltFx over real surfaces: rectangles that
// reach outside are refused and draw nothing, keys skip exactly the key
// pixels, stretching samples the nearest pixel, fills stop before the
// right and bottom edges, and blits into a clipped primary land only in
// the window's client area.
#include <climits>

#include "DisplayTestUtil.h"

namespace vexo::test {
namespace {

using namespace vexo::status;

class BlitRulesTest : public DisplayTest {
protected:
    // A 3 x 3 source holding (y+1)*16 + (x+1), and an 8 x 8 destination of 0xEE.
    void Prepare(int32_t bpp = 32) {
        src = Make(3, 3, bpp);
        Paint(src, [](int32_t x, int32_t y) { return uint32_t((y + 1) * 16 + (x + 1)); });
        dst = Make(8, 8, bpp);
        Paint(dst, [](int32_t, int32_t) { return 0xEEu; });
        before = Dump(dst);
    }
    Ref<DirectDrawSurface7> src, dst;
    std::string before;
};

TEST_F(BlitRulesTest, RectanglesReachingOutsideDrawNothing) {
    Prepare();
    auto blt = [&](RECT d, RECT s) { return dst->Blt(d, src, s, 0); };
    EXPECT_EQ(blt({0, 0, 3, 3}, {1, 0, 4, 3}), DDERR_INVALIDRECT);    // source past its right edge
    EXPECT_EQ(blt({6, 6, 9, 9}, {0, 0, 3, 3}), DDERR_INVALIDRECT);    // destination past the corner
    EXPECT_EQ(blt({-1, 0, 2, 3}, {0, 0, 3, 3}), DDERR_INVALIDRECT);
    EXPECT_EQ(blt({3, 0, 1, 3}, {0, 0, 3, 3}), DDERR_INVALIDRECT);    // right < left
    EXPECT_EQ(blt({2, 2, 2, 5}, {0, 0, 3, 3}), DDERR_INVALIDRECT);    // zero width
    EXPECT_EQ(blt({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 3, 3}), DDERR_INVALIDRECT);
    EXPECT_EQ(blt({0, 0, 3, 3}, {INT_MIN, 0, INT_MAX, 3}), DDERR_INVALIDRECT);
    RECT s{0, 0, 3, 3};
    EXPECT_EQ(dst->BltFast(6, 0, src, s, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->BltFast(-1, 0, src, s, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->BltFast(INT_MAX, INT_MAX, src, s, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT big{0, 0, 4, 4};
    EXPECT_EQ(dst->BltFast(0, 0, src, big, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT fill{7, 7, 9, 8};
    EXPECT_EQ(dst->BltColorFill(fill, 1), DDERR_INVALIDRECT);
    RECT fillRev{4, 4, 2, 6};
    EXPECT_EQ(dst->BltColorFill(fillRev, 1), DDERR_INVALIDRECT);
    EXPECT_EQ(Dump(dst), before);
    // An empty source reference is a bad parameter, not a crash.
    RECT all;
    EXPECT_EQ(dst->Blt(all, nullptr, all, 0), E_INVALIDARG);
}

TEST_F(BlitRulesTest, SourceKeySkipsExactlyTheKeyPixelsInEachDepth) {
    struct Case {
        int32_t bpp;
        uint32_t key;
        std::vector<uint32_t> row;    // source pixels
        std::vector<bool> skipped;    // which of them the key leaves out
    };
    const std::vector<Case> cases = {
        {8, 5, {5, 4, 6, 5}, {true, false, false, true}},
        {16, 0xF81F, {0xF81F, 0xF81E, 0x781F, 0xF81F}, {true, false, false, true}},
        {24, 0xFF00FF, {0xFF00FF, 0xFF00FE, 0x7F00FF, 0xFF00FF}, {true, false, false, true}},
        // The unused top byte of a 32-bit pixel does not count.
        {32, 0x00FF00FF, {0x00FF00FF, 0xFFFF00FF, 0x01FF00FF, 0x00FF00FE}, {true, true, true, false}},
    };
    for (const Case& c : cases) {
        Open(c.bpp, 64, 64);
        auto s = Make(4, 1);
        auto d = Make(4, 1);
        Paint(s, [&](int32_t x, int32_t) { return c.row[size_t(x)]; });
        Paint(d, [](int32_t, int32_t) { return 0x33u; });
        DDCOLORKEY k{int32_t(c.key), int32_t(c.key)};
        s->SetColorKey(DDCKEY_SRCBLT, k);
        RECT all;
        ASSERT_EQ(d->Blt(all, s, all, DDBLT_KEYSRC), OK) << c.bpp;
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(Peek(d, x, 0), c.skipped[size_t(x)] ? 0x33u : c.row[size_t(x)]) << c.bpp << " bpp, x " << x;
        // BltFast follows the same key.
        Paint(d, [](int32_t, int32_t) { return 0x33u; });
        ASSERT_EQ(d->BltFast(0, 0, s, all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), OK);
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(Peek(d, x, 0), c.skipped[size_t(x)] ? 0x33u : c.row[size_t(x)]) << c.bpp << " bpp, x " << x;
    }
}

TEST_F(BlitRulesTest, KeyFlagWithoutAKey) {
    Open(8, 64, 64);
    auto s = Make(4, 1);
    auto d = Make(4, 1);
    const uint32_t row[4] = {0, 0x11, 0, 0x22};
    Paint(s, [&](int32_t x, int32_t) { return row[x]; });
    Paint(d, [](int32_t, int32_t) { return 0xEEu; });
    RECT all;
    // Blt refuses the key flag when the source has no key ...
    EXPECT_EQ(d->Blt(all, s, all, DDBLT_KEYSRC), E_INVALIDARG);
    EXPECT_EQ(Dump(d), "ee ee ee ee");
    // ... BltFast takes the key as 0.
    EXPECT_EQ(d->BltFast(0, 0, s, all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), OK);
    EXPECT_EQ(Dump(d), "ee 11 ee 22");
}

TEST_F(BlitRulesTest, StretchSamplesTheNearestPixel) {
    Prepare(8);
    auto d5 = Make(5, 1, 8);
    RECT dr{0, 0, 5, 1}, sr{0, 0, 3, 1};
    ASSERT_EQ(d5->Blt(dr, src, sr, DDBLT_WAIT), OK);
    EXPECT_EQ(Dump(d5), "11 11 12 12 13");
    auto d3 = Make(3, 1, 8);
    auto s5 = Make(5, 1, 8);
    Paint(s5, [](int32_t x, int32_t) { return uint32_t(x); });
    RECT all;
    ASSERT_EQ(d3->Blt(all, s5, all, 0), OK);  // whole surfaces of different sizes
    EXPECT_EQ(Dump(d3), "0 1 3");
    auto d33 = Make(3, 3, 8);
    RECT s22{0, 0, 2, 2};
    ASSERT_EQ(d33->Blt(all, src, s22, 0), OK);
    EXPECT_EQ(Dump(d33), "11 11 12 | 11 11 12 | 21 21 22");
}

TEST_F(BlitRulesTest, FillsStopBeforeTheFarEdgesAndMaskTheValue) {
    Prepare(8);
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(dst->BltColorFill(r, 0x12345678), OK);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(Peek(dst, x, y), (y == 1 && (x == 1 || x == 2)) ? 0x78u : 0xEEu) << x << "," << y;
    Open(16, 64, 64);
    auto s16 = Make(2, 2);
    RECT all;
    s16->BltColorFill(all, 0x12345678);
    EXPECT_EQ(Peek(s16, 1, 1), 0x5678u);
    Open(32, 64, 64);
    auto s32 = Make(2, 2);
    s32->BltColorFill(all, int32_t(0xFFFFFFFF));
    EXPECT_EQ(Peek(s32, 0, 0), 0x00FFFFFFu);
}

TEST_F(BlitRulesTest, EffectsMirrorAndRotate) {
    Prepare(8);
    auto d = Make(3, 3, 8);
    RECT all;
    DDBLTFX fx;
    fx.lDDFX = DDBLTFX_MIRRORLEFTRIGHT;
    ASSERT_EQ(d->BltFx(all, src, all, DDBLT_DDFX, fx), OK);
    EXPECT_EQ(Dump(d), "13 12 11 | 23 22 21 | 33 32 31");
    fx.lDDFX = DDBLTFX_ROTATE180;
    ASSERT_EQ(d->BltFx(all, src, all, DDBLT_DDFX, fx), OK);
    EXPECT_EQ(Dump(d), "33 32 31 | 23 22 21 | 13 12 11");
    // Override key 0 skips value-0 pixels; with the source-key flag it is refused.
    Paint(src, [](int32_t x, int32_t) { return x == 1 ? 0u : 7u; });
    Paint(d, [](int32_t, int32_t) { return 9u; });
    fx.lDDFX = 0;
    ASSERT_EQ(d->BltFx(all, src, all, DDBLT_KEYSRCOVERRIDE, fx), OK);
    EXPECT_EQ(Dump(d), "7 9 7 | 7 9 7 | 7 9 7");
    EXPECT_EQ(d->BltFx(all, src, all, DDBLT_KEYSRC | DDBLT_KEYSRCOVERRIDE, fx), E_INVALIDARG);
}

TEST_F(BlitRulesTest, ClippedPrimaryReceivesOnlyTheClientArea) {
    Open(32, 320, 240);
    const HWND w = plat::CreateWindow("present", 10, 20, 50, 40);  // client at (14, 43) to (64, 83)
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
    auto primary = dd->CreateSurface(d);
    auto clip = dd->CreateClipper(0);
    clip->SetHWnd(w);
    primary->SetClipper(clip);
    auto red = Make(320, 240);
    RECT all;
    red->BltColorFill(all, 0xFF0000);
    // The whole screen asked for: only the client area changes.
    ASSERT_EQ(primary->Blt(all, red, all, DDBLT_WAIT), OK);
    for (int32_t y = 0; y < 240; y += 3)
        for (int32_t x = 0; x < 320; x += 3) {
            const bool inside = x >= 14 && x < 64 && y >= 43 && y < 83;
            ASSERT_EQ(plat::ScreenPixel(x, y), COLORREF(inside ? RGB(255, 0, 0) : RGB(0, 0, 0))) << x << "," << y;
        }
    // Far outside the screen is clipped, not refused, and touches nothing.
    RECT huge{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
    EXPECT_EQ(primary->Blt(huge, red, all, DDBLT_WAIT), OK);
    RECT s{0, 0, 1, 1};
    EXPECT_EQ(primary->BltFast(0, 0, red, s, DDBLTFAST_WAIT), plat::st::BLTFASTCANTCLIP);
    // A clipped stretch shows the same pixels as the unclipped one would:
    // the window hangs off the left edge of the screen.
    api::SetWindowPos(w, 0, -20, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    auto grad = Make(5, 4);
    Paint(grad, [](int32_t x, int32_t y) { return uint32_t(x * 40 + y * 10); });
    std::vector<RECT> list(1);
    ASSERT_EQ(clip->GetClipList(list), 1);
    EXPECT_EQ(list[0], (RECT{0, 123, 34, 163}));
    RECT dest{-16, 123, 34, 163};  // the whole client area, partly off screen
    ASSERT_EQ(primary->Blt(dest, grad, all, DDBLT_WAIT), OK);
    auto ref = Make(50, 40);
    ASSERT_EQ(ref->Blt(all, grad, all, DDBLT_WAIT), OK);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 16; x < 50; ++x)
            ASSERT_EQ(plat::ScreenPixel(x - 16, 123 + y), plat::UnpackRgb(32, Peek(ref, x, y))) << x << "," << y;
    plat::DestroyWindow(w);
}

}  // namespace
}  // namespace vexo::test
