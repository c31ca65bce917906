// Recording stand-ins for the display objects the fades and the effects
// blit reach: a palette, a primary surface that hands it out (or has none)
// and records effects blits, and a display object that records its
// vertical-blank waits. They log into the FakeHost's log, so that the order
// of platform calls, ticks and message passes reads as one list.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "tests/support/FakeHost.h"
#include "common/DDraw.h"
#include "common/Error.h"

namespace vexo::test {

using Table = std::array<PALETTEENTRY, 256>;

class FakePalette final : public DirectDrawPalette {
public:
    explicit FakePalette(std::vector<std::string>& log) : log_(log) {}
    Table entries{};
    std::vector<Table> writes;  // every SetEntries, in order

    void GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) override {
        log_.push_back("GetEntries(" + std::to_string(start) + ", " + std::to_string(count) + ")");
        std::copy_n(entries.begin(), std::min<size_t>(out.size(), 256), out.begin());
    }
    void SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) override {
        log_.push_back("SetEntries(" + std::to_string(start) + ", " + std::to_string(count) + ")");
        std::copy_n(in.begin(), std::min<size_t>(in.size(), 256), entries.begin());
        writes.push_back(entries);
    }
    int32_t GetCaps() override { return DDPCAPS_8BIT | DDPCAPS_ALLOW256; }

private:
    std::vector<std::string>& log_;
};

class FakeSurface final : public DirectDrawSurface7 {
public:
    explicit FakeSurface(std::vector<std::string>& log) : log_(log) {}
    Ref<DirectDrawPalette> palette;
    // The last effects blit.
    RECT fxDest{}, fxSrc{};
    int32_t fxFlags = 0;
    DDBLTFX fxRecord{};
    const DirectDrawSurface7* fxSource = nullptr;
    int32_t fxResult = 0;
    bool fxRaise = false;

    Ref<DirectDrawPalette> GetPalette() override {
        log_.push_back("GetPalette");
        if (!palette) Raise(status::DDERR_NOPALETTEATTACHED);
        return palette;
    }
    int32_t BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                  DDBLTFX& fx) override {
        log_.push_back("BltFx");
        if (fxRaise) Raise(status::E_INVALIDARG);
        fxDest = dest, fxSrc = srcRect, fxFlags = flags, fxRecord = fx, fxSource = src.get();
        return fxResult;
    }

    int32_t Blt(RECT&, const Ref<DirectDrawSurface7>&, RECT&, int32_t) override { return status::E_NOTIMPL; }
    int32_t BltFast(int32_t, int32_t, const Ref<DirectDrawSurface7>&, RECT&, int32_t) override {
        return status::E_NOTIMPL;
    }
    int32_t BltColorFill(RECT&, int32_t) override { return status::E_NOTIMPL; }
    void GetSurfaceDesc(DDSURFACEDESC2&) override { Raise(status::E_NOTIMPL); }
    void Lock(RECT&, DDSURFACEDESC2&, int32_t, int32_t) override { Raise(status::E_NOTIMPL); }
    void Unlock(RECT&) override { Raise(status::E_NOTIMPL); }
    int32_t GetLockedPixel(int32_t, int32_t) override { Raise(status::E_NOTIMPL); }
    void SetLockedPixel(int32_t, int32_t, int32_t) override { Raise(status::E_NOTIMPL); }
    HDC GetDC() override { Raise(status::E_NOTIMPL); }
    void ReleaseDC(HDC) override { Raise(status::E_NOTIMPL); }
    void SetColorKey(int32_t, DDCOLORKEY&) override { Raise(status::E_NOTIMPL); }
    void GetColorKey(int32_t, DDCOLORKEY&) override { Raise(status::E_NOTIMPL); }
    Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2&) override { Raise(status::E_NOTIMPL); }
    void Flip(const Ref<DirectDrawSurface7>&, int32_t) override { Raise(status::E_NOTIMPL); }
    void SetClipper(const Ref<DirectDrawClipper>&) override { Raise(status::E_NOTIMPL); }

private:
    std::vector<std::string>& log_;
};

class FakeDisplay final : public DirectDraw7 {
public:
    explicit FakeDisplay(std::vector<std::string>& log) : log_(log) {}
    int32_t WaitForVerticalBlank(int32_t flags, int32_t event) override {
        log_.push_back("VB(" + std::to_string(flags) + ", " + std::to_string(event) + ")");
        return 0;
    }
    void SetCooperativeLevel(HWND, int32_t) override { Raise(status::E_NOTIMPL); }
    void SetDisplayMode(int32_t, int32_t, int32_t, int32_t, int32_t) override { Raise(status::E_NOTIMPL); }
    void RestoreDisplayMode() override { Raise(status::E_NOTIMPL); }
    void FlipToGDISurface() override { Raise(status::E_NOTIMPL); }
    Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2&) override { Raise(status::E_NOTIMPL); }
    Ref<DirectDrawClipper> CreateClipper(int32_t) override { Raise(status::E_NOTIMPL); }
    void GetDisplayMode(DDSURFACEDESC2&) override { Raise(status::E_NOTIMPL); }

private:
    std::vector<std::string>& log_;
};

}  // namespace vexo::test
