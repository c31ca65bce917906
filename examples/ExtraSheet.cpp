// The second sprite sheet: the player fox, a bat, a gem, a lantern, the moon,
// a ghost and a band of mist, and two night tiles. The background is pure
// black: the loaded surface takes it as its colour key (top-left pixel), and
// it is the value 0 that the mirror blit and the 8-bit default palette's
// index 0 share. Sprites keep clear of near-black colours for that reason.
#include <cmath>
#include <cstdlib>

#include "Game.h"

namespace demo {

namespace {

void PaintFox(Image& im, int ox, int frame) {
    const uint32_t fur = 0xE8731C, light = 0xF6B26B, cream = 0xFFF2DC, dark = 0x5A3A28;
    // Tail behind, with a cream tip.
    im.Ellipse(ox + 7, 16, 6, 4, fur);
    im.Ellipse(ox + 3, 14, 3, 3, cream);
    // Body and belly.
    im.Ellipse(ox + 15, 20, 8, 6, fur);
    im.Ellipse(ox + 16, 23, 5, 3, light);
    // Head looking right, pointed snout, ears.
    im.Disc(ox + 24, 12, 5, fur);
    im.Rect(ox + 27, 12, 4, 3, fur);
    im.Rect(ox + 30, 12, 2, 2, dark);  // nose
    im.Rect(ox + 22, 15, 6, 2, cream);
    im.Rect(ox + 21, 4, 3, 4, fur);
    im.Rect(ox + 25, 4, 3, 4, fur);
    im.Rect(ox + 22, 5, 1, 2, dark);
    im.Rect(ox + 26, 5, 1, 2, dark);
    im.Rect(ox + 25, 10, 2, 2, dark);  // eye
    // Legs: a run cycle of two frames.
    const int s = (frame & 1) ? 3 : 0;
    im.Rect(ox + 9 + s, 25, 3, 6, fur);
    im.Rect(ox + 19 - s, 25, 3, 6, fur);
    im.Rect(ox + 9 + s, 30, 3, 2, dark);
    im.Rect(ox + 19 - s, 30, 3, 2, dark);
}

void Bat(Image& im, int ox, int frame) {
    const uint32_t wing = 0x7040A0, body = 0x9060C0;
    if (frame & 1) {
        for (int i = 0; i < 12; ++i) im.Rect(ox + 3 + i, 14 - i / 2, 1, 3 + i / 3, wing);
        for (int i = 0; i < 12; ++i) im.Rect(ox + 28 - i, 14 - i / 2, 1, 3 + i / 3, wing);
    } else {
        for (int i = 0; i < 12; ++i) im.Rect(ox + 3 + i, 14 + i / 3, 1, 4, wing);
        for (int i = 0; i < 12; ++i) im.Rect(ox + 28 - i, 14 + i / 3, 1, 4, wing);
    }
    im.Ellipse(ox + 16, 16, 4, 6, body);
    im.Rect(ox + 13, 9, 2, 3, body);
    im.Rect(ox + 18, 9, 2, 3, body);
    im.Rect(ox + 14, 14, 1, 1, 0xFF4040);
    im.Rect(ox + 18, 14, 1, 1, 0xFF4040);
}

void Gem(Image& im, int ox) {
    for (int y = 0; y < 24; ++y) {
        const int half = y < 8 ? y + 2 : 9 - (y - 8) * 9 / 16;
        for (int x = -half; x <= half; ++x) {
            const uint32_t c = x < 0 ? 0x40E0FF : (y < 8 ? 0xA0F8FF : 0x2090D0);
            im.Put(ox + 16 + x, 4 + y, c);
        }
    }
    im.Rect(ox + 12, 6, 3, 2, 0xFFFFFF);
}

void Lantern(Image& im, int ox) {
    im.Disc(ox + 16, 10, 8, 0x806020);  // warm halo
    im.Disc(ox + 16, 10, 5, 0xFFD040);
    im.Disc(ox + 16, 10, 2, 0xFFFFC0);
    im.Rect(ox + 15, 18, 3, 14, 0x707070);
    im.Rect(ox + 11, 3, 11, 2, 0x707070);
}

void Moon(Image& im, int ox, int oy) {
    im.Disc(ox + 32, oy + 32, 28, 0xE8E0B0);
    im.Disc(ox + 22, oy + 24, 6, 0xC8C090);
    im.Disc(ox + 40, oy + 40, 8, 0xC8C090);
    im.Disc(ox + 40, oy + 18, 4, 0xD0C898);
}

void Ghost(Image& im, int ox, int oy) {
    const uint32_t sheet = 0xE0E8FF;
    im.Disc(ox + 32, oy + 24, 20, sheet);
    im.Rect(ox + 12, oy + 24, 41, 28, sheet);
    for (int i = 0; i < 5; ++i) im.Disc(ox + 16 + i * 8, oy + 52, 4, sheet);  // ragged hem
    im.Ellipse(ox + 25, oy + 22, 3, 5, 0x3040A0);
    im.Ellipse(ox + 39, oy + 22, 3, 5, 0x3040A0);
    im.Ellipse(ox + 32, oy + 35, 4, 3, 0x3040A0);
}

void Mist(Image& im, int ox, int oy) {
    im.Ellipse(ox + 34, oy + 18, 32, 10, 0xB0C0E0);
    im.Ellipse(ox + 80, oy + 16, 40, 12, 0xC0D0F0);
    im.Ellipse(ox + 60, oy + 22, 50, 8, 0xA0B0D8);
}

void Tree(Image& im, int ox, int oy) {
    im.Rect(ox + 28, oy + 16, 8, 16, 0x604020);
    im.Ellipse(ox + 32, oy + 12, 28, 12, 0x206040);
    im.Ellipse(ox + 24, oy + 8, 14, 8, 0x308050);
}

void Stone(Image& im, int ox, int oy) {
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int brick = ((y / 8) % 2 ? (x + 8) : x) % 16;
            const bool mortar = y % 8 == 7 || brick == 15;
            im.Put(ox + x, oy + y, mortar ? 0x404860 : ((x * 7 + y * 13) % 11 < 2 ? 0x707890 : 0x606880));
        }
}

void NightGrass(Image& im, int ox, int oy) {
    im.Rect(ox, oy, 32, 32, 0x403020);
    im.Rect(ox, oy, 32, 8, 0x206030);
    for (int x = 0; x < 32; x += 3) im.Rect(ox + x, oy + 8, 1, 2 + (x * 5) % 4, 0x206030);
}

}  // namespace

bool WriteExtraSheet(const std::string& path) {
    Image im(extra::kW, extra::kH, 0x000000);
    PaintFox(im, 0, 0);
    PaintFox(im, 32, 1);
    Bat(im, 64, 0);
    Bat(im, 96, 1);
    Gem(im, 128);
    Lantern(im, 160);
    Moon(im, 192, 0);
    Ghost(im, 0, 32);
    Mist(im, 64, 32);
    Tree(im, 64, 64);
    Stone(im, 128, 64);
    NightGrass(im, 160, 64);
    return WriteBmp24(path, im);
}

}  // namespace demo
