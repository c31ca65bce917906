// The mixer rendering one second of 48 kHz stereo from 100 buffers playing
// at once (each with its own volume, pan and frequency), against real time
// and against SDL2's SDL_MixAudioFormat adding 100 ready-made float streams
// (no resampling, no pan) in the same run. And loading a wave file into a
// buffer's format, against libsndfile only decoding the same file.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/DSound.h"
#include "platform/Families.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/SoundData.h"

namespace {

using namespace vexo;

constexpr int32_t kRate = 48000;
constexpr int kVoices = 100;

// Ten different two-second sounds (8 and 16 bits, mono and stereo, 22050
// and 44100 Hz), each loaded once and duplicated to ten buffers.
struct Scene {
    Ref<DirectSound> dev;
    std::vector<Ref<DirectSoundBuffer>> buffers;
    std::string dir;

    static void WriteWav(const std::string& path, int rate, int bits, int channels, int frames, int seed) {
        std::vector<uint8_t> data;
        std::mt19937 rng(static_cast<uint32_t>(seed));
        for (int i = 0; i < frames * channels; ++i) {
            double x = 0.3 * std::sin(i * 0.01 * (seed + 1)) + 0.05 * (rng() % 1000 / 1000.0 - 0.5);
            if (bits == 16) {
                int16_t s = static_cast<int16_t>(x * 32767);
                data.push_back(static_cast<uint8_t>(s & 0xFF));
                data.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
            } else {
                data.push_back(static_cast<uint8_t>(128 + x * 127));
            }
        }
        std::vector<uint8_t> b;
        auto u32 = [&](uint32_t v) {
            for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
        };
        auto u16 = [&](uint16_t v) {
            b.push_back(static_cast<uint8_t>(v));
            b.push_back(static_cast<uint8_t>(v >> 8));
        };
        auto tag = [&](const char* t) {
            for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(t[k]));
        };
        tag("RIFF");
        u32(static_cast<uint32_t>(36 + data.size()));
        tag("WAVE");
        tag("fmt ");
        u32(16);
        u16(1);
        u16(static_cast<uint16_t>(channels));
        u32(static_cast<uint32_t>(rate));
        u32(static_cast<uint32_t>(rate * channels * bits / 8));
        u16(static_cast<uint16_t>(channels * bits / 8));
        u16(static_cast<uint16_t>(bits));
        tag("data");
        u32(static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }

    Scene() {
        audio::AudioOutput::Get().RenderOffline(nullptr, 0);
        char tmpl[] = "/tmp/vexo-bench-sound-XXXXXX";
        dir = mkdtemp(tmpl);
        dev = plat::RegisteredFamilies().sound("");
        std::mt19937 rng(7);
        for (int s = 0; s < 10; ++s) {
            int rate = s % 2 ? 44100 : 22050, bits = s % 3 ? 16 : 8, ch = s % 4 < 2 ? 1 : 2;
            std::string path = dir + "/s" + std::to_string(s) + ".wav";
            WriteWav(path, rate, bits, ch, rate * 2, s);
            WAVEFORMATEX f;
            f.nFormatTag = WAVE_FORMAT_PCM;
            f.nChannels = static_cast<int16_t>(ch);
            f.lSamplesPerSec = rate;
            f.nBitsPerSample = static_cast<int16_t>(bits);
            f.nBlockAlign = static_cast<int16_t>(ch * bits / 8);
            f.lAvgBytesPerSec = rate * f.nBlockAlign;
            DSBUFFERDESC d{};
            d.lFlags = 0xE2;
            auto first = dev->CreateSoundBufferFromFile(path, d, f);
            for (int k = 0; k < kVoices / 10; ++k) {
                auto b = k == 0 ? first : dev->DuplicateSoundBuffer(first);
                b->SetVolume(-static_cast<int32_t>(rng() % 2000));
                b->SetPan(static_cast<int32_t>(rng() % 10001) - 5000);
                b->SetFrequency(static_cast<int32_t>(11025 + rng() % 33075));
                b->SetCurrentPosition(static_cast<int32_t>(rng() % 10000) * f.nBlockAlign);
                b->Play(DSBPLAY_LOOPING);
                buffers.push_back(b);
            }
        }
    }
    ~Scene() {
        buffers.clear();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void Mix100_Vexo(benchmark::State& state) {
    Scene scene;
    std::vector<float> out(2 * kRate);
    for (auto _ : state) {
        audio::AudioOutput::Get().RenderOffline(out.data(), kRate);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(Mix100_Vexo)->Unit(benchmark::kMillisecond);

// The same number of streams added by SDL2 in blocks of the same size, each
// with a volume; the streams are already at the output rate.
void Mix100_SDL(benchmark::State& state) {
    const int32_t block = audio::AudioOutput::Get().BlockFrames();
    std::vector<std::vector<float>> streams(kVoices, std::vector<float>(2 * kRate));
    std::mt19937 rng(3);
    for (auto& s : streams)
        for (auto& x : s) x = static_cast<float>(rng() % 1000) / 4000.0f - 0.125f;
    std::vector<float> out(2 * kRate);
    for (auto _ : state) {
        for (int32_t at = 0; at < kRate; at += block) {
            int32_t n = std::min(block, kRate - at);
            float* o = out.data() + 2 * at;
            std::fill(o, o + 2 * n, 0.0f);
            for (int v = 0; v < kVoices; ++v)
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(o),
                                   reinterpret_cast<const Uint8*>(streams[static_cast<size_t>(v)].data() + 2 * at),
                                   AUDIO_F32SYS, static_cast<Uint32>(n * 2 * sizeof(float)), 100);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(Mix100_SDL)->Unit(benchmark::kMillisecond);

// Two seconds of 44,100 Hz 16-bit stereo, the usual shape of an effect.
struct LoadFile {
    std::string dir, path;
    LoadFile() {
        char tmpl[] = "/tmp/vexo-bench-load-XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/load.wav";
        Scene::WriteWav(path, 44100, 16, 2, 88200, 3);
    }
    ~LoadFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

WAVEFORMATEX Pcm(int32_t rate, int16_t bits, int16_t channels) {
    WAVEFORMATEX f;
    f.nFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.lSamplesPerSec = rate;
    f.nBitsPerSample = bits;
    f.nBlockAlign = static_cast<int16_t>(channels * bits / 8);
    f.lAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// Into the default device format (22,050 Hz, 8 bits): a rate conversion.
void Load_Vexo_22050(benchmark::State& state) {
    LoadFile file;
    const WAVEFORMATEX f = Pcm(22050, 8, 2);
    for (auto _ : state) benchmark::DoNotOptimize(audio::LoadSoundFile(file.path, f));
}
BENCHMARK(Load_Vexo_22050)->Unit(benchmark::kMillisecond);

// Into the file's own rate and depth: no conversion of rate.
void Load_Vexo_44100(benchmark::State& state) {
    LoadFile file;
    const WAVEFORMATEX f = Pcm(44100, 16, 2);
    for (auto _ : state) benchmark::DoNotOptimize(audio::LoadSoundFile(file.path, f));
}
BENCHMARK(Load_Vexo_44100)->Unit(benchmark::kMillisecond);

// The peer: libsndfile opening and decoding the file to float, nothing more.
void Load_Sndfile(benchmark::State& state) {
    LoadFile file;
    std::vector<float> buf(88200 * 2);
    for (auto _ : state) {
        SF_INFO info{};
        SNDFILE* sf = sf_open(file.path.c_str(), SFM_READ, &info);
        sf_command(sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
        benchmark::DoNotOptimize(sf_readf_float(sf, buf.data(), info.frames));
        sf_close(sf);
    }
}
BENCHMARK(Load_Sndfile)->Unit(benchmark::kMillisecond);

class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;  // seconds of CPU per iteration
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
            double t = r.GetAdjustedCPUTime() / 1000.0;  // reported in ms
            auto it = fastest.find(r.run_name.function_name);
            if (it == fastest.end() || t < it->second) fastest[r.run_name.function_name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    SDL_Init(0);
    benchmark::Initialize(&argc, argv);
    Collector rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    auto ours = rep.fastest.find("Mix100_Vexo");
    auto peer = rep.fastest.find("Mix100_SDL");
    if (ours != rep.fastest.end()) {
        double rt = 1.0 / ours->second;
        std::printf("\n100 buffers, 1 s of 48 kHz stereo: %.1f x real time (target 100 x) %s\n", rt,
                    rt >= 100 ? "met" : "MISSED");
        if (peer != rep.fastest.end())
            std::printf("vs SDL_MixAudioFormat of 100 ready streams (no resampling, no pan): %.2f x its speed\n",
                        peer->second / ours->second);
    }
    auto decode = rep.fastest.find("Load_Sndfile");
    if (decode != rep.fastest.end())
        for (const char* name : {"Load_Vexo_22050", "Load_Vexo_44100"}) {
            auto load = rep.fastest.find(name);
            if (load != rep.fastest.end())
                std::printf("%s (2 s of 44.1 kHz 16-bit stereo): %.2f x the time of libsndfile decoding it\n", name,
                            load->second / decode->second);
        }
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}
