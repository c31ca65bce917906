// Tools over the audio output for tests and for people who want to listen:
// writing interleaved stereo to a WAV file, rendering the mix offline into
// one, and the memory held by sound data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexo::audio {

// Writes `frames` frames of interleaved stereo float samples as a 16-bit PCM
// WAV file (samples beyond +-1 are clipped). Returns false when the file
// cannot be written.
bool WriteStereoWav(const std::string& path, const float* samples, int64_t frames, int32_t sampleRate);

// Renders `frames` frames of the mixed output offline (see
// AudioOutput::RenderOffline) and writes them to `path`; returns the samples
// too. The output stays offline afterwards.
std::vector<float> RenderToWav(const std::string& path, int32_t frames);

// Bytes of sound data held by all live buffers; duplicates share theirs.
int64_t SoundDataBytes();

}  // namespace vexo::audio
