// Device contexts: nearest colours in 16- and 8-bit surfaces, palette
// changes seen by the next context, bitmaps, selection and copies between
// formats.
#include "DisplayTestUtil.h"
#include "platform/display/gdi/Gdi.h"

namespace vexo::test {
namespace {

using namespace vexo::status;

class GdiTest : public DisplayTest {};

TEST_F(GdiTest, SixteenBitPixelsPackFiveSixFive) {
    Open(16, 64, 64);
    auto s = Make(4, 4);
    const HDC dc = s->GetDC();
    EXPECT_EQ(api::SetPixel(dc, 0, 0, RGB(255, 0, 255)), COLORREF(RGB(255, 0, 255)));
    const COLORREF set = api::SetPixel(dc, 1, 0, RGB(200, 100, 50));
    EXPECT_EQ(api::GetPixel(dc, 1, 0), set);
    EXPECT_EQ(api::SetPixel(dc, 4, 0, 0), CLR_INVALID);
    EXPECT_EQ(api::GetPixel(dc, 0, -1), CLR_INVALID);
    s->ReleaseDC(dc);
    EXPECT_EQ(Peek(s, 0, 0), 0xF81Fu);
    EXPECT_EQ(Peek(s, 1, 0), uint32_t((200 >> 3) << 11 | (100 >> 2) << 5 | (50 >> 3)));
}

TEST_F(GdiTest, EightBitPixelsTakeTheNearestEntry) {
    Open(8, 64, 64);
    auto s = Make(4, 4);
    std::vector<PALETTEENTRY> in(256, PALETTEENTRY{0, 0, 0, 0});
    in[1] = {10, 10, 10, 0};
    in[2] = {200, 0, 0, 0};
    in[3] = {200, 0, 0, 0};
    in[4] = {0, 0, 250, 0};
    auto pal = dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, in);
    s->SetPalette(pal);
    HDC dc = s->GetDC();
    EXPECT_EQ(api::SetPixel(dc, 0, 0, RGB(201, 1, 1)), COLORREF(RGB(200, 0, 0)));
    EXPECT_EQ(api::SetPixel(dc, 1, 0, RGB(9, 12, 9)), COLORREF(RGB(10, 10, 10)));
    EXPECT_EQ(api::GetPixel(dc, 1, 0), COLORREF(RGB(10, 10, 10)));
    s->ReleaseDC(dc);
    EXPECT_EQ(Peek(s, 0, 0), 2u);  // the lowest index among equals
    EXPECT_EQ(Peek(s, 1, 0), 1u);
    // A palette change is seen by the next device context.
    std::vector<PALETTEENTRY> one = {{0, 0, 0, 0}};
    pal->SetEntries(2, 1, one);
    dc = s->GetDC();
    EXPECT_EQ(api::GetPixel(dc, 0, 0), COLORREF(RGB(0, 0, 0)));
    EXPECT_EQ(api::SetPixel(dc, 2, 0, RGB(201, 1, 1)), COLORREF(RGB(200, 0, 0)));
    s->ReleaseDC(dc);
    EXPECT_EQ(Peek(s, 2, 0), 3u);
    // Without a palette of its own, the system palette: pure red exists in
    // it twice and the lower entry wins.
    auto bare = Make(2, 2);
    dc = bare->GetDC();
    EXPECT_EQ(api::SetPixel(dc, 0, 0, RGB(255, 0, 0)), COLORREF(RGB(255, 0, 0)));
    bare->ReleaseDC(dc);
    const auto& sys = plat::DefaultSystemPalette();
    const uint32_t idx = Peek(bare, 0, 0);
    EXPECT_EQ(sys[idx], (PALETTEENTRY{255, 0, 0, 0}));
    EXPECT_EQ(sys[249], (PALETTEENTRY{255, 0, 0, 0}));
    EXPECT_LT(idx, 249u);
}

TEST_F(GdiTest, BitmapsSelectionAndConvertingCopies) {
    Open(16, 64, 64);
    // An 8-bit picture: indices 0..3 over a four-colour table.
    std::vector<uint8_t> table = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};  // B, G, R, 0
    std::vector<uint8_t> bits = {0, 1, 2, 3};  // one row of 4 (already a multiple of 4)
    const std::string path = TempPath("gdi4.bmp");
    WriteFile(path, BmpFile(4, 1, 8, 0, table, bits));
    auto pic = api::LoadPicture(path);
    const HBITMAP hb = pic->Handle();
    BITMAP bm;
    EXPECT_EQ(api::GetObjectA(hb, 24, bm), 24);
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 8);
    BITMAP untouched;
    EXPECT_EQ(api::GetObjectA(0, 24, untouched), 0);
    EXPECT_EQ(untouched.bmWidth, 0);

    const HDC mem = api::CreateCompatibleDC(0);
    ASSERT_NE(mem, 0);
    EXPECT_EQ(api::GetObjectA(mem, 24, untouched), 0);  // a context is no bitmap
    const HGDIOBJ old = api::SelectObject(mem, hb);
    EXPECT_NE(old, 0);
    EXPECT_EQ(api::SelectObject(mem, hb), hb);
    EXPECT_EQ(api::DeleteObject(hb), 0);  // still selected
    auto s = Make(6, 2);
    const HDC dc = s->GetDC();
    EXPECT_EQ(api::BitBlt(dc, 1, 1, 4, 1, mem, 0, 0, SRCCOPY), 1);
    // Copies reaching outside either side are clipped, not refused.
    EXPECT_EQ(api::BitBlt(dc, 4, 0, 100, 100, mem, 0, 0, SRCCOPY), 1);
    EXPECT_EQ(api::BitBlt(dc, -2, 0, 4, 1, mem, 0, 0, SRCCOPY), 1);
    EXPECT_EQ(api::BitBlt(dc, 0, 0, 4, 1, mem, 0, -7, SRCCOPY), 1);
    s->ReleaseDC(dc);
    EXPECT_EQ(Peek(s, 1, 1), 0xF800u);  // red
    EXPECT_EQ(Peek(s, 2, 1), 0x07E0u);  // green
    EXPECT_EQ(Peek(s, 3, 1), 0x001Fu);  // blue
    EXPECT_EQ(Peek(s, 4, 1), 0xFFFFu);  // white
    EXPECT_EQ(Peek(s, 0, 0), 0x001Fu);  // source columns 2 and 3 at -2
    EXPECT_EQ(Peek(s, 1, 0), 0xFFFFu);
    EXPECT_EQ(Peek(s, 2, 0), 0u);
    EXPECT_EQ(Peek(s, 4, 0), 0xF800u);  // only what fits at column 4
    EXPECT_EQ(Peek(s, 5, 0), 0x07E0u);
    EXPECT_EQ(api::SelectObject(mem, old), hb);
    EXPECT_EQ(api::DeleteDC(mem), 1);
    EXPECT_EQ(api::DeleteDC(mem), 0);
}

TEST_F(GdiTest, HandlesWrapAroundWithoutReusingLiveOnes) {
    auto a = Make(2, 2);
    auto b = Make(2, 2);
    const HDC held = api::CreateCompatibleDC(0);
    // Numbering restarts after the last context handle.
    plat::Gdi().SetNextHandles(0x04FFFFEC, 0x7FFFFFEC);
    const HDC first = a->GetDC();
    EXPECT_EQ(first, 0x04FFFFEC);
    const HDC second = b->GetDC();
    EXPECT_EQ(second, 0x04FFFFF0);
    b->ReleaseDC(second);
    plat::Gdi().SetNextHandles(held, 0x7FFFFFF0);  // the next number is taken
    const HDC third = b->GetDC();
    EXPECT_NE(third, held);
    EXPECT_NE(third, first);
    EXPECT_GT(third, 0);
    EXPECT_EQ(api::SetPixel(third, 0, 0, RGB(1, 2, 3)), COLORREF(RGB(1, 2, 3)));
    b->ReleaseDC(third);
    a->ReleaseDC(first);
    EXPECT_EQ(api::DeleteDC(held), 1);
    // Object handles too: the bottom of the range holds the stock objects.
    const HGDIOBJ last = plat::Gdi().AddObject(plat::GDI_FONT, nullptr);
    const HGDIOBJ wrapped = plat::Gdi().AddObject(plat::GDI_FONT, nullptr);
    EXPECT_EQ(last, 0x7FFFFFF0);
    EXPECT_GT(wrapped, 0);
    EXPECT_NE(wrapped, plat::Gdi().StockFont());
    EXPECT_EQ(api::DeleteObject(last), 1);
    EXPECT_EQ(api::DeleteObject(wrapped), 1);
}

}  // namespace
}  // namespace vexo::test
