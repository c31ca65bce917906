#include "platform/display/Screen.h"

#include <algorithm>

#include "common/Error.h"
#include "platform/display/Surface.h"
#include "platform/display/Windows.h"

namespace vexo::plat {

namespace {
// Desktops and modes stay within this size, so that screen storage is bounded.
constexpr int32_t kMaxScreen = 8192;

const DisplayMode kSizes[] = {{320, 240, 0},   {640, 400, 0},   {640, 480, 0},   {800, 600, 0},
                              {1024, 768, 0},  {1152, 864, 0},  {1280, 720, 0},  {1280, 960, 0},
                              {1280, 1024, 0}, {1600, 1200, 0}, {1920, 1080, 0}};
}  // namespace

DisplayState& Screen() {
    // Never destroyed: surfaces released during exit still report to it.
    static DisplayState* state = new DisplayState;
    return *state;
}

DisplayState::DisplayState() {
    desktopStore_ = MakeStore(desktop_.width, desktop_.height, desktop_.bpp);
    modeStore_ = screen_ = desktopStore_;
}

plat::Backend& DisplayState::Backend() {
    if (!backend_) backend_ = &ActiveBackend(*this);
    return *backend_;
}

void DisplayState::SetDesktop(const DisplayMode& m) {
    if (m.width <= 0 || m.height <= 0 || m.width > kMaxScreen || m.height > kMaxScreen || !DepthSupported(m.bpp))
        Raise(status::E_INVALIDARG);
    const bool onDesktop = modeStore_ == desktopStore_;
    desktop_ = m;
    // Surfaces made on the old desktop keep their storage; the screen shows
    // the new one.
    desktopStore_ = MakeStore(m.width, m.height, m.bpp);
    if (onDesktop) {
        mode_ = m;
        modeStore_ = desktopStore_;
        SetScreenStore(desktopStore_);
    }
}

std::vector<DisplayMode> DisplayState::OfferedModes() const {
    std::vector<DisplayMode> out;
    for (int32_t bpp : {8, 16, 24, 32}) {
        bool desktopListed = false;
        for (const DisplayMode& s : kSizes) {
            out.push_back({s.width, s.height, bpp});
            desktopListed |= s.width == desktop_.width && s.height == desktop_.height;
        }
        if (!desktopListed) out.push_back({desktop_.width, desktop_.height, bpp});
    }
    return out;
}

bool DisplayState::Offered(const DisplayMode& m) const {
    const auto modes = OfferedModes();
    return std::find(modes.begin(), modes.end(), m) != modes.end();
}

void DisplayState::ChangeMode(const DisplayMode& m, const void* owner) {
    modeStore_ = (m == desktop_) ? desktopStore_ : MakeStore(m.width, m.height, m.bpp);
    mode_ = m;
    modeOwner_ = owner;
    SetScreenStore(modeStore_);
}

void DisplayState::RestoreMode(const void* owner) {
    if (owner && owner != modeOwner_) return;
    modeOwner_ = nullptr;
    mode_ = desktop_;
    modeStore_ = desktopStore_;
    SetScreenStore(desktopStore_);
}

void DisplayState::SetExclusive(const void* owner, HWND hwnd) {
    exclusive_ = owner;
    exclusiveWnd_ = hwnd;
    ScreenReplaced();
}

void DisplayState::DropExclusive(const void* owner) {
    if (exclusive_ != owner) return;
    exclusive_ = nullptr;
    exclusiveWnd_ = 0;
    ScreenReplaced();
}

bool DisplayState::ReserveVideo(int64_t bytes) {
    if (bytes > videoTotal_ - videoUsed_) return false;
    videoUsed_ += bytes;
    return true;
}

bool DisplayState::ReserveSystem(int64_t bytes) {
    if (bytes > systemTotal_ - systemUsed_) return false;
    systemUsed_ += bytes;
    return true;
}

void DisplayState::SetScreenStore(const std::shared_ptr<PixelStore>& s) {
    const bool resized = !screen_ || s->width != screen_->width || s->height != screen_->height ||
                         s->bpp != screen_->bpp;
    screen_ = s;
    if (resized) ScreenReplaced();
    frameStale_ = true;
    Present(screen_->Bounds());
}

void DisplayState::ScreenReplaced() {
    frame_.assign(size_t(screen_->width) * size_t(screen_->height), 0);
    frameStale_ = true;
    Backend().ModeChanged(screen_->width, screen_->height, screen_->bpp, exclusive_ != nullptr, exclusiveWnd_);
}

void DisplayState::AddPrimary(SoftSurface* s) { primaries_.push_back(s); }

void DisplayState::RemovePrimary(SoftSurface* s) {
    primaries_.erase(std::remove(primaries_.begin(), primaries_.end(), s), primaries_.end());
}

SoftSurface* DisplayState::PrimaryShowingScreen() const {
    for (auto it = primaries_.rbegin(); it != primaries_.rend(); ++it)
        if (&(*it)->Store() == screen_.get() && (*it)->HasBackBuffers()) return *it;
    for (auto it = primaries_.rbegin(); it != primaries_.rend(); ++it)
        if (&(*it)->Store() == screen_.get()) return *it;
    return nullptr;
}

const PALETTEENTRY* DisplayState::PaletteInForce() const {
    for (auto it = primaries_.rbegin(); it != primaries_.rend(); ++it) {
        if (&(*it)->Store() == screen_.get() && (*it)->PaletteObj()) return (*it)->PaletteObj()->Entries().data();
    }
    return DefaultSystemPalette().data();
}

void DisplayState::Touched(const PixelStore* s, const RECT& r) {
    if (s != screen_.get()) return;
    if (!Backend().WantsFrames()) frameStale_ = true;
    Present(r);
}

void DisplayState::PaletteChanged() {
    if (screen_->bpp != 8) return;
    frameStale_ = true;
    Present(screen_->Bounds());
}

void DisplayState::EnsureFrame() {
    const size_t n = size_t(screen_->width) * size_t(screen_->height);
    if (frame_.size() != n) {
        frame_.assign(n, 0);
        frameStale_ = true;
    }
}

void DisplayState::Present(const RECT& r) {
    plat::Backend& b = Backend();
    if (!b.WantsFrames()) return;
    EnsureFrame();
    const RECT all = screen_->Bounds();
    RECT d{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, all.Right), std::min(r.Bottom, all.Bottom)};
    // Changes that were never converted (a palette, a new screen) widen the
    // update to the whole screen.
    if (frameStale_) d = all;
    if (d.Right <= d.Left || d.Bottom <= d.Top) return;
    frameStale_ = false;
    // A 32-bit screen is XRGB already (whatever its top byte holds): the
    // backend reads it in place, and frame_ is made only when someone looks.
    if (screen_->bpp == 32 && screen_->pitch % 4 == 0) {
        frameBehind_ = true;
        b.Present(Frame{reinterpret_cast<const uint32_t*>(screen_->bytes.data()), screen_->width, screen_->height,
                        screen_->pitch / 4},
                  d);
        return;
    }
    ConvertToXrgb(*screen_, d, PaletteInForce(), frame_.data(), screen_->width);
    frameBehind_ = false;
    b.Present(Frame{frame_.data(), screen_->width, screen_->height, screen_->width}, d);
}

Frame DisplayState::CurrentFrame() {
    EnsureFrame();
    if (frameStale_ || frameBehind_) {
        ConvertToXrgb(*screen_, screen_->Bounds(), PaletteInForce(), frame_.data(), screen_->width);
        frameStale_ = frameBehind_ = false;
    }
    return Frame{frame_.data(), screen_->width, screen_->height, screen_->width};
}

void DisplayState::WindowMovedByUser(HWND hwnd, int32_t x, int32_t y, int32_t outerW, int32_t outerH) {
    Windows().MovedByUser(hwnd, x, y, outerW, outerH);
}

void DisplayState::WindowCloseRequested(HWND hwnd) { closeRequests_.push_back(hwnd); }

std::vector<HWND> DisplayState::TakeCloseRequests() { return std::exchange(closeRequests_, {}); }

}  // namespace vexo::plat
