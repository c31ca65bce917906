// The half-blend table build: for every pair (screen colour d, source colour
// s) the screen colour index that stands for half of each.
//
// Entry (d, s) is found for the mix m of screen[d] and source[s] (each
// channel (a + b) / 2 rounded half to even) by a search over the screen
// palette: the first index whose distance (sum of absolute channel
// differences) is 4 or less, else the lowest index of the smallest distance.
// The wide paths (AVX2, AVX-512) compute all 256 distances of a mix at once
// and give the same bytes as the plain one.
#pragma once

#include <array>
#include <cstdint>

#include "common/Types.h"

namespace vexo::harf {

using Palette = std::array<PALETTEENTRY, 256>;
using Table = std::array<std::array<uint8_t, 256>, 256>;

enum class Path { Auto, Plain, Avx2, Avx512 };

// True when the processor runs `path` (Auto and Plain always).
bool Available(Path path);
// The path Auto takes: the widest available.
Path Widest();

// Rewrites every entry of `out`. A path the processor lacks falls back to
// the plain one.
void BuildTable(const Palette& screen, const Palette& source, Table& out, Path path = Path::Auto);

// The mix of one channel: (a + b) / 2 rounded half to even.
uint8_t MixChannel(uint8_t a, uint8_t b);

// The search for one mix colour over `screen`, as the table uses it.
uint8_t Nearest(const Palette& screen, PALETTEENTRY mix);

}  // namespace vexo::harf
