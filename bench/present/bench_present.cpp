// Presenting a 640 x 480 frame in a real window: DX7Draw's windowed DDFlip on
// the SDL2 backend (the blit into the screen, its conversion, the texture
// upload and the present), next to the same upload done directly with SDL2
// (SDL_UpdateTexture + SDL_RenderCopy + SDL_RenderPresent, vsync off) in the
// same run. Both wait for nothing: VEXO_NO_VSYNC=1 turns the refresh wait of
// DDFlip off. Uses $DISPLAY, or starts a private Xvfb when there is none.
// Times are wall-clock (the X server's share of a present is real work).
// The backend asks SDL for unaccelerated window framebuffers, a process-wide
// hint, so the direct path's software renderer presents the same way.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../../tests/sdl_window/XServer.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"

namespace {

using namespace vexo;

constexpr int kW = 640, kH = 480;

uint32_t Pattern(int x, int y, int frame) { return uint32_t((x + frame) & 255) << 16 | uint32_t(y & 255) << 8 | 0x40; }

struct Ours {
    HWND wnd = 0;
    DX7Draw draw;
    Ref<DirectDrawSurface7> back;
    int frame = 0;
    bool Open() {
        wnd = plat::CreateWindow("bench_present DX7Draw", 40, 40, kW, kH);
        back = draw.DDSetup(wnd, kW, kH, NORMALSCREEN);
        if (back.IsNothing()) return false;
        RECT all{};
        DDSURFACEDESC2 d{};
        back->Lock(all, d, DDLOCK_WAIT, 0);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) back->SetLockedPixel(x, y, int32_t(Pattern(x, y, 0)));
        back->Unlock(all);
        return true;
    }
    void Frame() {
        // A changed frame each time, drawn the way a game draws.
        draw.DDFillRect(back, (frame * 7) % (kW - 16), 0, (frame * 7) % (kW - 16) + 16, 16, RGB(255, frame & 255, 0));
        draw.DDFlip();
        if ((++frame & 63) == 0) api::DoEvents();
    }
    void Close() {
        back = nullptr;
        draw.DDClose();
        plat::DestroyWindow(wnd);
    }
};

struct Direct {
    SDL_Window* win = nullptr;
    SDL_Renderer* ren = nullptr;
    SDL_Texture* tex = nullptr;
    std::vector<uint32_t> pixels;
    int frame = 0;
    bool Open() {
        // The same renderer the backend takes (SDL_RENDER_DRIVER changes both).
        win = SDL_CreateWindow("bench_present SDL2", 720, 40, kW, kH, SDL_WINDOW_SHOWN);
        if (!win) return false;
        ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
        if (!ren) return false;
        tex = SDL_CreateTexture(ren, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kW, kH);
        pixels.resize(size_t(kW) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) pixels[size_t(y) * kW + size_t(x)] = Pattern(x, y, 0);
        return tex != nullptr;
    }
    void Frame() {
        const int x0 = (frame * 7) % (kW - 16);
        for (int y = 0; y < 16; ++y)
            for (int x = x0; x < x0 + 16; ++x) pixels[size_t(y) * kW + size_t(x)] = 0xFF0000u | uint32_t(frame & 255) << 8;
        SDL_UpdateTexture(tex, nullptr, pixels.data(), kW * 4);
        SDL_RenderCopy(ren, tex, nullptr, nullptr);
        SDL_RenderPresent(ren);
        if ((++frame & 63) == 0) {
            SDL_Event e;
            while (SDL_PollEvent(&e)) {
            }
        }
    }
    void Close() {
        if (tex) SDL_DestroyTexture(tex);
        if (ren) SDL_DestroyRenderer(ren);
        if (win) SDL_DestroyWindow(win);
    }
};

Ours* g_ours = nullptr;
Direct* g_direct = nullptr;

void Present_DDFlip(benchmark::State& st) {
    for (auto _ : st) g_ours->Frame();
    st.counters["fps"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
}
void Present_SDL2Direct(benchmark::State& st) {
    for (auto _ : st) g_direct->Frame();
    st.counters["fps"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(Present_DDFlip)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.3);
BENCHMARK(Present_SDL2Direct)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.3);

// The fastest wall time per benchmark over repetitions (the machine is
// shared, so single runs are noisy).
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration) continue;
            const std::string name = r.run_name.function_name;
            const double t = r.GetAdjustedRealTime();
            auto it = fastest.find(name);
            if (it == fastest.end() || t < it->second) fastest[name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // The X server shares the processor with everything else on the machine:
    // interleaved repetitions, and the fastest of each, unless asked otherwise.
    std::vector<char*> args(argv, argv + argc);
    char reps[] = "--benchmark_repetitions=10", mix[] = "--benchmark_enable_random_interleaving=true";
    bool asked = false;
    for (int i = 1; i < argc; ++i) asked |= std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    if (!asked) {
        args.push_back(reps);
        args.push_back(mix);
    }
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    xtest::XServer x;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        if (!x.Start(1600, 900)) {
            std::fprintf(stderr, "no display and no Xvfb: %s\n", x.Error().c_str());
            return 1;
        }
        setenv("DISPLAY", x.Display().c_str(), 1);
    }
    setenv("VEXO_BACKEND", "sdl", 1);
    setenv("VEXO_NO_VSYNC", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    plat::SetDesktop(1600, 900, 32);
    if (plat::BackendName() != "sdl") {
        std::fprintf(stderr, "the SDL2 backend did not start\n");
        return 1;
    }
    Ours ours;
    Direct direct;
    if (!ours.Open() || !direct.Open()) {
        std::fprintf(stderr, "cannot open the windows: %s\n", SDL_GetError());
        return 1;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(direct.ren, &info);
    std::printf("display %s, renderer %s, %dx%d frames\n", std::getenv("DISPLAY"), info.name, kW, kH);
    g_ours = &ours;
    g_direct = &direct;
    Collector rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    const auto a = rep.fastest.find("Present_DDFlip"), b = rep.fastest.find("Present_SDL2Direct");
    if (a != rep.fastest.end() && b != rep.fastest.end()) {
        const double ratio = a->second / b->second;
        std::printf("\nDDFlip %.0f fps, SDL2 direct %.0f fps; time per frame ratio (DDFlip / SDL2): %.2fx  "
                    "(target <= 1.20x: %s)\n",
                    1e6 / a->second, 1e6 / b->second, ratio, ratio <= 1.2 ? "met" : "NOT MET");
    }
    ours.Close();
    direct.Close();
    benchmark::Shutdown();
    return 0;
}
