// Shared set-up for the recording tests: a recording platform in force, a
// top-level window 7 whose frame adds 8 x 27, and a fresh DX7Draw.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "tests/support/Checks.h"
#include "tests/support/RecordingPlatform.h"
#include "draw/DX7Draw.h"

namespace vexo {

// Reaches the private colour conversion for tests.
struct DX7DrawTestAccess {
    static int32_t Convert(DX7Draw& d, int32_t color) { return d.ConvertColorToPixel(color); }
};

namespace test {

class DrawRec : public ::testing::Test {
protected:
    static constexpr HWND kWnd = 7;
    static constexpr RECT kOuter{50, 60, 50 + 328, 60 + 267};  // client 320 x 240

    RecordingPlatform plat;
    ScopedPlatform scope{plat};
    State& st = *plat.st;
    std::unique_ptr<DX7Draw> dd;

    void SetUp() override {
        plat.AddWindow(kWnd, kOuter, 320, 240);
        dd = std::make_unique<DX7Draw>();
    }
    void TearDown() override { dd.reset(); }

    // Opens a windowed 640 x 480 display and clears the log.
    void OpenWindowed() {
        ASSERT_FALSE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
        st.Clear();
    }
    void OpenFullScreen() {
        ASSERT_FALSE(dd->DDSetup(kWnd, 640, 480, FULLSCREEN, bit65536).IsNothing());
        st.Clear();
    }
    // A surface of the fake platform made directly, no display needed.
    Ref<DirectDrawSurface7> Surface(int32_t w, int32_t h) {
        return Ref<DirectDrawSurface7>(new FakeSurface(plat.st, w, h, DDSCAPS_OFFSCREENPLAIN));
    }
};

}  // namespace test
}  // namespace vexo
