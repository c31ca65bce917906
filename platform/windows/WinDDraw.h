// The DirectDraw family over the system's DirectDraw 7: each class wraps one
// COM pointer and converts the published 32-bit records to the system's.
// Include after common/ headers (the system's macros would rewrite their
// names); after this header, vexo constants that share a name with a system
// macro are reached through the k-names below.
#pragma once

#include <cstdint>

#include "common/DDraw.h"
#include "platform/windows/WinPlatform.h"

namespace vexo::win {

inline constexpr int32_t kNotLocked = status::DDERR_NOTLOCKED;
inline constexpr int32_t kInvalidRect = status::DDERR_INVALIDRECT;
inline constexpr int32_t kInvalidPixelFormat = status::DDERR_INVALIDPIXELFORMAT;
inline constexpr int32_t kFileNotFound = status::hr(0x80070002);

}  // namespace vexo::win

#include <windows.h>
#include <ddraw.h>

namespace vexo::win {

// Owns one reference to a COM object.
template <class I>
class Com {
public:
    Com() = default;
    // Takes over the reference the system handed out.
    explicit Com(I* p) : p_(p) {}
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }

private:
    I* p_ = nullptr;
};

// --- Record conversion ------------------------------------------------------
inline ::RECT SysRect(const vexo::RECT& r) { return ::RECT{r.Left, r.Top, r.Right, r.Bottom}; }
// A rectangle of all zeros stands for the whole surface: no rectangle.
inline const ::RECT* OptRect(const vexo::RECT& r, ::RECT& storage) {
    if (r.IsAllZero()) return nullptr;
    storage = SysRect(r);
    return &storage;
}
::DDSURFACEDESC2 ToSys(const vexo::DDSURFACEDESC2& d);
vexo::DDSURFACEDESC2 FromSys(const ::DDSURFACEDESC2& d);
::DDBLTFX ToSys(const vexo::DDBLTFX& fx);

// Effects blits turning by 90 or 270 degrees are drawn by TurnBlt (see
// Rotate.cpp); it returns a blit status.
bool DrawsItsOwnTurn(DWORD flags, DWORD ddfx);
int32_t TurnBlt(IDirectDrawSurface7* dst, const vexo::RECT& dest, IDirectDrawSurface7* src, const vexo::RECT& srcRect,
                DWORD flags, const ::DDBLTFX& fx);

// The colour table of a 1-, 4- or 8-bit bitmap file as 256 entries (the rest
// black). A file that cannot be opened raises 0x80070002; one without a
// colour table, or whose headers do not fit the file, E_FAIL.
void ReadBitmapColorTable(const std::string& path, std::span<PALETTEENTRY> entries);

// --- Objects ----------------------------------------------------------------
class WinPalette final : public DirectDrawPalette {
public:
    explicit WinPalette(IDirectDrawPalette* p) : p_(p) {}
    void GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) override;
    void SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) override;
    int32_t GetCaps() override;
    IDirectDrawPalette* Sys() const { return p_.get(); }

private:
    Com<IDirectDrawPalette> p_;
};

class WinClipper final : public DirectDrawClipper {
public:
    explicit WinClipper(IDirectDrawClipper* c) : c_(c) {}
    void SetHWnd(HWND hwnd) override;
    HWND GetHWnd() override;
    int32_t GetClipList(std::span<RECT> rects) override;
    IDirectDrawClipper* Sys() const { return c_.get(); }

private:
    Com<IDirectDrawClipper> c_;
};

class WinSurface final : public DirectDrawSurface7 {
public:
    explicit WinSurface(IDirectDrawSurface7* s) : s_(s) {}

    int32_t Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) override;
    int32_t BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                    int32_t flags) override;
    int32_t BltColorFill(RECT& dest, int32_t fillValue) override;
    int32_t BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                  DDBLTFX& fx) override;

    void GetSurfaceDesc(DDSURFACEDESC2& desc) override;
    void Lock(RECT& r, DDSURFACEDESC2& desc, int32_t flags, int32_t event) override;
    void Unlock(RECT& r) override;
    int32_t GetLockedPixel(int32_t x, int32_t y) override;
    void SetLockedPixel(int32_t x, int32_t y, int32_t value) override;
    LockedArray GetLockedArray() override;
    HDC GetDC() override;
    void ReleaseDC(HDC dc) override;
    void SetColorKey(int32_t flags, DDCOLORKEY& key) override;
    void GetColorKey(int32_t flags, DDCOLORKEY& key) override;
    Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2& caps) override;
    void Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) override;
    void SetClipper(const Ref<DirectDrawClipper>& clipper) override;
    void SetPalette(const Ref<DirectDrawPalette>& palette) override;
    Ref<DirectDrawPalette> GetPalette() override;

    IDirectDrawSurface7* Sys() const { return s_.get(); }

private:
    // The address of pixel (x, y) of the locked rectangle; raises when the
    // surface is not locked or the pixel lies outside what was locked.
    uint8_t* LockedAt(int32_t x, int32_t y) const;

    Com<IDirectDrawSurface7> s_;
    // What the current lock gave: the rectangle's first byte, its pitch and
    // the bytes of one pixel.
    bool locked_ = false;
    bool lockedWhole_ = false;
    ::RECT lockRect_{};
    uint8_t* lockBase_ = nullptr;
    int32_t lockPitch_ = 0;
    int32_t lockBytes_ = 0;
};

// The system object behind a platform reference; null when the reference is
// empty or holds another platform's object.
IDirectDrawSurface7* SysOf(const Ref<DirectDrawSurface7>& s);

}  // namespace vexo::win
