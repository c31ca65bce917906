// The demo's sprite sheet, painted in code and written as a 24-bit bitmap
// file. Cells are 32 x 32; sprite cells have a magenta background, and the
// sheet's top-left pixel is magenta, so the loaded surface keys it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

inline constexpr int kCell = 32;
inline constexpr int kSheetW = 256;
inline constexpr int kSheetH = 96;

// Where each picture sits on the sheet (left, top, width, height).
struct Cell {
    int x, y, w, h;
};
namespace sheet {
inline Cell Hero(int frame) { return {(frame & 3) * kCell, 0, kCell, kCell}; }
inline Cell Coin(int frame) { return {128 + (frame & 3) * kCell, 0, kCell, kCell}; }
inline Cell Slime(int frame) { return {(frame & 1) * kCell, 32, kCell, kCell}; }
inline constexpr Cell kSun{64, 32, 32, 32};
inline constexpr Cell kCloud{96, 32, 64, 32};
inline constexpr Cell kBush{160, 32, 32, 32};
inline constexpr Cell kFlower{192, 32, 32, 32};
inline constexpr Cell kHeart{224, 32, 32, 32};
// The bottom row: opaque tiles drawn without the key, and a keyed sign.
inline constexpr Cell kGrass{0, 64, 32, 32};
inline constexpr Cell kDirt{32, 64, 32, 32};
inline constexpr Cell kBrick{64, 64, 32, 32};
inline constexpr Cell kCrate{96, 64, 32, 32};
inline constexpr Cell kWater{128, 64, 32, 32};
inline constexpr Cell kSign{160, 64, 32, 32};
}  // namespace sheet

// An RGB image, 0x00RRGGBB per pixel.
struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> px;
    Image(int w, int h, uint32_t fill) : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    void Put(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < width && y < height) px[static_cast<size_t>(y) * width + x] = c;
    }
    void Rect(int x, int y, int w, int h, uint32_t c);
    void Disc(int cx, int cy, int r, uint32_t c);
    void Ellipse(int cx, int cy, int rx, int ry, uint32_t c);
};

Image PaintSpriteSheet();
// Writes `img` as a bottom-up 24-bit bitmap file; false on failure.
bool WriteBmp24(const std::string& path, const Image& img);

}  // namespace demo
