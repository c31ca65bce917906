// Off-screen surfaces, bitmap loading, colour keys and the colour conversion.
#include <cmath>

#include "common/Error.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {

namespace {
DDSURFACEDESC2 BlankSurfaceDesc(int32_t w, int32_t h, int32_t caps) {
    DDSURFACEDESC2 d{};
    d.lFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.lWidth = w;
    d.lHeight = h;
    d.ddsCaps.lCaps = caps;
    return d;
}

// 2^n - 1 as the run time computes it: a floating-point power, rounded.
int32_t LowBitsMask(int32_t n) { return RoundTo32(std::pow(2.0, n) - 1.0); }
}  // namespace

Ref<DirectDrawSurface7> DX7Draw::DDCreateSurface(int32_t nWidth, int32_t nHeight) {
    Ref<DirectDrawSurface7> result;
    ResumeNext rn;
    // The first attempt lets the platform pick the memory (video when it has
    // room); the retry asks for system memory explicitly.
    DDSURFACEDESC2 first = BlankSurfaceDesc(nWidth, nHeight, DDSCAPS_OFFSCREENPLAIN);
    if (!rn([&] { result = DisplayDevice->CreateSurface(first); })) {
        rn.Clear();
        DDSURFACEDESC2 second =
            BlankSurfaceDesc(nWidth, nHeight, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
        rn([&] { result = DisplayDevice->CreateSurface(second); });
    }
    return result;
}

int32_t DX7Draw::DDGetSurfaceWidth(Ref<DirectDrawSurface7>& dds) {
    ResumeNext rn;
    DDSURFACEDESC2 d{};
    return rn([&] { dds->GetSurfaceDesc(d); }) ? d.lWidth : 0;
}

int32_t DX7Draw::DDGetSurfaceHeight(Ref<DirectDrawSurface7>& dds) {
    ResumeNext rn;
    DDSURFACEDESC2 d{};
    return rn([&] { dds->GetSurfaceDesc(d); }) ? d.lHeight : 0;
}

int32_t DX7Draw::GetBitmapWidth(HBITMAP hBitmap) {
    ResumeNext rn;
    BITMAP bm{};
    rn([&] { api::GetObjectA(hBitmap, sizeof(BITMAP), bm); });
    return bm.bmWidth;
}

int32_t DX7Draw::GetBitmapHeight(HBITMAP hBitmap) {
    ResumeNext rn;
    BITMAP bm{};
    rn([&] { api::GetObjectA(hBitmap, sizeof(BITMAP), bm); });
    return bm.bmHeight;
}

Ref<DirectDrawSurface7> DX7Draw::DDCreateSurfaceFromBitmap(HBITMAP hBitmap) {
    BITMAP bm{};
    api::GetObjectA(hBitmap, sizeof(BITMAP), bm);
    Ref<DirectDrawSurface7> result = this->DDCreateSurface(bm.bmWidth, bm.bmHeight);

    // The copy reports nothing: the surface keeps whatever it then holds.
    {
        ResumeNext rn;
        BITMAP again{};
        rn([&] { api::GetObjectA(hBitmap, sizeof(BITMAP), again); });
        HDC mem = 0;
        HGDIOBJ old = 0;
        HDC dc = 0;
        rn([&] { mem = api::CreateCompatibleDC(0); });
        rn([&] { old = api::SelectObject(mem, hBitmap); });
        rn([&] { dc = result->GetDC(); });
        rn([&] { api::BitBlt(dc, 0, 0, again.bmWidth, again.bmHeight, mem, 0, 0, SRCCOPY); });
        rn([&] { result->ReleaseDC(dc); });
        rn([&] { api::SelectObject(mem, old); });
        rn([&] { api::DeleteDC(mem); });
    }

    // The top-left pixel, exactly as stored, becomes the transparent colour.
    RECT whole{};
    DDSURFACEDESC2 d{};
    result->Lock(whole, d, DDLOCK_WAIT, 0);
    const int32_t k = result->GetLockedPixel(0, 0);
    result->Unlock(whole);
    DDCOLORKEY key{k, k};
    result->SetColorKey(DDCKEY_SRCBLT, key);
    return result;
}

Ref<DirectDrawSurface7> DX7Draw::DDCreateSurfaceFromFile(std::string Filename) {
    Ref<DirectDrawSurface7> result;
    ResumeNext rn;
    Ref<Picture> picture;
    HBITMAP handle = 0;
    rn([&] { picture = api::LoadPicture(Filename); });
    rn([&] { handle = picture->Handle(); });
    rn([&] { result = this->DDCreateSurfaceFromBitmap(handle); });
    // Releasing the picture frees its bitmap.
    picture = nullptr;
    return result;
}

Ref<DirectDrawSurface7> DX7Draw::DDCreateSurfaceFromResource(std::string ResID) {
    Ref<DirectDrawSurface7> result;
    ResumeNext rn;
    Ref<Picture> picture;
    HBITMAP handle = 0;
    rn([&] { picture = api::LoadResPicture(ResID, 0); });
    rn([&] { handle = picture->Handle(); });
    rn([&] { result = this->DDCreateSurfaceFromBitmap(handle); });
    picture = nullptr;
    return result;
}

Variant DX7Draw::DDSetColorKey(Ref<DirectDrawSurface7>& dds, int32_t RGBColorKey) {
    ResumeNext rn;
    int32_t k = 0;
    rn([&] { k = ConvertColorToPixel(RGBColorKey); });
    DDCOLORKEY key{k, k};
    rn([&] { dds->SetColorKey(DDCKEY_SRCBLT, key); });
    return Variant{};
}

int32_t DX7Draw::ConvertColorToPixel(int32_t color) {
    ResumeNext rn;
    int32_t v = 0;

    // GDI picks the display-format value (nearest palette entry, bit
    // packing); the back buffer's top-left pixel carries it for a moment.
    // A device context or lock that was not obtained is not released: it may
    // be the caller's own.
    HDC dc = 0;
    COLORREF saved = 0;
    const bool wrote = rn([&] { dc = BackBuffer->GetDC(); });
    if (wrote) {
        rn([&] { saved = api::GetPixel(dc, 0, 0); });
        rn([&] { api::SetPixel(dc, 0, 0, static_cast<COLORREF>(color)); });
        rn([&] { BackBuffer->ReleaseDC(dc); });
    }

    RECT whole{};
    DDSURFACEDESC2 d{};
    if (rn([&] { BackBuffer->Lock(whole, d, DDLOCK_WAIT, 0); })) {
        rn([&] { v = BackBuffer->GetLockedPixel(0, 0); });
        const int32_t n = d.ddpfPixelFormat.lRGBBitCount;
        if (n < 32) rn([&] { v = v & LowBitsMask(n); });
        rn([&] { BackBuffer->Unlock(whole); });
    }

    // Put back only what was changed.
    if (wrote && rn([&] { dc = BackBuffer->GetDC(); })) {
        rn([&] { api::SetPixel(dc, 0, 0, saved); });
        rn([&] { BackBuffer->ReleaseDC(dc); });
    }
    return v;
}

}  // namespace vexo
