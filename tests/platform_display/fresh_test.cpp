// A process that looks at the screen before anything drew on it or changed
// the desktop: the default desktop, black, can be read and saved.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <filesystem>

#include "common/Platform.h"
#include "platform/display/Display.h"

namespace vexo::test {
namespace {

TEST(FreshDisplay, DefaultDesktopCanBeSavedBeforeAnyDrawing) {
    int32_t w, h, bpp;
    plat::GetDesktop(w, h, bpp);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_EQ(bpp, 32);
    EXPECT_EQ(plat::ScreenPixel(1919, 1079), COLORREF(0));
    EXPECT_EQ(plat::ScreenPixel(1920, 0), CLR_INVALID);
    const std::string path = (std::filesystem::temp_directory_path() / "vexo_fresh_screen.png").string();
    ASSERT_TRUE(plat::SaveScreenPng(path));
    int iw = 0, ih = 0, comp = 0;
    stbi_uc* px = stbi_load(path.c_str(), &iw, &ih, &comp, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(iw, 1920);
    EXPECT_EQ(ih, 1080);
    stbi_image_free(px);
    std::filesystem::remove(path);
}

// Runs second: the backend starts here, told to save every presented frame.
TEST(FreshDisplay, HeadlessBackendSavesEveryPresentedFrame) {
    const auto dir = std::filesystem::temp_directory_path() / ("vexo_frames_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    setenv("VEXO_HEADLESS_FRAMES", dir.string().c_str(), 1);
    setenv("VEXO_NO_VSYNC", "1", 1);
    plat::SetDesktop(64, 48, 16);
    EXPECT_EQ(plat::BackendName(), "headless");
    auto dd = api::CreateDirectX7()->DirectDrawCreate("");
    dd->SetCooperativeLevel(0, DDSCL_NORMAL);
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
    auto primary = dd->CreateSurface(d);
    RECT r{0, 0, 8, 8};
    primary->BltColorFill(r, 0x001F);
    const auto last = dir / "frame-00001.png";
    ASSERT_TRUE(std::filesystem::exists(last));
    int iw = 0, ih = 0, comp = 0;
    stbi_uc* px = stbi_load(last.string().c_str(), &iw, &ih, &comp, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(iw, 64);
    EXPECT_EQ(px[2], 255);  // blue at the top-left
    EXPECT_EQ(px[(10 * 64 + 10) * 3 + 2], 0);
    stbi_image_free(px);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vexo::test
