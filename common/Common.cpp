// Shared conventions: raising, conversions, platform registry, defaults of the
// optional platform operations.
#include <cmath>
#include <mutex>

#include "common/DDraw.h"
#include "common/DInput.h"
#include "common/DMusic.h"
#include "common/DSound.h"
#include "common/Error.h"
#include "common/Platform.h"
#include "common/Types.h"

namespace vexo {

void Raise(int32_t number) { throw VbError(number); }

namespace {
double RoundHalfEven(double v) { return std::nearbyint(v); }  // default rounding mode is to nearest even
}  // namespace

int32_t RoundTo32(double v) {
    if (std::isnan(v)) Raise(ERR_OVERFLOW);
    return To32(static_cast<int64_t>(std::fmax(std::fmin(RoundHalfEven(v), 9.3e18), -9.3e18)));
}
int16_t RoundTo16(double v) { return To16(RoundTo32(v)); }
uint8_t RoundToByte(double v) { return ToByte(RoundTo32(v)); }

std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "RECT{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}
std::ostream& operator<<(std::ostream& os, const PALETTEENTRY& p) {
    return os << "PALETTEENTRY{" << int(p.red) << ", " << int(p.green) << ", " << int(p.blue) << ", "
              << int(p.flags) << "}";
}

// --- Optional platform operations: "not supported" until a platform has them.
Ref<DirectDraw7> DirectX7::DirectDrawCreate(const std::string&) { Raise(status::E_NOTIMPL); }
Ref<DirectInput> DirectX7::DirectInputCreate() { Raise(status::E_NOTIMPL); }
Ref<DirectSound> DirectX7::DirectSoundCreate(const std::string&) { Raise(status::E_NOTIMPL); }
Ref<DirectMusicLoader> DirectX7::DirectMusicLoaderCreate() { Raise(status::E_NOTIMPL); }
Ref<DirectMusicPerformance> DirectX7::DirectMusicPerformanceCreate() { Raise(status::E_NOTIMPL); }
Ref<DirectDrawPalette> DirectDraw7::CreatePalette(int32_t, std::span<const PALETTEENTRY>) {
    Raise(status::E_NOTIMPL);
}
void DirectDraw7::LoadPaletteFromBitmap(const std::string&, std::span<PALETTEENTRY>) { Raise(status::E_NOTIMPL); }
int32_t DirectDrawSurface7::BltFx(RECT&, const Ref<DirectDrawSurface7>&, RECT&, int32_t, DDBLTFX&) {
    return status::E_NOTIMPL;
}
LockedArray DirectDrawSurface7::GetLockedArray() { Raise(status::E_NOTIMPL); }
void DirectDrawSurface7::SetPalette(const Ref<DirectDrawPalette>&) { Raise(status::E_NOTIMPL); }
Ref<DirectDrawPalette> DirectDrawSurface7::GetPalette() { Raise(status::DDERR_NOPALETTEATTACHED); }

std::string HostRuntime::ErrorText(int32_t number) {
    switch (number) {
        case 5: return "Invalid procedure call or argument";
        case 6: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 11: return "Division by zero";
        case 13: return "Type mismatch";
        case 53: return "File not found";
        case 91: return "Object variable or With block variable not set";
        case 445: return "Object doesn't support this action";
        default: return number < 0 ? "Automation error" : "Application-defined or object-defined error";
    }
}

// --- Platform registry
namespace {
std::mutex g_mu;
Platform* (*g_factory)() = nullptr;
Platform* g_default = nullptr;
Platform* g_installed = nullptr;
}  // namespace

Platform& CurrentPlatform() {
    std::lock_guard<std::mutex> lock(g_mu);
    if (g_installed) return *g_installed;
    if (!g_default && g_factory) g_default = g_factory();
    if (!g_default) Raise(ERR_NOT_SUPPORTED);
    return *g_default;
}

void RegisterDefaultPlatform(Platform* (*factory)()) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_factory = factory;
}

void InstallPlatform(Platform* p) {
    std::lock_guard<std::mutex> lock(g_mu);
    g_installed = p;
}

ScopedPlatform::ScopedPlatform(Platform& p) {
    std::lock_guard<std::mutex> lock(g_mu);
    previous_ = g_installed;
    g_installed = &p;
}
ScopedPlatform::~ScopedPlatform() {
    std::lock_guard<std::mutex> lock(g_mu);
    g_installed = previous_;
}

}  // namespace vexo
