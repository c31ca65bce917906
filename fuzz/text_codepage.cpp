// Text through DDTextOut in code pages 1252 and 932.
//
// Byte 0 picks: bit 0 the code page (932 when set); bits 1-2 the position
// (inside, negative, past the far edges, at the ends of the 32-bit range);
// bit 3 the colour (an RGB colour, or a palette-index colour); bit 4 a
// surface of another depth (8 bits, or 16 with bit 3); bits 5-6 the count
// (-1, the whole text, one byte short, half); bit 7 whether the rest is taken
// as the caller's string as it is (any bytes, UTF-8 or not) or as text in the
// code page, decoded first. The rest is the text; its length's low bits
// pick the font and whether the device context comes in opaque.
#include <climits>
#include <string>
#include <vector>

#include "fuzz/DrawFuzz.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/text/Text.h"

namespace {

using vexo::Ref;
using vexo::DirectDrawSurface7;

vexo::DX7Draw* g_dd = nullptr;
Ref<DirectDrawSurface7>* g_surfaces[3] = {};  // 32, 8 and 16 bits
vexo::HGDIOBJ g_font = 0;

Ref<DirectDrawSurface7> Make(int32_t bpp) {
    vexo::DDSURFACEDESC2 d{};
    d.lFlags = vexo::DDSD_CAPS | vexo::DDSD_WIDTH | vexo::DDSD_HEIGHT | vexo::DDSD_PIXELFORMAT;
    d.lWidth = 48;
    d.lHeight = 20;
    d.ddsCaps.lCaps = vexo::DDSCAPS_OFFSCREENPLAIN | vexo::DDSCAPS_SYSTEMMEMORY;
    vexo::plat::DescribeFormat(bpp, d.ddpfPixelFormat);
    Ref<DirectDrawSurface7> s = g_dd->DisplayDevice->CreateSurface(d);
    if (bpp == 8) {
        Ref<vexo::DirectDrawPalette> p = g_dd->DDCreateDefPalette();
        s->SetPalette(p);
    }
    return s;
}

std::vector<int32_t> Pixels(Ref<DirectDrawSurface7>& s) {
    vexo::RECT whole{};
    vexo::DDSURFACEDESC2 d{};
    s->Lock(whole, d, vexo::DDLOCK_WAIT, 0);
    std::vector<int32_t> out;
    for (int32_t y = 0; y < d.lHeight; ++y)
        for (int32_t x = 0; x < d.lWidth; ++x) out.push_back(s->GetLockedPixel(x, y));
    s->Unlock(whole);
    return out;
}

bool ValidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const uint8_t b = uint8_t(s[i]);
        const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_dd = &vexo::fuzz::OpenDisplay(32);
    const int32_t depths[3] = {32, 8, 16};
    for (int i = 0; i < 3; ++i) g_surfaces[i] = new Ref<DirectDrawSurface7>(Make(depths[i]));
    g_font = vexo::plat::CreateFont(-14);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t b = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!vexo::plat::SetAnsiCodePage((b & 1) ? 932 : 1252)) __builtin_trap();

    int32_t x = 1, y = 1;
    const int where = (b >> 1) & 3;
    if (where == 1) x = -5, y = -7;
    if (where == 2) x = 200, y = 100;
    if (where == 3) x = INT_MAX - 10, y = INT_MIN + 5;
    const int32_t color = (b & 8) ? 0x01000007 : 0x00FFFFFF;
    Ref<DirectDrawSurface7>& s = *g_surfaces[(b & 16) ? ((b & 8) ? 2 : 1) : 0];

    std::string text = (b & 128) ? bytes : vexo::plat::FromAnsi(bytes);
    const int32_t ansi = int32_t(vexo::plat::ToAnsi(text).size());
    const int counts = (b >> 5) & 3;
    const int32_t count = counts == 0 ? -1 : counts == 1 ? ansi : counts == 2 ? ansi - 1 : ansi / 2;

    vexo::RECT whole{};
    s->BltColorFill(whole, 0);
    const std::vector<int32_t> before = Pixels(s);
    const vexo::HDC dc = s->GetDC();
    // Half the inputs draw in the default font, half in a created one; half
    // hand over a context left opaque, which the call must make transparent.
    if (bytes.size() & 1) vexo::api::SelectObject(dc, g_font);
    if (bytes.size() & 2) vexo::api::SetBkMode(dc, vexo::OPAQUE);
    g_dd->DDTextOut(dc, text, x, y, color, count);
    const bool leftAsDocumented = vexo::api::SetBkMode(dc, vexo::TRANSPARENT) == vexo::TRANSPARENT &&
                                  vexo::api::SetTextColor(dc, 0) == vexo::COLORREF(color);
    s->ReleaseDC(dc);
    if (!leftAsDocumented) __builtin_trap();

    // The string comes back as characters of the code page, and text whose
    // rectangle lies wholly off the surface draws nothing.
    if (!ValidUtf8(text)) __builtin_trap();
    if (where >= 2 && Pixels(s) != before) __builtin_trap();
    return 0;
}
