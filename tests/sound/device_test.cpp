// The output through a real SDL2 audio device: SDL's "disk" driver writes
// what the device plays to a file, so the test can read what was heard.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

TEST(AudioDevice, APlayedSoundReachesTheDevice) {
    const char* file = std::getenv("SDL_DISKAUDIOFILE");
    ASSERT_NE(file, nullptr) << "run through CTest, which points SDL's disk driver at a file";
    auto& output = audio::AudioOutput::Get();
    ASSERT_EQ(output.CurrentMode(), audio::AudioOutput::Mode::Device);
    EXPECT_LE(output.BlockFrames(), 1024);

    TempDir dir;
    WriteWav16(dir.File("dc.wav"), Constant(9600, 8192), 48000, 1);  // 0.2 s at 0.25
    auto dev = RealDevice();
    DSBUFFERDESC d{};
    d.lFlags = DSBCAPS_CTRLPAN;
    auto b = dev->CreateSoundBufferFromFile(dir.File("dc.wav"), d, Pcm(48000, 16, 1));
    b->SetPan(10000);
    b->Play(0);
    auto start = std::chrono::steady_clock::now();
    while (b->GetStatus() != 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(b->GetStatus(), 0);
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.15);
    // Let the device write out the buffer that held the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    FILE* f = std::fopen(file, "rb");
    ASSERT_NE(f, nullptr);
    std::vector<float> raw;
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, f) == 1) raw.insert(raw.end(), frame, frame + 2);
    std::fclose(f);
    // The whole sound, every frame of it, on the right only.
    int64_t run = 0, best = 0;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        run = (raw[i] == 0.0f && raw[i + 1] == 0.25f) ? run + 1 : 0;
        best = std::max(best, run);
    }
    EXPECT_EQ(best, 9600);
    std::remove(file);
}

}  // namespace
}  // namespace vexo
