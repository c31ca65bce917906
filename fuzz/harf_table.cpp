// Half-blend table files through DDLoadHarfPalette, then one
// DDHarfTransferBlt on small 8-bit surfaces so that the loaded table is used.
//
// Input: byte 0 picks the file's form (bits 0-1: the bytes as they are,
// repeated to the table's size, repeated past it, or no file at all), the
// key test (bit 2) and whether the blit reads and writes one surface (bit 3);
// bytes 1 to 6 are the blit's corners and size; the rest is the file.
#include <unistd.h>

#include <cstring>
#include <vector>

#include "fuzz/DrawFuzz.h"

namespace {

constexpr size_t kTable = 256 * 256;

vexo::DX7Draw* g_dd = nullptr;
const vexo::fuzz::ShmFile* g_file = nullptr;
vexo::Ref<vexo::DirectDrawSurface7>* g_src = nullptr;
vexo::Ref<vexo::DirectDrawSurface7>* g_dst = nullptr;

// A coordinate a little around the surfaces' 8 x 6 pixels.
int32_t Coord(uint8_t b) { return int32_t(int8_t(b)) % 12; }

void Paint(vexo::Ref<vexo::DirectDrawSurface7>& s, int32_t seed) {
    vexo::RECT whole{};
    vexo::DDSURFACEDESC2 d{};
    s->Lock(whole, d, vexo::DDLOCK_WAIT, 0);
    for (int32_t y = 0; y < d.lHeight; ++y)
        for (int32_t x = 0; x < d.lWidth; ++x) s->SetLockedPixel(x, y, (x * 37 + y * 101 + seed) & 0xFF);
    s->Unlock(whole);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_dd = &vexo::fuzz::OpenDisplay(8);
    g_file = new vexo::fuzz::ShmFile("harf");
    g_src = new vexo::Ref<vexo::DirectDrawSurface7>(g_dd->DDCreateSurface(8, 6));
    g_dst = new vexo::Ref<vexo::DirectDrawSurface7>(g_dd->DDCreateSurface(8, 6));
    if (g_src->IsNothing() || g_dst->IsNothing()) __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) return 0;
    const uint8_t mode = data[0];
    const uint8_t* rest = data + 7;
    const size_t restSize = size - 7;

    std::vector<uint8_t> file(rest, rest + restSize);
    const int form = mode & 3;
    if ((form == 1 || form == 2) && restSize > 0) {
        const size_t want = form == 1 ? kTable : kTable + restSize % 251 + 1;
        file.resize(want);
        for (size_t i = restSize; i < want; ++i) file[i] = rest[i % restSize];
    }
    if (form == 3) g_file->Remove();
    else g_file->Write(file.data(), file.size());

    // Each run starts from an empty table; what the file held must then be
    // in it, entry for byte, and nothing else.
    for (auto& row : g_dd->HarfPalette) row.fill(0);
    const int32_t err = g_dd->DDLoadHarfPalette(g_file->Path());
    const size_t loaded = form == 3 ? 0 : std::min(file.size(), kTable);
    const uint8_t* table = &g_dd->HarfPalette[0][0];
    if (err != 0 || (loaded && std::memcmp(table, file.data(), loaded) != 0)) __builtin_trap();
    for (size_t i = loaded; i < kTable; ++i)
        if (table[i] != 0) __builtin_trap();
    // A missing file is created, empty.
    if (form == 3 && ::access(g_file->Path().c_str(), F_OK) != 0) __builtin_trap();

    Paint(*g_src, data[1]);
    Paint(*g_dst, data[2]);
    vexo::Ref<vexo::DirectDrawSurface7>& src = (mode & 8) ? *g_dst : *g_src;
    vexo::Ref<vexo::DirectDrawPalette> none;
    int32_t w = Coord(data[5]), h = Coord(data[6]);
    const int32_t r = g_dd->DDHarfTransferBlt(src, *g_dst, none, Coord(data[1]), Coord(data[2]), w, h,
                                              Coord(data[3]), Coord(data[4]),
                                              (mode & 4) ? vexo::VB_TRUE : vexo::VBBool(1));
    if (r != 0) __builtin_trap();
    g_file->Remove();
    return 0;
}
