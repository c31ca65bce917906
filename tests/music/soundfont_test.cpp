// The sound font named by VEXO_SOUNDFONT replaces the installed one; when it
// cannot be loaded a performance refuses to play instead of playing silence.
// (The font is loaded once per process; nothing else here loads it.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "common/DMusic.h"
#include "platform/music/MidiWriter.h"
#include "platform/music/MusicPlatform.h"
#include "platform/music/Synth.h"

namespace vexo::plat::music {
namespace {

class NoMixer : public Mixer {
public:
    void Add(audio::AudioSource*) override {}
    void Remove(audio::AudioSource*) override {}
    int32_t SampleRate() override { return 48000; }
};

TEST(SoundFont, NamedFontThatCannotLoadRefusesToPlay) {
    EXPECT_FALSE(SoundFontPath().empty());  // the General MIDI font is installed
    std::string bad = testing::TempDir() + "vexo_not_a_font.sf2";
    {
        std::ofstream f(bad);
        f << "nothing";
    }
    ::setenv("VEXO_SOUNDFONT", bad.c_str(), 1);
    EXPECT_EQ(bad, SoundFontPath());
    std::string song = testing::TempDir() + "vexo_sf_song.mid";
    midi::MidiWriter w;
    w.Note(w.AddTrack(), 0, 480, 0, 60, 100);
    ASSERT_TRUE(w.Save(song));

    NoMixer mixer;
    InstallMixer(&mixer);
    Ref<DirectMusicSegment> seg = CreateLoader()->LoadSegment(song);
    Ref<DirectMusicPerformance> p = CreatePerformance();
    p->Init(nullptr, 0);
    p->SetPort(-1, 80);
    int32_t st = 0;
    try {
        p->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0);
    } catch (const VbError& e) {
        st = e.number();
    }
    EXPECT_EQ(status::DMUS_E_SYNTHNOTCONFIGURED, st);
    InstallMixer(nullptr);
    ::unsetenv("VEXO_SOUNDFONT");
    std::remove(bad.c_str());
    std::remove(song.c_str());
}

}  // namespace
}  // namespace vexo::plat::music
