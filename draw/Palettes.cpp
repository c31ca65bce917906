// Palettes: made from three arrays, from a bitmap's colour table or the
// fixed 3-3-2 palette, and attached to the primary or to any surface.
#include <array>

#include "common/Error.h"
#include "draw/DX7Draw.h"

namespace vexo {

namespace {
using Entries = std::array<PALETTEENTRY, 256>;
}  // namespace

Ref<DirectDrawPalette> DX7Draw::DDCreatePalette(VBArray<uint8_t>& Red, VBArray<uint8_t>& Green,
                                                VBArray<uint8_t>& Blue) {
    Ref<DirectDrawPalette> result;
    ResumeNext rn;
    // A bound that cannot be read (an array with no bounds yet) refuses the
    // arrays as surely as a wrong one.
    bool exact = false;
    rn([&] { exact = Red.UBound() == 255 && Blue.UBound() == 255 && Green.UBound() == 255; });
    if (!exact) return result;

    // Subscripts are taken as they are: below an array's lower bound the
    // component stays 0.
    Entries entries{};
    for (int32_t i = 0; i <= 255; ++i) {
        PALETTEENTRY& e = entries[size_t(i)];
        rn([&] { e.blue = Blue(i); });
        rn([&] { e.green = Green(i); });
        rn([&] { e.red = Red(i); });
        e.flags = 0;
    }
    rn([&] { result = DisplayDevice->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries); });
    return result;
}

Ref<DirectDrawPalette> DX7Draw::DDCreatePaletteFromFile(std::string Filename) {
    Ref<DirectDrawPalette> result;
    ResumeNext rn;
    // The platform reads the colour table; every entry of it is kept as it
    // stands, black and white included.
    Entries entries{};
    if (rn([&] { DisplayDevice->LoadPaletteFromBitmap(Filename, entries); }))
        rn([&] { result = DisplayDevice->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries); });
    return result;
}

Ref<DirectDrawPalette> DX7Draw::DDCreateDefPalette() {
    Ref<DirectDrawPalette> result;
    ResumeNext rn;
    // Index bits RRRGGGBB spread evenly over 0..255, rounded half to even.
    Entries entries{};
    for (int32_t i = 0; i <= 255; ++i) {
        PALETTEENTRY& e = entries[size_t(i)];
        rn([&] { e.red = RoundToByte(double(i & 0xE0) / 32 * 255 / 7); });
        rn([&] { e.green = RoundToByte(double(i & 0x1C) / 4 * 255 / 7); });
        rn([&] { e.blue = RoundToByte(double(i & 3) * 255 / 3); });
    }
    rn([&] { result = DisplayDevice->CreatePalette(DDPCAPS_8BIT, entries); });
    return result;
}

int32_t DX7Draw::DDPrimarySetPalette(Ref<DirectDrawPalette>& PaletteID) {
    ResumeNext rn;
    rn([&] { PrimarySurface->SetPalette(PaletteID); });
    return rn.Err();
}

Variant DX7Draw::DDSurfaceSetPalette(Ref<DirectDrawSurface7>& SurfaceID, Ref<DirectDrawPalette>& PaletteID) {
    ResumeNext rn;
    rn([&] { SurfaceID->SetPalette(PaletteID); });
    return Variant{rn.Err()};
}

void DX7Draw::DDSetPalette(Ref<DirectDrawSurface7>& dds, Ref<DirectDrawPalette>& ddp) { dds->SetPalette(ddp); }

}  // namespace vexo
