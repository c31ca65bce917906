// Picture files through DDCreateSurfaceFromFile: the bitmap header checks,
// every depth and compression, and the PNG, JPEG and GIF decoder.
#include "fuzz/DrawFuzz.h"

namespace {
vexo::DX7Draw* g_dd = nullptr;
const vexo::fuzz::ShmFile* g_file = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_dd = &vexo::fuzz::OpenDisplay(32);
    g_file = new vexo::fuzz::ShmFile("picture");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
