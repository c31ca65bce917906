// A small game on an installed Vexo: a window, a ball with a colour key that
// the arrow keys move, a beep when it starts moving, a tune throughout and a
// title in the system's sans-serif font.
// The last frame is saved as a PNG. Headless (no display, or
// VEXO_BACKEND=headless) it runs a fixed number of frames, and --hold-right
// presses the Right arrow through the virtual keyboard.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Assets.h"
#include "vexo/common/Platform.h"
#include "vexo/draw/DX7Draw.h"
#include "vexo/input/DXInput.h"
#include "vexo/music/DXMusic.h"
#include "vexo/platform/display/Display.h"
#include "vexo/platform/input/VirtualInput.h"
#include "vexo/sound/DX7Sound.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kStartX = 40, kStartY = 100, kStep = 4;
constexpr int kBackground = game::Rgb(0, 0, 160);
constexpr int kTextColour = game::Rgb(255, 255, 0);
constexpr uint8_t kEscape = 1, kUp = 200, kLeft = 203, kRight = 205, kDown = 208;
constexpr int32_t kBeep = 1, kTune = 0;

struct Options {
    int frames = -1;  // -1: until the window closes (headless: 30)
    int holdRight = 0;
    std::string png = "vexo-consumer.png";
    std::string assets = (std::filesystem::temp_directory_path() / "vexo-consumer").string();
};

void Help() {
    std::printf(
        "usage: vexo-consumer [options]\n"
        "  --frames N       stop after N frames (default: when the window closes; headless 30)\n"
        "  --hold-right N   hold the Right arrow through the virtual keyboard for the first N frames\n"
        "  --png FILE       save the last frame to FILE (default vexo-consumer.png)\n"
        "  --assets DIR     write the sprite, the beep and the tune to DIR (default: a temporary folder)\n"
        "  --help           show this help\n"
        "Arrow keys move the ball; Escape quits.\n");
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            Help();
            std::exit(0);
        }
        if (i + 1 >= argc || (a != "--frames" && a != "--hold-right" && a != "--png" && a != "--assets")) {
            std::fprintf(stderr, "vexo-consumer: unknown option or missing value: %s (--help lists them)\n",
                         a.c_str());
            return false;
        }
        const std::string v = argv[++i];
        if (a == "--frames") o.frames = std::atoi(v.c_str());
        if (a == "--hold-right") o.holdRight = std::atoi(v.c_str());
        if (a == "--png") o.png = v;
        if (a == "--assets") o.assets = v;
    }
    if (o.frames < 0 && vexo::plat::BackendName() == "headless") o.frames = 30;
    return true;
}

int Play(const Options& opt, vexo::DX7Draw& draw, vexo::DXInput& input, vexo::DX7Sound& sound,
         vexo::DXMusic& music) {
    std::error_code ec;
    std::filesystem::create_directories(opt.assets, ec);
    const std::string sprite = opt.assets + "/ball.bmp", beep = opt.assets + "/beep.wav",
                      tune = opt.assets + "/tune.mid";
    for (const std::string& f : {sprite, beep, tune}) {
        errno = 0;
        const bool ok = f == sprite ? game::WriteSprite(f) : f == beep ? game::WriteBeep(f) : game::WriteTune(f);
        if (!ok) {
            std::fprintf(stderr, "vexo-consumer: cannot write %s: %s\n", f.c_str(), std::strerror(errno));
            return 1;
        }
    }

    vexo::WindowService& windows = vexo::CurrentPlatform().Windows();
    const vexo::HWND hwnd = windows.CreateAppWindow("Vexo consumer", 80, 60, kWidth, kHeight, 0);
    vexo::Ref<vexo::DirectDrawSurface7> back = draw.DDSetup(hwnd, kWidth, kHeight, vexo::NORMALSCREEN);
    if (!hwnd || back.IsNothing()) {
        std::fprintf(stderr, "vexo-consumer: cannot open a %d x %d window\n", kWidth, kHeight);
        return 1;
    }
    vexo::Ref<vexo::DirectDrawSurface7> ball = draw.DDCreateSurfaceFromFile(sprite);
    if (ball.IsNothing()) {
        std::fprintf(stderr, "vexo-consumer: cannot load %s\n", sprite.c_str());
        return 1;
    }
    draw.DDSetColorKey(ball, game::kKeyColour);

    input.DIKeyBordSetup(static_cast<int32_t>(hwnd));
    int32_t rc = sound.DsSetup(static_cast<int32_t>(hwnd));
    int32_t beepSlot = kBeep;
    if (rc == 0) rc = sound.DsCreate(beepSlot, beep);
    std::printf("sound: %s\n", rc == 0 ? "beep loaded" : "none");
    rc = music.DMSetup();
    if (rc == 0) rc = music.DMCreateSegment(kTune, tune);
    if (rc == 0) rc = music.DMPlay(kTune);
    std::printf("music: %s\n", rc == 0 ? "tune playing" : "none");

    if (opt.holdRight > 0) vexo::plat::input::PressKey(kRight);
    int x = kStartX, y = kStartY, frame = 0;
    bool moving = false, beeped = false;
    for (; opt.frames < 0 || frame < opt.frames; ++frame) {
        if (frame == opt.holdRight) vexo::plat::input::ReleaseKey(kRight);
        vexo::api::DoEvents();
        bool closed = !windows.IsWindow(hwnd);
        for (vexo::HWND h : vexo::plat::TakeCloseRequests()) closed = closed || h == hwnd;
        input.DIUpdate();
        if (closed || input.DIGetKeyState(kEscape)) break;
        const int dx = input.DIGetKeyState(kRight) - input.DIGetKeyState(kLeft);
        const int dy = input.DIGetKeyState(kDown) - input.DIGetKeyState(kUp);
        if ((dx || dy) && !moving && sound.DsPlay(beepSlot) == 0 && !beeped) {
            std::printf("sound: beep played\n");
            beeped = true;
        }
        moving = dx || dy;
        x = std::clamp(x + dx * kStep, 0, kWidth - game::kSpriteSize);
        y = std::clamp(y + dy * kStep, 0, kHeight - game::kSpriteSize);

        draw.DDFillRect(back, 0, 0, kWidth, kHeight, kBackground);
        draw.DDBlt(ball, back, 0, 0, game::kSpriteSize, game::kSpriteSize, x, y);
        // Text comes through fontconfig: it shows that the installed library finds its fonts.
        const vexo::HDC dc = back->GetDC();
        std::string title = "Vexo";
        draw.DDTextOut(dc, title, 8, 8, kTextColour);
        back->ReleaseDC(dc);
        draw.DDFlip();
    }
    vexo::plat::input::ReleaseKey(kRight);

    errno = 0;
    const bool saved = vexo::plat::SaveWindowPng(hwnd, opt.png);
    if (saved)
        std::printf("%d frames; ball at %d,%d; last frame saved to %s\n", frame, x, y, opt.png.c_str());
    else
        std::fprintf(stderr, "vexo-consumer: cannot save %s: %s\n", opt.png.c_str(),
                     errno ? std::strerror(errno) : "the window is not on the screen");

    music.DMClose();
    sound.DsClose();
    input.DIClose();
    ball = nullptr;
    back = nullptr;
    draw.DDClose();
    if (windows.IsWindow(hwnd)) windows.DestroyAppWindow(hwnd);
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!Parse(argc, argv, opt)) return 2;
    try {
        vexo::DX7Draw draw;
        vexo::DXInput input;
        vexo::DX7Sound sound;
        vexo::DXMusic music;
        return Play(opt, draw, input, sound, music);
    } catch (const vexo::VbError& e) {
        std::fprintf(stderr, "vexo-consumer: error %d (%s)\n", e.number(), vexo::api::ErrorText(e.number()).c_str());
        return 1;
    }
}
