// The real sound platform for tests: its device, offline rendering, and a
// platform that gives DX7Sound the real device.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/Families.h"
#include "platform/audio/AudioOutput.h"
#include "tests/sound/SoundTestSupport.h"

namespace vexo::test {

inline Ref<DirectSound> RealDevice() { return plat::RegisteredFamilies().sound(""); }

// Puts the output offline (nothing advances between renders) and renders.
class OfflineOutput {
public:
    OfflineOutput() { audio::AudioOutput::Get().RenderOffline(nullptr, 0); }
    std::vector<float> Render(int32_t frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames));
        audio::AudioOutput::Get().RenderOffline(out.data(), frames);
        return out;
    }
};

inline float L(const std::vector<float>& mix, size_t frame) { return mix[2 * frame]; }
inline float R(const std::vector<float>& mix, size_t frame) { return mix[2 * frame + 1]; }

// Largest absolute sample of one channel over [from, to).
inline float Peak(const std::vector<float>& mix, int channel, size_t from, size_t to) {
    float p = 0;
    for (size_t f = from; f < to && 2 * f + 1 < mix.size(); ++f)
        p = std::max(p, std::fabs(mix[2 * f + static_cast<size_t>(channel)]));
    return p;
}

// The first frame where either channel is not silent, or -1.
inline int64_t FirstSound(const std::vector<float>& mix) {
    for (size_t f = 0; 2 * f + 1 < mix.size(); ++f)
        if (mix[2 * f] != 0 || mix[2 * f + 1] != 0) return static_cast<int64_t>(f);
    return -1;
}

// A platform over the real DirectSound family (windows 1 to 99 exist).
class RealSoundPlatform : public RecordingPlatform {
public:
    RealSoundPlatform() {
        AddSoundWindows(*this);
        st->sound = plat::RegisteredFamilies().sound;
    }
};

}  // namespace vexo::test
