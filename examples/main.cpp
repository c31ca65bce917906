// vexo-demo: a little garden game drawn with DX7Draw. In a window it runs
// until the window closes (or --frames N); headless it runs a fixed number
// of frames. The last frame is saved as a PNG either way.
//
//   vexo-demo [--frames N] [--png FILE] [--assets DIR] [--activate]
//
// --activate creates the four component objects by program identifier
// through the activation layer instead of as plain C++ objects.
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

// Asks the platform, which falls back to headless when a window cannot open
// even though one was asked for.
bool Headless() { return vexo::plat::BackendName() == "headless"; }

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames" && hasValue) {
            o.frames = std::atoi(argv[++i]);
        } else if (a == "--png" && hasValue) {
            o.png = argv[++i];
        } else if (a == "--assets" && hasValue) {
            o.assets = argv[++i];
        } else if (a == "--activate") {
            o.activate = true;
        } else if (demo::GameOption(argc, argv, i)) {
        } else {
            std::fprintf(stderr, "usage: %s [--frames N] [--png FILE] [--assets DIR] [--activate] %s\n", argv[0],
                         demo::GameUsage());
            return false;
        }
    }
    if (o.frames < 0 && Headless()) o.frames = 120;
    if (o.assets.empty()) o.assets = (std::filesystem::temp_directory_path() / "vexo-demo").string();
    return true;
}

int Run(const Options& opt) {
    std::error_code ec;
    std::filesystem::create_directories(opt.assets, ec);

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
        if (!demo::SaveLastFrame(opt.png, hwnd)) {
            std::fprintf(stderr, "cannot save %s\n", opt.png.c_str());
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
    if (!Parse(argc, argv, opt)) return 2;
    int rc = 1;
    try {
        if (demo::OpenComponents(opt.activate)) rc = Run(opt);
    } catch (const vexo::VbError& e) {
        std::fprintf(stderr, "platform error %d\n", e.number());
        rc = 1;
    }
    if (!demo::CloseComponents()) rc = 1;
    return rc;
}
