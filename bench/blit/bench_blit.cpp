// The pixel routines next to SDL2's software blitters and memcpy, on the
// same pixels in the same process. Prints the ratios at the end.
//
// Keyed sources are sprite-like: runs of the key colour between runs of
// opaque texture, about 30 % key pixels.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/blit/Blit.h"

namespace {

using vexo::RECT;
using vexo::blit::Key;
using vexo::blit::PixelBuffer;

constexpr int kW = 640, kH = 480;
constexpr int kW3 = kW / 2 * 3, kH3 = kH / 2 * 3;  // 320 x 240 enlarged three times
constexpr uint32_t kKey32 = 0x00FF00FF, kKey8 = 253;

// An SDL surface and our view of the same pixels.
struct Pair {
    SDL_Surface* sdl = nullptr;
    PixelBuffer buf;
};

Pair Make(int w, int h, int bpp) {
    Pair p;
    p.sdl = SDL_CreateRGBSurfaceWithFormat(0, w, h, bpp, bpp == 8 ? SDL_PIXELFORMAT_INDEX8 : SDL_PIXELFORMAT_RGB888);
    if (!p.sdl) {
        std::fprintf(stderr, "SDL_CreateRGBSurfaceWithFormat: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_SetSurfaceBlendMode(p.sdl, SDL_BLENDMODE_NONE);
    p.buf = PixelBuffer{static_cast<uint8_t*>(p.sdl->pixels), w, h, p.sdl->pitch, bpp};
    return p;
}

// Runs of key pixels (mean 12) between runs of texture (mean 28).
void PaintSprites(Pair& p, uint32_t key, uint32_t seed) {
    std::mt19937 rng(seed);
    const int bpp = p.buf.bpp;
    for (int y = 0; y < p.buf.height; ++y) {
        uint8_t* row = p.buf.pixels + size_t(y) * p.buf.pitch;
        int x = 0;
        bool keyRun = rng() % 2;
        while (x < p.buf.width) {
            const int run = keyRun ? 1 + int(rng() % 23) : 1 + int(rng() % 55);
            for (int i = 0; i < run && x < p.buf.width; ++i, ++x) {
                uint32_t v = key;
                if (!keyRun) {
                    do v = uint32_t(rng()) & (bpp == 8 ? 0xFFu : 0x00FFFFFFu);
                    while (v == key);
                }
                if (bpp == 8) row[x] = uint8_t(v);
                else std::memcpy(row + 4 * x, &v, 4);
            }
            keyRun = !keyRun;
        }
    }
}

double KeyShare(const Pair& p, uint32_t key) {
    size_t n = 0;
    for (int y = 0; y < p.buf.height; ++y) {
        const uint8_t* row = p.buf.pixels + size_t(y) * p.buf.pitch;
        for (int x = 0; x < p.buf.width; ++x) {
            uint32_t v = 0;
            std::memcpy(&v, row + x * (p.buf.bpp / 8), size_t(p.buf.bpp / 8));
            n += v == key;
        }
    }
    return double(n) / (double(p.buf.width) * p.buf.height);
}

struct World {
    Pair src32, dst32, src8, dst8, small32, big32, big3x32, small8, smallKey8, big8;
    Pair key32, keyRle32, key8, keyRle8, smallKey32;
    std::vector<uint8_t> from, to;
    Pair sprite, back;
    std::vector<SDL_Rect> spots;

    World() {
        src32 = Make(kW, kH, 32);
        dst32 = Make(kW, kH, 32);
        src8 = Make(kW, kH, 8);
        dst8 = Make(kW, kH, 8);
        small32 = Make(kW / 2, kH / 2, 32);
        big32 = Make(kW, kH, 32);
        big3x32 = Make(kW3, kH3, 32);
        key32 = Make(kW, kH, 32);
        keyRle32 = Make(kW, kH, 32);
        key8 = Make(kW, kH, 8);
        keyRle8 = Make(kW, kH, 8);
        smallKey32 = Make(kW / 2, kH / 2, 32);
        small8 = Make(kW / 2, kH / 2, 8);
        smallKey8 = Make(kW / 2, kH / 2, 8);
        big8 = Make(kW, kH, 8);
        // One palette for every 8-bit surface, so SDL maps 1:1.
        for (Pair* p : {&dst8, &key8, &keyRle8, &small8, &smallKey8, &big8}) SDL_SetSurfacePalette(p->sdl, src8.sdl->format->palette);
        for (Pair* p : {&src32, &key32, &keyRle32}) PaintSprites(*p, kKey32, 1);
        for (Pair* p : {&src8, &key8, &keyRle8}) PaintSprites(*p, kKey8, 2);
        PaintSprites(small32, kKey32, 3);
        PaintSprites(smallKey32, kKey32, 3);
        PaintSprites(small8, kKey8, 5);
        PaintSprites(smallKey8, kKey8, 5);
        SDL_SetColorKey(smallKey8.sdl, SDL_TRUE, kKey8);
        SDL_SetColorKey(key32.sdl, SDL_TRUE, kKey32);
        SDL_SetColorKey(keyRle32.sdl, SDL_TRUE, kKey32);
        SDL_SetSurfaceRLE(keyRle32.sdl, 1);
        SDL_SetColorKey(key8.sdl, SDL_TRUE, kKey8);
        SDL_SetColorKey(keyRle8.sdl, SDL_TRUE, kKey8);
        SDL_SetSurfaceRLE(keyRle8.sdl, 1);
        SDL_SetColorKey(smallKey32.sdl, SDL_TRUE, kKey32);
        from.assign(size_t(kW) * kH * 4, 7);
        to.assign(size_t(kW) * kH * 4, 0);

        // A round 32 x 32 sprite (key outside the disc) and 2000 places.
        sprite = Make(32, 32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = x - 16, dy = y - 16;
                const uint32_t v = dx * dx + dy * dy < 256 ? 0x00102030u + uint32_t(x * 5 + y * 3) : kKey32;
                std::memcpy(sprite.buf.pixels + y * sprite.buf.pitch + 4 * x, &v, 4);
            }
        SDL_SetColorKey(sprite.sdl, SDL_TRUE, kKey32);
        back = Make(kW, kH, 32);
        std::mt19937 rng(4);
        for (int i = 0; i < 2000; ++i) spots.push_back(SDL_Rect{int(rng() % (kW - 32)), int(rng() % (kH - 32)), 32, 32});
    }
};

World& W() {
    static World w;
    return w;
}

const RECT kFull{0, 0, kW, kH};
const RECT kHalf{0, 0, kW / 2, kH / 2};

// SDL's call must succeed once before it is timed.
bool Works(benchmark::State& st, int result) {
    if (result != 0) st.SkipWithError(SDL_GetError());
    return result == 0;
}

void Bytes(benchmark::State& st, int bpp) { st.SetBytesProcessed(int64_t(st.iterations()) * kW * kH * (bpp / 8)); }

// ---- unkeyed copies ----
void Copy32_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Copy(W().dst32.buf, 0, 0, W().src32.buf, kFull, Key{});
    Bytes(st, 32);
}
void Copy32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().src32.sdl, nullptr, W().dst32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().src32.sdl, nullptr, W().dst32.sdl, nullptr);
    Bytes(st, 32);
}
void Copy32_memcpy(benchmark::State& st) {
    for (auto _ : st) {
        std::memcpy(W().to.data(), W().from.data(), size_t(kW) * kH * 4);
        benchmark::ClobberMemory();
    }
    Bytes(st, 32);
}
void Copy8_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Copy(W().dst8.buf, 0, 0, W().src8.buf, kFull, Key{});
    Bytes(st, 8);
}
void Copy8_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().src8.sdl, nullptr, W().dst8.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().src8.sdl, nullptr, W().dst8.sdl, nullptr);
    Bytes(st, 8);
}
void Copy8_memcpy(benchmark::State& st) {
    for (auto _ : st) {
        std::memcpy(W().to.data(), W().from.data(), size_t(kW) * kH);
        benchmark::ClobberMemory();
    }
    Bytes(st, 8);
}

// ---- keyed copies ----
template <vexo::blit::Isa isa>
void Key32_Vexo(benchmark::State& st) {
    vexo::blit::ForceIsa(isa);
    for (auto _ : st) vexo::blit::Copy(W().dst32.buf, 0, 0, W().key32.buf, kFull, Key{true, kKey32});
    vexo::blit::ForceIsa(vexo::blit::Isa::AVX2);
    Bytes(st, 32);
}
void Key32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().key32.sdl, nullptr, W().dst32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().key32.sdl, nullptr, W().dst32.sdl, nullptr);
    Bytes(st, 32);
}
void Key32_SDL_RLE(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().keyRle32.sdl, nullptr, W().dst32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().keyRle32.sdl, nullptr, W().dst32.sdl, nullptr);
    Bytes(st, 32);
}
template <vexo::blit::Isa isa>
void Key8_Vexo(benchmark::State& st) {
    vexo::blit::ForceIsa(isa);
    for (auto _ : st) vexo::blit::Copy(W().dst8.buf, 0, 0, W().key8.buf, kFull, Key{true, kKey8});
    vexo::blit::ForceIsa(vexo::blit::Isa::AVX2);
    Bytes(st, 8);
}
void Key8_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().key8.sdl, nullptr, W().dst8.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().key8.sdl, nullptr, W().dst8.sdl, nullptr);
    Bytes(st, 8);
}
void Key8_SDL_RLE(benchmark::State& st) {
    if (!Works(st, SDL_BlitSurface(W().keyRle8.sdl, nullptr, W().dst8.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitSurface(W().keyRle8.sdl, nullptr, W().dst8.sdl, nullptr);
    Bytes(st, 8);
}

// ---- 320 x 240 -> 640 x 480 ----
void Stretch32_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Stretch(W().big32.buf, kFull, W().small32.buf, kHalf, Key{});
    Bytes(st, 32);
}
void Stretch32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitScaled(W().small32.sdl, nullptr, W().big32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitScaled(W().small32.sdl, nullptr, W().big32.sdl, nullptr);
    Bytes(st, 32);
}
// ---- 320 x 240 -> 960 x 720: a whole factor whose step is no power of two ----
void Stretch3x32_Vexo(benchmark::State& st) {
    const RECT big{0, 0, kW3, kH3};
    for (auto _ : st) vexo::blit::Stretch(W().big3x32.buf, big, W().small32.buf, kHalf, Key{});
    st.SetBytesProcessed(int64_t(st.iterations()) * kW3 * kH3 * 4);
}
void Stretch3x32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitScaled(W().small32.sdl, nullptr, W().big3x32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitScaled(W().small32.sdl, nullptr, W().big3x32.sdl, nullptr);
    st.SetBytesProcessed(int64_t(st.iterations()) * kW3 * kH3 * 4);
}
template <vexo::blit::Isa isa>
void StretchKey32_Vexo(benchmark::State& st) {
    vexo::blit::ForceIsa(isa);
    for (auto _ : st) vexo::blit::Stretch(W().big32.buf, kFull, W().smallKey32.buf, kHalf, Key{true, kKey32});
    vexo::blit::ForceIsa(vexo::blit::Isa::AVX2);
    Bytes(st, 32);
}
void StretchKey32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_BlitScaled(W().smallKey32.sdl, nullptr, W().big32.sdl, nullptr))) return;
    for (auto _ : st) SDL_BlitScaled(W().smallKey32.sdl, nullptr, W().big32.sdl, nullptr);
    Bytes(st, 32);
}

// SDL2 scales no 8-bit surface ("Blit combination not supported"), so these
// two have no peer; they show what an indexed game's enlarged screen costs.
void Stretch8_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Stretch(W().big8.buf, kFull, W().small8.buf, kHalf, Key{});
    Bytes(st, 8);
}
void StretchKey8_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Stretch(W().big8.buf, kFull, W().smallKey8.buf, kHalf, Key{true, kKey8});
    Bytes(st, 8);
}

// ---- fill of the whole surface ----
void Fill32_Vexo(benchmark::State& st) {
    for (auto _ : st) vexo::blit::Fill(W().dst32.buf, kFull, 0x00336699);
    Bytes(st, 32);
}
void Fill32_SDL(benchmark::State& st) {
    if (!Works(st, SDL_FillRect(W().dst32.sdl, nullptr, 0x00336699))) return;
    for (auto _ : st) SDL_FillRect(W().dst32.sdl, nullptr, 0x00336699);
    Bytes(st, 32);
}
void Fill32_memset(benchmark::State& st) {
    for (auto _ : st) {
        std::memset(W().to.data(), 0x33, size_t(kW) * kH * 4);
        benchmark::ClobberMemory();
    }
    Bytes(st, 32);
}

// ---- a frame of 2000 keyed 32 x 32 sprites on a cleared back buffer ----
void Sprites_Vexo(benchmark::State& st) {
    const RECT s{0, 0, 32, 32};
    for (auto _ : st) {
        vexo::blit::Fill(W().back.buf, kFull, 0);
        for (const SDL_Rect& r : W().spots) vexo::blit::Copy(W().back.buf, r.x, r.y, W().sprite.buf, s, Key{true, kKey32});
    }
}
void Sprites_SDL(benchmark::State& st) {
    SDL_SetSurfaceRLE(W().sprite.sdl, 0);
    for (auto _ : st) {
        SDL_FillRect(W().back.sdl, nullptr, 0);
        for (SDL_Rect r : W().spots) SDL_BlitSurface(W().sprite.sdl, nullptr, W().back.sdl, &r);
    }
}
void Sprites_SDL_RLE(benchmark::State& st) {
    SDL_SetSurfaceRLE(W().sprite.sdl, 1);
    for (auto _ : st) {
        SDL_FillRect(W().back.sdl, nullptr, 0);
        for (SDL_Rect r : W().spots) SDL_BlitSurface(W().sprite.sdl, nullptr, W().back.sdl, &r);
    }
    SDL_SetSurfaceRLE(W().sprite.sdl, 0);
}

using vexo::blit::Isa;
BENCHMARK(Copy32_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Copy32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Copy32_memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(Key32_Vexo<Isa::AVX2>)->Name("Key32_Vexo")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key32_Vexo<Isa::SSE2>)->Name("Key32_Vexo_SSE2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key32_Vexo<Isa::Plain>)->Name("Key32_Vexo_Plain")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Key32_SDL_RLE)->Unit(benchmark::kMicrosecond);
BENCHMARK(Copy8_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Copy8_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Copy8_memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(Key8_Vexo<Isa::AVX2>)->Name("Key8_Vexo")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key8_Vexo<Isa::SSE2>)->Name("Key8_Vexo_SSE2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key8_Vexo<Isa::Plain>)->Name("Key8_Vexo_Plain")->Unit(benchmark::kMicrosecond);
BENCHMARK(Key8_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Key8_SDL_RLE)->Unit(benchmark::kMicrosecond);
BENCHMARK(Stretch32_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Stretch32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Stretch3x32_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Stretch3x32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(StretchKey32_Vexo<Isa::AVX2>)->Name("StretchKey32_Vexo")->Unit(benchmark::kMicrosecond);
BENCHMARK(StretchKey32_Vexo<Isa::SSE2>)->Name("StretchKey32_Vexo_SSE2")->Unit(benchmark::kMicrosecond);
BENCHMARK(StretchKey32_Vexo<Isa::Plain>)->Name("StretchKey32_Vexo_Plain")->Unit(benchmark::kMicrosecond);
BENCHMARK(StretchKey32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Stretch8_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(StretchKey8_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Fill32_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Fill32_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Fill32_memset)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sprites_Vexo)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sprites_SDL)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sprites_SDL_RLE)->Unit(benchmark::kMicrosecond);

// Keeps the fastest CPU time per benchmark over repetitions (or the median
// when only aggregates are reported) for the summary.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest, median;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const std::string name = r.run_name.function_name;
            const double t = r.GetAdjustedCPUTime();
            if (r.run_type == Run::RT_Iteration) {
                auto it = fastest.find(name);
                if (it == fastest.end() || t < it->second) fastest[name] = t;
            } else if (r.aggregate_name == "median") {
                median[name] = t;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const double* Time(const std::string& name) const {
        auto it = fastest.find(name);
        if (it != fastest.end()) return &it->second;
        it = median.find(name);
        return it != median.end() ? &it->second : nullptr;
    }
};

// Checks once that the keyed copies give SDL's pixels, so the race is fair.
void CheckAgainstSdl() {
    World& w = W();
    SDL_BlitSurface(w.keyRle32.sdl, nullptr, w.dst32.sdl, nullptr);
    SDL_BlitSurface(w.keyRle8.sdl, nullptr, w.dst8.sdl, nullptr);
    std::printf("SDL2 run-length encoding in use: %s\n",
                SDL_HasSurfaceRLE(w.keyRle32.sdl) && SDL_HasSurfaceRLE(w.keyRle8.sdl) ? "yes" : "no");
    for (int bpp : {32, 8}) {
        Pair& src = bpp == 32 ? w.key32 : w.key8;
        Pair& dst = bpp == 32 ? w.dst32 : w.dst8;
        const size_t bytes = size_t(dst.sdl->pitch) * kH;
        std::memset(dst.buf.pixels, 0x5A, bytes);
        SDL_BlitSurface(src.sdl, nullptr, dst.sdl, nullptr);
        std::vector<uint8_t> theirs(dst.buf.pixels, dst.buf.pixels + bytes);
        std::memset(dst.buf.pixels, 0x5A, bytes);
        vexo::blit::Copy(dst.buf, 0, 0, src.buf, kFull, Key{true, bpp == 32 ? kKey32 : kKey8});
        const bool same = std::equal(theirs.begin(), theirs.end(), dst.buf.pixels);
        std::printf("%d-bit keyed copy: %.0f %% key pixels, %s SDL2's pixels\n", bpp,
                    100.0 * KeyShare(src, bpp == 32 ? kKey32 : kKey8), same ? "same as" : "DIFFERENT FROM");
    }
    // At whole factors SDL2's nearest-pixel stretch samples floor(x / factor) too.
    for (Pair* big : {&w.big32, &w.big3x32}) {
        const size_t bytes = size_t(big->sdl->pitch) * size_t(big->buf.height);
        SDL_BlitScaled(w.small32.sdl, nullptr, big->sdl, nullptr);
        std::vector<uint8_t> theirs(big->buf.pixels, big->buf.pixels + bytes);
        std::memset(big->buf.pixels, 0x5A, bytes);
        vexo::blit::Stretch(big->buf, RECT{0, 0, big->buf.width, big->buf.height}, w.small32.buf, kHalf, Key{});
        const bool same = std::equal(theirs.begin(), theirs.end(), big->buf.pixels);
        std::printf("32-bit %dx stretch: %s SDL2's pixels\n", big->buf.width / w.small32.buf.width,
                    same ? "same as" : "DIFFERENT FROM");
    }
}

}  // namespace

int main(int argc, char** argv) {
    SDL_Init(0);
    benchmark::Initialize(&argc, argv);
    const char* isa[] = {"plain", "SSE2", "AVX2"};
    std::printf("pixel routines use %s\n", isa[int(vexo::blit::ActiveIsa())]);
    CheckAgainstSdl();
    Collector rep;
    benchmark::RunSpecifiedBenchmarks(&rep);

    struct Ratio {
        const char *ours, *peer, *what;
        double target;  // ours must be at least this many times faster (0: none)
    };
    const Ratio ratios[] = {
        {"Copy32_Vexo", "Copy32_memcpy", "32-bit copy vs memcpy", 0.8},
        {"Copy32_Vexo", "Copy32_SDL", "32-bit copy vs SDL2", 0},
        {"Key32_Vexo", "Key32_SDL", "32-bit keyed vs SDL2 keyed", 2.0},
        {"Key32_Vexo", "Key32_SDL_RLE", "32-bit keyed vs SDL2 RLE", 1.0},
        {"Key32_Vexo_Plain", "Key32_SDL", "32-bit keyed (plain path) vs SDL2 keyed", 0},
        {"Copy8_Vexo", "Copy8_memcpy", "8-bit copy vs memcpy", 0},
        {"Copy8_Vexo", "Copy8_SDL", "8-bit copy vs SDL2", 0},
        {"Key8_Vexo", "Key8_SDL", "8-bit keyed vs SDL2 keyed", 2.0},
        {"Key8_Vexo", "Key8_SDL_RLE", "8-bit keyed vs SDL2 RLE", 1.0},
        {"Key8_Vexo_Plain", "Key8_SDL", "8-bit keyed (plain path) vs SDL2 keyed", 0},
        {"Stretch32_Vexo", "Stretch32_SDL", "stretch vs SDL2", 0},
        {"Stretch3x32_Vexo", "Stretch3x32_SDL", "3x stretch vs SDL2", 0},
        {"StretchKey32_Vexo", "StretchKey32_SDL", "keyed stretch vs SDL2", 5.0},
        {"Fill32_Vexo", "Fill32_SDL", "fill vs SDL2", 0},
        {"Fill32_Vexo", "Fill32_memset", "fill vs memset", 0},
        {"Sprites_Vexo", "Sprites_SDL", "2000 sprites frame vs SDL2", 1.5},
        {"Sprites_Vexo", "Sprites_SDL_RLE", "2000 sprites frame vs SDL2 RLE", 0},
    };
    std::printf("\nspeed ratios (peer time / our time; > 1 means ours is faster)\n");
    for (const Ratio& r : ratios) {
        const double *a = rep.Time(r.ours), *b = rep.Time(r.peer);
        if (!a || !b) continue;
        const double x = *b / *a;
        std::printf("  %-44s %6.2fx", r.what, x);
        if (r.target > 0) std::printf("  (target >= %.2fx: %s)", r.target, x >= r.target ? "met" : "NOT MET");
        std::printf("\n");
    }
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}
