// Writes the seed corpora of the graphics component's fuzz targets:
//   draw_seeds <fuzz directory>
// Small valid inputs of every kind each target reads, made with the tests'
// bitmap writer, stb_image_write and a little GIF encoder of our own.
#include <stb/stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Files.h"

namespace {

using vexo::test::Bytes;
using vexo::test::BmpFile;
using vexo::test::Put16;
using vexo::test::Put32;

std::filesystem::path g_root;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    const auto dir = g_root / "corpus" / target;
    std::filesystem::create_directories(dir);
    vexo::test::WriteFile((dir / name).string(), bytes);
}

void Collect(void* ctx, void* data, int size) {
    auto* out = static_cast<Bytes*>(ctx);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

Bytes Png(int w, int h, int comp) {
    std::vector<uint8_t> px(size_t(w * h * comp));
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 53 + 17);
    Bytes out;
    stbi_write_png_to_func(Collect, &out, w, h, comp, px.data(), w * comp);
    return out;
}

Bytes Jpeg(int w, int h, int comp, int quality) {
    std::vector<uint8_t> px(size_t(w * h * comp));
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 29 + 3);
    Bytes out;
    stbi_write_jpg_to_func(Collect, &out, w, h, comp, px.data(), quality);
    return out;
}

// A GIF of 2-bit indices. The image data is LZW with a clear code before
// every second pixel, so every code stays 3 bits wide.
Bytes Gif(int w, int h, bool transparent, bool interlaced) {
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(f, uint32_t(w));
    Put16(f, uint32_t(h));
    f.insert(f.end(), {0xF1, 0, 0});  // global table of 4 colours
    f.insert(f.end(), {0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255});
    if (transparent) f.insert(f.end(), {0x21, 0xF9, 4, 1, 0, 0, 3, 0});
    f.push_back(0x2C);
    Put32(f, 0);
    Put16(f, uint32_t(w));
    Put16(f, uint32_t(h));
    f.push_back(interlaced ? 0x40 : 0);
    f.push_back(2);  // minimum code size
    std::vector<int> codes;
    for (int i = 0; i < w * h; ++i) {
        if (i % 2 == 0) codes.push_back(4);
        codes.push_back(i % 4);
    }
    codes.push_back(5);
    Bytes data;
    uint32_t acc = 0;
    int bits = 0;
    for (int c : codes) {
        acc |= uint32_t(c) << bits;
        bits += 3;
        while (bits >= 8) data.push_back(uint8_t(acc)), acc >>= 8, bits -= 8;
    }
    if (bits) data.push_back(uint8_t(acc));
    f.push_back(uint8_t(data.size()));
    f.insert(f.end(), data.begin(), data.end());
    f.insert(f.end(), {0, 0x3B});
    return f;
}

// A bitmap file with the 12-byte header of the oldest form (3-byte table entries).
Bytes CoreBmp(int w, int h, int bpp, const Bytes& table, const Bytes& bits) {
    Bytes f = {'B', 'M'};
    const uint32_t off = 14 + 12 + uint32_t(table.size());
    Put32(f, off + uint32_t(bits.size()));
    Put32(f, 0);
    Put32(f, off);
    Put32(f, 12);
    Put16(f, uint32_t(w));
    Put16(f, uint32_t(h));
    Put16(f, 1);
    Put16(f, uint32_t(bpp));
    f.insert(f.end(), table.begin(), table.end());
    f.insert(f.end(), bits.begin(), bits.end());
    return f;
}

// The 40-byte header grown to `size` (108 or 124) with masks and zeros.
Bytes LongHeader(Bytes f, uint32_t size) {
    const size_t extra = size - 40;
    f.insert(f.begin() + 54, extra, 0);
    f[14] = uint8_t(size);
    const uint32_t off = 54 + uint32_t(extra);
    f[10] = uint8_t(off), f[11] = uint8_t(off >> 8);
    f[2] = uint8_t(f.size()), f[3] = uint8_t(f.size() >> 8);
    return f;
}

void Pictures() {
    const Bytes table4 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    const std::string t = "picture_file";
    Seed(t, "bmp1", BmpFile(3, 2, 1, 0, {0, 0, 0, 0, 255, 255, 255, 0}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
    Seed(t, "bmp4", BmpFile(3, 2, 4, 0, table4, {0x23, 0x10, 0, 0, 0x01, 0x20, 0, 0}));
    Seed(t, "bmp8", BmpFile(3, 2, 8, 0, table4, {2, 3, 1, 0, 0, 1, 2, 0}));
    Seed(t, "bmp8-core", CoreBmp(2, 2, 8, {0, 0, 255, 0, 255, 0, 255, 0, 0}, {2, 1, 0, 0, 0, 1, 0, 0}));
    Seed(t, "bmp16", BmpFile(2, 2, 16, 0, {}, {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}));
    Bytes bf16 = BmpFile(2, 2, 16, 3, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
                         {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07});
    bf16[46] = 0;  // the masks are no colour table
    Seed(t, "bmp16-bitfields", bf16);
    Seed(t, "bmp24", BmpFile(2, 2, 24, 0, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}));
    Seed(t, "bmp24-topdown", BmpFile(2, -2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}));
    Seed(t, "bmp32", BmpFile(2, 1, 32, 0, {}, {255, 0, 0, 0, 0, 255, 0, 0}));
    Bytes bf32 = BmpFile(2, 1, 32, 3, {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0}, {1, 2, 3, 4, 5, 6, 7, 8});
    bf32[46] = 0;
    Seed(t, "bmp32-bitfields", bf32);
    Seed(t, "bmp32-v5", LongHeader(BmpFile(2, 1, 32, 0, {}, {255, 0, 0, 0, 0, 255, 0, 0}), 124));
    Seed(t, "bmp24-v4", LongHeader(BmpFile(1, 1, 24, 0, {}, {1, 2, 3, 0}), 108));
    Seed(t, "bmp8-rle8", BmpFile(8, 2, 8, 1, table4, {8, 2, 0, 0, 0, 4, 0, 1, 2, 3, 4, 1, 0, 0, 0, 1}));
    Seed(t, "bmp8-rle8-delta", BmpFile(4, 3, 8, 1, table4, {2, 1, 0, 2, 1, 1, 1, 3, 0, 0, 4, 2, 0, 1}));
    Seed(t, "bmp4-rle4", BmpFile(4, 1, 4, 2, table4, {4, 0x01, 0, 0, 0, 1}));
    Seed(t, "bmp4-rle4-absolute", BmpFile(5, 2, 4, 2, table4, {5, 0x23, 0, 0, 0, 5, 0x01, 0x23, 0x10, 0, 0, 1}));
    Seed(t, "png-rgb", Png(3, 2, 3));
    Seed(t, "png-rgba", Png(2, 2, 4));
    Seed(t, "png-grey", Png(4, 1, 1));
    Seed(t, "jpeg-colour", Jpeg(8, 8, 3, 90));
    Seed(t, "jpeg-grey", Jpeg(9, 3, 1, 50));
    Seed(t, "gif", Gif(3, 2, false, false));
    Seed(t, "gif-transparent-interlaced", Gif(2, 5, true, true));
}

void Palettes() {
    const std::string t = "palette_file";
    Bytes table256;
    for (int i = 0; i < 256; ++i) table256.insert(table256.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0});
    const Bytes table4 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
    Seed(t, "bmp8-full", BmpFile(1, 1, 8, 0, table256, {0, 0, 0, 0}));
    Seed(t, "bmp8-four-used", BmpFile(2, 1, 8, 0, table4, {1, 2, 0, 0}));
    Seed(t, "bmp4", BmpFile(1, 1, 4, 0, table4, {0, 0, 0, 0}, 0 + 4));
    Seed(t, "bmp1", BmpFile(1, 1, 1, 0, {9, 9, 9, 0, 200, 100, 50, 0}, {0, 0, 0, 0}));
    Seed(t, "bmp8-core", CoreBmp(1, 1, 8, {1, 2, 3, 4, 5, 6}, {0, 0, 0, 0}));
    Seed(t, "bmp24-no-table", BmpFile(1, 1, 24, 0, {}, {1, 2, 3, 0}));
}

// Byte 0 of a half-blend input picks the file's form, bytes 1-6 the blit.
void HarfTables() {
    const std::string t = "harf_table";
    auto input = [](uint8_t mode, const Bytes& blit, const Bytes& file) {
        Bytes b = {mode};
        b.insert(b.end(), blit.begin(), blit.end());
        b.insert(b.end(), file.begin(), file.end());
        return b;
    };
    Bytes row(256);
    for (int i = 0; i < 256; ++i) row[size_t(i)] = uint8_t(255 - i);
    Seed(t, "empty-file", input(0, {0, 0, 0, 0, 0, 0}, {}));
    Seed(t, "short-file", input(4, {1, 1, 2, 2, 4, 3}, Bytes(row.begin(), row.begin() + 100)));
    Seed(t, "full-table", input(1 | 4, {0, 0, 0, 0, 0, 0}, row));
    Seed(t, "longer-file", input(2, {0xFE, 0, 3, 0xFD, 0, 0}, row));
    Seed(t, "missing-file", input(3 | 8, {1, 0, 0, 1, 5, 5}, {}));
}

// Byte 0 of a text input: code page, position, colour, depth, count, form.
void Texts() {
    const std::string t = "text_codepage";
    auto input = [](uint8_t control, const std::string& s) {
        Bytes b = {control};
        b.insert(b.end(), s.begin(), s.end());
        return b;
    };
    Seed(t, "ascii", input(0x00, "Score 1200\r\nLives 3"));
    Seed(t, "ascii-counted", input(0x20 | 0x10, "Hello, world"));
    Seed(t, "cp1252-accents", input(0x00, "Caf\xE9 na\xEFve \x80 \xFF"));
    Seed(t, "cp932-japanese", input(0x01, "\x93\xFA\x96\x7B\x8C\xEA \xB1\xB2 ABC"));      // 日本語, half-width kana
    Seed(t, "cp932-cut-lead", input(0x01 | 0x80 | 0x40, "\xE6\x97\xA5\xE6\x9C\xAC"));  // UTF-8 日本, one byte short
    Seed(t, "cp932-lone-lead", input(0x01 | 0x80, "AB\x93"));
    Seed(t, "cp932-offscreen", input(0x01 | 0x04 | 0x18, "\x93\xFA\x96\x7B"));
    Seed(t, "negative-position", input(0x02 | 0x60, "Negative\nposition"));
    // Long text: far more than fits, lines and double-byte characters mixed.
    std::string longText;
    while (longText.size() < 4000) longText += "\x93\xFA\x96\x7B\x8C\xEA line\r\n\x82\xA0\x82\xA2 ";
    Seed(t, "cp932-long", input(0x01 | 0x20, longText));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_seeds <fuzz directory>\n");
        return 2;
    }
    g_root = argv[1];
    Pictures();
    Palettes();
    HarfTables();
    Texts();
    return 0;
}
