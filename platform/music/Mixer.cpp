#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/Families.h"
#include "platform/music/MusicPlatform.h"

namespace vexo::plat::music {

namespace {

std::chrono::steady_clock::time_point ClockOrigin() {
    static const auto origin = std::chrono::steady_clock::now();
    return origin;
}

class OutputMixer final : public Mixer {
public:
    void Add(audio::AudioSource* s) override { audio::AudioOutput::Get().AddSource(s); }
    void Remove(audio::AudioSource* s) override { audio::AudioOutput::Get().RemoveSource(s); }
    int32_t SampleRate() override { return audio::AudioOutput::Get().SampleRate(); }

    // Real time while the output plays; once it renders offline, the frames
    // it has rendered, so that offline runs are repeatable. A switch carries
    // on from where the clock stood.
    double Seconds() override {
        audio::AudioOutput& out = audio::AudioOutput::Get();
        const bool offline = out.CurrentMode() == audio::AudioOutput::Mode::Offline;
        const double raw = offline ? double(out.FramesRendered()) / out.SampleRate() : Mixer::Seconds();
        std::lock_guard<std::mutex> lock(mu_);
        if (read_ && offline != offline_) offset_ = last_ - raw;
        read_ = true;
        offline_ = offline;
        last_ = std::max(last_, raw + offset_);
        return last_;
    }

private:
    std::mutex mu_;
    bool read_ = false, offline_ = false;
    double offset_ = 0, last_ = 0;
};

std::atomic<Mixer*> g_installed{nullptr};

// The root object finds the music family here when the platform loads.
const bool g_registered = [] {
    Families& f = RegisteredFamilies();
    f.musicLoader = [] { return CreateLoader(); };
    f.musicPerformance = [] { return CreatePerformance(); };
    return true;
}();

}  // namespace

void StartMusicClock() { ClockOrigin(); }

double Mixer::Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - ClockOrigin()).count();
}

Mixer& CurrentMixer() {
    static OutputMixer output;
    Mixer* m = g_installed.load();
    return m ? *m : output;
}

void InstallMixer(Mixer* mixer) { g_installed.store(mixer); }

}  // namespace vexo::plat::music
