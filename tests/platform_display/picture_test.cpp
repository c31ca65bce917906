// The picture loader (bitmap files of every depth, run-length encoded and
// top-down ones, PNG and JPEG), hostile files, and screenshots.
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include "DisplayTestUtil.h"

namespace vexo::test {
namespace {

using namespace vexo::status;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0;
// Colour table red, green, blue, white (stored B, G, R, 0).
const std::vector<uint8_t> kTable4 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};

class PictureTest : public DisplayTest {
protected:
    // Loads `bytes` as a picture and copies it onto a 32-bit surface; returns
    // its pixels row by row as XRGB.
    std::vector<uint32_t> Load(const std::vector<uint8_t>& bytes, int32_t expectBpp, int32_t w, int32_t h) {
        const std::string path = TempPath("pic.bin");
        WriteFile(path, bytes);
        auto pic = api::LoadPicture(path);
        BITMAP bm;
        EXPECT_EQ(api::GetObjectA(pic->Handle(), 24, bm), 24);
        EXPECT_EQ(bm.bmBitsPixel, expectBpp);
        EXPECT_EQ(bm.bmWidth, w);
        EXPECT_EQ(bm.bmHeight, h);
        auto s = Make(w, h);
        const HDC mem = api::CreateCompatibleDC(0);
        const HGDIOBJ old = api::SelectObject(mem, pic->Handle());
        const HDC dc = s->GetDC();
        api::BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
        s->ReleaseDC(dc);
        api::SelectObject(mem, old);
        api::DeleteDC(mem);
        std::vector<uint32_t> px;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) px.push_back(Peek(s, x, y));
        return px;
    }
    static int32_t LoadError(const std::vector<uint8_t>& bytes) {
        const std::string path = TempPath("bad.bin");
        WriteFile(path, bytes);
        return ErrorOf([&] { api::LoadPicture(path); });
    }
};

using Px = std::vector<uint32_t>;

TEST_F(PictureTest, BitmapFilesOfEveryDepth) {
    // 2 x 2 pictures; rows are stored bottom-up and padded to 4 bytes.
    EXPECT_EQ(Load(BmpFile(2, 2, 1, 0, {0, 0, 0, 0, 255, 255, 255, 0}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}), 1, 2, 2),
              (Px{kWhite, kBlack, kBlack, kWhite}));
    EXPECT_EQ(Load(BmpFile(2, 2, 4, 0, kTable4, {0x23, 0, 0, 0, 0x01, 0, 0, 0}), 4, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(Load(BmpFile(2, 2, 8, 0, kTable4, {2, 3, 0, 0, 0, 1, 0, 0}), 8, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
    // 16 bits: 5-5-5 unless bit fields say otherwise.
    EXPECT_EQ(Load(BmpFile(2, 2, 16, 0, {}, {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}), 16, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
    const std::vector<uint8_t> masks565 = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    auto bitfields = BmpFile(2, 2, 16, 3, masks565, {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07});
    bitfields[46] = 0;  // the masks are no colour table
    EXPECT_EQ(Load(bitfields, 16, 2, 2), (Px{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(Load(BmpFile(2, 2, 24, 0, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}), 24, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(Load(BmpFile(2, 2, 32, 0, {}, {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0}), 32, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
    // Top-down: a negative height, rows stored from the top.
    EXPECT_EQ(Load(BmpFile(2, -2, 24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}), 24, 2, 2),
              (Px{kRed, kGreen, kBlue, kWhite}));
}

TEST_F(PictureTest, RunLengthEncodedBitmaps) {
    // RLE8, 8 x 2: the bottom row one run of index 2; the top row four
    // absolute pixels 0 1 2 3 then a run of four 1s.
    const std::vector<uint8_t> rle8 = {8, 2, 0, 0, 0, 4, 0, 1, 2, 3, 4, 1, 0, 0, 0, 1};
    EXPECT_EQ(Load(BmpFile(8, 2, 8, 1, kTable4, rle8), 8, 8, 2),
              (Px{kRed, kGreen, kBlue, kWhite, kGreen, kGreen, kGreen, kGreen, kBlue, kBlue, kBlue, kBlue, kBlue,
                  kBlue, kBlue, kBlue}));
    // RLE4, 4 x 1: a run of four alternating 0 and 1.
    const std::vector<uint8_t> rle4 = {4, 0x01, 0, 0, 0, 1};
    EXPECT_EQ(Load(BmpFile(4, 1, 4, 2, kTable4, rle4), 4, 4, 1), (Px{kRed, kGreen, kRed, kGreen}));
}

TEST_F(PictureTest, PngAndJpegThroughStb) {
    const uint8_t rgba[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128, 0, 0, 0, 0, 10, 20, 30, 255};
    const std::string png = TempPath("p.png");
    ASSERT_TRUE(stbi_write_png(png.c_str(), 3, 2, 4, rgba, 12));
    std::ifstream in(png, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(Load(bytes, 32, 3, 2), (Px{kRed, kGreen, kBlue, kWhite, kBlack, 0x0A141E}));
    // Half a PNG is refused.
    bytes.resize(bytes.size() / 2);
    EXPECT_EQ(LoadError(bytes), 481);
    const std::string jpg = TempPath("p.jpg");
    std::vector<uint8_t> grey(16 * 8 * 3, 128);
    ASSERT_TRUE(stbi_write_jpg(jpg.c_str(), 16, 8, 3, grey.data(), 95));
    auto pic = api::LoadPicture(jpg);
    BITMAP bm;
    api::GetObjectA(pic->Handle(), 24, bm);
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 8);
    // The bitmap lives as long as its picture.
    const HBITMAP h = pic->Handle();
    pic = nullptr;
    EXPECT_EQ(api::GetObjectA(h, 24, bm), 0);
}

TEST_F(PictureTest, MissingTruncatedAndHostileFilesFailCleanly) {
    EXPECT_EQ(ErrorOf([] { api::LoadPicture(TempPath("no-such-file.bmp")); }), 53);
    EXPECT_EQ(ErrorOf([] { api::LoadPicture(std::filesystem::temp_directory_path().string()); }), 53);
    EXPECT_EQ(ErrorOf([] { api::LoadPicture(""); }), 53);
    EXPECT_EQ(LoadError({}), 481);
    EXPECT_EQ(LoadError({'h', 'e', 'l', 'l', 'o'}), 481);
    auto good = BmpFile(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 7));
    auto cut = good;
    cut.resize(cut.size() - 4);
    EXPECT_EQ(LoadError(cut), 481);
    EXPECT_EQ(LoadError({good.begin(), good.begin() + 30}), 481);  // header cut short
    // Headers that lie about the size: refused before anything that size is allocated.
    EXPECT_EQ(LoadError(BmpFile(30000, 30000, 24, 0, {}, std::vector<uint8_t>(16))), 7);
    EXPECT_EQ(LoadError(BmpFile(1000, 1000, 24, 0, {}, std::vector<uint8_t>(16))), 481);
    EXPECT_EQ(LoadError(BmpFile(20000, 20000, 8, 1, kTable4, {0, 1})), 7);
    EXPECT_EQ(LoadError(BmpFile(2, 2, 7, 0, {}, std::vector<uint8_t>(16))), 481);
    EXPECT_EQ(LoadError(BmpFile(0, 2, 24, 0, {}, std::vector<uint8_t>(16))), 481);
    EXPECT_EQ(LoadError(BmpFile(2, -2, 8, 1, kTable4, {2, 1, 0, 1})), 481);  // top-down RLE
    EXPECT_EQ(LoadError(BmpFile(2, 2, 8, 9, kTable4, std::vector<uint8_t>(8))), 481);
    // Runs that overrun their rows, and a colour table longer than the file.
    const int32_t overrun = LoadError(BmpFile(4, 2, 8, 1, kTable4, {255, 1, 255, 1, 0, 2, 200, 0, 1}));
    EXPECT_TRUE(overrun == 0 || overrun == 481) << overrun;
    auto longTable = BmpFile(2, 2, 8, 0, kTable4, std::vector<uint8_t>(8));
    longTable[46] = 200;  // 200 colours claimed, 4 present
    EXPECT_EQ(LoadError(longTable), 481);
    // The component has no resources.
    EXPECT_EQ(ErrorOf([] { api::LoadResPicture("SPRITES", 0); }), 326);
}

// A PNG of w x h read back whole, as stb writes it.
std::vector<uint8_t> PngBytes(int w, int h) {
    std::vector<uint8_t> rgb(size_t(w * h * 3), 90);
    const std::string path = TempPath("cap.png");
    EXPECT_TRUE(stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3));
    return ReadFile(path);
}

TEST_F(PictureTest, HeadersAndFilesPastTheCapsAreRefusedBeforeDecoding) {
    // The IHDR's size (stb checks no CRC): the cap is 8 Mi pixels, at most
    // 32768 on a side. At the cap the truncated data is what fails.
    auto png = PngBytes(2, 2);
    auto claim = [&](uint32_t w, uint32_t h) {
        auto f = png;
        for (int i = 0; i < 4; ++i) f[16 + i] = uint8_t(w >> (24 - 8 * i)), f[20 + i] = uint8_t(h >> (24 - 8 * i));
        return LoadError(f);
    };
    EXPECT_EQ(claim(4096, 2048), 481);
    EXPECT_EQ(claim(4096, 2049), 7);
    EXPECT_EQ(claim(32769, 1), 7);
    EXPECT_EQ(LoadError(BmpFile(4097, 2048, 8, 1, kTable4, {0, 1})), 7);

    // A chunk whose length runs past the end of the file is refused before
    // stb sizes a buffer by it; bytes after IEND are no chunk and stay legal.
    auto longChunk = png;
    longChunk[33] = 0x50;  // the IDAT length's high byte
    EXPECT_EQ(LoadError(longChunk), 481);
    auto trailing = png;
    trailing.insert(trailing.end(), {0, 0, 0, 0, 'x'});
    EXPECT_EQ(LoadError(trailing), 0);
    auto noCrc = png;
    noCrc.resize(noCrc.size() - 4);  // IEND's CRC cut off: still loads
    EXPECT_EQ(LoadError(noCrc), 0);
    noCrc.resize(noCrc.size() - 8);  // IEND gone
    EXPECT_EQ(LoadError(noCrc), 481);

    // A Huffman table counting more than 256 values (stb would read them
    // over its own pointers) is refused; the decoder never sees it.
    std::vector<uint8_t> jpeg;
    stbi_write_jpg_to_func([](void* ctx, void* d, int n) {
        auto* v = static_cast<std::vector<uint8_t>*>(ctx);
        v->insert(v->end(), static_cast<uint8_t*>(d), static_cast<uint8_t*>(d) + n);
    }, &jpeg, 8, 8, 3, std::vector<uint8_t>(8 * 8 * 3, 77).data(), 90);
    EXPECT_EQ(LoadError(jpeg), 0);
    // Valid code lengths (255 of 9 bits, 17 of 10) in a table the file's
    // own tables then replace, so only the count can make the file fail.
    std::vector<uint8_t> dht = {0xFF, 0xC4, 0x01, 0x23, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 255, 17, 0, 0, 0, 0, 0, 0};
    dht.resize(dht.size() + 272, 0);
    jpeg.insert(jpeg.begin() + 2, dht.begin(), dht.end());
    EXPECT_EQ(LoadError(jpeg), 481);

    // Files over 64 MB are refused by their size alone (a sparse file here).
    const std::string big = TempPath("big.bmp");
    WriteFile(big, BmpFile(2, 2, 24, 0, {}, std::vector<uint8_t>(16)));
    std::filesystem::resize_file(big, (uint64_t(64) << 20) + 1);
    EXPECT_EQ(ErrorOf([&] { api::LoadPicture(big); }), 7);
    std::filesystem::resize_file(big, uint64_t(64) << 20);
    EXPECT_EQ(ErrorOf([&] { api::LoadPicture(big); }), 0);
    std::filesystem::remove(big);
}

TEST_F(PictureTest, ScreenAndWindowSaveAsPng) {
    Open(16, 320, 240);
    const HWND w = plat::CreateWindow("shot", 20, 10, 64, 32);
    DDSURFACEDESC2 d;
    d.lFlags = DDSD_CAPS;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE;
    auto primary = dd->CreateSurface(d);
    RECT client{24, 33, 88, 65};
    primary->BltColorFill(client, 0x07E0);
    const std::string screen = TempPath("screen.png"), win = TempPath("window.png");
    ASSERT_TRUE(plat::SaveScreenPng(screen));
    ASSERT_TRUE(plat::SaveWindowPng(w, win));
    int iw, ih, comp;
    stbi_uc* px = stbi_load(screen.c_str(), &iw, &ih, &comp, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(iw, 320);
    EXPECT_EQ(ih, 240);
    auto at = [&](int x, int y) { return px + (size_t(y) * iw + x) * 3; };
    EXPECT_EQ(at(30, 40)[1], 255);
    EXPECT_EQ(at(30, 40)[0], 0);
    EXPECT_EQ(at(10, 10)[1], 0);
    stbi_image_free(px);
    px = stbi_load(win.c_str(), &iw, &ih, &comp, 3);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(iw, 64);
    EXPECT_EQ(ih, 32);
    EXPECT_EQ(px[1], 255);
    stbi_image_free(px);
    EXPECT_FALSE(plat::SaveWindowPng(w + 4, win));
    plat::DestroyWindow(w);
}

}  // namespace
}  // namespace vexo::test
