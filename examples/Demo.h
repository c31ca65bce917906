// The demo game's skeleton: one window, one DX7Draw display, and a list of
// modules (the scene, and later input, sound and music) that the main loop
// starts, runs once per frame and stops.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "draw/DX7Draw.h"

namespace demo {

struct Context {
    vexo::DX7Draw& draw;
    vexo::HWND window = 0;
    vexo::Ref<vexo::DirectDrawSurface7> back;  // the display's back buffer
    std::string assetDir;                      // generated files go here
    int width = 640;
    int height = 480;
    int frame = 0;
    bool quit = false;  // a module may end the run
};

class Module {
public:
    virtual ~Module() = default;
    virtual const char* Name() const = 0;
    // False stops the demo before the first frame.
    virtual bool Start(Context& ctx) = 0;
    virtual void Frame(Context& ctx) = 0;
    virtual void Stop(Context&) {}
};

// The garden scene: sky, clouds, tiles, coins, a walking hero.
std::unique_ptr<Module> MakeGardenScene();

// Saves what the screen shows of the window's client area as a PNG.
bool SaveLastFrame(const std::string& path, vexo::HWND window);

}  // namespace demo
