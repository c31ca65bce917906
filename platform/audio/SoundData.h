// The sample data of a sound buffer: immutable once loaded, shared by every
// duplicate of the buffer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/DSound.h"

namespace vexo::audio {

struct SoundData {
    WAVEFORMATEX format;         // PCM, 8 or 16 bits, 1 or 2 channels
    std::vector<uint8_t> bytes;  // frames * block alignment
    int32_t frames = 0;

    SoundData();
    ~SoundData();
    SoundData(const SoundData&) = delete;
    SoundData& operator=(const SoundData&) = delete;
};

// Bytes of sample data alive in the process (every SoundData counted once,
// however many buffers share it).
int64_t LiveSoundDataBytes();

// Raises the platform status unless `format` is PCM with 1 or 2 channels,
// 8 or 16 bits, a rate within the buffer frequency range and consistent
// block alignment and byte rate.
void ValidatePcmFormat(const WAVEFORMATEX& format);

// Reads `file` once with libsndfile and converts it to `format`: the rate
// with libsoxr at high quality, more than two channels mixed down with the
// usual gains (the file's speaker positions when it names them). Raises
// DSERR_FILENOTFOUND for a file that cannot be opened, DSERR_BADFORMAT for
// one libsndfile cannot read or whose data is truncated or inconsistent, and
// DSERR_OUTOFMEMORY for one that would exceed DSBSIZE_MAX bytes. Loading
// holds at most the converted data (DSBSIZE_MAX, 256 MB) and a few small
// buffers, however small and well compressed the file.
std::shared_ptr<const SoundData> LoadSoundFile(const std::string& file, const WAVEFORMATEX& format);

// Builds sound data from interleaved float samples at `rate` with
// `channels` channels (tests and tools).
std::shared_ptr<const SoundData> MakeSoundData(const float* samples, int64_t frames, int32_t channels, int32_t rate,
                                               const WAVEFORMATEX& format);

}  // namespace vexo::audio
