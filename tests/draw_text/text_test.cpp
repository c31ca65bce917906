// DDTextOut over the real software platform: glyphs land inside the text
// rectangle only, the byte count cuts the text, double-byte characters count
// two, line breaks start new lines, and the caller's string comes back
// through the ANSI code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "tests/support/FakeHost.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"
#include "platform/display/Display.h"
#include "platform/display/PixelFormat.h"
#include "platform/display/text/Text.h"

namespace vexo {
namespace {

constexpr uint32_t kPaper = 0x000000FF;  // blue, 32-bit XRGB

// Restores the code page a test changed.
struct CodePageGuard {
    int32_t saved = plat::AnsiCodePage();
    ~CodePageGuard() { plat::SetAnsiCodePage(saved); }
};

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VEXO_NO_VSYNC", "1", 1);
        plat::SetDesktop(640, 480, 32);
        root = api::CreateDirectX7();
        ddraw = root->DirectDrawCreate("");
        ddraw->SetCooperativeLevel(0, DDSCL_NORMAL);
        dd = std::make_unique<DX7Draw>();
    }

    Ref<DirectDrawSurface7> Make(int32_t w, int32_t h, int32_t bpp = 32) {
        DDSURFACEDESC2 d;
        d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.lWidth = w;
        d.lHeight = h;
        d.ddsCaps.lCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        plat::DescribeFormat(bpp, d.ddpfPixelFormat);
        auto s = ddraw->CreateSurface(d);
        RECT all{};
        s->BltColorFill(all, int32_t(bpp == 32 ? kPaper : 0));
        return s;
    }

    // Draws with DDTextOut on the surface's device context, in `font` when given.
    // Returns what DDTextOut wrote back into the string.
    std::string Draw(Ref<DirectDrawSurface7>& s, std::string text, int32_t x, int32_t y, int32_t color,
                     int32_t count, HGDIOBJ font = 0) {
        const HDC dc = s->GetDC();
        if (font) api::SelectObject(dc, font);
        dd->DDTextOut(dc, text, x, y, color, count);
        s->ReleaseDC(dc);
        return text;
    }

    static std::vector<uint32_t> Pixels(const Ref<DirectDrawSurface7>& s) {
        DDSURFACEDESC2 d;
        s->GetSurfaceDesc(d);
        RECT all{};
        s->Lock(all, d, DDLOCK_WAIT, 0);
        std::vector<uint32_t> out;
        out.reserve(size_t(d.lWidth) * size_t(d.lHeight));
        for (int32_t y = 0; y < d.lHeight; ++y)
            for (int32_t x = 0; x < d.lWidth; ++x) out.push_back(uint32_t(s->GetLockedPixel(x, y)));
        s->Unlock(all);
        return out;
    }

    // The pixels of `text` drawn alone at (2, 2) in `font` (-1: whole text).
    std::vector<uint32_t> Render(const std::string& text, int32_t count, HGDIOBJ font, int32_t x = 2,
                                 int32_t y = 2) {
        auto s = Make(160, 60);
        Draw(s, text, x, y, RGB(255, 255, 255), count, font);
        return Pixels(s);
    }
    static int Ink(const std::vector<uint32_t>& px) {
        int n = 0;
        for (uint32_t p : px) n += p != kPaper;
        return n;
    }

    Ref<DirectX7> root;
    Ref<DirectDraw7> ddraw;
    std::unique_ptr<DX7Draw> dd;
};

TEST_F(TextTest, InkLandsInsideTheRectangleOnlyInTheTextColour) {
    // 40-pixel text, far wider than 1024 and taller than 768: cut at both edges.
    const HGDIOBJ font = plat::CreateFont(-40);
    const plat::TextMetrics m = plat::FontMetrics(font);
    ASSERT_GT(m.height, 40);
    std::string text;
    for (int line = 0; line < 25; ++line) text += std::string(60, 'W') + "\r\n";
    const int32_t x = 50, y = 40, w = 1200, h = 900;
    auto s = Make(w, h);
    Draw(s, text, x, y, RGB(255, 255, 0), -1, font);
    const auto px = Pixels(s);

    int outside = 0, nearRight = 0, nearBottom = 0, ink = 0;
    for (int32_t j = 0; j < h; ++j) {
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = px[size_t(j) * w + i];
            if (p == kPaper) continue;
            // Only the text colour: no background fill, no blending.
            ASSERT_EQ(p, 0x00FFFF00u) << "at " << i << ", " << j;
            ++ink;
            if (i < x || i >= x + 1024 || j < y || j >= y + 768) ++outside;
            if (i >= x + 1024 - 20) ++nearRight;
            if (j >= y + 768 - 20) ++nearBottom;
        }
    }
    EXPECT_GT(ink, 10000);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(nearRight, 0) << "the text should run up to the right edge, not wrap";
    EXPECT_GT(nearBottom, 0) << "the lines should run down to the bottom edge";
}

TEST_F(TextTest, DefaultFontAndStateLeftOnTheDeviceContext) {
    auto s = Make(200, 40);
    const HDC dc = s->GetDC();
    const HGDIOBJ before = api::GetCurrentObject(dc, OBJ_FONT);
    EXPECT_EQ(before, plat::DefaultGuiFont());
    std::string text = "Hello";
    dd->DDTextOut(dc, text, 0, 0, RGB(0, 255, 0), -1);
    // The same font stays selected; the background mode comes back transparent
    // and the text colour as set.
    EXPECT_EQ(api::GetCurrentObject(dc, OBJ_FONT), before);
    EXPECT_EQ(api::SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(api::SetTextColor(dc, 0), COLORREF(RGB(0, 255, 0)));
    s->ReleaseDC(dc);
    const auto px = Pixels(s);
    int ink = 0, lowest = -1;
    for (int32_t j = 0; j < 40; ++j)
        for (int32_t i = 0; i < 200; ++i)
            if (px[size_t(j) * 200 + i] != kPaper) ++ink, lowest = j;
    EXPECT_GT(ink, 20);
    // The default GUI font is a small one.
    EXPECT_LT(lowest, plat::FontMetrics(before).height);
    EXPECT_LE(plat::FontMetrics(before).height, 20);
}

TEST_F(TextTest, TextOutByteCountsBytesOfTheAnsiText) {
    CodePageGuard guard;
    ASSERT_TRUE(plat::SetAnsiCodePage(1252));
    const HGDIOBJ font = plat::CreateFont(-16);
    const auto abc = Render("ABC", -1, font);
    EXPECT_GT(Ink(abc), 0);
    EXPECT_EQ(Render("ABCDEF", 3, font), abc);
    EXPECT_NE(Render("ABCD", -1, font), abc);
    EXPECT_EQ(Ink(Render("ABCDEF", 0, font)), 0);
    // A count beyond the text draws the whole text.
    EXPECT_EQ(Render("ABC", 50, font), abc);
    // In 1252 an accented letter is one byte.
    EXPECT_EQ(Render("Caf\xC3\xA9!", 4, font), Render("Caf\xC3\xA9", -1, font));

    // In 932 a Japanese character is two bytes: counts 2 and 3 draw one.
    ASSERT_TRUE(plat::SetAnsiCodePage(932));
    const HGDIOBJ jfont = plat::CreateFont(-16);
    const std::string nihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
    const auto one = Render("\xE6\x97\xA5", -1, jfont);                  // 日
    EXPECT_GT(Ink(one), 20) << "a Japanese face should give the character a shape";
    EXPECT_EQ(Render(nihongo, 2, jfont), one);
    EXPECT_EQ(Render(nihongo, 3, jfont), one);
    EXPECT_EQ(Render(nihongo, 4, jfont), Render("\xE6\x97\xA5\xE6\x9C\xAC", -1, jfont));
    EXPECT_NE(Render(nihongo, 6, jfont), Render(nihongo, 4, jfont));
}

TEST_F(TextTest, TextStringComesBackThroughTheCodePage) {
    CodePageGuard guard;
    auto s = Make(300, 40);
    ASSERT_TRUE(plat::SetAnsiCodePage(1252));
    // Café 日本
    EXPECT_EQ(Draw(s, "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", 0, 0, 0, -1), "Caf\xC3\xA9 ??");
    EXPECT_EQ(Draw(s, "a\xFF" "b", 0, 0, 0, -1), "a?b");  // not UTF-8

    ASSERT_TRUE(plat::SetAnsiCodePage(932));
    // 日本語 é
    EXPECT_EQ(Draw(s, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xA9", 0, 0, 0, -1),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E ?");
    EXPECT_EQ(plat::ToAnsi("\xE6\x97\xA5"), "\x93\xFA");  // 日 in Shift JIS
    EXPECT_FALSE(plat::SetAnsiCodePage(123456));
    EXPECT_EQ(plat::AnsiCodePage(), 932);
}

TEST_F(TextTest, LineBreaksStartNewLinesOneLineHeightDown) {
    const HGDIOBJ font = plat::CreateFont(-14);
    const int32_t lh = plat::FontMetrics(font).height;
    auto expected = Make(160, 60);
    Draw(expected, "AB", 2, 2, RGB(255, 255, 255), -1, font);
    Draw(expected, "C", 2, 2 + lh, RGB(255, 255, 255), -1, font);
    const auto want = Pixels(expected);
    for (const char* text : {"AB\r\nC", "AB\nC", "AB\rC"}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        EXPECT_EQ(Render(text, -1, font), want);
    }
    // An empty line in between moves the next one down twice.
    auto two = Make(160, 60);
    Draw(two, "C", 2, 2 + 2 * lh, RGB(255, 255, 255), -1, font);
    Draw(two, "AB", 2, 2, RGB(255, 255, 255), -1, font);
    EXPECT_EQ(Render("AB\n\nC", -1, font), Pixels(two));
}

TEST_F(TextTest, EightBitTextTakesTheNearestPaletteEntry) {
    auto s = Make(120, 30, 8);
    std::array<PALETTEENTRY, 256> entries{};
    for (int i = 0; i < 256; ++i) entries[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    entries[77] = {250, 10, 10, 0};
    s->SetPalette(ddraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries));
    Draw(s, "Red", 1, 1, RGB(255, 0, 0), -1, plat::CreateFont(-16));
    int ink = 0;
    for (uint32_t p : Pixels(s)) {
        if (p == 0) continue;
        ++ink;
        ASSERT_EQ(p, 77u);
    }
    EXPECT_GT(ink, 20);
}

// What DDTextOut hands the platform, through a logging host.
TEST(TextCalls, RectangleStateAndCountPassedAsGiven) {
    setenv("VEXO_NO_VSYNC", "1", 1);
    test::FakeHost host;
    ScopedPlatform scope(host);
    CodePageGuard guard;
    ASSERT_TRUE(plat::SetAnsiCodePage(1252));
    DX7Draw dd;
    const HDC mem = api::CreateCompatibleDC(0);
    const HGDIOBJ font = api::GetCurrentObject(mem, OBJ_FONT);
    std::string text = "Score";
    host.log.clear();
    dd.DDTextOut(mem, text, 10, 20, RGB(1, 2, 3), 3);
    const std::string d = std::to_string(mem);
    const std::vector<std::string> want = {
        "GetCurrentObject(" + d + ", 6)",
        "SetBkMode(" + d + ", 1)",
        "SetTextColor(" + d + ", " + std::to_string(RGB(1, 2, 3)) + ")",
        "SelectObject(" + d + ", " + std::to_string(font) + ")",
        "DrawTextA(" + d + ", Score, 3, 10 20 1034 788, 0)",
    };
    EXPECT_EQ(host.log, want);

    // An edge whose sum overflows stays 0; the rest still runs.
    host.log.clear();
    dd.DDTextOut(mem, text, INT32_MAX - 5, INT32_MIN + 3, 0);
    ASSERT_EQ(host.Matching("DrawTextA").size(), 1u);
    EXPECT_EQ(host.Matching("DrawTextA")[0],
              "DrawTextA(" + d + ", Score, -1, " + std::to_string(INT32_MAX - 5) + " " +
                  std::to_string(INT32_MIN + 3) + " 0 " + std::to_string(INT32_MIN + 3 + 768) + ", 0)");
    // A device context that does not exist: nothing raised, nothing drawn.
    std::string t2 = "x";
    EXPECT_NO_THROW(dd.DDTextOut(12345, t2, 0, 0));
    api::DeleteDC(mem);
}

}  // namespace
}  // namespace vexo
