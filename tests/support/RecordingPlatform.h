// The test platform: windows, device contexts, host services and a root whose
// display, input, sound and music objects record every call into one log
// (see Recorder.h for its entries and failures). Objects are named in the
// log: DX (root), DD (display object), S<n> (surfaces, in creation order),
// Clip, Picture, Win, Gdi and Host; the input objects di<n>, kbd<n>, joy<n>,
// enum<n>, item<n> share one count; the sound device has no name, its buffers
// are b0, b1 ...; the music objects are loader<n>, perf<n>, seg<n>, state<n>.
// A test may hand out other families instead (the real platform's) and
// still record the root's calls.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/DDraw.h"
#include "common/DInput.h"
#include "common/DMusic.h"
#include "common/DSound.h"
#include "common/Platform.h"
#include "tests/support/Recorder.h"

namespace vexo::test {

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

struct MessageBoxCall {
    std::string prompt;
    int32_t buttons = 0;
    std::string title;
};

class FakeSurface;

struct State : Recorder {
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
    HDC nextDC = 1000;
    HGDIOBJ selected = 77;  // what a new memory DC holds before SelectObject

    // Input devices attached: joystick instance identifiers in enumeration
    // order, the state each reports, and the keyboard's.
    std::vector<std::string> joysticks;
    std::map<std::string, DIJOYSTATE> joyStates;
    DIKEYBOARDSTATE keys;

    // What the sound buffers were created with, in order.
    std::vector<DSBUFFERDESC> descs;
    std::vector<WAVEFORMATEX> formats;

    // Host: message boxes are recorded instead of shown; message passes are
    // counted and may run application code.
    std::vector<MessageBoxCall> boxes;
    std::function<void()> onDoEvents;
    int doEvents = 0;

    // Families the root hands out instead of the recording ones.
    std::function<Ref<DirectInput>()> input;
    std::function<Ref<DirectSound>(const std::string& guid)> sound;
    std::function<Ref<DirectMusicLoader>()> musicLoader;
    std::function<Ref<DirectMusicPerformance>()> musicPerformance;
    // Takes the factories of a set of families (the platform's registry).
    template <class F>
    void UseFamilies(const F& f) {
        input = f.input;
        sound = f.sound;
        musicLoader = f.musicLoader;
        musicPerformance = f.musicPerformance;
    }
};

using StatePtr = std::shared_ptr<State>;

// A recording object: its name in the log, counted alive by kind, and its
// final release logged as "~name".
class Recorded {
public:
    Recorded(StatePtr s, std::string n, std::string kind);
    Recorded(const Recorded&) = delete;
    Recorded& operator=(const Recorded&) = delete;
    virtual ~Recorded();
    StatePtr st;
    const std::string name;

protected:
    void Call(const std::string& method, const std::string& args = "") { st->Call(name, method, args); }

private:
    std::string kind_;
};

// The name of a recording object in the log, "null" for anything else.
template <class T>
std::string NameOf(const Ref<T>& r) {
    auto* rec = dynamic_cast<Recorded*>(r.get());
    return rec ? rec->name : "null";
}

class FakeSurface : public DirectDrawSurface7, public Recorded {
public:
    FakeSurface(StatePtr s, int32_t w, int32_t h, int32_t caps);
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

class FakeSoundBuffer : public DirectSoundBuffer, public Recorded {
public:
    explicit FakeSoundBuffer(StatePtr s);
    int32_t status = 0;
    int32_t volume = 0, pan = 0, frequency = 0;

    int32_t GetStatus() override;
    void Stop() override;
    void Play(int32_t flags) override;
    void SetCurrentPosition(int32_t p) override;
    void GetCurrentPosition(DSCURSORS& c) override;
    void SetVolume(int32_t v) override;
    int32_t GetVolume() override { return volume; }
    void SetPan(int32_t p) override;
    int32_t GetPan() override { return pan; }
    void SetFrequency(int32_t f) override;
    int32_t GetFrequency() override { return frequency; }
    void GetFormat(WAVEFORMATEX& f) override { f = {}; }
    void GetCaps(DSBUFFERDESC& c) override { c = {}; }
};

class FakeSegmentState : public DirectMusicSegmentState, public Recorded {
public:
    explicit FakeSegmentState(StatePtr s);
    int32_t seek = 0;
    int32_t GetSeek() override;
};

class RecordingPlatform : public Platform, public WindowService, public GdiService, public HostRuntime {
public:
    RecordingPlatform();
    StatePtr st;

    // A window whose frame adds (outer size - client size).
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
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;

private:
    std::map<HDC, HGDIOBJ> memDCs_;
};

}  // namespace vexo::test
