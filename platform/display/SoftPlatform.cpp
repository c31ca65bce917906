// The software platform: root object, window, GDI and host services, its
// registration as the default platform, and the display's public functions.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/DInput.h"
#include "common/DMusic.h"
#include "common/DSound.h"
#include "common/Platform.h"
#include "platform/Families.h"
#include "platform/display/AsyncKeys.h"
#include "platform/display/DirectDraw.h"
#include "platform/display/Display.h"
#include "platform/display/Screen.h"
#include "platform/display/Surface.h"
#include "platform/display/Windows.h"
#include "platform/display/gdi/Gdi.h"
#include "platform/display/picture/Bmp.h"
#include "platform/display/text/Text.h"

namespace vexo::plat {

namespace {

constexpr int32_t kErrResourceNotFound = 326;

// A loaded picture owns its bitmap handle.
class SoftPicture final : public Picture {
public:
    explicit SoftPicture(HBITMAP h) : handle_(h) {}
    ~SoftPicture() override { Gdi().ForgetBitmap(handle_); }
    HBITMAP Handle() override { return handle_; }

private:
    HBITMAP handle_;
};

class SoftRuntime final : public HostRuntime {
public:
    Ref<Picture> LoadPicture(const std::string& file) override {
        const std::vector<uint8_t> bytes = ReadPictureFile(file);
        auto bitmap = DecodePicture(bytes);
        return Ref<Picture>(new SoftPicture(Gdi().AddBitmap(std::move(bitmap))));
    }
    // The components carry no bitmap resources: every lookup fails the way
    // the run time reports a missing resource.
    Ref<Picture> LoadResPicture(const std::string&, int32_t) override { Raise(kErrResourceNotFound); }
    void DoEvents() override { Screen().Backend().PumpEvents(); }
    float Timer() override {
        const auto now = std::chrono::system_clock::now();
        const std::time_t t = std::chrono::system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&t, &local);
        const auto frac = now - std::chrono::system_clock::from_time_t(t);
        const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                               std::chrono::duration<double>(frac).count();
        return float(seconds);
    }
    // Milliseconds since the system started, wrapping at 2^32 like the real counter.
    uint32_t GetTickCount() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return uint32_t(uint64_t(ms.count()));
    }
    int16_t GetAsyncKeyState(int32_t vk) override { return AsyncKeyState(vk); }
    std::string ToAnsi(const std::string& text) override { return plat::ToAnsi(text); }
    std::string FromAnsi(const std::string& ansi) override { return plat::FromAnsi(ansi); }
    // Headless there is nobody to press a button: the message goes to
    // stderr and the answer is OK. Prompts break lines with carriage returns
    // (CR LF counts as one break); dialogs and terminals here want LF.
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override {
        std::string text;
        for (size_t i = 0; i < prompt.size(); ++i) {
            if (prompt[i] != '\r') text += prompt[i];
            else if (i + 1 == prompt.size() || prompt[i + 1] != '\n') text += '\n';
        }
        const int32_t answer = Screen().Backend().MessageBox(text, buttons, title);
        if (answer >= 0) return answer;
        if (text.empty() || text.back() != '\n') text += '\n';
        std::fprintf(stderr, "%s: %s", title.c_str(), text.c_str());
        return 1;
    }
    std::string ErrorText(int32_t number) override {
        switch (number) {
            case kErrInvalidPicture: return "Invalid picture";
            case kErrResourceNotFound: return "Resource with identifier not found";
            default: return HostRuntime::ErrorText(number);
        }
    }
};

class SoftPlatform final : public Platform {
public:
    Ref<DirectX7> CreateDirectX7() override { return Ref<DirectX7>(new SoftDirectX7); }
    WindowService& Windows() override { return plat::Windows(); }
    GdiService& Gdi() override { return plat::Gdi(); }
    HostRuntime& Runtime() override { return runtime_; }

private:
    SoftRuntime runtime_;
};

Platform* MakeSoftPlatform() {
    static Platform* p = new SoftPlatform;
    return p;
}

// Loading the platform library makes it the default platform.
const bool g_registered = [] {
    RegisterDefaultPlatform(&MakeSoftPlatform);
    return true;
}();

}  // namespace

// --- Root object -------------------------------------------------------------

Ref<DirectDraw7> SoftDirectX7::DirectDrawCreate(const std::string& guid) {
    if (!guid.empty()) Raise(st::INVALIDDIRECTDRAWGUID);
    return Ref<DirectDraw7>(new SoftDirectDraw);
}

Ref<DirectInput> SoftDirectX7::DirectInputCreate() {
    auto& f = RegisteredFamilies();
    if (!f.input) Raise(status::E_NOTIMPL);
    return f.input();
}

Ref<DirectSound> SoftDirectX7::DirectSoundCreate(const std::string& guid) {
    auto& f = RegisteredFamilies();
    if (!f.sound) Raise(status::E_NOTIMPL);
    return f.sound(guid);
}

Ref<DirectMusicLoader> SoftDirectX7::DirectMusicLoaderCreate() {
    auto& f = RegisteredFamilies();
    if (!f.musicLoader) Raise(status::E_NOTIMPL);
    return f.musicLoader();
}

Ref<DirectMusicPerformance> SoftDirectX7::DirectMusicPerformanceCreate() {
    auto& f = RegisteredFamilies();
    if (!f.musicPerformance) Raise(status::E_NOTIMPL);
    return f.musicPerformance();
}

// --- Public functions ----------------------------------------------------------

void SetDesktop(int32_t width, int32_t height, int32_t bpp) { Screen().SetDesktop({width, height, bpp}); }

void GetDesktop(int32_t& width, int32_t& height, int32_t& bpp) {
    const DisplayMode m = Screen().Desktop();
    width = m.width, height = m.height, bpp = m.bpp;
}

void GetScreenMode(int32_t& width, int32_t& height, int32_t& bpp) {
    const DisplayMode m = Screen().Mode();
    width = m.width, height = m.height, bpp = m.bpp;
}

void SetVideoMemory(int64_t bytes) { Screen().SetVideoMemory(bytes); }
int64_t VideoMemoryFree() { return Screen().VideoMemory() - Screen().VideoUsed(); }

HWND CreateWindow(const std::string& title, int32_t x, int32_t y, int32_t clientW, int32_t clientH, HWND parent) {
    return Windows().CreateAppWindow(title, x, y, clientW, clientH, parent);
}
void DestroyWindow(HWND hwnd) { Windows().DestroyAppWindow(hwnd); }
std::vector<HWND> TakeCloseRequests() { return Screen().TakeCloseRequests(); }

COLORREF ScreenPixel(int32_t x, int32_t y) {
    const Frame f = Screen().CurrentFrame();
    if (x < 0 || y < 0 || x >= f.width || y >= f.height) return CLR_INVALID;
    const uint32_t p = f.pixels[size_t(y) * size_t(f.pitch) + size_t(x)];
    return COLORREF(RGB((p >> 16) & 255, (p >> 8) & 255, p & 255));
}

bool SaveScreenPng(const std::string& path) {
    const Frame f = Screen().CurrentFrame();
    return WritePng(path, f, RECT{0, 0, f.width, f.height});
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
    RECT r;
    if (!Windows().VisibleClient(hwnd, Screen().ScreenRect(), r)) return false;
    return WritePng(path, Screen().CurrentFrame(), r);
}

int32_t CursorCount() { return Windows().CursorCount(); }
std::string BackendName() { return Screen().Backend().Name(); }

}  // namespace vexo::plat
