// A platform that records every call the component makes, with its
// arguments, in order, and can be told to fail a given call with a given
// status. Entries read "Object.Method(args)": objects are DX (root), DD
// (display object), S<n> (surfaces, numbered in creation order), Clip,
// Win, Gdi and Host; "~S2" and the like record the final release.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/DDraw.h"
#include "common/Platform.h"

namespace vexo::rec {

struct FakeSurface;

struct Window {
    RECT outer{};
    int32_t clientW = 0;
    int32_t clientH = 0;
    HWND parent = 0;
};

struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t topLeftRaw = 0;  // what a copy into a surface leaves at (0, 0)
};

struct State {
    std::vector<std::string> log;

    // Display the fake offers.
    int32_t displayBpp = 32;
    int32_t screenW = 1920;
    int32_t screenH = 1080;
    // Where GDI's SetPixel on a surface lands, as a raw pixel value.
    std::function<uint32_t(COLORREF)> toPixel = [](COLORREF c) { return c; };
    // What GetPixel reads from a surface.
    COLORREF pixelColour = 0x00030201;
    RECT clip{100, 200, 740, 680};

    std::map<HWND, Window> windows;
    std::map<HBITMAP, Bitmap> bitmaps;
    std::map<std::string, HBITMAP> pictureFiles;
    std::map<HDC, FakeSurface*> surfaceDCs;
    int nextSurface = 1;
    HDC nextDC = 1000;
    HGDIOBJ selected = 77;  // what a new memory DC holds before SelectObject

    // Failure injection. `key` is "Method" (any object) or "Obj.Method";
    // occurrence 0 fails every call, n only the n-th. A raising failure
    // throws even from operations that report by status.
    struct Fail {
        std::string key;
        int32_t status;
        bool raise;
        int occurrence;
        int seen;
    };
    std::vector<Fail> fails;
    void FailOn(const std::string& key, int32_t status, int occurrence = 0) {
        fails.push_back({key, status, true, occurrence, 0});
    }
    // For the blit family: return `status` instead of raising.
    void ReturnOn(const std::string& key, int32_t status, int occurrence = 0) {
        fails.push_back({key, status, false, occurrence, 0});
    }

    // Logs the call; returns the injected status (0 when none) and whether it
    // should raise.
    int32_t Hit(const std::string& obj, const std::string& method, const std::string& args, bool* raise);
    // For operations that only raise.
    void Call(const std::string& obj, const std::string& method, const std::string& args);

    // Entries starting with `prefix`, in order.
    std::vector<std::string> Matching(const std::string& prefix) const;
    // Position of the first entry starting with `prefix`, or -1.
    int IndexOf(const std::string& prefix) const;
    void Clear() { log.clear(); }
};

using StatePtr = std::shared_ptr<State>;

struct FakeSurface : DirectDrawSurface7 {
    FakeSurface(StatePtr s, int32_t w, int32_t h, int32_t caps);
    ~FakeSurface() override;
    std::string name;
    StatePtr st;
    int32_t width, height, caps;
    int32_t bpp;
    std::vector<uint32_t> pixels;
    bool locked = false;
    bool dcOut = false;
    DDCOLORKEY key{};
    Ref<DirectDrawSurface7> attached;

    int32_t Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) override;
    int32_t BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                    int32_t flags) override;
    int32_t BltColorFill(RECT& dest, int32_t fillValue) override;
    void GetSurfaceDesc(DDSURFACEDESC2& desc) override;
    void Lock(RECT& r, DDSURFACEDESC2& desc, int32_t flags, int32_t event) override;
    void Unlock(RECT& r) override;
    int32_t GetLockedPixel(int32_t x, int32_t y) override;
    void SetLockedPixel(int32_t x, int32_t y, int32_t value) override;
    HDC GetDC() override;
    void ReleaseDC(HDC dc) override;
    void SetColorKey(int32_t flags, DDCOLORKEY& key) override;
    void GetColorKey(int32_t flags, DDCOLORKEY& key) override;
    Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2& caps) override;
    void Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) override;
    void SetClipper(const Ref<DirectDrawClipper>& clipper) override;
};

// Name of a surface reference for log comparisons ("S3", or "null").
std::string NameOf(const Ref<DirectDrawSurface7>& s);

class RecordingPlatform : public Platform, public WindowService, public GdiService, public HostRuntime {
public:
    RecordingPlatform();
    StatePtr st;

    // A top-level window whose frame adds 8 x 27 to its client area.
    HWND AddWindow(HWND h, RECT outer, int32_t clientW, int32_t clientH, HWND parent = 0);

    Ref<DirectX7> CreateDirectX7() override;
    WindowService& Windows() override { return *this; }
    GdiService& Gdi() override { return *this; }
    HostRuntime& Runtime() override { return *this; }

    // WindowService
    int32_t GetWindowRect(HWND hwnd, RECT& r) override;
    int32_t GetClientRect(HWND hwnd, RECT& r) override;
    int32_t SetWindowPos(HWND hwnd, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                         int32_t flags) override;
    HWND GetParent(HWND hwnd) override;
    int32_t ClientToScreen(HWND hwnd, POINT& p) override;
    int32_t IsWindow(HWND hwnd) override { return st->windows.count(hwnd) ? 1 : 0; }
    HWND CreateAppWindow(const std::string&, int32_t, int32_t, int32_t, int32_t, HWND) override { return 0; }
    void DestroyAppWindow(HWND) override {}

    // GdiService
    int32_t GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) override;
    HDC CreateCompatibleDC(HDC dc) override;
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) override;
    int32_t BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs, int32_t ys,
                   int32_t rop) override;
    int32_t DeleteDC(HDC dc) override;
    COLORREF GetPixel(HDC dc, int32_t x, int32_t y) override;
    COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) override;
    int32_t DeleteObject(HGDIOBJ) override { return 1; }

    // HostRuntime
    Ref<Picture> LoadPicture(const std::string& file) override;
    Ref<Picture> LoadResPicture(const std::string& resId, int32_t type) override;
    void DoEvents() override;
    float Timer() override { return 0.0f; }
    uint32_t GetTickCount() override { return 0; }
    int32_t MsgBox(const std::string&, int32_t, const std::string&) override { return 1; }

private:
    std::map<HDC, HGDIOBJ> memDCs_;
    std::map<HDC, HBITMAP> memDCBitmap_;
};

}  // namespace vexo::rec
