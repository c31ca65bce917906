/// @file
/// Display platform: the root object and the display objects the graphics
/// component calls, with the records they exchange in their published
/// layouts. Operations that fail raise VbError with the platform status;
/// the blit family returns its status instead.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/Ref.h"
#include "common/Types.h"

namespace vexo {

// --- Flags -----------------------------------------------------------------

/// Flags of the display objects: cooperative levels (DDSCL_), surface
/// description fields (DDSD_), capabilities (DDSCAPS_), pixel formats
/// (DDPF_), blits (DDBLT_, DDBLTFAST_, DDBLTFX_), colour keys (DDCKEY_),
/// locks, flips, vertical-blank waits and palette capabilities (DDPCAPS_).
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
/// A colour key: pixel values from low to high are transparent.
struct DDCOLORKEY {
    int32_t low = 0;  ///< Lowest pixel value of the key.
    int32_t high = 0;  ///< Highest pixel value of the key (forced to low unless a colour-space key is asked for).
};
static_assert(sizeof(DDCOLORKEY) == 8);

/// Surface capabilities.
struct DDSCAPS2 {
    int32_t lCaps = 0;  ///< Capabilities, DDSCAPS_...
    int32_t lCaps2 = 0;  ///< More capabilities: 0.
    int32_t lCaps3 = 0;  ///< 0.
    int32_t lCaps4 = 0;  ///< 0.
};
static_assert(sizeof(DDSCAPS2) == 16);

/// A pixel format.
struct DDPIXELFORMAT {
    int32_t lSize = 0;  ///< Size of the record.
    int32_t lFlags = 0;  ///< DDPF_PALETTEINDEXED8 or DDPF_RGB.
    int32_t lFourCC = 0;  ///< 0.
    int32_t lRGBBitCount = 0;  ///< Bits per pixel: 8, 16, 24 or 32.
    int32_t lRBitMask = 0;  ///< Bits of red.
    int32_t lGBitMask = 0;  ///< Bits of green.
    int32_t lBBitMask = 0;  ///< Bits of blue.
    int32_t lRGBAlphaBitMask = 0;  ///< Bits of alpha: 0.
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

/// A surface description, asked for when creating a surface and filled by
/// GetSurfaceDesc and Lock; fields not named by lFlags stay 0.
struct DDSURFACEDESC2 {
    int32_t lSize = 0;  ///< Size of the record.
    int32_t lFlags = 0;  ///< Which fields are set, DDSD_...
    int32_t lHeight = 0;  ///< Height in pixels.
    int32_t lWidth = 0;  ///< Width in pixels.
    int32_t lPitch = 0;  ///< Bytes from one row to the next.
    int32_t lBackBufferCount = 0;  ///< Back buffers of a flipping chain.
    int32_t lMipMapCount = 0;  ///< 0.
    int32_t lAlphaBitDepth = 0;  ///< 0.
    int32_t lReserved = 0;  ///< 0.
    uint32_t lpSurface = 0;  ///< The 32-bit pointer field; pixels are reached through the lock.
    DDCOLORKEY ddckCKDestOverlay;  ///< Unused.
    DDCOLORKEY ddckCKDestBlt;  ///< Destination colour key.
    DDCOLORKEY ddckCKSrcOverlay;  ///< Unused.
    DDCOLORKEY ddckCKSrcBlt;  ///< Source colour key.
    DDPIXELFORMAT ddpfPixelFormat;  ///< The pixel format.
    DDSCAPS2 ddsCaps;  ///< Capabilities.
    int32_t lTextureStage = 0;  ///< 0.
};
static_assert(sizeof(DDSURFACEDESC2) == 124);

/// The effects record of DirectDrawSurface7::BltFx; all zero but the fields used.
struct DDBLTFX {
    int32_t lSize = 0;  ///< Size of the record.
    int32_t lDDFX = 0;  ///< The effect: DDBLTFX_MIRRORLEFTRIGHT, ..., or 0.
    int32_t lROP = 0;  ///< Unused: 0.
    int32_t lDDROP = 0;  ///< Unused: 0.
    int32_t lRotationAngle = 0;  ///< Unused: 0.
    int32_t lZBufferOpCode = 0;  ///< Unused: 0.
    int32_t lZBufferLow = 0;  ///< Unused: 0.
    int32_t lZBufferHigh = 0;  ///< Unused: 0.
    int32_t lZBufferBaseDest = 0;  ///< Unused: 0.
    int32_t lZDestConstBitDepth = 0;  ///< Unused: 0.
    int32_t lZDestConst = 0;  ///< Unused: 0.
    int32_t lZSrcConstBitDepth = 0;  ///< Unused: 0.
    int32_t lZSrcConst = 0;  ///< Unused: 0.
    int32_t lAlphaEdgeBlendBitDepth = 0;  ///< Unused: 0.
    int32_t lAlphaEdgeBlend = 0;  ///< Unused: 0.
    int32_t lReserved = 0;  ///< Unused: 0.
    int32_t lAlphaDestConstBitDepth = 0;  ///< Unused: 0.
    int32_t lAlphaDestConst = 0;  ///< Unused: 0.
    int32_t lAlphaSrcConstBitDepth = 0;  ///< Unused: 0.
    int32_t lAlphaSrcConst = 0;  ///< Unused: 0.
    int32_t lFill = 0;  ///< Fill value of a colour fill.
    DDCOLORKEY ddckDestColorkey;  ///< The destination key DDBLT_KEYDESTOVERRIDE would use.
    DDCOLORKEY ddckSrcColorkey;  ///< The source key DDBLT_KEYSRCOVERRIDE uses.
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

/// The root object each component makes first; every other platform object
/// comes from it. Each family's factory defaults to "not supported" (445) so
/// a platform may offer only some families.
class DirectX7 : public Unknown {
public:
    /// The display device; an empty @p guid names the default display.
    virtual Ref<DirectDraw7> DirectDrawCreate(const std::string& guid);
    /// The input root.
    virtual Ref<DirectInput> DirectInputCreate();
    /// The sound device; an empty @p guid names the default device.
    virtual Ref<DirectSound> DirectSoundCreate(const std::string& guid);
    /// A music loader.
    virtual Ref<DirectMusicLoader> DirectMusicLoaderCreate();
    /// A music performance.
    virtual Ref<DirectMusicPerformance> DirectMusicPerformanceCreate();
};

/// The display device: cooperative level, display mode, and the surfaces,
/// clippers and palettes made from it.
class DirectDraw7 : public Unknown {
public:
    /// Windowed (DDSCL_NORMAL) or exclusive full-screen access for @p hwnd.
    virtual void SetCooperativeLevel(HWND hwnd, int32_t flags) = 0;
    /// Switches the display mode; one the display lacks gives DDERR_UNSUPPORTED.
    virtual void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) = 0;
    /// Puts the desktop's display mode back.
    virtual void RestoreDisplayMode() = 0;
    /// Makes the surface the desktop draws on visible again.
    virtual void FlipToGDISurface() = 0;
    /// A new surface as @p desc describes it; video memory that is full gives
    /// DDERR_OUTOFVIDEOMEMORY.
    virtual Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& desc) = 0;
    /// A new clipper.
    virtual Ref<DirectDrawClipper> CreateClipper(int32_t flags) = 0;
    /// A new palette of the 256 @p entries; with DDPCAPS_8BIT alone entries 0
    /// and 255 are forced to black and white, DDPCAPS_ALLOW256 keeps them.
    virtual Ref<DirectDrawPalette> CreatePalette(int32_t flags, std::span<const PALETTEENTRY> entries);
    /// The colour table of a bitmap file as a palette's 256 entries.
    virtual void LoadPaletteFromBitmap(const std::string& file, std::span<PALETTEENTRY> entries);
    /// Waits for the next vertical blank to begin.
    virtual int32_t WaitForVerticalBlank(int32_t flags, int32_t event) = 0;
    /// The current display mode.
    virtual void GetDisplayMode(DDSURFACEDESC2& desc) = 0;
};

/// A bounds-checked two-dimensional view of a locked surface's bytes, indexed
/// (column, row) in bytes; out-of-range access raises 9.
class LockedArray {
public:
    /// An empty view: every access raises 9.
    LockedArray() = default;
    /// A view of @p height rows of @p widthBytes bytes, @p pitch bytes apart.
    LockedArray(uint8_t* base, int32_t widthBytes, int32_t height, int32_t pitch)
        : base_(base), width_(widthBytes), height_(height), pitch_(pitch) {}
    /// The byte at (@p col, @p row); raises 9 outside the view.
    uint8_t& operator()(int32_t col, int32_t row) const {
        if (!base_ || col < 0 || row < 0 || col >= width_ || row >= height_) Raise(ERR_SUBSCRIPT);
        return base_[static_cast<int64_t>(row) * pitch_ + col];
    }
    /// Bytes per row.
    int32_t Width() const { return width_; }
    /// Rows.
    int32_t Height() const { return height_; }
    /// The first byte of @p row, unchecked.
    uint8_t* Row(int32_t row) const { return base_ + static_cast<int64_t>(row) * pitch_; }

private:
    uint8_t* base_ = nullptr;
    int32_t width_ = 0, height_ = 0, pitch_ = 0;
};

/// A surface: pixels in one of the display's formats (8-bit indexed, 16-bit
/// 5-6-5, 24 or 32 bits), the target and source of blits. Every blit checks
/// its rectangles and refuses one not wholly inside its surface
/// (DDERR_INVALIDRECT) rather than touch memory outside it; all-zero
/// rectangles stand for the whole surface.
class DirectDrawSurface7 : public Unknown {
public:
    /// Copies @p srcRect of @p src into @p dest, scaled when the sizes differ
    /// (source x = floor(x * sw / dw)), keyed with DDBLT_KEYSRC. Returns the
    /// status; blits raise only when called through an empty reference.
    virtual int32_t Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) = 0;
    /// Copies @p srcRect of @p src unscaled to (@p x, @p y); returns the status.
    virtual int32_t BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                            int32_t flags) = 0;
    /// Fills @p dest with the raw pixel value @p fillValue; returns the status.
    virtual int32_t BltColorFill(RECT& dest, int32_t fillValue) = 0;
    /// As Blt, with the mirror or rotation of @p fx (rotations turn
    /// counter-clockwise); returns the status.
    virtual int32_t BltFx(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags,
                          DDBLTFX& fx);

    /// Fills @p desc with the surface's size, format and capabilities.
    virtual void GetSurfaceDesc(DDSURFACEDESC2& desc) = 0;
    /// Locks the pixels for reading and writing; a second lock gives
    /// DDERR_SURFACEBUSY.
    virtual void Lock(RECT& r, DDSURFACEDESC2& desc, int32_t flags, int32_t event) = 0;
    /// Ends the lock; without one DDERR_NOTLOCKED.
    virtual void Unlock(RECT& r) = 0;
    /// The raw value of a pixel of the locked surface.
    virtual int32_t GetLockedPixel(int32_t x, int32_t y) = 0;
    /// Sets the raw value of a pixel of the locked surface.
    virtual void SetLockedPixel(int32_t x, int32_t y, int32_t value) = 0;
    /// The locked surface's bytes.
    virtual LockedArray GetLockedArray();
    /// A device context drawing into the surface (text, GDI pixels), until
    /// ReleaseDC; the surface cannot be locked or blitted meanwhile.
    virtual HDC GetDC() = 0;
    /// Gives back the device context of GetDC.
    virtual void ReleaseDC(HDC dc) = 0;
    /// Sets a colour key (DDCKEY_SRCBLT: source pixels of the key are skipped
    /// by keyed blits).
    virtual void SetColorKey(int32_t flags, DDCOLORKEY& key) = 0;
    /// The colour key; without one DDERR_NOCOLORKEY.
    virtual void GetColorKey(int32_t flags, DDCOLORKEY& key) = 0;
    /// The back buffer of a flipping chain; otherwise DDERR_NOTFOUND.
    virtual Ref<DirectDrawSurface7> GetAttachedSurface(DDSCAPS2& caps) = 0;
    /// Shows the back buffer of a flipping chain.
    virtual void Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) = 0;
    /// Attaches a clipper: blits into the surface are clipped to its window.
    virtual void SetClipper(const Ref<DirectDrawClipper>& clipper) = 0;
    /// Attaches a palette (8-bit surfaces only; otherwise DDERR_INVALIDPIXELFORMAT).
    virtual void SetPalette(const Ref<DirectDrawPalette>& palette);
    /// The attached palette; without one DDERR_NOPALETTEATTACHED.
    virtual Ref<DirectDrawPalette> GetPalette();
};

/// Clips blits into the primary surface to a window's visible client area.
class DirectDrawClipper : public Unknown {
public:
    /// The window to follow.
    virtual void SetHWnd(HWND hwnd) = 0;
    /// The window followed.
    virtual HWND GetHWnd() = 0;
    /// Fills @p rects with the first rectangles of the visible part of the
    /// window's client area in screen coordinates; returns how many there are
    /// in all.
    virtual int32_t GetClipList(std::span<RECT> rects) = 0;
};

/// 256 colours; attached to the primary surface, the screen shows them.
class DirectDrawPalette : public Unknown {
public:
    /// Reads @p count entries from @p start.
    virtual void GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) = 0;
    /// Writes @p count entries from @p start; the screen changes at once.
    virtual void SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) = 0;
    /// The capabilities it was made with (DDPCAPS_).
    virtual int32_t GetCaps() = 0;
};

}  // namespace vexo
