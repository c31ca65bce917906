// Saving the last presented frame: the part of the screen the window's
// picture went to, through the display's own PNG writer.
#include "Demo.h"
#include "platform/backend/Backend.h"
#include "platform/display/Screen.h"

namespace demo {

bool SaveLastFrame(const std::string& path, const vexo::RECT& screenRect) {
    const vexo::plat::Frame frame = vexo::plat::Screen().CurrentFrame();
    vexo::RECT r = screenRect;
    // Keep to the screen; an empty rectangle saves the whole screen.
    if (r.IsAllZero()) r = vexo::RECT{0, 0, frame.width, frame.height};
    if (r.Left < 0) r.Left = 0;
    if (r.Top < 0) r.Top = 0;
    if (r.Right > frame.width) r.Right = frame.width;
    if (r.Bottom > frame.height) r.Bottom = frame.height;
    if (r.Right <= r.Left || r.Bottom <= r.Top) return false;
    return vexo::plat::WritePng(path, frame, r);
}

}  // namespace demo
