// Without an audio device the output runs on a silent clock: a buffer
// reports playing for as long as it would sound, in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

TEST(SilentClock, ABufferPlaysForItsLengthInRealTime) {
    TempDir dir;
    auto& output = audio::AudioOutput::Get();
    ASSERT_NE(output.CurrentMode(), audio::AudioOutput::Mode::Offline);
    if (output.CurrentMode() == audio::AudioOutput::Mode::Device)
        GTEST_SKIP() << "an audio device is open; this test needs the silent clock";

    WriteWav16(dir.File("half.wav"), Constant(24000, 1000), 48000, 1);  // 0.5 s
    auto dev = RealDevice();
    DSBUFFERDESC d{};
    d.lFlags = DSBCAPS_CTRLVOLUME;
    auto b = dev->CreateSoundBufferFromFile(dir.File("half.wav"), d, Pcm(48000, 16, 1));
    const int64_t rendered = output.FramesRendered();

    using clock = std::chrono::steady_clock;
    auto start = clock::now();
    b->Play(0);
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);
    while (b->GetStatus() != 0 && clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    double secs = std::chrono::duration<double>(clock::now() - start).count();
    EXPECT_EQ(b->GetStatus(), 0);
    // Never before its length has passed; the upper bound only catches a clock
    // that does not run (a loaded machine may be slow to wake us).
    EXPECT_GE(secs, 0.49);
    EXPECT_LT(secs, 10.0);
    EXPECT_GE(output.FramesRendered() - rendered, 24000);
}

}  // namespace
}  // namespace vexo
