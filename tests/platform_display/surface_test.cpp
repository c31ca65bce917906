// Surface creation, memory, descriptions, lock and device-context rules,
// colour keys, the flipping chain, palettes and the clipper.
#include "DisplayTestUtil.h"

namespace vexo::test {
namespace {

using namespace vexo::status;

class SurfaceTest : public DisplayTest {};

TEST_F(SurfaceTest, CreateSurfaceRefusesBadDescriptions) {
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.lCaps = kSys;
    d.lWidth = 0;
    d.lHeight = 10;
    EXPECT_EQ(ErrorOf([&] { dd->CreateSurface(d); }), E_INVALIDARG);
    d.lWidth = 10;
    d.lFlags = DDSD_CAPS | DDSD_HEIGHT;  // no width given
    EXPECT_EQ(ErrorOf([&] { dd->CreateSurface(d); }), E_INVALIDARG);
    d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.lCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY;
    EXPECT_EQ(ErrorOf([&] { dd->CreateSurface(d); }), DDERR_INVALIDCAPS);
    // Sizes no memory can hold fail cleanly instead of allocating.
    for (int32_t side : {100000, 30000, 2147483647}) {
        d.ddsCaps.lCaps = kSys;
        d.lWidth = side;
        d.lHeight = side;
        EXPECT_EQ(ErrorOf([&] { dd->CreateSurface(d); }), DDERR_OUTOFMEMORY) << side;
    }
    // A flipping chain needs exclusive full-screen access.
    DDSURFACEDESC2 chain;
    chain.lFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    chain.ddsCaps.lCaps = 0xA18;
    chain.lBackBufferCount = 1;
    EXPECT_EQ(ErrorOf([&] { dd->CreateSurface(chain); }), DDERR_NOEXCLUSIVEMODE);
    // Before any cooperative level there are no surfaces at all.
    auto fresh = root->DirectDrawCreate("");
    d.lWidth = d.lHeight = 4;
    EXPECT_EQ(ErrorOf([&] { fresh->CreateSurface(d); }), plat::st::NOCOOPERATIVELEVELSET);
}

TEST_F(SurfaceTest, VideoMemoryRunsOutThenSystemMemoryServes) {
    const int64_t one = int64_t(plat::PitchFor(320, 32)) * 240;
    plat::SetVideoMemory(2 * one);
    auto a = Make(320, 240, 0, DDSCAPS_OFFSCREENPLAIN);
    auto b = Make(320, 240, 0, DDSCAPS_OFFSCREENPLAIN);
    DDSURFACEDESC2 d;
    a->GetSurfaceDesc(d);
    EXPECT_EQ(d.ddsCaps.lCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY), DDSCAPS_VIDEOMEMORY);
    EXPECT_EQ(plat::VideoMemoryFree(), 0);
    EXPECT_EQ(ErrorOf([&] { Make(320, 240, 0, DDSCAPS_OFFSCREENPLAIN); }), DDERR_OUTOFVIDEOMEMORY);
    auto c = Make(320, 240, 0, kSys);
    c->GetSurfaceDesc(d);
    EXPECT_EQ(d.ddsCaps.lCaps, 0x840);
    // Releasing a video surface gives its room back.
    a = nullptr;
    EXPECT_EQ(plat::VideoMemoryFree(), one);
    EXPECT_EQ(ErrorOf([&] { Make(320, 240, 0, DDSCAPS_OFFSCREENPLAIN); }), 0);
}

TEST_F(SurfaceTest, DescriptionsCarryTheDisplayFormat) {
    struct Case {
        int32_t bpp, r, g, b;
    };
    for (Case c : {Case{8, 0, 0, 0}, Case{16, 0xF800, 0x07E0, 0x1F}, Case{24, 0xFF0000, 0xFF00, 0xFF},
                   Case{32, 0xFF0000, 0xFF00, 0xFF}}) {
        Open(c.bpp, 320, 240);
        DDSURFACEDESC2 d;
        Make(10, 5)->GetSurfaceDesc(d);
        EXPECT_EQ(d.lWidth, 10);
        EXPECT_EQ(d.lHeight, 5);
        EXPECT_GE(d.lPitch, 10 * c.bpp / 8);
        EXPECT_EQ(d.ddpfPixelFormat.lRGBBitCount, c.bpp);
        EXPECT_EQ(d.ddpfPixelFormat.lRBitMask, c.r);
        EXPECT_EQ(d.ddpfPixelFormat.lGBitMask, c.g);
        EXPECT_EQ(d.ddpfPixelFormat.lBBitMask, c.b);
        EXPECT_EQ(bool(d.ddpfPixelFormat.lFlags & DDPF_PALETTEINDEXED8), c.bpp == 8);
        DDSURFACEDESC2 p;
        p.lFlags = DDSD_CAPS;
        p.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
        dd->CreateSurface(p)->GetSurfaceDesc(d);
        EXPECT_EQ(d.lWidth, 320);
        EXPECT_EQ(d.lHeight, 240);
        EXPECT_TRUE(d.ddsCaps.lCaps & DDSCAPS_PRIMARYSURFACE);
    }
}

TEST_F(SurfaceTest, LockAndDeviceContextRules) {
    auto s = Make(8, 8);
    auto other = Make(8, 8);
    RECT all, part{2, 2, 4, 4}, outside{4, 4, 9, 6}, reversed{5, 0, 3, 2};
    DDSURFACEDESC2 d;
    EXPECT_EQ(ErrorOf([&] { s->Lock(outside, d, DDLOCK_WAIT, 0); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { s->Lock(reversed, d, DDLOCK_WAIT, 0); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { s->GetLockedPixel(0, 0); }), DDERR_NOTLOCKED);
    s->Lock(part, d, DDLOCK_WAIT, 0);
    EXPECT_EQ(ErrorOf([&] { s->Lock(all, d, DDLOCK_WAIT, 0); }), DDERR_SURFACEBUSY);
    EXPECT_EQ(ErrorOf([&] { s->GetLockedPixel(4, 2); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { s->SetLockedPixel(1, 3, 1); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { s->GetLockedPixel(3, 3); }), 0);
    LockedArray a = s->GetLockedArray();
    EXPECT_EQ(a.Width(), 2 * 4);
    EXPECT_EQ(a.Height(), 2);
    EXPECT_EQ(ErrorOf([&] { a(8, 0); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { a(0, -1); }), ERR_SUBSCRIPT);
    EXPECT_EQ(other->BltFast(0, 0, s, all, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->BltColorFill(all, 1), DDERR_SURFACEBUSY);
    EXPECT_EQ(ErrorOf([&] { s->GetDC(); }), DDERR_SURFACEBUSY);
    s->Unlock(all);
    EXPECT_EQ(ErrorOf([&] { s->Unlock(all); }), DDERR_NOTLOCKED);

    const HDC dc = s->GetDC();
    EXPECT_NE(dc, 0);
    EXPECT_EQ(ErrorOf([&] { s->GetDC(); }), DDERR_DCALREADYCREATED);
    EXPECT_EQ(ErrorOf([&] { s->Lock(all, d, DDLOCK_WAIT, 0); }), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->Blt(all, other, all, DDBLT_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(other->Blt(all, s, all, DDBLT_WAIT), DDERR_SURFACEBUSY);
    s->ReleaseDC(dc);
    EXPECT_EQ(ErrorOf([&] { s->ReleaseDC(dc); }), DDERR_NODC);
    EXPECT_EQ(s->Blt(all, other, all, DDBLT_WAIT), OK);
}

TEST_F(SurfaceTest, ColorKeysAreSingleValues) {
    auto s = Make(4, 4);
    DDCOLORKEY k;
    EXPECT_EQ(ErrorOf([&] { s->GetColorKey(DDCKEY_SRCBLT, k); }), DDERR_NOCOLORKEY);
    DDCOLORKEY set{5, 9};
    s->SetColorKey(DDCKEY_SRCBLT, set);
    s->GetColorKey(DDCKEY_SRCBLT, k);
    EXPECT_EQ(k.low, 5);
    EXPECT_EQ(k.high, 5);
    DDSURFACEDESC2 d;
    s->GetSurfaceDesc(d);
    EXPECT_EQ(d.ddckCKSrcBlt.low, 5);
}

TEST_F(SurfaceTest, FullScreenChainFlipsAndGivesTheDesktopBack) {
    const HWND w = plat::CreateWindow("game", 0, 0, 320, 240);
    EXPECT_EQ(ErrorOf([&] { dd->SetCooperativeLevel(w + 1, 19); }), E_HANDLE);
    dd->SetCooperativeLevel(w, 19);
    EXPECT_EQ(ErrorOf([&] { dd->SetDisplayMode(641, 480, 32, 0, 0); }), DDERR_UNSUPPORTED);
    EXPECT_EQ(ErrorOf([&] { dd->SetDisplayMode(640, 480, 12, 0, 0); }), DDERR_UNSUPPORTED);
    dd->SetDisplayMode(800, 600, 16, 0, 0);
    DDSURFACEDESC2 mode;
    dd->GetDisplayMode(mode);
    EXPECT_EQ(mode.lWidth, 800);
    EXPECT_EQ(mode.ddpfPixelFormat.lRGBBitCount, 16);
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.lCaps = 0xA18;
    d.lBackBufferCount = 1;
    auto front = dd->CreateSurface(d);
    DDSCAPS2 caps;
    caps.lCaps = DDSCAPS_BACKBUFFER;
    auto back = front->GetAttachedSurface(caps);
    ASSERT_TRUE(back);
    back->GetSurfaceDesc(d);
    EXPECT_EQ(d.lWidth, 800);
    EXPECT_TRUE(d.ddsCaps.lCaps & DDSCAPS_SYSTEMMEMORY);
    auto plain = Make(4, 4);
    EXPECT_EQ(ErrorOf([&] { plain->GetAttachedSurface(caps); }), DDERR_NOTFOUND);
    EXPECT_EQ(ErrorOf([&] { plain->Flip(nullptr, DDFLIP_WAIT); }), DDERR_NOTFLIPPABLE);

    RECT all;
    back->BltColorFill(all, 0xF800);  // red in 5-6-5
    EXPECT_EQ(plat::ScreenPixel(5, 5), COLORREF(RGB(0, 0, 0)));
    front->Flip(back, DDFLIP_WAIT);
    EXPECT_EQ(plat::ScreenPixel(5, 5), COLORREF(RGB(255, 0, 0)));
    EXPECT_EQ(Peek(back, 5, 5), 0u);  // the old front's pixels
    EXPECT_EQ(Peek(front, 5, 5), 0xF800u);
    dd->FlipToGDISurface();
    EXPECT_EQ(plat::ScreenPixel(5, 5), COLORREF(RGB(0, 0, 0)));
    dd->RestoreDisplayMode();
    int32_t sw, sh, sb;
    plat::GetScreenMode(sw, sh, sb);
    EXPECT_EQ(sw, 640);
    EXPECT_EQ(sb, 32);
    // Releasing the owner of a changed mode gives the desktop back too.
    dd->SetDisplayMode(320, 240, 8, 0, 0);
    dd = nullptr;
    plat::GetScreenMode(sw, sh, sb);
    EXPECT_EQ(sw, 640);
    plat::DestroyWindow(w);
}

TEST_F(SurfaceTest, PalettesForceBlackAndWhiteUnlessAllow256) {
    std::vector<PALETTEENTRY> in(256);
    for (int i = 0; i < 256; ++i) in[size_t(i)] = {uint8_t(i), uint8_t(255 - i), 7, 0};
    auto p = dd->CreatePalette(DDPCAPS_8BIT, in);
    std::vector<PALETTEENTRY> out(256);
    p->GetEntries(0, 256, out);
    EXPECT_EQ(out[0], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(out[255], (PALETTEENTRY{255, 255, 255, 0}));
    EXPECT_EQ(out[1], (PALETTEENTRY{1, 254, 7, 0}));
    std::vector<PALETTEENTRY> two = {{9, 9, 9, 0}, {8, 8, 8, 0}};
    p->SetEntries(0, 2, two);
    p->GetEntries(0, 2, out);
    EXPECT_EQ(out[0], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(out[1], (PALETTEENTRY{8, 8, 8, 0}));
    EXPECT_EQ(ErrorOf([&] { p->GetEntries(255, 2, out); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { p->SetEntries(-1, 2, two); }), E_INVALIDARG);

    auto full = dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, in);
    full->GetEntries(0, 256, out);
    EXPECT_EQ(out[0], (PALETTEENTRY{0, 255, 7, 0}));
    EXPECT_EQ(out[255], (PALETTEENTRY{255, 0, 7, 0}));
    EXPECT_EQ(full->GetCaps() & DDPCAPS_ALLOW256, DDPCAPS_ALLOW256);

    auto s32 = Make(4, 4);
    EXPECT_EQ(ErrorOf([&] { s32->SetPalette(full); }), DDERR_INVALIDPIXELFORMAT);
    auto s8 = Make(4, 4, 8);
    EXPECT_EQ(ErrorOf([&] { s8->GetPalette(); }), DDERR_NOPALETTEATTACHED);
    s8->SetPalette(full);
    EXPECT_EQ(s8->GetPalette(), full);
    auto small = dd->CreatePalette(DDPCAPS_4BIT, in);
    EXPECT_EQ(ErrorOf([&] { small->GetEntries(15, 2, out); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { s8->SetPalette(small); }), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(ErrorOf([&] { dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_4BIT, in); }), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { dd->CreatePalette(DDPCAPS_8BIT, std::span(in).first(100)); }), E_INVALIDARG);
}

TEST_F(SurfaceTest, ColourTablesOfBitmapFiles) {
    const std::vector<uint8_t> table = {3, 2, 1, 0, 30, 20, 10, 0};  // B, G, R, 0
    const std::string eight = TempPath("table8.bmp"), four = TempPath("table4.bmp"), deep = TempPath("deep.bmp");
    auto file8 = BmpFile(2, 1, 8, 0, table, {0, 1, 0, 0});
    file8[46] = 2;  // two colours used
    WriteFile(eight, file8);
    WriteFile(four, BmpFile(2, 1, 4, 0, std::vector<uint8_t>(64, 9), {0x01, 0, 0, 0}));
    WriteFile(deep, BmpFile(1, 1, 24, 0, {}, {1, 2, 3, 0}));
    std::vector<PALETTEENTRY> e(256, PALETTEENTRY{7, 7, 7, 7});
    dd->LoadPaletteFromBitmap(eight, e);
    EXPECT_EQ(e[0], (PALETTEENTRY{1, 2, 3, 0}));
    EXPECT_EQ(e[1], (PALETTEENTRY{10, 20, 30, 0}));
    EXPECT_EQ(e[2], (PALETTEENTRY{0, 0, 0, 0}));
    dd->LoadPaletteFromBitmap(four, e);
    EXPECT_EQ(e[15], (PALETTEENTRY{9, 9, 9, 0}));
    EXPECT_EQ(e[16], (PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_EQ(ErrorOf([&] { dd->LoadPaletteFromBitmap(deep, e); }), E_FAIL);
    EXPECT_EQ(ErrorOf([&] { dd->LoadPaletteFromBitmap(TempPath("none.bmp"), e); }), status::hr(0x80070002));
    auto cut = file8;
    cut.resize(60);  // the colour table cut short
    WriteFile(eight, cut);
    EXPECT_EQ(ErrorOf([&] { dd->LoadPaletteFromBitmap(eight, e); }), E_FAIL);
}

TEST_F(SurfaceTest, EightBitScreenShowsThePaletteInForce) {
    Open(8, 320, 240);
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
    auto primary = dd->CreateSurface(d);
    RECT all;
    primary->BltColorFill(all, 7);
    std::vector<PALETTEENTRY> in(256, PALETTEENTRY{1, 2, 3, 0});
    in[7] = {10, 20, 30, 0};
    auto pal = dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, in);
    primary->SetPalette(pal);
    EXPECT_EQ(plat::ScreenPixel(100, 100), COLORREF(RGB(10, 20, 30)));
    // A palette change shows without redrawing.
    std::vector<PALETTEENTRY> one = {{200, 100, 50, 0}};
    pal->SetEntries(7, 1, one);
    EXPECT_EQ(plat::ScreenPixel(100, 100), COLORREF(RGB(200, 100, 50)));
}

TEST_F(SurfaceTest, ClipListIsTheClientAreaOnTheScreen) {
    const HWND w = plat::CreateWindow("clip", 100, 50, 200, 100);
    RECT outer, client;
    api::GetWindowRect(w, outer);
    api::GetClientRect(w, client);
    EXPECT_EQ(outer, (RECT{100, 50, 308, 177}));
    EXPECT_EQ(client, (RECT{0, 0, 200, 100}));
    auto c = dd->CreateClipper(0);
    std::vector<RECT> list(1);
    EXPECT_EQ(ErrorOf([&] { c->GetClipList(list); }), DDERR_NOCLIPLIST);
    EXPECT_EQ(ErrorOf([&] { c->SetHWnd(w + 2); }), E_INVALIDARG);
    c->SetHWnd(w);
    EXPECT_EQ(c->GetHWnd(), w);
    EXPECT_EQ(c->GetClipList(list), 1);
    EXPECT_EQ(list[0], (RECT{104, 73, 304, 173}));
    // Partly off the 640 x 480 screen: only the visible part.
    api::SetWindowPos(w, 0, 500, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    c->GetClipList(list);
    EXPECT_EQ(list[0], (RECT{504, 423, 640, 480}));
    // Wholly off it: nothing listed, the old value kept.
    api::SetWindowPos(w, 0, 700, 400, 0, 0, SWP_NOSIZE);
    EXPECT_EQ(c->GetClipList(list), 0);
    EXPECT_EQ(list[0], (RECT{504, 423, 640, 480}));
    plat::DestroyWindow(w);
    EXPECT_EQ(api::GetWindowRect(w, outer), 0);
}

}  // namespace
}  // namespace vexo::test
