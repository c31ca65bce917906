// PNG, JPEG and GIF through stb_image, and the choice of decoder by the
// file's first bytes.
#include <algorithm>
#include <cstring>

#include <stb/stb_image.h>

#include "common/Error.h"
#include "platform/display/picture/Bmp.h"

namespace vexo::plat {

namespace {
bool Starts(const std::vector<uint8_t>& f, const char* magic, size_t n) {
    return f.size() >= n && std::memcmp(f.data(), magic, n) == 0;
}

// stb sizes its buffer for a PNG chunk by the chunk's length field before
// reading it, so a length past the end of the file would allocate up to 2 GB
// for nothing. Every chunk up to IEND must lie within the file.
bool PngChunksFit(const std::vector<uint8_t>& f) {
    size_t at = 8;
    while (at + 8 <= f.size()) {
        const uint32_t len = uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 | f[at + 3];
        // stb stops at IEND without reading its CRC.
        if (std::memcmp(f.data() + at + 4, "IEND", 4) == 0) return true;
        if (uint64_t(len) + 12 > f.size() - at) return false;
        at += size_t(len) + 12;
    }
    return false;
}

// stb reads a JPEG's Huffman table as its 16 counts say, up to 4,080 values,
// into room for 256, overwriting the decoder's own pointers. Every table of
// every DHT segment must hold 256 values or fewer. The walk visits markers
// as the decoder meets them: segments skipped by their length, and
// entropy-coded data (where 0xFF is followed by 0 or a restart marker)
// searched for the next marker.
bool JpegTablesFit(const std::vector<uint8_t>& f) {
    const size_t n = f.size();
    size_t at = 2;
    while (at < n) {
        if (f[at] != 0xFF) {
            ++at;
            continue;
        }
        while (at < n && f[at] == 0xFF) ++at;
        if (at >= n) break;
        const uint8_t m = f[at++];
        if (m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) continue;
        if (m == 0xD9 || at + 2 > n) break;
        const size_t len = size_t(f[at]) << 8 | f[at + 1];
        if (m == 0xC4) {
            // As the decoder reads it: tables while the length lasts, a
            // table's counts read on past the segment (0 past the file).
            int64_t left = int64_t(len) - 2;
            for (size_t t = at + 2; left > 0;) {
                size_t values = 0;
                for (size_t i = 1; i <= 16; ++i) values += t + i < n ? f[t + i] : 0;
                if (values > 256) return false;
                t += 17 + values;
                left -= int64_t(17 + values);
            }
        }
        at += std::max<size_t>(len, 2);
    }
    return true;
}
}  // namespace

std::shared_ptr<GdiBitmap> DecodeStb(const std::vector<uint8_t>& file) {
    if (file.size() > size_t(INT32_MAX)) Raise(kErrOutOfMemory);
    const auto* data = file.data();
    const int len = int(file.size());
    int w = 0, h = 0, comp = 0;
    // The header's size is checked before stb allocates anything for it.
    if (Starts(file, "\x89PNG\r\n\x1a\n", 8) && !PngChunksFit(file)) Raise(kErrInvalidPicture);
    if (Starts(file, "\xFF\xD8", 2) && !JpegTablesFit(file)) Raise(kErrInvalidPicture);
    if (!stbi_info_from_memory(data, len, &w, &h, &comp)) Raise(kErrInvalidPicture);
    if (w <= 0 || h <= 0) Raise(kErrInvalidPicture);
    if (w > kMaxPictureSide || h > kMaxPictureSide || int64_t(w) * h > kMaxPicturePixels) Raise(kErrOutOfMemory);
    int dw = 0, dh = 0, dc = 0;
    stbi_uc* px = stbi_load_from_memory(data, len, &dw, &dh, &dc, 4);
    if (!px) Raise(kErrInvalidPicture);
    std::unique_ptr<stbi_uc, void (*)(void*)> owned(px, stbi_image_free);
    if (dw != w || dh != h) Raise(kErrInvalidPicture);
    auto b = MakeBitmap(w, h, comp == 4 || comp == 2 ? 32 : 24);
    for (int y = 0; y < h; ++y) {
        const stbi_uc* s = px + size_t(y) * size_t(w) * 4;
        uint8_t* d = b->pixels.data() + size_t(y) * size_t(b->pitch);
        for (int x = 0; x < w; ++x, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = 0;
        }
    }
    return b;
}

std::shared_ptr<GdiBitmap> DecodePicture(const std::vector<uint8_t>& file) {
    if (Starts(file, "BM", 2)) return DecodeBmp(file);
    if (Starts(file, "\x89PNG\r\n\x1a\n", 8) || Starts(file, "\xFF\xD8\xFF", 3) || Starts(file, "GIF87a", 6) ||
        Starts(file, "GIF89a", 6))
        return DecodeStb(file);
    Raise(kErrInvalidPicture);
}

}  // namespace vexo::plat
