// DXMusic on the default platform, heard through the process's audio output
// rendered offline: playing slots are mixed in, stopped ones leave it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "music/DXMusic.h"
#include "platform/audio/AudioOutput.h"
#include "platform/music/MidiWriter.h"

namespace vexo {
namespace {

double Rms(const std::vector<float>& b) {
    double s = 0;
    for (float v : b) s += double(v) * v;
    return std::sqrt(s / double(b.size()));
}

std::vector<float> Offline(double seconds) {
    audio::AudioOutput& out = audio::AudioOutput::Get();
    std::vector<float> b(size_t(seconds * out.SampleRate()) * 2);
    out.RenderOffline(b.data(), int32_t(b.size() / 2));
    return b;
}

TEST(MusicOutput, PlayingSlotsAreMixedIntoTheOutput) {
    audio::AudioOutput::Get().RenderOffline(nullptr, 0);  // offline from here on
    auto file = std::filesystem::temp_directory_path() / ("vexo_out_" + std::to_string(getpid()) + ".mid");
    midi::MidiWriter w(480);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 19);
    w.Note(t, 0, 480 * 16, 0, 60, 100);
    ASSERT_TRUE(w.Save(file.string()));

    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, file.string()));
    ASSERT_EQ(0, m.DMCreateSegment(1, file.string()));
    EXPECT_EQ(0.0, Rms(Offline(0.2)));  // loaded, not playing

    ASSERT_EQ(0, m.DMPlay(0));
    double one = Rms(Offline(0.5));
    EXPECT_GT(one, 0.005);
    ASSERT_EQ(0, m.DMPlay(1));
    double two = Rms(Offline(0.5));
    EXPECT_GT(two, 1.5 * one);  // the same note twice, in phase: about twice as loud

    ASSERT_EQ(0, m.DMStop(0));
    ASSERT_EQ(0, m.DMStop(1));
    Offline(0.01);  // each stop fades out over a few milliseconds
    EXPECT_EQ(0.0, Rms(Offline(0.2)));
    m.DMClose();
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace vexo
