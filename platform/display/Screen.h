// The state of the one display of the process: the desktop and the display
// mode in force, the storage the screen shows, the limited video memory,
// the primary surfaces (for the palette in force) and presentation through
// the backend.
#pragma once

#include <memory>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/display/PixelFormat.h"

namespace vexo::plat {

class SoftSurface;
class SoftPalette;

struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    bool operator==(const DisplayMode&) const = default;
};

class DisplayState final : public BackendEvents {
public:
    DisplayState();
    plat::Backend& Backend();

    // Desktop and display modes.
    DisplayMode Desktop() const { return desktop_; }
    DisplayMode Mode() const { return mode_; }
    void SetDesktop(const DisplayMode& m);  // raises E_INVALIDARG for a bad size or depth
    std::vector<DisplayMode> OfferedModes() const;
    bool Offered(const DisplayMode& m) const;
    // Switches the screen to `m` on behalf of `owner` (a DirectDraw object).
    void ChangeMode(const DisplayMode& m, const void* owner);
    // Back to the desktop when `owner` changed the mode (any owner when null).
    void RestoreMode(const void* owner);
    const void* ModeOwner() const { return modeOwner_; }

    // Exclusive full-screen access, held by one DirectDraw object at a time.
    const void* ExclusiveOwner() const { return exclusive_; }
    HWND ExclusiveWindow() const { return exclusiveWnd_; }
    void SetExclusive(const void* owner, HWND hwnd);
    void DropExclusive(const void* owner);

    // Memory accounting. Video memory is small on purpose; system memory is
    // capped so that a lying size never turns into a huge allocation.
    void SetVideoMemory(int64_t bytes) { videoTotal_ = bytes < 0 ? 0 : bytes; }
    int64_t VideoMemory() const { return videoTotal_; }
    int64_t VideoUsed() const { return videoUsed_; }
    bool ReserveVideo(int64_t bytes);
    void ReleaseVideo(int64_t bytes) { videoUsed_ -= bytes; }
    void SetSystemMemoryLimit(int64_t bytes) { systemTotal_ = bytes; }
    bool ReserveSystem(int64_t bytes);
    void ReleaseSystem(int64_t bytes) { systemUsed_ -= bytes; }

    // The storage the screen shows now, and the one a plain primary surface
    // gets (the desktop, or the screen of the display mode in force).
    const std::shared_ptr<PixelStore>& ScreenStore() const { return screen_; }
    const std::shared_ptr<PixelStore>& ModeStore() const { return modeStore_; }
    void SetScreenStore(const std::shared_ptr<PixelStore>& s);
    RECT ScreenRect() const { return screen_->Bounds(); }

    // Primary surfaces, so that the palette in force can be found.
    void AddPrimary(SoftSurface* s);
    void RemovePrimary(SoftSurface* s);
    // The palette 8-bit pixels of the screen go through: the one attached to
    // the primary surface that shows the screen, else the system palette.
    const PALETTEENTRY* PaletteInForce() const;
    // The primary surface whose storage the screen shows (null when none).
    SoftSurface* PrimaryShowingScreen() const;

    // Presentation: `s` changed in `r`; shown at once when `s` is visible.
    void Touched(const PixelStore* s, const RECT& r);
    void PaletteChanged();
    // The screen as it is now, converted to XRGB.
    Frame CurrentFrame();

    // BackendEvents
    void WindowMovedByUser(HWND hwnd, int32_t x, int32_t y, int32_t outerW, int32_t outerH) override;
    void WindowCloseRequested(HWND hwnd) override;
    std::vector<HWND> TakeCloseRequests();

private:
    void Present(const RECT& r);
    // The converted frame always has the screen's size.
    void EnsureFrame();
    void ScreenReplaced();

    DisplayMode desktop_{1920, 1080, 32};
    DisplayMode mode_ = desktop_;
    const void* modeOwner_ = nullptr;
    const void* exclusive_ = nullptr;
    HWND exclusiveWnd_ = 0;
    std::shared_ptr<PixelStore> desktopStore_, modeStore_, screen_;
    std::vector<SoftSurface*> primaries_;
    int64_t videoTotal_ = 8 << 20, videoUsed_ = 0;
    int64_t systemTotal_ = int64_t(1) << 30, systemUsed_ = 0;
    std::vector<uint32_t> frame_;
    bool frameStale_ = true;
    bool frameBehind_ = false;  // presented in place, frame_ not converted since
    std::vector<HWND> closeRequests_;
    plat::Backend* backend_ = nullptr;
};

DisplayState& Screen();

}  // namespace vexo::plat
