// The display's pixel formats (8-bit indexed, 16-bit 5-6-5, 24-bit and
// 32-bit XRGB), the storage of a surface's pixels, and the conversions
// between raw pixel values and RGB colours.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/DDraw.h"
#include "common/Types.h"
#include "platform/blit/Blit.h"

namespace vexo::plat {

using Palette256 = std::array<PALETTEENTRY, 256>;

inline bool DepthSupported(int32_t bpp) { return bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }
inline int32_t BytesPerPixel(int32_t bpp) { return bpp / 8; }

// Fills `pf` with the published description of a depth.
void DescribeFormat(int32_t bpp, DDPIXELFORMAT& pf);
// The depth a description names, or 0 when it is none of ours.
int32_t DepthOfFormat(const DDPIXELFORMAT& pf);

// RGB colour (red in the low byte) to a raw pixel and back, for the direct
// colour depths. 16-bit packing truncates to 5-6-5; unpacking repeats the
// top bits so that full intensity stays 255.
uint32_t PackRgb(int32_t bpp, COLORREF c);
COLORREF UnpackRgb(int32_t bpp, uint32_t v);
// The entry nearest to `c` (squared distance, lowest index among equals).
int32_t NearestEntry(const PALETTEENTRY* pal, int32_t count, COLORREF c);
inline COLORREF EntryRgb(const PALETTEENTRY& e) { return COLORREF(RGB(e.red, e.green, e.blue)); }

// The system palette device contexts fall back to when an 8-bit surface has
// no palette: the 20 static colours at 0-9 and 246-255, a 6x6x6 colour cube
// and a grey ramp between them.
const Palette256& DefaultSystemPalette();

uint32_t ReadPixel(const uint8_t* p, int32_t bpp);
void WritePixel(uint8_t* p, int32_t bpp, uint32_t v);

// The pixels of a surface. Flipping swaps these between the surfaces of a
// chain, so a surface refers to its storage through a shared pointer.
struct PixelStore {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t bpp = 0;

    blit::PixelBuffer Buffer() { return {bytes.data(), width, height, pitch, bpp}; }
    uint8_t* At(int32_t x, int32_t y) {
        return bytes.data() + int64_t(y) * pitch + int64_t(x) * BytesPerPixel(bpp);
    }
    RECT Bounds() const { return {0, 0, width, height}; }
};

// Rows are padded to 4 bytes.
int64_t PitchFor(int32_t width, int32_t bpp);
// Allocates a cleared store; raises DDERR_OUTOFMEMORY when it cannot.
std::shared_ptr<PixelStore> MakeStore(int32_t width, int32_t height, int32_t bpp);

// Converts the `r` part of `store` to XRGB pixels in `out` (pitch in pixels,
// same coordinates); 8-bit pixels go through `pal`.
void ConvertToXrgb(const PixelStore& store, const RECT& r, const PALETTEENTRY* pal, uint32_t* out,
                   int32_t outPitch);

}  // namespace vexo::plat
