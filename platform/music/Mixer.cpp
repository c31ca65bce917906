#include <atomic>

#include "platform/Families.h"
#include "platform/music/MusicPlatform.h"

namespace vexo::plat::music {

namespace {

class OutputMixer final : public Mixer {
public:
    void Add(audio::AudioSource* s) override { audio::AudioOutput::Get().AddSource(s); }
    void Remove(audio::AudioSource* s) override { audio::AudioOutput::Get().RemoveSource(s); }
    int32_t SampleRate() override { return audio::AudioOutput::Get().SampleRate(); }
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

Mixer& CurrentMixer() {
    static OutputMixer output;
    Mixer* m = g_installed.load();
    return m ? *m : output;
}

void InstallMixer(Mixer* mixer) { g_installed.store(mixer); }

}  // namespace vexo::plat::music
