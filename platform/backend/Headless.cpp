// The headless backend: the screen exists only in memory. It is a real
// backend (pacing, cursor state, window bookkeeping come from the display);
// with VEXO_HEADLESS_FRAMES=<dir> it also saves every presented frame there
// as frame-00000.png, frame-00001.png, ...
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/backend/Backend.h"

namespace vexo::plat {

namespace {

class HeadlessBackend final : public Backend {
public:
    HeadlessBackend() {
        const char* dir = std::getenv("VEXO_HEADLESS_FRAMES");
        if (dir && *dir) dumpDir_ = dir;
    }
    const char* Name() const override { return "headless"; }
    bool WantsFrames() const override { return !dumpDir_.empty(); }
    void Present(const Frame& frame, const RECT&) override {
        if (dumpDir_.empty()) return;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%05u.png", count_++);
        WritePng(dumpDir_ + name, frame, RECT{0, 0, frame.width, frame.height});
    }
    void WaitForVerticalBlank() override { SleepUntilNextRefresh(RefreshRate()); }

private:
    std::string dumpDir_;
    unsigned count_ = 0;
};

}  // namespace

std::unique_ptr<Backend> CreateHeadlessBackend(BackendEvents&) { return std::make_unique<HeadlessBackend>(); }

}  // namespace vexo::plat
