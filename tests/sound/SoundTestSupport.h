// Test support for the sound component: wave files written by the test and
// the windows the sound platforms offer.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/DSound.h"
#include "common/Platform.h"
#include "tests/support/Checks.h"
#include "tests/support/Files.h"
#include "tests/support/RecordingPlatform.h"

namespace vexo::test {

inline WAVEFORMATEX Pcm(int32_t rate, int16_t bits, int16_t channels) {
    WAVEFORMATEX f;
    f.nFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.lSamplesPerSec = rate;
    f.nBitsPerSample = bits;
    f.nBlockAlign = static_cast<int16_t>(bits / 8 * channels);
    f.lAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// Raw bytes of a canonical RIFF WAVE file. `declaredData` overrides the data
// chunk's size field (for truncated and hostile files).
inline std::vector<uint8_t> WavBytes(const std::vector<uint8_t>& data, int32_t rate, int16_t bits, int16_t channels,
                                     int64_t declaredData = -1) {
    std::vector<uint8_t> b;
    b.reserve(44 + data.size());
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
    };
    uint32_t dataSize = declaredData >= 0 ? static_cast<uint32_t>(declaredData) : static_cast<uint32_t>(data.size());
    tag("RIFF");
    u32(36 + dataSize);
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
    u32(dataSize);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A 16-bit wave file of interleaved samples.
inline void WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int32_t rate, int16_t channels) {
    std::vector<uint8_t> data;
    for (int16_t s : samples) {
        data.push_back(static_cast<uint8_t>(s & 0xFF));
        data.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    WriteFile(path, WavBytes(data, rate, 16, channels));
}

// `frames` frames of a constant level (a DC sound makes amplitudes easy to
// read at any resampling ratio).
inline std::vector<int16_t> Constant(int32_t frames, int16_t level, int channels = 1) {
    return std::vector<int16_t>(static_cast<size_t>(frames) * channels, level);
}

// A ramp 1, 2, 3 ... so that each output sample names the frame it came from.
inline std::vector<int16_t> Ramp(int32_t frames) {
    std::vector<int16_t> v(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
    return v;
}

// The test platform as the sound tests see it: windows 1 to 99 exist.
inline void AddSoundWindows(RecordingPlatform& p) {
    for (HWND h = 1; h < 100; ++h) p.AddWindow(h, RECT{0, 0, 640, 480}, 640, 480);
}

}  // namespace vexo::test
