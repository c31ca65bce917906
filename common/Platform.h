/// @file
/// The platform under the components: one small abstract class per service,
/// holding only the calls the components need, with harmless defaults for the
/// optional ones. A platform library registers itself as the default when it
/// loads; tests install a recording platform over it with ScopedPlatform.
///
/// A game uses it for its window (WindowService::CreateAppWindow), its message
/// pump (api::DoEvents) and its clock (api::GetTickCount).
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/Ref.h"
#include "common/Types.h"
#include "common/PushSystemMacros.h"

namespace vexo {

/// Flags and values of the window and GDI functions.
enum : int32_t {
    SWP_NOSIZE = 0x1,          ///< SetWindowPos: keep the size.
    SWP_NOMOVE = 0x2,          ///< SetWindowPos: keep the position.
    SWP_NOZORDER = 0x4,        ///< SetWindowPos: keep the stacking order.
    SRCCOPY = 0x00CC0020,      ///< BitBlt: plain copy.
    TRANSPARENT = 1,           ///< SetBkMode: text without a background.
    OPAQUE = 2,                ///< SetBkMode: text on its background colour.
    OBJ_FONT = 6,              ///< GetCurrentObject: the selected font.
    OBJ_BITMAP = 7,            ///< GetCurrentObject: the selected bitmap.
    MB_ICONEXCLAMATION = 48,   ///< MsgBox: an exclamation icon and an OK button.
    DT_LEFT = 0,               ///< DrawTextA: left-aligned.
    DT_TOP = 0,                ///< DrawTextA: top-aligned.
};

/// Windows. Applications create their windows here too. Failures are
/// reported by value (0).
class WindowService {
public:
    virtual ~WindowService() = default;
    /// The window's outer rectangle in screen coordinates; 0 for a handle that
    /// is not a window.
    virtual int32_t GetWindowRect(HWND hwnd, RECT& r) = 0;
    /// The client area's size in @p r's Right and Bottom (Left and Top 0).
    virtual int32_t GetClientRect(HWND hwnd, RECT& r) = 0;
    /// Moves and sizes the window's outer rectangle; @p flags from SWP_NOSIZE,
    /// SWP_NOMOVE and SWP_NOZORDER.
    virtual int32_t SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                 int32_t flags) = 0;
    /// The window's parent, 0 for a top-level window.
    virtual HWND GetParent(HWND hwnd) = 0;
    /// Non-zero while @p hwnd is a window (it has not been closed).
    virtual int32_t IsWindow(HWND hwnd) = 0;
    /// Moves @p p from client to screen coordinates; 0 (and @p p unchanged)
    /// when the platform cannot tell.
    virtual int32_t ClientToScreen(HWND /*hwnd*/, POINT& /*p*/) { return 0; }
    /// Opens a window titled @p title with a client area of @p cx x @p cy at
    /// (@p x, @p y), a child of @p parent when that is not 0; 0 when it cannot.
    /// In headless mode the window lives on the virtual screen.
    virtual HWND CreateAppWindow(const std::string& title, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                 HWND parent) = 0;
    /// Closes a window CreateAppWindow() opened.
    virtual void DestroyAppWindow(HWND hwnd) = 0;
    /// Raises (@p show non-zero) or lowers the cursor's display counter and
    /// returns it; the cursor shows while it is 0 or more.
    virtual int32_t ShowCursor(int32_t show) { return show ? 0 : -1; }
};

/// Bitmaps and device contexts. Failures are reported by value.
class GdiService {
public:
    virtual ~GdiService() = default;
    /// Fills @p out for a bitmap handle; 0 and @p out untouched otherwise.
    virtual int32_t GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) = 0;
    /// A memory device context compatible with @p dc (0: the screen).
    virtual HDC CreateCompatibleDC(HDC dc) = 0;
    /// Selects a bitmap or font into @p dc; returns the one it replaced.
    virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) = 0;
    /// Copies a @p w x @p h block from (@p xs, @p ys) of @p src to (@p x, @p y)
    /// of @p dest, converting pixel formats.
    virtual int32_t BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs,
                           int32_t ys, int32_t rop) = 0;
    /// Deletes a memory device context.
    virtual int32_t DeleteDC(HDC dc) = 0;
    /// The RGB colour of a pixel; CLR_INVALID outside the surface.
    virtual COLORREF GetPixel(HDC dc, int32_t x, int32_t y) = 0;
    /// Sets a pixel to the nearest colour the surface can show (in an 8-bit
    /// surface the nearest palette entry); returns the colour set.
    virtual COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) = 0;
    /// Deletes a bitmap or font.
    virtual int32_t DeleteObject(HGDIOBJ obj) = 0;
    /// The object of kind @p type (OBJ_FONT, OBJ_BITMAP) selected into a device
    /// context.
    virtual HGDIOBJ GetCurrentObject(HDC, int32_t) { return 0; }
    /// Sets the background mode of text (TRANSPARENT, OPAQUE); returns the old one.
    virtual int32_t SetBkMode(HDC, int32_t) { return 0; }
    /// Sets the text colour; returns the old one.
    virtual COLORREF SetTextColor(HDC, COLORREF) { return CLR_INVALID; }
    /// Draws ANSI text, a byte count of it (-1: all), inside a rectangle.
    virtual int32_t DrawTextA(HDC, const std::string&, int32_t, RECT&, int32_t) { return 0; }
};

/// A picture the host's loader made; its Handle is a GDI bitmap that lives as
/// long as the picture.
class Picture : public Unknown {
public:
    /// The picture's bitmap.
    virtual HBITMAP Handle() = 0;
};

/// Services of the run time that hosts the components. Failures raise.
class HostRuntime {
public:
    virtual ~HostRuntime() = default;
    /// Loads a picture file: bitmaps of every depth, PNG, JPEG, GIF.
    virtual Ref<Picture> LoadPicture(const std::string& file) = 0;
    /// Loads a bitmap resource of the calling module (none on this platform).
    virtual Ref<Picture> LoadResPicture(const std::string& resId, int32_t type) = 0;
    /// Processes the thread's pending window messages once: a game's message
    /// pump, once a frame.
    virtual void DoEvents() = 0;
    /// Seconds since midnight with their fraction.
    virtual float Timer() = 0;
    /// Milliseconds since the system started, wrapping at 2^32.
    virtual uint32_t GetTickCount() = 0;
    /// Non-zero while the virtual key is down or when it was pressed since the
    /// last query.
    virtual int16_t GetAsyncKeyState(int32_t) { return 0; }
    /// The bytes of UTF-8 @p text in the system's ANSI code page, as text handed
    /// to an ANSI function (DrawTextA) takes it; characters the code page
    /// cannot hold are replaced. A platform without code pages passes it through.
    virtual std::string ToAnsi(const std::string& text) { return text; }
    /// ANSI bytes back to UTF-8.
    virtual std::string FromAnsi(const std::string& ansi) { return ansi; }
    /// Shows a modal message box and returns the button that closed it.
    virtual int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) = 0;
    /// The standard description text of a run-time error number.
    virtual std::string ErrorText(int32_t number);
};

/// One platform: the root object's factory and the three services.
class Platform {
public:
    virtual ~Platform() = default;
    /// A new root object; raises with the platform status when it cannot be made.
    virtual Ref<DirectX7> CreateDirectX7() = 0;
    /// The window service.
    virtual WindowService& Windows() = 0;
    /// The GDI service.
    virtual GdiService& Gdi() = 0;
    /// The host run time's services.
    virtual HostRuntime& Runtime() = 0;
};

/// The platform in force: the one a test installed, else the registered
/// default. Raises 445 when there is none.
Platform& CurrentPlatform();
/// Registers the default platform's factory; a platform library calls it when
/// it loads.
void RegisterDefaultPlatform(Platform* (*factory)());
/// Puts @p p in force; nullptr goes back to the default.
void InstallPlatform(Platform* p);

/// Puts a platform in force for its own lifetime, then the previous one again.
class ScopedPlatform {
public:
    /// Puts @p p in force.
    explicit ScopedPlatform(Platform& p);
    /// Puts the previous platform back.
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

/// The platform's functions under their usual names, each forwarding to the
/// same-named call of the platform in force (CurrentPlatform()).
namespace api {
/// WindowService::GetWindowRect of the platform in force.
inline int32_t GetWindowRect(HWND h, RECT& r) { return CurrentPlatform().Windows().GetWindowRect(h, r); }
/// WindowService::GetClientRect of the platform in force.
inline int32_t GetClientRect(HWND h, RECT& r) { return CurrentPlatform().Windows().GetClientRect(h, r); }
/// WindowService::SetWindowPos of the platform in force.
inline int32_t SetWindowPos(HWND h, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t f) {
    return CurrentPlatform().Windows().SetWindowPos(h, after, x, y, cx, cy, f);
}
/// WindowService::GetParent of the platform in force.
inline HWND GetParent(HWND h) { return CurrentPlatform().Windows().GetParent(h); }
/// WindowService::ClientToScreen of the platform in force.
inline int32_t ClientToScreen(HWND h, POINT& p) { return CurrentPlatform().Windows().ClientToScreen(h, p); }
/// WindowService::IsWindow of the platform in force.
inline int32_t IsWindow(HWND h) { return CurrentPlatform().Windows().IsWindow(h); }
/// WindowService::ShowCursor of the platform in force.
inline int32_t ShowCursor(int32_t show) { return CurrentPlatform().Windows().ShowCursor(show); }
/// GdiService::GetObjectA of the platform in force.
inline int32_t GetObjectA(HGDIOBJ o, int32_t size, BITMAP& b) { return CurrentPlatform().Gdi().GetObjectA(o, size, b); }
/// GdiService::CreateCompatibleDC of the platform in force.
inline HDC CreateCompatibleDC(HDC dc) { return CurrentPlatform().Gdi().CreateCompatibleDC(dc); }
/// GdiService::SelectObject of the platform in force.
inline HGDIOBJ SelectObject(HDC dc, HGDIOBJ o) { return CurrentPlatform().Gdi().SelectObject(dc, o); }
/// GdiService::BitBlt of the platform in force.
inline int32_t BitBlt(HDC d, int32_t x, int32_t y, int32_t w, int32_t h, HDC s, int32_t xs, int32_t ys, int32_t rop) {
    return CurrentPlatform().Gdi().BitBlt(d, x, y, w, h, s, xs, ys, rop);
}
/// GdiService::DeleteDC of the platform in force.
inline int32_t DeleteDC(HDC dc) { return CurrentPlatform().Gdi().DeleteDC(dc); }
/// GdiService::DeleteObject of the platform in force.
inline int32_t DeleteObject(HGDIOBJ o) { return CurrentPlatform().Gdi().DeleteObject(o); }
/// GdiService::GetPixel of the platform in force.
inline COLORREF GetPixel(HDC dc, int32_t x, int32_t y) { return CurrentPlatform().Gdi().GetPixel(dc, x, y); }
/// GdiService::SetPixel of the platform in force.
inline COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF c) { return CurrentPlatform().Gdi().SetPixel(dc, x, y, c); }
/// GdiService::GetCurrentObject of the platform in force.
inline HGDIOBJ GetCurrentObject(HDC dc, int32_t type) { return CurrentPlatform().Gdi().GetCurrentObject(dc, type); }
/// GdiService::SetBkMode of the platform in force.
inline int32_t SetBkMode(HDC dc, int32_t mode) { return CurrentPlatform().Gdi().SetBkMode(dc, mode); }
/// GdiService::SetTextColor of the platform in force.
inline COLORREF SetTextColor(HDC dc, COLORREF c) { return CurrentPlatform().Gdi().SetTextColor(dc, c); }
/// GdiService::DrawTextA of the platform in force.
inline int32_t DrawTextA(HDC dc, const std::string& s, int32_t n, RECT& r, int32_t f) {
    return CurrentPlatform().Gdi().DrawTextA(dc, s, n, r, f);
}
/// HostRuntime::LoadPicture of the platform in force.
inline Ref<Picture> LoadPicture(const std::string& f) { return CurrentPlatform().Runtime().LoadPicture(f); }
/// HostRuntime::LoadResPicture of the platform in force.
inline Ref<Picture> LoadResPicture(const std::string& id, int32_t type) {
    return CurrentPlatform().Runtime().LoadResPicture(id, type);
}
/// HostRuntime::DoEvents of the platform in force.
inline void DoEvents() { CurrentPlatform().Runtime().DoEvents(); }
/// HostRuntime::Timer of the platform in force.
inline float Timer() { return CurrentPlatform().Runtime().Timer(); }
/// HostRuntime::GetTickCount of the platform in force.
inline uint32_t GetTickCount() { return CurrentPlatform().Runtime().GetTickCount(); }
/// HostRuntime::GetAsyncKeyState of the platform in force.
inline int16_t GetAsyncKeyState(int32_t vk) { return CurrentPlatform().Runtime().GetAsyncKeyState(vk); }
/// HostRuntime::ToAnsi of the platform in force.
inline std::string ToAnsi(const std::string& s) { return CurrentPlatform().Runtime().ToAnsi(s); }
/// HostRuntime::FromAnsi of the platform in force.
inline std::string FromAnsi(const std::string& s) { return CurrentPlatform().Runtime().FromAnsi(s); }
/// HostRuntime::MsgBox of the platform in force.
inline int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    return CurrentPlatform().Runtime().MsgBox(prompt, buttons, title);
}
/// HostRuntime::ErrorText of the platform in force.
inline std::string ErrorText(int32_t n) { return CurrentPlatform().Runtime().ErrorText(n); }
/// Platform::CreateDirectX7 of the platform in force.
inline Ref<DirectX7> CreateDirectX7() { return CurrentPlatform().CreateDirectX7(); }
}  // namespace api

}  // namespace vexo

#include "common/PopSystemMacros.h"
