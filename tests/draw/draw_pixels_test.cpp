// DX7Draw over the real software platform, headless: the pixels that land.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/Platform.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"
#include "platform/display/Windows.h"

namespace vexo {

struct DX7DrawTestAccess {
    static int32_t Convert(DX7Draw& d, int32_t color) { return d.ConvertColorToPixel(color); }
};

namespace {

std::vector<uint32_t> Pixels(Ref<DirectDrawSurface7>& s, int32_t& w, int32_t& h) {
    RECT whole{};
    DDSURFACEDESC2 d{};
    s->Lock(whole, d, DDLOCK_WAIT, 0);
    w = d.lWidth;
    h = d.lHeight;
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) out.push_back(static_cast<uint32_t>(s->GetLockedPixel(x, y)));
    s->Unlock(whole);
    return out;
}
std::vector<uint32_t> Pixels(Ref<DirectDrawSurface7>& s) {
    int32_t w, h;
    return Pixels(s, w, h);
}
void SetPixels(Ref<DirectDrawSurface7>& s, const std::vector<uint32_t>& v) {
    RECT whole{};
    DDSURFACEDESC2 d{};
    s->Lock(whole, d, DDLOCK_WAIT, 0);
    for (int32_t y = 0; y < d.lHeight; ++y)
        for (int32_t x = 0; x < d.lWidth; ++x)
            s->SetLockedPixel(x, y, static_cast<int32_t>(v[static_cast<size_t>(y * d.lWidth + x)]));
    s->Unlock(whole);
}
int32_t KeyOf(Ref<DirectDrawSurface7>& s) {
    DDCOLORKEY k{};
    s->GetColorKey(DDCKEY_SRCBLT, k);
    EXPECT_EQ(k.low, k.high);
    return k.low;
}

// A bottom-up 24-bit bitmap file of `w` x `h` RGB colours (red low byte).
void WriteBmp(const std::string& path, int w, int h, const std::vector<uint32_t>& rgb) {
    const int row = (w * 3 + 3) & ~3;
    std::vector<uint8_t> f(54 + row * h, 0);
    auto p32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = (v >> (8 * i)) & 0xFF;
    };
    f[0] = 'B';
    f[1] = 'M';
    p32(2, static_cast<uint32_t>(f.size()));
    p32(10, 54);
    p32(14, 40);
    p32(18, w);
    p32(22, h);
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rgb[y * w + x];
            uint8_t* px = &f[54 + (h - 1 - y) * row + x * 3];
            px[0] = (c >> 16) & 0xFF;  // blue
            px[1] = (c >> 8) & 0xFF;
            px[2] = c & 0xFF;
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

class DrawPixels : public ::testing::Test {
protected:
    DX7Draw dd;
    HWND wnd = 0;
    Ref<DirectDrawSurface7> back;
    int32_t savedW = 0, savedH = 0, savedBpp = 0;
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("vexo-draw-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                          .string();

    void SetUp() override {
        plat::GetDesktop(savedW, savedH, savedBpp);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        back = nullptr;
        dd.DDClose();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
        plat::SetDesktop(savedW, savedH, savedBpp);
        std::filesystem::remove_all(dir);
    }
    // A windowed display of w x h on a desktop of the given depth.
    void Open(int32_t bpp, int32_t w = 64, int32_t h = 48) {
        back = nullptr;
        dd.DDClose();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
        plat::SetDesktop(640, 480, bpp);
        wnd = CurrentPlatform().Windows().CreateAppWindow("test", 10, 20, 200, 100, 0);
        back = dd.DDSetup(wnd, w, h, NORMALSCREEN);
        ASSERT_FALSE(back.IsNothing()) << bpp << " bits";
    }
};

TEST_F(DrawPixels, ColourKeysSkipExactlyTheKeyPixelsInEachDepth) {
    for (int32_t bpp : {8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Open(bpp);
        const uint32_t mask = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
        Ref<DirectDrawSurface7> src = dd.DDCreateSurface(8, 4);
        Ref<DirectDrawSurface7> dst = dd.DDCreateSurface(8, 4);
        ASSERT_FALSE(src.IsNothing());
        dd.DDSetColorKey(src, RGB(255, 0, 255));
        const uint32_t key = static_cast<uint32_t>(KeyOf(src));
        // Key pixels among near misses (one bit off in the low and the high end).
        std::vector<uint32_t> pattern(32);
        for (size_t i = 0; i < pattern.size(); ++i) {
            const uint32_t miss = i % 4 == 1 ? key ^ 1u : i % 4 == 2 ? key ^ (1u << (bpp == 32 ? 23 : bpp - 1)) : (key + 3 + i);
            pattern[i] = (i % 4 == 0 ? key : miss) & mask;
        }
        SetPixels(src, pattern);
        const uint32_t ground = (key + 101) & mask;
        const std::vector<uint32_t> cleared(32, ground);

        auto expectKeyed = [&](const char* what) {
            const std::vector<uint32_t> got = Pixels(dst);
            for (size_t i = 0; i < got.size(); ++i)
                EXPECT_EQ(got[i] & mask, pattern[i] == key ? ground : pattern[i]) << what << " pixel " << i;
        };
        SetPixels(dst, cleared);
        ASSERT_TRUE(std::holds_alternative<int32_t>(dd.DDBltFast(src, dst, 0, 0, 0, 0, 0, 0)));
        expectKeyed("BltFast");
        SetPixels(dst, cleared);
        EXPECT_EQ(dd.DDBlt(src, dst, 0, 0, 0, 0, 0, 0), 0);
        expectKeyed("Blt");
        // Without the key every pixel lands.
        SetPixels(dst, cleared);
        dd.DDBltFast(src, dst, 0, 0, 0, 0, 0, 0, VB_FALSE);
        EXPECT_EQ(Pixels(dst), pattern);
        SetPixels(dst, cleared);
        dd.DDBlt(src, dst, 0, 0, 0, 0, 0, 0, VB_FALSE);
        EXPECT_EQ(Pixels(dst), pattern);
    }
}

TEST_F(DrawPixels, BitmapTopLeftPixelBecomesTheKeyInTheDisplayFormat) {
    const std::string file = dir + "/sheet.bmp";
    WriteBmp(file, 4, 2, {0xFF00FF, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0xFF00FF, 0, 0x808080});

    Open(16);
    Ref<DirectDrawSurface7> s = dd.DDCreateSurfaceFromFile(file);
    ASSERT_FALSE(s.IsNothing());
    EXPECT_EQ(KeyOf(s), 0xF81F);
    EXPECT_EQ(DX7DrawTestAccess::Convert(dd, RGB(255, 0, 255)), 0xF81F);
    EXPECT_EQ(dd.DDGetSurfaceWidth(s), 4);
    EXPECT_EQ(dd.DDGetSurfaceHeight(s), 2);
    const std::vector<uint32_t> px = Pixels(s);
    EXPECT_EQ(px[1], 0xF800u);  // red in 5-6-5
    EXPECT_EQ(px[2], 0x07E0u);
    EXPECT_EQ(px[3], 0x001Fu);
    // Drawn keyed onto white, both magenta pixels stay white.
    Ref<DirectDrawSurface7> dst = dd.DDCreateSurface(4, 2);
    dd.DDFillRect(dst, 0, 0, 0, 0, RGB(255, 255, 255));
    dd.DDBltFast(s, dst, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Pixels(dst), (std::vector<uint32_t>{0xFFFF, 0xF800, 0x07E0, 0x001F, 0xFFFF, 0xFFFF, 0, 0x8410}));

    Open(32);
    s = dd.DDCreateSurfaceFromFile(file);
    ASSERT_FALSE(s.IsNothing());
    EXPECT_EQ(KeyOf(s) & 0xFFFFFF, 0xFF00FF);

    Open(8);
    const int32_t index = DX7DrawTestAccess::Convert(dd, RGB(255, 0, 255));
    EXPECT_GE(index, 0);
    EXPECT_LE(index, 255);
    s = dd.DDCreateSurfaceFromFile(file);
    ASSERT_FALSE(s.IsNothing());
    EXPECT_EQ(KeyOf(s), index);

    // Missing and truncated files: nothing, and nothing raised.
    EXPECT_TRUE(dd.DDCreateSurfaceFromFile(dir + "/none.bmp").IsNothing());
    std::filesystem::resize_file(file, 40);
    EXPECT_TRUE(dd.DDCreateSurfaceFromFile(file).IsNothing());
    EXPECT_TRUE(dd.DDCreateSurfaceFromResource("1").IsNothing());
    EXPECT_THROW(dd.DDCreateSurfaceFromBitmap(0), VbError);
}

TEST_F(DrawPixels, FillsStopBeforeRightAndBottom) {
    for (int32_t bpp : {16, 32}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Open(bpp);
        const uint32_t red = bpp == 16 ? 0xF800 : 0xFF0000, green = bpp == 16 ? 0x07E0 : 0x00FF00;
        Ref<DirectDrawSurface7> s = dd.DDCreateSurface(10, 8);
        EXPECT_EQ(dd.DDFillRect(s, 0, 0, 0, 0, RGB(0, 0, 0)), 0);
        EXPECT_EQ(dd.DDFillRect(s, 2, 3, 5, 7, RGB(255, 0, 0)), 0);
        EXPECT_EQ(dd.DDFillRect(s, 8, 0, -5, 1, RGB(0, 255, 0)), 0);  // to the right edge
        int32_t w, h;
        std::vector<uint32_t> px = Pixels(s, w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t want = (x >= 2 && x < 5 && y >= 3 && y < 7) ? red : (y == 0 && x >= 8) ? green : 0;
                EXPECT_EQ(px[static_cast<size_t>(y * w + x)], want) << x << "," << y;
            }
        // Reaching outside: refused, nothing written.
        EXPECT_EQ(dd.DDFillRect(s, 0, 0, 11, 8, RGB(0, 0, 255)), status::DDERR_INVALIDRECT);
        EXPECT_EQ(dd.DDFillRect(s, -1, 0, 3, 3, RGB(0, 0, 255)), status::DDERR_INVALIDRECT);
        EXPECT_EQ(dd.DDFillRect(s, INT_MIN, INT_MIN, INT_MAX, INT_MAX, RGB(0, 0, 255)), status::DDERR_INVALIDRECT);
        EXPECT_EQ(Pixels(s), px);
    }
}

TEST_F(DrawPixels, OutOfRangeBlitsAreRefusedAndTouchNothing) {
    Open(32);
    Ref<DirectDrawSurface7> src = dd.DDCreateSurface(100, 20);
    Ref<DirectDrawSurface7> dst = dd.DDCreateSurface(50, 40);
    dd.DDFillRect(src, 0, 0, 0, 0, RGB(1, 2, 3));
    dd.DDSetColorKey(src, RGB(255, 0, 255));
    dd.DDFillRect(dst, 0, 0, 0, 0, RGB(9, 9, 9));
    const std::vector<uint32_t> before = Pixels(dst);

    // Width 0 from column 10 asks for columns 10 to 109 of a 100-wide source.
    EXPECT_LT(dd.DDBlt(src, dst, 10, 0, 0, 10, 0, 0), 0);
    EXPECT_LT(dd.DDBlt(src, dst, 0, 0, 10, 10, 45, 0), 0);  // past the right edge
    EXPECT_LT(dd.DDBlt(src, dst, 0, 0, 10, 10, -3, -3), 0);
    EXPECT_LT(dd.DDBlt(src, dst, INT_MAX, 0, 10, 10, 0, 0), 0);  // overflowing edge left at 0
    EXPECT_LT(dd.DDBlt(src, dst, 0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN), 0);
    const std::array<int32_t, 6> fastCases[] = {{0, 0, 0, 0, 0, 0},       {90, 0, 20, 5, 0, 0},
                                                {0, 0, 10, 10, 41, 0},    {0, 0, 10, 10, -1, 0},
                                                {0, 0, 10, 10, INT_MAX, 0}, {INT_MIN, 0, 10, 10, 0, 0},
                                                {0, 0, INT_MAX, 5, 0, 0}};
    for (auto [xs, ys, w, h, xd, yd] : fastCases) {
        Variant r = dd.DDBltFast(src, dst, xs, ys, w, h, xd, yd);
        ASSERT_TRUE(std::holds_alternative<int32_t>(r));
        EXPECT_LT(std::get<int32_t>(r), 0) << xs << "," << ys << " " << w << "x" << h << " at " << xd << "," << yd;
    }
    EXPECT_EQ(Pixels(dst), before);

    // Within both surfaces it lands, at exactly the requested place.
    EXPECT_EQ(std::get<int32_t>(dd.DDBltFast(src, dst, 5, 5, 3, 2, 47, 38)), 0);
    const std::vector<uint32_t> after = Pixels(dst);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            EXPECT_EQ(after[y * 50 + x] & 0xFFFFFF, (x >= 47 && y >= 38) ? 0x010203u : 0x090909u) << x << "," << y;
}

TEST_F(DrawPixels, WindowedPresentLandsInTheClientAreaAndFollowsItsSize) {
    Open(32, 64, 48);
    RECT client{};
    ASSERT_TRUE(plat::Windows().ClientOnScreen(wnd, client));
    EXPECT_EQ(client.Right - client.Left, 64);
    EXPECT_EQ(client.Bottom - client.Top, 48);
    // Left half red, right half blue, one green pixel at the far corner.
    dd.DDFillRect(back, 0, 0, 32, 0, RGB(255, 0, 0));
    dd.DDFillRect(back, 32, 0, 0, 0, RGB(0, 0, 255));
    dd.DDFillRect(back, 63, 47, 64, 48, RGB(0, 255, 0));
    dd.DDFlip();
    EXPECT_EQ(dd.FlipClipList[0], client);

    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255);
    auto screenAt = [](int32_t x, int32_t y) { return plat::ScreenPixel(x, y); };
    EXPECT_EQ(screenAt(client.Left, client.Top), red);
    EXPECT_EQ(screenAt(client.Left + 31, client.Top + 47), red);
    EXPECT_EQ(screenAt(client.Left + 32, client.Top), blue);
    EXPECT_EQ(screenAt(client.Right - 1, client.Bottom - 1), green);
    EXPECT_NE(screenAt(client.Right, client.Bottom - 1), green);
    EXPECT_NE(screenAt(client.Left - 1, client.Top), red);

    // A client area twice the size: the present scales the whole back buffer.
    RECT outer{};
    CurrentPlatform().Windows().GetWindowRect(wnd, outer);
    CurrentPlatform().Windows().SetWindowPos(wnd, 0, 0, 0, (outer.Right - outer.Left) + 64,
                                             (outer.Bottom - outer.Top) + 48, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(plat::Windows().ClientOnScreen(wnd, client));
    dd.DDFlip();
    EXPECT_EQ(dd.FlipClipList[0], client);
    EXPECT_EQ(screenAt(client.Left + 63, client.Top + 10), red);  // source column 31
    EXPECT_EQ(screenAt(client.Left + 64, client.Top + 10), blue);  // source column 32
    EXPECT_EQ(screenAt(client.Right - 2, client.Bottom - 2), green);
    EXPECT_EQ(screenAt(client.Right - 3, client.Bottom - 3), blue);

    // Moved: the next present lands at the new place.
    CurrentPlatform().Windows().SetWindowPos(wnd, 0, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(plat::Windows().ClientOnScreen(wnd, client));
    dd.DDFlip();
    EXPECT_EQ(dd.FlipClipList[0], client);
    EXPECT_EQ(screenAt(client.Left, client.Top), red);
    EXPECT_EQ(screenAt(client.Right - 1, client.Bottom - 1), green);
}

// A window dragged past the screen's edges shows the part of the back buffer
// that belongs to its visible part, unscaled; a resized one shows the same
// part at its scale. Every visible pixel is checked, and nothing around it.
TEST_F(DrawPixels, WindowedPresentPastTheScreenEdgeShowsTheMatchingPartUnsqueezed) {
    Open(32, 64, 48);
    std::vector<uint32_t> pattern(64 * 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) pattern[size_t(y * 64 + x)] = uint32_t(x * 3) << 16 | uint32_t(y * 5) << 8 | 77;
    SetPixels(back, pattern);
    auto expectShown = [&](int32_t scale) {
        RECT client{};
        ASSERT_TRUE(plat::Windows().ClientOnScreen(wnd, client));
        dd.DDFlip();
        const RECT vis{std::max(client.Left, 0), std::max(client.Top, 0), std::min(client.Right, 640),
                       std::min(client.Bottom, 480)};
        ASSERT_EQ(dd.FlipClipList[0], vis);
        ASSERT_NE(vis, client);
        int wrong = 0;
        for (int32_t y = vis.Top; y < vis.Bottom; ++y)
            for (int32_t x = vis.Left; x < vis.Right; ++x) {
                const uint32_t p = pattern[size_t((y - client.Top) / scale * 64 + (x - client.Left) / scale)];
                wrong += plat::ScreenPixel(x, y) != COLORREF(RGB(p >> 16, (p >> 8) & 255, p & 255));
            }
        EXPECT_EQ(wrong, 0) << "client " << client.Left << "," << client.Top;
        // Just outside the visible part the desktop is untouched.
        if (vis.Right < 640) {
            EXPECT_NE(plat::ScreenPixel(vis.Right, vis.Top) & 0xFF0000, 0x4D0000u);
        }
        if (vis.Bottom < 480) {
            EXPECT_NE(plat::ScreenPixel(vis.Left, vis.Bottom) & 0xFF0000, 0x4D0000u);
        }
    };
    auto moveClientTo = [&](int32_t x, int32_t y) {
        CurrentPlatform().Windows().SetWindowPos(wnd, 0, x - plat::kFrameLeft, y - plat::kFrameTop, 0, 0,
                                                 SWP_NOSIZE | SWP_NOZORDER);
    };
    moveClientTo(-20, 480 - 38);  // past the left and bottom edges
    expectShown(1);
    moveClientTo(640 - 30, -5);  // past the right and top edges
    expectShown(1);

    // Twice the size, past the left edge.
    RECT outer{};
    CurrentPlatform().Windows().GetWindowRect(wnd, outer);
    CurrentPlatform().Windows().SetWindowPos(wnd, 0, 0, 0, (outer.Right - outer.Left) + 64,
                                             (outer.Bottom - outer.Top) + 48, SWP_NOMOVE | SWP_NOZORDER);
    moveClientTo(-37, 100);
    expectShown(2);
}

TEST_F(DrawPixels, FullScreenChangesTheModeAndCloseRestoresIt) {
    auto mode = [] {
        std::array<int32_t, 3> m{};
        plat::GetScreenMode(m[0], m[1], m[2]);
        return m;
    };
    const std::array<int32_t, 3> desktop = mode();
    wnd = CurrentPlatform().Windows().CreateAppWindow("full", 30, 40, 200, 100, 0);
    RECT outer{};
    CurrentPlatform().Windows().GetWindowRect(wnd, outer);

    // A mode the display lacks: nothing opens, nothing changes.
    EXPECT_TRUE(dd.DDSetup(wnd, 641, 480, FULLSCREEN, bit256).IsNothing());
    EXPECT_TRUE(dd.DisplayDevice.IsNothing());
    EXPECT_EQ(mode(), desktop);

    back = dd.DDSetup(wnd, 320, 240, FULLSCREEN, bit256);
    ASSERT_FALSE(back.IsNothing());
    EXPECT_EQ(mode(), (std::array<int32_t, 3>{320, 240, 8}));
    EXPECT_EQ(dd.DDGetSurfaceWidth(back), 320);
    dd.DDFillRect(back, 0, 0, 0, 0, RGB(255, 255, 255));
    dd.DDFlip();
    back = nullptr;
    dd.DDClose();
    EXPECT_EQ(mode(), desktop);
    RECT now{};
    CurrentPlatform().Windows().GetWindowRect(wnd, now);
    EXPECT_EQ(now, outer);
}

TEST_F(DrawPixels, OffScreenSurfaceFallsBackToSystemMemoryWhenVideoMemoryIsFull) {
    Open(32);
    auto capsOf = [](Ref<DirectDrawSurface7>& s) {
        DDSURFACEDESC2 d{};
        s->GetSurfaceDesc(d);
        return d.ddsCaps.lCaps;
    };
    Ref<DirectDrawSurface7> inVideo = dd.DDCreateSurface(32, 32);
    ASSERT_FALSE(inVideo.IsNothing());
    EXPECT_TRUE(capsOf(inVideo) & DDSCAPS_VIDEOMEMORY);
    const int64_t before = plat::VideoMemoryFree();
    plat::SetVideoMemory(0);
    Ref<DirectDrawSurface7> inSystem = dd.DDCreateSurface(32, 32);
    plat::SetVideoMemory(before + 32 * 32 * 4);
    ASSERT_FALSE(inSystem.IsNothing());
    EXPECT_TRUE(capsOf(inSystem) & DDSCAPS_SYSTEMMEMORY);
    EXPECT_FALSE(capsOf(inSystem) & DDSCAPS_VIDEOMEMORY);
    EXPECT_TRUE(dd.DDCreateSurface(0, 0).IsNothing());
    EXPECT_TRUE(dd.DDCreateSurface(-5, 10).IsNothing());
    EXPECT_TRUE(dd.DDCreateSurface(INT_MAX, INT_MAX).IsNothing());
}

}  // namespace
}  // namespace vexo
