// The plain path and every wide path must leave the same bytes, and scaled
// blits those of an exact per-pixel model: random buffers (sprite-like runs
// of a few colours, random top bytes), random rectangles, widths that are no
// multiple of a vector, odd pitches, every depth, keyed and unkeyed, and
// copies within one buffer.
#include <random>

#include "tests/blit/BlitTestUtil.h"

namespace {

using namespace blittest;
using vexo::blit::Key;

struct Op {
    int kind;  // 0 copy, 1 stretch, 2 effects, 3 fill
    bool sameBuffer;
    RECT s, d;
    int32_t fx;
    Key key;
    uint32_t fill;
};

// Runs of one colour, like sprites over a transparent background.
void Paint(Surface& s, std::mt19937& rng, const std::vector<uint32_t>& colours) {
    const int32_t n = s.buf.width;
    for (int32_t y = 0; y < s.buf.height; ++y) {
        int32_t x = 0;
        while (x < n) {
            const int32_t run = int32_t(rng() % 24) + 1;
            const uint32_t c = colours[rng() % colours.size()] | (rng() % 4 == 0 ? (rng() & 0xFF000000u) : 0);
            for (int32_t i = 0; i < run && x < n; ++i, ++x) s.Set(x, y, rng() % 16 ? c : uint32_t(rng()));
        }
    }
    // Padding bytes between rows too: no routine may copy them.
    for (int32_t y = 0; y + 1 < s.buf.height; ++y) {
        for (int32_t b = n * s.buf.bpp / 8; b < s.buf.pitch; ++b) s.bytes[size_t(y) * s.buf.pitch + size_t(b)] = uint8_t(rng());
    }
}

RECT RandomRect(std::mt19937& rng, int32_t w, int32_t h) {
    const int32_t l = int32_t(rng() % uint32_t(w)), t = int32_t(rng() % uint32_t(h));
    const int32_t r = l + 1 + int32_t(rng() % uint32_t(w - l)), b = t + 1 + int32_t(rng() % uint32_t(h - t));
    return RECT{l, t, r, b};
}

void RunOp(const Op& op, Surface& dst, Surface& src) {
    PixelBuffer& from = op.sameBuffer ? dst.buf : src.buf;
    switch (op.kind) {
        case 0: vexo::blit::Copy(dst.buf, op.d.Left, op.d.Top, from, op.s, op.key); break;
        case 1: vexo::blit::Stretch(dst.buf, op.d, from, op.s, op.key); break;
        case 2: vexo::blit::Fx(dst.buf, op.d, from, op.s, op.fx, op.key); break;
        default: vexo::blit::Fill(dst.buf, op.d, op.fill); break;
    }
}

// The scaled blits as a per-pixel model, sampled exactly in 64 bits: the
// (mirrored) source turned as the effects say, then destination pixel (x, y)
// reads the turned image's pixel (floor(x * tw / dw), floor(y * th / dh)).
void ModelScaled(Surface& dst, const RECT& d, Surface& src, const RECT& s, int32_t fx, Key key) {
    const int64_t sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    const int64_t dw = d.Right - d.Left, dh = d.Bottom - d.Top;
    const int32_t rot = ((fx & 0x40 ? 90 : 0) + (fx & 0x10 ? 180 : 0) + (fx & 0x20 ? 270 : 0)) % 360;
    const bool turned = rot == 90 || rot == 270;
    const int64_t tw = turned ? sh : sw, th = turned ? sw : sh;
    const uint32_t mask = vexo::blit::KeyMask(dst.buf.bpp);
    for (int64_t y = 0; y < dh; ++y)
        for (int64_t x = 0; x < dw; ++x) {
            const int64_t u = x * tw / dw, v = y * th / dh;
            // Turned image (u, v) to source column and row; 90 turns clockwise.
            int64_t c = u, r = v;
            if (rot == 90) c = v, r = sh - 1 - u;
            if (rot == 180) c = sw - 1 - u, r = sh - 1 - v;
            if (rot == 270) c = sw - 1 - v, r = u;
            if (fx & 0x2) c = sw - 1 - c;
            if (fx & 0x4) r = sh - 1 - r;
            const uint32_t p = src.Get(s.Left + int32_t(c), s.Top + int32_t(r));
            if (!key.enabled || (p & mask) != (key.value & mask)) dst.Set(d.Left + int32_t(x), d.Top + int32_t(y), p);
        }
}

TEST(BlitPaths, WidePathsMatchThePlainPathByteForByte) {
    IsaGuard guard;
    const std::vector<Isa> isas = AvailableIsas();
    std::mt19937 rng(20260108);
    int compared = 0;
    for (int iter = 0; iter < 1500; ++iter) {
        const int32_t bpp = std::vector<int32_t>{8, 16, 24, 32}[size_t(iter % 4)];
        // Mostly narrow, so row ends and short rows get hit often; now and
        // then wide enough for the long-row paths.
        const uint32_t span = iter % 7 == 0 ? 700 : 90;
        const int32_t sw = 1 + int32_t(rng() % span), sh = 1 + int32_t(rng() % 12);
        const int32_t dw = 1 + int32_t(rng() % span), dh = 1 + int32_t(rng() % 12);
        Surface src0(sw, sh, bpp, sw * bpp / 8 + int32_t(rng() % 7));
        Surface dst0(dw, dh, bpp, dw * bpp / 8 + int32_t(rng() % 7));
        const std::vector<uint32_t> colours = {uint32_t(rng()), uint32_t(rng()), uint32_t(rng()), 0x00FF00FFu};
        Paint(src0, rng, colours);
        Paint(dst0, rng, colours);

        Op op{};
        op.kind = int(rng() % 4);
        op.sameBuffer = rng() % 3 == 0;
        const Surface& from = op.sameBuffer ? dst0 : src0;
        op.s = RandomRect(rng, from.buf.width, from.buf.height);
        if (op.kind == 0) {
            const int32_t w = op.s.Right - op.s.Left, h = op.s.Bottom - op.s.Top;
            if (w > dw || h > dh) continue;
            const int32_t x = int32_t(rng() % uint32_t(dw - w + 1)), y = int32_t(rng() % uint32_t(dh - h + 1));
            op.d = RECT{x, y, x + w, y + h};
        } else {
            op.d = RandomRect(rng, dw, dh);
        }
        op.fx = int32_t(rng() & 0x76);
        // Mostly the colour that forms the background runs, sometimes any.
        op.key = Key{rng() % 4 != 0, uint32_t(rng() % 4 ? colours[3] | (rng() & 0xFF000000u) : colours[rng() % 3])};
        op.fill = uint32_t(rng());

        // Scaled blits are held to the exact model (reading the source as
        // it was, also within one buffer), the rest to the plain path.
        Surface wantDst(dst0), wantSrc(src0);
        const bool scaled = op.kind == 1 || op.kind == 2;
        if (scaled) {
            Surface from0(op.sameBuffer ? dst0 : src0);
            ModelScaled(wantDst, op.d, from0, op.s, op.kind == 2 ? op.fx : 0, op.key);
        } else {
            vexo::blit::ForceIsa(Isa::Plain);
            RunOp(op, wantDst, wantSrc);
        }
        for (Isa isa : isas) {
            if (isa == Isa::Plain && !scaled) continue;
            vexo::blit::ForceIsa(isa);
            Surface gotDst(dst0), gotSrc(src0);
            RunOp(op, gotDst, gotSrc);
            ASSERT_EQ(FirstDifference(gotDst, wantDst), "")
                << IsaName(isa) << " iteration " << iter << " kind " << op.kind << " bpp " << bpp << " same "
                << op.sameBuffer << " fx " << op.fx << " keyed " << op.key.enabled;
            ASSERT_EQ(FirstDifference(gotSrc, src0), "") << "source changed";
            ++compared;
        }
    }
    if (isas.size() > 1) {
        EXPECT_GT(compared, 1000);
    }
}

// A clipped scaled blit draws exactly the visible pixels of the whole blit:
// the whole blit made into a buffer of the destination rectangle's size,
// then the visible part compared; nothing outside it changes.
TEST(BlitPaths, StretchPartDrawsThePixelsOfTheWholeBlit) {
    IsaGuard guard;
    std::mt19937 rng(99);
    for (Isa isa : AvailableIsas()) {
        vexo::blit::ForceIsa(isa);
        for (int iter = 0; iter < 300; ++iter) {
            const int32_t bpp = std::vector<int32_t>{8, 16, 24, 32}[size_t(iter % 4)];
            const int32_t sw = 1 + int32_t(rng() % 40), sh = 1 + int32_t(rng() % 10);
            Surface src(sw, sh, bpp, sw * bpp / 8 + int32_t(rng() % 3));
            Surface dst(60, 14, bpp, 60 * bpp / 8 + 1);
            const std::vector<uint32_t> colours = {uint32_t(rng()), 0x00FF00FFu};
            Paint(src, rng, colours);
            Paint(dst, rng, colours);
            // The destination rectangle may hang over any edge of dst.
            const int32_t dl = int32_t(rng() % 80) - 20, dt = int32_t(rng() % 24) - 6;
            const RECT d{dl, dt, dl + 1 + int32_t(rng() % 90), dt + 1 + int32_t(rng() % 20)};
            RECT vis{std::max(d.Left, 0), std::max(d.Top, 0), std::min(d.Right, 60), std::min(d.Bottom, 14)};
            if (vis.Right <= vis.Left || vis.Bottom <= vis.Top) continue;
            const RECT s{0, 0, sw, sh};
            const int32_t fx = iter % 3 == 0 ? 0 : int32_t(rng() & 0x76);
            const Key key{rng() % 2 == 0, 0x00FF00FFu};

            const int32_t dw = d.Right - d.Left, dh = d.Bottom - d.Top;
            Surface whole(dw, dh, bpp);
            vexo::blit::Fx(whole.buf, RECT{0, 0, dw, dh}, src.buf, s, fx, Key{});
            Surface want(dst);
            const uint32_t mask = vexo::blit::KeyMask(bpp);
            for (int32_t y = vis.Top; y < vis.Bottom; ++y)
                for (int32_t x = vis.Left; x < vis.Right; ++x) {
                    const uint32_t v = whole.Get(x - d.Left, y - d.Top);
                    if (!key.enabled || (v & mask) != (key.value & mask)) want.Set(x, y, v);
                }
            vexo::blit::StretchPart(dst.buf, d, vis, src.buf, s, fx, key);
            ASSERT_EQ(FirstDifference(dst, want), "")
                << IsaName(isa) << " iteration " << iter << " bpp " << bpp << " fx " << fx;
        }
    }
}

// A destination rectangle of two billion pixels each way, of which a few are
// visible: only those are worked out, and exactly (the screen's pixels lie
// just past the middle, so they sample the source's middle pixel; a 16.16
// step would round to 0 and give the corner).
TEST(BlitPaths, StretchPartOfAHugeRectangleTouchesOnlyTheVisiblePart) {
    Surface src(3, 3, 32), dst(4, 2, 32);
    for (int32_t i = 0; i < 9; ++i) src.Set(i % 3, i / 3, uint32_t(0x11 + i));
    const RECT d{-1000000000, -1000000000, 1000000000, 1000000000};
    vexo::blit::StretchPart(dst.buf, d, RECT{1, 0, 3, 2}, src.buf, RECT{0, 0, 3, 3}, 0x2, Key{});
    EXPECT_EQ(dst.Dump(RECT{0, 0, 4, 2}), "0 15 15 0 | 0 15 15 0");
}

// Unscaled keyed and unkeyed copies against a per-pixel model, so the plain
// path itself is checked on the same random material.
TEST(BlitPaths, CopiesMatchAPerPixelModel) {
    IsaGuard guard;
    std::mt19937 rng(7);
    for (Isa isa : AvailableIsas()) {
        vexo::blit::ForceIsa(isa);
        for (int iter = 0; iter < 300; ++iter) {
            const int32_t bpp = std::vector<int32_t>{8, 16, 24, 32}[size_t(iter % 4)];
            const int32_t w = 1 + int32_t(rng() % 80), h = 1 + int32_t(rng() % 6);
            Surface src(w, h, bpp, w * bpp / 8 + int32_t(rng() % 5));
            Surface dst(w + 3, h, bpp, (w + 3) * bpp / 8 + int32_t(rng() % 5));
            const std::vector<uint32_t> colours = {uint32_t(rng()), 0x00FF00FFu};
            Paint(src, rng, colours);
            Paint(dst, rng, colours);
            const Key key{rng() % 2 == 0, uint32_t(0x00FF00FFu | (rng() & 0xFF000000u))};
            Surface want(dst);
            const uint32_t mask = vexo::blit::KeyMask(bpp);
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const uint32_t v = src.Get(x, y);
                    if (!key.enabled || (v & mask) != (key.value & mask)) want.Set(x + 2, y, v);
                }
            vexo::blit::Copy(dst.buf, 2, 0, src.buf, RECT{0, 0, w, h}, key);
            ASSERT_EQ(FirstDifference(dst, want), "") << IsaName(isa) << " bpp " << bpp << " w " << w;
        }
    }
}

}  // namespace
