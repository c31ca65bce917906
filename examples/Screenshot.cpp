// Saving the last presented frame: the visible part of the window's client
// area on the screen, through the display's own PNG writer.
#include "Demo.h"
#include "platform/display/Display.h"

namespace demo {

bool SaveLastFrame(const std::string& path, vexo::HWND window) { return vexo::plat::SaveWindowPng(window, path); }

}  // namespace demo
