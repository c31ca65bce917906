// The garden scene. Fills paint the sky and hills, DDBltFast draws the tiles
// (no key) and the sprites (keyed), DDBlt draws the brick platforms (no key)
// and the drifting clouds (keyed).
#include <cmath>
#include <cstdio>

#include "Demo.h"
#include "SpriteSheet.h"

namespace demo {

namespace {
using vexo::DirectDrawSurface7;
using vexo::Ref;
using vexo::RGB;
using vexo::VB_FALSE;
using vexo::VB_TRUE;

constexpr int kGroundY = 384;

class GardenScene final : public Module {
public:
    const char* Name() const override { return "garden"; }

    bool Start(Context& ctx) override {
        const std::string path = ctx.assetDir + "/sprites.bmp";
        if (!WriteBmp24(path, PaintSpriteSheet())) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return false;
        }
        sheet_ = ctx.draw.DDCreateSurfaceFromFile(path);
        if (sheet_.IsNothing()) {
            std::fprintf(stderr, "cannot load %s\n", path.c_str());
            return false;
        }
        return true;
    }

    void Frame(Context& ctx) override {
        Sky(ctx);
        Ground(ctx);
        Props(ctx);
        Actors(ctx);
        Hud(ctx);
    }

private:
    // Draws one sheet cell with the fast blit.
    void Fast(Context& ctx, const Cell& c, int x, int y, bool keyed = true) {
        ctx.draw.DDBltFast(sheet_, ctx.back, c.x, c.y, c.w, c.h, x, y, keyed ? VB_TRUE : VB_FALSE);
    }
    void Plain(Context& ctx, const Cell& c, int x, int y, bool keyed) {
        ctx.draw.DDBlt(sheet_, ctx.back, c.x, c.y, c.w, c.h, x, y, keyed ? VB_TRUE : VB_FALSE);
    }

    void Sky(Context& ctx) {
        // Right and bottom 0: the whole back buffer.
        ctx.draw.DDFillRect(ctx.back, 0, 0, 0, 0, RGB(70, 130, 210));
        for (int band = 0; band < 12; ++band) {
            const int top = band * 32;
            ctx.draw.DDFillRect(ctx.back, 0, top, ctx.width, top + 32,
                                RGB(70 + band * 9, 130 + band * 7, 210 + band * 3));
        }
        Fast(ctx, sheet::kSun, 560, 24);
        const int span = ctx.width - sheet::kCloud.w;
        const int speeds[3] = {1, 2, 3};
        const int rows[3] = {40, 90, 140};
        for (int i = 0; i < 3; ++i) {
            const int x = (i * 211 + ctx.frame * speeds[i] / 2) % span;
            Plain(ctx, sheet::kCloud, x, rows[i], true);
        }
        // Hills: stepped bands of two greens.
        for (int i = 0; i < 16; ++i) {
            const int cx = i * 40;
            const int h = 28 + static_cast<int>(22 * std::sin(i * 0.9)) + (i % 3) * 8;
            ctx.draw.DDFillRect(ctx.back, cx, kGroundY - h, cx + 40, kGroundY, RGB(60, 140, 70));
            ctx.draw.DDFillRect(ctx.back, cx + 8, kGroundY - h + 6, cx + 32, kGroundY, RGB(52, 122, 62));
        }
    }

    void Ground(Context& ctx) {
        for (int x = 0; x < ctx.width; x += kCell) {
            const bool pond = x >= 416 && x < 480;
            Fast(ctx, pond ? sheet::kWater : sheet::kGrass, x, kGroundY, false);
            Fast(ctx, pond ? sheet::kWater : sheet::kDirt, x, kGroundY + 32, false);
            Fast(ctx, sheet::kDirt, x, kGroundY + 64, false);
        }
        for (int i = 0; i < 4; ++i) Plain(ctx, sheet::kBrick, 160 + i * kCell, 288, false);
        for (int i = 0; i < 3; ++i) Plain(ctx, sheet::kBrick, 480 + i * kCell, 240, false);
    }

    void Props(Context& ctx) {
        Fast(ctx, sheet::kSign, 24, kGroundY - 32);
        Fast(ctx, sheet::kCrate, 96, kGroundY - 32, false);
        Fast(ctx, sheet::kCrate, 128, kGroundY - 32, false);
        Fast(ctx, sheet::kCrate, 112, kGroundY - 64, false);
        Fast(ctx, sheet::kBush, 300, kGroundY - 32);
        Fast(ctx, sheet::kBush, 580, kGroundY - 32);
        for (int i = 0; i < 4; ++i) Fast(ctx, sheet::kFlower, 330 + i * 20, kGroundY - 30);
        // Coins over the platforms, each a step apart in its spin.
        for (int i = 0; i < 4; ++i) Fast(ctx, sheet::Coin(ctx.frame / 6 + i), 164 + i * kCell, 248);
        for (int i = 0; i < 3; ++i) Fast(ctx, sheet::Coin(ctx.frame / 6 + i + 2), 484 + i * kCell, 200);
    }

    void Actors(Context& ctx) {
        // The slime patrols between the bushes.
        const int slimeSpan = 200;
        const int s = ctx.frame % (2 * slimeSpan);
        Fast(ctx, sheet::Slime(ctx.frame / 10), 200 + (s < slimeSpan ? s : 2 * slimeSpan - s), kGroundY - 32);
        // The hero walks along the ground, hopping every so often.
        const int walkSpan = ctx.width - kCell - 180;
        const int w = (ctx.frame * 2) % (2 * walkSpan);
        const int x = 180 + (w < walkSpan ? w : 2 * walkSpan - w);
        const int phase = ctx.frame % 60;
        const int hop = phase < 20 ? static_cast<int>(40 * std::sin(phase * 3.14159265 / 20)) : 0;
        Fast(ctx, sheet::Hero(ctx.frame / 6), x, kGroundY - 32 - hop);
    }

    void Hud(Context& ctx) {
        ctx.draw.DDFillRect(ctx.back, 8, 8, 216, 48, RGB(20, 24, 40));
        ctx.draw.DDFillRect(ctx.back, 10, 10, 214, 46, RGB(40, 48, 80));
        for (int i = 0; i < 3; ++i) Fast(ctx, sheet::kHeart, 12 + i * 28, 12);
        Fast(ctx, sheet::Coin(0), 100, 12);
        // Collected coins as a bar.
        const int got = (ctx.frame / 20) % 11;
        ctx.draw.DDFillRect(ctx.back, 136, 22, 136 + 7 * 10, 36, RGB(90, 80, 30));
        if (got > 0) ctx.draw.DDFillRect(ctx.back, 136, 22, 136 + 7 * got, 36, RGB(255, 215, 0));
    }

    Ref<DirectDrawSurface7> sheet_;
};
}  // namespace

std::unique_ptr<Module> MakeGardenScene() { return std::make_unique<GardenScene>(); }

}  // namespace demo
