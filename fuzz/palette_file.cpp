// Bitmap colour tables through DDCreatePaletteFromFile.
#include <array>

#include "fuzz/DrawFuzz.h"

namespace {
vexo::DX7Draw* g_dd = nullptr;
const vexo::fuzz::ShmFile* g_file = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_dd = &vexo::fuzz::OpenDisplay(8);
    g_file = new vexo::fuzz::ShmFile("palette");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_file->Write(data, size);
    {
        vexo::Ref<vexo::DirectDrawPalette> p = g_dd->DDCreatePaletteFromFile(g_file->Path());
        if (!p.IsNothing()) {
            // All 256 entries, whatever the table held, and no flags.
            std::array<vexo::PALETTEENTRY, 256> got{};
            p->GetEntries(0, 256, got);
            for (const vexo::PALETTEENTRY& e : got)
                if (e.flags != 0) __builtin_trap();
        }
    }
    g_file->Remove();
    return 0;
}
