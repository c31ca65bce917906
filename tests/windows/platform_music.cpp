// The music family over the system's DirectMusic: a MIDI file the program
// writes itself, loaded by name, a performance set up as the music
// component does it, segment settings, playback calls and the statuses the
// declarations promise. Wine 8's DirectMusic loads a MIDI file as a segment
// of length 0 and plays nothing, so this checks calls and statuses.
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/DMusic.h"
#include "common/Platform.h"
// GCC 12 warns falsely (array bounds, string reads) inside the small vector inserts of
// the writer once they are inlined at -O2 for mingw.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#include "platform/music/MidiWriter.h"
#pragma GCC diagnostic pop
#include "platform/windows/WinPlatform.h"
#include "tests/windows/ProgramChecks.h"

namespace {
using namespace vexo::status;
constexpr int32_t kPointer = E_POINTER;
constexpr int32_t kInvalid = E_INVALIDARG;
constexpr int32_t kNotInit = DMUS_E_NOT_INIT;
constexpr int32_t kAlreadyInit = DMUS_E_ALREADY_INITED;
constexpr int32_t kNoFileName = DMUS_E_LOADER_NOFILENAME;
constexpr int32_t kBadPath = DMUS_E_LOADER_BADPATH;
constexpr int32_t kOutOfRange = DMUS_E_OUT_OF_RANGE;
}  // namespace

#include <windows.h>

using namespace vexo;
using vexo::testing::Expect;
using vexo::testing::ExpectStatus;
using vexo::testing::Hex;
using vexo::testing::StatusOf;

namespace {

std::string g_dir;

// Two bars of a tune at 100 BPM, with a program change, as a format 1 file.
std::string WriteSong(const std::string& name) {
    midi::MidiWriter w(480, 1);
    int conductor = w.AddTrack();
    w.Bpm(conductor, 0, 100);
    w.TimeSignature(conductor, 0, 4, 2);
    int t = w.AddTrack();
    w.Program(t, 0, 0, 19);
    for (int i = 0; i < 8; ++i) w.Note(t, uint32_t(i * 480), 400, 0, uint8_t(60 + i), 100);
    std::string path = g_dir + "\\" + name;
    w.Save(path);
    return path;
}

void Performances(const Ref<DirectX7>& root) {
    Ref<DirectMusicPerformance> p = root->DirectMusicPerformanceCreate();
    ExpectStatus(kNotInit, "SetPort before Init", [&] { p->SetPort(-1, 1); });
    Ref<DirectMusicLoader> loader = root->DirectMusicLoaderCreate();
    loader->SetSearchDirectory(g_dir);
    Ref<DirectMusicSegment> seg = loader->LoadSegment("song.mid");
    // Playing and downloading need Init (Wine 8 itself would take them).
    for (auto& [what, call] : std::vector<std::pair<std::string, std::function<void()>>>{
             {"SetMasterAutoDownload", [&] { p->SetMasterAutoDownload(VB_TRUE); }},
             {"PlaySegment", [&] { p->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0); }},
             {"Stop", [&] { p->Stop(nullptr, nullptr, 3, 0); }},
             {"IsPlaying", [&] { p->IsPlaying(seg, nullptr); }},
             {"Download", [&] { seg->Download(p); }},
             {"Unload", [&] { seg->Unload(p); }},
         })
        ExpectStatus(kNotInit, what + " before Init", call);
    // The master settings and the clock are the performance's own.
    ExpectStatus(0, "SetMasterVolume before Init", [&] { p->SetMasterVolume(-100); });
    ExpectStatus(0, "SetMasterTempo before Init", [&] { p->SetMasterTempo(1.0f); });
    ExpectStatus(0, "Init with no DirectSound and window 0", [&] { p->Init(nullptr, 0); });
    ExpectStatus(kAlreadyInit, "a second Init", [&] { p->Init(nullptr, 0); });
    ExpectStatus(kInvalid, "SetPort with no channel group", [&] { p->SetPort(-1, 0); });
    ExpectStatus(kInvalid, "SetPort of port 0", [&] { p->SetPort(0, 1); });
    ExpectStatus(0, "SetPort(-1, 80): the default port", [&] { p->SetPort(-1, 80); });
    ExpectStatus(0, "SetMasterAutoDownload(true)", [&] { p->SetMasterAutoDownload(VB_TRUE); });

    ExpectStatus(0, "SetMasterVolume(-5000)", [&] { p->SetMasterVolume(-5000); });
    Expect(p->GetMasterVolume() == -5000, "master volume -5000 round trip");
    p->SetMasterVolume(-30000);
    Expect(p->GetMasterVolume() == DMUS_VOLUME_MIN, "a master volume below the range is clamped to -20000");
    p->SetMasterVolume(5000);
    Expect(p->GetMasterVolume() == DMUS_VOLUME_MAX, "a master volume above the range is clamped to 2000");
    ExpectStatus(0, "SetMasterTempo(1.5)", [&] { p->SetMasterTempo(1.5f); });
    Expect(p->GetMasterTempo() == 1.5f, "master tempo 1.5 round trip");
    ExpectStatus(kInvalid, "SetMasterTempo(0)", [&] { p->SetMasterTempo(0.0f); });
    ExpectStatus(kInvalid, "SetMasterTempo(100.5)", [&] { p->SetMasterTempo(100.5f); });
    ExpectStatus(kInvalid, "SetMasterTempo(NaN)", [&] { p->SetMasterTempo(std::nanf("")); });
    Expect(p->GetMasterTempo() == 1.5f, "a refused tempo keeps the old one");
    p->SetMasterTempo(1.0f);
    const int32_t t0 = p->GetMusicTime();
    Sleep(300);
    const int32_t t1 = p->GetMusicTime();
    // Wine 8 reports music time 0 throughout; a system clock never goes back.
    Expect(t1 >= t0 && t0 >= 0, "the performance's music time (" + std::to_string(t0) + " then " + std::to_string(t1) + ")");
    ExpectStatus(kPointer, "PlaySegment of an empty segment", [&] { p->PlaySegment(nullptr, DMUS_SEGF_SECONDARY, 0); });
    ExpectStatus(0, "CloseDown", [&] { p->CloseDown(); });
    ExpectStatus(kNotInit, "PlaySegment after CloseDown", [&] { p->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0); });
    // The music component closes down every slot's performance, also one
    // whose Init never ran.
    Ref<DirectMusicPerformance> fresh = root->DirectMusicPerformanceCreate();
    const int32_t closed = StatusOf([&] { fresh->CloseDown(); });
    Expect(closed <= 0, "CloseDown of a performance never initialised returns (" + Hex(closed) + ")");

    // The music component's own sound device can drive a performance too.
    Ref<DirectSound> ds;
    if (ExpectStatus(0, "a sound device", [&] { ds = root->DirectSoundCreate(""); })) {
        ds->SetCooperativeLevel(win::FromHandle(GetDesktopWindow()), DSSCL_PRIORITY);
        Ref<DirectMusicPerformance> q = root->DirectMusicPerformanceCreate();
        ExpectStatus(0, "Init with the sound family's DirectSound", [&] { q->Init(ds, 0); });
        ExpectStatus(0, "  and SetPort(-1, 1)", [&] { q->SetPort(-1, 1); });
        q->CloseDown();
    }
    // A performance dropped while initialised closes itself down.
    Ref<DirectMusicPerformance> dropped = root->DirectMusicPerformanceCreate();
    dropped->Init(nullptr, 0);
    ExpectStatus(0, "releasing an initialised performance", [&] { dropped = nullptr; });
}

void Segments(const Ref<DirectX7>& root) {
    const std::string song = g_dir + "\\song.mid";
    Ref<DirectMusicLoader> loader = root->DirectMusicLoaderCreate();
    ExpectStatus(0, "SetSearchDirectory to the songs' directory", [&] { loader->SetSearchDirectory(g_dir); });
    ExpectStatus(kBadPath, "SetSearchDirectory past MAX_PATH",
                 [&] { loader->SetSearchDirectory(g_dir + "\\" + std::string(300, 'a')); });
    Ref<DirectMusicSegment> s;
    ExpectStatus(0, "LoadSegment by a name relative to the search directory", [&] { s = loader->LoadSegment("song.mid"); });
    Ref<DirectMusicSegment> full;
    ExpectStatus(0, "LoadSegment by the whole path", [&] { full = loader->LoadSegment(song); });
    Expect(s && full && s.get() != full.get(), "each load makes a segment object of its own");
    ExpectStatus(kNoFileName, "LoadSegment with no name", [&] { loader->LoadSegment(""); });
    ExpectStatus(kBadPath, "LoadSegment of a name past MAX_PATH", [&] { loader->LoadSegment(std::string(400, 'x') + ".mid"); });
    const int32_t missing = StatusOf([&] { loader->LoadSegment("missing.mid"); });
    Expect(missing < 0, "LoadSegment of a missing file fails (" + Hex(missing) + ")");
    if (!s) return;

    Ref<DirectMusicPerformance> p = root->DirectMusicPerformanceCreate();
    p->Init(nullptr, 0);
    p->SetPort(-1, 80);
    ExpectStatus(0, "SetRepeats(3)", [&] { s->SetRepeats(3); });
    Expect(s->GetRepeats() == 3, "repeats 3 round trip");
    s->SetRepeats(32767);
    Expect(s->GetRepeats() == 32767, "repeats 32767 round trip");
    s->SetRepeats(-1);
    Expect(s->GetRepeats() == -1, "a negative count is kept as the unsigned 32 bits");
    s->SetRepeats(0);
    ExpectStatus(0, "SetAutoDownloadEnable(true)", [&] { s->SetAutoDownloadEnable(VB_TRUE); });
    ExpectStatus(0, "SetMasterAutoDownload(true)", [&] { p->SetMasterAutoDownload(VB_TRUE); });
    ExpectStatus(0, "SetStandardMidiFile, twice",
                 [&] {
                     s->SetStandardMidiFile();
                     s->SetStandardMidiFile();
                 });
    ExpectStatus(0, "Download to the performance", [&] { s->Download(p); });
    ExpectStatus(kPointer, "Download to an empty performance", [&] { s->Download(nullptr); });
    ExpectStatus(kPointer, "Unload from an empty performance", [&] { s->Unload(nullptr); });
    ExpectStatus(0, "SetTempoEnable(true)", [&] { s->SetTempoEnable(VB_TRUE); });
    ExpectStatus(0, "SetTempoEnable(false)", [&] { s->SetTempoEnable(VB_FALSE); });
    s->SetTempoEnable(VB_TRUE);
    const int32_t length = s->GetLength();
    Expect(length >= 0, "GetLength (" + std::to_string(length) + "; 2 bars are 6144 where MIDI files load)");
    ExpectStatus(0, "SetStartPoint(0), whatever the length", [&] { s->SetStartPoint(0); });
    if (length > 0) {
        ExpectStatus(kOutOfRange, "SetStartPoint(length)", [&] { s->SetStartPoint(length); });
    } else {
        ExpectStatus(kOutOfRange, "SetStartPoint(1) of a segment of length 0", [&] { s->SetStartPoint(1); });
    }
    ExpectStatus(kOutOfRange, "SetStartPoint(-1)", [&] { s->SetStartPoint(-1); });
    Expect(s->GetStartPoint() == 0, "start point 0 round trip");

    Ref<DirectMusicSegmentState> st;
    ExpectStatus(0, "PlaySegment as a secondary segment at time 0",
                 [&] { st = p->PlaySegment(s, DMUS_SEGF_SECONDARY, 0); });
    if (st) {
        int32_t seek = -1;
        ExpectStatus(0, "GetSeek of the playback", [&] { seek = st->GetSeek(); });
        Expect(seek >= 0, "  a position within the segment (" + std::to_string(seek) + ")");
    }
    const int32_t playing = StatusOf([&] { p->IsPlaying(s, nullptr); });
    Expect(playing == 0, "IsPlaying of the segment (" + Hex(playing) + ")");
    ExpectStatus(0, "Stop the segment at music time 3, flags 0", [&] { p->Stop(s, nullptr, 3, 0); });
    ExpectStatus(0, "Stop with an empty segment, as after a destroyed one", [&] { p->Stop(nullptr, nullptr, 3, 0); });
    ExpectStatus(0, "Unload from the performance", [&] { s->Unload(p); });
    ExpectStatus(0, "CloseDown", [&] { p->CloseDown(); });
}

}  // namespace

int main() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    g_dir = win::Utf8(tmp) + "vexo_music_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(win::Wide(g_dir).c_str(), nullptr);

    WriteSong("song.mid");
    Ref<DirectX7> root = api::CreateDirectX7();
    Ref<DirectMusicLoader> loader;
    Ref<DirectMusicPerformance> perf;
    if (ExpectStatus(0, "DirectMusicLoaderCreate", [&] { loader = root->DirectMusicLoaderCreate(); }) &&
        ExpectStatus(0, "DirectMusicPerformanceCreate", [&] { perf = root->DirectMusicPerformanceCreate(); })) {
        Performances(root);
        Segments(root);
    }

    DeleteFileW(win::Wide(g_dir + "\\song.mid").c_str());
    RemoveDirectoryW(win::Wide(g_dir).c_str());
    return vexo::testing::Failures() ? 1 : 0;
}
