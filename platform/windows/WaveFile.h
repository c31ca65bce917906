// Wave files for sound buffers: a RIFF WAVE reader that trusts nothing in
// the file, and the conversion of its samples to a buffer's PCM format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/DSound.h"

namespace vexo::win {

// Raises DSERR_BADFORMAT unless `format` is PCM with 1 or 2 channels, 8 or
// 16 bits, a rate within the buffer frequency range and consistent block
// alignment and byte rate.
void ValidatePcmFormat(const WAVEFORMATEX& format);

// The layout of a file's sample frames.
struct WaveLayout {
    int32_t channels = 0;
    int32_t rate = 0;
    int32_t bytesPerSample = 0;  // the container: 1, 2, 3, 4 or 8
    bool isFloat = false;
    int32_t blockAlign = 0;
};

// Converts `frames` frames laid out as `from` to `to` (already validated):
// channels mixed up or down, the rate converted with a windowed-sinc filter
// (frames at whole source positions keep their value when the rate is
// raised), samples quantised to 8 or 16 bits. Raises DSERR_BADFORMAT for no
// frames and DSERR_OUTOFMEMORY when the result would exceed DSBSIZE_MAX.
std::vector<uint8_t> ConvertFrames(const uint8_t* data, int64_t frames, const WaveLayout& from,
                                   const WAVEFORMATEX& to);

// Reads the RIFF WAVE file `file` (UTF-8 name) and converts its samples to
// `to`. Raises DSERR_FILENOTFOUND for a file that cannot be opened or is
// not a plain file; DSERR_BADFORMAT for one that is not a wave file, whose
// format is not integer PCM (8 to 32 bits) or IEEE float, or whose chunks
// are damaged or truncated; DSERR_OUTOFMEMORY for a sound too large for a
// buffer.
std::vector<uint8_t> LoadWaveFile(const std::string& file, const WAVEFORMATEX& to);

}  // namespace vexo::win
