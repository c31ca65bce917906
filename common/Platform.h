// The platform under the components: one small abstract class per service,
// holding only the calls the components need, with harmless defaults for the
// optional ones. A platform library registers itself as the default at load;
// tests install a recording platform over it with ScopedPlatform.
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/Ref.h"
#include "common/Types.h"
#include "common/PushSystemMacros.h"

namespace vexo {

enum : int32_t {
    SWP_NOSIZE = 0x1,
    SWP_NOMOVE = 0x2,
    SWP_NOZORDER = 0x4,
    SRCCOPY = 0x00CC0020,
    TRANSPARENT = 1,
    OPAQUE = 2,
    OBJ_FONT = 6,
    OBJ_BITMAP = 7,
    MB_ICONEXCLAMATION = 48,
    DT_LEFT = 0,
    DT_TOP = 0,
};

// user32: windows. Applications create their windows here too.
class WindowService {
public:
    virtual ~WindowService() = default;
    virtual int32_t GetWindowRect(HWND hwnd, RECT& r) = 0;
    virtual int32_t GetClientRect(HWND hwnd, RECT& r) = 0;
    virtual int32_t SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                 int32_t flags) = 0;
    virtual HWND GetParent(HWND hwnd) = 0;
    virtual int32_t IsWindow(HWND hwnd) = 0;
    // Moves `p` from client to screen coordinates; 0 (and `p` unchanged) when
    // the platform cannot tell.
    virtual int32_t ClientToScreen(HWND /*hwnd*/, POINT& /*p*/) { return 0; }
    // Application side: a window with a client area of cx x cy at (x, y).
    virtual HWND CreateAppWindow(const std::string& title, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                 HWND parent) = 0;
    virtual void DestroyAppWindow(HWND hwnd) = 0;
    virtual int32_t ShowCursor(int32_t show) { return show ? 0 : -1; }
};

// gdi32: bitmaps and device contexts. Failures are reported by value.
class GdiService {
public:
    virtual ~GdiService() = default;
    virtual int32_t GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) = 0;
    virtual HDC CreateCompatibleDC(HDC dc) = 0;
    virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) = 0;
    virtual int32_t BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs,
                           int32_t ys, int32_t rop) = 0;
    virtual int32_t DeleteDC(HDC dc) = 0;
    virtual COLORREF GetPixel(HDC dc, int32_t x, int32_t y) = 0;
    virtual COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) = 0;
    virtual int32_t DeleteObject(HGDIOBJ obj) = 0;
    // Text (optional until a platform draws text).
    virtual HGDIOBJ GetCurrentObject(HDC, int32_t) { return 0; }
    virtual int32_t SetBkMode(HDC, int32_t) { return 0; }
    virtual COLORREF SetTextColor(HDC, COLORREF) { return CLR_INVALID; }
    virtual int32_t DrawTextA(HDC, const std::string&, int32_t, RECT&, int32_t) { return 0; }
};

// A picture the host's loader made; its Handle is a GDI bitmap that lives as
// long as the picture.
class Picture : public Unknown {
public:
    virtual HBITMAP Handle() = 0;
};

// Services of the run time that hosts the components. Failures raise.
class HostRuntime {
public:
    virtual ~HostRuntime() = default;
    virtual Ref<Picture> LoadPicture(const std::string& file) = 0;
    virtual Ref<Picture> LoadResPicture(const std::string& resId, int32_t type) = 0;
    // Processes the thread's pending window messages once.
    virtual void DoEvents() = 0;
    // Seconds since midnight with their fraction.
    virtual float Timer() = 0;
    virtual uint32_t GetTickCount() = 0;
    virtual int16_t GetAsyncKeyState(int32_t) { return 0; }
    // Text handed to an ANSI function (DrawTextA) goes through the system's
    // ANSI code page: ToAnsi gives its bytes (characters the code page cannot
    // hold replaced), FromAnsi reads such bytes back. Strings are UTF-8; a
    // platform without code pages passes them through.
    virtual std::string ToAnsi(const std::string& text) { return text; }
    virtual std::string FromAnsi(const std::string& ansi) { return ansi; }
    virtual int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) = 0;
    // The standard description text of a run-time error number.
    virtual std::string ErrorText(int32_t number);
};

class Platform {
public:
    virtual ~Platform() = default;
    // Raises with the platform status when the root cannot be made.
    virtual Ref<DirectX7> CreateDirectX7() = 0;
    virtual WindowService& Windows() = 0;
    virtual GdiService& Gdi() = 0;
    virtual HostRuntime& Runtime() = 0;
};

// The platform in force: the one a test installed, else the registered
// default. Raises 445 when there is none.
Platform& CurrentPlatform();
void RegisterDefaultPlatform(Platform* (*factory)());
void InstallPlatform(Platform* p);  // nullptr goes back to the default

class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& p);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

// The platform's functions under their usual names, forwarding to the
// platform in force.
namespace api {
inline int32_t GetWindowRect(HWND h, RECT& r) { return CurrentPlatform().Windows().GetWindowRect(h, r); }
inline int32_t GetClientRect(HWND h, RECT& r) { return CurrentPlatform().Windows().GetClientRect(h, r); }
inline int32_t SetWindowPos(HWND h, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t f) {
    return CurrentPlatform().Windows().SetWindowPos(h, after, x, y, cx, cy, f);
}
inline HWND GetParent(HWND h) { return CurrentPlatform().Windows().GetParent(h); }
inline int32_t ClientToScreen(HWND h, POINT& p) { return CurrentPlatform().Windows().ClientToScreen(h, p); }
inline int32_t IsWindow(HWND h) { return CurrentPlatform().Windows().IsWindow(h); }
inline int32_t ShowCursor(int32_t show) { return CurrentPlatform().Windows().ShowCursor(show); }
inline int32_t GetObjectA(HGDIOBJ o, int32_t size, BITMAP& b) { return CurrentPlatform().Gdi().GetObjectA(o, size, b); }
inline HDC CreateCompatibleDC(HDC dc) { return CurrentPlatform().Gdi().CreateCompatibleDC(dc); }
inline HGDIOBJ SelectObject(HDC dc, HGDIOBJ o) { return CurrentPlatform().Gdi().SelectObject(dc, o); }
inline int32_t BitBlt(HDC d, int32_t x, int32_t y, int32_t w, int32_t h, HDC s, int32_t xs, int32_t ys, int32_t rop) {
    return CurrentPlatform().Gdi().BitBlt(d, x, y, w, h, s, xs, ys, rop);
}
inline int32_t DeleteDC(HDC dc) { return CurrentPlatform().Gdi().DeleteDC(dc); }
inline int32_t DeleteObject(HGDIOBJ o) { return CurrentPlatform().Gdi().DeleteObject(o); }
inline COLORREF GetPixel(HDC dc, int32_t x, int32_t y) { return CurrentPlatform().Gdi().GetPixel(dc, x, y); }
inline COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF c) { return CurrentPlatform().Gdi().SetPixel(dc, x, y, c); }
inline HGDIOBJ GetCurrentObject(HDC dc, int32_t type) { return CurrentPlatform().Gdi().GetCurrentObject(dc, type); }
inline int32_t SetBkMode(HDC dc, int32_t mode) { return CurrentPlatform().Gdi().SetBkMode(dc, mode); }
inline COLORREF SetTextColor(HDC dc, COLORREF c) { return CurrentPlatform().Gdi().SetTextColor(dc, c); }
inline int32_t DrawTextA(HDC dc, const std::string& s, int32_t n, RECT& r, int32_t f) {
    return CurrentPlatform().Gdi().DrawTextA(dc, s, n, r, f);
}
inline Ref<Picture> LoadPicture(const std::string& f) { return CurrentPlatform().Runtime().LoadPicture(f); }
inline Ref<Picture> LoadResPicture(const std::string& id, int32_t type) {
    return CurrentPlatform().Runtime().LoadResPicture(id, type);
}
inline void DoEvents() { CurrentPlatform().Runtime().DoEvents(); }
inline float Timer() { return CurrentPlatform().Runtime().Timer(); }
inline uint32_t GetTickCount() { return CurrentPlatform().Runtime().GetTickCount(); }
inline int16_t GetAsyncKeyState(int32_t vk) { return CurrentPlatform().Runtime().GetAsyncKeyState(vk); }
inline std::string ToAnsi(const std::string& s) { return CurrentPlatform().Runtime().ToAnsi(s); }
inline std::string FromAnsi(const std::string& s) { return CurrentPlatform().Runtime().FromAnsi(s); }
inline int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    return CurrentPlatform().Runtime().MsgBox(prompt, buttons, title);
}
inline std::string ErrorText(int32_t n) { return CurrentPlatform().Runtime().ErrorText(n); }
inline Ref<DirectX7> CreateDirectX7() { return CurrentPlatform().CreateDirectX7(); }
}  // namespace api

}  // namespace vexo

#include "common/PopSystemMacros.h"
