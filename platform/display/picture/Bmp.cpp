#include "platform/display/picture/Bmp.h"

#include <SDL.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/Error.h"

namespace vexo::plat {

namespace {

uint32_t U16(const std::vector<uint8_t>& f, size_t at) { return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8; }
uint32_t U32(const std::vector<uint8_t>& f, size_t at) { return U16(f, at) | U16(f, at + 2) << 16; }

// What the headers say, once they have been found consistent with the file.
struct BmpHeader {
    int32_t width = 0, height = 0;  // height as stored (negative: top-down)
    int32_t bpp = 0;
    uint32_t compression = 0;
    size_t tableAt = 0, tableEntrySize = 4;
    int32_t colors = 0;  // entries in the colour table
};

BmpHeader CheckBmp(const std::vector<uint8_t>& f) {
    const size_t len = f.size();
    if (len < 26 || f[0] != 'B' || f[1] != 'M') Raise(kErrInvalidPicture);
    const uint32_t offBits = U32(f, 10), infoSize = U32(f, 14);
    BmpHeader h;
    if (infoSize == 12) {
        h.width = int32_t(U16(f, 18));
        h.height = int32_t(U16(f, 20));
        h.bpp = int32_t(U16(f, 24));
        h.tableEntrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && len >= 14 + size_t(infoSize)) {
        h.width = int32_t(U32(f, 18));
        h.height = int32_t(U32(f, 22));
        h.bpp = int32_t(U16(f, 28));
        h.compression = U32(f, 30);
        h.colors = int32_t(U32(f, 46));
    } else {
        Raise(kErrInvalidPicture);
    }
    h.tableAt = 14 + size_t(infoSize);
    if (infoSize == 40 && (h.compression == 3 || h.compression == 6)) h.tableAt += h.compression == 3 ? 12 : 16;
    if (h.width <= 0 || h.height == 0 || h.height == INT_MIN) Raise(kErrInvalidPicture);
    const int64_t rows = h.height < 0 ? -int64_t(h.height) : h.height;
    if (h.width > kMaxPictureSide || rows > kMaxPictureSide || int64_t(h.width) * rows > kMaxPicturePixels)
        Raise(kErrOutOfMemory);
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        Raise(kErrInvalidPicture);
    const bool rle = h.compression == 1 || h.compression == 2;
    switch (h.compression) {
        case 0: break;
        case 1: if (h.bpp != 8) Raise(kErrInvalidPicture); break;
        case 2: if (h.bpp != 4) Raise(kErrInvalidPicture); break;
        case 3: case 6: if (h.bpp != 16 && h.bpp != 32) Raise(kErrInvalidPicture); break;
        default: Raise(kErrInvalidPicture);
    }
    // Run-length encoded bitmaps cannot be stored top-down.
    if (rle && h.height < 0) Raise(kErrInvalidPicture);
    if (h.bpp <= 8) {
        if (h.colors <= 0 || h.colors > (1 << h.bpp)) h.colors = 1 << h.bpp;
        if (h.tableAt + size_t(h.colors) * h.tableEntrySize > len) Raise(kErrInvalidPicture);
    } else {
        h.colors = 0;
    }
    if (offBits >= len) Raise(kErrInvalidPicture);
    if (!rle) {
        const int64_t stride = ((int64_t(h.width) * h.bpp + 31) / 32) * 4;
        if (int64_t(offBits) + stride * rows > int64_t(len)) Raise(kErrInvalidPicture);
    }
    return h;
}

// One colour channel of a direct-colour pixel, by its mask.
class Channel {
public:
    explicit Channel(uint32_t mask) : mask_(mask) {
        if (!mask) return;
        shift_ = __builtin_ctz(mask);
        bits_ = __builtin_popcount(mask);
    }
    uint8_t operator()(uint32_t v) const {
        if (!bits_) return 0;
        uint32_t c = (v & mask_) >> shift_;
        if (bits_ >= 8) return uint8_t(c >> (bits_ - 8));
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits_) out = (out << bits_) | c;
        const int total = ((8 + bits_ - 1) / bits_) * bits_;
        return uint8_t(out >> (total - 8));
    }

private:
    uint32_t mask_;
    int shift_ = 0, bits_ = 0;
};

struct SdlSurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SdlSurfaceFree>;

}  // namespace

std::vector<uint8_t> ReadPictureFile(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) Raise(kErrFileNotFound);
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) Raise(kErrFileNotFound);
    if (int64_t(size) > kMaxPictureFile) Raise(kErrOutOfMemory);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) Raise(kErrFileNotFound);
    return bytes;
}

std::shared_ptr<GdiBitmap> DecodeBmp(const std::vector<uint8_t>& file) {
    const BmpHeader h = CheckBmp(file);
    SurfacePtr s(SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), int(file.size())), 1));
    if (!s) Raise(kErrInvalidPicture);
    const int32_t w = s->w, rows = s->h;
    if (w != h.width || rows != (h.height < 0 ? -h.height : h.height)) Raise(kErrInvalidPicture);
    auto b = MakeBitmap(w, rows, h.bpp);
    if (SDL_MUSTLOCK(s.get())) SDL_LockSurface(s.get());
    if (s->format->palette && s->format->BitsPerPixel == 8) {
        const SDL_Palette* p = s->format->palette;
        b->paletteSize = std::min(p->ncolors, 256);
        for (int32_t i = 0; i < b->paletteSize; ++i)
            b->palette[size_t(i)] = {p->colors[i].r, p->colors[i].g, p->colors[i].b, 0};
        for (int32_t y = 0; y < rows; ++y)
            std::memcpy(b->pixels.data() + size_t(y) * b->pitch, static_cast<uint8_t*>(s->pixels) + size_t(y) * s->pitch,
                        size_t(w));
        return b;
    }
    // Direct colour: each channel widened to 8 bits by repeating its top
    // bits, so that a full 5- or 6-bit channel stays 255.
    const SDL_PixelFormat* f = s->format;
    const int32_t n = f->BytesPerPixel;
    if (n < 2 || n > 4) Raise(kErrInvalidPicture);
    const Channel red(f->Rmask), green(f->Gmask), blue(f->Bmask);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* src = static_cast<uint8_t*>(s->pixels) + size_t(y) * s->pitch;
        uint8_t* dst = b->pixels.data() + size_t(y) * b->pitch;
        for (int32_t x = 0; x < w; ++x, src += n, dst += 4) {
            uint32_t v = 0;
            std::memcpy(&v, src, size_t(n));
            dst[0] = blue(v);
            dst[1] = green(v);
            dst[2] = red(v);
            dst[3] = 0;
        }
    }
    return b;
}

void ReadBmpColorTable(const std::string& path, std::span<PALETTEENTRY> entries) {
    if (entries.size() < 256) Raise(status::E_INVALIDARG);
    std::vector<uint8_t> file;
    try {
        file = ReadPictureFile(path);
    } catch (const VbError&) {
        Raise(status::hr(0x80070002));
    }
    BmpHeader h;
    try {
        h = CheckBmp(file);
    } catch (const VbError&) {
        Raise(status::E_FAIL);
    }
    if (h.bpp > 8) Raise(status::E_FAIL);
    for (size_t i = 0; i < 256; ++i) entries[i] = PALETTEENTRY{};
    for (int32_t i = 0; i < h.colors; ++i) {
        const size_t at = h.tableAt + size_t(i) * h.tableEntrySize;
        entries[size_t(i)] = {file[at + 2], file[at + 1], file[at], 0};
    }
}

}  // namespace vexo::plat
