// Performances of the platform driven from the game thread while the audio
// output's own thread renders them: plays, stops now and later, master
// volume and tempo, close-down and release while sounding.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/music/Synth.h"
#include "tests/music/MusicRealSupport.h"

namespace vexo {
namespace {

using Clock = std::chrono::steady_clock;
namespace pm = plat::music;

TEST(MusicThreads, PerformancesPlayAndStopWhileTheOutputRenders) {
    audio::AudioOutput& out = audio::AudioOutput::Get();
    if (out.CurrentMode() == audio::AudioOutput::Mode::Offline) GTEST_SKIP() << "the output is offline";
    if (pm::SoundFontPath().empty()) GTEST_SKIP() << "no sound font";
    test::TempDir dir;
    midi::MidiWriter w(96);
    int t = w.AddTrack();
    for (int i = 0; i < 32; ++i) w.Note(t, uint32_t(i * 24), 20, uint8_t(i % 4), uint8_t(60 + i % 12), 100);
    ASSERT_TRUE(w.Save(dir.File("notes.mid")));
    auto loader = pm::CreateLoader();
    auto seg = loader->LoadSegment(dir.File("notes.mid"));
    auto other = loader->LoadSegment(dir.File("notes.mid"));

    // The output's thread renders a playing performance on its own.
    auto keep = pm::CreatePerformance();
    keep->Init(nullptr, 0);
    auto kept = keep->PlaySegment(seg, 0, 0);
    const auto patience = Clock::now() + std::chrono::seconds(10);
    while (pm::SynthFramesOf(keep) == 0 && Clock::now() < patience) std::this_thread::yield();
    EXPECT_GT(pm::SynthFramesOf(keep), 0u);

    const auto until = Clock::now() + std::chrono::milliseconds(300);
    for (int32_t round = 0; Clock::now() < until; ++round) {
        auto p = pm::CreatePerformance();
        p->Init(nullptr, 0);
        auto a = p->PlaySegment(seg, 0, 0);
        auto b = p->PlaySegment(other, DMUS_SEGF_SECONDARY, 0);
        EXPECT_EQ(p->IsPlaying(seg, nullptr), VB_TRUE);
        EXPECT_GE(a->GetSeek(), 0);
        // One change, then a pause in which the output's thread renders it
        // with nothing else taking the music lock in between.
        switch (round % 6) {
            case 0: p->SetMasterVolume(-100 * (round % 20)); break;
            case 1: p->SetMasterTempo(0.5f + 0.25f * float(round % 6)); break;
            case 2: keep->SetMasterTempo(0.75f + 0.25f * float(round % 3)); break;
            // Due a little later: the rendering thread carries it out.
            case 3: p->Stop(other, nullptr, p->GetMusicTime() + 8, 0); break;
            case 4:
                p->Stop(nullptr, a, 0, 0);
                EXPECT_EQ(p->IsPlaying(nullptr, a), VB_FALSE);
                break;
            case 5: p->CloseDown(); break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        // `p` goes here, often still sounding; `a` outlives it.
        p = nullptr;
        EXPECT_GE(a->GetSeek(), 0);
    }
    EXPECT_EQ(keep->IsPlaying(nullptr, kept), VB_TRUE);
    keep->Stop(nullptr, nullptr, 0, 0);
    EXPECT_EQ(keep->IsPlaying(nullptr, kept), VB_FALSE);
}

}  // namespace
}  // namespace vexo
