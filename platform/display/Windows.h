// Application windows on the virtual screen: position, classic frame,
// client area, parent. The backend is told about every change so that a
// real window (SDL2) can follow.
#pragma once

#include <map>
#include <string>

#include "common/Platform.h"

namespace vexo::plat {

// A classic frame: 4 pixels each side, a 19-pixel caption above the client
// area (8 pixels of extra width and 27 of extra height in all).
inline constexpr int32_t kFrameLeft = 4, kFrameTop = 23, kFrameRight = 4, kFrameBottom = 4;

class WindowTable final : public WindowService {
public:
    int32_t GetWindowRect(HWND hwnd, RECT& r) override;
    int32_t GetClientRect(HWND hwnd, RECT& r) override;
    int32_t SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         int32_t flags) override;
    HWND GetParent(HWND hwnd) override;
    int32_t ClientToScreen(HWND hwnd, POINT& p) override;
    int32_t IsWindow(HWND hwnd) override;
    HWND CreateAppWindow(const std::string& title, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         HWND parent) override;
    void DestroyAppWindow(HWND hwnd) override;
    int32_t ShowCursor(int32_t show) override;

    // The client area in screen coordinates (may reach off the screen).
    bool ClientOnScreen(HWND hwnd, RECT& r) const;
    // The part of the client area that can be seen: inside the screen and
    // inside every ancestor's client area. False when `hwnd` is no window.
    bool VisibleClient(HWND hwnd, const RECT& screen, RECT& r) const;
    int32_t CursorCount() const { return cursor_; }
    // A move or resize made by the user on a real window.
    void MovedByUser(HWND hwnd, int32_t x, int32_t y, int32_t outerW, int32_t outerH);

private:
    struct Window {
        std::string title;
        HWND parent = 0;
        int64_t x = 0, y = 0;  // outer position, relative to the parent's client area
        int64_t w = 0, h = 0;  // outer size
    };
    bool OuterOnScreen(HWND hwnd, int64_t& x, int64_t& y) const;
    void Notify(HWND hwnd);

    std::map<HWND, Window> windows_;
    HWND next_ = 0x10010;
    int32_t cursor_ = 0;
};

WindowTable& Windows();

}  // namespace vexo::plat
