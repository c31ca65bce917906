// WAV writing with libsndfile and offline rendering into a file.
#include "platform/audio/AudioTools.h"

#include <sndfile.h>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/SoundData.h"

namespace vexo::audio {

bool WriteStereoWav(const std::string& path, const float* samples, int64_t frames, int32_t sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    // Clip rather than wrap samples that overshoot.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_count_t written = sf_writef_float(f, samples, frames);
    bool ok = written == frames;
    return sf_close(f) == 0 && ok;
}

std::vector<float> RenderToWav(const std::string& path, int32_t frames) {
    AudioOutput& out = AudioOutput::Get();
    std::vector<float> mix(2 * static_cast<size_t>(frames > 0 ? frames : 0));
    out.RenderOffline(mix.data(), frames);
    WriteStereoWav(path, mix.data(), frames, out.SampleRate());
    return mix;
}

int64_t SoundDataBytes() { return LiveSoundDataBytes(); }

}  // namespace vexo::audio
