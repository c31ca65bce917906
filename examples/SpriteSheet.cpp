// Paints the sprite sheet with a few shapes per cell.
#include "SpriteSheet.h"

#include <cstdio>
#include <fstream>

namespace demo {

namespace {
constexpr uint32_t kMagenta = 0xFF00FF;

uint32_t Shade(uint32_t c, int delta) {
    auto ch = [&](int shift) {
        int v = static_cast<int>((c >> shift) & 0xFF) + delta;
        return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

// A small repeatable noise so the tiles have texture.
int Noise(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<int>((h >> 24) & 0x1F) - 16;
}

void Hero(Image& im, int ox, int frame) {
    const int bob = (frame & 1) ? 1 : 0;
    im.Rect(ox + 10, 3 + bob, 12, 4, 0x8B4513);        // hair
    im.Rect(ox + 10, 7 + bob, 12, 8, 0xF5C59A);        // face
    im.Rect(ox + 13, 9 + bob, 2, 3, 0x202020);         // eyes
    im.Rect(ox + 18, 9 + bob, 2, 3, 0x202020);
    im.Rect(ox + 8, 15 + bob, 16, 8, 0xD03030);        // shirt
    im.Rect(ox + 6, 16 + bob, 2, 6, 0xF5C59A);         // arms
    im.Rect(ox + 24, 16 + bob, 2, 6, 0xF5C59A);
    im.Rect(ox + 9, 23, 14, 3, 0x3050C0);              // trousers
    const int stride = (frame % 4 == 1) ? 3 : (frame % 4 == 3) ? -3 : 0;
    im.Rect(ox + 10 + stride, 26, 4, 5, 0x3050C0);     // legs
    im.Rect(ox + 18 - stride, 26, 4, 5, 0x3050C0);
    im.Rect(ox + 9 + stride, 30, 6, 2, 0x402010);      // boots
    im.Rect(ox + 17 - stride, 30, 6, 2, 0x402010);
}

void Coin(Image& im, int ox, int frame) {
    static const int widths[4] = {11, 8, 3, 8};
    const int rx = widths[frame & 3];
    im.Ellipse(ox + 16, 16, rx, 11, 0xB8860B);
    if (rx > 3) im.Ellipse(ox + 16, 16, rx - 2, 9, 0xFFD700);
    im.Rect(ox + 15, 10, 2, 12, rx > 3 ? 0xFFF3A0 : 0xFFD700);
}

void Slime(Image& im, int ox, int oy, int frame) {
    const int squash = frame & 1;
    im.Ellipse(ox + 16, oy + 22 + squash, 13 + squash * 2, 9 - squash, 0x2E8B57);
    im.Ellipse(ox + 16, oy + 20 + squash, 10 + squash * 2, 6 - squash, 0x3CB371);
    im.Disc(ox + 11, oy + 19 + squash, 3, 0xFFFFFF);
    im.Disc(ox + 21, oy + 19 + squash, 3, 0xFFFFFF);
    im.Disc(ox + 12, oy + 20 + squash, 1, 0x000000);
    im.Disc(ox + 22, oy + 20 + squash, 1, 0x000000);
}

void Tiles(Image& im) {
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int n = Noise(x, y);
            // Grass over a band of soil.
            im.Put(x, 64 + y, y < 9 + (Noise(x, 0) & 3) ? Shade(0x3FA535, n) : Shade(0x8B5A2B, n));
            im.Put(32 + x, 64 + y, Shade(0x7A4E24, n));
            // Bricks with mortar lines, offset every other row.
            const bool mortar = (y % 8 == 7) || ((x + ((y / 8) % 2) * 8) % 16 == 15);
            im.Put(64 + x, 64 + y, mortar ? 0xC8C0B0 : Shade(0xB04A2E, n / 2));
            // Water with light ripples.
            const bool ripple = ((x + y * 3) % 11 == 0) && (y % 4 == 1);
            im.Put(128 + x, 64 + y, ripple ? 0xBFE8FF : Shade(0x2A7FD0, n / 2));
        }
    // A wooden crate.
    im.Rect(96, 64, 32, 32, 0x9C6B30);
    im.Rect(98, 66, 28, 28, 0xC08A48);
    for (int i = 0; i < 28; ++i) {
        im.Rect(98 + i, 66 + i, 2, 2, 0x9C6B30);
        im.Rect(124 - i, 66 + i, 2, 2, 0x9C6B30);
    }
    // A sign post (keyed: the cell keeps its magenta background).
    im.Rect(174, 78, 4, 18, 0x7A4E24);
    im.Rect(164, 68, 24, 12, 0xC08A48);
    im.Rect(167, 72, 18, 2, 0x5A3A18);
    im.Rect(167, 76, 12, 2, 0x5A3A18);
}
}  // namespace

void Image::Rect(int x, int y, int w, int h, uint32_t c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Put(i, j, c);
}

void Image::Ellipse(int cx, int cy, int rx, int ry, uint32_t c) {
    for (int y = -ry; y <= ry; ++y)
        for (int x = -rx; x <= rx; ++x)
            if (x * x * ry * ry + y * y * rx * rx <= rx * rx * ry * ry) Put(cx + x, cy + y, c);
}

void Image::Disc(int cx, int cy, int r, uint32_t c) { Ellipse(cx, cy, r, r, c); }

Image PaintSpriteSheet() {
    Image im(kSheetW, kSheetH, kMagenta);
    for (int f = 0; f < 4; ++f) {
        Hero(im, f * kCell, f);
        Coin(im, 128 + f * kCell, f);
    }
    Slime(im, 0, 32, 0);
    Slime(im, 32, 32, 1);
    // Sun with eight rays.
    for (int t = 10; t <= 13; ++t) {  // stays inside the cell
        const int d = t * 7 / 10;
        const int rays[8][2] = {{t, 0}, {-t, 0}, {0, t}, {0, -t}, {d, d}, {-d, d}, {d, -d}, {-d, -d}};
        for (const auto& r : rays) im.Rect(80 + r[0], 48 + r[1], 2, 2, 0xFFB000);
    }
    im.Disc(80, 48, 9, 0xFFC800);
    im.Disc(78, 46, 5, 0xFFF080);
    // Cloud.
    im.Ellipse(118, 54, 14, 8, 0xF4F8FF);
    im.Ellipse(134, 46, 14, 12, 0xFFFFFF);
    im.Ellipse(146, 55, 12, 7, 0xF4F8FF);
    im.Rect(104, 55, 52, 6, 0xFFFFFF);
    // Bush.
    im.Ellipse(176, 54, 14, 10, 0x1E7A30);
    im.Ellipse(172, 50, 8, 7, 0x2E9A40);
    im.Disc(181, 49, 2, 0xE03030);
    // Flower.
    im.Rect(207, 48, 2, 14, 0x2E8B2E);
    const int petals[4][2] = {{-4, 0}, {4, 0}, {0, -4}, {0, 4}};
    for (const auto& p : petals) im.Disc(208 + p[0], 44 + p[1], 3, 0xFF70C0);
    im.Disc(208, 44, 2, 0xFFE040);
    // Heart.
    im.Disc(235, 44, 5, 0xE02040);
    im.Disc(245, 44, 5, 0xE02040);
    for (int i = 0; i < 10; ++i) im.Rect(231 + i, 46 + i, 18 - 2 * i, 1, 0xE02040);
    Tiles(im);
    // The transparent colour is read from the very first pixel.
    im.Put(0, 0, kMagenta);
    return im;
}

bool WriteBmp24(const std::string& path, const Image& img) {
    const int rowBytes = (img.width * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(rowBytes) * img.height;
    std::vector<uint8_t> out(54 + dataSize, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = v & 0xFF;
        out[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(img.width));
    put32(22, static_cast<uint32_t>(img.height));
    put16(26, 1);
    put16(28, 24);
    put32(34, dataSize);
    for (int y = 0; y < img.height; ++y) {
        uint8_t* row = out.data() + 54 + static_cast<size_t>(img.height - 1 - y) * rowBytes;
        for (int x = 0; x < img.width; ++x) {
            const uint32_t c = img.px[static_cast<size_t>(y) * img.width + x];
            row[x * 3 + 0] = c & 0xFF;
            row[x * 3 + 1] = (c >> 8) & 0xFF;
            row[x * 3 + 2] = (c >> 16) & 0xFF;
        }
    }
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

}  // namespace demo
