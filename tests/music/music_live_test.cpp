// DXMusic while the audio output's own thread renders (the silent clock of a
// headless run): replacing, stopping and closing slots under it must neither
// deadlock nor touch freed performances.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <filesystem>
#include <unistd.h>

#include "music/DXMusic.h"
#include "platform/audio/AudioOutput.h"
#include "platform/music/MidiWriter.h"

namespace vexo {
namespace {

TEST(MusicLive, SlotsChangeWhileTheOutputRenders) {
    audio::AudioOutput& out = audio::AudioOutput::Get();
    if (out.CurrentMode() == audio::AudioOutput::Mode::Offline) GTEST_SKIP() << "the output is offline";
    auto file = std::filesystem::temp_directory_path() / ("vexo_live_" + std::to_string(getpid()) + ".mid");
    midi::MidiWriter w(96);
    int t = w.AddTrack();
    for (int i = 0; i < 64; ++i) w.Note(t, uint32_t(i * 12), 10, uint8_t(i % 9), uint8_t(48 + i % 24), 100);
    ASSERT_TRUE(w.Save(file.string()));

    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    const int64_t start = out.FramesRendered();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    for (int32_t round = 0; std::chrono::steady_clock::now() < until; ++round) {
        int32_t slot = round % 4;
        ASSERT_EQ(0, m.DMCreateSegment(slot, file.string(), 3));  // replaces a playing slot's performance
        ASSERT_EQ(0, m.DMPlay(slot, VB_TRUE));
        ASSERT_EQ(0, m.DMSetTempo(slot, 1.0f + float(round % 5)));
        if (round % 3 == 0) {
            ASSERT_EQ(0, m.DMStop(slot));
        }
        if (round % 7 == 0) {
            ASSERT_EQ(0, m.DMPlay(slot, VBBool(0), VB_TRUE));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m.DMClose();
    EXPECT_GT(out.FramesRendered(), start);  // the output really was rendering meanwhile
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace vexo
