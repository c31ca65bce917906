// Minimal window, device-context and host services for the input tests: a
// few known windows, message processing that counts (and can run a hook).
#pragma once

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Platform.h"

namespace vexo::test {

inline constexpr HWND kWindow = 0x1234;

class FakeWindows : public WindowService {
   public:
    std::set<HWND> windows{kWindow};
    int32_t GetWindowRect(HWND, RECT& r) override { return r = RECT{0, 0, 640, 480}, 1; }
    int32_t GetClientRect(HWND, RECT& r) override { return r = RECT{0, 0, 640, 480}, 1; }
    int32_t SetWindowPos(HWND, HWND, int32_t, int32_t, int32_t, int32_t, int32_t) override { return 1; }
    HWND GetParent(HWND) override { return 0; }
    int32_t IsWindow(HWND h) override { return windows.count(h) ? 1 : 0; }
    HWND CreateAppWindow(const std::string&, int32_t, int32_t, int32_t, int32_t, HWND) override {
        return kWindow;
    }
    void DestroyAppWindow(HWND) override {}
};

class FakeGdi : public GdiService {
   public:
    int32_t GetObjectA(HGDIOBJ, int32_t, BITMAP&) override { return 0; }
    HDC CreateCompatibleDC(HDC) override { return 0; }
    HGDIOBJ SelectObject(HDC, HGDIOBJ) override { return 0; }
    int32_t BitBlt(HDC, int32_t, int32_t, int32_t, int32_t, HDC, int32_t, int32_t, int32_t) override {
        return 0;
    }
    int32_t DeleteDC(HDC) override { return 0; }
    COLORREF GetPixel(HDC, int32_t, int32_t) override { return CLR_INVALID; }
    COLORREF SetPixel(HDC, int32_t, int32_t, COLORREF) override { return CLR_INVALID; }
    int32_t DeleteObject(HGDIOBJ) override { return 0; }
};

class FakeRuntime : public HostRuntime {
   public:
    std::vector<std::string>* log = nullptr;
    std::function<void()> onDoEvents;
    int doEvents = 0;
    Ref<Picture> LoadPicture(const std::string&) override { Raise(53); }
    Ref<Picture> LoadResPicture(const std::string&, int32_t) override { Raise(53); }
    void DoEvents() override {
        ++doEvents;
        if (log) log->push_back("DoEvents");
        if (onDoEvents) onDoEvents();
    }
    float Timer() override { return 0; }
    uint32_t GetTickCount() override { return 0; }
    int32_t MsgBox(const std::string&, int32_t, const std::string&) override { return 1; }
};

}  // namespace vexo::test
