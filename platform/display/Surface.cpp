// Surfaces: description, locking, device contexts, colour keys, palettes,
// clipper and the flipping chain. The blits are in SurfaceBlit.cpp.
#include "platform/display/Surface.h"

#include <algorithm>

#include "platform/display/Screen.h"
#include "platform/display/gdi/Gdi.h"

namespace vexo::plat {

SoftSurface* AsSoft(const Ref<DirectDrawSurface7>& s) { return dynamic_cast<SoftSurface*>(s.get()); }

SoftSurface::SoftSurface(std::shared_ptr<PixelStore> store, int32_t caps, Memory mem)
    : store_(std::move(store)), caps_(caps), mem_(mem) {
    if (IsPrimary()) Screen().AddPrimary(this);
}

SoftSurface::~SoftSurface() {
    if (IsPrimary()) Screen().RemovePrimary(this);
    for (auto& b : backs_) b->front_ = nullptr;
    if (videoBytes_) Screen().ReleaseVideo(videoBytes_);
    if (systemBytes_) Screen().ReleaseSystem(systemBytes_);
}

void SoftSurface::Touched(const RECT& r) const { Screen().Touched(store_.get(), r); }

void SoftSurface::FillDesc(DDSURFACEDESC2& desc) const {
    desc = DDSURFACEDESC2{};
    desc.lSize = int32_t(sizeof(DDSURFACEDESC2));
    desc.lFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.lWidth = store_->width;
    desc.lHeight = store_->height;
    desc.lPitch = store_->pitch;
    if (!backs_.empty()) {
        desc.lFlags |= DDSD_BACKBUFFERCOUNT;
        desc.lBackBufferCount = int32_t(backs_.size());
    }
    if (hasKey_) {
        desc.lFlags |= DDSD_CKSRCBLT;
        desc.ddckCKSrcBlt = {int32_t(key_), int32_t(key_)};
    }
    if (hasDestKey_) desc.ddckCKDestBlt = {int32_t(destKey_), int32_t(destKey_)};
    DescribeFormat(store_->bpp, desc.ddpfPixelFormat);
    desc.ddsCaps.lCaps = caps_;
}

void SoftSurface::GetSurfaceDesc(DDSURFACEDESC2& desc) { FillDesc(desc); }

void SoftSurface::Lock(RECT& r, DDSURFACEDESC2& desc, int32_t, int32_t) {
    // Waiting cannot help on one thread: a lock held by the caller stays.
    if (Busy()) Raise(status::DDERR_SURFACEBUSY);
    RECT lr = r.IsAllZero() ? store_->Bounds() : r;
    if (lr.Left < 0 || lr.Top < 0 || lr.Right > store_->width || lr.Bottom > store_->height ||
        lr.Right <= lr.Left || lr.Bottom <= lr.Top)
        Raise(status::E_INVALIDARG);
    FillDesc(desc);
    locked_ = true;
    lockRect_ = lr;
}

void SoftSurface::Unlock(RECT&) {
    if (!locked_) Raise(status::DDERR_NOTLOCKED);
    locked_ = false;
    Touched(lockRect_);
}

int32_t SoftSurface::GetLockedPixel(int32_t x, int32_t y) {
    if (!locked_) Raise(status::DDERR_NOTLOCKED);
    if (x < lockRect_.Left || y < lockRect_.Top || x >= lockRect_.Right || y >= lockRect_.Bottom)
        Raise(status::E_INVALIDARG);
    return int32_t(ReadPixel(store_->At(x, y), store_->bpp));
}

void SoftSurface::SetLockedPixel(int32_t x, int32_t y, int32_t value) {
    if (!locked_) Raise(status::DDERR_NOTLOCKED);
    if (x < lockRect_.Left || y < lockRect_.Top || x >= lockRect_.Right || y >= lockRect_.Bottom)
        Raise(status::E_INVALIDARG);
    WritePixel(store_->At(x, y), store_->bpp, uint32_t(value));
}

LockedArray SoftSurface::GetLockedArray() {
    if (!locked_) Raise(status::DDERR_NOTLOCKED);
    const int32_t n = BytesPerPixel(store_->bpp);
    return LockedArray(store_->At(lockRect_.Left, lockRect_.Top), (lockRect_.Right - lockRect_.Left) * n,
                       lockRect_.Bottom - lockRect_.Top, store_->pitch);
}

HDC SoftSurface::GetDC() {
    if (dc_) Raise(status::DDERR_DCALREADYCREATED);
    if (locked_) Raise(status::DDERR_SURFACEBUSY);
    dc_ = Gdi().CreateSurfaceDC(Ref<SoftSurface>(this));
    return dc_;
}

void SoftSurface::ReleaseDC(HDC dc) {
    if (!dc_) Raise(status::DDERR_NODC);
    if (dc != dc_) Raise(status::E_INVALIDARG);
    Gdi().DeleteSurfaceDC(dc_);
    dc_ = 0;
    Touched(store_->Bounds());
}

const PALETTEENTRY* SoftSurface::DcPalette() const {
    if (palette_) return palette_->Entries().data();
    if (front_ && front_->palette_) return front_->palette_->Entries().data();
    return Screen().PaletteInForce();
}

void SoftSurface::SetColorKey(int32_t flags, DDCOLORKEY& key) {
    // Colour-space ranges are not matched: the high value is forced to the
    // low one, as the blits compare one value.
    if (flags & DDCKEY_SRCBLT) {
        hasKey_ = true;
        key_ = uint32_t(key.low);
        key.high = key.low;
    } else if (flags & DDCKEY_DESTBLT) {
        hasDestKey_ = true;
        destKey_ = uint32_t(key.low);
        key.high = key.low;
    } else {
        Raise(status::E_INVALIDARG);
    }
}

void SoftSurface::GetColorKey(int32_t flags, DDCOLORKEY& key) {
    if (flags & DDCKEY_SRCBLT) {
        if (!hasKey_) Raise(status::DDERR_NOCOLORKEY);
        key = {int32_t(key_), int32_t(key_)};
    } else if (flags & DDCKEY_DESTBLT) {
        if (!hasDestKey_) Raise(status::DDERR_NOCOLORKEY);
        key = {int32_t(destKey_), int32_t(destKey_)};
    } else {
        Raise(status::E_INVALIDARG);
    }
}

void SoftSurface::AttachBackBuffer(const Ref<SoftSurface>& back) {
    backs_.push_back(back);
    back->front_ = this;
}

Ref<DirectDrawSurface7> SoftSurface::GetAttachedSurface(DDSCAPS2& caps) {
    if (caps.lCaps & DDSCAPS_BACKBUFFER) {
        if (!backs_.empty()) return Ref<DirectDrawSurface7>(backs_.front().get());
    }
    Raise(status::DDERR_NOTFOUND);
}

void SoftSurface::Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) {
    if (backs_.empty()) Raise(status::DDERR_NOTFLIPPABLE);
    if (target) {
        SoftSurface* t = AsSoft(target);
        if (!t || t->front_ != this) Raise(status::E_INVALIDARG);
    }
    if (Busy()) Raise(status::DDERR_SURFACEBUSY);
    for (auto& b : backs_)
        if (b->Busy()) Raise(status::DDERR_SURFACEBUSY);
    if (!(flags & DDFLIP_NOVSYNC_) && store_ == Screen().ScreenStore()) Screen().Backend().WaitForVerticalBlank();
    // The front takes the first back buffer's pixels; the rest move up one,
    // and the old front's storage becomes the last back buffer.
    const bool visible = store_ == Screen().ScreenStore();
    std::shared_ptr<PixelStore> old = store_;
    store_ = backs_.front()->store_;
    for (size_t i = 0; i + 1 < backs_.size(); ++i) backs_[i]->store_ = backs_[i + 1]->store_;
    backs_.back()->store_ = old;
    if (visible) Screen().SetScreenStore(store_);
}

void SoftSurface::SetClipper(const Ref<DirectDrawClipper>& clipper) {
    if (!clipper) {
        clipper_ = nullptr;
        return;
    }
    auto* c = dynamic_cast<SoftClipper*>(clipper.get());
    if (!c) Raise(status::E_INVALIDARG);
    clipper_ = Ref<SoftClipper>(c);
}

void SoftSurface::SetPalette(const Ref<DirectDrawPalette>& palette) {
    if (store_->bpp != 8) Raise(status::DDERR_INVALIDPIXELFORMAT);
    if (!palette) {
        palette_ = nullptr;
    } else {
        auto* p = dynamic_cast<SoftPalette*>(palette.get());
        if (!p) Raise(status::E_INVALIDARG);
        // An 8-bit surface needs all 256 entries.
        if (p->Count() != 256) Raise(status::DDERR_INVALIDPIXELFORMAT);
        palette_ = Ref<SoftPalette>(p);
    }
    if (store_ == Screen().ScreenStore()) Screen().PaletteChanged();
}

Ref<DirectDrawPalette> SoftSurface::GetPalette() {
    if (!palette_) Raise(status::DDERR_NOPALETTEATTACHED);
    return Ref<DirectDrawPalette>(palette_.get());
}

}  // namespace vexo::plat
