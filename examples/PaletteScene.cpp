// The night garden, an 8-bit scene: the screen shows palette indices through
// the default 3-3-2 palette from DDCreateDefPalette. A ghost and a band of
// mist are drawn half-transparently with DDHarfTransferBlt; its half-blend
// table is built once with DDSaveHarfPalette, kept in a file, and loaded from
// that file on later runs. Bats hanging over the screen's edges are drawn
// with DDBltEX, which clips them.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "Game.h"

namespace demo {

namespace {
using vexo::RGB;
using vexo::VB_FALSE;
using vexo::VB_TRUE;
constexpr int kGround = 384;

struct Star {
    int x, y;
};
constexpr Star kStars[] = {{40, 30},  {96, 70},  {150, 22}, {210, 96}, {290, 120}, {330, 80}, {380, 20},
                           {430, 110}, {470, 60}, {590, 140}, {610, 30}, {20, 150}, {120, 130}, {300, 150},
                           {360, 200}, {250, 190}, {560, 210}, {80, 210}, {180, 170}, {420, 160}};
}  // namespace

bool PaletteScene::Start(Context& ctx, const std::string& extraSheet) {
    palette_ = ctx.draw.DDCreateDefPalette();
    if (palette_.IsNothing() || ctx.draw.DDPrimarySetPalette(palette_) != 0) {
        std::fprintf(stderr, "night: no 8-bit palette\n");
        return false;
    }
    // Loaded after the palette is on the screen: the bitmap's colours map to
    // its nearest entries, and black becomes index 0, the key.
    sheet_ = ctx.draw.DDCreateSurfaceFromFile(extraSheet);
    if (sheet_.IsNothing()) {
        std::fprintf(stderr, "night: cannot load %s\n", extraSheet.c_str());
        return false;
    }
    // The blend table depends only on the palettes: build it once, keep it.
    const std::string table = ctx.assetDir + "/harf-default.tbl";
    std::error_code ec;
    if (std::filesystem::file_size(table, ec) == 65536 && !ec) {
        const int32_t rc = ctx.draw.DDLoadHarfPalette(table);
        std::printf("night: half-blend table loaded from %s (%d)\n", table.c_str(), rc);
    } else {
        const int32_t rc = ctx.draw.DDSaveHarfPalette(table, palette_);
        std::printf("night: half-blend table built and saved to %s (%d)\n", table.c_str(), rc);
    }
    return true;
}

void PaletteScene::Frame(Context& ctx, int f) {
    auto& dd = ctx.draw;
    auto& back = ctx.back;
    // Sky: bands from deep blue to a violet horizon.
    const int32_t sky[] = {RGB(0, 0, 85), RGB(0, 36, 85), RGB(36, 36, 85), RGB(36, 36, 170),
                           RGB(73, 36, 170), RGB(73, 73, 170)};
    for (int i = 0; i < 6; ++i) dd.DDFillRect(back, 0, i * 64, ctx.width, i * 64 + 64, sky[i]);
    for (size_t i = 0; i < std::size(kStars); ++i) {
        const Star& s = kStars[i];
        const bool twinkle = (f / 8 + static_cast<int>(i)) % 5 == 0;
        dd.DDFillRect(back, s.x, s.y, s.x + 2, s.y + 2, twinkle ? RGB(255, 255, 170) : RGB(219, 219, 255));
        if (twinkle) {
            dd.DDFillRect(back, s.x - 2, s.y, s.x + 4, s.y + 1, RGB(182, 182, 255));
            dd.DDFillRect(back, s.x, s.y - 2, s.x + 1, s.y + 4, RGB(182, 182, 255));
        }
    }
    dd.DDBltFast(sheet_, back, extra::kMoon.x, extra::kMoon.y, 64, 64, 520, 36, VB_TRUE);
    // Hills and trees on the horizon.
    for (int i = 0; i < 10; ++i) {
        const int h = 40 + static_cast<int>(24 * std::sin(i * 1.3)) + (i % 2) * 12;
        dd.DDFillRect(back, i * 64, kGround - h, i * 64 + 64, kGround, RGB(0, 73, 85));
    }
    for (int i = 0; i < 5; ++i)
        dd.DDBltFast(sheet_, back, extra::kTree.x, extra::kTree.y, 64, 32, 30 + i * 130, kGround - 32, VB_TRUE);
    // Mist drifting over the trees: half-transparent, so trees show through.
    for (int i = 0; i < 3; ++i) {
        int32_t w = extra::kMist.w, h = extra::kMist.h;
        const int x = (i * 240 + f) % (ctx.width + 128) - 128;
        dd.DDHarfTransferBlt(sheet_, back, palette_, extra::kMist.x, extra::kMist.y, w, h, x, kGround - 40 - i * 6,
                             VB_TRUE);
    }
    // Ground: grass on top, stone below.
    for (int x = 0; x < ctx.width; x += 32) {
        dd.DDBltFast(sheet_, back, extra::kGrass.x, extra::kGrass.y, 32, 32, x, kGround, VB_FALSE);
        dd.DDBltFast(sheet_, back, extra::kStone.x, extra::kStone.y, 32, 32, x, kGround + 32, VB_FALSE);
        dd.DDBltFast(sheet_, back, extra::kStone.x, extra::kStone.y, 32, 32, x, kGround + 64, VB_FALSE);
    }
    for (int i = 0; i < 3; ++i)
        dd.DDBltFast(sheet_, back, extra::kLantern.x, extra::kLantern.y, 32, 32, 150 + i * 200, kGround - 32,
                     VB_TRUE);
    // The ghost floats to and fro, seen through.
    {
        int32_t w = 64, h = 64;
        const int gx = 300 + static_cast<int>(120 * std::sin(f / 40.0));
        const int gy = 190 + static_cast<int>(14 * std::sin(f / 9.0));
        dd.DDHarfTransferBlt(sheet_, back, palette_, extra::kGhost.x, extra::kGhost.y, w, h, gx, gy, VB_TRUE);
    }
    // Bats: one clings half over the right edge, one over the top-left
    // corner, one flies across and out; DDBltEX cuts what lies outside.
    const Cell a = extra::Bat(f / 4), b = extra::Bat(f / 4 + 1);
    dd.DDBltEX(sheet_, back, a.x, a.y, a.w, a.h, ctx.width - 14 - static_cast<int>(4 * std::sin(f / 5.0)), 120,
               VB_TRUE);
    dd.DDBltEX(sheet_, back, b.x, b.y, b.w, b.h, -12, -10 + static_cast<int>(6 * std::sin(f / 7.0)), VB_TRUE);
    dd.DDBltEX(sheet_, back, a.x, a.y, a.w, a.h, (f * 5) % (ctx.width + 64) - 32, 250, VB_TRUE);
}

void PaletteScene::Stop() {
    sheet_ = nullptr;
    palette_ = nullptr;
}

}  // namespace demo
