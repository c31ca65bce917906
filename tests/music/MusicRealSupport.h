// The real music platform with a mixer of the test's own, so that each
// performance is rendered offline, on its own, exactly when the test asks.
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "platform/Families.h"
#include "platform/music/MidiWriter.h"
#include "platform/music/MusicPlatform.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingPlatform.h"

namespace vexo::test {

inline constexpr int32_t kRate = 48000;

// The test platform with the music family of our platform behind its root.
class RealMusicPlatform : public RecordingPlatform {
public:
    RealMusicPlatform() {
        st->musicLoader = plat::RegisteredFamilies().musicLoader;
        st->musicPerformance = plat::RegisteredFamilies().musicPerformance;
    }
};

class CaptureMixer : public plat::music::Mixer {
public:
    void Add(audio::AudioSource* s) override {
        if (!Has(s)) sources.push_back(s);
    }
    void Remove(audio::AudioSource* s) override { std::erase(sources, s); }
    int32_t SampleRate() override { return kRate; }
    // The test's clock: moved on by Render as the sound rendered would take,
    // and by the test for time that passes without rendering.
    double Seconds() override { return seconds; }
    bool Has(audio::AudioSource* s) const { return std::find(sources.begin(), sources.end(), s) != sources.end(); }
    std::vector<audio::AudioSource*> sources;
    double seconds = 0;
};

// Renders `seconds` of one performance alone (stereo interleaved).
inline std::vector<float> Render(const Ref<DirectMusicPerformance>& p, double seconds) {
    size_t frames = size_t(seconds * kRate + 0.5);
    std::vector<float> out(frames * 2, 0.0f);
    audio::AudioSource* src = plat::music::SourceOf(p);
    for (size_t done = 0; done < frames;) {
        int32_t n = int32_t(std::min<size_t>(512, frames - done));
        src->Render(out.data() + 2 * done, n, kRate);
        done += size_t(n);
    }
    if (auto* m = dynamic_cast<CaptureMixer*>(&plat::music::CurrentMixer())) m->seconds += double(frames) / kRate;
    return out;
}

// The largest change from one sample to the next in either channel, from
// frame `from` on.
inline double MaxStep(const std::vector<float>& b, size_t from = 0) {
    double m = 0;
    for (size_t i = 2 * from + 2; i < b.size(); ++i) m = std::max(m, double(std::fabs(b[i] - b[i - 2])));
    return m;
}

// Root mean square between two times, in seconds.
inline double Rms(const std::vector<float>& b, double from, double to) {
    size_t a = size_t(from * kRate) * 2, e = std::min(b.size(), size_t(to * kRate) * 2);
    if (e <= a) return 0;
    double s = 0;
    for (size_t i = a; i < e; ++i) s += double(b[i]) * b[i];
    return std::sqrt(s / double(e - a));
}

inline double Peak(const std::vector<float>& b) {
    double m = 0;
    for (float v : b) m = std::max(m, double(std::fabs(v)));
    return m;
}

// Times (seconds) at which sound starts after at least `gap` of quiet,
// judged over 5 ms windows.
inline std::vector<double> Onsets(const std::vector<float>& b, double threshold, double gap = 0.05) {
    std::vector<double> at;
    const double win = 0.005;
    double quiet = gap;
    for (double t = 0; (t + win) * kRate * 2 <= double(b.size()); t += win) {
        if (Rms(b, t, t + win) > threshold) {
            if (quiet >= gap) at.push_back(t);
            quiet = 0;
        } else {
            quiet += win;
        }
    }
    return at;
}

}  // namespace vexo::test
