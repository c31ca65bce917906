// Plain blits and the colour fill: rectangles, flags, defaults and results.
#include <climits>

#include "DrawFixture.h"

namespace vexo::test {
namespace {

using ::testing::ElementsAre;

TEST_F(DrawRec, BltBuildsRectanglesAndKeyFlag) {
    Ref<DirectDrawSurface7> src = Surface(100, 50);  // S1
    Ref<DirectDrawSurface7> dst = Surface(640, 480);  // S2
    st.Clear();
    EXPECT_EQ(dd->DDBlt(src, dst, 10, 20, 30, 40, 5, 6), 0);
    EXPECT_EQ(dd->DDBlt(src, dst, 10, 20, 30, 40, 5, 6, VB_FALSE), 0);
    EXPECT_EQ(dd->DDBlt(src, dst, 10, 20, 30, 40, 5, 6, 1), 0);  // any non-zero value is set
    EXPECT_THAT(st.log, ElementsAre("S2.Blt({5,6,35,46},S1,{10,20,40,60},0x8000)",
                                    "S2.Blt({5,6,35,46},S1,{10,20,40,60},0x0)",
                                    "S2.Blt({5,6,35,46},S1,{10,20,40,60},0x8000)"));

    // Sizes <= 0 take the whole source, wherever the corner is; a destination
    // outside the surface goes through unclipped.
    st.Clear();
    dd->DDBlt(src, dst, 10, 0, 0, -3, -20, 470);
    EXPECT_THAT(st.log, ElementsAre("S1.GetSurfaceDesc()", "S1.GetSurfaceDesc()",
                                    "S2.Blt({-20,470,80,520},S1,{10,0,110,50},0x8000)"));

    // An edge whose sum overflows stays 0.
    st.Clear();
    dd->DDBlt(src, dst, INT_MAX - 5, 0, 10, 10, 0, INT_MAX);
    EXPECT_THAT(st.log, ElementsAre("S2.Blt({0,2147483647,10,0},S1,{2147483642,0,0,10},0x8000)"));
}

TEST_F(DrawRec, BltResultIsThePlatformStatusOrZeroWhenItRaised) {
    Ref<DirectDrawSurface7> src = Surface(8, 8);
    Ref<DirectDrawSurface7> dst = Surface(8, 8);
    Ref<DirectDrawSurface7> none;
    st.ReturnOn("Blt", status::DDERR_INVALIDRECT, 1);
    EXPECT_EQ(dd->DDBlt(src, dst, 0, 0, 0, 0, 4, 4), status::DDERR_INVALIDRECT);
    st.FailOn("Blt", status::DDERR_SURFACELOST, 1);
    EXPECT_EQ(dd->DDBlt(src, dst, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(dd->DDBlt(src, none, 0, 0, 0, 0, 0, 0), 0);
    // An empty source still reaches the platform, which decides.
    st.Clear();
    dd->DDBlt(none, dst, 0, 0, 2, 2, 0, 0, VB_FALSE);
    EXPECT_THAT(st.log, ElementsAre("S2.Blt({0,0,2,2},null,{0,0,2,2},0x0)"));
}

TEST_F(DrawRec, BltFastAlwaysWaitsAndReturnsAVariant) {
    Ref<DirectDrawSurface7> src = Surface(32, 16);  // S1
    Ref<DirectDrawSurface7> dst = Surface(640, 480);  // S2
    Ref<DirectDrawSurface7> none;
    st.Clear();
    Variant a = dd->DDBltFast(src, dst, 1, 2, 3, 4, 50, 60);
    Variant b = dd->DDBltFast(src, dst, 0, 0, 0, 0, 7, 8, VB_FALSE);
    EXPECT_THAT(st.log, ElementsAre("S2.BltFast(50,60,S1,{1,2,4,6},0x11)", "S1.GetSurfaceDesc()",
                                    "S1.GetSurfaceDesc()", "S2.BltFast(7,8,S1,{0,0,32,16},0x10)"));
    ASSERT_TRUE(std::holds_alternative<int32_t>(a));
    EXPECT_EQ(std::get<int32_t>(a), 0);
    EXPECT_EQ(std::get<int32_t>(b), 0);

    st.ReturnOn("BltFast", status::DDERR_INVALIDRECT, 1);
    Variant c = dd->DDBltFast(src, dst, 0, 0, 0, 0, 630, 0);
    ASSERT_TRUE(std::holds_alternative<int32_t>(c));
    EXPECT_EQ(std::get<int32_t>(c), status::DDERR_INVALIDRECT);

    // A raising platform call gives an empty variant, not 0.
    st.FailOn("BltFast", status::DDERR_SURFACELOST, 1);
    EXPECT_TRUE(IsEmpty(dd->DDBltFast(src, dst, 0, 0, 0, 0, 0, 0)));
    EXPECT_TRUE(IsEmpty(dd->DDBltFast(src, none, 0, 0, 0, 0, 0, 0)));

    st.Clear();
    dd->DDBltFast(src, dst, INT_MAX, 0, 1, 1, 0, 0);
    EXPECT_THAT(st.log, ElementsAre("S2.BltFast(0,0,S1,{2147483647,0,0,1},0x11)"));
}

TEST_F(DrawRec, FillRectDefaultsEdgesAndUsesTheDisplayValue) {
    st.displayBpp = 16;
    st.toPixel = [](COLORREF c) { return c == 0x0000FF ? 0xABCDF800u : 0u; };
    OpenWindowed();
    Ref<DirectDrawSurface7> s = Surface(100, 50);
    const std::string n = NameOf(s);
    st.Clear();
    EXPECT_EQ(dd->DDFillRect(s, 3, 4, -5, 0, RGB(255, 0, 0)), 0);
    EXPECT_EQ(st.log.front(), n + ".GetSurfaceDesc()");
    EXPECT_EQ(st.log[1], n + ".GetSurfaceDesc()");
    EXPECT_EQ(st.log.back(), n + ".BltColorFill({3,4,100,50},0xF800)");

    st.Clear();
    dd->DDFillRect(s, 0, 0, 1, 50, RGB(255, 0, 0));  // column 0 only: right is exclusive
    EXPECT_EQ(st.log.back(), n + ".BltColorFill({0,0,1,50},0xF800)");
    EXPECT_EQ(st.IndexOf(n + ".GetSurfaceDesc"), -1);

    st.ReturnOn("BltColorFill", status::DDERR_INVALIDRECT, 1);
    EXPECT_EQ(dd->DDFillRect(s, 0, 0, 200, 10, 0), status::DDERR_INVALIDRECT);
    st.FailOn("BltColorFill", status::DDERR_SURFACELOST, 1);
    EXPECT_EQ(dd->DDFillRect(s, 0, 0, 0, 0, 0), 0);
    Ref<DirectDrawSurface7> none;
    EXPECT_EQ(dd->DDFillRect(none, 0, 0, 0, 0, 0), 0);

    // Without a display the fill still runs, with value 0.
    dd->DDClose();
    st.Clear();
    dd->DDFillRect(s, 0, 0, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(st.log.back(), n + ".BltColorFill({0,0,100,50},0x0)");
}

}  // namespace
}  // namespace vexo::test
