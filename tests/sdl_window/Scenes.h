// The frames the window tests draw. The same code runs twice: in a child
// process on the headless backend, which saves what the screen shows, and
// in the test process on the SDL2 backend, whose windows are captured from
// the X server and compared with those saved pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace scenes {

inline constexpr int kDesktopW = 1024, kDesktopH = 768;

// Pixels of a screen rectangle as RGB colours (red in the low byte).
struct Shot {
    vexo::RECT where;
    std::vector<uint32_t> px;
};
// What the display shows in r (ScreenPixel).
Shot TakeFromDisplay(const vexo::RECT& r);
bool Save(const Shot& s, const std::string& path);
bool Load(Shot& s, const std::string& path);
// The visible client area of a window on the screen, as a clipper gives it.
vexo::RECT ClientOnScreen(vexo::HWND hwnd);

// A 320 x 240 windowed display: fills, a keyed and a plain DDBlt of a
// gradient sprite, DDFlip.
class Windowed {
public:
    static constexpr const char* kTitle = "vexo windowed test";
    void Start();
    void Flip() { draw_.DDFlip(); }
    void Stop();
    vexo::HWND Window() const { return hwnd_; }

private:
    vexo::DX7Draw draw_;
    vexo::HWND hwnd_ = 0;
    vexo::Ref<vexo::DirectDrawSurface7> back_, sprite_;
};

// A 320 x 240 x 8 full-screen mode: stripes of palette indices flipped to
// the front, then the palette's entries changed without redrawing.
class FullScreen8 {
public:
    static constexpr const char* kTitle = "vexo full-screen test";
    static constexpr int kW = 320, kH = 240;
    void Start();
    void ChangePalette();
    void Stop();  // the desktop back, as DDClose does it
    vexo::HWND Window() const { return hwnd_; }

private:
    vexo::HWND hwnd_ = 0;
    vexo::Ref<vexo::DirectDraw7> dd_;
    vexo::Ref<vexo::DirectDrawSurface7> primary_, back_;
    vexo::Ref<vexo::DirectDrawPalette> pal_;
};

// Runs every scene on the platform in force and saves its shots in dir
// (windowed.bin, full-before.bin, full-after.bin).
bool WriteReference(const std::string& dir);

}  // namespace scenes
