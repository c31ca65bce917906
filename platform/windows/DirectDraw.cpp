// The DirectDraw object over IDirectDraw7: cooperative level, display modes,
// creation of surfaces, clippers and palettes, and the records exchanged in
// their published 32-bit layouts converted field by field to the system's.
#include <algorithm>

#include "common/Error.h"
#include "platform/windows/WinDDraw.h"

namespace vexo::win {

namespace {

constexpr int32_t kInvalidGuid = status::hr(0x88760231);
constexpr int32_t kPaletteSizes = DDPCAPS_1BIT | DDPCAPS_2BIT | DDPCAPS_4BIT | DDPCAPS_8BIT;

::DDPIXELFORMAT ToSys(const vexo::DDPIXELFORMAT& p) {
    ::DDPIXELFORMAT s{};
    s.dwSize = sizeof s;
    s.dwFlags = DWORD(p.lFlags);
    s.dwFourCC = DWORD(p.lFourCC);
    s.dwRGBBitCount = DWORD(p.lRGBBitCount);
    s.dwRBitMask = DWORD(p.lRBitMask);
    s.dwGBitMask = DWORD(p.lGBitMask);
    s.dwBBitMask = DWORD(p.lBBitMask);
    s.dwRGBAlphaBitMask = DWORD(p.lRGBAlphaBitMask);
    return s;
}

vexo::DDPIXELFORMAT FromSys(const ::DDPIXELFORMAT& s) {
    vexo::DDPIXELFORMAT p;
    p.lSize = int32_t(sizeof p);
    p.lFlags = int32_t(s.dwFlags);
    p.lFourCC = int32_t(s.dwFourCC);
    p.lRGBBitCount = int32_t(s.dwRGBBitCount);
    p.lRBitMask = int32_t(s.dwRBitMask);
    p.lGBitMask = int32_t(s.dwGBitMask);
    p.lBBitMask = int32_t(s.dwBBitMask);
    p.lRGBAlphaBitMask = int32_t(s.dwRGBAlphaBitMask);
    return p;
}

::DDCOLORKEY ToSys(const vexo::DDCOLORKEY& k) { return {DWORD(k.low), DWORD(k.high)}; }
vexo::DDCOLORKEY FromSys(const ::DDCOLORKEY& k) {
    return {int32_t(k.dwColorSpaceLowValue), int32_t(k.dwColorSpaceHighValue)};
}

class WinDirectDraw final : public DirectDraw7 {
public:
    explicit WinDirectDraw(IDirectDraw7* dd) : dd_(dd) {}

    void SetCooperativeLevel(HWND hwnd, int32_t flags) override {
        Check(dd_->SetCooperativeLevel(ToHandle<::HWND>(hwnd), DWORD(flags)));
    }
    void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) override {
        Check(dd_->SetDisplayMode(DWORD(w), DWORD(h), DWORD(bpp), DWORD(refresh), DWORD(flags)));
    }
    void RestoreDisplayMode() override { Check(dd_->RestoreDisplayMode()); }
    void FlipToGDISurface() override { Check(dd_->FlipToGDISurface()); }

    Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& desc) override {
        ::DDSURFACEDESC2 d = win::ToSys(desc);
        IDirectDrawSurface7* s = nullptr;
        Check(dd_->CreateSurface(&d, &s, nullptr));
        return Ref<DirectDrawSurface7>(new WinSurface(s));
    }

    Ref<DirectDrawClipper> CreateClipper(int32_t flags) override {
        IDirectDrawClipper* c = nullptr;
        Check(dd_->CreateClipper(DWORD(flags), &c, nullptr));
        return Ref<DirectDrawClipper>(new WinClipper(c));
    }

    Ref<DirectDrawPalette> CreatePalette(int32_t flags, std::span<const PALETTEENTRY> entries) override {
        // The system reads as many entries as the size flag says; the caller
        // must have given that many.
        int32_t count = 256;
        switch (flags & kPaletteSizes) {
            case DDPCAPS_1BIT: count = 2; break;
            case DDPCAPS_2BIT: count = 4; break;
            case DDPCAPS_4BIT: count = 16; break;
            default: break;
        }
        if (entries.size() < size_t(count)) Raise(kInvalidArg);
        ::PALETTEENTRY table[256] = {};
        for (int32_t i = 0; i < count; ++i)
            table[i] = {entries[size_t(i)].red, entries[size_t(i)].green, entries[size_t(i)].blue,
                        entries[size_t(i)].flags};
        IDirectDrawPalette* p = nullptr;
        Check(dd_->CreatePalette(DWORD(flags), table, &p, nullptr));
        return Ref<DirectDrawPalette>(new WinPalette(p));
    }

    void LoadPaletteFromBitmap(const std::string& file, std::span<PALETTEENTRY> entries) override {
        ReadBitmapColorTable(file, entries);
    }

    int32_t WaitForVerticalBlank(int32_t flags, int32_t event) override {
        return int32_t(dd_->WaitForVerticalBlank(DWORD(flags), ToHandle<HANDLE>(event)));
    }

    void GetDisplayMode(DDSURFACEDESC2& desc) override {
        ::DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        Check(dd_->GetDisplayMode(&d));
        desc = win::FromSys(d);
    }

private:
    Com<IDirectDraw7> dd_;
};

}  // namespace

::DDSURFACEDESC2 ToSys(const vexo::DDSURFACEDESC2& d) {
    ::DDSURFACEDESC2 s{};
    s.dwSize = sizeof s;
    // The 32-bit pointer field cannot name memory of this process: the
    // system allocates the pixels, as on the software platform.
    s.dwFlags = DWORD(d.lFlags) & ~DWORD(DDSD_LPSURFACE);
    s.dwHeight = DWORD(d.lHeight);
    s.dwWidth = DWORD(d.lWidth);
    s.lPitch = d.lPitch;
    s.dwBackBufferCount = DWORD(d.lBackBufferCount);
    s.dwMipMapCount = DWORD(d.lMipMapCount);
    s.dwAlphaBitDepth = DWORD(d.lAlphaBitDepth);
    s.dwReserved = DWORD(d.lReserved);
    s.ddckCKDestOverlay = ToSys(d.ddckCKDestOverlay);
    s.ddckCKDestBlt = ToSys(d.ddckCKDestBlt);
    s.ddckCKSrcOverlay = ToSys(d.ddckCKSrcOverlay);
    s.ddckCKSrcBlt = ToSys(d.ddckCKSrcBlt);
    s.ddpfPixelFormat = ToSys(d.ddpfPixelFormat);
    s.ddsCaps.dwCaps = DWORD(d.ddsCaps.lCaps);
    s.ddsCaps.dwCaps2 = DWORD(d.ddsCaps.lCaps2);
    s.ddsCaps.dwCaps3 = DWORD(d.ddsCaps.lCaps3);
    s.ddsCaps.dwCaps4 = DWORD(d.ddsCaps.lCaps4);
    s.dwTextureStage = DWORD(d.lTextureStage);
    return s;
}

vexo::DDSURFACEDESC2 FromSys(const ::DDSURFACEDESC2& s) {
    vexo::DDSURFACEDESC2 d;
    d.lSize = int32_t(sizeof d);
    d.lFlags = int32_t(s.dwFlags);
    d.lHeight = int32_t(s.dwHeight);
    d.lWidth = int32_t(s.dwWidth);
    d.lPitch = int32_t(s.lPitch);
    d.lBackBufferCount = int32_t(s.dwBackBufferCount);
    d.lMipMapCount = int32_t(s.dwMipMapCount);
    d.lAlphaBitDepth = int32_t(s.dwAlphaBitDepth);
    d.lReserved = int32_t(s.dwReserved);
    // Pixels are reached through the lock, never through this field.
    d.lpSurface = 0;
    d.ddckCKDestOverlay = FromSys(s.ddckCKDestOverlay);
    d.ddckCKDestBlt = FromSys(s.ddckCKDestBlt);
    d.ddckCKSrcOverlay = FromSys(s.ddckCKSrcOverlay);
    d.ddckCKSrcBlt = FromSys(s.ddckCKSrcBlt);
    d.ddpfPixelFormat = FromSys(s.ddpfPixelFormat);
    d.ddsCaps.lCaps = int32_t(s.ddsCaps.dwCaps);
    d.ddsCaps.lCaps2 = int32_t(s.ddsCaps.dwCaps2);
    d.ddsCaps.lCaps3 = int32_t(s.ddsCaps.dwCaps3);
    d.ddsCaps.lCaps4 = int32_t(s.ddsCaps.dwCaps4);
    d.lTextureStage = int32_t(s.dwTextureStage);
    return d;
}

::DDBLTFX ToSys(const vexo::DDBLTFX& fx) {
    // The record's own size field describes the 32-bit layout; the system
    // checks its own size.
    ::DDBLTFX s{};
    s.dwSize = sizeof s;
    s.dwDDFX = DWORD(fx.lDDFX);
    s.dwROP = DWORD(fx.lROP);
    s.dwDDROP = DWORD(fx.lDDROP);
    s.dwRotationAngle = DWORD(fx.lRotationAngle);
    s.dwZBufferOpCode = DWORD(fx.lZBufferOpCode);
    s.dwZBufferLow = DWORD(fx.lZBufferLow);
    s.dwZBufferHigh = DWORD(fx.lZBufferHigh);
    s.dwZBufferBaseDest = DWORD(fx.lZBufferBaseDest);
    s.dwZDestConstBitDepth = DWORD(fx.lZDestConstBitDepth);
    s.dwZDestConst = DWORD(fx.lZDestConst);
    s.dwZSrcConstBitDepth = DWORD(fx.lZSrcConstBitDepth);
    s.dwZSrcConst = DWORD(fx.lZSrcConst);
    s.dwAlphaEdgeBlendBitDepth = DWORD(fx.lAlphaEdgeBlendBitDepth);
    s.dwAlphaEdgeBlend = DWORD(fx.lAlphaEdgeBlend);
    s.dwReserved = DWORD(fx.lReserved);
    s.dwAlphaDestConstBitDepth = DWORD(fx.lAlphaDestConstBitDepth);
    s.dwAlphaDestConst = DWORD(fx.lAlphaDestConst);
    s.dwAlphaSrcConstBitDepth = DWORD(fx.lAlphaSrcConstBitDepth);
    s.dwAlphaSrcConst = DWORD(fx.lAlphaSrcConst);
    s.dwFillColor = DWORD(fx.lFill);
    s.ddckDestColorkey = ToSys(fx.ddckDestColorkey);
    s.ddckSrcColorkey = ToSys(fx.ddckSrcColorkey);
    return s;
}

Ref<DirectDraw7> CreateDirectDraw(const std::string& guid) {
    GUID id{};
    const GUID* driver = nullptr;
    if (!guid.empty()) {
        std::wstring text = Wide(guid);
        if (FAILED(IIDFromString(text.c_str(), &id))) Raise(kInvalidGuid);
        driver = &id;
    }
    void* dd = nullptr;
    Check(DirectDrawCreateEx(const_cast<GUID*>(driver), &dd, IID_IDirectDraw7, nullptr));
    return Ref<DirectDraw7>(new WinDirectDraw(static_cast<IDirectDraw7*>(dd)));
}

}  // namespace vexo::win
