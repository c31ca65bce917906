// DX7Sound over the real platform, rendering offline: what a game's player
// would hear from the component's methods.
#include <gtest/gtest.h>

#include "sound/DX7Sound.h"
#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

class DX7SoundReal : public ::testing::Test {
protected:
    TempDir dir;
    OfflineOutput out;
    RealSoundPlatform plat;
    ScopedPlatform scope{plat};
    DX7Sound snd;

    void SetUp() override {
        int32_t hz = 44100, bits = 16, ch = 1;
        ASSERT_EQ(snd.DsSetup(5, hz, bits, ch), 0);
    }
    std::string Wave(const std::string& name, const std::vector<int16_t>& s, int32_t rate = 44100) {
        std::string p = dir.File(name);
        WriteWav16(p, s, rate, 1);
        return p;
    }
};

TEST_F(DX7SoundReal, SlotsPlayOverlapAndStop) {
    int32_t slot = 3;
    ASSERT_EQ(snd.DsCreate(slot, Wave("hit.wav", Constant(44100, 4000)), 3), 0);
    // Three plays of one slot overlap on three buffers: the levels add up.
    EXPECT_EQ(snd.DsPlay(slot), 0);
    auto mix = out.Render(1000);
    EXPECT_NEAR(L(mix, 500), 4000.0f / 32768, 1e-4);
    snd.DsPlay(slot);
    snd.DsPlay(slot);
    mix = out.Render(1000);
    EXPECT_NEAR(L(mix, 500), 12000.0f / 32768, 1e-4);
    for (auto& b : snd.SoundSlots[3].Buffers) EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);

    // A fourth play restarts the oldest buffer: still three voices.
    snd.DsPlay(slot);
    mix = out.Render(1000);
    EXPECT_NEAR(L(mix, 500), 12000.0f / 32768, 1e-4);

    EXPECT_EQ(snd.DsStop(slot), 0);
    mix = out.Render(1024);
    EXPECT_EQ(FirstSound(mix), -1);
    for (auto& b : snd.SoundSlots[3].Buffers) EXPECT_EQ(b->GetStatus(), 0);
}

TEST_F(DX7SoundReal, VolumeAndPanApplyWhenAskedToKeepThem) {
    int32_t slot = 0;
    ASSERT_EQ(snd.DsCreate(slot, Wave("tone.wav", Constant(44100, 16384))), 0);
    EXPECT_EQ(snd.DsSetVolume(slot, -600), 0);
    EXPECT_EQ(snd.DsSetPan(slot, -10000), 0);
    VBBool keep = VB_TRUE;
    EXPECT_EQ(snd.DsPlay(slot, keep), 0);
    auto mix = out.Render(1000);
    EXPECT_NEAR(L(mix, 500), 0.25f, 0.003f);
    EXPECT_EQ(Peak(mix, 1, 0, 1000), 0.0f);

    // bFlags false puts full volume and centre pan back.
    EXPECT_EQ(snd.DsPlay(slot), 0);
    mix = out.Render(1000);
    EXPECT_NEAR(L(mix, 500), 0.5f, 1e-4);
    EXPECT_NEAR(R(mix, 500), 0.5f, 1e-4);

    // The platform's range holds: an out-of-range volume is its status.
    EXPECT_EQ(snd.DsSetVolume(slot, 100), status::DSERR_INVALIDPARAM);
    snd.DsStop(slot);
}

TEST_F(DX7SoundReal, PlayLoopingKeepsSounding) {
    int32_t slot = 1;
    ASSERT_EQ(snd.DsCreate(slot, Wave("loop.wav", Constant(4410, 8000))), 0);  // 0.1 s
    EXPECT_EQ(snd.DsPlayLooping(slot), 0);
    auto mix = out.Render(48000);
    EXPECT_GT(Peak(mix, 0, 47000, 48000), 0.2f);
    EXPECT_EQ(snd.SoundSlots[1].Buffers[0]->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    snd.DsClose();
    mix = out.Render(1024);
    EXPECT_EQ(FirstSound(mix), -1);
}

TEST_F(DX7SoundReal, FailedLoadKeepsTheSlotPlayable) {
    int32_t slot = 2;
    ASSERT_EQ(snd.DsCreate(slot, Wave("a.wav", Constant(4410, 8000)), 2), 0);
    EXPECT_EQ(snd.DsCreate(slot, dir.File("missing.wav"), 2), status::DSERR_FILENOTFOUND);
    std::vector<uint8_t> bytes = WavBytes(std::vector<uint8_t>(8820, 0), 44100, 16, 1);
    bytes.resize(100);
    WriteFile(dir.File("cut.wav"), bytes);
    EXPECT_EQ(snd.DsCreate(slot, dir.File("cut.wav"), 2), status::DSERR_BADFORMAT);
    EXPECT_EQ(snd.DsPlay(slot), 0);
    auto mix = out.Render(1000);
    EXPECT_GT(Peak(mix, 0, 0, 1000), 0.2f);
}

TEST_F(DX7SoundReal, SetupOnSomethingThatIsNotAWindowFails) {
    DX7Sound other;
    EXPECT_EQ(other.DsSetup(12345), status::DSERR_INVALIDPARAM);
    ASSERT_EQ(plat.st->boxes.size(), 1u);
    EXPECT_EQ(plat.st->boxes[0].buttons, 48);
    EXPECT_TRUE(other.SoundDevice.IsNothing());
}

}  // namespace
}  // namespace vexo
