// The sound device unplugged while sounds play (SDL's disk driver stands in
// for a real device; the platform's seam does what SDL does on removal).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sound/DX7Sound.h"
#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;
using Mode = audio::AudioOutput::Mode;

// True once every buffer of the slot has stopped, within a few seconds of
// real time; the status calls themselves must keep answering meanwhile.
bool PlaysToItsEnd(DX7Sound& snd, int slot) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
        int32_t playing = 0;
        for (auto& b : snd.SoundSlots[slot].Buffers) {
            DSCURSORS c{};
            b->GetCurrentPosition(c);
            playing += b->GetStatus() != 0;
        }
        if (!playing) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(SoundDeviceLost, SoundGoesOnSilentlyAndTheNextSetupFindsADevice) {
    auto& output = audio::AudioOutput::Get();
    RealSoundPlatform plat;
    ScopedPlatform scope{plat};
    TempDir dir;
    const std::string wave = dir.File("w.wav");
    WriteWav16(wave, Constant(6615, 8000), 22050, 1);  // 0.3 s

    DX7Sound snd;
    int32_t hz = 22050, bits = 16, ch = 1, slot = 0, copies = 2;
    ASSERT_EQ(snd.DsSetup(5, hz, bits, ch), 0);
    ASSERT_EQ(output.CurrentMode(), Mode::Device);
    ASSERT_EQ(snd.DsCreate(slot, wave, copies), 0);
    EXPECT_EQ(snd.DsPlay(slot), 0);

    ASSERT_TRUE(output.SimulateDeviceRemoval());
    // The next call that needs time to pass finds the device gone.
    EXPECT_EQ(snd.DsPlay(slot), 0);
    EXPECT_EQ(output.CurrentMode(), Mode::Silent);
    const int64_t before = output.FramesRendered();
    EXPECT_TRUE(PlaysToItsEnd(snd, slot)) << "sound stalled with the device gone";
    EXPECT_GT(output.FramesRendered(), before);
    EXPECT_EQ(snd.DsPlayLooping(slot), 0);
    EXPECT_EQ(snd.DsSetVolume(slot, -100), 0);
    EXPECT_EQ(snd.DsStop(slot), 0);
    EXPECT_FALSE(output.SimulateDeviceRemoval()) << "no device to lose";

    // Setting up again opens a device, and it plays.
    snd.DsClose();
    ASSERT_EQ(snd.DsSetup(5, hz, bits, ch), 0);
    EXPECT_EQ(output.CurrentMode(), Mode::Device);
    ASSERT_EQ(snd.DsCreate(slot, wave), 0);
    EXPECT_EQ(snd.DsPlay(slot), 0);
    EXPECT_TRUE(PlaysToItsEnd(snd, slot));
}

}  // namespace
}  // namespace vexo
