// The software surfaces, palettes and clippers behind the DirectDraw
// declarations.
#pragma once

#include <memory>
#include <vector>

#include "common/DDraw.h"
#include "platform/display/PixelFormat.h"

namespace vexo::plat {

enum : int32_t {
    DDSCAPS_VISIBLE_ = 0x8000,
    DDFLIP_NOVSYNC_ = 0x8,
    DDPCAPS_1BIT_ = 0x100,
    DDPCAPS_2BIT_ = 0x200,
};

// Published statuses the display needs beyond common/Error.h.
namespace st {
inline constexpr int32_t NOCOOPERATIVELEVELSET = status::hr(0x887600D4);
inline constexpr int32_t BLTFASTCANTCLIP = status::hr(0x887602C8);
inline constexpr int32_t EXCLUSIVEMODEALREADYSET = status::hr(0x88760245);
inline constexpr int32_t INVALIDDIRECTDRAWGUID = status::hr(0x88760231);
inline constexpr int32_t NOTPALETTIZED = status::hr(0x88760235);
}  // namespace st

class SoftPalette final : public DirectDrawPalette {
public:
    SoftPalette(int32_t caps, int32_t count) : caps_(caps), count_(count) {}
    void GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) override;
    void SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) override;
    int32_t GetCaps() override { return caps_; }

    // Fills every entry at creation (the forced black and white included).
    void Init(std::span<const PALETTEENTRY> in);
    const Palette256& Entries() const { return entries_; }
    int32_t Count() const { return count_; }

private:
    bool Fixed(int32_t i) const;
    Palette256 entries_{};
    int32_t caps_;
    int32_t count_;
};

class SoftClipper final : public DirectDrawClipper {
public:
    void SetHWnd(HWND hwnd) override;
    HWND GetHWnd() override { return hwnd_; }
    int32_t GetClipList(std::span<RECT> rects) override;
    // The area blits into a surface may touch, in screen (= primary)
    // coordinates; false when the clipper has no window.
    bool ClipRect(RECT& r) const;

private:
    HWND hwnd_ = 0;
};

enum class Memory { System, Video, Screen };

class SoftSurface final : public DirectDrawSurface7 {
public:
    SoftSurface(std::shared_ptr<PixelStore> store, int32_t caps, Memory mem);
    ~SoftSurface() override;

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

    // Platform side.
    PixelStore& Store() const { return *store_; }
    int32_t Bpp() const { return store_->bpp; }
    int32_t Caps() const { return caps_; }
    bool IsPrimary() const { return caps_ & DDSCAPS_PRIMARYSURFACE; }
    bool Busy() const { return locked_ || dc_ != 0; }
    const SoftPalette* PaletteObj() const { return palette_.get(); }
    // The palette device contexts on this surface use: its own, else the
    // front buffer's for a back buffer, else the palette in force.
    const PALETTEENTRY* DcPalette() const;
    // Builds a flipping chain with this surface as its front buffer.
    void AttachBackBuffer(const Ref<SoftSurface>& back);
    void ReplaceStore(std::shared_ptr<PixelStore> s) { store_ = std::move(s); }
    bool HasBackBuffers() const { return !backs_.empty(); }
    void SetVideoBytes(int64_t bytes) { videoBytes_ = bytes; }
    void SetSystemBytes(int64_t bytes) { systemBytes_ = bytes; }

private:
    int32_t BltCommon(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                      const DDBLTFX& fx);
    // `r` within the surface and what the attached clipper lets through.
    RECT ClipToClipper(const RECT& r) const;
    void FillDesc(DDSURFACEDESC2& desc) const;
    void Touched(const RECT& r) const;

    std::shared_ptr<PixelStore> store_;
    int32_t caps_;
    Memory mem_;
    int64_t videoBytes_ = 0, systemBytes_ = 0;
    bool hasKey_ = false;
    uint32_t key_ = 0;
    bool hasDestKey_ = false;
    uint32_t destKey_ = 0;
    bool locked_ = false;
    RECT lockRect_{};
    HDC dc_ = 0;
    Ref<SoftClipper> clipper_;
    Ref<SoftPalette> palette_;
    // Flipping chain: the front buffer holds its back buffers; a back buffer
    // points at its front buffer (cleared when the front goes).
    std::vector<Ref<SoftSurface>> backs_;
    SoftSurface* front_ = nullptr;
};

// The implementation object behind a platform reference, or null when it is
// some other platform's object.
SoftSurface* AsSoft(const Ref<DirectDrawSurface7>& s);

}  // namespace vexo::plat
