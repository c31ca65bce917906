// Placeholder for a piece not written yet: each call raises 445 "not
// supported", so a DLL loads and reports what it lacks.
#include "platform/windows/WinPlatform.h"

namespace vexo::win {

namespace {

[[noreturn]] void Pending() { Raise(ERR_NOT_SUPPORTED); }

class PendingWindows final : public WindowService {
public:
    int32_t GetWindowRect(HWND, RECT&) override { Pending(); }
    int32_t GetClientRect(HWND, RECT&) override { Pending(); }
    int32_t SetWindowPos(HWND, HWND, int32_t, int32_t, int32_t, int32_t, int32_t) override { Pending(); }
    HWND GetParent(HWND) override { Pending(); }
    int32_t IsWindow(HWND) override { Pending(); }
    HWND CreateAppWindow(const std::string&, int32_t, int32_t, int32_t, int32_t, HWND) override { Pending(); }
    void DestroyAppWindow(HWND) override { Pending(); }
};

class PendingGdi final : public GdiService {
public:
    int32_t GetObjectA(HGDIOBJ, int32_t, BITMAP&) override { Pending(); }
    HDC CreateCompatibleDC(HDC) override { Pending(); }
    HGDIOBJ SelectObject(HDC, HGDIOBJ) override { Pending(); }
    int32_t BitBlt(HDC, int32_t, int32_t, int32_t, int32_t, HDC, int32_t, int32_t, int32_t) override { Pending(); }
    int32_t DeleteDC(HDC) override { Pending(); }
    COLORREF GetPixel(HDC, int32_t, int32_t) override { Pending(); }
    COLORREF SetPixel(HDC, int32_t, int32_t, COLORREF) override { Pending(); }
    int32_t DeleteObject(HGDIOBJ) override { Pending(); }
};

class PendingRuntime final : public HostRuntime {
public:
    Ref<Picture> LoadPicture(const std::string&) override { Pending(); }
    Ref<Picture> LoadResPicture(const std::string&, int32_t) override { Pending(); }
    void DoEvents() override { Pending(); }
    float Timer() override { Pending(); }
    uint32_t GetTickCount() override { Pending(); }
    int32_t MsgBox(const std::string&, int32_t, const std::string&) override { Pending(); }
};

}  // namespace

WindowService& Windows() {
    static PendingWindows w;
    return w;
}
GdiService& Gdi() {
    static PendingGdi g;
    return g;
}
HostRuntime& Runtime() {
    static PendingRuntime r;
    return r;
}

}  // namespace vexo::win
