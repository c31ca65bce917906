// Bitmap files are checked before the system's picture loader sees them:
// that loader trusts the headers and would read past a file that claims
// more colours or pixels than it holds. The rules are the Linux platform's,
// so both systems take and refuse the same files.
#include "platform/windows/WinPlatform.h"

#include <climits>

namespace vexo::win {

namespace {

constexpr int64_t kMaxPictureSide = 32768;
constexpr int64_t kMaxPicturePixels = int64_t(64) << 20;

uint32_t U16(const uint8_t* f, size_t at) { return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8; }
uint32_t U32(const uint8_t* f, size_t at) { return U16(f, at) | U16(f, at + 2) << 16; }
void Set32(uint8_t* f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
}

}  // namespace

void CheckBitmapFile(uint8_t* f, size_t len) {
    if (len < 26 || f[0] != 'B' || f[1] != 'M') Raise(kErrInvalidPicture);
    const uint32_t offBits = U32(f, 10), infoSize = U32(f, 14);
    int64_t width = 0, height = 0;
    uint32_t bpp = 0, compression = 0, colors = 0;
    size_t entrySize = 4;
    if (infoSize == 12) {
        width = U16(f, 18);
        height = U16(f, 20);
        bpp = U16(f, 24);
        entrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && len >= 14 + size_t(infoSize)) {
        width = int32_t(U32(f, 18));
        height = int32_t(U32(f, 22));
        bpp = U16(f, 28);
        compression = U32(f, 30);
        colors = U32(f, 46);
    } else {
        Raise(kErrInvalidPicture);
    }
    size_t tableAt = 14 + size_t(infoSize);
    // The short header's colour masks follow it.
    if (infoSize == 40 && (compression == 3 || compression == 6)) tableAt += compression == 3 ? 12 : 16;
    if (tableAt > len) Raise(kErrInvalidPicture);
    if (width <= 0 || height == 0 || height == INT_MIN) Raise(kErrInvalidPicture);
    const int64_t rows = height < 0 ? -height : height;
    if (width > kMaxPictureSide || rows > kMaxPictureSide || width * rows > kMaxPicturePixels)
        Raise(kErrOutOfMemory);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Raise(kErrInvalidPicture);
    const bool rle = compression == 1 || compression == 2;
    switch (compression) {
        case 0: break;
        case 1: if (bpp != 8) Raise(kErrInvalidPicture); break;
        case 2: if (bpp != 4) Raise(kErrInvalidPicture); break;
        case 3: case 6: if (bpp != 16 && bpp != 32) Raise(kErrInvalidPicture); break;
        default: Raise(kErrInvalidPicture);
    }
    // Run-length encoded bitmaps cannot be stored top-down.
    if (rle && height < 0) Raise(kErrInvalidPicture);
    if (bpp <= 8) {
        // A count past what the depth can index means the full table, as
        // for 0; the header then says so, since the system would believe it.
        if (colors == 0 || colors > (1u << bpp)) {
            colors = 1u << bpp;
            if (infoSize >= 40) Set32(f, 46, colors);
        }
        if (tableAt + size_t(colors) * entrySize > len) Raise(kErrInvalidPicture);
    } else if (infoSize >= 40) {
        // Deeper pictures need no table; an optional one is never read.
        Set32(f, 46, 0);
    }
    if (offBits >= len) Raise(kErrInvalidPicture);
    if (rle) {
        // The runs end where the header says; a writer that left the size
        // out gets the rest of the file, one that claims more is cut off.
        const uint32_t runs = U32(f, 34);
        if (runs > len - offBits) Raise(kErrInvalidPicture);
        if (runs == 0) Set32(f, 34, uint32_t(len - offBits));
    } else {
        const int64_t stride = ((width * bpp + 31) / 32) * 4;
        if (int64_t(offBits) + stride * rows > int64_t(len)) Raise(kErrInvalidPicture);
    }
}

}  // namespace vexo::win
