// DDBitBltFX: what it hands the effects blit, how dwFlag selects an effect,
// and on the real platform the layouts of every effect in 8- and 32-bit
// surfaces, the skipped value-0 pixels, scaling and refused rectangles.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "Fakes.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"
#include "platform/display/PixelFormat.h"

namespace vexo {
namespace {

// --- What is passed ---------------------------------------------------------

TEST(FxCalls, RectanglesFlagsAndARecordWithOnlyTheEffect) {
    test::FakeHost host;
    ScopedPlatform scope(host);
    DX7Draw dd;
    auto* destObj = new test::FakeSurface(host.log);
    Ref<DirectDrawSurface7> dest(destObj);
    Ref<DirectDrawSurface7> src(new test::FakeSurface(host.log));
    destObj->fxResult = status::DDERR_INVALIDRECT;
    const FX_Type flag = ROTATE90;
    EXPECT_EQ(dd.DDBitBltFX(src, dest, 1, 2, 30, 40, 50, 60, 7, 8, flag), status::DDERR_INVALIDRECT);
    EXPECT_EQ(destObj->fxSrc, (RECT{1, 2, 31, 42}));
    EXPECT_EQ(destObj->fxDest, (RECT{7, 8, 57, 68}));
    EXPECT_EQ(destObj->fxFlags, 0x10800);
    EXPECT_EQ(destObj->fxSource, src.get());
    DDBLTFX want{};
    want.lDDFX = DDBLTFX_ROTATE90;
    EXPECT_EQ(std::memcmp(&destObj->fxRecord, &want, sizeof want), 0) << "all zero but the effect";
    EXPECT_EQ(flag, ROTATE90);

    // A raising call gives 0; an overflowing edge stays 0.
    destObj->fxRaise = true;
    EXPECT_EQ(dd.DDBitBltFX(src, dest, 0, 0, 1, 1, 1, 1, 0, 0, flag), 0);
    destObj->fxRaise = false;
    destObj->fxResult = 0;
    dd.DDBitBltFX(src, dest, INT_MAX, 5, 10, 10, 4, 4, 0, INT_MIN + 1, flag);
    EXPECT_EQ(destObj->fxSrc, (RECT{INT_MAX, 5, 0, 15}));
    EXPECT_EQ(destObj->fxDest, (RECT{0, INT_MIN + 1, 4, INT_MIN + 5}));
    // An empty destination reference: 0, nothing raised.
    Ref<DirectDrawSurface7> none;
    EXPECT_EQ(dd.DDBitBltFX(src, none, 0, 0, 1, 1, 1, 1, 0, 0, flag), 0);
}

TEST(FxCalls, EachPublishedValueSelectsItsOwnEffectAndFreePositionsKeepTheirs) {
    test::FakeHost host;
    ScopedPlatform scope(host);
    DX7Draw dd;
    auto* destObj = new test::FakeSurface(host.log);
    Ref<DirectDrawSurface7> dest(destObj), src(new test::FakeSurface(host.log));
    auto effect = [&](int32_t flag) {
        dd.DDBitBltFX(src, dest, 0, 0, 2, 2, 2, 2, 0, 0, FX_Type(flag));
        return destObj->fxRecord.lDDFX;
    };
    EXPECT_EQ(effect(MIRROR_LEFTRIGHT), DDBLTFX_MIRRORLEFTRIGHT);
    EXPECT_EQ(effect(MIRROR_UPDOWN), DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(effect(ROTATE180), DDBLTFX_ROTATE180);
    EXPECT_EQ(effect(ROTATE270), DDBLTFX_ROTATE270);
    EXPECT_EQ(effect(ROTATE90), DDBLTFX_ROTATE90);
    // Positions that no published value takes keep the member at that position.
    EXPECT_EQ(effect(0), DDBLTFX_MIRRORLEFTRIGHT);
    EXPECT_EQ(effect(1), DDBLTFX_MIRRORUPDOWN);
    EXPECT_EQ(effect(3), DDBLTFX_ROTATE270);
    // Anything else is a plain scaled copy.
    for (int32_t other : {5, 6, 8, 18, 65, -1, 128}) EXPECT_EQ(effect(other), 0) << other;
}

// --- Pixels on the real platform --------------------------------------------

class FxPixels : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        setenv("VEXO_NO_VSYNC", "1", 1);
        plat::SetDesktop(640, 480, 32);
        root = api::CreateDirectX7();
        ddraw = root->DirectDrawCreate("");
        ddraw->SetCooperativeLevel(0, DDSCL_NORMAL);
        dd = std::make_unique<DX7Draw>();
    }
    int32_t Bpp() const { return GetParam(); }

    Ref<DirectDrawSurface7> Make(int32_t w, int32_t h, uint32_t fill) {
        DDSURFACEDESC2 d;
        d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.lWidth = w;
        d.lHeight = h;
        d.ddsCaps.lCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        plat::DescribeFormat(Bpp(), d.ddpfPixelFormat);
        auto s = ddraw->CreateSurface(d);
        RECT all{};
        s->BltColorFill(all, int32_t(fill));
        return s;
    }
    // A source whose pixel (x, y) holds (y + 1) * 16 + (x + 1).
    Ref<DirectDrawSurface7> Numbered(int32_t w, int32_t h) {
        auto s = Make(w, h, 0);
        RECT all{};
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) s->SetLockedPixel(x, y, (y + 1) * 16 + (x + 1));
        s->Unlock(all);
        return s;
    }
    // Rows of `r` as hex bytes, rows separated by " | ".
    static std::string Dump(const Ref<DirectDrawSurface7>& s, RECT r) {
        RECT all{};
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        std::ostringstream o;
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            if (y > r.Top) o << " | ";
            for (int32_t x = r.Left; x < r.Right; ++x) {
                if (x > r.Left) o << ' ';
                o << std::hex << s->GetLockedPixel(x, y);
            }
        }
        s->Unlock(all);
        return o.str();
    }
    // A 3 x 3 numbered source through `flag` into the middle of a 5 x 5 of 0xEE.
    std::string Effect(int32_t flag) {
        auto src = Numbered(3, 3);
        auto dst = Make(5, 5, 0xEE);
        EXPECT_EQ(dd->DDBitBltFX(src, dst, 0, 0, 3, 3, 3, 3, 1, 1, FX_Type(flag)), 0);
        // Nothing outside the destination rectangle moves.
        const std::string ring = Dump(dst, RECT{0, 0, 5, 1}) + Dump(dst, RECT{0, 4, 5, 5}) +
                                 Dump(dst, RECT{0, 1, 1, 4}) + Dump(dst, RECT{4, 1, 5, 4});
        EXPECT_EQ(ring, "ee ee ee ee eeee ee ee ee eeee | ee | eeee | ee | ee");
        return Dump(dst, RECT{1, 1, 4, 4});
    }

    Ref<DirectX7> root;
    Ref<DirectDraw7> ddraw;
    std::unique_ptr<DX7Draw> dd;
};

TEST_P(FxPixels, EveryEffectLaysOutTheSourceAsDirectDrawDefinesIt) {
    EXPECT_EQ(Effect(MIRROR_LEFTRIGHT), "13 12 11 | 23 22 21 | 33 32 31");
    EXPECT_EQ(Effect(MIRROR_UPDOWN), "31 32 33 | 21 22 23 | 11 12 13");
    EXPECT_EQ(Effect(ROTATE180), "33 32 31 | 23 22 21 | 13 12 11");
    // 90 and 270 turn counter-clockwise, as DirectDraw documents them.
    EXPECT_EQ(Effect(ROTATE90), "13 23 33 | 12 22 32 | 11 21 31");
    EXPECT_EQ(Effect(ROTATE270), "31 21 11 | 32 22 12 | 33 23 13");
    EXPECT_EQ(Effect(99), "11 12 13 | 21 22 23 | 31 32 33");
    // The free positions: 0 mirrors left-right, 1 up-down, 3 turns 270.
    EXPECT_EQ(Effect(0), Effect(MIRROR_LEFTRIGHT));
    EXPECT_EQ(Effect(1), Effect(MIRROR_UPDOWN));
    EXPECT_EQ(Effect(3), Effect(ROTATE270));
}

TEST_P(FxPixels, MirrorPutsColumnKAtTheFarSideAndSkipsValueZeroPixels) {
    const int32_t w = 7, h = 2;
    auto src = Numbered(w, h);
    // Value-0 pixels in the source; the surface's own key (0x12) is ignored.
    RECT hole{2, 0, 4, 1};
    src->BltColorFill(hole, 0);
    DDCOLORKEY key{0x12, 0x12};
    src->SetColorKey(DDCKEY_SRCBLT, key);
    auto dst = Make(w, h, 0xEE);
    ASSERT_EQ(dd->DDBitBltFX(src, dst, 0, 0, w, h, w, h, 0, 0, MIRROR_LEFTRIGHT), 0);
    for (int32_t k = 0; k < w; ++k) {
        const std::string top = Dump(dst, RECT{w - 1 - k, 0, w - k, 1});
        const std::string want = (k == 2 || k == 3) ? "ee" : Dump(src, RECT{k, 0, k + 1, 1});
        EXPECT_EQ(top, want) << "source column " << k;
        EXPECT_EQ(Dump(dst, RECT{w - 1 - k, 1, w - k, 2}), Dump(src, RECT{k, 1, k + 1, 2}));
    }
    // Every effect and no effect skip the zeros.
    for (int32_t flag : {int32_t(MIRROR_UPDOWN), int32_t(ROTATE90), int32_t(ROTATE180), int32_t(ROTATE270), 99}) {
        auto s = Numbered(3, 3);
        RECT centre{1, 1, 2, 2};
        s->BltColorFill(centre, 0);
        auto d = Make(3, 3, 0xEE);
        ASSERT_EQ(dd->DDBitBltFX(s, d, 0, 0, 3, 3, 3, 3, 0, 0, FX_Type(flag)), 0);
        EXPECT_EQ(Dump(d, RECT{1, 1, 2, 2}), "ee") << flag;
    }
}

TEST_P(FxPixels, ScalesIntoTheDestinationAndRefusesRectanglesOutside) {
    auto src = Numbered(3, 2);
    auto dst = Make(6, 6, 0xEE);
    // Mirrored and doubled.
    ASSERT_EQ(dd->DDBitBltFX(src, dst, 1, 0, 2, 2, 4, 2, 0, 0, MIRROR_LEFTRIGHT), 0);
    EXPECT_EQ(Dump(dst, RECT{0, 0, 4, 2}), "13 13 12 12 | 23 23 22 22");
    // A 3 x 2 source turned stands 2 wide and 3 high.
    ASSERT_EQ(dd->DDBitBltFX(src, dst, 0, 0, 3, 2, 2, 3, 4, 3, ROTATE90), 0);
    EXPECT_EQ(Dump(dst, RECT{4, 3, 6, 6}), "13 23 | 12 22 | 11 21");

    auto before = Dump(dst, RECT{0, 0, 6, 6});
    // Past the destination's edge, past the source's edge, an overflowing edge.
    EXPECT_EQ(dd->DDBitBltFX(src, dst, 0, 0, 3, 2, 3, 2, 4, 4, ROTATE180), status::DDERR_INVALIDRECT);
    EXPECT_EQ(dd->DDBitBltFX(src, dst, 1, 1, 3, 2, 3, 2, 0, 0, ROTATE180), status::DDERR_INVALIDRECT);
    EXPECT_EQ(dd->DDBitBltFX(src, dst, -1, 0, 3, 2, 3, 2, 0, 0, MIRROR_UPDOWN), status::DDERR_INVALIDRECT);
    EXPECT_EQ(dd->DDBitBltFX(src, dst, INT_MAX, 0, 10, 2, 3, 2, 0, 0, MIRROR_UPDOWN), status::DDERR_INVALIDRECT);
    EXPECT_EQ(dd->DDBitBltFX(src, dst, 0, 0, 3, 2, INT_MAX, 2, 1, 0, MIRROR_UPDOWN), status::DDERR_INVALIDRECT);
    EXPECT_EQ(Dump(dst, RECT{0, 0, 6, 6}), before) << "nothing drawn";
}

INSTANTIATE_TEST_SUITE_P(Depths, FxPixels, ::testing::Values(8, 32),
                         [](const auto& info) { return std::to_string(info.param) + "bit"; });

}  // namespace
}  // namespace vexo
