// Display platform: the root object and the DirectDraw objects the graphics
// component calls, with the records they exchange in their published
// layouts. Operations that fail raise VbError with the platform status;
// the blit family returns its status instead.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/Ref.h"
#include "common/Types.h"

namespace vexo {

// --- Flags -----------------------------------------------------------------
enum : int32_t {
    DDSCL_FULLSCREEN = 1,
    DDSCL_ALLOWREBOOT = 2,
    DDSCL_NOWINDOWCHANGES = 4,
    DDSCL_NORMAL = 8,
    DDSCL_EXCLUSIVE = 16,

    DDSD_CAPS = 0x1,
    DDSD_HEIGHT = 0x2,
    DDSD_WIDTH = 0x4,
    DDSD_PITCH = 0x8,
    DDSD_BACKBUFFERCOUNT = 0x20,
    DDSD_CKSRCBLT = 0x10000,
    DDSD_PIXELFORMAT = 0x1000,

    DDSCAPS_BACKBUFFER = 0x4,
    DDSCAPS_COMPLEX = 0x8,
    DDSCAPS_FLIP = 0x10,
    DDSCAPS_FRONTBUFFER = 0x20,
    DDSCAPS_OFFSCREENPLAIN = 0x40,
    DDSCAPS_PRIMARYSURFACE = 0x200,
    DDSCAPS_SYSTEMMEMORY = 0x800,
    DDSCAPS_VIDEOMEMORY = 0x4000,
    DDSCAPS_LOCALVIDMEM = 0x10000000,

    DDPF_PALETTEINDEXED8 = 0x20,
    DDPF_RGB = 0x40,

    DDBLT_COLORFILL = 0x400,
    DDBLT_DDFX = 0x800,
    DDBLT_KEYDEST = 0x4000,
    DDBLT_KEYSRC = 0x8000,
    DDBLT_KEYSRCOVERRIDE = 0x10000,
    DDBLT_WAIT = 0x1000000,

    DDBLTFAST_NOCOLORKEY = 0x0,
    DDBLTFAST_SRCCOLORKEY = 0x1,
    DDBLTFAST_DESTCOLORKEY = 0x2,
    DDBLTFAST_WAIT = 0x10,

    DDBLTFX_MIRRORLEFTRIGHT = 0x2,
    DDBLTFX_MIRRORUPDOWN = 0x4,
    DDBLTFX_ROTATE180 = 0x10,
    DDBLTFX_ROTATE270 = 0x20,
    DDBLTFX_ROTATE90 = 0x40,

    DDCKEY_COLORSPACE = 0x1,
    DDCKEY_DESTBLT = 0x2,
    DDCKEY_SRCBLT = 0x8,

    DDLOCK_WAIT = 0x1,
    DDLOCK_READONLY = 0x10,
    DDLOCK_WRITEONLY = 0x20,

    DDFLIP_WAIT = 0x1,
    DDWAITVB_BLOCKBEGIN = 0x1,

    DDPCAPS_4BIT = 0x1,
    DDPCAPS_8BITENTRIES = 0x2,
    DDPCAPS_8BIT = 0x4,
    DDPCAPS_ALLOW256 = 0x40,
};

// --- Records (published 32-bit layouts) ------------------------------------
struct DDCOLORKEY {
    int32_t low = 0;
    int32_t high = 0;
};
static_assert(sizeof(DDCOLORKEY) == 8);

struct DDSCAPS2 {
    int32_t lCaps = 0;
    int32_t lCaps2 = 0;
    int32_t lCaps3 = 0;
    int32_t lCaps4 = 0;
};
static_assert(sizeof(DDSCAPS2) == 16);

struct DDPIXELFORMAT {
    int32_t lSize = 0;
    int32_t lFlags = 0;
    int32_t lFourCC = 0;
    int32_t lRGBBitCount = 0;
    int32_t lRBitMask = 0;
    int32_t lGBitMask = 0;
    int32_t lBBitMask = 0;
    int32_t lRGBAlphaBitMask = 0;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

struct DDSURFACEDESC2 {
    int32_t lSize = 0;
    int32_t lFlags = 0;
    int32_t lHeight = 0;
    int32_t lWidth = 0;
    int32_t lPitch = 0;
    int32_t lBackBufferCount = 0;
    int32_t lMipMapCount = 0;
    int32_t lAlphaBitDepth = 0;
    int32_t lReserved = 0;
    uint32_t lpSurface = 0;  // 32-bit pointer field; pixels are reached through the lock
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    int32_t lTextureStage = 0;
};
static_assert(sizeof(DDSURFACEDESC2) == 124);

struct DDBLTFX {
    int32_t lSize = 0;
    int32_t lDDFX = 0;
    int32_t lROP = 0;
    int32_t lDDROP = 0;
    int32_t lRotationAngle = 0;
    int32_t lZBufferOpCode = 0;
    int32_t lZBufferLow = 0;
    int32_t lZBufferHigh = 0;
    int32_t lZBufferBaseDest = 0;
    int32_t lZDestConstBitDepth = 0;
    int32_t lZDestConst = 0;
    int32_t lZSrcConstBitDepth = 0;
    int32_t lZSrcConst = 0;
    int32_t lAlphaEdgeBlendBitDepth = 0;
    int32_t lAlphaEdgeBlend = 0;
    int32_t lReserved = 0;
    int32_t lAlphaDestConstBitDepth = 0;
    int32_t lAlphaDestConst = 0;
    int32_t lAlphaSrcConstBitDepth = 0;
    int32_t lAlphaSrcConst = 0;
    int32_t lFill = 0;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
static_assert(sizeof(DDBLTFX) == 100);

// --- Objects -----------------------------------------------------------------
class DirectDraw7;
class DirectDrawSurface7;
class DirectDrawClipper;
class DirectDrawPalette;
class DirectInput;
class DirectSound;
class DirectMusicLoader;
class DirectMusicPerformance;

// The root object. Each family's factory defaults to "not supported" so a
// platform may offer only some families.
class DirectX7 : public Unknown {
public:
    virtual Ref<DirectDraw7> DirectDrawCreate(const std::string& guid);
    virtual Ref<DirectInput> DirectInputCreate();
    virtual Ref<DirectSound> DirectSoundCreate(const std::string& guid);
    virtual Ref<DirectMusicLoader> DirectMusicLoaderCreate();
    virtual Ref<DirectMusicPerformance> DirectMusicPerformanceCreate();
};

class DirectDraw7 : public Unknown {
public:
    virtual void SetCooperativeLevel(HWND hwnd, int32_t flags) = 0;
    virtual void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) = 0;
    virtual void RestoreDisplayMode() = 0;
    virtual void FlipToGDISurface() = 0;
    virtual Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& desc) = 0;
    virtual Ref<DirectDrawClipper> CreateClipper(int32_t flags) = 0;
    // `entries` holds 256 entries.
    virtual Ref<DirectDrawPalette> CreatePalette(int32_t flags, std::span<const PALETTEENTRY> entries);
    // The colour table of a bitmap file as a palette's 256 entries.
    virtual void LoadPaletteFromBitmap(const std::string& file, std::span<PALETTEENTRY> entries);
    virtual int32_t WaitForVerticalBlank(int32_t flags, int32_t event) = 0;
    virtual void GetDisplayMode(DDSURFACEDESC2& desc) = 0;
};

// A bounds-checked two-dimensional view of a locked surface's bytes, indexed
// (column, row) in bytes; out-of-range access raises 9.
class LockedArray {
public:
    LockedArray() = default;
    LockedArray(uint8_t* base, int32_t widthBytes, int32_t height, int32_t pitch)
        : base_(base), width_(widthBytes), height_(height), pitch_(pitch) {}
    uint8_t& operator()(int32_t col, int32_t row) const {
        if (!base_ || col < 0 || row < 0 || col >= width_ || row >= height_) Raise(ERR_SUBSCRIPT);
        return base_[static_cast<int64_t>(row) * pitch_ + col];
    }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint8_t* Row(int32_t row) const { return base_ + static_cast<int64_t>(row) * pitch_; }

private:
    uint8_t* base_ = nullptr;
    int32_t width_ = 0, height_ = 0, pitch_ = 0;
};

class DirectDrawSurface7 : public Unknown {
public:
    // Blits return the platform status; they raise only when called through
    // an empty reference.
    virtual int32_t Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) = 0;
    virtual int32_t BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                            int32_t flags) = 0;
    virtual int32_t BltColorFill(RECT& dest, int32_t fillValue) = 0;
    virtual int32_t BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                          DDBLTFX& fx);

    virtual void GetSurfaceDesc(DDSURFACEDESC2& desc) = 0;
    virtual void Lock(RECT& r, DDSURFACEDESC2& desc, int32_t flags, int32_t event) = 0;
    virtual void Unlock(RECT& r) = 0;
    virtual int32_t GetLockedPixel(int32_t x, int32_t y) = 0;
    virtual void SetLockedPixel(int32_t x, int32_t y, int32_t value) = 0;
    virtual LockedArray GetLockedArray();
    virtual HDC GetDC() = 0;
    virtual void ReleaseDC(HDC dc) = 0;
    virtual void SetColorKey(int32_t flags, DDCOLORKEY& key) = 0;
    virtual void GetColorKey(int32_t flags, DDCOLORKEY& key) = 0;
    virtual Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2& caps) = 0;
    virtual void Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) = 0;
    virtual void SetClipper(const Ref<DirectDrawClipper>& clipper) = 0;
    virtual void SetPalette(const Ref<DirectDrawPalette>& palette);
    virtual Ref<DirectDrawPalette> GetPalette();
};

class DirectDrawClipper : public Unknown {
public:
    virtual void SetHWnd(HWND hwnd) = 0;
    virtual HWND GetHWnd() = 0;
    // Fills `rects` with the first rectangles of the visible part of the
    // window's client area in screen coordinates; returns how many there are
    // in all.
    virtual int32_t GetClipList(std::span<RECT> rects) = 0;
};

class DirectDrawPalette : public Unknown {
public:
    virtual void GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) = 0;
    virtual void SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) = 0;
    virtual int32_t GetCaps() = 0;
};

}  // namespace vexo
