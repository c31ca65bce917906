// Wide-vector mixing runs, chosen at run time by what the processor offers.
#pragma once

#include <cstdint>

namespace vexo::audio::simd {

// The interpolation weight uses the top 24 bits of a position's fraction,
// which convert to float exactly on every path.
inline constexpr float kFrac = 1.0f / 16777216.0f;

// Frames of one frame's worth of bytes onwards that one run reads per
// frame: the frame, its neighbour, and for 8-bit mono two more (a 32-bit
// gather).
inline constexpr int NeededFrames(int bits, int channels) { return bits == 8 && channels == 1 ? 4 : 2; }

// Mixes up to `count` frames (a multiple of 8 of them) from 32.32 position
// `pos` advancing by `step`, adding l * gl and r * gr into interleaved
// `out`. Every frame's index must leave NeededFrames(...) frames in the
// data. Returns the frames done and advances `pos`.
int32_t MixRunAvx2(int bits, int channels, const uint8_t* base, uint64_t& pos, uint64_t step, float gl, float gr,
                   float* out, int32_t count);

// True when the AVX2 run is used (the processor has it and it is enabled).
bool WideVectors();
// Turns the AVX2 run off or back on (tests compare the paths).
void EnableWideVectors(bool on);

}  // namespace vexo::audio::simd
