// Off-screen surfaces, bitmap loading, colour keys and the colour conversion.
#include "DrawFixture.h"

namespace vexo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(DrawRec, CreateSurfaceRetriesInSystemMemory) {
    OpenWindowed();
    Ref<DirectDrawSurface7> s = dd->DDCreateSurface(32, 16);
    EXPECT_THAT(st.log, ElementsAre("DD.CreateSurface(flags=0x7 caps=0x40 w=32 h=16 bb=0)"));
    EXPECT_FALSE(s.IsNothing());

    st.FailOn("CreateSurface", status::DDERR_OUTOFVIDEOMEMORY, 1);
    st.Clear();
    Ref<DirectDrawSurface7> retried = dd->DDCreateSurface(32, 16);
    EXPECT_THAT(st.log, ElementsAre("DD.CreateSurface(flags=0x7 caps=0x40 w=32 h=16 bb=0)",
                                    "DD.CreateSurface(flags=0x7 caps=0x840 w=32 h=16 bb=0)"));
    EXPECT_FALSE(retried.IsNothing());

    // Both refused (a zero size): empty, nothing raised.
    EXPECT_TRUE(dd->DDCreateSurface(0, 0).IsNothing());
    dd->DDClose();
    st.Clear();
    EXPECT_TRUE(dd->DDCreateSurface(32, 16).IsNothing());
    EXPECT_THAT(st.log, IsEmpty());
}

TEST_F(DrawRec, SizeQueriesGiveZeroOnFailure) {
    Ref<DirectDrawSurface7> s = Surface(40, 30);
    Ref<DirectDrawSurface7> none;
    EXPECT_EQ(dd->DDGetSurfaceWidth(s), 40);
    EXPECT_EQ(dd->DDGetSurfaceHeight(s), 30);
    EXPECT_EQ(dd->DDGetSurfaceWidth(none), 0);
    EXPECT_EQ(dd->DDGetSurfaceHeight(none), 0);
    st.FailOn("GetSurfaceDesc", status::DDERR_SURFACELOST);
    EXPECT_EQ(dd->DDGetSurfaceWidth(s), 0);
    EXPECT_EQ(dd->DDGetSurfaceHeight(s), 0);

    st.bitmaps[42] = Bitmap{48, 32, 0};
    EXPECT_EQ(dd->GetBitmapWidth(42), 48);
    EXPECT_EQ(dd->GetBitmapHeight(42), 32);
    EXPECT_EQ(dd->GetBitmapWidth(0), 0);
    EXPECT_EQ(dd->GetBitmapHeight(0), 0);
    EXPECT_THAT(st.Matching("Gdi.GetObjectA"), ElementsAre("Gdi.GetObjectA(42,24)", "Gdi.GetObjectA(42,24)",
                                                           "Gdi.GetObjectA(0,24)", "Gdi.GetObjectA(0,24)"));
}

TEST_F(DrawRec, SurfaceFromBitmapCopiesThenKeysOnTopLeftPixel) {
    OpenWindowed();
    st.bitmaps[42] = Bitmap{48, 32, 0xF81F};
    Ref<DirectDrawSurface7> s = dd->DDCreateSurfaceFromBitmap(42);
    EXPECT_THAT(st.log,
                ElementsAre("Gdi.GetObjectA(42,24)", "DD.CreateSurface(flags=0x7 caps=0x40 w=48 h=32 bb=0)",
                            "Gdi.GetObjectA(42,24)", "Gdi.CreateCompatibleDC(0)", "Gdi.SelectObject(1000,42)",
                            "S3.GetDC()", "Gdi.BitBlt(1001,0,0,48,32,1000,0,0,0xCC0020)", "S3.ReleaseDC(1001)",
                            "Gdi.SelectObject(1000,77)", "Gdi.DeleteDC(1000)", "S3.Lock({0,0,0,0},0x1,0)",
                            "S3.GetLockedPixel(0,0)", "S3.Unlock({0,0,0,0})", "S3.SetColorKey(0x8,0xF81F,0xF81F)"));
    EXPECT_EQ(NameOf(s), "S3");

    // Failures inside the copy are not reported; the key is whatever (0, 0) holds.
    st.FailOn("GetDC", status::DDERR_SURFACEBUSY, 1);
    st.Clear();
    s = dd->DDCreateSurfaceFromBitmap(42);
    EXPECT_FALSE(s.IsNothing());
    EXPECT_THAT(st.Matching(NameOf(s) + ".SetColorKey"), ElementsAre(NameOf(s) + ".SetColorKey(0x8,0x0,0x0)"));

    // The lock and key steps raise their own errors.
    st.FailOn("Lock", status::DDERR_SURFACELOST, 1);
    EXPECT_EQ(ErrorOf([&] { dd->DDCreateSurfaceFromBitmap(42); }), status::DDERR_SURFACELOST);
    st.FailOn("SetColorKey", status::DDERR_INVALIDPARAMS, 1);
    EXPECT_EQ(ErrorOf([&] { dd->DDCreateSurfaceFromBitmap(42); }), status::DDERR_INVALIDPARAMS);

    // Not a bitmap: no surface, so the lock goes through an empty reference.
    EXPECT_EQ(ErrorOf([&] { dd->DDCreateSurfaceFromBitmap(12345); }), ERR_OBJECT_NOT_SET);
    dd->DDClose();
    EXPECT_EQ(ErrorOf([&] { dd->DDCreateSurfaceFromBitmap(42); }), ERR_OBJECT_NOT_SET);
}

TEST_F(DrawRec, SurfaceFromFileAndResourceNeverRaise) {
    OpenWindowed();
    st.bitmaps[42] = Bitmap{8, 8, 5};
    st.pictureFiles["sheet.bmp"] = 42;
    Ref<DirectDrawSurface7> s = dd->DDCreateSurfaceFromFile("sheet.bmp");
    EXPECT_FALSE(s.IsNothing());
    ASSERT_GE(st.log.size(), 3u);
    EXPECT_EQ(st.log[0], "Host.LoadPicture(\"sheet.bmp\")");
    EXPECT_EQ(st.log[1], "Picture.Handle()");
    EXPECT_EQ(st.log[2], "Gdi.GetObjectA(42,24)");
    EXPECT_EQ(st.log.back(), "~Picture");  // released after the copy
    EXPECT_EQ(st.IndexOf("S3.SetColorKey(0x8,0x5,0x5)"), static_cast<int>(st.log.size()) - 2);

    st.Clear();
    EXPECT_TRUE(dd->DDCreateSurfaceFromFile("missing.bmp").IsNothing());
    EXPECT_EQ(st.log[0], "Host.LoadPicture(\"missing.bmp\")");
    EXPECT_EQ(st.IndexOf("~Picture"), -1);

    st.Clear();
    EXPECT_TRUE(dd->DDCreateSurfaceFromResource("101").IsNothing());
    EXPECT_EQ(st.log[0], "Host.LoadResPicture(\"101\",0)");

    // Closed display: the bitmap step raises 91 inside, the caller sees nothing.
    dd->DDClose();
    EXPECT_TRUE(dd->DDCreateSurfaceFromFile("sheet.bmp").IsNothing());
}

TEST_F(DrawRec, ColourConversionGoesThroughTheBackBufferAndMasks) {
    st.pixelColour = RGB(1, 2, 3);
    st.toPixel = [](COLORREF) { return 0xAB12F81Fu; };
    const struct {
        int32_t bpp;
        int32_t expect;
    } cases[] = {{8, 0x1F}, {16, 0xF81F}, {24, 0x12F81F}, {32, static_cast<int32_t>(0xAB12F81Fu)}};
    for (const auto& c : cases) {
        DX7Draw d;
        st.displayBpp = c.bpp;
        ASSERT_FALSE(d.DDSetup(kWnd, 64, 48, NORMALSCREEN).IsNothing());
        st.Clear();
        EXPECT_EQ(DX7DrawTestAccess::Convert(d, RGB(255, 0, 255)), c.expect) << c.bpp << " bits";
        const std::string bb = NameOf(d.BackBuffer);
        EXPECT_THAT(st.log, ElementsAre(bb + ".GetDC()", "Gdi.GetPixel(" + std::to_string(st.nextDC - 2) + ",0,0)",
                                        "Gdi.SetPixel(" + std::to_string(st.nextDC - 2) + ",0,0,0xFF00FF)",
                                        bb + ".ReleaseDC(" + std::to_string(st.nextDC - 2) + ")",
                                        bb + ".Lock({0,0,0,0},0x1,0)", bb + ".GetLockedPixel(0,0)",
                                        bb + ".Unlock({0,0,0,0})", bb + ".GetDC()",
                                        "Gdi.SetPixel(" + std::to_string(st.nextDC - 1) + ",0,0,0x30201)",
                                        bb + ".ReleaseDC(" + std::to_string(st.nextDC - 1) + ")"))
            << c.bpp << " bits";
    }

    // A failed lock leaves the depth at 0, so the mask is 0.
    st.FailOn("Lock", status::DDERR_SURFACEBUSY, 1);
    EXPECT_EQ(DX7DrawTestAccess::Convert(*dd, RGB(1, 1, 1)), 0);  // closed: every step fails
    dd->DDSetup(kWnd, 64, 48, NORMALSCREEN);
    EXPECT_EQ(DX7DrawTestAccess::Convert(*dd, RGB(1, 1, 1)), 0);
}

TEST_F(DrawRec, ColourConversionLeavesTheCallersLockAndDeviceContextAlone) {
    OpenWindowed();
    auto* bb = dynamic_cast<FakeSurface*>(dd->BackBuffer.get());
    ASSERT_NE(bb, nullptr);
    RECT whole{};
    DDSURFACEDESC2 d{};
    bb->Lock(whole, d, DDLOCK_WAIT, 0);
    st.Clear();
    EXPECT_EQ(DX7DrawTestAccess::Convert(*dd, RGB(9, 9, 9)), 0);
    EXPECT_TRUE(bb->locked);
    EXPECT_EQ(st.IndexOf("S2.Unlock"), -1);
    bb->Unlock(whole);

    HDC mine = bb->GetDC();
    st.Clear();
    DX7DrawTestAccess::Convert(*dd, RGB(9, 9, 9));
    EXPECT_TRUE(bb->dcOut);
    EXPECT_EQ(st.IndexOf("S2.ReleaseDC"), -1);
    bb->ReleaseDC(mine);
}

TEST_F(DrawRec, SetColorKeyUsesTheConvertedColourAndReturnsEmpty) {
    st.displayBpp = 16;
    st.toPixel = [](COLORREF c) { return c == 0xFF00FF ? 0xF81Fu : 0x1234u; };
    OpenWindowed();
    Ref<DirectDrawSurface7> s = Surface(8, 8);
    st.Clear();
    EXPECT_TRUE(vexo::IsEmpty(dd->DDSetColorKey(s, RGB(255, 0, 255))));
    EXPECT_EQ(st.log.back(), NameOf(s) + ".SetColorKey(0x8,0xF81F,0xF81F)");

    Ref<DirectDrawSurface7> none;
    EXPECT_TRUE(vexo::IsEmpty(dd->DDSetColorKey(none, RGB(255, 0, 255))));
    st.FailOn("SetColorKey", status::DDERR_INVALIDPARAMS);
    EXPECT_TRUE(vexo::IsEmpty(dd->DDSetColorKey(s, RGB(255, 0, 255))));
}

// The methods reach one another through the public interface.
struct Spy : DX7Draw {
    std::vector<std::string> calls;
    int32_t DDGetSurfaceWidth(Ref<DirectDrawSurface7>& s) override {
        calls.push_back("W");
        return DX7Draw::DDGetSurfaceWidth(s);
    }
    int32_t DDGetSurfaceHeight(Ref<DirectDrawSurface7>& s) override {
        calls.push_back("H");
        return DX7Draw::DDGetSurfaceHeight(s);
    }
    int32_t DDFillRect(Ref<DirectDrawSurface7>& s, int32_t l, int32_t t, int32_t r, int32_t b, int32_t c) override {
        calls.push_back("Fill " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
                        std::to_string(b) + "," + std::to_string(c));
        return DX7Draw::DDFillRect(s, l, t, r, b, c);
    }
    Ref<DirectDrawSurface7> DDCreateSurface(int32_t w, int32_t h) override {
        calls.push_back("Create " + std::to_string(w) + "x" + std::to_string(h));
        return DX7Draw::DDCreateSurface(w, h);
    }
    Ref<DirectDrawSurface7> DDCreateSurfaceFromBitmap(HBITMAP h) override {
        calls.push_back("FromBitmap " + std::to_string(h));
        return DX7Draw::DDCreateSurfaceFromBitmap(h);
    }
    void DDClose() override {
        calls.push_back("Close");
        DX7Draw::DDClose();
    }
};

TEST_F(DrawRec, MethodsCallOneAnotherThroughTheInterface) {
    Spy spy;
    spy.DDSetup(kWnd, 640, 480, NORMALSCREEN);
    EXPECT_THAT(spy.calls, ElementsAre("W", "H", "Fill 0,0,640,480,0"));

    spy.calls.clear();
    st.bitmaps[42] = Bitmap{16, 8, 0};
    st.pictureFiles["a.bmp"] = 42;
    spy.DDCreateSurfaceFromFile("a.bmp");
    EXPECT_THAT(spy.calls, ElementsAre("FromBitmap 42", "Create 16x8"));

    spy.calls.clear();
    Ref<DirectDrawSurface7> src = Surface(4, 4);
    spy.DDBlt(src, spy.BackBuffer, 0, 0, 0, 0, 0, 0);
    spy.DDBltFast(src, spy.BackBuffer, 0, 0, 2, 0, 0, 0);
    spy.DDFillRect(src, 0, 0, 0, 3, 0);
    EXPECT_THAT(spy.calls, ElementsAre("W", "H", "H", "Fill 0,0,0,3,0", "W"));

    spy.DDClose();
    spy.calls.clear();
    st.FailOn("SetCooperativeLevel", status::E_HANDLE, 1);
    spy.DDSetup(kWnd, 640, 480, NORMALSCREEN);
    EXPECT_THAT(spy.calls, ElementsAre("Close"));
}

}  // namespace
}  // namespace vexo::test
