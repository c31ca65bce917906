// DX7Sound on the platform a game gets by default (headless here): a window
// from the host, the device, a load, a play that sounds.
#include <gtest/gtest.h>

#include "sound/DX7Sound.h"
#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

TEST(DX7SoundDefaultPlatform, AGameSetsUpLoadsAndHearsItsEffect) {
    OfflineOutput out;
    TempDir dir;
    WriteWav16(dir.File("jump.wav"), Constant(11025, 12000), 22050, 1);
    HWND wnd = CurrentPlatform().Windows().CreateAppWindow("sound", 0, 0, 320, 240, 0);
    ASSERT_NE(wnd, 0);
    {
        DX7Sound snd;
        EXPECT_EQ(snd.DsSetup(wnd), 0);
        int32_t slot = 42;
        EXPECT_EQ(snd.DsCreate(slot, dir.File("jump.wav"), 4), 0);
        EXPECT_EQ(snd.DsPlay(slot), 0);
        EXPECT_EQ(snd.DsPlay(slot), 0);
        auto mix = out.Render(2000);
        // 22050 Hz 8-bit stereo (the default format): two overlapping plays.
        EXPECT_NEAR(L(mix, 1000), 2 * 12000.0f / 32768, 2.0f / 128);
        EXPECT_NEAR(R(mix, 1000), 2 * 12000.0f / 32768, 2.0f / 128);
        snd.DsClose();
        // A handle that names no window fails set-up with the platform's status.
        EXPECT_EQ(snd.DsSetup(wnd + 1000), status::DSERR_INVALIDPARAM);
        EXPECT_TRUE(snd.SoundDevice.IsNothing());
    }
    CurrentPlatform().Windows().DestroyAppWindow(wnd);
}

}  // namespace
}  // namespace vexo
