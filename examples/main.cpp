// vexo-demo: a little garden game drawn with DX7Draw. In a window it runs
// until the window closes (or --frames N); headless it runs a fixed number
// of frames. The last frame is saved as a PNG either way.
//
//   vexo-demo [--frames N] [--png FILE] [--assets DIR] [--activate] [--help]
//
// --activate creates the four component objects by program identifier
// through the activation layer instead of as plain C++ objects.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Components.h"
#include "Demo.h"
#include "Game.h"
#include "common/Platform.h"
#include "platform/display/Display.h"

namespace {

struct Options {
    int frames = -1;  // -1: until the window closes (headless: 120)
    std::string png = "vexo-demo-last-frame.png";
    std::string assets;
    bool activate = false;
};

std::string DefaultAssets() { return (std::filesystem::temp_directory_path() / "vexo-demo").string(); }

// Asks the platform, which falls back to headless when a window cannot open
// even though one was asked for.
bool Headless() { return vexo::plat::BackendName() == "headless"; }

void Help(const char* program) {
    std::printf("usage: %s [options]\n"
                "A garden game on the four components. In a window it runs until the window closes;\n"
                "headless (no display, or VEXO_BACKEND=headless) it runs 120 frames. The last frame is saved.\n"
                "  --frames N                   stop after N frames (default: when the window closes; headless 120)\n"
                "  --png FILE                   save the last frame as a PNG to FILE (default %s)\n"
                "  --assets DIR                 write the generated pictures, sounds and tunes to DIR\n"
                "                               (default %s)\n"
                "  --activate                   create the four objects by program identifier through the\n"
                "                               automation layer instead of as plain C++ objects\n"
                "%s"
                "  --help                       show this help\n",
                program, Options{}.png.c_str(), DefaultAssets().c_str(), demo::GameHelp());
}

// Why `path` cannot be written ("" when it can). Opened for appending, so an
// existing file keeps its bytes; a file made only to ask is removed again.
std::string CannotWrite(const std::string& path) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return std::strerror(errno);
    std::fclose(f);
    if (!existed) std::filesystem::remove(path, ec);
    return {};
}

// The files and the folder a run writes, checked before the first frame so
// that a bad name costs no run and the message says what is wrong with it.
bool CheckOutputs(const Options& o) {
    std::error_code ec;
    std::filesystem::create_directories(o.assets, ec);
    if (!ec && !std::filesystem::is_directory(o.assets, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    std::string why = ec ? ec.message() : CannotWrite(o.assets + "/sprites.bmp");
    if (!why.empty()) {
        std::fprintf(stderr, "vexo-demo: cannot use %s as the assets folder: %s\n", o.assets.c_str(), why.c_str());
        return false;
    }
    for (const std::string& file : {o.png, demo::GameWavFile()}) {
        if (file.empty()) continue;
        why = CannotWrite(file);
        if (!why.empty()) {
            std::fprintf(stderr, "vexo-demo: cannot write %s: %s\n", file.c_str(), why.c_str());
            return false;
        }
    }
    return true;
}

bool TakesValue(const std::string& a) {
    for (const char* o : {"--frames", "--png", "--assets", "--scene", "--wav", "--fps"})
        if (a == o) return true;
    return false;
}

// 0: parsed; 1: --help shown; 2: a bad option (told on stderr).
int Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            Help(argv[0]);
            return 1;
        } else if (a == "--frames" && hasValue) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*argv[i] == 0 || *end != 0 || n < 0 || n > 100000000) {
                std::fprintf(stderr, "vexo-demo: --frames takes a whole number of frames, not %s\n", argv[i]);
                return 2;
            }
            o.frames = static_cast<int>(n);
        } else if (a == "--png" && hasValue) {
            o.png = argv[++i];
        } else if (a == "--assets" && hasValue) {
            o.assets = argv[++i];
        } else if (a == "--activate") {
            o.activate = true;
        } else if (demo::GameOption(argc, argv, i)) {
        } else {
            std::fprintf(stderr, "vexo-demo: %s %s\nusage: %s [--frames N] [--png FILE] [--assets DIR] [--activate] %s\n"
                         "(--help says what each does)\n",
                         !hasValue && TakesValue(a) ? "missing value after" : "unknown option or bad value:",
                         a.c_str(), argv[0], demo::GameUsage());
            return 2;
        }
    }
    if (o.frames < 0 && Headless()) o.frames = 120;
    if (o.assets.empty()) o.assets = DefaultAssets();
    return 0;
}

int Run(const Options& opt) {
    // A modest virtual desktop: room for the window, little to convert when
    // the screen is saved.
    vexo::plat::SetDesktop(1024, 768, 32);
    vexo::WindowService& windows = vexo::CurrentPlatform().Windows();
    const vexo::HWND hwnd = windows.CreateAppWindow("Vexo garden", 80, 60, 320, 240, 0);
    if (!hwnd) {
        std::fprintf(stderr, "cannot create the window\n");
        return 1;
    }

    vexo::DX7Draw& draw = demo::Draw();
    demo::Context ctx{draw, hwnd, {}, opt.assets};
    ctx.back = draw.DDSetup(hwnd, ctx.width, ctx.height, vexo::NORMALSCREEN);
    if (ctx.back.IsNothing()) {
        std::fprintf(stderr, "cannot open the display\n");
        windows.DestroyAppWindow(hwnd);
        return 1;
    }

    std::vector<std::unique_ptr<demo::Module>> modules;
    modules.push_back(demo::MakeGame(opt.frames, opt.png));
    size_t started = 0;
    for (; started < modules.size(); ++started) {
        if (!modules[started]->Start(ctx)) {
            std::fprintf(stderr, "module %s failed to start\n", modules[started]->Name());
            break;
        }
    }

    int rc = started == modules.size() ? 0 : 1;
    if (rc == 0) {
        for (ctx.frame = 0; opt.frames < 0 || ctx.frame < opt.frames; ++ctx.frame) {
            vexo::api::DoEvents();
            for (vexo::HWND closed : vexo::plat::TakeCloseRequests())
                if (closed == hwnd) ctx.quit = true;
            if (!windows.IsWindow(hwnd) || ctx.quit) break;
            for (auto& m : modules) m->Frame(ctx);
            draw.DDFlip();
        }
        errno = 0;
        if (!demo::SaveLastFrame(opt.png, hwnd)) {
            std::fprintf(stderr, "vexo-demo: cannot save %s: %s\n", opt.png.c_str(),
                         errno ? std::strerror(errno) : "the window is not on the screen");
            rc = 1;
        } else {
            std::printf("%d frames; last frame saved to %s\n", ctx.frame, opt.png.c_str());
        }
    }
    while (started > 0) modules[--started]->Stop(ctx);
    modules.clear();  // the modules' components go before the display

    ctx.back = nullptr;
    draw.DDClose();
    if (windows.IsWindow(hwnd)) windows.DestroyAppWindow(hwnd);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (const int parsed = Parse(argc, argv, opt)) return parsed == 1 ? 0 : 2;
    if (!CheckOutputs(opt)) return 1;
    int rc = 1;
    try {
        if (demo::OpenComponents(opt.activate)) rc = Run(opt);
    } catch (const vexo::VbError& e) {
        std::fprintf(stderr, "vexo-demo: platform error %d (%s)\n", e.number(), vexo::api::ErrorText(e.number()).c_str());
        rc = 1;
    }
    if (!demo::CloseComponents()) rc = 1;
    return rc;
}
