// DXMusic over a recording platform: what each method passes to the
// platform, in which order, and what is left after each kind of failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#include "music/DXMusic.h"
#include "tests/music/MusicTestSupport.h"

namespace vexo {
namespace {

struct Log {
    std::vector<std::string> calls;
    std::map<std::string, int32_t> fail;  // method name -> status to raise
    int alive = 0;                         // recording objects not yet destroyed
    int nextPerf = 1, nextSeg = 1, nextState = 1, nextLoader = 1;
    void Call(const std::string& method, const std::string& text) {
        calls.push_back(text);
        auto it = fail.find(method);
        if (it != fail.end()) Raise(it->second);
    }
};

std::string B(VBBool b) { return std::to_string(b); }

class RecPerf;
class RecSeg;

template <class Base>
class Rec : public Base {
public:
    Rec(Log& log, std::string name) : log(log), name(std::move(name)) { ++log.alive; }
    ~Rec() override { --log.alive; }
    Log& log;
    const std::string name;
};

template <class T>
std::string NameOf(const Ref<T>& r) {
    if (!r) return "null";
    return dynamic_cast<Rec<T>*>(r.get())->name;
}

class RecState : public Rec<DirectMusicSegmentState> {
public:
    using Rec::Rec;
    int32_t seek = 0;
    int32_t GetSeek() override {
        log.Call("GetSeek", name + ".GetSeek()");
        return seek;
    }
};

class RecSeg : public Rec<DirectMusicSegment> {
public:
    using Rec::Rec;
    void SetRepeats(int32_t r) override { log.Call("SetRepeats", name + ".SetRepeats(" + std::to_string(r) + ")"); }
    int32_t GetRepeats() override { return 0; }
    void SetAutoDownloadEnable(VBBool b) override {
        log.Call("SetAutoDownloadEnable", name + ".SetAutoDownloadEnable(" + B(b) + ")");
    }
    void SetStandardMidiFile() override { log.Call("SetStandardMidiFile", name + ".SetStandardMidiFile()"); }
    void Download(const Ref<DirectMusicPerformance>& p) override {
        log.Call("Download", name + ".Download(" + NameOf(p) + ")");
    }
    void Unload(const Ref<DirectMusicPerformance>& p) override {
        log.Call("Unload", name + ".Unload(" + NameOf(p) + ")");
    }
    void SetTempoEnable(VBBool b) override { log.Call("SetTempoEnable", name + ".SetTempoEnable(" + B(b) + ")"); }
    void SetStartPoint(int32_t t) override {
        log.Call("SetStartPoint", name + ".SetStartPoint(" + std::to_string(t) + ")");
    }
    int32_t GetStartPoint() override { return 0; }
    int32_t GetLength() override { return 0; }
};

class RecPerf : public Rec<DirectMusicPerformance> {
public:
    using Rec::Rec;
    void Init(const Ref<DirectSound>& ds, HWND h) override {
        log.Call("Init", name + ".Init(" + (ds ? "ds" : "null") + "," + std::to_string(h) + ")");
    }
    void SetPort(int32_t p, int32_t g) override {
        log.Call("SetPort", name + ".SetPort(" + std::to_string(p) + "," + std::to_string(g) + ")");
    }
    void SetMasterAutoDownload(VBBool b) override {
        log.Call("SetMasterAutoDownload", name + ".SetMasterAutoDownload(" + B(b) + ")");
    }
    void CloseDown() override { log.Call("CloseDown", name + ".CloseDown()"); }
    Ref<DirectMusicSegmentState> PlaySegment(const Ref<DirectMusicSegment>& s, int32_t flags, int32_t t) override {
        std::ostringstream os;
        os << name << ".PlaySegment(" << NameOf(s) << ",0x" << std::hex << flags << std::dec << "," << t << ")";
        log.Call("PlaySegment", os.str());
        return MakeRef<RecState>(log, "state" + std::to_string(log.nextState++));
    }
    void Stop(const Ref<DirectMusicSegment>& s, const Ref<DirectMusicSegmentState>& st, int32_t t,
              int32_t flags) override {
        log.Call("Stop", name + ".Stop(" + NameOf(s) + "," + NameOf(st) + "," + std::to_string(t) + "," +
                             std::to_string(flags) + ")");
    }
    VBBool IsPlaying(const Ref<DirectMusicSegment>&, const Ref<DirectMusicSegmentState>&) override { return 0; }
    void SetMasterVolume(int32_t v) override {
        log.Call("SetMasterVolume", name + ".SetMasterVolume(" + std::to_string(v) + ")");
    }
    int32_t GetMasterVolume() override { return 0; }
    void SetMasterTempo(float t) override {
        std::ostringstream os;
        os << name << ".SetMasterTempo(" << t << ")";
        log.Call("SetMasterTempo", os.str());
    }
    float GetMasterTempo() override { return 1; }
    int32_t GetMusicTime() override { return 0; }
};

class RecLoader : public Rec<DirectMusicLoader> {
public:
    using Rec::Rec;
    void SetSearchDirectory(const std::string& d) override {
        log.Call("SetSearchDirectory", name + ".SetSearchDirectory(" + d + ")");
    }
    Ref<DirectMusicSegment> LoadSegment(const std::string& f) override {
        log.Call("LoadSegment", name + ".LoadSegment(" + f + ")");
        return MakeRef<RecSeg>(log, "seg" + std::to_string(log.nextSeg++));
    }
};

class RecRoot : public DirectX7 {
public:
    explicit RecRoot(Log& log) : log(log) {}
    Ref<DirectMusicLoader> DirectMusicLoaderCreate() override {
        log.Call("DirectMusicLoaderCreate", "DirectMusicLoaderCreate");
        return MakeRef<RecLoader>(log, "loader" + std::to_string(log.nextLoader++));
    }
    Ref<DirectMusicPerformance> DirectMusicPerformanceCreate() override {
        log.Call("DirectMusicPerformanceCreate", "DirectMusicPerformanceCreate");
        return MakeRef<RecPerf>(log, "perf" + std::to_string(log.nextPerf++));
    }
    Log& log;
};

class MusicRecording : public ::testing::Test {
protected:
    Log log;
    test::RootPlatform platform{[this] { return Ref<DirectX7>(MakeRef<RecRoot>(log)); }};
    ScopedPlatform scoped{platform};
    std::string cwd = std::filesystem::current_path().string();

    std::vector<std::string> Take() { return std::exchange(log.calls, {}); }
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
    EXPECT_EQ(V{"DirectMusicLoaderCreate"}, Take());

    int32_t slot = 7;
    std::string file = "song.mid";
    EXPECT_EQ(0, m.DMCreateSegment(slot, file));
    EXPECT_EQ((V{"DirectMusicPerformanceCreate", "loader1.SetSearchDirectory(" + cwd + ")", "perf1.Init(null,0)",
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
    EXPECT_EQ(3, log.alive);  // loader1, perf2, seg2: perf1 and seg1 were released
}

TEST_F(MusicRecording, CreateSegmentFailures) {
    DXMusic m;
    // No loader yet: fails at the search directory with 91, after the new
    // performance has already taken the slot, uninitialised.
    EXPECT_EQ(91, m.DMCreateSegment(4, "a.mid"));
    EXPECT_EQ(V{"DirectMusicPerformanceCreate"}, Take());
    EXPECT_EQ("perf1", NameOf(m.Performances[4]));

    ASSERT_EQ(0, m.DMSetup());
    Take();
    // Slot out of range: 9, the new performance is dropped, no slot changes.
    int alive = log.alive;
    EXPECT_EQ(9, m.DMCreateSegment(100, "a.mid"));
    EXPECT_EQ(9, m.DMCreateSegment(-1, "a.mid"));
    EXPECT_EQ((V{"DirectMusicPerformanceCreate", "DirectMusicPerformanceCreate"}), Take());
    EXPECT_EQ(alive, log.alive);
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
    log.fail["LoadSegment"] = status::DMUS_E_LOADER_FAILEDOPEN;
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
    dynamic_cast<RecState*>(m.SegmentStates[3].get())->seek = 1234;
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
    log.fail["PlaySegment"] = status::DMUS_E_NOT_INIT;
    Load(m, 2);
    EXPECT_EQ(status::DMUS_E_NOT_INIT, m.DMPlay(2, VB_TRUE));
    EXPECT_EQ((V{"perf1.Stop(seg1,null,1,0)", "perf2.PlaySegment(seg2,0x80,0)"}), Take());
    EXPECT_EQ(1, m.LastSegmentID);
    EXPECT_TRUE(m.SegmentStates[2].IsNothing());
    log.fail.clear();

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
    log.fail["Unload"] = status::E_FAIL;  // ignored, like every failure in DMClose
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
    log.fail.clear();

    // DMSetup on a set-up object closes first, then makes a new loader.
    ASSERT_EQ(0, m.DMSetup());
    Load(m, 9);
    EXPECT_EQ(0, m.DMSetup());
    EXPECT_EQ((V{"perf3.Stop(seg2,null,9,0)", "seg2.Unload(perf3)", "perf3.CloseDown()", "DirectMusicLoaderCreate"}),
              Take());
    ASSERT_EQ(0, m.DMCreateSegment(9, "b.mid"));
    EXPECT_EQ("loader3.SetSearchDirectory(" + cwd + ")", Take().at(1));

    // A failing loader creation is DMSetup's result.
    log.fail["DirectMusicLoaderCreate"] = status::E_OUTOFMEMORY;
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
