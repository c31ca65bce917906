// A game frame through the component: the 640 x 480 back buffer cleared with
// DDFillRect, then 2000 keyed 32 x 32 sprites drawn with DDBltFast. SDL2's
// software path does the same frame in the same process (SDL_FillRect, then
// SDL_BlitSurface of colour-keyed surfaces with blend mode none). Prints the
// ratio of frame rates at the end.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace {

using namespace vexo;

constexpr int kW = 640, kH = 480, kSprite = 32, kCount = 2000, kKinds = 16;
constexpr uint32_t kMagenta = 0xFF00FF;  // XRGB

// Sprite k, row y: the opaque run of a rounded blob (about 30 % key pixels).
void OpaqueRun(int k, int y, int& from, int& to) {
    const double d = std::abs(y - 15.5);
    const int inset = d > 8 ? static_cast<int>((d - 8) * 1.6) + 1 : 2 + (k & 1);
    from = inset;
    to = kSprite - inset;
}
uint32_t SpriteColour(int k, int x, int y) {
    return 0x204060u + static_cast<uint32_t>(k) * 0x0A0B05u + static_cast<uint32_t>((x ^ y) & 7) * 0x10101u;
}

struct World {
    HWND wnd = 0;
    std::unique_ptr<DX7Draw> draw;
    Ref<DirectDrawSurface7> back;
    std::vector<Ref<DirectDrawSurface7>> sprites;
    SDL_Surface* sdlBack = nullptr;
    std::vector<SDL_Surface*> sdlSprites;
    std::vector<SDL_Rect> at;
    double keyShare = 0;
    bool ok = false;

    World() {
        wnd = CurrentPlatform().Windows().CreateAppWindow("bench", 0, 0, kW, kH, 0);
        draw = std::make_unique<DX7Draw>();
        back = draw->DDSetup(wnd, kW, kH, NORMALSCREEN);
        if (back.IsNothing()) return;
        sdlBack = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_RGB888);
        int keyed = 0;
        for (int k = 0; k < kKinds; ++k) {
            Ref<DirectDrawSurface7> s = draw->DDCreateSurface(kSprite, kSprite);
            SDL_Surface* t = SDL_CreateRGBSurfaceWithFormat(0, kSprite, kSprite, 32, SDL_PIXELFORMAT_RGB888);
            RECT whole{};
            DDSURFACEDESC2 d{};
            s->Lock(whole, d, DDLOCK_WAIT, 0);
            for (int y = 0; y < kSprite; ++y) {
                int from, to;
                OpaqueRun(k, y, from, to);
                auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(t->pixels) + y * t->pitch);
                for (int x = 0; x < kSprite; ++x) {
                    const uint32_t c = (x >= from && x < to) ? SpriteColour(k, x, y) : kMagenta;
                    keyed += c == kMagenta;
                    s->SetLockedPixel(x, y, static_cast<int32_t>(c));
                    row[x] = c;
                }
            }
            s->Unlock(whole);
            draw->DDSetColorKey(s, RGB(255, 0, 255));
            SDL_SetColorKey(t, SDL_TRUE, SDL_MapRGB(t->format, 255, 0, 255));
            SDL_SetSurfaceBlendMode(t, SDL_BLENDMODE_NONE);
            sprites.push_back(s);
            sdlSprites.push_back(t);
        }
        keyShare = double(keyed) / (kKinds * kSprite * kSprite);
        std::mt19937 rng(7);
        for (int i = 0; i < kCount; ++i) {
            at.push_back(SDL_Rect{int(rng() % (kW - kSprite + 1)), int(rng() % (kH - kSprite + 1)), kSprite,
                                  kSprite});
        }
        ok = true;
    }
    ~World() {
        for (SDL_Surface* t : sdlSprites) SDL_FreeSurface(t);
        if (sdlBack) SDL_FreeSurface(sdlBack);
        sprites.clear();
        back = nullptr;
        if (draw) draw->DDClose();
        draw.reset();
        if (wnd) CurrentPlatform().Windows().DestroyAppWindow(wnd);
    }

    void FrameVexo() {
        draw->DDFillRect(back, 0, 0, 0, 0, RGB(0, 0, 0));
        for (int i = 0; i < kCount; ++i)
            draw->DDBltFast(sprites[i % kKinds], back, 0, 0, kSprite, kSprite, at[i].x, at[i].y, VB_TRUE);
    }
    void FrameSdl() {
        SDL_FillRect(sdlBack, nullptr, 0);
        for (int i = 0; i < kCount; ++i) {
            SDL_Rect r = at[i];
            SDL_BlitSurface(sdlSprites[i % kKinds], nullptr, sdlBack, &r);
        }
    }

    // The two frames must hold the same pixels, or the race means nothing.
    bool SamePixels() {
        FrameVexo();
        FrameSdl();
        RECT whole{};
        DDSURFACEDESC2 d{};
        back->Lock(whole, d, DDLOCK_WAIT, 0);
        bool same = true;
        for (int y = 0; y < kH && same; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(sdlBack->pixels) + y * sdlBack->pitch);
            for (int x = 0; x < kW; ++x) {
                if ((static_cast<uint32_t>(back->GetLockedPixel(x, y)) & 0xFFFFFF) != (row[x] & 0xFFFFFF)) {
                    same = false;
                    break;
                }
            }
        }
        back->Unlock(whole);
        return same;
    }
};

std::unique_ptr<World> g_world;
World& W() { return *g_world; }

void Frame_DX7Draw(benchmark::State& st) {
    World& w = W();
    for (auto _ : st) {
        w.FrameVexo();
        benchmark::ClobberMemory();
    }
    st.counters["fps"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
}
void Frame_SDL(benchmark::State& st) {
    World& w = W();
    for (auto _ : st) {
        w.FrameSdl();
        benchmark::ClobberMemory();
    }
    st.counters["fps"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(Frame_DX7Draw)->Unit(benchmark::kMicrosecond);
BENCHMARK(Frame_SDL)->Unit(benchmark::kMicrosecond);

// The fastest CPU time per benchmark over repetitions (the median when only
// aggregates are reported): the machine is shared, so wall time is noisy.
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

}  // namespace

int main(int argc, char** argv) {
    setenv("VEXO_BACKEND", "headless", 0);
    SDL_Init(0);
    benchmark::Initialize(&argc, argv);
    g_world = std::make_unique<World>();
    World& w = W();
    if (!w.ok) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    std::printf("%d sprites of %dx%d, %.0f %% key pixels; frames %s\n", kCount, kSprite, kSprite,
                100 * w.keyShare, w.SamePixels() ? "identical to SDL2's" : "DIFFER FROM SDL2's");
    Collector rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    const double* ours = rep.Time("Frame_DX7Draw");
    const double* peer = rep.Time("Frame_SDL");
    if (ours && peer) {
        const double x = *peer / *ours;
        std::printf("\nframe rate ratio (DX7Draw / SDL2): %.2fx  (target >= 1.50x: %s)\n", x,
                    x >= 1.5 ? "met" : "NOT MET");
    }
    g_world.reset();
    benchmark::Shutdown();
    SDL_Quit();
    return 0;
}
