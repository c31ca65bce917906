// Palettes made from arrays, from bitmap files and the fixed 3-3-2 palette;
// attaching them, and what an attached palette does to the screen and to
// the colours GDI picks.
#include "PaletteTestUtil.h"
#include "platform/display/Windows.h"

namespace vexo::paltest {
namespace {

using namespace vexo::status;

class Palettes : public Draw8 {};

Entries Ramp() {
    Entries e(256);
    for (int i = 0; i < 256; ++i) e[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    return e;
}

TEST_F(Palettes, CreatePaletteRefusesArraysWhoseUpperBoundIsNot255) {
    Open();
    VBArray<uint8_t> good(0, 255), short_(0, 254), shifted(1, 256), none;
    EXPECT_TRUE(dd.DDCreatePalette(short_, short_, short_).IsNothing());
    EXPECT_TRUE(dd.DDCreatePalette(shifted, shifted, shifted).IsNothing());
    EXPECT_TRUE(dd.DDCreatePalette(none, none, none).IsNothing());
    // One wrong array of three is enough, whichever it is.
    EXPECT_TRUE(dd.DDCreatePalette(good, good, short_).IsNothing());
    EXPECT_TRUE(dd.DDCreatePalette(good, none, good).IsNothing());
    EXPECT_TRUE(dd.DDCreatePalette(shifted, good, good).IsNothing());
    // The run time's own answer for an array with no bounds yet.
    EXPECT_EQ(ErrorOf([&] { none.UBound(); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { none(0); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { shifted(0); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { VBArray<uint8_t> upsideDown(5, 4); }), ERR_SUBSCRIPT);
    EXPECT_FALSE(dd.DDCreatePalette(good, good, good).IsNothing());
    // Without an open display there is nothing to create it with.
    dd.DDClose();
    EXPECT_TRUE(dd.DDCreatePalette(good, good, good).IsNothing());
}

TEST_F(Palettes, CreatePaletteTakesSubscriptsAsTheyAre) {
    Open();
    const Entries want = Ramp();
    VBArray<uint8_t> r = Channel(want, 0), g = Channel(want, 1), b = Channel(want, 2);
    Ref<DirectDrawPalette> p = dd.DDCreatePalette(r, g, b);
    ASSERT_FALSE(p.IsNothing());
    // Every entry as given, 0 and 255 included: the palette allows all 256.
    EXPECT_EQ(EntriesOf(p), want);
    EXPECT_EQ(p->GetCaps(), DDPCAPS_8BIT | DDPCAPS_ALLOW256);

    // An array starting at 1 cannot supply subscript 0: that component
    // stays 0. One starting below 0 supplies 0..255 from the right places.
    VBArray<uint8_t> red(1, 255), blue(-5, 255);
    for (int32_t i = 1; i <= 255; ++i) red(i) = uint8_t(i);
    for (int32_t i = -5; i <= 255; ++i) blue(i) = uint8_t(i < 0 ? 99 : 255 - i);
    Ref<DirectDrawPalette> q = dd.DDCreatePalette(red, g, blue);
    ASSERT_FALSE(q.IsNothing());
    const Entries got = EntriesOf(q);
    EXPECT_EQ(got[0], (PALETTEENTRY{0, want[0].green, 255, 0}));
    EXPECT_EQ(got[1], (PALETTEENTRY{1, want[1].green, 254, 0}));
    EXPECT_EQ(got[255], (PALETTEENTRY{255, want[255].green, 0, 0}));
}

TEST_F(Palettes, DefaultPaletteSpreadsThreeThreeTwoLevels) {
    Open();
    Ref<DirectDrawPalette> p = dd.DDCreateDefPalette();
    ASSERT_FALSE(p.IsNothing());
    EXPECT_EQ(p->GetCaps(), DDPCAPS_8BIT);
    const Entries e = EntriesOf(p);
    const uint8_t level3[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    const uint8_t level2[4] = {0, 85, 170, 255};
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(e[size_t(i)], (PALETTEENTRY{level3[i >> 5], level3[(i >> 2) & 7], level2[i & 3], 0})) << i;
    EXPECT_EQ(e[0x92], (PALETTEENTRY{146, 146, 170, 0}));
    EXPECT_EQ(e[0x6D], (PALETTEENTRY{109, 109, 85, 0}));
    EXPECT_EQ(e[0xE0], (PALETTEENTRY{255, 0, 0, 0}));
    EXPECT_EQ(e[0x1C], (PALETTEENTRY{0, 255, 0, 0}));
    EXPECT_EQ(e[3], (PALETTEENTRY{0, 0, 255, 0}));
    EXPECT_EQ(e[255], (PALETTEENTRY{255, 255, 255, 0}));
    dd.DDClose();
    EXPECT_TRUE(dd.DDCreateDefPalette().IsNothing());
}

TEST_F(Palettes, AttachReportsFailureInThreeWays) {
    Open(32);
    Ref<DirectDrawPalette> p = dd.DDCreateDefPalette();
    ASSERT_FALSE(p.IsNothing());
    Ref<DirectDrawSurface7> none;
    // A 32-bit surface takes no palette: a number, a variant, an error.
    EXPECT_EQ(dd.DDSurfaceSetPalette(back, p), Variant{DDERR_INVALIDPIXELFORMAT});
    EXPECT_EQ(ErrorOf([&] { dd.DDSetPalette(back, p); }), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(dd.DDPrimarySetPalette(p), DDERR_INVALIDPIXELFORMAT);
    // A surface argument that is not set.
    EXPECT_EQ(dd.DDSurfaceSetPalette(none, p), Variant{ERR_OBJECT_NOT_SET});
    EXPECT_EQ(ErrorOf([&] { dd.DDSetPalette(none, p); }), ERR_OBJECT_NOT_SET);
    // No display, no primary surface.
    dd.DDClose();
    EXPECT_EQ(dd.DDPrimarySetPalette(p), ERR_OBJECT_NOT_SET);
}

TEST_F(Palettes, OnePaletteServesSeveralSurfaces) {
    Open();
    Ref<DirectDrawPalette> p = dd.DDCreateDefPalette();
    Ref<DirectDrawSurface7> a = Surface(8, 8), b = Surface(8, 8);
    EXPECT_EQ(dd.DDSurfaceSetPalette(a, p), Variant{0});
    dd.DDSetPalette(b, p);
    EXPECT_EQ(dd.DDPrimarySetPalette(p), 0);
    EXPECT_EQ(a->GetPalette(), p);
    EXPECT_EQ(b->GetPalette(), p);
    EXPECT_EQ(dd.PrimarySurface->GetPalette(), p);
    // The surfaces keep it alive; the caller's reference is not the only one.
    const uint32_t held = p->RefCount();
    a = nullptr;
    EXPECT_EQ(p->RefCount(), held - 1);
}

// Where the window's client area lies on the screen.
RECT ClientOnScreen(HWND w) {
    RECT r{};
    plat::Windows().ClientOnScreen(w, r);
    return r;
}

TEST_F(Palettes, PrimaryPaletteDecidesScreenAndGdiColoursAtOnce) {
    Open(8, 64, 48);
    Entries e(256);
    for (int i = 0; i < 256; ++i) e[size_t(i)] = {uint8_t(i), 0, 0, 0};
    e[9] = {10, 200, 30, 0};
    Ref<DirectDrawPalette> p1 = Palette(e);
    ASSERT_EQ(dd.DDPrimarySetPalette(p1), 0);

    // GDI picks the nearest entry of the palette in force for a colour.
    ASSERT_EQ(dd.DDFillRect(back, 0, 0, 0, 0, RGB(10, 200, 30)), 0);
    EXPECT_TRUE(PixelsAre(back, 64, [](int, int) { return 9; }));
    dd.DDFlip();
    const RECT c = ClientOnScreen(wnd);
    EXPECT_EQ(plat::ScreenPixel(c.Left + 3, c.Top + 2), COLORREF(RGB(10, 200, 30)));

    // A new colour for entry 9 shows without another present, and GDI reads
    // it back from the next device context.
    const Entries nine = {{50, 60, 70, 0}};
    p1->SetEntries(9, 1, nine);
    EXPECT_EQ(plat::ScreenPixel(c.Left + 3, c.Top + 2), COLORREF(RGB(50, 60, 70)));
    HDC dc = back->GetDC();
    EXPECT_EQ(api::GetPixel(dc, 5, 5), COLORREF(RGB(50, 60, 70)));
    back->ReleaseDC(dc);

    // Another palette attached: the same colour is another index.
    Entries f(256, PALETTEENTRY{0, 0, 255, 0});
    f[77] = {10, 200, 30, 0};
    Ref<DirectDrawPalette> p2 = Palette(f);
    ASSERT_EQ(dd.DDPrimarySetPalette(p2), 0);
    EXPECT_EQ(plat::ScreenPixel(c.Left + 3, c.Top + 2), COLORREF(RGB(0, 0, 255)));
    dd.DDFillRect(back, 0, 0, 0, 0, RGB(10, 200, 30));
    EXPECT_TRUE(PixelsAre(back, 64, [](int, int) { return 77; }));
}

TEST_F(Palettes, FullScreenEightBitModeShowsThroughThePrimaryPalette) {
    plat::SetDesktop(640, 480, 32);
    wnd = CurrentPlatform().Windows().CreateAppWindow("full", 0, 0, 100, 100, 0);
    back = dd.DDSetup(wnd, 320, 240, FULLSCREEN, bit256);
    ASSERT_FALSE(back.IsNothing());
    int32_t w, h, bpp;
    plat::GetScreenMode(w, h, bpp);
    ASSERT_EQ(bpp, 8);
    Entries e(256, PALETTEENTRY{1, 1, 1, 0});
    e[200] = {250, 128, 3, 0};
    Ref<DirectDrawPalette> p = Palette(e);
    ASSERT_EQ(dd.DDPrimarySetPalette(p), 0);
    dd.DDFillRect(back, 0, 0, 0, 0, RGB(250, 128, 3));
    EXPECT_TRUE(PixelsAre(back, 320, [](int, int) { return 200; }));
    dd.DDFlip();
    EXPECT_EQ(plat::ScreenPixel(100, 100), COLORREF(RGB(250, 128, 3)));
}

TEST_F(Palettes, PaletteFromFileKeepsTheColourTable) {
    Open();
    // 8-bit: all 256 entries as stored, black and white positions included.
    Entries full = Ramp();
    WriteFile(Path("8.bmp"), BmpFile(4, 2, 8, full, 0));
    Ref<DirectDrawPalette> p8 = dd.DDCreatePaletteFromFile(Path("8.bmp"));
    ASSERT_FALSE(p8.IsNothing());
    EXPECT_EQ(EntriesOf(p8), full);

    // A shorter table (fewer colours used, 4 and 1 bits): the rest black.
    auto expectHead = [&](const std::string& file, const Entries& head) {
        Ref<DirectDrawPalette> p = dd.DDCreatePaletteFromFile(Path(file));
        ASSERT_FALSE(p.IsNothing()) << file;
        const Entries got = EntriesOf(p);
        for (size_t i = 0; i < 256; ++i)
            EXPECT_EQ(got[i], i < head.size() ? head[i] : PALETTEENTRY{}) << file << " entry " << i;
    };
    const Entries ten(full.begin() + 100, full.begin() + 110);
    WriteFile(Path("8short.bmp"), BmpFile(4, 2, 8, ten, 10));
    expectHead("8short.bmp", ten);
    const Entries sixteen(full.begin() + 30, full.begin() + 46);
    WriteFile(Path("4.bmp"), BmpFile(5, 3, 4, sixteen, 0));
    expectHead("4.bmp", sixteen);
    const Entries two = {{255, 255, 255, 0}, {12, 34, 56, 0}};
    WriteFile(Path("1.bmp"), BmpFile(9, 2, 1, two, 0));
    expectHead("1.bmp", two);
}

TEST_F(Palettes, PaletteFromFileRefusesFilesWithoutAUsableTable) {
    Open();
    Bytes truecolour = BmpFile(4, 2, 24, {}, 0);
    WriteFile(Path("24.bmp"), truecolour);
    // Claims 256 colours but the file ends inside the table.
    Bytes cut = BmpFile(4, 2, 8, Ramp(), 0);
    cut.resize(14 + 40 + 100);
    WriteFile(Path("cut.bmp"), cut);
    // A header that claims a huge picture in a tiny file.
    Bytes liar = BmpFile(4, 2, 8, Ramp(), 0);
    liar[18] = liar[19] = liar[20] = 0xFF;
    liar[21] = 0x7F;
    WriteFile(Path("liar.bmp"), liar);
    WriteFile(Path("text.bmp"), Bytes{'h', 'e', 'l', 'l', 'o'});
    for (const char* f : {"24.bmp", "cut.bmp", "liar.bmp", "text.bmp", "missing.bmp"}) {
        EXPECT_TRUE(dd.DDCreatePaletteFromFile(Path(f)).IsNothing()) << f;
        std::vector<PALETTEENTRY> entries(256);
        const int32_t e = ErrorOf([&] { dd.DisplayDevice->LoadPaletteFromBitmap(Path(f), entries); });
        EXPECT_LT(e, 0) << f << ": the platform's own status";
    }
    EXPECT_TRUE(dd.DDCreatePaletteFromFile("").IsNothing());
}

}  // namespace
}  // namespace vexo::paltest
