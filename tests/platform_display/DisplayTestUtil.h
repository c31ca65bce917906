// Helpers for the software display's tests: a display opened on the real
// platform, surfaces of any depth, pixel dumps and bitmap files.
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
#include "platform/display/Display.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/Surface.h"

namespace vexo::test {

inline constexpr int32_t kSys = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;

// A DirectDraw object in normal mode on a small desktop of `bpp` bits.
class DisplayTest : public ::testing::Test {
protected:
    void Open(int32_t bpp, int32_t w = 640, int32_t h = 480) {
        setenv("VEXO_NO_VSYNC", "1", 1);
        plat::SetDesktop(w, h, bpp);
        plat::SetVideoMemory(8 << 20);
        root = api::CreateDirectX7();
        dd = root->DirectDrawCreate("");
        dd->SetCooperativeLevel(0, DDSCL_NORMAL);
    }
    void SetUp() override { Open(32); }
    void TearDown() override {
        dd = nullptr;
        root = nullptr;
    }

    // An off-screen system-memory surface of `bpp` bits (the display's when 0).
    Ref<DirectDrawSurface7> Make(int32_t w, int32_t h, int32_t bpp = 0, int32_t caps = kSys) {
        DDSURFACEDESC2 d;
        d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.lWidth = w;
        d.lHeight = h;
        d.ddsCaps.lCaps = caps;
        if (bpp) {
            d.lFlags |= DDSD_PIXELFORMAT;
            plat::DescribeFormat(bpp, d.ddpfPixelFormat);
        }
        return dd->CreateSurface(d);
    }

    static void Poke(const Ref<DirectDrawSurface7>& s, int32_t x, int32_t y, uint32_t v) {
        RECT all;
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        s->SetLockedPixel(x, y, int32_t(v));
        s->Unlock(all);
    }
    static uint32_t Peek(const Ref<DirectDrawSurface7>& s, int32_t x, int32_t y) {
        RECT all;
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        const uint32_t v = uint32_t(s->GetLockedPixel(x, y));
        s->Unlock(all);
        return v;
    }
    // Sets every pixel to f(x, y).
    template <class F>
    static void Paint(const Ref<DirectDrawSurface7>& s, F f) {
        RECT all;
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        for (int32_t y = 0; y < d.lHeight; ++y)
            for (int32_t x = 0; x < d.lWidth; ++x) s->SetLockedPixel(x, y, int32_t(f(x, y)));
        s->Unlock(all);
    }
    // The pixels as hex values, rows separated by " | ", for readable failures.
    static std::string Dump(const Ref<DirectDrawSurface7>& s) {
        RECT all;
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        std::ostringstream os;
        os << std::hex;
        for (int32_t y = 0; y < d.lHeight; ++y) {
            if (y) os << " | ";
            for (int32_t x = 0; x < d.lWidth; ++x) os << (x ? " " : "") << uint32_t(s->GetLockedPixel(x, y));
        }
        s->Unlock(all);
        return os.str();
    }

    Ref<DirectX7> root;
    Ref<DirectDraw7> dd;
};

inline std::string TempPath(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / ("vexo_display_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

}  // namespace vexo::test
