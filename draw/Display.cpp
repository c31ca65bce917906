// Display setup, presentation and close.
#include "common/Error.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {

DX7Draw::DX7Draw() : DxRoot(api::CreateDirectX7()) {}

DX7Draw::~DX7Draw() = default;

namespace {
// Surface descriptions of the display's own surfaces.
DDSURFACEDESC2 WindowedPrimaryDesc() {
    DDSURFACEDESC2 d{};
    d.lFlags = DDSD_CAPS;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
    return d;
}
DDSURFACEDESC2 WindowedBackBufferDesc(int32_t w, int32_t h) {
    DDSURFACEDESC2 d{};
    d.lFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.lCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    d.lWidth = w;
    d.lHeight = h;
    return d;
}
DDSURFACEDESC2 FullScreenPrimaryDesc() {
    DDSURFACEDESC2 d{};
    d.lFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
    d.lBackBufferCount = 1;
    return d;
}

// The window's client area in screen coordinates; false when the platform
// cannot tell or it lies beyond 32-bit coordinates.
bool ClientOnScreen(HWND hwnd, RECT& r) {
    RECT c{};
    POINT o{};
    if (!api::GetClientRect(hwnd, c) || !api::ClientToScreen(hwnd, o)) return false;
    const int64_t right = int64_t(o.x) + c.Right, bottom = int64_t(o.y) + c.Bottom;
    if (right > INT32_MAX || bottom > INT32_MAX) return false;
    r = RECT{o.x, o.y, int32_t(right), int32_t(bottom)};
    return true;
}

bool Within(const RECT& in, const RECT& out) {
    return in.Left < in.Right && in.Top < in.Bottom && in.Left >= out.Left && in.Top >= out.Top &&
           in.Right <= out.Right && in.Bottom <= out.Bottom;
}
}  // namespace

Ref<DirectDrawSurface7> DX7Draw::DDSetup(HWND hWnd, int32_t nWidth, int32_t nHeight, ScreenType dwFlags,
                                         ScreenBitType nBitDepth) {
    Ref<DirectDrawSurface7> result;
    OnError(
        [&] {
            if (DisplayDevice) return;
            if (!DxRoot) DxRoot = api::CreateDirectX7();
            DisplayDevice = DxRoot->DirectDrawCreate("");

            TargetWindow = hWnd;
            ScreenMode = dwFlags;
            api::GetWindowRect(hWnd, SavedWindowRect);

            if (dwFlags == NORMALSCREEN) {
                RECT client{};
                api::GetClientRect(hWnd, client);
                const RECT w = SavedWindowRect;
                // Keep the frame, give the client area the requested size.
                const int32_t outerW = Add32(Sub32(Sub32(w.Right, w.Left), client.Right), nWidth);
                const int32_t outerH = Add32(Sub32(Sub32(w.Bottom, w.Top), client.Bottom), nHeight);
                api::SetWindowPos(hWnd, 0, 0, 0, outerW, outerH, SWP_NOMOVE | SWP_NOZORDER);
                DisplayDevice->SetCooperativeLevel(hWnd, DDSCL_NORMAL);
                DDSURFACEDESC2 primary = WindowedPrimaryDesc();
                PrimarySurface = DisplayDevice->CreateSurface(primary);
                DDSURFACEDESC2 back = WindowedBackBufferDesc(nWidth, nHeight);
                result = DisplayDevice->CreateSurface(back);
                WindowClipper = DisplayDevice->CreateClipper(0);
                WindowClipper->SetHWnd(hWnd);
                PrimarySurface->SetClipper(WindowClipper);
            } else if (dwFlags == FULLSCREEN) {
                DisplayDevice->SetCooperativeLevel(hWnd, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
                DisplayDevice->SetDisplayMode(nWidth, nHeight, nBitDepth, 0, 0);
                DDSURFACEDESC2 primary = FullScreenPrimaryDesc();
                PrimarySurface = DisplayDevice->CreateSurface(primary);
                DDSCAPS2 caps{};
                caps.lCaps = DDSCAPS_BACKBUFFER;
                result = PrimarySurface->GetAttachedSurface(caps);
            }

            const int32_t width = this->DDGetSurfaceWidth(result);
            const int32_t height = this->DDGetSurfaceHeight(result);
            this->DDFillRect(result, 0, 0, width, height, RGB(0, 0, 0));
            api::DoEvents();
            BackBuffer = result;
        },
        [&](int32_t) { this->DDClose(); });
    return result;
}

void DX7Draw::DDClose() {
    if (!DisplayDevice) return;
    ResumeNext rn;
    if (ScreenMode != NORMALSCREEN) {
        rn([&] { DisplayDevice->RestoreDisplayMode(); });
        rn([&] { DisplayDevice->FlipToGDISurface(); });
    }
    PrimarySurface = nullptr;
    BackBuffer = nullptr;
    DisplayDevice = nullptr;

    // One statement: a rectangle whose size overflows leaves the window alone
    // rather than shrinking it to nothing.
    rn([&] {
        const RECT& r = SavedWindowRect;
        const int32_t w = Sub32(r.Right, r.Left);
        const int32_t h = Sub32(r.Bottom, r.Top);
        if (api::GetParent(TargetWindow) != 0) {
            api::SetWindowPos(TargetWindow, 0, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
        } else {
            api::SetWindowPos(TargetWindow, 0, r.Left, r.Top, w, h, SWP_NOZORDER);
        }
    });

    DxRoot = nullptr;
    WindowClipper = nullptr;
    rn([] { api::DoEvents(); });
}

void DX7Draw::DDFlip() {
    ResumeNext rn;
    if (ScreenMode == NORMALSCREEN) {
        // Fetched at every present so the picture follows the window. A
        // failing query leaves the previous destination in place.
        rn([&] {
            std::array<RECT, 1> clip = FlipClipList;
            WindowClipper->GetClipList(clip);
            FlipClipList = clip;
        });
        rn([&] { DisplayDevice->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0); });
        rn([&] {
            DirectDrawSurface7& primary = *PrimarySurface;
            RECT dest = FlipClipList[0], src{};
            // A window partly off the screen (or past its parent's edge) shows
            // the part of the picture that belongs there, not the whole picture
            // squeezed into what can be seen.
            RECT client;
            if (ClientOnScreen(TargetWindow, client) && dest != client && Within(dest, client)) {
                const int32_t w = DDGetSurfaceWidth(BackBuffer), h = DDGetSurfaceHeight(BackBuffer);
                if (w == client.Right - client.Left && h == client.Bottom - client.Top) {
                    src = RECT{dest.Left - client.Left, dest.Top - client.Top, dest.Right - client.Left,
                               dest.Bottom - client.Top};
                } else {
                    // Scaled: the whole client area, which the clipper cuts
                    // down to the part that can be seen.
                    dest = client;
                }
            }
            primary.Blt(dest, BackBuffer, src, DDBLT_WAIT);
        });
    } else {
        rn([&] { PrimarySurface->Flip(BackBuffer, DDFLIP_WAIT); });
    }
}

}  // namespace vexo
