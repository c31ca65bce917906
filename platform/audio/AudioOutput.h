// The one audio output of the process. Sound buffers and music performances
// are sources mixed into it. Sources render on the audio thread.
#pragma once

#include <cstdint>

namespace vexo::audio {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Adds `frames` frames of interleaved stereo float samples at
    // `sampleRate` into `out` (which already holds other sources' sound).
    virtual void Render(float* out, int32_t frames, int32_t sampleRate) = 0;
};

class AudioOutput {
public:
    static AudioOutput& Get();
    virtual ~AudioOutput() = default;
    virtual void AddSource(AudioSource* src) = 0;
    // Returns once the audio thread no longer uses `src`.
    virtual void RemoveSource(AudioSource* src) = 0;
    virtual int32_t SampleRate() const = 0;
    // Offline rendering (no device, clock stopped): mixes `frames` frames of
    // every source into `out` (interleaved stereo), advancing the clock.
    virtual void RenderOffline(float* out, int32_t frames) = 0;
};

}  // namespace vexo::audio
