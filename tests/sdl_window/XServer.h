// A private X server (Xvfb on a free display number) for the window tests,
// and what a test does on it as a user would: look at the screen, move a
// window, press its close button.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace xtest {

class XServer {
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Starts Xvfb with a width x height x 24 screen; false (and Error()) when
    // there is no Xvfb or it does not come up.
    bool Start(int width, int height);
    void Stop();
    const std::string& Display() const { return display_; }
    const std::string& Error() const { return error_; }

    // The screen's pixels in r (x, y, w, h) as RGB colours, red in the low
    // byte; empty on failure.
    std::vector<uint32_t> Capture(int x, int y, int w, int h);
    // The top-level X window carrying this title, 0 when none.
    unsigned long FindWindow(const std::string& title);
    // Geometry of a window in root coordinates.
    bool Geometry(unsigned long window, int& x, int& y, int& w, int& h);
    // What a window manager does when the user drags or closes a window.
    void MoveResize(unsigned long window, int x, int y, int w, int h);
    void RequestClose(unsigned long window);
    // Real input through the XTEST extension, as from a keyboard and a
    // mouse: key `keycode` (Linux input code + 8) or pointer `button` goes
    // down or up. False without the extension.
    bool FakeKey(int keycode, bool down);
    bool FakeButton(int button, bool down);
    // Maps a plain window of another client and gives it the keyboard focus,
    // as a user switching to another program would; 0 on failure.
    unsigned long FocusOtherWindow();
    unsigned long Focus();

private:
    bool Connect();
    pid_t pid_ = -1;
    std::string display_, error_;
    void* dpy_ = nullptr;
};

}  // namespace xtest
