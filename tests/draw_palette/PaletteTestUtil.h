// Shared set-up for the palette, half-blend and extended-blit tests: a
// DX7Draw on the real software platform, headless, with an 8-bit display,
// and helpers for 8-bit pixels, palettes and bitmap files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Platform.h"
#include "tests/support/Checks.h"
#include "tests/support/Files.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"

namespace vexo {

// Reaches the private lock helpers.
struct DX7DrawTestAccess {
    static int32_t Lock(DX7Draw& d, Ref<DirectDrawSurface7>& s) { return d.LockEntireSurface(s); }
    static int32_t Unlock(DX7Draw& d, Ref<DirectDrawSurface7>& s) { return d.UnlockEntireSurface(s); }
};

namespace paltest {

using Entries = std::vector<PALETTEENTRY>;

using test::Bytes;
using test::ErrorOf;
using test::Put16;
using test::Put32;
using test::ReadFile;
using test::WriteFile;

inline VBArray<uint8_t> Channel(const Entries& e, int which) {
    VBArray<uint8_t> a(0, int32_t(e.size()) - 1);
    for (size_t i = 0; i < e.size(); ++i)
        a(int32_t(i)) = which == 0 ? e[i].red : which == 1 ? e[i].green : e[i].blue;
    return a;
}

inline Entries EntriesOf(const Ref<DirectDrawPalette>& p) {
    Entries out(256);
    p->GetEntries(0, 256, out);
    return out;
}

// A windowed display on an 8-bit desktop, and surfaces of the display's depth.
class Draw8 : public ::testing::Test {
protected:
    DX7Draw dd;
    HWND wnd = 0;
    Ref<DirectDrawSurface7> back;
    int32_t savedW = 0, savedH = 0, savedBpp = 0;
    std::string dir;

    void SetUp() override {
        setenv("VEXO_NO_VSYNC", "1", 1);
        plat::GetDesktop(savedW, savedH, savedBpp);
        dir = (std::filesystem::temp_directory_path() /
               ("vexo-pal-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                  .string();
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        back = nullptr;
        dd.DDClose();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
        plat::SetDesktop(savedW, savedH, savedBpp);
        std::filesystem::remove_all(dir);
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }

    void Open(int32_t bpp = 8, int32_t w = 64, int32_t h = 48) {
        back = nullptr;
        dd.DDClose();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
        plat::SetDesktop(640, 480, bpp);
        wnd = CurrentPlatform().Windows().CreateAppWindow("palette test", 10, 20, w, h, 0);
        back = dd.DDSetup(wnd, w, h, NORMALSCREEN);
        ASSERT_FALSE(back.IsNothing()) << bpp << " bits";
    }

    // A palette of the platform holding `e` as given (all 256 entries).
    Ref<DirectDrawPalette> Palette(const Entries& e) {
        VBArray<uint8_t> r = Channel(e, 0), g = Channel(e, 1), b = Channel(e, 2);
        Ref<DirectDrawPalette> p = dd.DDCreatePalette(r, g, b);
        EXPECT_FALSE(p.IsNothing());
        return p;
    }

    Ref<DirectDrawSurface7> Surface(int32_t w, int32_t h) {
        Ref<DirectDrawSurface7> s = dd.DDCreateSurface(w, h);
        EXPECT_FALSE(s.IsNothing());
        return s;
    }
};

// Pixels of an 8-bit surface, row by row.
inline Bytes Pixels(const Ref<DirectDrawSurface7>& s) {
    RECT whole{};
    DDSURFACEDESC2 d{};
    s->Lock(whole, d, DDLOCK_WAIT, 0);
    Bytes out;
    for (int32_t y = 0; y < d.lHeight; ++y)
        for (int32_t x = 0; x < d.lWidth; ++x) out.push_back(uint8_t(s->GetLockedPixel(x, y)));
    s->Unlock(whole);
    return out;
}

// Sets every pixel to f(x, y).
template <class F>
void Paint(const Ref<DirectDrawSurface7>& s, F f) {
    RECT whole{};
    DDSURFACEDESC2 d{};
    s->Lock(whole, d, DDLOCK_WAIT, 0);
    for (int32_t y = 0; y < d.lHeight; ++y)
        for (int32_t x = 0; x < d.lWidth; ++x) s->SetLockedPixel(x, y, int32_t(f(x, y) & 0xFF));
    s->Unlock(whole);
}

// Compares an 8-bit surface of width `w` with f(x, y); names the first
// differing pixel.
template <class F>
::testing::AssertionResult PixelsAre(const Ref<DirectDrawSurface7>& s, int32_t w, F f) {
    return test::SamePixels(Pixels(s), w, [&](int32_t x, int32_t y) { return int(f(x, y) & 0xFF); });
}

// A bitmap file of w x h with a 40-byte header, `table` entries of colour
// table (clrUsed = table size, 0 = the full table of the depth) and zero
// pixels.
inline Bytes BmpFile(int32_t w, int32_t h, int32_t bpp, const Entries& table, uint32_t clrUsed) {
    const uint32_t stride = ((uint32_t(w) * uint32_t(bpp) + 31) / 32) * 4;
    Bytes colours;
    for (const PALETTEENTRY& e : table) colours.insert(colours.end(), {e.blue, e.green, e.red, 0});
    return test::BmpFile(w, h, bpp, 0, colours, Bytes(size_t(stride) * size_t(h), 0), clrUsed);
}

// A reproducible pseudo-random sequence (no dependence on the library's).
struct Lcg {
    uint32_t s;
    explicit Lcg(uint32_t seed) : s(seed) {}
    uint32_t Next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    uint8_t Byte() { return uint8_t(Next()); }
};

}  // namespace paltest
}  // namespace vexo
