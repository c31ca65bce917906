// The Windows platform object, the root and its registration as the
// default platform when the DLL that carries it loads.
#include "platform/windows/WinPlatform.h"

#include "common/DInput.h"
#include "common/DMusic.h"
#include "common/DSound.h"
#include "platform/Families.h"

#include <windows.h>

namespace vexo::win {

namespace {

// A family that did not register answers "not supported", as on a system
// without it.
template <typename F, typename... A>
auto FromFamily(const F& factory, A&&... args) {
    if (!factory) Raise(kNotImplemented);
    return factory(std::forward<A>(args)...);
}

class WinDirectX7 final : public DirectX7 {
public:
    Ref<DirectDraw7> DirectDrawCreate(const std::string& guid) override { return CreateDirectDraw(guid); }
    Ref<DirectInput> DirectInputCreate() override { return FromFamily(plat::RegisteredFamilies().input); }
    Ref<DirectSound> DirectSoundCreate(const std::string& guid) override {
        return FromFamily(plat::RegisteredFamilies().sound, guid);
    }
    Ref<DirectMusicLoader> DirectMusicLoaderCreate() override {
        return FromFamily(plat::RegisteredFamilies().musicLoader);
    }
    Ref<DirectMusicPerformance> DirectMusicPerformanceCreate() override {
        return FromFamily(plat::RegisteredFamilies().musicPerformance);
    }
};

class WinPlatform final : public Platform {
public:
    Ref<DirectX7> CreateDirectX7() override { return Ref<DirectX7>(new WinDirectX7); }
    WindowService& Windows() override { return win::Windows(); }
    GdiService& Gdi() override { return win::Gdi(); }
    HostRuntime& Runtime() override { return win::Runtime(); }
};

Platform* MakeWinPlatform() {
    static Platform* p = new WinPlatform;
    return p;
}

const bool g_registered = [] {
    RegisterDefaultPlatform(&MakeWinPlatform);
    return true;
}();

}  // namespace

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const wchar_t* wide, int length) {
    if (!wide) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), n, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();  // the terminator
    return out;
}

}  // namespace vexo::win
