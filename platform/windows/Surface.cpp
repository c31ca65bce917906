// Surfaces over IDirectDrawSurface7: blits (their status returned as the
// system gives it), locks with pixel access at the surface's depth, device
// contexts, colour keys, the flipping chain, clipper and palette.
#include <cstring>

#include "common/Error.h"
#include "platform/windows/WinDDraw.h"

namespace vexo::win {

namespace {

// Blit flags whose meaning lives in a DDBLTFX record: Blt has none to give.
constexpr DWORD kFlagsNeedingFx = 0x000001FF | DDBLT_COLORFILL | DDBLT_DDFX | DDBLT_DDROPS | DDBLT_KEYDESTOVERRIDE |
                                  DDBLT_KEYSRCOVERRIDE | DDBLT_ROP | DDBLT_ROTATIONANGLE | 0x00F80000 |
                                  DDBLT_DEPTHFILL;

uint32_t ReadPixel(const uint8_t* p, int32_t bytes) {
    uint32_t v = 0;
    std::memcpy(&v, p, size_t(bytes));
    return v;
}

void WritePixel(uint8_t* p, int32_t bytes, uint32_t v) { std::memcpy(p, &v, size_t(bytes)); }

}  // namespace

IDirectDrawSurface7* SysOf(const Ref<DirectDrawSurface7>& s) {
    auto* w = dynamic_cast<WinSurface*>(s.get());
    return w ? w->Sys() : nullptr;
}

// --- Blits --------------------------------------------------------------------

int32_t WinSurface::Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) {
    if (DWORD(flags) & kFlagsNeedingFx) return kInvalidArg;
    IDirectDrawSurface7* from = SysOf(src);
    if (!from) return kInvalidArg;
    ::RECT d, s;
    return int32_t(s_->Blt(const_cast<::RECT*>(OptRect(dest, d)), from, const_cast<::RECT*>(OptRect(srcRect, s)),
                           DWORD(flags), nullptr));
}

int32_t WinSurface::BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                            int32_t flags) {
    IDirectDrawSurface7* from = SysOf(src);
    if (!from) return kInvalidArg;
    // The system takes the corner unsigned: a negative one is outside.
    if (x < 0 || y < 0) return kInvalidRect;
    ::RECT s;
    return int32_t(s_->BltFast(DWORD(x), DWORD(y), from, const_cast<::RECT*>(OptRect(srcRect, s)), DWORD(flags)));
}

int32_t WinSurface::BltColorFill(RECT& dest, int32_t fillValue) {
    ::DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = DWORD(fillValue);
    ::RECT d;
    return int32_t(s_->Blt(const_cast<::RECT*>(OptRect(dest, d)), nullptr, nullptr, DDBLT_COLORFILL, &fx));
}

int32_t WinSurface::BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                          DDBLTFX& fx) {
    // A colour fill reads no source; every other effect needs one of ours.
    IDirectDrawSurface7* from = SysOf(src);
    if (!from && !(flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL))) return kInvalidArg;
    ::DDBLTFX sys = ToSys(fx);
    if (from && DrawsItsOwnTurn(DWORD(flags), sys.dwDDFX)) return TurnBlt(s_.get(), dest, from, srcRect, DWORD(flags), sys);
    ::RECT d, s;
    return int32_t(s_->Blt(const_cast<::RECT*>(OptRect(dest, d)), from,
                           from ? const_cast<::RECT*>(OptRect(srcRect, s)) : nullptr, DWORD(flags), &sys));
}

// --- Description and locks ------------------------------------------------------

void WinSurface::GetSurfaceDesc(DDSURFACEDESC2& desc) {
    ::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    Check(s_->GetSurfaceDesc(&d));
    desc = FromSys(d);
}

void WinSurface::Lock(RECT& r, DDSURFACEDESC2& desc, int32_t flags, int32_t event) {
    ::DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ::RECT storage;
    const ::RECT* rect = OptRect(r, storage);
    Check(s_->Lock(const_cast<::RECT*>(rect), &d, DWORD(flags), ToHandle<HANDLE>(event)));
    const int32_t bits = int32_t(d.ddpfPixelFormat.dwRGBBitCount);
    if (!d.lpSurface || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        // No pixel access at a depth this platform does not read: give the
        // lock back and say the format is not one of ours.
        s_->Unlock(const_cast<::RECT*>(rect));
        Raise(kInvalidPixelFormat);
    }
    locked_ = true;
    lockedWhole_ = rect == nullptr;
    lockRect_ = rect ? *rect : ::RECT{0, 0, LONG(d.dwWidth), LONG(d.dwHeight)};
    lockBase_ = static_cast<uint8_t*>(d.lpSurface);
    lockPitch_ = int32_t(d.lPitch);
    lockBytes_ = bits / 8;
    desc = FromSys(d);
}

void WinSurface::Unlock(RECT&) {
    // The system wants the rectangle the lock was taken with.
    ::RECT r = lockRect_;
    Check(s_->Unlock(locked_ && !lockedWhole_ ? &r : nullptr));
    locked_ = false;
    lockBase_ = nullptr;
}

uint8_t* WinSurface::LockedAt(int32_t x, int32_t y) const {
    if (!locked_) Raise(kNotLocked);
    if (x < lockRect_.left || y < lockRect_.top || x >= lockRect_.right || y >= lockRect_.bottom)
        Raise(kInvalidArg);
    return lockBase_ + int64_t(y - lockRect_.top) * lockPitch_ + int64_t(x - lockRect_.left) * lockBytes_;
}

int32_t WinSurface::GetLockedPixel(int32_t x, int32_t y) { return int32_t(ReadPixel(LockedAt(x, y), lockBytes_)); }

void WinSurface::SetLockedPixel(int32_t x, int32_t y, int32_t value) {
    WritePixel(LockedAt(x, y), lockBytes_, uint32_t(value));
}

LockedArray WinSurface::GetLockedArray() {
    if (!locked_) Raise(kNotLocked);
    return LockedArray(lockBase_, (lockRect_.right - lockRect_.left) * lockBytes_, lockRect_.bottom - lockRect_.top,
                       lockPitch_);
}

// --- Device contexts -------------------------------------------------------------

HDC WinSurface::GetDC() {
    ::HDC dc = nullptr;
    Check(s_->GetDC(&dc));
    return FromHandle(dc);
}

void WinSurface::ReleaseDC(HDC dc) { Check(s_->ReleaseDC(ToHandle<::HDC>(dc))); }

// --- Colour keys -----------------------------------------------------------------

void WinSurface::SetColorKey(int32_t flags, DDCOLORKEY& key) {
    ::DDCOLORKEY k{DWORD(key.low), DWORD(key.high)};
    Check(s_->SetColorKey(DWORD(flags), &k));
    // Without a colour space the surface keys on one value, and the caller's
    // record says so, as the software platform's does.
    if (!(flags & DDCKEY_COLORSPACE)) key.high = key.low;
}

void WinSurface::GetColorKey(int32_t flags, DDCOLORKEY& key) {
    ::DDCOLORKEY k{};
    Check(s_->GetColorKey(DWORD(flags), &k));
    key.low = int32_t(k.dwColorSpaceLowValue);
    key.high = int32_t(k.dwColorSpaceHighValue);
}

// --- Chain, clipper, palette ------------------------------------------------------

Ref<DirectDrawSurface7> WinSurface::GetAttachedSurface(DDSCAPS2& caps) {
    ::DDSCAPS2 c{};
    c.dwCaps = DWORD(caps.lCaps);
    c.dwCaps2 = DWORD(caps.lCaps2);
    c.dwCaps3 = DWORD(caps.lCaps3);
    c.dwCaps4 = DWORD(caps.lCaps4);
    IDirectDrawSurface7* found = nullptr;
    Check(s_->GetAttachedSurface(&c, &found));
    return Ref<DirectDrawSurface7>(new WinSurface(found));
}

void WinSurface::Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) {
    IDirectDrawSurface7* t = nullptr;
    if (target) {
        t = SysOf(target);
        if (!t) Raise(kInvalidArg);
    }
    Check(s_->Flip(t, DWORD(flags)));
}

void WinSurface::SetClipper(const Ref<DirectDrawClipper>& clipper) {
    IDirectDrawClipper* c = nullptr;
    if (clipper) {
        auto* w = dynamic_cast<WinClipper*>(clipper.get());
        if (!w) Raise(kInvalidArg);
        c = w->Sys();
    }
    Check(s_->SetClipper(c));
}

void WinSurface::SetPalette(const Ref<DirectDrawPalette>& palette) {
    IDirectDrawPalette* p = nullptr;
    if (palette) {
        auto* w = dynamic_cast<WinPalette*>(palette.get());
        if (!w) Raise(kInvalidArg);
        p = w->Sys();
    }
    Check(s_->SetPalette(p));
}

Ref<DirectDrawPalette> WinSurface::GetPalette() {
    IDirectDrawPalette* p = nullptr;
    Check(s_->GetPalette(&p));
    return Ref<DirectDrawPalette>(new WinPalette(p));
}

}  // namespace vexo::win
