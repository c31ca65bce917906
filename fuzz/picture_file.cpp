// Picture files through DDCreateSurfaceFromFile: the bitmap header checks,
// every depth and compression, and the PNG, JPEG and GIF decoder.
#include <algorithm>

#include "fuzz/DrawFuzz.h"

namespace {
vexo::DX7Draw* g_dd = nullptr;
const vexo::fuzz::ShmFile* g_file = nullptr;

// The pixels a file's header claims, as far as a quick look tells. Pictures
// past 65,536 pixels are left out: decoding and copying them slows the runs
// from thousands a second to tens, and the caps that refuse the largest
// ones are tested in the unit tests.
int64_t Area(int64_t w, int64_t h) { return std::min<int64_t>(std::abs(w), 1 << 30) * std::min<int64_t>(std::abs(h), 1 << 30); }

int64_t ClaimedPixels(const uint8_t* data, size_t size) {
    if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
        auto u16 = [&](size_t at) { return int64_t(data[at]) | int64_t(data[at + 1]) << 8; };
        if (u16(14) == 12) return Area(u16(18), u16(20));
        if (size < 26 + 4) return 0;
        const int64_t w = int32_t(uint32_t(u16(18) | u16(20) << 16));
        const int64_t h = int32_t(uint32_t(u16(22) | u16(24) << 16));
        return Area(w, h);
    }
    auto be16 = [&](size_t at) { return int64_t(data[at]) << 8 | data[at + 1]; };
    if (size >= 24 && data[0] == 0x89 && data[1] == 'P') return Area(be16(16) << 16 | be16(18), be16(20) << 16 | be16(22));
    if (size >= 10 && data[0] == 'G') return Area(int64_t(data[6]) | data[7] << 8, int64_t(data[8]) | data[9] << 8);
    // A JPEG's first frame header (not stb: its header reading is what is
    // under test).
    for (size_t i = 0; i + 9 <= size; ++i)
        if (data[i] == 0xFF && data[i + 1] >= 0xC0 && data[i + 1] <= 0xC2) return Area(be16(i + 5), be16(i + 7));
    return 0;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_dd = &vexo::fuzz::OpenDisplay(32);
    g_file = new vexo::fuzz::ShmFile("picture");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ClaimedPixels(data, size) > (int64_t(1) << 16)) return 0;
    g_file->Write(data, size);
    {
        vexo::Ref<vexo::DirectDrawSurface7> s = g_dd->DDCreateSurfaceFromFile(g_file->Path());
        // A surface that came must be as large as its picture claims and
        // readable to its last pixel.
        if (!s.IsNothing()) {
            const int32_t w = g_dd->DDGetSurfaceWidth(s), h = g_dd->DDGetSurfaceHeight(s);
            if (w <= 0 || h <= 0) __builtin_trap();
            vexo::RECT whole{};
            vexo::DDSURFACEDESC2 d{};
            s->Lock(whole, d, vexo::DDLOCK_WAIT, 0);
            (void)s->GetLockedPixel(w - 1, h - 1);
            s->Unlock(whole);
        }
    }
    g_file->Remove();
    return 0;
}
