// The backend table and the choice made at start-up.
#include "platform/backend/Backend.h"
#include "platform/backend/Sdl.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace vexo::plat {

namespace {

bool DisplayPresent() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}
bool Always() { return true; }

// In order of preference. An entry without a create function, or whose
// create gives nothing (SDL's video cannot start), is passed over.
const BackendBootstrap kBootstrap[] = {
    {"sdl", "SDL2 windows on a desktop", DisplayPresent, CreateSdlBackend},
    {"headless", "virtual screen in memory, frames saved on request", Always, CreateHeadlessBackend},
};

std::unique_ptr<Backend> Choose(BackendEvents& events) {
    const char* forced = std::getenv("VEXO_BACKEND");
    if (forced && *forced) {
        for (const BackendBootstrap& b : kBootstrap) {
            if (std::strcmp(b.name, forced) == 0) {
                if (b.create)
                    if (auto made = b.create(events)) return made;
                std::fprintf(stderr, "vexo: backend '%s' cannot run here; using the next available\n", forced);
            }
        }
    }
    for (const BackendBootstrap& b : kBootstrap) {
        if (b.create && b.available())
            if (auto made = b.create(events)) return made;
    }
    return CreateHeadlessBackend(events);
}

}  // namespace

Backend& ActiveBackend(BackendEvents& events) {
    // Never destroyed: surfaces and windows may still talk to it while the
    // process exits.
    static Backend* backend = Choose(events).release();
    return *backend;
}

void SleepUntilNextRefresh(int32_t rate) {
    const char* novsync = std::getenv("VEXO_NO_VSYNC");
    if (novsync && std::strcmp(novsync, "1") == 0) return;
    if (rate <= 0) rate = 60;
    using clock = std::chrono::steady_clock;
    const auto now = clock::now().time_since_epoch();
    const auto period = std::chrono::nanoseconds(1000000000LL / rate);
    const auto next = (now / period + 1) * period;
    std::this_thread::sleep_until(clock::time_point(std::chrono::duration_cast<clock::duration>(next)));
}

}  // namespace vexo::plat
