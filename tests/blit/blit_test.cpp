// Pixel layouts of the pixel routines on every instruction set this
// processor runs: stretch sampling, mirror and rotate layouts, colour-key
// matching per depth, fills, and copies within one buffer.
#include <SDL.h>

#include <random>

#include "tests/blit/BlitTestUtil.h"

namespace {

using namespace blittest;
using vexo::blit::Copy;
using vexo::blit::Fill;
using vexo::blit::ForceIsa;
using vexo::blit::Fx;
using vexo::blit::Key;
using vexo::blit::Stretch;

constexpr int32_t kMirrorLR = 0x2, kMirrorUD = 0x4, kRot180 = 0x10, kRot270 = 0x20, kRot90 = 0x40;

// A w x h source holding (y+1)*16 + (x+1) in every pixel.
Surface Numbered(int32_t w, int32_t h, int32_t bpp) {
    Surface s(w, h, bpp, w * bpp / 8 + 1);  // odd pitch on purpose
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) s.Set(x, y, uint32_t((y + 1) * 16 + x + 1));
    return s;
}

std::string StretchDump(int32_t bpp, int32_t sw, int32_t sh, int32_t dw, int32_t dh) {
    Surface src = Numbered(sw, sh, bpp);
    Surface dst(dw, dh, bpp);
    Stretch(dst.buf, RECT{0, 0, dw, dh}, src.buf, RECT{0, 0, sw, sh}, Key{});
    return dst.Dump(RECT{0, 0, dw, dh});
}

std::string FxDump(int32_t bpp, int32_t sw, int32_t sh, int32_t dw, int32_t dh, int32_t fx) {
    Surface src = Numbered(sw, sh, bpp);
    Surface dst(dw, dh, bpp);
    Fx(dst.buf, RECT{0, 0, dw, dh}, src.buf, RECT{0, 0, sw, sh}, fx, Key{});
    return dst.Dump(RECT{0, 0, dw, dh});
}

TEST(BlitLayout, StretchSamplesNearestWithoutHalfPixelOffset) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {8, 32}) {
            SCOPED_TRACE(std::string(IsaName(isa)) + " " + std::to_string(bpp) + "-bit");
            EXPECT_EQ(StretchDump(bpp, 3, 1, 5, 1), "11 11 12 12 13");
            EXPECT_EQ(StretchDump(bpp, 5, 1, 3, 1), "11 12 14");
            EXPECT_EQ(StretchDump(bpp, 2, 2, 3, 3), "11 11 12 | 11 11 12 | 21 21 22");
            EXPECT_EQ(StretchDump(bpp, 3, 1, 8, 1), "11 11 11 12 12 12 13 13");
            // Exact where x * sw / dw is whole (a truncated 16.16 step gives
            // 11 11 12 12 13 14 and 11 11 11 11 12 12 12 13 13 here).
            EXPECT_EQ(StretchDump(bpp, 4, 1, 6, 1), "11 11 12 13 13 14");
            EXPECT_EQ(StretchDump(bpp, 3, 1, 9, 1), "11 11 11 12 12 12 13 13 13");
            // Rows sample as columns do, and wide rows reach the vector paths.
            EXPECT_EQ(StretchDump(bpp, 1, 3, 1, 8), "11 | 11 | 11 | 21 | 21 | 21 | 31 | 31");
            EXPECT_EQ(StretchDump(bpp, 3, 1, 20, 1),
                      "11 11 11 11 11 11 11 12 12 12 12 12 12 12 13 13 13 13 13 13");
        }
    }
}

// At whole factors SDL2's nearest-pixel stretch repeats each pixel equally
// often too, so both must leave the same pixels (320 to 960 is the case a
// truncated 16.16 step gets wrong in 319 columns).
TEST(BlitLayout, WholeFactorStretchesGiveSdlsPixels) {
    IsaGuard guard;
    struct Case {
        int sw, sh, dw, dh;
    };
    const Case cases[] = {{320, 240, 960, 720}, {3, 3, 9, 9}, {160, 120, 320, 240}, {80, 60, 320, 240},
                          {37, 5, 148, 15}};
    std::mt19937 rng(3);
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {16, 24, 32}) {
            const uint32_t format = bpp == 16 ? SDL_PIXELFORMAT_RGB565
                                    : bpp == 24 ? SDL_PIXELFORMAT_RGB24
                                                : SDL_PIXELFORMAT_RGB888;
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(IsaName(isa)) + " " + std::to_string(bpp) + "-bit " + std::to_string(c.sw) +
                             "x" + std::to_string(c.sh) + " to " + std::to_string(c.dw) + "x" + std::to_string(c.dh));
                SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, c.sw, c.sh, bpp, format);
                SDL_Surface* theirs = SDL_CreateRGBSurfaceWithFormat(0, c.dw, c.dh, bpp, format);
                ASSERT_TRUE(src && theirs) << SDL_GetError();
                SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
                auto* sp = static_cast<uint8_t*>(src->pixels);
                for (int i = 0; i < src->pitch * c.sh; ++i) sp[i] = uint8_t(rng());
                ASSERT_EQ(SDL_BlitScaled(src, nullptr, theirs, nullptr), 0) << SDL_GetError();
                const PixelBuffer from{sp, c.sw, c.sh, src->pitch, bpp};
                Surface ours(c.dw, c.dh, bpp);
                Stretch(ours.buf, RECT{0, 0, c.dw, c.dh}, from, RECT{0, 0, c.sw, c.sh}, Key{});
                int wrong = 0;
                for (int y = 0; y < c.dh; ++y)
                    wrong += std::memcmp(ours.At(0, y), static_cast<uint8_t*>(theirs->pixels) + y * theirs->pitch,
                                         size_t(c.dw * bpp / 8)) != 0;
                EXPECT_EQ(wrong, 0) << "rows differing from SDL2's";
                SDL_FreeSurface(theirs);
                SDL_FreeSurface(src);
            }
        }
    }
}

TEST(BlitLayout, MirrorAndRotateSquare) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {8, 32}) {
            SCOPED_TRACE(std::string(IsaName(isa)) + " " + std::to_string(bpp) + "-bit");
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kMirrorLR), "13 12 11 | 23 22 21 | 33 32 31");
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kMirrorUD), "31 32 33 | 21 22 23 | 11 12 13");
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kRot180), "33 32 31 | 23 22 21 | 13 12 11");
            // 90 turns clockwise, 270 counter-clockwise.
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kRot90), "31 21 11 | 32 22 12 | 33 23 13");
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kRot270), "13 23 33 | 12 22 32 | 11 21 31");
            // Both mirrors make the half turn; effects scale into the destination.
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kMirrorLR | kMirrorUD), "33 32 31 | 23 22 21 | 13 12 11");
            EXPECT_EQ(FxDump(bpp, 2, 2, 4, 3, kMirrorLR), "12 12 11 11 | 12 12 11 11 | 22 22 21 21");
            // Mirrors act on the source before it turns.
            EXPECT_EQ(FxDump(bpp, 3, 3, 3, 3, kRot90 | kMirrorLR), "33 23 13 | 32 22 12 | 31 21 11");
        }
    }
}

TEST(BlitLayout, RotateNonSquareIntoDestinationSize) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {8, 16, 24, 32}) {
            SCOPED_TRACE(std::string(IsaName(isa)) + " " + std::to_string(bpp) + "-bit");
            // A 3 x 2 source turned is 2 wide and 3 high.
            EXPECT_EQ(FxDump(bpp, 3, 2, 2, 3, kRot90), "21 11 | 22 12 | 23 13");
            EXPECT_EQ(FxDump(bpp, 3, 2, 2, 3, kRot270), "13 23 | 12 22 | 11 21");
            EXPECT_EQ(FxDump(bpp, 3, 2, 3, 2, kRot180), "23 22 21 | 13 12 11");
            // Turned, then scaled to a 4 x 3 destination.
            EXPECT_EQ(FxDump(bpp, 3, 2, 4, 3, kRot90), "21 21 11 11 | 22 22 12 12 | 23 23 13 13");
            // A wide rotated row (vector paths) stays in order.
            EXPECT_EQ(FxDump(bpp, 1, 12, 12, 1, kRot90), "c1 b1 a1 91 81 71 61 51 41 31 21 11");
        }
    }
}

// Source pixels over a destination of 0xEE.. pixels, through each routine
// that honours the key, with the key given.
std::vector<std::string> KeyedResults(int32_t bpp, const std::vector<uint32_t>& pixels, uint32_t key) {
    const int32_t n = int32_t(pixels.size());
    Surface src(n, 1, bpp);
    for (int32_t x = 0; x < n; ++x) src.Set(x, 0, pixels[size_t(x)]);
    std::vector<std::string> out;
    for (int op = 0; op < 3; ++op) {
        Surface dst(n, 1, bpp);
        for (int32_t x = 0; x < n; ++x) dst.Set(x, 0, 0xEEEEEEEEu);
        const RECT r{0, 0, n, 1};
        if (op == 0) Copy(dst.buf, 0, 0, src.buf, r, Key{true, key});
        // Both mirrors then the half turn give the image back, through the scaled path.
        if (op == 1) Fx(dst.buf, r, src.buf, r, kMirrorLR | kMirrorUD | kRot180, Key{true, key});
        if (op == 2) {
            // Mirrored twice over, the second time keyed.
            Surface back(n, 1, bpp);
            Fx(back.buf, r, src.buf, r, kMirrorLR, Key{});
            Fx(dst.buf, r, back.buf, r, kMirrorLR, Key{true, key});
        }
        out.push_back(dst.Dump(r));
    }
    return out;
}

TEST(BlitKey, MatchIgnoresOnlyTheUnusedTopByte) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        SCOPED_TRACE(IsaName(isa));
        // Twelve pixels so the 4- and 8-wide paths and their tails all run.
        std::vector<uint32_t> p32;
        for (int i = 0; i < 3; ++i) {
            for (uint32_t v : {0x00FF00FFu, 0xFFFF00FFu, 0x01FF00FFu, 0x00FF00FEu}) p32.push_back(v);
        }
        const std::string want32 =
            "eeeeeeee eeeeeeee eeeeeeee ff00fe eeeeeeee eeeeeeee eeeeeeee ff00fe eeeeeeee eeeeeeee eeeeeeee ff00fe";
        for (uint32_t key : {0x00FF00FFu, 0xABFF00FFu}) {
            for (const std::string& got : KeyedResults(32, p32, key)) EXPECT_EQ(got, want32);
        }
        std::vector<uint32_t> p16, p8, p24;
        for (int i = 0; i < 20; ++i) {
            p16.push_back(i % 2 ? 0xF81Fu : 0xF81Eu);
            p8.push_back(i % 3 ? 5u : 4u);
            p24.push_back(i % 2 ? 0x11F81Fu : 0x10F81Fu);
        }
        for (const std::string& got : KeyedResults(16, p16, 0xF81F)) {
            EXPECT_EQ(got.substr(0, 20), "f81e eeee f81e eeee ");
        }
        // Only the low byte of the key counts on 8-bit.
        for (const std::string& got : KeyedResults(8, p8, 0x105)) EXPECT_EQ(got.substr(0, 18), "4 ee ee 4 ee ee 4 ");
        for (const std::string& got : KeyedResults(24, p24, 0x11F81F)) {
            EXPECT_EQ(got.substr(0, 28), "10f81f eeeeee 10f81f eeeeee ");
        }
    }
}

TEST(BlitFill, StoresTheValueMaskedToTheDepthInsideTheRectOnly) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        SCOPED_TRACE(IsaName(isa));
        struct Case {
            int32_t bpp;
            uint32_t value, stored;
        };
        for (Case c : {Case{32, 0xFFFFFFFFu, 0x00FFFFFFu}, Case{32, 0x12345678u, 0x00345678u},
                       Case{24, 0x12345678u, 0x345678u}, Case{16, 0x12345678u, 0x5678u},
                       Case{8, 0x12345678u, 0x78u}}) {
            SCOPED_TRACE(c.bpp);
            for (int32_t w : {1, 3, 7, 19, 40, 130, 300}) {
                Surface s(w + 2, 4, c.bpp, (w + 2) * c.bpp / 8 + 3);
                std::fill(s.bytes.begin(), s.bytes.end(), uint8_t(0xAB));
                Fill(s.buf, RECT{1, 1, w + 1, 3}, c.value);
                const uint32_t untouched = 0xABABABABu >> (32 - c.bpp);
                for (int32_t y = 0; y < 4; ++y) {
                    for (int32_t x = 0; x < w + 2; ++x) {
                        const bool inside = x >= 1 && x <= w && y >= 1 && y <= 2;
                        ASSERT_EQ(s.Get(x, y), inside ? c.stored : untouched) << "w " << w << " at " << x << "," << y;
                    }
                }
                // The padding after each row is not part of the surface.
                ASSERT_EQ(s.bytes[size_t(s.buf.pitch) - 1], 0xAB);
            }
        }
    }
}

// A reference copy through a private snapshot: what memmove semantics mean.
void ReferenceCopy(Surface& s, int32_t dx, int32_t dy, const RECT& r, Key key) {
    Surface snap(s);
    const uint32_t mask = vexo::blit::KeyMask(s.buf.bpp);
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
        for (int32_t x = r.Left; x < r.Right; ++x) {
            const uint32_t v = snap.Get(x, y);
            if (!key.enabled || (v & mask) != (key.value & mask)) s.Set(dx + x - r.Left, dy + y - r.Top, v);
        }
    }
}

TEST(BlitCopy, OverlappingRectanglesInOneBufferCopyAsFromASnapshot) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {8, 16, 24, 32}) {
            for (bool keyed : {false, true}) {
                for (auto [ox, oy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {5, 3}, {-7, 2}, {3, -4}}) {
                    SCOPED_TRACE(std::string(IsaName(isa)) + " bpp " + std::to_string(bpp) + " keyed " +
                                 std::to_string(keyed) + " offset " + std::to_string(ox) + "," + std::to_string(oy));
                    Surface s(48, 20, bpp, 48 * bpp / 8 + 5);
                    for (int32_t y = 0; y < 20; ++y)
                        for (int32_t x = 0; x < 48; ++x) s.Set(x, y, uint32_t((x * 7 + y * 13) % 5 == 0 ? 9 : x + y * 48));
                    Surface want(s);
                    const RECT r{8, 5, 40, 15};
                    const Key key{keyed, 9};
                    ReferenceCopy(want, 8 + ox, 5 + oy, r, key);
                    Copy(s.buf, 8 + ox, 5 + oy, s.buf, r, key);
                    EXPECT_EQ(FirstDifference(s, want), "");
                }
            }
        }
    }
}

TEST(BlitFx, OverlappingEffectReadsTheSourceAsItWas) {
    IsaGuard guard;
    for (Isa isa : AvailableIsas()) {
        ForceIsa(isa);
        for (int32_t bpp : {8, 32}) {
            SCOPED_TRACE(std::string(IsaName(isa)) + " " + std::to_string(bpp));
            Surface s = Numbered(6, 6, bpp);
            Surface apart = Numbered(6, 6, bpp);
            Surface copy(apart);
            // Turning a block onto itself, shifted by one, and stretching onto
            // an overlapping larger block.
            Fx(s.buf, RECT{1, 1, 5, 5}, s.buf, RECT{0, 0, 4, 4}, kRot90, Key{});
            Fx(apart.buf, RECT{1, 1, 5, 5}, copy.buf, RECT{0, 0, 4, 4}, kRot90, Key{});
            EXPECT_EQ(FirstDifference(s, apart), "");
            Surface copy2(s);
            Stretch(s.buf, RECT{0, 0, 6, 6}, s.buf, RECT{1, 1, 4, 4}, Key{true, 0x22});
            Stretch(apart.buf, RECT{0, 0, 6, 6}, copy2.buf, RECT{1, 1, 4, 4}, Key{true, 0x22});
            EXPECT_EQ(FirstDifference(s, apart), "");
        }
    }
}

}  // namespace
