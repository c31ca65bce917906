// The half-blend table (build, save, load) and the half-transparent blit.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/DataFile.h"
#include "common/Error.h"
#include "draw/DX7Draw.h"
#include "draw/HarfTable.h"

namespace vexo {

namespace {

constexpr size_t kTableBytes = 256 * 256;

// The 256 entries of a palette; the list stays black unless all of them came.
void FetchEntries(ResumeNext& rn, const Ref<DirectDrawPalette>& pal, harf::Palette& out) {
    harf::Palette got{};
    if (rn([&] { pal->GetEntries(0, 256, got); })) out = got;
}

}  // namespace

int32_t DX7Draw::DDSaveHarfPalette(const std::string& SavePathFilename, Ref<DirectDrawPalette>& ddpPalette) {
    ResumeNext rn;
    harf::Palette screen{}, source{};
    Ref<DirectDrawPalette> attached;
    rn([&] { attached = PrimarySurface->GetPalette(); });
    FetchEntries(rn, attached, screen);
    FetchEntries(rn, ddpPalette, source);

    harf::BuildTable(screen, source, HarfPalette);

    // A write that fails half-way (a full disk) must not leave a table file
    // that is half new, half old: the old file stays until the new one is
    // complete.
    rn([&] { DataFile::ReplaceStart(SavePathFilename, &HarfPalette[0][0], kTableBytes); });
    return rn.Err();
}

int32_t DX7Draw::DDLoadHarfPalette(const std::string& LoadPathFilename) {
    ResumeNext rn;
    // Read aside, so that a failing read leaves the table as it was. A short
    // file replaces only the entries it holds; the others keep their values.
    rn([&] {
        DataFile f(LoadPathFilename, true);
        std::vector<uint8_t> bytes(kTableBytes);
        const size_t n = f.ReadAtStart(bytes.data(), bytes.size());
        f.Close();
        std::copy_n(bytes.data(), n, &HarfPalette[0][0]);
    });
    return rn.Err();
}

int32_t DX7Draw::LockEntireSurface(Ref<DirectDrawSurface7>& surface) {
    ResumeNext rn;
    DDSURFACEDESC2 desc{};
    desc.lFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.lHeight = this->DDGetSurfaceHeight(surface);
    desc.lWidth = this->DDGetSurfaceWidth(surface);
    desc.ddsCaps.lCaps = DDSCAPS_SYSTEMMEMORY;
    RECT whole{0, 0, desc.lWidth, desc.lHeight};
    rn([&] { surface->Lock(whole, desc, DDLOCK_WAIT, 0); });
    return rn.Err();
}

int32_t DX7Draw::UnlockEntireSurface(Ref<DirectDrawSurface7>& surface) {
    ResumeNext rn;
    RECT whole{0, 0, this->DDGetSurfaceWidth(surface), this->DDGetSurfaceHeight(surface)};
    rn([&] { surface->Unlock(whole); });
    return rn.Err();
}

int32_t DX7Draw::DDHarfTransferBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                   Ref<DirectDrawPalette>& ddpPalette, int32_t SrcX, int32_t SrcY,
                                   ByRef<int32_t> nWidth, ByRef<int32_t> nHeight, int32_t xDest, int32_t yDest,
                                   VBBool bTransparent) {
    // The table alone decides the colours.
    (void)ddpPalette;
    ResumeNext rn;
    int32_t& w = nWidth.get();
    int32_t& h = nHeight.get();

    // Default size, then the far edges of the source and the destination;
    // the caller sees the size used. Near edges are left to the pixel test.
    if (w < 1) w = this->DDGetSurfaceWidth(ddsSrc);
    if (h < 1) h = this->DDGetSurfaceHeight(ddsSrc);
    const int32_t sw = this->DDGetSurfaceWidth(ddsSrc), sh = this->DDGetSurfaceHeight(ddsSrc);
    if (int64_t(SrcX) + w >= sw) rn([&] { w = Sub32(sw, SrcX); });
    if (int64_t(SrcY) + h >= sh) rn([&] { h = Sub32(sh, SrcY); });
    const int32_t dw = this->DDGetSurfaceWidth(ddsDest), dh = this->DDGetSurfaceHeight(ddsDest);
    if (int64_t(xDest) + w >= dw) rn([&] { w = Sub32(dw, xDest); });
    if (int64_t(yDest) + h >= dh) rn([&] { h = Sub32(dh, yDest); });

    // A copy of the whole source as it is now, so that a surface blended
    // onto itself reads only pixels from before the call.
    int32_t failed = 0;
    std::vector<uint8_t> snap;
    int32_t snapW = 0, snapH = 0;
    failed = LockEntireSurface(ddsSrc);
    if (failed == 0) {
        rn.Clear();
        rn([&] {
            const LockedArray a = ddsSrc->GetLockedArray();
            snap.resize(size_t(a.Width()) * size_t(a.Height()));
            for (int32_t y = 0; y < a.Height(); ++y)
                std::memcpy(snap.data() + size_t(y) * size_t(a.Width()), a.Row(y), size_t(a.Width()));
            snapW = a.Width();
            snapH = a.Height();
        });
        failed = rn.Err();
        UnlockEntireSurface(ddsSrc);
    }

    // Only a lock this call took is released: a failed one may be the
    // caller's own.
    const int32_t destLock = LockEntireSurface(ddsDest);
    if (destLock != 0) return failed ? failed : destLock;
    LockedArray dst;
    rn.Clear();
    if (!rn([&] { dst = ddsDest->GetLockedArray(); }) && !failed) failed = rn.Err();

    if (!snap.empty() && dst.Width() > 0 && dst.Height() > 0) {
        const bool keyed = IsExactlyTrue(bTransparent);
        const uint8_t key = snap[0];
        // Columns and rows whose source and destination both lie inside
        // their arrays; every other pixel is skipped.
        const int64_t i0 = std::max<int64_t>({0, -int64_t(SrcX), -int64_t(xDest)});
        const int64_t i1 = std::min<int64_t>({w, int64_t(snapW) - SrcX, int64_t(dst.Width()) - xDest});
        const int64_t j0 = std::max<int64_t>({0, -int64_t(SrcY), -int64_t(yDest)});
        const int64_t j1 = std::min<int64_t>({h, int64_t(snapH) - SrcY, int64_t(dst.Height()) - yDest});
        const uint8_t* table = &HarfPalette[0][0];
        for (int64_t j = j0; j < j1; ++j) {
            const uint8_t* s = snap.data() + (SrcY + j) * snapW + SrcX + i0;
            uint8_t* d = dst.Row(int32_t(yDest + j)) + xDest + i0;
            const int64_t n = i1 - i0;
            if (keyed) {
                for (int64_t x = 0; x < n; ++x) {
                    const uint8_t sv = s[x];
                    const uint8_t blended = table[size_t(d[x]) << 8 | sv];
                    d[x] = sv == key ? d[x] : blended;
                }
            } else {
                for (int64_t x = 0; x < n; ++x) d[x] = table[size_t(d[x]) << 8 | s[x]];
            }
        }
    }

    const int32_t closing = UnlockEntireSurface(ddsDest);
    return failed ? failed : closing;
}

}  // namespace vexo
