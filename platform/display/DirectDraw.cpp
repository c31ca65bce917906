// The DirectDraw object (cooperative level, display modes, surface
// creation), palettes and clippers.
#include <algorithm>

#include "platform/display/DirectDraw.h"
#include "platform/display/Screen.h"
#include "platform/display/Surface.h"
#include "platform/display/Windows.h"
#include "platform/display/picture/Bmp.h"

namespace vexo::plat {

namespace {
constexpr int32_t kMemCaps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
constexpr int32_t kVideoCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
// One surface may not exceed this, whatever memory is left.
constexpr int64_t kMaxSurfaceBytes = int64_t(256) << 20;
constexpr int32_t kMaxSide = 65536;
constexpr int32_t DDSD_REFRESHRATE_ = 0x40000;
}  // namespace

// --- Palettes --------------------------------------------------------------

bool SoftPalette::Fixed(int32_t i) const {
    return (caps_ & DDPCAPS_8BIT) && !(caps_ & DDPCAPS_ALLOW256) && (i == 0 || i == 255);
}

void SoftPalette::Init(std::span<const PALETTEENTRY> in) {
    for (int32_t i = 0; i < count_ && size_t(i) < in.size(); ++i)
        entries_[size_t(i)] = {in[size_t(i)].red, in[size_t(i)].green, in[size_t(i)].blue, 0};
    if (Fixed(0)) entries_[0] = {0, 0, 0, 0};
    if (Fixed(255)) entries_[255] = {255, 255, 255, 0};
}

void SoftPalette::GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) {
    if (start < 0 || count < 0 || int64_t(start) + count > count_ || out.size() < size_t(count))
        Raise(status::E_INVALIDARG);
    std::copy_n(entries_.begin() + start, count, out.begin());
}

void SoftPalette::SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) {
    if (start < 0 || count < 0 || int64_t(start) + count > count_ || in.size() < size_t(count))
        Raise(status::E_INVALIDARG);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t k = start + i;
        // Black and white stay where the 8-bit capability alone put them.
        if (Fixed(k)) continue;
        entries_[size_t(k)] = {in[size_t(i)].red, in[size_t(i)].green, in[size_t(i)].blue, 0};
    }
    if (Screen().PaletteInForce() == entries_.data()) Screen().PaletteChanged();
}

// --- Clippers ----------------------------------------------------------------

void SoftClipper::SetHWnd(HWND hwnd) {
    if (hwnd && !Windows().IsWindow(hwnd)) Raise(status::E_INVALIDARG);
    hwnd_ = hwnd;
}

bool SoftClipper::ClipRect(RECT& r) const {
    if (!hwnd_) return false;
    // A window that is gone shows nothing.
    if (!Windows().VisibleClient(hwnd_, Screen().ScreenRect(), r)) r = RECT{};
    return true;
}

int32_t SoftClipper::GetClipList(std::span<RECT> rects) {
    RECT r;
    if (!hwnd_ || !Windows().VisibleClient(hwnd_, Screen().ScreenRect(), r)) Raise(status::DDERR_NOCLIPLIST);
    if (r.Right <= r.Left || r.Bottom <= r.Top) return 0;
    if (!rects.empty()) rects[0] = r;
    return 1;
}

// --- DirectDraw ----------------------------------------------------------------

SoftDirectDraw::~SoftDirectDraw() {
    // Releasing the object that owns the display gives the desktop back.
    Screen().DropExclusive(this);
    Screen().RestoreMode(this);
}

void SoftDirectDraw::SetCooperativeLevel(HWND hwnd, int32_t flags) {
    if (hwnd && !Windows().IsWindow(hwnd)) Raise(status::E_HANDLE);
    const bool normal = flags & DDSCL_NORMAL, exclusive = flags & DDSCL_EXCLUSIVE, full = flags & DDSCL_FULLSCREEN;
    if (normal == exclusive) Raise(status::E_INVALIDARG);
    if (exclusive && (!full || !hwnd)) Raise(status::E_INVALIDARG);
    if (exclusive) {
        if (Screen().ExclusiveOwner() && Screen().ExclusiveOwner() != this) Raise(st::EXCLUSIVEMODEALREADYSET);
        Screen().SetExclusive(this, hwnd);
    } else {
        Screen().DropExclusive(this);
    }
    level_ = flags;
    hwnd_ = hwnd;
}

void SoftDirectDraw::SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t) {
    if (!Screen().Offered({w, h, bpp}) || (refresh != 0 && refresh != Screen().Backend().RefreshRate()))
        Raise(status::DDERR_UNSUPPORTED);
    if (Screen().ExclusiveOwner() && Screen().ExclusiveOwner() != this) Raise(status::DDERR_NOEXCLUSIVEMODE);
    Screen().ChangeMode({w, h, bpp}, this);
}

void SoftDirectDraw::RestoreDisplayMode() { Screen().RestoreMode(this); }

void SoftDirectDraw::FlipToGDISurface() {
    // The chain showing the screen flips until the desktop's own storage is
    // in front again.
    DisplayState& d = Screen();
    for (int i = 0; i < 4 && d.ScreenStore() != d.ModeStore(); ++i) {
        SoftSurface* front = d.PrimaryShowingScreen();
        if (!front) break;
        front->Flip(nullptr, DDFLIP_NOVSYNC_);
    }
}

Ref<DirectDrawSurface7> SoftDirectDraw::CreateSurface(DDSURFACEDESC2& desc) {
    if (!level_) Raise(st::NOCOOPERATIVELEVELSET);
    const int32_t caps = (desc.lFlags & DDSD_CAPS) ? desc.ddsCaps.lCaps : 0;
    const bool sys = caps & DDSCAPS_SYSTEMMEMORY, vid = caps & DDSCAPS_VIDEOMEMORY;
    if (sys && vid) Raise(status::DDERR_INVALIDCAPS);
    Ref<SoftSurface> made;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (desc.lFlags & (DDSD_WIDTH | DDSD_HEIGHT)) Raise(status::E_INVALIDARG);
        std::shared_ptr<PixelStore> front = Screen().ModeStore();
        if (!(caps & DDSCAPS_FLIP)) {
            made = MakeRef<SoftSurface>(front, (caps & ~kMemCaps) | DDSCAPS_VISIBLE_ | (sys ? DDSCAPS_SYSTEMMEMORY : kVideoCaps),
                                        Memory::Screen);
        } else {
            if (!(caps & DDSCAPS_COMPLEX) || !(desc.lFlags & DDSD_BACKBUFFERCOUNT)) Raise(status::DDERR_INVALIDCAPS);
            if (desc.lBackBufferCount < 1 || desc.lBackBufferCount > 3) Raise(status::E_INVALIDARG);
            if (Screen().ExclusiveOwner() != this) Raise(status::DDERR_NOEXCLUSIVEMODE);
            const int32_t mem = sys ? DDSCAPS_SYSTEMMEMORY : kVideoCaps;
            made = MakeRef<SoftSurface>(front, (caps & ~kMemCaps) | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE_ | mem,
                                        Memory::Screen);
            for (int32_t i = 0; i < desc.lBackBufferCount; ++i) {
                const int64_t bytes = int64_t(front->pitch) * front->height;
                const bool ok = sys ? Screen().ReserveSystem(bytes) : Screen().ReserveVideo(bytes);
                if (!ok) Raise(sys ? status::DDERR_OUTOFMEMORY : status::DDERR_OUTOFVIDEOMEMORY);
                auto back = MakeRef<SoftSurface>(nullptr, DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX | mem,
                                                 sys ? Memory::System : Memory::Video);
                if (sys) back->SetSystemBytes(bytes);
                else back->SetVideoBytes(bytes);
                back->ReplaceStore(MakeStore(front->width, front->height, front->bpp));
                made->AttachBackBuffer(back);
            }
        }
    } else {
        if (!(desc.lFlags & DDSD_WIDTH) || !(desc.lFlags & DDSD_HEIGHT) || desc.lWidth <= 0 || desc.lHeight <= 0)
            Raise(status::E_INVALIDARG);
        if (caps & (DDSCAPS_FLIP | DDSCAPS_BACKBUFFER | DDSCAPS_FRONTBUFFER | DDSCAPS_COMPLEX))
            Raise(status::DDERR_INVALIDCAPS);
        int32_t bpp = Screen().Mode().bpp;
        if (desc.lFlags & DDSD_PIXELFORMAT) {
            bpp = DepthOfFormat(desc.ddpfPixelFormat);
            if (!bpp) Raise(status::DDERR_INVALIDPIXELFORMAT);
        }
        if (desc.lWidth > kMaxSide || desc.lHeight > kMaxSide) Raise(status::DDERR_OUTOFMEMORY);
        const int64_t bytes = PitchFor(desc.lWidth, bpp) * desc.lHeight;
        if (bytes > kMaxSurfaceBytes) Raise(status::DDERR_OUTOFMEMORY);
        // With no memory named, video memory when there is room; the caller
        // asks for system memory explicitly when that fails.
        const bool toVideo = !sys;
        if (toVideo ? !Screen().ReserveVideo(bytes) : !Screen().ReserveSystem(bytes))
            Raise(toVideo ? status::DDERR_OUTOFVIDEOMEMORY : status::DDERR_OUTOFMEMORY);
        const int32_t finalCaps = (caps & ~kMemCaps) | DDSCAPS_OFFSCREENPLAIN |
                                  (toVideo ? kVideoCaps : DDSCAPS_SYSTEMMEMORY);
        made = MakeRef<SoftSurface>(nullptr, finalCaps, toVideo ? Memory::Video : Memory::System);
        if (toVideo) made->SetVideoBytes(bytes);
        else made->SetSystemBytes(bytes);
        made->ReplaceStore(MakeStore(desc.lWidth, desc.lHeight, bpp));
    }
    if (desc.lFlags & DDSD_CKSRCBLT) {
        DDCOLORKEY k = desc.ddckCKSrcBlt;
        made->SetColorKey(DDCKEY_SRCBLT, k);
    }
    return Ref<DirectDrawSurface7>(made.get());
}

Ref<DirectDrawClipper> SoftDirectDraw::CreateClipper(int32_t flags) {
    if (flags != 0) Raise(status::E_INVALIDARG);
    return Ref<DirectDrawClipper>(new SoftClipper);
}

Ref<DirectDrawPalette> SoftDirectDraw::CreatePalette(int32_t flags, std::span<const PALETTEENTRY> entries) {
    if (flags & DDPCAPS_8BITENTRIES) Raise(status::DDERR_UNSUPPORTED);
    int32_t count = 0, sizes = 0;
    if (flags & DDPCAPS_8BIT) count = 256, ++sizes;
    if (flags & DDPCAPS_4BIT) count = 16, ++sizes;
    if (flags & DDPCAPS_2BIT_) count = 4, ++sizes;
    if (flags & DDPCAPS_1BIT_) count = 2, ++sizes;
    if (sizes != 1 || entries.size() < size_t(count)) Raise(status::E_INVALIDARG);
    if ((flags & DDPCAPS_ALLOW256) && count != 256) Raise(status::E_INVALIDARG);
    auto* p = new SoftPalette(flags, count);
    Ref<DirectDrawPalette> ref(p);
    p->Init(entries);
    return ref;
}

void SoftDirectDraw::LoadPaletteFromBitmap(const std::string& file, std::span<PALETTEENTRY> entries) {
    ReadBmpColorTable(file, entries);
}

int32_t SoftDirectDraw::WaitForVerticalBlank(int32_t flags, int32_t) {
    if (flags == 2) return status::DDERR_UNSUPPORTED;  // the event form
    if (flags != DDWAITVB_BLOCKBEGIN && flags != 4) return status::E_INVALIDARG;
    Screen().Backend().WaitForVerticalBlank();
    return status::OK;
}

void SoftDirectDraw::GetDisplayMode(DDSURFACEDESC2& desc) {
    const DisplayMode m = Screen().Mode();
    desc = DDSURFACEDESC2{};
    desc.lSize = int32_t(sizeof desc);
    desc.lFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE_;
    desc.lWidth = m.width;
    desc.lHeight = m.height;
    desc.lPitch = int32_t(PitchFor(m.width, m.bpp));
    desc.lMipMapCount = Screen().Backend().RefreshRate();  // the refresh-rate member of the union
    DescribeFormat(m.bpp, desc.ddpfPixelFormat);
}

}  // namespace vexo::plat
