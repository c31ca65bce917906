// Display setup, presentation and close, checked call by call.
#include <climits>

#include "DrawFixture.h"

namespace vexo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(DrawRec, WindowedSetupResizesClientAreaAndBuildsSurfaces) {
    st.Clear();
    Ref<DirectDrawSurface7> bb = dd->DDSetup(kWnd, 640, 480, NORMALSCREEN);
    EXPECT_THAT(st.log, ElementsAre("DX.DirectDrawCreate(\"\")", "Win.GetWindowRect(7)", "Win.GetClientRect(7)",
                                    "Win.SetWindowPos(7,0,0,0,648,507,6)", "DD.SetCooperativeLevel(7,8)",
                                    "DD.CreateSurface(flags=0x1 caps=0x200 w=0 h=0 bb=0)",
                                    "DD.CreateSurface(flags=0x7 caps=0x840 w=640 h=480 bb=0)",
                                    "DD.CreateClipper(0)", "Clip.SetHWnd(7)", "S1.SetClipper(Clip)",
                                    // Clear: sizes asked, then the fill; the colour is converted
                                    // through the old (still empty) BackBuffer, so it is 0.
                                    "S2.GetSurfaceDesc()", "S2.GetSurfaceDesc()",
                                    "S2.BltColorFill({0,0,640,480},0x0)", "Host.DoEvents()"));
    EXPECT_EQ(NameOf(bb), "S2");
    EXPECT_EQ(dd->BackBuffer, bb);
    EXPECT_EQ(NameOf(dd->PrimarySurface), "S1");
    EXPECT_FALSE(dd->WindowClipper.IsNothing());
    EXPECT_EQ(dd->TargetWindow, kWnd);
    EXPECT_EQ(dd->ScreenMode, NORMALSCREEN);
    EXPECT_EQ(dd->SavedWindowRect, kOuter);
}

TEST_F(DrawRec, FullScreenSetupChangesModeAndUsesAttachedBackBuffer) {
    st.Clear();
    Ref<DirectDrawSurface7> bb = dd->DDSetup(kWnd, 800, 600, FULLSCREEN, bit65536);
    EXPECT_THAT(st.log, ElementsAre("DX.DirectDrawCreate(\"\")", "Win.GetWindowRect(7)",
                                    "DD.SetCooperativeLevel(7,19)", "DD.SetDisplayMode(800,600,16,0,0)",
                                    "DD.CreateSurface(flags=0x21 caps=0xA18 w=0 h=0 bb=1)",
                                    "S1.GetAttachedSurface(0x4)", "S2.GetSurfaceDesc()", "S2.GetSurfaceDesc()",
                                    "S2.BltColorFill({0,0,800,600},0x0)", "Host.DoEvents()"));
    EXPECT_EQ(NameOf(bb), "S2");
    EXPECT_EQ(dd->BackBuffer, bb);

    // The depth a caller leaves out.
    DX7Draw other;
    st.Clear();
    other.DDSetup(kWnd, 640, 480, FULLSCREEN);
    EXPECT_THAT(st.Matching("DD.SetDisplayMode"), ElementsAre("DD.SetDisplayMode(640,480,32,0,0)"));
}

TEST_F(DrawRec, SetupFailureClosesAgainAndReturnsResultAsItStood) {
    // Unsupported full-screen mode: empty result, mode and window restored.
    st.FailOn("SetDisplayMode", status::DDERR_UNSUPPORTED, 1);
    st.Clear();
    EXPECT_TRUE(dd->DDSetup(kWnd, 641, 480, FULLSCREEN, bit256).IsNothing());
    const int failedAt = st.IndexOf("DD.SetDisplayMode");
    ASSERT_GE(failedAt, 0);
    std::vector<std::string> after(st.log.begin() + failedAt + 1, st.log.end());
    EXPECT_THAT(after, ElementsAre("DD.RestoreDisplayMode()", "DD.FlipToGDISurface()", "~DD", "Win.GetParent(7)",
                                   "Win.SetWindowPos(7,0,50,60,328,267,4)", "~DX", "Host.DoEvents()"));
    EXPECT_TRUE(dd->DisplayDevice.IsNothing());
    EXPECT_TRUE(dd->DxRoot.IsNothing());
    EXPECT_TRUE(dd->BackBuffer.IsNothing());

    // A failure after the back buffer exists hands that back buffer out, yet
    // the display is closed and BackBuffer stays empty.
    st.FailOn("CreateClipper", status::DDERR_OUTOFMEMORY, 1);
    st.Clear();
    Ref<DirectDrawSurface7> bb = dd->DDSetup(kWnd, 640, 480, NORMALSCREEN);
    EXPECT_FALSE(bb.IsNothing());
    EXPECT_TRUE(dd->BackBuffer.IsNothing());
    EXPECT_TRUE(dd->DisplayDevice.IsNothing());
    EXPECT_EQ(st.IndexOf("DD.RestoreDisplayMode"), -1);  // windowed close
    EXPECT_EQ(st.IndexOf("Host.DoEvents"), static_cast<int>(st.log.size()) - 1);

    // No back buffer: the failure of its creation leaves the result empty.
    st.FailOn("CreateSurface", status::DDERR_OUTOFMEMORY, 2);
    EXPECT_TRUE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
    EXPECT_TRUE(dd->DisplayDevice.IsNothing());

    // An unusable window.
    st.FailOn("SetCooperativeLevel", status::E_HANDLE, 1);
    EXPECT_TRUE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
    EXPECT_TRUE(dd->DisplayDevice.IsNothing());

    // A window size that overflows: no resize happens, only the restore.
    st.Clear();
    EXPECT_TRUE(dd->DDSetup(kWnd, INT_MAX, 480, NORMALSCREEN).IsNothing());
    EXPECT_THAT(st.Matching("Win.SetWindowPos"), ElementsAre("Win.SetWindowPos(7,0,50,60,328,267,4)"));
    EXPECT_EQ(st.IndexOf("DD.CreateSurface"), -1);

    // A root object that cannot be made is a failure too.
    st.FailOn("CreateDirectX7", status::E_FAIL, 1);
    st.Clear();
    EXPECT_TRUE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
    EXPECT_THAT(st.log, ElementsAre("Host.CreateDirectX7()"));
}

TEST_F(DrawRec, SetupOnlyWhileClosedAndOtherModesOpenWithoutSurfaces) {
    OpenWindowed();
    EXPECT_TRUE(dd->DDSetup(kWnd, 320, 200, FULLSCREEN).IsNothing());
    EXPECT_THAT(st.log, IsEmpty());
    dd->DDClose();

    st.Clear();
    EXPECT_TRUE(dd->DDSetup(kWnd, 640, 480, static_cast<ScreenType>(2)).IsNothing());
    EXPECT_THAT(st.log, ElementsAre("Host.CreateDirectX7()", "DX.DirectDrawCreate(\"\")", "Win.GetWindowRect(7)",
                                    "Host.DoEvents()"));
    EXPECT_FALSE(dd->DisplayDevice.IsNothing());
    EXPECT_TRUE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
    st.Clear();
    dd->DDFlip();  // nothing to present
    EXPECT_THAT(st.log, IsEmpty());
    dd->DDClose();  // treated as full-screen
    EXPECT_EQ(st.IndexOf("DD.RestoreDisplayMode"), 0);
    EXPECT_EQ(st.IndexOf("DD.FlipToGDISurface"), 1);

    // Open again after the close: a new root object.
    st.Clear();
    EXPECT_FALSE(dd->DDSetup(kWnd, 640, 480, NORMALSCREEN).IsNothing());
    EXPECT_EQ(st.IndexOf("Host.CreateDirectX7"), 0);
}

TEST_F(DrawRec, CloseReleasesInOrderAndPutsTheWindowBack) {
    dd->DDSetup(kWnd, 640, 480, NORMALSCREEN);
    st.Clear();
    dd->DDClose();
    EXPECT_THAT(st.log, ElementsAre("~S1", "~S2", "~DD", "Win.GetParent(7)", "Win.SetWindowPos(7,0,50,60,328,267,4)",
                                    "~DX", "~Clip", "Host.DoEvents()"));
    EXPECT_EQ(dd->TargetWindow, kWnd);
    EXPECT_EQ(dd->SavedWindowRect, kOuter);

    // Closed already: nothing at all, not even message processing.
    st.Clear();
    dd->DDClose();
    EXPECT_THAT(st.log, IsEmpty());

    // Full-screen: the mode comes back first, in this order.
    dd->DDSetup(kWnd, 640, 480, FULLSCREEN);
    st.Clear();
    dd->DDClose();
    EXPECT_THAT(st.log, ElementsAre("DD.RestoreDisplayMode()", "DD.FlipToGDISurface()", "~S3", "~S4", "~DD",
                                    "Win.GetParent(7)", "Win.SetWindowPos(7,0,50,60,328,267,4)", "~DX",
                                    "Host.DoEvents()"));

    // A child window gets its size back, not a position.
    plat.AddWindow(9, RECT{10, 20, 110, 220}, 92, 173, kWnd);
    dd->DDSetup(9, 64, 48, NORMALSCREEN);
    st.Clear();
    dd->DDClose();
    EXPECT_THAT(st.Matching("Win."), ElementsAre("Win.GetParent(9)", "Win.SetWindowPos(9,0,0,0,100,200,6)"));

    // Failing steps are skipped, the rest runs.
    dd->DDSetup(kWnd, 640, 480, FULLSCREEN);
    st.FailOn("RestoreDisplayMode", status::E_FAIL);
    st.Clear();
    dd->DDClose();
    EXPECT_EQ(st.IndexOf("DD.FlipToGDISurface"), 1);
    EXPECT_GE(st.IndexOf("Win.SetWindowPos"), 0);
    EXPECT_TRUE(dd->DxRoot.IsNothing());
}

TEST_F(DrawRec, DestroyingAnOpenDisplayClosesNothing) {
    dd->DDSetup(kWnd, 640, 480, FULLSCREEN);
    st.Clear();
    dd.reset();
    EXPECT_EQ(st.IndexOf("DD.RestoreDisplayMode"), -1);
    EXPECT_EQ(st.IndexOf("Win.SetWindowPos"), -1);
    EXPECT_EQ(st.IndexOf("Host.DoEvents"), -1);
    EXPECT_GE(st.IndexOf("~DX"), 0);
    EXPECT_GE(st.IndexOf("~S1"), 0);
}

TEST_F(DrawRec, WindowedFlipPresentsIntoTheClipRectangle) {
    OpenWindowed();
    dd->DDFlip();
    EXPECT_THAT(st.log, ElementsAre("Clip.GetClipList(1)", "DD.WaitForVerticalBlank(1,0)", "Win.GetClientRect(7)",
                                    "Win.ClientToScreen(7)", "S1.Blt({100,200,740,680},S2,{0,0,0,0},0x1000000)"));
    EXPECT_EQ(dd->FlipClipList[0], (RECT{100, 200, 740, 680}));

    // The destination is fetched again every time; a failing query keeps the
    // previous one, and the rest still runs.
    st.clip = RECT{5, 6, 645, 486};
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({5,6,645,486},S2,{0,0,0,0},0x1000000)"));
    st.FailOn("GetClipList", status::DDERR_NOCLIPLIST);
    st.FailOn("WaitForVerticalBlank", status::E_FAIL);
    st.clip = RECT{0, 0, 1, 1};
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({5,6,645,486},S2,{0,0,0,0},0x1000000)"));
    EXPECT_EQ(dd->FlipClipList[0], (RECT{5, 6, 645, 486}));
}

// The client area of the 640 x 480 display lies at (54, 83). A clip list
// covering only part of it shows the matching part of the back buffer,
// unscaled; the whole of it, the whole back buffer as before.
TEST_F(DrawRec, WindowedFlipOfAPartlyHiddenWindowShowsTheMatchingPart) {
    OpenWindowed();
    st.clip = RECT{54, 83, 500, 563};  // past the right edge
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({54,83,500,563},S2,{0,0,446,480},0x1000000)"));
    st.clip = RECT{100, 83, 694, 400};  // past the left and bottom edges
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({100,83,694,400},S2,{46,0,640,317},0x1000000)"));
    st.clip = RECT{54, 83, 694, 563};
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.log, ElementsAre("Clip.GetClipList(1)", "DD.WaitForVerticalBlank(1,0)", "Win.GetClientRect(7)",
                                    "Win.ClientToScreen(7)", "S1.Blt({54,83,694,563},S2,{0,0,0,0},0x1000000)"));

    // A client area of another size scales: the whole client area is the
    // destination and the clipper cuts it down.
    plat.SetWindowPos(kWnd, 0, 0, 0, 648 + 640, 507 + 480, SWP_NOMOVE);
    st.clip = RECT{54, 83, 1000, 1043};
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({54,83,1334,1043},S2,{0,0,0,0},0x1000000)"));

    // A failing size query does not stop the present: the whole client area.
    st.FailOn("GetSurfaceDesc", status::E_FAIL);
    plat.SetWindowPos(kWnd, 0, 0, 0, 648, 507, SWP_NOMOVE);
    st.clip = RECT{54, 83, 500, 563};
    st.Clear();
    dd->DDFlip();
    EXPECT_THAT(st.Matching("S1.Blt"), ElementsAre("S1.Blt({54,83,694,563},S2,{0,0,0,0},0x1000000)"));
}

TEST_F(DrawRec, FullScreenFlipAndFlipWithoutDisplay) {
    st.Clear();
    dd->DDFlip();  // closed: nothing reaches the platform, nothing raised
    EXPECT_THAT(st.log, IsEmpty());

    OpenFullScreen();
    dd->DDFlip();
    EXPECT_THAT(st.log, ElementsAre("S1.Flip(S2,0x1)"));
}

}  // namespace
}  // namespace vexo::test
