// Test platforms for the music component: services that do nothing, so a
// test only supplies the root object it needs.
#pragma once

#include <memory>
#include <string>

#include "common/DMusic.h"
#include "common/Platform.h"

namespace vexo::test {

class NullWindows : public WindowService {
public:
    int32_t GetWindowRect(HWND, RECT&) override { return 0; }
    int32_t GetClientRect(HWND, RECT&) override { return 0; }
    int32_t SetWindowPos(HWND, HWND, int32_t, int32_t, int32_t, int32_t, int32_t) override { return 0; }
    HWND GetParent(HWND) override { return 0; }
    int32_t IsWindow(HWND) override { return 0; }
    HWND CreateAppWindow(const std::string&, int32_t, int32_t, int32_t, int32_t, HWND) override { return 0; }
    void DestroyAppWindow(HWND) override {}
};

class NullGdi : public GdiService {
public:
    int32_t GetObjectA(HGDIOBJ, int32_t, BITMAP&) override { return 0; }
    HDC CreateCompatibleDC(HDC) override { return 0; }
    HGDIOBJ SelectObject(HDC, HGDIOBJ) override { return 0; }
    int32_t BitBlt(HDC, int32_t, int32_t, int32_t, int32_t, HDC, int32_t, int32_t, int32_t) override { return 0; }
    int32_t DeleteDC(HDC) override { return 0; }
    COLORREF GetPixel(HDC, int32_t, int32_t) override { return CLR_INVALID; }
    COLORREF SetPixel(HDC, int32_t, int32_t, COLORREF) override { return CLR_INVALID; }
    int32_t DeleteObject(HGDIOBJ) override { return 0; }
};

class NullRuntime : public HostRuntime {
public:
    Ref<Picture> LoadPicture(const std::string&) override { Raise(status::E_NOTIMPL); }
    Ref<Picture> LoadResPicture(const std::string&, int32_t) override { Raise(status::E_NOTIMPL); }
    void DoEvents() override {}
    float Timer() override { return 0; }
    uint32_t GetTickCount() override { return 0; }
    int32_t MsgBox(const std::string&, int32_t, const std::string&) override { return 1; }
};

// A platform whose root objects come from `make`.
class RootPlatform : public Platform {
public:
    explicit RootPlatform(std::function<Ref<DirectX7>()> make) : make_(std::move(make)) {}
    Ref<DirectX7> CreateDirectX7() override { return make_(); }
    WindowService& Windows() override { return windows_; }
    GdiService& Gdi() override { return gdi_; }
    HostRuntime& Runtime() override { return runtime_; }

private:
    std::function<Ref<DirectX7>()> make_;
    NullWindows windows_;
    NullGdi gdi_;
    NullRuntime runtime_;
};

}  // namespace vexo::test
