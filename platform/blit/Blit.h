// Pixel routines behind every blit. Callers have validated the rectangles:
// each routine assumes both rectangles lie wholly inside their buffers.
// Source and destination may be the same buffer (overlap is handled).
//
// Colour keys: a source pixel is skipped when it equals the key after
// masking with KeyMask(bpp) (the unused top byte of a 32-bit pixel is
// ignored; other depths match exactly).
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace vexo::blit {

struct PixelBuffer {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // bytes per row
    int32_t bpp = 0;    // 8, 16, 24 or 32
};

inline constexpr uint32_t KeyMask(int32_t bpp) {
    return bpp == 8 ? 0xFFu : bpp == 16 ? 0xFFFFu : 0xFFFFFFu;
}

struct Key {
    bool enabled = false;
    uint32_t value = 0;
};

// Effects for Fx: DDBLTFX_MIRRORLEFTRIGHT, DDBLTFX_MIRRORUPDOWN,
// DDBLTFX_ROTATE90, DDBLTFX_ROTATE180, DDBLTFX_ROTATE270 bits.

// Unscaled copy of `src` rectangle `s` to (dx, dy).
void Copy(const PixelBuffer& dst, int32_t dx, int32_t dy, const PixelBuffer& src, const RECT& s, Key key);
// Copy scaled from `s` into `d` (nearest pixel: source x = floor(x * sw / dw)
// exactly, no half-pixel offset; 4 to 6 gives columns 0,0,1,2,2,3 and every
// whole-factor enlargement repeats each pixel equally often).
void Stretch(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, Key key);
// Mirror / rotate `s` into `d`, scaled to `d`'s size. The mirrors act on the
// source, then the image turns: 90 clockwise, 270 counter-clockwise, 180 a
// half turn (several rotation bits add up). A turned image is as wide as the
// source is high, and is then scaled into `d` as Stretch does.
void Fx(const PixelBuffer& dst, const RECT& d, const PixelBuffer& src, const RECT& s, int32_t fx, Key key);
// Only the part `vis` of a Stretch (fx 0) or Fx of `s` into `d`, each pixel
// sampled exactly as the whole blit would sample it: for blits clipped to a
// surface or a clipper. `vis` lies inside both `d` and `dst`; `d` itself
// may reach outside `dst`.
void StretchPart(const PixelBuffer& dst, const RECT& d, const RECT& vis, const PixelBuffer& src, const RECT& s,
                 int32_t fx, Key key);
// Fill `r` with the raw value (masked to the depth).
void Fill(const PixelBuffer& dst, const RECT& r, uint32_t value);

// Which implementation runs: the widest the processor offers, or the plain
// one (identical pixels). For tests and benchmarks.
enum class Isa { Plain, SSE2, AVX2 };
Isa ActiveIsa();
void ForceIsa(Isa isa);  // falls back to the best available if unsupported

}  // namespace vexo::blit
