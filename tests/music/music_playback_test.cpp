// DXMusic over the real platform, rendered offline: what a listener hears.
#include <gtest/gtest.h>

#include "music/DXMusic.h"
#include "tests/music/MusicRealSupport.h"
#include "tests/support/Checks.h"

namespace vexo {
namespace {

using midi::MidiWriter;
using test::Onsets;
using test::Render;
using test::Rms;
using test::kRate;

constexpr uint16_t kDiv = 480;

// One note a beat for `beats` beats, each half a beat long.
MidiWriter Beats(int beats, double bpm, uint8_t program = 0, uint8_t key = 72) {
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Bpm(t, 0, bpm);
    w.TimeSignature(t, 0, 4, 2);
    w.Program(t, 0, 0, program);
    for (int b = 0; b < beats; ++b) w.Note(t, uint32_t(b * kDiv), kDiv / 2, 0, key, 110);
    w.EndAt(t, uint32_t(beats * kDiv));
    return w;
}

class MusicPlayback : public ::testing::Test {
protected:
    void SetUp() override { plat::music::InstallMixer(&mixer); }
    void TearDown() override { plat::music::InstallMixer(nullptr); }

    // Renders in 10 ms steps until the slot's last playback ends; seconds.
    double TimeToEnd(DXMusic& m, int32_t slot, double limit = 20) {
        Ref<DirectMusicPerformance> p = m.Performances[slot];
        for (double t = 0; t < limit; t += 0.01) {
            if (!p->IsPlaying(nullptr, m.SegmentStates[slot])) return t;
            Render(p, 0.01);
        }
        return limit;
    }
    std::string Save(const MidiWriter& w, const std::string& name) {
        std::string f = dir.File(name);
        EXPECT_TRUE(w.Save(f));
        return f;
    }

    test::CaptureMixer mixer;
    test::RealMusicPlatform platform;
    ScopedPlatform scoped{platform};
    test::TempDir dir;
};

TEST_F(MusicPlayback, PlayedSegmentSoundsAndStopSilencesAtOnce) {
    // A held chord with the sustain pedal down: only a real stop ends it.
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 19);  // church organ: no decay of its own
    w.Control(t, 0, 0, 64, 127);
    for (uint8_t k : {60, 64, 67}) w.Note(t, 0, 16 * kDiv, 0, k, 100);
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(w, "chord.mid"), 0));
    Ref<DirectMusicPerformance> p = m.Performances[0];
    audio::AudioSource* src = plat::music::SourceOf(p);
    EXPECT_FALSE(mixer.Has(src));  // loaded but not playing: not mixed

    ASSERT_EQ(0, m.DMPlay(0));
    EXPECT_TRUE(mixer.Has(src));
    std::vector<float> a = Render(p, 0.5);
    EXPECT_GT(Rms(a, 0.1, 0.5), 0.005);

    ASSERT_EQ(0, m.DMStop(0));
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, m.SegmentStates[0]));
    // The sound fades out over a few milliseconds; then nothing rings on.
    std::vector<float> b = Render(p, 0.5);
    EXPECT_EQ(0.0, test::Peak(std::vector<float>(b.begin() + 2 * kRate / 100, b.end())));
    // Then it leaves the mix, and an idle performance does not run its
    // synthesizer.
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, m.SegmentStates[0]));
    EXPECT_FALSE(mixer.Has(src));
    uint64_t frames = plat::music::SynthFramesOf(p);
    EXPECT_EQ(0.0, test::Peak(Render(p, 0.5)));
    EXPECT_EQ(frames, plat::music::SynthFramesOf(p));
}

TEST_F(MusicPlayback, StopsArePromptOnTheClockSinceSetupAndFadeWithoutAClick) {
    // A low flute: a smooth tone, so a cut to zero would be the largest step.
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 73);
    w.Note(t, 0, 16 * kDiv, 0, 48, 100);
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(99, Save(w, "flute.mid"), 0));
    Ref<DirectMusicPerformance> p = m.Performances[99];
    // DMStop gives the slot number as the stop time. The clock runs from
    // DMSetup whether or not anything renders, so on slot 99 that time is
    // long past by the time the game plays and stops.
    mixer.seconds += 0.1;  // the game's own set-up between DMSetup and the play
    EXPECT_EQ(153, p->GetMusicTime());  // 0.1 s at 120 beats a minute, 768 a beat
    ASSERT_EQ(0, m.DMPlay(99));
    ASSERT_GT(test::Peak(Render(p, 0.04)), 0.001);  // 61 in music time: short of 99
    ASSERT_EQ(0, m.DMStop(99));
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, m.SegmentStates[99]));
    std::vector<float> after = Render(p, 0.1);
    EXPECT_EQ(0.0, test::Peak(std::vector<float>(after.begin() + 2 * kRate / 100, after.end())));

    // Stopped in full sound: no step at the stop larger than the tone's own
    // largest, and silence within a few milliseconds.
    ASSERT_EQ(0, m.DMPlay(99));
    std::vector<float> a = Render(p, 0.5);
    ASSERT_EQ(0, m.DMStop(99));
    std::vector<float> b = Render(p, 0.1);
    std::vector<float> edge(a.end() - 2, a.end());
    edge.insert(edge.end(), b.begin(), b.begin() + 2 * kRate / 100);
    EXPECT_LE(test::MaxStep(edge), test::MaxStep(a));
    EXPECT_EQ(0.0, test::Peak(std::vector<float>(b.begin() + 2 * kRate / 100, b.end())));
}

TEST_F(MusicPlayback, MasterTempoScalesTimeAndStaysSet) {
    // Four beats at 120 BPM (2 s), then four at 60 BPM (4 s).
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Bpm(t, 0, 120);
    w.Bpm(t, 4 * kDiv, 60);
    for (int b = 0; b < 8; ++b) w.Note(t, uint32_t(b * kDiv), kDiv / 2, 0, 76, 110);
    w.EndAt(t, 8 * kDiv);
    std::string f = Save(w, "tempo.mid");

    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, f, 0));
    ASSERT_EQ(0, m.DMCreateSegment(1, f, 0, 0, 2.0f));
    ASSERT_EQ(0, m.DMPlay(0));
    ASSERT_EQ(0, m.DMPlay(1));
    std::vector<float> a = Render(m.Performances[0], 6.5);
    std::vector<float> b = Render(m.Performances[1], 6.5);
    std::vector<double> oa = Onsets(a, 0.01), ob = Onsets(b, 0.01);
    const std::vector<double> expect = {0, 0.5, 1, 1.5, 2, 3, 4, 5};
    ASSERT_EQ(expect.size(), oa.size());
    ASSERT_EQ(expect.size(), ob.size());
    for (size_t i = 0; i < expect.size(); ++i) {
        EXPECT_NEAR(expect[i], oa[i], 0.012) << i;
        EXPECT_NEAR(expect[i] / 2, ob[i], 0.012) << i;
    }

    // Stop, play again: the master tempo is still 2.0, the piece 3 s.
    ASSERT_EQ(0, m.DMStop(1));
    ASSERT_EQ(0, m.DMPlay(1));
    EXPECT_NEAR(3.0, TimeToEnd(m, 1), 0.02);
    // And across repeats: the tempo map starts over, the factor stays.
    ASSERT_EQ(0, m.DMCreateSegment(2, f, 1, 0, 2.0f));
    ASSERT_EQ(0, m.DMPlay(2));
    EXPECT_NEAR(6.0, TimeToEnd(m, 2), 0.02);
}

TEST_F(MusicPlayback, SeekAfterStopAndResumeThere) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    // Eight beats at 120 BPM: 4 s, 6144 in music time.
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(Beats(8, 120), "beats.mid"), 0));
    ASSERT_EQ(6144, m.Segments[0]->GetLength());
    ASSERT_EQ(0, m.DMPlay(0));
    Render(m.Performances[0], 2.0);
    ASSERT_EQ(0, m.DMStop(0));
    int32_t seek = m.SegmentStates[0]->GetSeek();
    EXPECT_NEAR(3072, seek, 8);

    VBBool resume = VB_TRUE;
    ASSERT_EQ(0, m.DMPlay(0, VBBool(0), resume));
    EXPECT_EQ(seek, m.Segments[0]->GetStartPoint());
    std::vector<float> r = Render(m.Performances[0], 2.5);
    // The beat on the start point plays at once, then the rest; 2 s left.
    std::vector<double> on = Onsets(r, 0.01);
    ASSERT_EQ(4u, on.size());
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(0.5 * double(i), on[i], 0.012);
    EXPECT_EQ(VB_FALSE, m.Performances[0]->IsPlaying(nullptr, m.SegmentStates[0]));
    EXPECT_EQ(6144, m.SegmentStates[0]->GetSeek());  // a finished playback reports the end
}

TEST_F(MusicPlayback, StartPointRestoresProgramsControllersAndBends) {
    // Settings made at the start, one short note, a long rest, then the note
    // at beat 8 that a resumed playback must play exactly as the full one.
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 56);  // trumpet
    w.Control(t, 0, 0, 7, 70);
    w.Control(t, 0, 0, 10, 20);
    w.PitchBend(t, 0, 0, 12000);
    w.Note(t, 0, kDiv / 8, 0, 60, 100);
    w.Note(t, 8 * kDiv, kDiv, 0, 67, 100);
    w.EndAt(t, 10 * kDiv);
    std::string f = Save(w, "chase.mid");
    MidiWriter plain(kDiv);  // the same notes without the settings
    int u = plain.AddTrack();
    plain.Note(u, 0, kDiv / 8, 0, 60, 100);
    plain.Note(u, 8 * kDiv, kDiv, 0, 67, 100);
    plain.EndAt(u, 10 * kDiv);

    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, f, 0));
    ASSERT_EQ(0, m.DMCreateSegment(1, f, 0));
    ASSERT_EQ(0, m.DMCreateSegment(2, Save(plain, "plain.mid"), 0));
    ASSERT_EQ(0, m.DMPlay(0));
    std::vector<float> full = Render(m.Performances[0], 4.5);
    std::vector<float> ref(full.begin() + 4 * test::kRate * 2, full.end());  // from beat 8 on

    m.Segments[1]->SetStartPoint(8 * 768);
    m.Segments[2]->SetStartPoint(8 * 768);
    ASSERT_EQ(0, m.DMPlay(1));
    ASSERT_EQ(0, m.DMPlay(2));
    std::vector<float> chased = Render(m.Performances[1], 0.5);
    std::vector<float> bare = Render(m.Performances[2], 0.5);
    auto diff = [&](const std::vector<float>& x) {
        double s = 0;
        for (size_t i = 0; i < ref.size(); ++i) s += double(ref[i] - x[i]) * (ref[i] - x[i]);
        return std::sqrt(s / double(ref.size()));
    };
    double level = Rms(ref, 0, 0.5);
    ASSERT_GT(level, 0.005);
    EXPECT_LT(diff(chased), 0.05 * level);
    EXPECT_GT(diff(bare), 0.5 * level);  // without the settings it sounds clearly different
}

TEST_F(MusicPlayback, RepeatsPlayThePieceMoreTimes) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    int32_t repeats = 2;
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(Beats(2, 120), "two.mid"), repeats));
    ASSERT_EQ(0, m.DMPlay(0));
    Ref<DirectMusicPerformance> p = m.Performances[0];
    std::vector<float> r = Render(p, 4.0);
    std::vector<double> on = Onsets(r, 0.01);
    ASSERT_EQ(6u, on.size());
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(0.5 * double(i), on[i], 0.012);
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, m.SegmentStates[0]));
    // Once the release has died away the synthesizer is no longer run.
    double waited = 0;
    for (uint64_t last = ~0ull; last != plat::music::SynthFramesOf(p) && waited < 10; waited += 0.1) {
        last = plat::music::SynthFramesOf(p);
        Render(p, 0.1);
    }
    EXPECT_LT(waited, 5.0);
    uint64_t frames = plat::music::SynthFramesOf(p);
    EXPECT_EQ(0.0, test::Peak(Render(p, 1.0)));
    EXPECT_EQ(frames, plat::music::SynthFramesOf(p));
}

TEST_F(MusicPlayback, PassesFallingOnOneSampleAreSentOnce) {
    // A microsecond a beat and one tick at 96 a beat: a pass lasts a hundredth
    // of a microsecond, so thousands fall on every frame. Sent one by one, the
    // default 32767 repeats would be 1.3 million events in a few frames.
    MidiWriter w(96, 0);
    int t = w.AddTrack();
    w.Tempo(t, 0, 1);
    for (int k = 0; k < 20; ++k) w.Note(t, 0, 1, 0, uint8_t(50 + k), 100);
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(w, "blip.mid")));
    ASSERT_EQ(0, m.DMPlay(0));
    Ref<DirectMusicPerformance> p = m.Performances[0];
    Render(p, 0.01);
    // Every repeat has been used up, sending a pass or two per frame.
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, m.SegmentStates[0]));
    EXPECT_LT(plat::music::EventsSentOf(p), 20000u);
}

TEST_F(MusicPlayback, PercussionChannelPlaysDrums) {
    // Channel 10 plays the percussion kit whatever came before on that
    // performance, and a snare differs from a piano note of the same key.
    MidiWriter drums(kDiv), piano(kDiv);
    int d = drums.AddTrack(), p = piano.AddTrack();
    drums.Note(d, 0, kDiv, 9, 38, 120);
    piano.Note(p, 0, kDiv, 0, 38, 120);
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(drums, "drums.mid"), 0));
    ASSERT_EQ(0, m.DMCreateSegment(1, Save(piano, "piano.mid"), 0));
    ASSERT_EQ(0, m.DMPlay(0));
    ASSERT_EQ(0, m.DMPlay(1));
    std::vector<float> a = Render(m.Performances[0], 0.3), b = Render(m.Performances[1], 0.3);
    EXPECT_GT(Rms(a, 0, 0.3), 0.005);
    EXPECT_GT(Rms(b, 0, 0.3), 0.005);
    EXPECT_NE(a, b);
    ASSERT_EQ(0, m.DMPlay(0));  // again, after the reset of its channels
    std::vector<float> c = Render(m.Performances[0], 0.3);
    EXPECT_NEAR(Rms(a, 0, 0.3), Rms(c, 0, 0.3), 0.1 * Rms(a, 0, 0.3));
}

TEST_F(MusicPlayback, NotesTheFileNeverEndsStopWithThePiece) {
    // Organ notes with no note-off and the pedal down: they end with the
    // piece and at each repeat instead of sounding for ever.
    MidiWriter w(kDiv);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 19);
    w.Control(t, 0, 0, 64, 127);
    w.NoteOn(t, 0, 0, 60, 100);
    w.NoteOn(t, kDiv, 0, 67, 100);
    w.EndAt(t, 2 * kDiv);
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    ASSERT_EQ(0, m.DMCreateSegment(0, Save(w, "hang.mid"), 1));
    ASSERT_EQ(0, m.DMPlay(0));
    Ref<DirectMusicPerformance> p = m.Performances[0];
    std::vector<float> r = Render(p, 6.0);
    EXPECT_GT(Rms(r, 0.1, 0.9), 0.005);
    EXPECT_GT(Rms(r, 1.1, 1.9), 0.005);  // the repeat
    EXPECT_LT(Rms(r, 3.5, 6.0), 0.0005);
    uint64_t frames = plat::music::SynthFramesOf(p);
    Render(p, 1.0);
    EXPECT_EQ(frames, plat::music::SynthFramesOf(p));
}

TEST_F(MusicPlayback, SlotsSoundTogetherWithTheirOwnVolume) {
    std::string f = Save(Beats(8, 120, 19, 64), "organ.mid");
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    for (int32_t s : {0, 1, 2}) ASSERT_EQ(0, m.DMCreateSegment(s, f));
    ASSERT_EQ(0, m.DMSetVolume(0, -2000));  // -20 dB on slot 0 only
    for (int32_t s : {0, 1, 2}) ASSERT_EQ(0, m.DMPlay(s));
    // All three are mixed at once.
    for (int32_t s : {0, 1, 2}) EXPECT_TRUE(mixer.Has(plat::music::SourceOf(m.Performances[s])));
    std::vector<float> r0 = Render(m.Performances[0], 1.0);
    std::vector<float> r1 = Render(m.Performances[1], 1.0);
    std::vector<float> r2 = Render(m.Performances[2], 1.0);
    ASSERT_GT(Rms(r1, 0, 1), 0.005);
    EXPECT_EQ(r1, r2);  // slot 1 is untouched by slot 0's volume
    EXPECT_NEAR(0.1, Rms(r0, 0, 1) / Rms(r1, 0, 1), 0.001);
    // Without the explicit VolumeSize, DMSetVolume means -50 dB.
    ASSERT_EQ(0, m.DMSetVolume(1));
    EXPECT_EQ(-5000, m.Performances[1]->GetMasterVolume());
    r1 = Render(m.Performances[1], 1.0);
    r2 = Render(m.Performances[2], 1.0);
    EXPECT_NEAR(std::pow(10.0, -2.5), Rms(r1, 0, 1) / Rms(r2, 0, 1), 1e-4);
}

TEST_F(MusicPlayback, LoadingFromFilesAndBadFiles) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    std::vector<uint8_t> good = Beats(4, 120).Bytes();
    ASSERT_TRUE(Beats(4, 120).Save(dir.File("rel.mid")));
    // A relative name is looked up in the current directory of the moment.
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    int32_t st = m.DMCreateSegment(0, "rel.mid");
    std::filesystem::current_path(before);
    ASSERT_EQ(0, st);
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, m.DMCreateSegment(1, "rel.mid"));

    // A failing load keeps the old segment but has replaced the performance,
    // which is initialised and has its port.
    Ref<DirectMusicSegment> oldSeg = m.Segments[0];
    Ref<DirectMusicPerformance> oldPerf = m.Performances[0];
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, m.DMCreateSegment(0, dir.File("missing.mid")));
    EXPECT_EQ(oldSeg, m.Segments[0]);
    EXPECT_NE(oldPerf, m.Performances[0]);
    EXPECT_EQ(status::DMUS_E_ALREADY_INITED, [&] {
        try {
            m.Performances[0]->Init(nullptr, 0);
        } catch (const VbError& e) {
            return e.number();
        }
        return 0;
    }());

    // A file that ends inside its last track plays what was read; one whose
    // header announces a track that is not there fails.
    std::ofstream(dir.File("cut.mid"), std::ios::binary)
        .write(reinterpret_cast<const char*>(good.data()), std::streamsize(good.size() - 5));
    ASSERT_EQ(0, m.DMCreateSegment(2, dir.File("cut.mid"), 0));
    ASSERT_EQ(0, m.DMPlay(2));
    EXPECT_EQ(4u, Onsets(Render(m.Performances[2], 2.5), 0.01).size());
    std::vector<uint8_t> lie = good;
    lie[11] = 2;
    std::ofstream(dir.File("lie.mid"), std::ios::binary)
        .write(reinterpret_cast<const char*>(lie.data()), std::streamsize(lie.size()));
    EXPECT_EQ(status::DMUS_E_INVALIDFILE, m.DMCreateSegment(2, dir.File("lie.mid")));
    std::ofstream(dir.File("text.mid")) << "not music at all";
    EXPECT_EQ(status::DMUS_E_LOADER_FORMATNOTSUPPORTED, m.DMCreateSegment(3, dir.File("text.mid")));
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, m.DMCreateSegment(4, dir.path.string()));
    // The old segment still plays.
    ASSERT_EQ(0, m.DMPlay(0));
    EXPECT_GT(Rms(Render(m.Performances[0], 0.3), 0, 0.3), 0.01);
    // A dropped slot keeps its performance: playing it meets the empty
    // segment, stopping it stops whatever that performance plays.
    ASSERT_EQ(0, m.DMDestroySegment(0));
    EXPECT_EQ(VB_FALSE, m.Performances[0]->IsPlaying(nullptr, m.SegmentStates[0]));
    EXPECT_EQ(status::E_POINTER, m.DMPlay(0));
    EXPECT_EQ(0, m.DMStop(0));
    EXPECT_EQ(91, m.DMDestroySegment(0));
    m.DMClose();
}

using test::ErrorOf;

TEST_F(MusicPlayback, PerformanceRulesAndSecondarySegments) {
    Ref<DirectX7> root = api::CreateDirectX7();
    Ref<DirectMusicPerformance> p = root->DirectMusicPerformanceCreate();
    Ref<DirectMusicLoader> loader = root->DirectMusicLoaderCreate();
    Ref<DirectMusicSegment> s = loader->LoadSegment(Save(Beats(8, 120), "b.mid"));
    EXPECT_EQ(status::DMUS_E_NOT_INIT, ErrorOf([&] { p->SetPort(-1, 80); }));
    EXPECT_EQ(status::DMUS_E_NOT_INIT, ErrorOf([&] { p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0); }));
    EXPECT_EQ(0, ErrorOf([&] { p->Init(nullptr, 0); }));
    EXPECT_EQ(status::DMUS_E_ALREADY_INITED, ErrorOf([&] { p->Init(nullptr, 0); }));
    EXPECT_EQ(status::E_INVALIDARG, ErrorOf([&] { p->SetPort(-1, 0); }));
    EXPECT_EQ(0, ErrorOf([&] { p->SetPort(-1, 80); }));

    // Master tempo: 0.01 .. 100, else invalid and unchanged; volume clamps.
    for (float bad : {0.0f, 0.009f, 100.5f, -1.0f, std::nanf("")})
        EXPECT_EQ(status::E_INVALIDARG, ErrorOf([&] { p->SetMasterTempo(bad); })) << bad;
    EXPECT_EQ(1.0f, p->GetMasterTempo());
    EXPECT_EQ(0, ErrorOf([&] { p->SetMasterTempo(100.0f); }));
    EXPECT_EQ(0, ErrorOf([&] { p->SetMasterTempo(0.01f); }));
    p->SetMasterTempo(1.0f);
    p->SetMasterVolume(-99999);
    EXPECT_EQ(DMUS_VOLUME_MIN, p->GetMasterVolume());
    p->SetMasterVolume(99999);
    EXPECT_EQ(DMUS_VOLUME_MAX, p->GetMasterVolume());
    p->SetMasterVolume(0);

    EXPECT_EQ(status::DMUS_E_OUT_OF_RANGE, ErrorOf([&] { s->SetStartPoint(6144); }));
    EXPECT_EQ(status::DMUS_E_OUT_OF_RANGE, ErrorOf([&] { s->SetStartPoint(-1); }));
    EXPECT_EQ(status::E_POINTER, ErrorOf([&] { p->PlaySegment(nullptr, DMUS_SEGF_SECONDARY, 0); }));

    // Two secondary playbacks of one segment at once, each with its state;
    // Stop of the segment ends both.
    Ref<DirectMusicSegmentState> a = p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0);
    Render(p, 0.25);
    Ref<DirectMusicSegmentState> b = p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0);
    Render(p, 0.5);
    EXPECT_EQ(VB_TRUE, p->IsPlaying(nullptr, a));
    EXPECT_EQ(VB_TRUE, p->IsPlaying(nullptr, b));
    EXPECT_NEAR(1152, a->GetSeek(), 4);
    EXPECT_NEAR(768, b->GetSeek(), 4);
    // A stop at a later music time of the performance waits for it.
    int32_t now = p->GetMusicTime();
    p->Stop(s, nullptr, now + 768, 0);
    std::vector<float> r = Render(p, 1.0);
    EXPECT_GT(Rms(r, 0.0, 0.45), 0.01);
    EXPECT_EQ(0.0, Rms(r, 0.55, 1.0));
    EXPECT_EQ(VB_FALSE, p->IsPlaying(s, nullptr));

    // Both empty: everything stops.
    a = p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0);
    p->Stop(nullptr, nullptr, 0, 0);
    EXPECT_EQ(VB_FALSE, p->IsPlaying(nullptr, a));
    p->CloseDown();
    EXPECT_EQ(status::DMUS_E_NOT_INIT, ErrorOf([&] { p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0); }));
}

}  // namespace
}  // namespace vexo
