// Windows over user32: the queries and moves the components make on the
// application's window, and the plain framed window programs and tests
// create to have one.
#include "platform/windows/WinPlatform.h"

#include <windows.h>

namespace vexo::win {

namespace {

// Sizes past this would overflow the frame arithmetic of AdjustWindowRectEx.
constexpr int32_t kMaxClientSide = 1 << 28;

constexpr wchar_t kClassName[] = L"VexoAppWindow";
constexpr DWORD kTopLevelStyle = WS_OVERLAPPEDWINDOW;
// A child keeps a frame and caption like a top-level window, so that it has
// an outer rectangle larger than its client area as well.
constexpr DWORD kChildStyle = WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPSIBLINGS;

::HWND Sys(HWND h) { return ToHandle<::HWND>(h); }

vexo::RECT FromSys(const ::RECT& r) { return vexo::RECT{r.left, r.top, r.right, r.bottom}; }

// The module this code lives in (a component DLL or a program), so that the
// class belongs to it and not to whichever program loaded it.
HINSTANCE ThisModule() {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &m);
    return m;
}

// The system would hold a framed window to its tracking sizes (at least a
// caption's width, at most a little more than the screen); an application
// window gets exactly the client area asked for, however small or large.
LRESULT CALLBACK AppWindowProc(::HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(l);
        info->ptMinTrackSize = ::POINT{0, 0};
        info->ptMaxTrackSize = ::POINT{kMaxClientSide * 2, kMaxClientSide * 2};
        return 0;
    }
    return DefWindowProcW(h, msg, w, l);
}

// Registered at the first window; unregistered when the module unloads, so
// that a module loaded again elsewhere does not find the class still
// pointing at the old one's window procedure.
class WindowClass {
public:
    WindowClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = AppWindowProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kClassName;
        registered_ = RegisterClassExW(&wc) != 0;
    }
    ~WindowClass() {
        if (registered_) UnregisterClassW(kClassName, ThisModule());
    }
    bool Registered() const { return registered_; }

private:
    bool registered_ = false;
};

bool RegisterOnce() {
    static const WindowClass windowClass;
    return windowClass.Registered();
}

class WinWindows final : public WindowService {
public:
    int32_t GetWindowRect(HWND hwnd, vexo::RECT& r) override {
        ::RECT s;
        if (!::GetWindowRect(Sys(hwnd), &s)) return 0;
        r = FromSys(s);
        return 1;
    }

    int32_t GetClientRect(HWND hwnd, vexo::RECT& r) override {
        ::RECT s;
        if (!::GetClientRect(Sys(hwnd), &s)) return 0;
        r = FromSys(s);
        return 1;
    }

    int32_t SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         int32_t flags) override {
        // The insert-after values -1 and -2 (topmost, not topmost) survive
        // the sign extension of ToHandle.
        return ::SetWindowPos(Sys(hwnd), Sys(after), x, y, cx, cy, UINT(flags)) ? 1 : 0;
    }

    HWND GetParent(HWND hwnd) override { return FromHandle(::GetParent(Sys(hwnd))); }

    int32_t IsWindow(HWND hwnd) override { return hwnd != 0 && ::IsWindow(Sys(hwnd)) ? 1 : 0; }

    int32_t ClientToScreen(HWND hwnd, vexo::POINT& p) override {
        ::POINT s{p.x, p.y};
        if (!::ClientToScreen(Sys(hwnd), &s)) return 0;
        p = vexo::POINT{s.x, s.y};
        return 1;
    }

    HWND CreateAppWindow(const std::string& title, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         HWND parent) override {
        if (cx < 0 || cy < 0 || cx > kMaxClientSide || cy > kMaxClientSide) return 0;
        if (parent && !IsWindow(parent)) return 0;
        if (!RegisterOnce()) return 0;
        const DWORD style = parent ? kChildStyle : kTopLevelStyle;
        ::RECT r{0, 0, cx, cy};
        if (!AdjustWindowRectEx(&r, style, FALSE, 0)) return 0;
        ::HWND h = CreateWindowExW(0, kClassName, Wide(title).c_str(), style, x, y, r.right - r.left,
                                   r.bottom - r.top, Sys(parent), nullptr, ThisModule(), nullptr);
        if (!h) return 0;
        ShowWindow(h, SW_SHOW);
        UpdateWindow(h);
        return FromHandle(h);
    }

    void DestroyAppWindow(HWND hwnd) override {
        if (IsWindow(hwnd)) ::DestroyWindow(Sys(hwnd));
    }

    int32_t ShowCursor(int32_t show) override { return ::ShowCursor(show != 0); }
};

}  // namespace

WindowService& Windows() {
    static WinWindows w;
    return w;
}

}  // namespace vexo::win
