// Every blit of DX7Draw fed random source and destination rectangles on the
// software platform (headless), at 8 and 32 bits: each call's status must be
// one an independent rectangle model allows, and on a sample of calls every
// byte outside what the model lets change (row padding included) must stay.
// Surface memory is exact (checked below), so ASan sees any access outside.
//
// VEXO_RECTS_SEED replays a run (printed on failure); VEXO_RECTS_CALLS sets
// the calls per blit and depth (default: one million over all of them).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/Platform.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"
#include "platform/display/Surface.h"
#include "tests/support/Checks.h"

namespace vexo {

struct DX7DrawTestAccess {
    static Ref<DirectDrawSurface7>& Primary(DX7Draw& d) { return d.PrimarySurface; }
    static Ref<DirectDrawClipper>& Clipper(DX7Draw& d) { return d.WindowClipper; }
    static uint8_t* Table(DX7Draw& d) { return &d.HarfPalette[0][0]; }
};

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kInvalidRect = status::hr(0x88760096);
constexpr int32_t kInvalidArg = status::hr(0x80070057);
constexpr int32_t kFastCantClip = status::hr(0x887602C8);
constexpr int32_t kBusy = status::hr(0x887601AE);
constexpr int32_t kNoObject = 91;  // a call through an empty reference
constexpr int64_t kEmpty = INT64_MIN;  // a result variant holding nothing

enum Method { Blt, BltFast, BltEX, BltFastEX, StrechBlt, HarfTransfer, HarfStrech, BitBltFX, kMethods };
const char* const kNames[] = {"DDBlt",         "DDBltFast",         "DDBltEX",          "DDBltFastEX",
                              "DDStrechBlt",   "DDHarfTransferBlt", "DDHarfStrechBltEx", "DDBitBltFX"};

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 0) : fallback;
}
const uint64_t kSeed = EnvNumber("VEXO_RECTS_SEED", std::random_device{}());

// --- The model ----------------------------------------------------------------

struct Surf {
    Ref<DirectDrawSurface7> ref;
    plat::PixelStore* store = nullptr;
    int32_t w = 0, h = 0;
    bool keyed = false;
    uint32_t key = 0;
    bool clipped = false;  // a clipper attached: blits into it are cut to `clip`
    RECT clip{};
};

// 32-bit statements under resume-next: an overflowing one leaves its target.
void Add(int32_t& out, int32_t a, int32_t b) {
    int32_t r;
    if (!__builtin_add_overflow(a, b, &r)) out = r;
}
void Sub(int32_t& out, int32_t a, int32_t b) {
    int32_t r;
    if (!__builtin_sub_overflow(a, b, &r)) out = r;
}
// (x, y, x + w, y + h), an edge whose sum overflows left at 0.
RECT Edges(int32_t x, int32_t y, int32_t w, int32_t h) {
    RECT r{x, y, 0, 0};
    Add(r.Right, x, w);
    Add(r.Bottom, y, h);
    return r;
}
bool Formed(const RECT& r) { return r.Left < r.Right && r.Top < r.Bottom; }
bool Inside(const RECT& r, const Surf& s) {
    return Formed(r) && r.Left >= 0 && r.Top >= 0 && r.Right <= s.w && r.Bottom <= s.h;
}
RECT Whole(const RECT& r, const Surf& s) { return r.IsAllZero() ? RECT{0, 0, s.w, s.h} : r; }
RECT Cut(const RECT& a, const RECT& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}
int64_t W64(const RECT& r) { return int64_t(r.Right) - r.Left; }
int64_t H64(const RECT& r) { return int64_t(r.Bottom) - r.Top; }

struct Outcome {
    std::vector<int64_t> allowed;  // the statuses the call may give
    RECT region{};                 // what may change, in pixels (bytes for the half blend)
    bool bytes = false;
    enum { Any, Copy, Harf } content = Any;  // what the region must then hold
    int64_t ox = 0, oy = 0;                  // destination (x, y) reads source (x + ox, y + oy)
    bool keyed = false;
    uint32_t key = 0;
    int32_t usedW = 0, usedH = 0;  // the half blend's written-back size
    bool harfKeyed = false;
};

Outcome Refused(std::vector<int64_t> why) {
    Outcome o;
    o.allowed = std::move(why);
    return o;
}

// The general blit: invalid rectangles are refused unless a clipper cuts the
// destination; the source key needs a key on the source. Where several faults
// meet, any of their statuses will do.
Outcome PlatBlt(const Surf& dst, RECT d, const Surf& src, RECT s, bool keySrc, bool override0, bool busy) {
    d = Whole(d, dst);
    s = Whole(s, src);
    std::vector<int64_t> why;
    if (busy) why.push_back(kBusy);
    if (!Formed(d) || (!dst.clipped && !Inside(d, dst))) why.push_back(kInvalidRect);
    if (!Inside(s, src)) why.push_back(kInvalidRect);
    if ((keySrc && !src.keyed) || src.ref.IsNothing()) why.push_back(kInvalidArg);
    if (!why.empty()) return Refused(why);
    Outcome o;
    o.allowed = {kOk};
    o.region = Cut(d, dst.clipped ? Cut(dst.clip, RECT{0, 0, dst.w, dst.h}) : RECT{0, 0, dst.w, dst.h});
    if (W64(d) == W64(s) && H64(d) == H64(s)) {
        o.content = Outcome::Copy;
        o.ox = int64_t(s.Left) - d.Left;
        o.oy = int64_t(s.Top) - d.Top;
        o.keyed = keySrc || override0;
        o.key = keySrc ? src.key : 0;
    }
    return o;
}

// The fast blit: no clipper, both rectangles wholly inside; a keyless source
// counts as keyed on 0.
Outcome PlatBltFast(const Surf& dst, int32_t x, int32_t y, const Surf& src, RECT s, bool keySrc, bool busy) {
    s = Whole(s, src);
    std::vector<int64_t> why;
    if (busy) why.push_back(kBusy);
    if (dst.clipped) why.push_back(kFastCantClip);
    if (src.ref.IsNothing()) why.push_back(kInvalidArg);
    if (!Inside(s, src)) {
        why.push_back(kInvalidRect);
    } else if (x < 0 || y < 0 || x + W64(s) > dst.w || y + H64(s) > dst.h) {
        why.push_back(kInvalidRect);
    }
    if (!why.empty()) return Refused(why);
    Outcome o;
    o.allowed = {kOk};
    o.region = {x, y, int32_t(x + W64(s)), int32_t(y + H64(s))};
    o.content = Outcome::Copy;
    o.ox = int64_t(s.Left) - x;
    o.oy = int64_t(s.Top) - y;
    o.keyed = keySrc;
    o.key = src.keyed ? src.key : 0;
    return o;
}

struct Call {
    Method m;
    int src, dst;
    int32_t sx, sy, w, h, w2, h2, dx, dy;
    int32_t flag;     // bTransparent, or dwFlag for DDBitBltFX
    int locked = -1;  // a surface the caller holds locked during the call
};

// The clip steps of the clipping blits; false at a stop.
bool ClipEdges(const Surf& S, const Surf& D, int32_t& sx, int32_t& sy, int32_t& W, int32_t& H, int32_t& dx,
               int32_t& dy) {
    if (W < 1) W = S.w;
    if (H < 1) H = S.h;
    if (dx < 0) Add(W, W, dx), Sub(sx, sx, dx), dx = 0;
    if (dy < 0) Add(H, H, dy), Sub(sy, sy, dy), dy = 0;
    if (W < 1 || H < 1) return false;
    if (D.w != 0 && int64_t(dx) + W > D.w) Sub(W, D.w, dx);
    if (D.h != 0 && int64_t(dy) + H > D.h) Sub(H, D.h, dy);
    if (W < 1 || H < 1) return false;
    if (sx < 0) Add(W, W, sx), Sub(dx, dx, sx), sx = 0;
    if (sy < 0) Add(H, H, sy), Sub(dy, dy, sy), sy = 0;
    if (W < 1 || H < 1) return false;
    if (S.w != 0 && int64_t(sx) + W > S.w) Sub(W, S.w, sx);
    if (S.h != 0 && int64_t(sy) + H > S.h) Sub(H, S.h, sy);
    return W >= 1 && H >= 1;
}

// The half blend over byte columns: size defaults and far-edge cuts as the
// caller sees them, and the bytes whose source and destination both lie in
// their arrays.
Outcome HarfModel(int32_t sw, int32_t sh, int32_t bpp, const Surf& D, int32_t sx, int32_t sy, int32_t w, int32_t h,
                  int32_t dx, int32_t dy, int32_t flag) {
    if (w < 1) w = sw;
    if (h < 1) h = sh;
    if (int64_t(sx) + w >= sw) Sub(w, sw, sx);
    if (int64_t(sy) + h >= sh) Sub(h, sh, sy);
    if (int64_t(dx) + w >= D.w) Sub(w, D.w, dx);
    if (int64_t(dy) + h >= D.h) Sub(h, D.h, dy);
    Outcome o;
    o.allowed = {kOk};
    o.usedW = w, o.usedH = h;
    o.bytes = true;
    const int64_t n = bpp / 8;
    const int64_t l = std::max<int64_t>({0, dx, int64_t(dx) - sx}), t = std::max<int64_t>({0, dy, int64_t(dy) - sy});
    const int64_t r = std::min<int64_t>({int64_t(dx) + w, D.w * n, int64_t(dx) + sw * n - sx});
    const int64_t b = std::min<int64_t>({int64_t(dy) + h, D.h, int64_t(dy) + sh - sy});
    if (l < r && t < b) o.region = {int32_t(l), int32_t(t), int32_t(r), int32_t(b)};
    o.content = Outcome::Harf;
    o.ox = int64_t(sx) - dx, o.oy = int64_t(sy) - dy;
    o.harfKeyed = flag == -1;
    return o;
}

Outcome Model(const Call& c, const std::vector<Surf>& pool, int32_t bpp) {
    const Surf &S = pool[size_t(c.src)], &D = pool[size_t(c.dst)];
    int32_t sx = c.sx, sy = c.sy, W = c.w, H = c.h, dx = c.dx, dy = c.dy;
    const bool busy = c.locked >= 0 && (c.locked == c.src || c.locked == c.dst);
    // A platform call on an empty destination raises: the initial result.
    const bool noDst = D.ref.IsNothing();
    const int64_t raised = c.m == BltFast ? kEmpty : kOk;
    if (noDst && c.m != HarfTransfer && c.m != HarfStrech && c.m != BltEX && c.m != BltFastEX)
        return Refused({raised});
    switch (c.m) {
        case Blt:
        case BltFast: {
            if (W <= 0) W = S.w;
            if (H <= 0) H = S.h;
            if (c.m == Blt) return PlatBlt(D, Edges(dx, dy, W, H), S, Edges(sx, sy, W, H), c.flag != 0, false, busy);
            return PlatBltFast(D, dx, dy, S, Edges(sx, sy, W, H), c.flag != 0, busy);
        }
        case BltEX:
        case BltFastEX:
            if (!ClipEdges(S, D, sx, sy, W, H, dx, dy) || noDst) return Refused({kOk});
            if (c.m == BltEX) return PlatBlt(D, Edges(dx, dy, W, H), S, Edges(sx, sy, W, H), c.flag != 0, false, busy);
            return PlatBltFast(D, dx, dy, S, Edges(sx, sy, W, H), c.flag != 0, busy);
        case StrechBlt:
            // No stops, no clip switched off: the source size alone is cut.
            if (W < 1) W = S.w;
            if (H < 1) H = S.h;
            if (dx < 0) Add(W, W, dx), Sub(sx, sx, dx), dx = 0;
            if (dy < 0) Add(H, H, dy), Sub(sy, sy, dy), dy = 0;
            if (int64_t(dx) + W > D.w) Sub(W, D.w, dx);
            if (int64_t(dy) + H > D.h) Sub(H, D.h, dy);
            if (sx < 0) Add(W, W, sx), Sub(dx, dx, sx), sx = 0;
            if (sy < 0) Add(H, H, sy), Sub(dy, dy, sy), sy = 0;
            if (int64_t(sx) + W > S.w) Sub(W, S.w, sx);
            if (int64_t(sy) + H > S.h) Sub(H, S.h, sy);
            return PlatBlt(D, Edges(dx, dy, c.w2, c.h2), S, Edges(sx, sy, W, H), c.flag != 0, false, busy);
        case BitBltFX: {
            Outcome o = PlatBlt(D, Edges(c.dx, c.dy, c.w2, c.h2), S, Edges(c.sx, c.sy, c.w, c.h), false, true, busy);
            o.content = Outcome::Any;  // mirrored, turned or scaled: the region only
            return o;
        }
        case HarfTransfer: {
            Outcome o = HarfModel(S.w, S.h, bpp, D, c.sx, c.sy, c.w, c.h, c.dx, c.dy, c.flag);
            // A surface it cannot lock: nothing drawn, and said so.
            if (busy) o.allowed = {kBusy}, o.region = {};
            if (S.ref.IsNothing() || noDst) o.allowed = {kNoObject}, o.region = {};
            return o;
        }
        case HarfStrech: {
            // Through a temporary nWidth2 x nHeight2 surface; where it cannot
            // be made, nothing is drawn. Its pixels are a stretch: region only.
            Outcome o;
            if (c.w2 >= 1 && c.h2 >= 1) o = HarfModel(c.w2, c.h2, bpp, D, c.sx, c.sy, c.w2, c.h2, c.dx, c.dy, c.flag);
            o.allowed = {kEmpty};
            o.content = Outcome::Any;
            return o;
        }
        default: return Refused({});
    }
}

// --- Random calls ----------------------------------------------------------------

struct Rng {
    std::mt19937_64 g;
    uint32_t Below(uint32_t n) { return uint32_t(g() % n); }
    int32_t Range(int64_t lo, int64_t hi) { return int32_t(lo + int64_t(g() % uint64_t(hi - lo + 1))); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
};

// A coordinate or size near a surface of `extent`: mostly around its edges,
// sometimes negative, huge, at the limits or summing past them.
int32_t Pick(Rng& r, int32_t extent) {
    switch (r.Below(16)) {
        case 0: case 1: case 2: case 3: case 4: return r.Range(-2, extent + 2);
        case 5: case 6: case 7: {
            const int32_t e[] = {0, 1, -1, extent - 1, extent, extent + 1, 2 * extent, 40, 41};
            return e[r.Below(9)];
        }
        case 8: case 9: return r.Range(-extent - 3, -1);
        case 10: case 11: {
            const int32_t e[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, INT_MAX - std::max(extent, 1) + 1, INT_MIN + extent,
                                 1 << 30, -(1 << 30), 65536, 65537};
            return e[r.Below(10)];
        }
        case 12: return int32_t(uint32_t(r.g()));
        default: return r.Range(0, 3 * int64_t(extent));
    }
}
int32_t PickSize(Rng& r, int32_t extent) { return r.OneIn(6) ? 0 : Pick(r, extent); }

Call Generate(Method m, Rng& r, const std::vector<Surf>& pool) {
    Call c{};
    c.m = m;
    // The last entry is an empty reference (sizes read 0), now and then.
    const uint32_t real = uint32_t(pool.size()) - 1;
    c.src = r.OneIn(40) ? int(real) : int(r.Below(real));
    // Overlap within one surface is worth a share of its own.
    c.dst = r.OneIn(40) ? int(real) : r.OneIn(5) ? c.src : int(r.Below(real));
    const Surf &S = pool[size_t(c.src)], &D = pool[size_t(c.dst)];
    if (r.OneIn(3)) {
        c.sx = Pick(r, S.w), c.sy = Pick(r, S.h);
        c.w = PickSize(r, S.w), c.h = PickSize(r, S.h);
        c.dx = Pick(r, D.w), c.dy = Pick(r, D.h);
        c.w2 = PickSize(r, D.w), c.h2 = PickSize(r, D.h);
    } else {
        // Mostly in range, so that drawing is common; then one field or two
        // pushed to an edge or beyond.
        const int32_t sw = std::max(S.w, 1), sh = std::max(S.h, 1), dw = std::max(D.w, 1), dh = std::max(D.h, 1);
        c.sx = r.Range(0, sw - 1), c.sy = r.Range(0, sh - 1);
        c.w = r.Range(0, sw - c.sx), c.h = r.Range(0, sh - c.sy);
        c.dx = r.Range(-1, dw - 1), c.dy = r.Range(-1, dh - 1);
        c.w2 = r.Range(0, D.w + 1), c.h2 = r.Range(0, D.h + 1);
        int32_t* field[] = {&c.sx, &c.sy, &c.w, &c.h, &c.dx, &c.dy, &c.w2, &c.h2};
        const int32_t extent[] = {S.w, S.h, S.w, S.h, D.w, D.h, D.w, D.h};
        for (uint32_t n = r.Below(3); n > 0; --n) {
            const uint32_t f = r.Below(8);
            *field[f] = Pick(r, extent[f]);
        }
    }
    if (m == HarfStrech) {
        // The temporary surface is really made: keep most of them small.
        if (c.w2 > 64 && c.h2 > 0 && c.w2 <= 65536 && !r.OneIn(64)) c.h2 = r.Range(1, 3);
        if (c.h2 > 64 && c.w2 > 0 && c.h2 <= 65536 && !r.OneIn(64)) c.w2 = r.Range(1, 3);
    }
    if (m == BitBltFX) {
        const int32_t f[] = {0, 1, 2, 3, 4, 5, 16, 32, 64, 6, 48, 96, -1};
        c.flag = r.OneIn(8) ? int32_t(uint32_t(r.g())) : f[r.Below(13)];
    } else {
        const int32_t b[] = {0, -1, 1, 2, SHRT_MIN};
        c.flag = b[r.Below(5)];
    }
    return c;
}

std::string Describe(const Call& c) {
    std::ostringstream os;
    os << kNames[c.m] << (c.locked >= 0 ? " locked " + std::to_string(c.locked) : "") << " src " << c.src << " dst " << c.dst << " sx " << c.sx << " sy " << c.sy << " w " << c.w
       << " h " << c.h << " w2 " << c.w2 << " h2 " << c.h2 << " dx " << c.dx << " dy " << c.dy << " flag " << c.flag;
    return os.str();
}

// --- The fixture ----------------------------------------------------------------

class BlitRects : public ::testing::TestWithParam<std::tuple<Method, int32_t>> {
protected:
    DX7Draw dd;
    HWND wnd = 0;
    std::vector<Surf> pool;
    int32_t savedW = 0, savedH = 0, savedBpp = 0;

    void TearDown() override {
        pool.clear();
        dd.DDClose();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
        plat::SetDesktop(savedW, savedH, savedBpp);
    }

    void Keep(Ref<DirectDrawSurface7> s, bool keyed, uint32_t key) {
        ASSERT_FALSE(s.IsNothing());
        Surf t;
        t.ref = s;
        t.store = &plat::AsSoft(s)->Store();
        t.w = t.store->width, t.h = t.store->height;
        // No slack behind the last row: ASan then catches any access past it.
        ASSERT_EQ(t.store->bytes.size(), size_t(t.store->pitch) * size_t(t.h));
        ASSERT_EQ(t.store->bytes.capacity(), t.store->bytes.size());
        if (keyed) {
            DDCOLORKEY k{int32_t(key), int32_t(key)};
            s->SetColorKey(DDCKEY_SRCBLT, k);
        }
        t.keyed = keyed, t.key = key;
        pool.push_back(t);
    }

    // A 40 x 30 desktop with a 24 x 16 window hanging over its right and
    // bottom edges; its back buffer, the primary (clipped to the window) and
    // off-screen surfaces of a few sizes, some keyed, some with row padding.
    void Open(int32_t bpp) {
        plat::GetDesktop(savedW, savedH, savedBpp);
        plat::SetDesktop(40, 30, bpp);
        wnd = CurrentPlatform().Windows().CreateAppWindow("rects", 22, 4, 32, 43, 0);
        Ref<DirectDrawSurface7> back = dd.DDSetup(wnd, 24, 16, NORMALSCREEN);
        ASSERT_FALSE(back.IsNothing());
        const uint32_t key = bpp == 8 ? 5u : 0x00FF00FFu;
        Keep(back, false, 0);
        Keep(DX7DrawTestAccess::Primary(dd), false, 0);
        std::array<RECT, 1> clip{};
        pool.back().clipped = true;
        if (DX7DrawTestAccess::Clipper(dd)->GetClipList(clip) == 1) pool.back().clip = clip[0];
        // The window must hang over the desktop's edge, so that clipping cuts.
        const RECT& cl = pool.back().clip;
        ASSERT_TRUE(Formed(cl) && (W64(cl) < 24 || H64(cl) < 16)) << cl;
        const int32_t sizes[][3] = {{1, 1, 1}, {7, 5, 0}, {8, 8, 1}, {13, 6, 0}, {3, 17, 1}};
        for (const auto& s : sizes) Keep(dd.DDCreateSurface(s[0], s[1]), s[2] != 0, key);
        pool.emplace_back();
    }

    // Key pixels, zeros (the effects blit's key) and noise, padding included.
    void Paint(Rng& r, int32_t bpp) {
        for (Surf& s : pool) {
            if (!s.store) continue;
            std::vector<uint8_t>& b = s.store->bytes;
            for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(r.g());
            for (int32_t y = 0; y < s.h; ++y)
                for (int32_t x = 0; x < s.w; ++x) {
                    const uint32_t v = r.OneIn(4) ? s.key | (r.OneIn(2) ? uint32_t(r.g()) & 0xFF000000u : 0) : r.OneIn(6) ? 0u : uint32_t(r.g());
                    plat::WritePixel(s.store->At(x, y), bpp, v);
                }
        }
    }

    int64_t Run(const Call& c) {
        Ref<DirectDrawSurface7> &S = pool[size_t(c.src)].ref, &D = pool[size_t(c.dst)].ref;
        const VBBool b = VBBool(c.flag);
        auto held = [](const Variant& v) { return IsEmpty(v) ? kEmpty : std::get<int32_t>(v); };
        Ref<DirectDrawPalette> none;
        switch (c.m) {
            case Blt: return dd.DDBlt(S, D, c.sx, c.sy, c.w, c.h, c.dx, c.dy, b);
            case BltFast: return held(dd.DDBltFast(S, D, c.sx, c.sy, c.w, c.h, c.dx, c.dy, b));
            case BltEX: return dd.DDBltEX(S, D, c.sx, c.sy, c.w, c.h, c.dx, c.dy, b);
            case BltFastEX: return dd.DDBltFastEX(S, D, c.sx, c.sy, c.w, c.h, c.dx, c.dy, b);
            case StrechBlt: return dd.DDStrechBlt(S, D, c.sx, c.sy, c.w, c.h, c.w2, c.h2, c.dx, c.dy, b);
            case HarfStrech:
                return held(dd.DDHarfStrechBltEx(S, D, none, c.sx, c.sy, c.w, c.h, c.w2, c.h2, c.dx, c.dy, b));
            case BitBltFX: {
                const FX_Type fx = FX_Type(c.flag);
                return dd.DDBitBltFX(S, D, c.sx, c.sy, c.w, c.h, c.w2, c.h2, c.dx, c.dy, fx);
            }
            default: return 0;
        }
    }

    // Every byte of the destination against the model; "" when they agree.
    std::string CheckBytes(const Call& c, const Outcome& o, const std::vector<uint8_t>& dstBefore,
                           const std::vector<uint8_t>& srcBefore, int32_t bpp) {
        const Surf &S = pool[size_t(c.src)], &D = pool[size_t(c.dst)];
        const std::vector<uint8_t>& now = D.store->bytes;
        const int32_t n = bpp / 8, pitch = D.store->pitch;
        const uint8_t* table = DX7DrawTestAccess::Table(dd);
        const bool drew = o.allowed.size() == 1 && (o.allowed[0] == kOk || o.allowed[0] == kEmpty);
        for (size_t i = 0; i < now.size(); ++i) {
            const int32_t y = int32_t(i / size_t(pitch)), col = int32_t(i % size_t(pitch));
            const int32_t x = o.bytes ? col : col / n;
            const bool in = drew && col < D.w * n && x >= o.region.Left && x < o.region.Right &&
                            y >= o.region.Top && y < o.region.Bottom;
            int32_t want = dstBefore[i];
            if (in && o.content == Outcome::Any) continue;
            if (in && o.content == Outcome::Harf) {
                const uint8_t s = srcBefore[size_t(y + o.oy) * size_t(S.store->pitch) + size_t(x + o.ox)];
                if (!(o.harfKeyed && s == srcBefore[0])) want = table[size_t(dstBefore[i]) << 8 | s];
            } else if (in) {
                const size_t at = size_t(y + o.oy) * size_t(S.store->pitch) + size_t(x + o.ox) * size_t(n);
                const uint32_t sp = plat::ReadPixel(&srcBefore[at], bpp);
                const uint32_t mask = bpp == 8 ? 0xFFu : 0xFFFFFFu;
                if (!(o.keyed && (sp & mask) == (o.key & mask))) want = srcBefore[at + size_t(col % n)];
            }
            if (now[i] != want) {
                std::ostringstream os;
                os << "byte " << col << " of row " << y << " is " << int(now[i]) << ", expected " << want
                   << (in ? " (inside " : " (outside ") << o.region << ")";
                return os.str();
            }
        }
        return "";
    }
};

TEST_P(BlitRects, StatusesAndPixelsFollowTheRectangleModel) {
    const auto [method, bpp] = GetParam();
    Open(bpp);
    if (HasFatalFailure()) return;
    const uint64_t calls = EnvNumber("VEXO_RECTS_CALLS", 1000000 / (2 * kMethods));
    Rng rng{std::mt19937_64(kSeed ^ (uint64_t(method) << 40) ^ (uint64_t(bpp) << 32))};
    for (size_t i = 0; i < 65536; ++i) DX7DrawTestAccess::Table(dd)[i] = uint8_t(rng.g());

    // Printed first: a sanitizer that stops the run leaves no failure message.
    std::printf("%s %d bits, VEXO_RECTS_SEED=%llu\n", kNames[method], bpp, (unsigned long long)kSeed);
    std::fflush(stdout);
    std::map<int64_t, uint64_t> seen;
    uint64_t drawing = 0;
    int failures = 0;
    std::vector<uint8_t> dstBefore, srcBefore;
    for (uint64_t k = 0; k < calls && failures < 5; ++k) {
        if (k % 64 == 0) Paint(rng, bpp);
        Call c = Generate(method, rng, pool);
        RECT whole{};
        DDSURFACEDESC2 desc{};
        if (rng.OneIn(48) && pool[size_t(c.src)].store && pool[size_t(c.dst)].store) {
            c.locked = rng.OneIn(2) ? c.src : c.dst;
            pool[size_t(c.locked)].ref->Lock(whole, desc, DDLOCK_WAIT, 0);
        }
        const Outcome o = Model(c, pool, bpp);
        const bool check = k % 8 == 0 && pool[size_t(c.src)].store && pool[size_t(c.dst)].store;
        if (check) {
            dstBefore = pool[size_t(c.dst)].store->bytes;
            srcBefore = pool[size_t(c.src)].store->bytes;
        }
        int64_t got;
        std::string why;
        if (method == HarfTransfer) {
            int32_t w = c.w, h = c.h;
            Ref<DirectDrawPalette> none;
            got = dd.DDHarfTransferBlt(pool[size_t(c.src)].ref, pool[size_t(c.dst)].ref, none, c.sx, c.sy, w, h, c.dx,
                                       c.dy, VBBool(c.flag));
            if (w != o.usedW || h != o.usedH)
                why = "size written back " + std::to_string(w) + " x " + std::to_string(h) + ", expected " +
                      std::to_string(o.usedW) + " x " + std::to_string(o.usedH);
        } else {
            got = Run(c);
        }
        // The caller's lock is still the caller's.
        if (c.locked >= 0 && test::ErrorOf([&] { pool[size_t(c.locked)].ref->Unlock(whole); }) != 0)
            why = "the caller's lock was released";
        ++seen[got];
        if (o.allowed.size() == 1 && !(o.region.Right <= o.region.Left || o.region.Bottom <= o.region.Top)) ++drawing;
        if (why.empty() && std::find(o.allowed.begin(), o.allowed.end(), got) == o.allowed.end()) {
            std::ostringstream os;
            os << "status " << std::hex << got << ", model allows";
            for (int64_t a : o.allowed) os << " " << a;
            why = os.str();
        }
        if (why.empty() && check) why = CheckBytes(c, o, dstBefore, srcBefore, bpp);
        if (!why.empty()) {
            ++failures;
            ADD_FAILURE() << Describe(c) << ": " << why << "\n  replay: VEXO_RECTS_SEED=" << kSeed << ", call " << k;
        }
    }
    std::ostringstream os;
    os << kNames[method] << " " << bpp << " bits: " << calls << " calls, " << drawing << " drawing;";
    for (const auto& [s, n] : seen) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", uint32_t(s));
        os << " " << (s == kEmpty ? "empty" : hex) << " x" << n;
    }
    std::printf("%s\n", os.str().c_str());
}

INSTANTIATE_TEST_SUITE_P(AllBlits, BlitRects,
                         ::testing::Combine(::testing::Values(Blt, BltFast, BltEX, BltFastEX, StrechBlt, HarfTransfer,
                                                              HarfStrech, BitBltFX),
                                            ::testing::Values(8, 32)),
                         [](const auto& info) {
                             return std::string(kNames[std::get<0>(info.param)]) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace vexo
