// The presentation backends, as a table in order of preference chosen once
// at start-up (VEXO_BACKEND=headless|sdl forces one by name). A backend
// shows the screen, follows the application's windows, pumps events and
// paces to the refresh; everything else (surfaces, windows, pixels) lives in
// the software display and is identical whichever backend runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/Types.h"

namespace vexo::plat {

// The screen as 32-bit XRGB pixels (blue in the low byte; the top byte may
// hold anything).
struct Frame {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // in pixels
};

// What a backend reports back to the display (user actions on its windows).
class BackendEvents {
public:
    virtual ~BackendEvents() = default;
    // The user moved or resized a window: new outer position (screen) and size.
    virtual void WindowMovedByUser(HWND hwnd, int32_t x, int32_t y, int32_t outerW, int32_t outerH) = 0;
    virtual void WindowCloseRequested(HWND hwnd) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;

    // Windows, in screen coordinates; `client` is the client area on the screen.
    virtual void WindowCreated(HWND, const std::string& /*title*/, const RECT& /*outer*/,
                               const RECT& /*client*/, HWND /*parent*/) {}
    virtual void WindowChanged(HWND, const RECT& /*outer*/, const RECT& /*client*/) {}
    virtual void WindowDestroyed(HWND) {}

    // The screen changed size or depth; `exclusive` is a full-screen mode
    // owned by `hwnd`.
    virtual void ModeChanged(int32_t /*w*/, int32_t /*h*/, int32_t /*bpp*/, bool /*exclusive*/, HWND /*hwnd*/) {}
    // False when the backend does not look at frames: the display then
    // converts the screen only when someone asks for it (a saved PNG).
    virtual bool WantsFrames() const { return false; }
    // Shows `frame`; only `dirty` changed since the previous call.
    virtual void Present(const Frame& /*frame*/, const RECT& /*dirty*/) {}

    virtual void PumpEvents() {}
    // Returns at the start of the next refresh (60 Hz unless the backend
    // knows better).
    virtual void WaitForVerticalBlank() = 0;
    virtual int32_t RefreshRate() const { return 60; }
    virtual void SetCursorVisible(bool) {}

    // A modal message box; -1 when the backend shows none (the host then
    // writes the message to stderr and answers OK).
    virtual int32_t MessageBox(const std::string& /*prompt*/, int32_t /*buttons*/, const std::string& /*title*/) {
        return -1;
    }
};

// One entry of the backend table.
struct BackendBootstrap {
    const char* name;
    const char* description;
    bool (*available)();                                  // can it run here?
    std::unique_ptr<Backend> (*create)(BackendEvents&);   // null: not built
};

// The backend chosen at start-up (created on first use).
Backend& ActiveBackend(BackendEvents& events);

// Pacing shared by backends without a real vertical blank: sleeps until the
// next 1/rate tick of the steady clock; returns at once when VEXO_NO_VSYNC=1.
void SleepUntilNextRefresh(int32_t rate);

// Writes `frame` (or its `r` part) as an RGB PNG; false on failure.
bool WritePng(const std::string& path, const Frame& frame, const RECT& r);

std::unique_ptr<Backend> CreateHeadlessBackend(BackendEvents& events);

}  // namespace vexo::plat
