// DXMusic over a recording platform: what each method passes to the
// platform, in which order, and what is left after each kind of failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#include "music/DXMusic.h"
#include "tests/support/RecordingPlatform.h"

namespace vexo {
namespace {

using test::NameOf;

class MusicRecording : public ::testing::Test {
protected:
    test::RecordingPlatform platform;
    ScopedPlatform scoped{platform};
    test::State& log = *platform.st;
    std::string cwd = std::filesystem::current_path().string();

    // The calls since the last Take, without the root's creation and the
    // releases.
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        for (auto& e : log.Take())
            if (e.rfind("Host.", 0) != 0 && e.rfind("~", 0) != 0) out.push_back(e);
        return out;
    }
    // Sets up and loads `slot` as the n-th performance and segment.
    void Load(DXMusic& m, int32_t slot) {
        ASSERT_EQ(0, m.DMCreateSegment(slot, "x.mid"));
        Take();
    }
};

using V = std::vector<std::string>;

TEST_F(MusicRecording, CreateSegmentRunsEveryStepInOrder) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    EXPECT_EQ(V{"DX.DirectMusicLoaderCreate()"}, Take());

    int32_t slot = 7;
    std::string file = "song.mid";
    EXPECT_EQ(0, m.DMCreateSegment(slot, file));
    EXPECT_EQ((V{"DX.DirectMusicPerformanceCreate()", "loader1.SetSearchDirectory(" + cwd + ")", "perf1.Init(null,0)",
                 "perf1.SetPort(-1,80)", "loader1.LoadSegment(song.mid)", "seg1.SetRepeats(32767)",
                 "seg1.SetAutoDownloadEnable(-1)", "perf1.SetMasterAutoDownload(-1)", "seg1.SetStandardMidiFile()",
                 "seg1.SetStandardMidiFile()", "seg1.Download(perf1)", "seg1.SetTempoEnable(-1)",
                 "perf1.SetMasterTempo(1)", "perf1.SetMasterVolume(0)"}),
              Take());
    EXPECT_EQ("perf1", NameOf(m.Performances[7]));
    EXPECT_EQ("seg1", NameOf(m.Segments[7]));

    // Explicit values pass unchanged; a loaded slot is replaced without
    // closing down its performance or unloading its segment.
    int32_t repeats = 2, volume = -300;
    EXPECT_EQ(0, m.DMCreateSegment(slot, file, repeats, volume, 1.5f));
    V calls = Take();
    EXPECT_EQ("seg2.SetRepeats(2)", calls.at(5));
    EXPECT_EQ("perf2.SetMasterTempo(1.5)", calls.at(12));
    EXPECT_EQ("perf2.SetMasterVolume(-300)", calls.at(13));
    EXPECT_EQ(14u, calls.size());
    EXPECT_EQ("perf2", NameOf(m.Performances[7]));
    EXPECT_EQ("seg2", NameOf(m.Segments[7]));
    EXPECT_EQ(3, log.Alive("music"));  // loader1, perf2, seg2: perf1 and seg1 were released
}

TEST_F(MusicRecording, CreateSegmentFailures) {
    DXMusic m;
    // No loader yet: fails at the search directory with 91, after the new
    // performance has already taken the slot, uninitialised.
    EXPECT_EQ(91, m.DMCreateSegment(4, "a.mid"));
    EXPECT_EQ(V{"DX.DirectMusicPerformanceCreate()"}, Take());
    EXPECT_EQ("perf1", NameOf(m.Performances[4]));

    ASSERT_EQ(0, m.DMSetup());
    Take();
    // Slot out of range: 9, the new performance is dropped, no slot changes.
    int alive = log.Alive("music");
    EXPECT_EQ(9, m.DMCreateSegment(100, "a.mid"));
    EXPECT_EQ(9, m.DMCreateSegment(-1, "a.mid"));
    EXPECT_EQ((V{"DX.DirectMusicPerformanceCreate()", "DX.DirectMusicPerformanceCreate()"}), Take());
    EXPECT_EQ(alive, log.Alive("music"));
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(m.Segments[i].IsNothing());
        if (i != 4) {
            EXPECT_TRUE(m.Performances[i].IsNothing());
        }
    }

    // A file the loader cannot read: the status comes back; the slot holds
    // the new, initialised performance and still the old segment.
    Load(m, 2);
    Ref<DirectMusicSegment> oldSeg = m.Segments[2];
    log.FailOn("LoadSegment", status::DMUS_E_LOADER_FAILEDOPEN);
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, m.DMCreateSegment(2, "missing.mid"));
    V calls = Take();
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ("perf5.SetPort(-1,80)", calls[3]);
    EXPECT_EQ("perf5", NameOf(m.Performances[2]));
    EXPECT_EQ(oldSeg, m.Segments[2]);
}

TEST_F(MusicRecording, PlayStopAndResume) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    Load(m, 3);
    Load(m, 5);
    // The first play with LastMusicStop true stops slot 0, which is empty:
    // that fails quietly and the play goes on.
    EXPECT_EQ(0, m.DMPlay(3, VB_TRUE));
    EXPECT_EQ(V{"perf1.PlaySegment(seg1,0x80,0)"}, Take());
    EXPECT_EQ(3, m.LastSegmentID);
    EXPECT_EQ("state1", NameOf(m.SegmentStates[3]));

    // Switching: slot 3 is stopped (its slot number in the time position)
    // before slot 5 starts.
    VBBool stopLast = VB_TRUE;
    EXPECT_EQ(0, m.DMPlay(5, stopLast));
    EXPECT_EQ((V{"perf1.Stop(seg1,null,3,0)", "perf2.PlaySegment(seg2,0x80,0)"}), Take());
    EXPECT_EQ(5, m.LastSegmentID);

    // 1 is not true: no stop, no resume.
    EXPECT_EQ(0, m.DMPlay(3, VBBool(1), VBBool(1)));
    EXPECT_EQ(V{"perf1.PlaySegment(seg1,0x80,0)"}, Take());
    EXPECT_EQ("state3", NameOf(m.SegmentStates[3]));

    // Resume: the position of the last state becomes the start point.
    dynamic_cast<test::FakeSegmentState*>(m.SegmentStates[3].get())->seek = 1234;
    EXPECT_EQ(0, m.DMStop(3));
    EXPECT_EQ(V{"perf1.Stop(seg1,null,3,0)"}, Take());
    EXPECT_EQ("state3", NameOf(m.SegmentStates[3]));  // DMStop keeps the state
    EXPECT_EQ(0, m.DMPlay(3, VBBool(0), VB_TRUE));
    EXPECT_EQ((V{"state3.GetSeek()", "seg1.SetStartPoint(1234)", "perf1.PlaySegment(seg1,0x80,0)"}), Take());

    // Volume and tempo go to the slot's own performance unchanged.
    EXPECT_EQ(0, m.DMSetVolume(5));
    int32_t vol = 777;
    EXPECT_EQ(0, m.DMSetVolume(5, vol));
    EXPECT_EQ(0, m.DMSetTempo(5, 0.5f));
    EXPECT_EQ((V{"perf2.SetMasterVolume(-5000)", "perf2.SetMasterVolume(777)", "perf2.SetMasterTempo(0.5)"}), Take());
}

TEST_F(MusicRecording, PlaybackFailures) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    Load(m, 1);
    for (int32_t bad : {-1, 100}) {
        EXPECT_EQ(9, m.DMPlay(bad));
        EXPECT_EQ(9, m.DMStop(bad));
        EXPECT_EQ(9, m.DMSetVolume(bad));
        EXPECT_EQ(9, m.DMSetTempo(bad, 1.0f));
    }
    EXPECT_TRUE(Take().empty());
    // A never-loaded slot: play, stop and volume meet an empty performance.
    EXPECT_EQ(91, m.DMPlay(8));
    EXPECT_EQ(91, m.DMStop(8));
    EXPECT_EQ(91, m.DMSetVolume(8));
    EXPECT_EQ(0, m.DMSetTempo(8, 2.0f));
    EXPECT_TRUE(Take().empty());

    // Resuming a slot never played: 91 at GetSeek, nothing else happens.
    EXPECT_EQ(91, m.DMPlay(1, VBBool(0), VB_TRUE));
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(0, m.LastSegmentID);

    ASSERT_EQ(0, m.DMPlay(1));
    Take();
    // A failing play after a successful stop-last: the stop stays done,
    // the state and LastSegmentID stay the old ones.
    log.FailOn("PlaySegment", status::DMUS_E_NOT_INIT);
    Load(m, 2);
    EXPECT_EQ(status::DMUS_E_NOT_INIT, m.DMPlay(2, VB_TRUE));
    EXPECT_EQ((V{"perf1.Stop(seg1,null,1,0)", "perf2.PlaySegment(seg2,0x80,0)"}), Take());
    EXPECT_EQ(1, m.LastSegmentID);
    EXPECT_TRUE(m.SegmentStates[2].IsNothing());
    log.ClearFailures();

    // A dropped segment: the performance stays and gets an empty segment.
    EXPECT_EQ(0, m.DMDestroySegment(2));
    EXPECT_EQ((V{"perf2.Stop(seg2,null,2,0)", "seg2.Unload(perf2)"}), Take());
    EXPECT_EQ(0, m.DMPlay(2));
    EXPECT_EQ(V{"perf2.PlaySegment(null,0x80,0)"}, Take());
    // Dropping it again: DMStop runs, then Unload meets the empty segment.
    EXPECT_EQ(91, m.DMDestroySegment(2));
    EXPECT_EQ(V{"perf2.Stop(null,null,2,0)"}, Take());
    EXPECT_EQ(9, m.DMDestroySegment(100));
}

TEST_F(MusicRecording, CloseAndSetupAgain) {
    DXMusic m;
    // Before any DMSetup, DMClose does nothing, even with a performance in a slot.
    EXPECT_EQ(91, m.DMCreateSegment(0, "a.mid"));
    Take();
    m.DMClose();
    EXPECT_TRUE(Take().empty());
    EXPECT_FALSE(m.Performances[0].IsNothing());

    ASSERT_EQ(0, m.DMSetup());
    Load(m, 4);
    ASSERT_EQ(0, m.DMPlay(4));
    Take();
    log.FailOn("Unload", status::E_FAIL);  // ignored, like every failure in DMClose
    m.DMClose();
    V calls = Take();
    // Slot 0 has a performance but no segment; slot 4 both; others neither.
    EXPECT_EQ((V{"perf1.CloseDown()", "perf2.Stop(seg1,null,4,0)", "seg1.Unload(perf2)", "perf2.CloseDown()"}),
              calls);
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(m.Performances[i].IsNothing());
        EXPECT_TRUE(m.Segments[i].IsNothing());
    }
    EXPECT_TRUE(m.MusicLoader.IsNothing());
    EXPECT_FALSE(m.SegmentStates[4].IsNothing());  // states stay
    m.DMClose();                                    // twice is harmless
    EXPECT_TRUE(Take().empty());
    log.ClearFailures();

    // DMSetup on a set-up object closes first, then makes a new loader.
    ASSERT_EQ(0, m.DMSetup());
    Load(m, 9);
    EXPECT_EQ(0, m.DMSetup());
    EXPECT_EQ((V{"perf3.Stop(seg2,null,9,0)", "seg2.Unload(perf3)", "perf3.CloseDown()", "DX.DirectMusicLoaderCreate()"}),
              Take());
    ASSERT_EQ(0, m.DMCreateSegment(9, "b.mid"));
    EXPECT_EQ("loader3.SetSearchDirectory(" + cwd + ")", Take().at(1));

    // A failing loader creation is DMSetup's result.
    log.FailOn("DirectMusicLoaderCreate", status::E_OUTOFMEMORY);
    EXPECT_EQ(status::E_OUTOFMEMORY, m.DMSetup());
}

TEST_F(MusicRecording, SearchDirectoryIsReadAtEachCall) {
    DXMusic m;
    ASSERT_EQ(0, m.DMSetup());
    Take();
    auto dir = std::filesystem::temp_directory_path();
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    EXPECT_EQ(0, m.DMCreateSegment(0, "a.mid"));
    std::filesystem::current_path(before);
    EXPECT_EQ("loader1.SetSearchDirectory(" + dir.string() + ")", Take().at(1));
}

}  // namespace
}  // namespace vexo
