// The sound and music components' own logic over the Windows platform, as a
// game drives them: a sound slot of converted duplicates in rotation and the
// statuses that reach the game; a music slot loaded by a relative name,
// played, stopped, resumed and destroyed.
#include <string>
#include <vector>

#include "common/Platform.h"
#include "music/DXMusic.h"
#include "platform/windows/WinPlatform.h"
#include "sound/DX7Sound.h"
#include "tests/windows/ProgramChecks.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#include "platform/music/MidiWriter.h"
#pragma GCC diagnostic pop

namespace {
using namespace vexo::status;
constexpr int32_t kFileNotFound = DSERR_FILENOTFOUND;
constexpr int32_t kInvalid = E_INVALIDARG;
constexpr int32_t kFailedOpen = DMUS_E_LOADER_FAILEDOPEN;
}  // namespace

#include <windows.h>

using namespace vexo;
using vexo::testing::Expect;

namespace {

std::string g_dir;

std::string SaveWave(const std::string& name, int rate, int frames) {
    std::vector<uint8_t> b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                           1, 0, 1, 0};
    auto put32 = [&](uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); };
    put32(uint32_t(rate));
    put32(uint32_t(rate * 2));
    b.insert(b.end(), {2, 0, 16, 0, 'd', 'a', 't', 'a'});
    put32(uint32_t(frames * 2));
    for (int i = 0; i < frames; ++i) b.insert(b.end(), {uint8_t(i * 7), uint8_t((i % 50) - 25)});
    const uint32_t riff = uint32_t(b.size() - 8);
    for (int k = 0; k < 4; ++k) b[4 + k] = uint8_t(riff >> (8 * k));
    const std::string path = g_dir + "\\" + name;
    HANDLE h = CreateFileW(win::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, b.data(), DWORD(b.size()), &n, nullptr);
    CloseHandle(h);
    return path;
}

void Sound(::HWND wnd) {
    DX7Sound s;
    int32_t slot = 3, copies = 3, other = 7;
    const std::string file = SaveWave("shot.wav", 44100, 22050);
    Expect(s.DsSetup(win::FromHandle(wnd)) == 0 && s.DsCreate(slot, file, copies) == 0,
           "DsSetup, then DsCreate of a 16-bit mono 44100 Hz file into 3 buffers");
    auto& bufs = s.SoundSlots[3].Buffers;
    vexo::WAVEFORMATEX f;
    bufs[2]->GetFormat(f);
    Expect(f.lSamplesPerSec == 22050 && f.nBitsPerSample == 8 && f.nChannels == 2,
           "the duplicates hold the sound in the set-up format");
    Expect(s.DsPlay(slot) == 0 && bufs[1]->GetStatus() == DSBSTATUS_PLAYING && bufs[0]->GetStatus() == 0,
           "the first DsPlay starts buffer 1");
    Expect(s.DsSetVolume(slot, 5) == kInvalid, "DsSetVolume(5) returns the platform's invalid-parameter status");
    Expect(s.DsStop(slot) == 0 && bufs[1]->GetStatus() == 0, "DsStop");
    Expect(s.DsCreate(other, g_dir + "\\missing.wav") == kFileNotFound && s.SoundSlots[7].BufferCount == 0,
           "DsCreate of a missing file returns its status and leaves the slot");
    s.DsClose();
    Expect(s.DsCreate(slot, file) == ERR_OBJECT_NOT_SET, "DsCreate after DsClose returns 91");
}

void Music() {
    midi::MidiWriter w(96, 0);
    int t = w.AddTrack();
    w.Bpm(t, 0, 120);
    for (int i = 0; i < 4; ++i) w.Note(t, uint32_t(i * 96), 80, 0, uint8_t(64 + i), 90);
    w.Save(g_dir + "\\tune.mid");
    // Relative names resolve against the current directory of the moment.
    SetCurrentDirectoryW(win::Wide(g_dir).c_str());

    DXMusic m;
    const int32_t two = 2, four = 4;
    Expect(m.DMSetup() == 0 && m.MusicLoader, "DMSetup makes the loader");
    Expect(m.DMCreateSegment(two, "tune.mid") == 0 && m.Segments[2] && m.Performances[2],
           "DMCreateSegment by a relative name");
    if (!m.Segments[2]) return;
    Expect(m.DMPlay(two) == 0 && m.SegmentStates[2] && m.LastSegmentID == 2, "DMPlay keeps the playback's state");
    Expect(m.DMStop(two) == 0, "DMStop");
    Expect(m.DMPlay(two, VBBool(VB_TRUE), VBBool(VB_TRUE)) == 0, "DMPlay stopping the last slot and resuming");
    Expect(m.DMCreateSegment(four, "missing.mid") == kFailedOpen && !m.Segments[4] && m.Performances[4],
           "DMCreateSegment of a missing file: the loader's status, the new performance stays");
    Expect(m.DMDestroySegment(two) == 0 && !m.Segments[2], "DMDestroySegment");
    Expect(m.DMDestroySegment(two) == ERR_OBJECT_NOT_SET, "  a second time returns 91");
}

}  // namespace

int main() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    g_dir = win::Utf8(tmp) + "vexo_slots_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(win::Wide(g_dir).c_str(), nullptr);
    ::HWND wnd = CreateWindowExW(0, L"STATIC", L"slots", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    if (!wnd) wnd = GetDesktopWindow();

    Sound(wnd);
    Music();

    SetCurrentDirectoryW(tmp);
    for (const char* f : {"shot.wav", "tune.mid"}) DeleteFileW(win::Wide(g_dir + "\\" + f).c_str());
    RemoveDirectoryW(win::Wide(g_dir).c_str());
    return vexo::testing::Failures() ? 1 : 0;
}
