// Offline rendering of a busy General MIDI piece on 1 and 4 performances,
// reported as multiples of real time; and the memory each further loaded
// and each further playing performance costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <fluidsynth.h>
#include <malloc.h>

#include "common/DMusic.h"
#include "platform/music/MidiWriter.h"
#include "platform/music/MusicPlatform.h"
#include "platform/music/Synth.h"

namespace {

using namespace vexo;
constexpr int32_t kRate = 48000;

class NullMixer : public plat::music::Mixer {
public:
    void Add(audio::AudioSource*) override {}
    void Remove(audio::AudioSource*) override {}
    int32_t SampleRate() override { return kRate; }
};
NullMixer g_mixer;

// Sixteen bars at 140 BPM on ten channels: drums in sixteenths, bass in
// eighths, chords, arpeggios and a lead, with controllers and bends.
std::string BusyPiece() {
    static std::string path;
    if (!path.empty()) return path;
    midi::MidiWriter w(480);
    int t = w.AddTrack();
    w.Bpm(t, 0, 140);
    const uint8_t programs[] = {0, 33, 48, 24, 80, 4, 61, 73, 11, 19};
    for (uint8_t ch = 0; ch < 10; ++ch) {
        int tr = w.AddTrack();
        uint8_t c = ch == 9 ? 9 : ch;
        w.Program(tr, 0, c, programs[ch]);
        w.Control(tr, 0, c, 91, 60);
        for (uint32_t bar = 0; bar < 16; ++bar) {
            uint32_t b0 = bar * 1920;
            if (c == 9) {
                for (uint32_t s = 0; s < 16; ++s) {
                    w.Note(tr, b0 + s * 120, 60, 9, 42, 80);
                    if (s % 4 == 0) w.Note(tr, b0 + s * 120, 100, 9, 36, 110);
                    if (s % 8 == 4) w.Note(tr, b0 + s * 120, 100, 9, 38, 100);
                }
            } else if (c == 1) {
                for (uint32_t e = 0; e < 8; ++e) w.Note(tr, b0 + e * 240, 200, c, uint8_t(36 + (bar % 4) * 2), 100);
            } else if (c == 2 || c == 5) {
                for (uint8_t k : {60, 64, 67, 71}) w.Note(tr, b0, 1800, c, uint8_t(k + (bar % 4)), 70);
            } else {
                for (uint32_t s = 0; s < 16; ++s) w.Note(tr, b0 + s * 120, 110, c, uint8_t(55 + (s * 7 + c * 3) % 24), 85);
                w.PitchBend(tr, b0 + 960, c, 8192 + 600);
                w.PitchBend(tr, b0 + 1440, c, 8192);
                w.Control(tr, b0, c, 11, uint8_t(90 + bar % 30));
            }
        }
    }
    path = (std::filesystem::temp_directory_path() / ("vexo_bench_busy_" + std::to_string(getpid()) + ".mid")).string();
    w.Save(path);
    return path;
}

void RenderBusy(benchmark::State& state) {
    plat::music::InstallMixer(&g_mixer);
    const int n = int(state.range(0));
    Ref<DirectMusicLoader> loader = plat::music::CreateLoader();
    Ref<DirectMusicSegment> seg = loader->LoadSegment(BusyPiece());
    seg->SetRepeats(1000);
    std::vector<Ref<DirectMusicPerformance>> perfs;
    for (int i = 0; i < n; ++i) {
        Ref<DirectMusicPerformance> p = plat::music::CreatePerformance();
        p->Init(nullptr, 0);
        p->SetPort(-1, 80);
        p->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0);
        perfs.push_back(p);
    }
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        // One second of every performance, in device-sized blocks.
        for (int b = 0; b < kRate / 512 + 1; ++b)
            for (auto& p : perfs) plat::music::SourceOf(p)->Render(out.data(), 512, kRate);
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of music rendered per second of processor: one per performance.
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * (kRate / 512 + 1) * 512.0 / kRate, benchmark::Counter::kIsRate);
    state.counters["x_realtime_per_perf"] = benchmark::Counter(
        double(state.iterations()) * n * (kRate / 512 + 1) * 512.0 / kRate, benchmark::Counter::kIsRate);
    for (auto& p : perfs) p->CloseDown();
    plat::music::InstallMixer(nullptr);
}
BENCHMARK(RenderBusy)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// DMStop then DMPlay on one slot: the stop renders its fade, the idle
// performance gives its synthesizer back, so this includes making a new one.
void StopAndPlayAgain(benchmark::State& state) {
    plat::music::InstallMixer(&g_mixer);
    Ref<DirectMusicLoader> loader = plat::music::CreateLoader();
    Ref<DirectMusicSegment> seg = loader->LoadSegment(BusyPiece());
    Ref<DirectMusicPerformance> p = plat::music::CreatePerformance();
    p->Init(nullptr, 0);
    p->SetPort(-1, 80);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        p->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0);
        plat::music::SourceOf(p)->Render(out.data(), 512, kRate);
        p->Stop(seg, nullptr, 0, 0);
    }
    p->CloseDown();
    plat::music::InstallMixer(nullptr);
}
BENCHMARK(StopAndPlayAgain)->Unit(benchmark::kMicrosecond);

// The peer: FluidSynth's own MIDI file player on a synthesizer of the same
// settings, the same piece, the same blocks.
void PeerFluidPlayer(benchmark::State& state) {
    fluid_settings_t* s = new_fluid_settings();
    fluid_settings_setnum(s, "synth.sample-rate", kRate);
    fluid_settings_setint(s, "synth.polyphony", 128);
    fluid_settings_setint(s, "synth.chorus.active", 0);
    fluid_settings_setint(s, "synth.cpu-cores", 1);
    fluid_synth_t* synth = new_fluid_synth(s);
    fluid_synth_sfload(synth, plat::music::SoundFontPath().c_str(), 1);
    fluid_player_t* player = new_fluid_player(synth);
    fluid_player_add(player, BusyPiece().c_str());
    fluid_player_set_loop(player, -1);
    fluid_player_play(player);
    std::vector<float> out(2 * 512);
    for (auto _ : state) {
        for (int b = 0; b < kRate / 512 + 1; ++b)
            fluid_synth_write_float(synth, 512, out.data(), 0, 2, out.data(), 1, 2);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * (kRate / 512 + 1) * 512.0 / kRate, benchmark::Counter::kIsRate);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
}
BENCHMARK(PeerFluidPlayer)->Unit(benchmark::kMillisecond);

// Prints each run's time against the peer's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) times_.emplace_back(r.benchmark_name(), r.GetAdjustedCPUTime());
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double peer = 0;
        for (auto& [name, t] : times_)
            if (name.rfind("PeerFluidPlayer", 0) == 0) peer = t;
        if (peer <= 0) return;
        for (auto& [name, t] : times_)
            if (name.rfind("RenderBusy", 0) == 0)
                std::printf("%-16s %.2f x the peer's time for one second (%.1f x real time)\n", name.c_str(), t / peer,
                            1000.0 / t);
        std::printf("peer fluid_player: %.1f x real time\n", 1000.0 / peer);
    }

private:
    std::vector<std::pair<std::string, double>> times_;
};

long RssKb() {
    std::ifstream f("/proc/self/statm");
    long size = 0, resident = 0;
    f >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Memory of 100 loaded slots, and of 100 playing ones, beyond the first.
void MemoryPerSlot() {
    plat::music::InstallMixer(&g_mixer);
    Ref<DirectMusicLoader> loader = plat::music::CreateLoader();
    Ref<DirectMusicSegment> seg = loader->LoadSegment(BusyPiece());
    std::vector<Ref<DirectMusicPerformance>> perfs;
    auto add = [&] {
        Ref<DirectMusicPerformance> p = plat::music::CreatePerformance();
        p->Init(nullptr, 0);
        p->SetPort(-1, 80);
        seg->Download(p);
        perfs.push_back(p);
    };
    add();
    perfs[0]->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0);  // loads the sound font once
    long base = RssKb();
    for (int i = 1; i < 100; ++i) add();
    long loaded = RssKb();
    std::vector<float> out(2 * 512);
    for (int i = 1; i < 100; ++i) {
        perfs[size_t(i)]->PlaySegment(seg, DMUS_SEGF_SECONDARY, 0);
        plat::music::SourceOf(perfs[size_t(i)])->Render(out.data(), 512, kRate);
    }
    long playing = RssKb();
    for (int i = 1; i < 100; ++i) perfs[size_t(i)]->Stop(nullptr, nullptr, 0, 0);
    malloc_trim(0);  // so the resident size shows what the allocator got back
    long stopped = RssKb();
    std::printf("memory: first playing performance with the sound font %ld KB; each further loaded slot %.1f KB; "
                "each further playing slot %.0f KB; after stopping those 99: %.0f KB each\n",
                base, double(loaded - base) / 99, double(playing - loaded) / 99, double(stopped - loaded) / 99);
    for (auto& p : perfs) p->CloseDown();
    plat::music::InstallMixer(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MemoryPerSlot();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::remove(BusyPiece().c_str());
    return 0;
}
