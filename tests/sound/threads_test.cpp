// Buffers played, changed and released on the game thread while the output's
// own thread mixes them: the silent clock here, the device's callback thread
// in the device test program, which builds this file too.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;
using Clock = std::chrono::steady_clock;

constexpr int32_t kAll = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

int32_t PlayCursor(const Ref<DirectSoundBuffer>& b) {
    DSCURSORS c{};
    b->GetCurrentPosition(c);
    return c.lPlay;
}

TEST(SoundThreads, BuffersChangeWhileTheOutputMixes) {
    auto& out = audio::AudioOutput::Get();
    if (out.CurrentMode() == audio::AudioOutput::Mode::Offline) GTEST_SKIP() << "the output is offline";
    TempDir dir;
    // 0.1 s mono 16-bit at 22050 Hz (resampled) and a stereo one at the
    // output's rate: two paths of the mixer.
    WriteWav16(dir.File("mono.wav"), Constant(2205, 3000), 22050, 1);
    WriteWav16(dir.File("stereo.wav"), Constant(4800, -2000, 2), 48000, 2);
    auto dev = RealDevice();
    DSBUFFERDESC d{};
    d.lFlags = kAll;
    auto mono = dev->CreateSoundBufferFromFile(dir.File("mono.wav"), d, Pcm(22050, 16, 1));
    const int32_t monoBytes = 2205 * 2;

    // The looping buffer really is mixed by the other thread: its cursor moves.
    mono->Play(DSBPLAY_LOOPING);
    const int32_t first = PlayCursor(mono);
    const auto patience = Clock::now() + std::chrono::seconds(10);
    while (PlayCursor(mono) == first && Clock::now() < patience) std::this_thread::yield();
    EXPECT_NE(PlayCursor(mono), first);

    const int64_t rendered = out.FramesRendered();
    const auto until = Clock::now() + std::chrono::milliseconds(300);
    for (int32_t round = 0; Clock::now() < until; ++round) {
        auto stereo = dev->CreateSoundBufferFromFile(dir.File("stereo.wav"), d, Pcm(48000, 16, 2));
        auto copy = dev->DuplicateSoundBuffer(mono);
        stereo->Play(round % 2 ? DSBPLAY_LOOPING : 0);
        copy->Play(0);
        const int32_t at = PlayCursor(mono);
        EXPECT_TRUE(at >= 0 && at < monoBytes) << at;
        if (round % 3 == 0) {
            stereo->Stop();
            EXPECT_EQ(stereo->GetStatus(), 0);
            // A stopped buffer stays where it stopped while the mix goes on.
            const int32_t stopped = PlayCursor(stereo);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_EQ(PlayCursor(stereo), stopped);
        }
        // One change to the playing buffer, then a pause in which the mix
        // reads it with nothing else taking the mixer's lock in between.
        switch (round % 5) {
            case 0: mono->SetVolume(-100 * (round % 30)); break;
            case 1: mono->SetPan(500 * (round % 9) - 2000); break;
            case 2: mono->SetFrequency(round % 4 ? 8000 + 997 * (round % 40) : DSBFREQUENCY_ORIGINAL); break;
            case 3: mono->SetCurrentPosition(2 * (round % 2205)); break;
            case 4: mono->Play(DSBPLAY_LOOPING); break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        // `stereo` and `copy` are released here, most of them still playing.
    }
    EXPECT_GT(out.FramesRendered(), rendered);

    // A one-shot play ends by itself once the mix has gone past its end.
    mono->SetFrequency(DSBFREQUENCY_ORIGINAL);
    mono->Play(0);
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (mono->GetStatus() != 0 && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(mono->GetStatus(), 0);
}

}  // namespace
}  // namespace vexo
