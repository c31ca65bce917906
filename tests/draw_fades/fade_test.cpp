// The screen fades: what each step does and in which order, the hold counts
// that make an in-fade replay its out-fade, the byte overflows, the clamp of
// FeedOutValue; then on the real platform, the fade as the screen shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Fakes.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"

namespace vexo {
namespace {

using test::Table;

// A palette with black and white components and everything between.
Table Sample() {
    Table t;
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) % 256), uint8_t(i % 3)};
    return t;
}

bool SameColours(const Table& a, const Table& b) {
    for (size_t i = 0; i < 256; ++i)
        if (a[i].red != b[i].red || a[i].green != b[i].green || a[i].blue != b[i].blue) return false;
    return true;
}

constexpr uint8_t PALETTEENTRY::*kRgb[3] = {&PALETTEENTRY::red, &PALETTEENTRY::green, &PALETTEENTRY::blue};

class FadeRec : public ::testing::Test {
protected:
    void SetUp() override {
        palette = new test::FakePalette(host.log);
        primary = new test::FakeSurface(host.log);
        primary->palette = Ref<DirectDrawPalette>(palette);
        dd.PrimarySurface = Ref<DirectDrawSurface7>(primary);
        dd.DisplayDevice = Ref<DirectDraw7>(new test::FakeDisplay(host.log));
        palette->entries = Sample();
        host.logTicks = true;
    }
    // The palette after each step of the last fade.
    std::vector<Table> Steps() {
        auto w = std::move(palette->writes);
        palette->writes.clear();
        return w;
    }

    test::FakeHost host;
    ScopedPlatform scope{host};
    DX7Draw dd;
    test::FakePalette* palette = nullptr;
    test::FakeSurface* primary = nullptr;
};

TEST_F(FadeRec, EachStepWaitsThenWritesThePaletteThenProcessesMessages) {
    int32_t depth = 0;
    host.log.clear();
    EXPECT_EQ(dd.FeedDarkOutEx(0, depth, VB_TRUE), 0);
    EXPECT_EQ(host.log, (std::vector<std::string>{"GetPalette", "GetEntries(0, 256)", "Tick", "Tick", "VB(1, 0)",
                                                  "SetEntries(0, 256)", "DoEvents"}));
    // One step: every non-zero component one level lower, zeros held once.
    const Table s = Sample();
    for (size_t i = 0; i < 256; ++i) {
        for (auto c : kRgb) {
            EXPECT_EQ(palette->entries[i].*c, s[i].*c == 0 ? 0 : s[i].*c - 1);
            EXPECT_EQ(dd.FeedHoldCount[i].*c, s[i].*c == 0 ? 1 : 0);
        }
    }

    // Only exactly True waits for the vertical blank.
    for (VBBool flag : {VBBool(1), VBBool(0), VBBool(2)}) {
        host.log.clear();
        dd.FeedFlashOut(0, flag);
        EXPECT_TRUE(host.Matching("VB").empty()) << flag;
        EXPECT_EQ(host.Matching("SetEntries").size(), 256u);
    }

    // StopTime goes to TimeStopper, which processes messages while it waits.
    palette->entries = Sample();
    host.log.clear();
    depth = 0;
    dd.FeedDarkOutEx(2, depth, VB_FALSE);
    EXPECT_EQ(host.log, (std::vector<std::string>{"GetPalette", "GetEntries(0, 256)", "Tick", "Tick", "Tick",
                                                  "Key(0)", "DoEvents", "SetEntries(0, 256)", "DoEvents"}));
}

TEST_F(FadeRec, DarkOutThenDarkInGivesBackEveryEntryExactly) {
    for (auto& e : dd.FeedSavedPalette) e.flags = 0x55;
    const Table s = Sample();
    // Black components reach their 256th hold: 6, and the fade is complete.
    EXPECT_EQ(dd.FeedDarkOut(), ERR_OVERFLOW);
    auto out = Steps();
    ASSERT_EQ(out.size(), 256u);
    for (size_t i = 0; i < 256; ++i) {
        for (auto c : kRgb) {
            EXPECT_EQ(palette->entries[i].*c, 0);
            EXPECT_EQ(dd.FeedSavedPalette[i].*c, s[i].*c);
            EXPECT_EQ(int(dd.FeedHoldCount[i].*c), std::min(255, 256 - int(s[i].*c)));
        }
        EXPECT_EQ(dd.FeedSavedPalette[i].flags, 0x55) << "the flags byte is never written";
        EXPECT_EQ(palette->entries[i].flags, s[i].flags);
    }
    // Halfway: components of value v are at max(v - 128, 0).
    EXPECT_EQ(out[127][200].red, 200 - 128);
    EXPECT_EQ(out[127][100].red, 0);

    EXPECT_EQ(dd.FeedDarkIn(), 0);
    auto in = Steps();
    ASSERT_EQ(in.size(), 256u);
    EXPECT_EQ(palette->entries, s);
    for (const auto& e : dd.FeedHoldCount) EXPECT_EQ(e, (PALETTEENTRY{0, 0, 0, 0}));
    // Bright components come back first: after step k, v is at max(0, v - 255 + k).
    for (int k : {0, 100, 200, 254}) {
        for (int v : {1, 57, 128, 255}) {
            const size_t i = size_t(v);  // red of entry v is v
            EXPECT_EQ(int(in[size_t(k)][i].red), std::max(0, v - 255 + k)) << "step " << k << " v " << v;
        }
    }

    // The flash pair mirrors it.
    EXPECT_EQ(dd.FeedFlashOut(), ERR_OVERFLOW);
    for (const auto& e : palette->entries) EXPECT_EQ(e.red & e.green & e.blue, 255);
    EXPECT_EQ(dd.FeedFlashIn(), 0);
    EXPECT_EQ(palette->entries, s);
}

TEST_F(FadeRec, ExDepthIsSubtractiveAndTheInFadeRestoresWithinItsSteps) {
    const Table s = Sample();
    int32_t depth = 63;
    EXPECT_EQ(dd.FeedDarkOutEx(0, depth), 0);
    EXPECT_EQ(Steps().size(), 64u);
    for (size_t i = 0; i < 256; ++i)
        for (auto c : kRgb) EXPECT_EQ(int(palette->entries[i].*c), std::max(0, int(s[i].*c) - 64));

    EXPECT_EQ(dd.FeedDarkIn(), 0);
    auto in = Steps();
    ASSERT_EQ(in.size(), 256u) << "the in-fade still runs 256 steps";
    EXPECT_FALSE(SameColours(in[62], s));
    EXPECT_TRUE(SameColours(in[63], s)) << "back after 64 steps";
    for (size_t k = 63; k < 256; ++k) EXPECT_TRUE(SameColours(in[k], s)) << k;

    // A palette with black: the full fade overflows a hold count, 254 does not.
    palette->entries = s;
    EXPECT_EQ(dd.FeedDarkOut(), ERR_OVERFLOW);
    palette->entries = s;
    depth = 254;
    EXPECT_EQ(dd.FeedDarkOutEx(0, depth), 0);
}

TEST_F(FadeRec, FeedOutValueIsClampedAndWrittenBack) {
    int32_t depth = 300;
    dd.FeedFlashOutEx(0, depth);
    EXPECT_EQ(depth, 255);
    EXPECT_EQ(Steps().size(), 256u);
    depth = -5;
    dd.FeedFlashOutEx(0, depth);
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(Steps().size(), 1u);
    depth = 300;
    dd.FeedDarkOutEx(0, depth);
    EXPECT_EQ(depth, 255);
    EXPECT_EQ(Steps().size(), 256u);
    // No variable: the default depth of 128.
    dd.FeedDarkOutEx();
    EXPECT_EQ(Steps().size(), 129u);
}

TEST_F(FadeRec, MismatchedPairsAndFreshObjects) {
    // Dark-in after a flash-out: the raised components cannot go higher.
    EXPECT_EQ(dd.FeedFlashOut(), ERR_OVERFLOW);
    EXPECT_EQ(dd.FeedDarkIn(), ERR_OVERFLOW);
    for (const auto& e : palette->entries) EXPECT_EQ(e.red & e.green & e.blue, 255);
    // After an Ex flash-out the components first climb to 255.
    palette->entries = Sample();
    int32_t depth = 9;
    dd.FeedFlashOutEx(0, depth);
    EXPECT_EQ(dd.FeedDarkIn(), ERR_OVERFLOW);
    for (const auto& e : palette->entries) EXPECT_EQ(e.red & e.green & e.blue, 255);

    // Fresh tables: flash-in falls to black, dark-in climbs to white.
    {
        DX7Draw fresh;
        fresh.PrimarySurface = dd.PrimarySurface;
        fresh.DisplayDevice = dd.DisplayDevice;
        palette->entries = Sample();
        EXPECT_EQ(fresh.FeedFlashIn(0, VB_FALSE), 0);
        for (const auto& e : palette->entries) EXPECT_EQ(e.red | e.green | e.blue, 0);
    }
    {
        DX7Draw fresh;
        fresh.PrimarySurface = dd.PrimarySurface;
        fresh.DisplayDevice = dd.DisplayDevice;
        palette->entries = Sample();
        EXPECT_EQ(fresh.FeedDarkIn(0, VB_FALSE), ERR_OVERFLOW);
        const Table s = Sample();
        for (size_t i = 0; i < 256; ++i)
            for (auto c : kRgb) EXPECT_EQ(palette->entries[i].*c, s[i].*c == 0 ? 0 : 255);
    }
}

TEST_F(FadeRec, WithoutAPaletteEveryStepStillRunsAndTheResultIsNonZero) {
    primary->palette = nullptr;
    host.log.clear();
    const int32_t r = dd.FeedDarkIn();
    EXPECT_NE(r, 0);
    EXPECT_EQ(r, ERR_OBJECT_NOT_SET);  // the last failure: writing through no palette
    EXPECT_EQ(host.doEvents, 256);
    EXPECT_EQ(host.Matching("VB").size(), 256u);
    EXPECT_EQ(host.Matching("GetPalette").size(), 1u);

    // No display at all: the waits of TimeStopper still happen, no vertical blank.
    DX7Draw closed;
    host.log.clear();
    host.doEvents = 0;
    int32_t depth = 3;
    EXPECT_NE(closed.FeedFlashOutEx(0, depth), 0);
    EXPECT_EQ(host.doEvents, 4);
    EXPECT_EQ(host.Matching("Tick").size(), 8u);
}

// --- The real software platform --------------------------------------------

class FadeScreen : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VEXO_NO_VSYNC", "1", 1);
        wnd = plat::CreateWindow("fade", 0, 0, 640, 480);
        ASSERT_NE(wnd, 0);
    }
    void TearDown() override {
        host.onDoEvents = nullptr;
        if (dd) dd->DDClose();
        dd.reset();
        plat::DestroyWindow(wnd);
    }

    test::FakeHost host;
    ScopedPlatform scope{host};
    HWND wnd = 0;
    std::unique_ptr<DX7Draw> dd;
};

TEST_F(FadeScreen, EightBitFullScreenFadeIsSeenStepByStep) {
    dd = std::make_unique<DX7Draw>();
    Ref<DirectDrawSurface7> back = dd->DDSetup(wnd, 640, 480, FULLSCREEN, bit256);
    ASSERT_FALSE(back.IsNothing());
    Table entries{};
    for (int i = 0; i < 256; ++i) entries[size_t(i)] = {uint8_t(i), uint8_t(255 - i), 128, 0};
    auto pal = dd->DisplayDevice->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries);
    dd->PrimarySurface->SetPalette(pal);
    RECT left{0, 0, 320, 480}, right{320, 0, 640, 480};
    ASSERT_EQ(back->BltColorFill(left, 200), 0);
    ASSERT_EQ(back->BltColorFill(right, 10), 0);
    dd->DDFlip();
    const COLORREF a = COLORREF(RGB(200, 55, 128)), b = COLORREF(RGB(10, 245, 128));
    ASSERT_EQ(plat::ScreenPixel(10, 10), a);
    ASSERT_EQ(plat::ScreenPixel(600, 470), b);

    std::vector<COLORREF> seenA, seenB;
    host.onDoEvents = [&] {
        seenA.push_back(plat::ScreenPixel(10, 10));
        seenB.push_back(plat::ScreenPixel(600, 470));
    };
    int32_t depth = 99;
    EXPECT_EQ(dd->FeedDarkOutEx(0, depth), 0);
    ASSERT_EQ(seenA.size(), 100u);
    auto down = [](int v, int k) { return std::max(0, v - (k + 1)); };
    for (int k : {0, 1, 9, 54, 55, 99}) {
        EXPECT_EQ(seenA[size_t(k)], COLORREF(RGB(down(200, k), down(55, k), down(128, k)))) << k;
        EXPECT_EQ(seenB[size_t(k)], COLORREF(RGB(down(10, k), down(245, k), down(128, k)))) << k;
    }
    seenA.clear();
    seenB.clear();
    EXPECT_EQ(dd->FeedDarkIn(), 0);
    ASSERT_EQ(seenA.size(), 256u);
    EXPECT_NE(seenA[50], a);
    EXPECT_EQ(seenA[99], a);
    EXPECT_EQ(seenA[255], a);
    EXPECT_EQ(seenB[255], b);
    Table now{};
    pal->GetEntries(0, 256, now);
    EXPECT_EQ(now, entries);
}

TEST_F(FadeScreen, SixteenBitDisplayTakesEveryStepAndChangesNothing) {
    dd = std::make_unique<DX7Draw>();
    Ref<DirectDrawSurface7> back = dd->DDSetup(wnd, 640, 480, FULLSCREEN, bit65536);
    ASSERT_FALSE(back.IsNothing());
    dd->DDFillRect(back, 0, 0, 0, 0, RGB(255, 0, 0));
    dd->DDFlip();
    const COLORREF before = plat::ScreenPixel(5, 5);
    host.doEvents = 0;
    EXPECT_NE(dd->FeedFlashOut(), 0);
    EXPECT_EQ(host.doEvents, 256);
    EXPECT_EQ(plat::ScreenPixel(5, 5), before);
}

}  // namespace
}  // namespace vexo
