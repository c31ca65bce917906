// The SDL2 backend: each top-level application window is a real SDL window
// whose client area shows that part of the screen; in exclusive full-screen
// mode the owner's window covers the desktop and shows the whole screen,
// scaled. SDL's events become user moves and resizes, close requests and
// keyboard input. Presents never wait: the wait for the next refresh is
// WaitForVerticalBlank's alone, so a frame that waits once runs at the
// refresh rate.
//
// The screen is already a finished picture in memory, so it goes straight
// into each window's framebuffer (SDL_GetWindowSurface) and from there to the
// window system: one copy, no renderer or texture in between.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/display/RectMath.h"
#include "platform/backend/Sdl.h"
#include "platform/blit/Blit.h"
#include "platform/input/Input.h"

namespace vexo::plat {

namespace {


struct Pair {
    int32_t a, b;
    bool operator==(const Pair&) const = default;
};

struct Win {
    HWND parent = 0;
    RECT outer{}, client{};  // screen coordinates, as the display has them
    SDL_Window* window = nullptr;  // top-level windows only
    SDL_Surface* picture = nullptr;  // full screen: the mode's picture before scaling
    bool fullscreen = false;
    bool reload = true;  // the framebuffer no longer matches the screen
    // Positions and sizes asked for by the application: their echoes in
    // SDL's events are not user actions.
    std::deque<Pair> ownMoves, ownSizes;
};

void Remember(std::deque<Pair>& q, Pair p) {
    q.push_back(p);
    if (q.size() > 8) q.pop_front();
}

// True (and the echo forgotten) when `p` is one of our own requests.
bool IsEcho(std::deque<Pair>& q, Pair p) {
    auto it = std::find(q.begin(), q.end(), p);
    if (it == q.end()) return false;
    q.erase(q.begin(), it + 1);
    return true;
}

class SdlBackend final : public Backend {
public:
    explicit SdlBackend(BackendEvents& events) : events_(events) {}
    ~SdlBackend() override {
        for (auto& [h, w] : wins_) Close(w);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    const char* Name() const override { return "sdl"; }
    bool WantsFrames() const override { return true; }

    void WindowCreated(HWND hwnd, const std::string& title, const RECT& outer, const RECT& client,
                       HWND parent) override {
        Win& w = wins_[hwnd];
        w.parent = parent;
        w.outer = outer;
        w.client = client;
        if (parent) return;  // a child is drawn inside its parent's picture
        w.window = SDL_CreateWindow(title.c_str(), client.Left, client.Top, std::max(Width(client), 1),
                                    std::max(Height(client), 1), SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
        if (!w.window) {
            std::fprintf(stderr, "vexo: SDL window: %s\n", SDL_GetError());
            return;
        }
        Remember(w.ownMoves, {client.Left, client.Top});
        Remember(w.ownSizes, {std::max(Width(client), 1), std::max(Height(client), 1)});
        windowOf_[SDL_GetWindowID(w.window)] = hwnd;
        Blank(w);
    }

    void WindowChanged(HWND hwnd, const RECT& outer, const RECT& client) override {
        auto it = wins_.find(hwnd);
        if (it == wins_.end()) return;
        Win& w = it->second;
        const bool moved = client.Left != w.client.Left || client.Top != w.client.Top;
        const bool resized = Width(client) != Width(w.client) || Height(client) != Height(w.client);
        w.outer = outer;
        w.client = client;
        if (!w.window || w.fullscreen) return;
        if (resized) {
            const Pair s{std::max(Width(client), 1), std::max(Height(client), 1)};
            Remember(w.ownSizes, s);
            SDL_SetWindowSize(w.window, s.a, s.b);
        }
        if (moved) {
            Remember(w.ownMoves, {client.Left, client.Top});
            SDL_SetWindowPosition(w.window, client.Left, client.Top);
        }
        if (moved || resized) w.reload = true;
    }

    void WindowDestroyed(HWND hwnd) override {
        auto it = wins_.find(hwnd);
        if (it == wins_.end()) return;
        Close(it->second);
        wins_.erase(it);
    }

    void ModeChanged(int32_t, int32_t, int32_t, bool exclusive, HWND hwnd) override {
        const HWND owner = exclusive ? TopLevel(hwnd) : 0;
        for (auto& [h, w] : wins_) {
            if (!w.window) continue;
            const bool full = h == owner;
            if (full != w.fullscreen) SetFullscreen(w, full);
            w.reload = true;
            Blank(w);
        }
        exclusiveOwner_ = owner;
        // The display's picture is about to be made again at the new size.
        last_ = Frame{};
    }

    void Present(const Frame& frame, const RECT& dirty) override {
        last_ = frame;
        for (auto& [h, w] : wins_) {
            if (!w.window) continue;
            // While a full-screen mode is in force only its window shows it.
            if (exclusiveOwner_ && h != exclusiveOwner_) continue;
            if (w.fullscreen) PresentFull(w, frame, dirty);
            else PresentWindowed(w, frame, dirty);
        }
    }

    void PumpEvents() override {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            switch (e.type) {
                case SDL_WINDOWEVENT: OnWindowEvent(e.window); break;
                case SDL_KEYDOWN:
                case SDL_KEYUP: {
                    if (e.key.repeat) break;
                    const bool down = e.type == SDL_KEYDOWN;
                    input::ScancodeEvent(e.key.keysym.scancode, down);
                    break;
                }
                default: break;
            }
        }
        // Windows the user moved or resized show the screen at their new
        // place at once, without waiting for the application's next present.
        if (last_.pixels) {
            for (auto& [h, w] : wins_)
                if (w.window && w.reload && (!exclusiveOwner_ || h == exclusiveOwner_)) {
                    if (w.fullscreen) PresentFull(w, last_, RECT{});
                    else PresentWindowed(w, last_, RECT{});
                }
        }
    }

    void WaitForVerticalBlank() override { SleepUntilNextRefresh(RefreshRate()); }

    int32_t RefreshRate() const override {
        SDL_DisplayMode m;
        if (SDL_GetCurrentDisplayMode(0, &m) == 0 && m.refresh_rate > 0) return m.refresh_rate;
        return 60;
    }

    void SetCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    int32_t MessageBox(const std::string& prompt, int32_t buttons, const std::string& title) override;

private:
    HWND TopLevel(HWND hwnd) const {
        for (int depth = 0; depth < 64; ++depth) {
            auto it = wins_.find(hwnd);
            if (it == wins_.end() || !it->second.parent) return it == wins_.end() ? 0 : hwnd;
            hwnd = it->second.parent;
        }
        return 0;
    }

    // The window covers its display by itself too, borderless, so that a
    // desktop without a window manager (no one to honour the full-screen
    // state) shows it the same. Its echoes in SDL's events are expected.
    void SetFullscreen(Win& w, bool full) {
        w.fullscreen = full;
        if (full) {
            SDL_Rect b{0, 0, 0, 0};
            SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(w.window), 0), &b);
            Remember(w.ownMoves, {b.x, b.y});
            Remember(w.ownSizes, {b.w, b.h});
            SDL_SetWindowBordered(w.window, SDL_FALSE);
            SDL_SetWindowPosition(w.window, b.x, b.y);
            SDL_SetWindowSize(w.window, b.w, b.h);
            SDL_SetWindowFullscreen(w.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
            SDL_RaiseWindow(w.window);
        } else {
            // Back where the display has the window.
            const Pair size{std::max(Width(w.client), 1), std::max(Height(w.client), 1)};
            Remember(w.ownSizes, size);
            Remember(w.ownMoves, {w.client.Left, w.client.Top});
            SDL_SetWindowFullscreen(w.window, 0);
            SDL_SetWindowBordered(w.window, SDL_TRUE);
            SDL_SetWindowSize(w.window, size.a, size.b);
            SDL_SetWindowPosition(w.window, w.client.Left, w.client.Top);
        }
    }

    // Copies the screen's r into `out` at (x, y), clipped to `out`.
    static void CopyRect(const Frame& frame, RECT r, SDL_Surface* out, int32_t x, int32_t y) {
        const int32_t dx = std::max(0, -x), dy = std::max(0, -y);
        r.Left += dx, r.Top += dy, x += dx, y += dy;
        r.Right = std::min(r.Right, r.Left + out->w - x);
        r.Bottom = std::min(r.Bottom, r.Top + out->h - y);
        if (Empty(r)) return;
        const int bpp = out->format->BytesPerPixel;
        SDL_ConvertPixels(Width(r), Height(r), SDL_PIXELFORMAT_RGB888,
                          frame.pixels + int64_t(r.Top) * frame.pitch + r.Left, frame.pitch * 4,
                          out->format->format, static_cast<uint8_t*>(out->pixels) + int64_t(y) * out->pitch + x * bpp,
                          out->pitch);
    }

    void PresentWindowed(Win& w, const Frame& frame, const RECT& dirty) {
        const RECT screen{0, 0, frame.width, frame.height};
        const bool reload = w.reload;
        const RECT src = Intersect(reload ? w.client : Intersect(w.client, dirty), screen);
        if (!reload && Empty(src)) return;
        SDL_Surface* out = SDL_GetWindowSurface(w.window);
        if (!out || SDL_LockSurface(out) != 0) return;
        // A window reaching off the screen shows black there.
        if (reload) std::fill_n(static_cast<uint8_t*>(out->pixels), size_t(out->pitch) * size_t(out->h), uint8_t(0));
        CopyRect(frame, src, out, src.Left - w.client.Left, src.Top - w.client.Top);
        SDL_UnlockSurface(out);
        w.reload = false;
        if (reload) {
            SDL_UpdateWindowSurface(w.window);
        } else {
            const SDL_Rect r{src.Left - w.client.Left, src.Top - w.client.Top, Width(src), Height(src)};
            SDL_UpdateWindowSurfaceRects(w.window, &r, 1);
        }
    }

    void PresentFull(Win& w, const Frame& frame, const RECT& dirty) {
        const RECT screen{0, 0, frame.width, frame.height};
        if (!w.picture || w.picture->w != frame.width || w.picture->h != frame.height) {
            if (w.picture) SDL_FreeSurface(w.picture);
            w.picture = SDL_CreateRGBSurfaceWithFormat(0, frame.width, frame.height, 32, SDL_PIXELFORMAT_RGB888);
            if (!w.picture) return;
            SDL_SetSurfaceBlendMode(w.picture, SDL_BLENDMODE_NONE);
            w.reload = true;
        }
        const bool reload = w.reload;
        const RECT src = reload ? screen : Intersect(dirty, screen);
        if (Empty(src)) return;
        CopyRect(frame, src, w.picture, src.Left, src.Top);
        SDL_Surface* out = SDL_GetWindowSurface(w.window);
        if (!out) return;
        // Whole multiples, nearest neighbour, black around the picture.
        const RECT d = FitPicture(frame.width, frame.height, out->w, out->h);
        SDL_Rect dst{d.Left, d.Top, Width(d), Height(d)};
        if (reload) SDL_FillRect(out, nullptr, 0);
        // Our stretch samples exactly at any factor (a picture shrunk onto a
        // smaller display too); SDL2's converts other framebuffer formats.
        if (out->format->format == SDL_PIXELFORMAT_RGB888 && SDL_LockSurface(out) == 0) {
            const blit::PixelBuffer to{static_cast<uint8_t*>(out->pixels), out->w, out->h, out->pitch, 32};
            const blit::PixelBuffer from{static_cast<uint8_t*>(w.picture->pixels), w.picture->w, w.picture->h,
                                         w.picture->pitch, 32};
            blit::Stretch(to, d, from, screen, blit::Key{});
            SDL_UnlockSurface(out);
        } else {
            SDL_BlitScaled(w.picture, nullptr, out, &dst);
        }
        w.reload = false;
        const SDL_Rect shown{d.Left, d.Top, Width(d), Height(d)};
        if (reload) SDL_UpdateWindowSurface(w.window);
        else SDL_UpdateWindowSurfaceRects(w.window, &shown, 1);
    }

    // Black until the next present fills it (a new window, a mode change).
    static void Blank(Win& w) {
        SDL_Surface* out = SDL_GetWindowSurface(w.window);
        if (!out) return;
        SDL_FillRect(out, nullptr, 0);
        SDL_UpdateWindowSurface(w.window);
    }

    void Close(Win& w) {
        if (w.picture) SDL_FreeSurface(w.picture);
        if (w.window) {
            windowOf_.erase(SDL_GetWindowID(w.window));
            SDL_DestroyWindow(w.window);
        }
        w.picture = nullptr;
        w.window = nullptr;
    }

    void OnWindowEvent(const SDL_WindowEvent& e) {
        auto id = windowOf_.find(e.windowID);
        if (id == windowOf_.end()) return;
        const HWND hwnd = id->second;
        Win& w = wins_[hwnd];
        switch (e.event) {
            case SDL_WINDOWEVENT_CLOSE: events_.WindowCloseRequested(hwnd); break;
            case SDL_WINDOWEVENT_EXPOSED:
                if (SDL_GetWindowSurface(w.window)) SDL_UpdateWindowSurface(w.window);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST: input::ReleaseHostKeys(); break;
            case SDL_WINDOWEVENT_MOVED:
                if (w.fullscreen || IsEcho(w.ownMoves, {e.data1, e.data2})) break;
                UserMoved(hwnd, w, e.data1, e.data2, Width(w.client), Height(w.client));
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                // A new size means a new framebuffer, which starts empty.
                w.reload = true;
                if (w.fullscreen || IsEcho(w.ownSizes, {e.data1, e.data2})) break;
                UserMoved(hwnd, w, w.client.Left, w.client.Top, e.data1, e.data2);
                break;
            default: break;
        }
    }

    // The user put the client area at (x, y) with size cw x ch; the frame
    // around it keeps its thickness.
    void UserMoved(HWND hwnd, Win& w, int32_t x, int32_t y, int32_t cw, int32_t ch) {
        const int32_t left = w.client.Left - w.outer.Left, top = w.client.Top - w.outer.Top;
        const int32_t extraW = Width(w.outer) - Width(w.client), extraH = Height(w.outer) - Height(w.client);
        w.client = {x, y, x + cw, y + ch};
        w.outer = {x - left, y - top, x - left + cw + extraW, y - top + ch + extraH};
        w.reload = true;
        events_.WindowMovedByUser(hwnd, w.outer.Left, w.outer.Top, Width(w.outer), Height(w.outer));
    }

    SDL_Window* AnyWindow() const {
        for (const auto& [h, w] : wins_)
            if (w.window) return w.window;
        return nullptr;
    }

    BackendEvents& events_;
    std::map<HWND, Win> wins_;
    std::map<uint32_t, HWND> windowOf_;
    HWND exclusiveOwner_ = 0;
    Frame last_;  // the display's picture as last presented (it owns the pixels)
};

// The message box styles of the host's MsgBox: the button set in the low
// bits, the icon in 16 to 64; the answer is the number of the button pressed.
int32_t SdlBackend::MessageBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    enum { kOk = 1, kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7 };
    static const std::vector<std::pair<int, const char*>> kSets[] = {
        {{kOk, "OK"}},
        {{kOk, "OK"}, {kCancel, "Cancel"}},
        {{kAbort, "Abort"}, {kRetry, "Retry"}, {kIgnore, "Ignore"}},
        {{kYes, "Yes"}, {kNo, "No"}, {kCancel, "Cancel"}},
        {{kYes, "Yes"}, {kNo, "No"}},
        {{kRetry, "Retry"}, {kCancel, "Cancel"}},
    };
    const int32_t set = buttons & 7;
    const auto& list = kSets[set < 6 ? set : 0];
    std::vector<SDL_MessageBoxButtonData> data;
    for (const auto& [id, text] : list) data.push_back({0, id, text});
    data.front().flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    // Escape answers Cancel where there is one, else the only button.
    for (auto& d : data)
        if (d.buttonid == kCancel || data.size() == 1) d.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    const int32_t icon = buttons & 0x70;
    const uint32_t flags = icon == 16 ? SDL_MESSAGEBOX_ERROR
                           : icon == 48 ? SDL_MESSAGEBOX_WARNING
                                        : SDL_MESSAGEBOX_INFORMATION;
    const SDL_MessageBoxData box{flags, AnyWindow(), title.c_str(), prompt.c_str(), int(data.size()),
                                 data.data(), nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        // Why there is no dialog, said once; every message then goes to stderr.
        static std::atomic<bool> told{false};
        if (!told.exchange(true)) std::fprintf(stderr, "vexo: no message box (%s)\n", SDL_GetError());
        return -1;
    }
    // Closing the box without a button counts as its escape answer.
    if (pressed < 0) pressed = data.size() == 1 ? kOk : kCancel;
    return pressed;
}

}  // namespace

RECT FitPicture(int32_t w, int32_t h, int32_t outW, int32_t outH) {
    if (w <= 0 || h <= 0 || outW <= 0 || outH <= 0) return {};
    int64_t dw, dh;
    const int64_t k = std::min(outW / w, outH / h);
    if (k >= 1) {
        dw = w * k;
        dh = h * k;
    } else {
        const double s = std::min(double(outW) / w, double(outH) / h);
        dw = std::max<int64_t>(1, int64_t(std::floor(w * s)));
        dh = std::max<int64_t>(1, int64_t(std::floor(h * s)));
    }
    const int32_t x = int32_t((outW - dw) / 2), y = int32_t((outH - dh) / 2);
    return {x, y, int32_t(x + dw), int32_t(y + dh)};
}

std::unique_ptr<Backend> CreateSdlBackend(BackendEvents& events) {
    // Ctrl+C ends the program as usual instead of becoming an SDL event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Window framebuffers straight to the window system (X11 shared memory)
    // rather than through an OpenGL texture, which on a software rasteriser
    // costs more than the whole present.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "vexo: SDL video: %s\n", SDL_GetError());
        return nullptr;
    }
    // Without a display SDL settles for windows nobody sees; the headless
    // backend does that job (and can save its frames).
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
        std::strcmp(driver, "evdev") == 0) {
        std::fprintf(stderr, "vexo: no display for SDL windows (driver %s)\n", driver ? driver : "none");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::make_unique<SdlBackend>(events);
}

}  // namespace vexo::plat
