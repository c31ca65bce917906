// Set-up shared by the graphics component's fuzz targets: a windowed display
// on the headless backend, opened once per process, and the per-process file
// the path-taking targets hand their bytes through.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Platform.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"

namespace vexo::fuzz {

// The component with its display open on a desktop of `bpp` bits. Never
// destroyed: the process ends with the fuzzer.
inline DX7Draw& OpenDisplay(int32_t bpp, int32_t w = 64, int32_t h = 48) {
    setenv("VEXO_BACKEND", "headless", 0);
    setenv("VEXO_NO_VSYNC", "1", 1);
    plat::SetDesktop(640, 480, bpp);
    static DX7Draw* dd = new DX7Draw;
    const HWND wnd = CurrentPlatform().Windows().CreateAppWindow("fuzz", 0, 0, w, h, 0);
    if (dd->DDSetup(wnd, w, h, NORMALSCREEN).IsNothing()) {
        std::fprintf(stderr, "fuzz: the display did not open\n");
        std::abort();
    }
    return *dd;
}

// A file in memory-backed /dev/shm, named per process so that parallel jobs
// keep apart; removed again by each run.
class ShmFile {
public:
    explicit ShmFile(const char* tag)
        : path_("/dev/shm/vexo-fuzz-" + std::string(tag) + "-" + std::to_string(::getpid())) {}
    const std::string& Path() const { return path_; }
    void Write(const uint8_t* data, size_t size) const {
        FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f || (size && std::fwrite(data, 1, size, f) != size)) std::abort();
        std::fclose(f);
    }
    void Remove() const { std::remove(path_.c_str()); }

private:
    std::string path_;
};

}  // namespace vexo::fuzz
