// A process that looks at the screen before anything drew on it or changed
// the desktop: the default desktop, black, can be read and saved.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <filesystem>

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

}  // namespace
}  // namespace vexo::test
