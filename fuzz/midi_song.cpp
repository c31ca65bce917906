// A music file from the user, loaded as a game loads one (DMCreateSegment
// after DMSetup) and played: the sequencer and the synthesizer render a few
// seconds of it offline, into a mixer of our own.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/DXMusic.h"
#include "platform/music/MusicPlatform.h"

namespace {

// A low rate keeps the synthesizer cheap; the sequencer works the same at
// any rate.
constexpr int32_t kRate = 8000;
// Rendered at most per input: enough for several passes of a short piece,
// bounded in audio time whatever the file's tempo, and in events sent, since
// a tempo of a few microseconds a beat sends a pass of the piece every frame.
// Small blocks keep the overshoot past the event bound small.
constexpr int32_t kMaxFrames = 3 * kRate;
constexpr uint64_t kMaxEvents = 50000;
constexpr int32_t kBlock = 64;

class OfflineMixer final : public vexo::plat::music::Mixer {
public:
    void Add(vexo::audio::AudioSource*) override {}
    void Remove(vexo::audio::AudioSource*) override {}
    int32_t SampleRate() override { return kRate; }
    double Seconds() override { return seconds; }
    double seconds = 0;
};

OfflineMixer& TheMixer() {
    static OfflineMixer* m = new OfflineMixer;
    return *m;
}

const std::string& Path() {
    static const std::string p = "/dev/shm/vexo_fuzz_midi_" + std::to_string(getpid()) + ".mid";
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vexo::plat::music::InstallMixer(&TheMixer());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Master tempo and repeats come from the bytes without changing them.
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    static constexpr float kTempos[] = {1.0f, 0.5f, 2.0f, 100.0f};
    static constexpr int32_t kRepeats[] = {32767, 0, 3};
    float tempo = kTempos[h % 4];
    int32_t repeats = kRepeats[(h >> 2) % 3];

    FILE* out = std::fopen(Path().c_str(), "wb");
    if (!out) std::abort();
    if (size && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);

    vexo::DXMusic music;
    if (music.DMSetup() != 0) std::abort();
    const int32_t slot = 0;
    if (music.DMCreateSegment(slot, Path(), repeats, 0, tempo) == 0 && music.DMPlay(slot) == 0) {
        const auto& perf = music.Performances[slot];
        vexo::audio::AudioSource* src = vexo::plat::music::SourceOf(perf);
        std::vector<float> buf(2 * kBlock);
        for (int32_t done = 0; src && done < kMaxFrames; done += kBlock) {
            if (!perf->IsPlaying(music.Segments[slot], nullptr)) break;
            if (vexo::plat::music::EventsSentOf(perf) > kMaxEvents) break;
            src->Render(buf.data(), kBlock, kRate);
            TheMixer().seconds += double(kBlock) / kRate;
        }
        music.DMStop(slot);
    }
    music.DMClose();
    std::remove(Path().c_str());
    return 0;
}
