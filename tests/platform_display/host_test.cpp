// Windows, the root object's families, the cursor counter, the host
// services and the pacing of the vertical blank.
#include <chrono>
#include <ctime>

#include "DisplayTestUtil.h"

namespace vexo::test {
namespace {

using namespace vexo::status;

class HostTest : public DisplayTest {};

TEST_F(HostTest, WindowsHaveFramesParentsAndMove) {
    const HWND parent = plat::CreateWindow("parent", 100, 50, 200, 100);
    const HWND child = plat::CreateWindow("child", 10, 5, 50, 20, parent);
    ASSERT_NE(child, 0);
    EXPECT_EQ(api::GetParent(child), parent);
    EXPECT_EQ(api::GetParent(parent), 0);
    RECT r;
    api::GetWindowRect(child, r);
    EXPECT_EQ(r, (RECT{114, 78, 172, 125}));  // placed in the parent's client area
    // Size only: the place stays.
    EXPECT_EQ(api::SetWindowPos(child, 0, 999, 999, 68, 37, SWP_NOMOVE | SWP_NOZORDER), 1);
    api::GetWindowRect(child, r);
    EXPECT_EQ(r, (RECT{114, 78, 182, 115}));
    api::GetClientRect(child, r);
    EXPECT_EQ(r, (RECT{0, 0, 60, 10}));
    // Moving the parent takes the child along.
    api::SetWindowPos(parent, 0, 0, 0, 0, 0, SWP_NOSIZE);
    api::GetWindowRect(child, r);
    EXPECT_EQ(r, (RECT{14, 28, 82, 65}));
    // A negative size counts as 0.
    api::SetWindowPos(parent, 0, 0, 0, -5, -5, SWP_NOMOVE);
    api::GetClientRect(parent, r);
    EXPECT_EQ(r, (RECT{0, 0, 0, 0}));
    // The child shows nothing outside its parent's client area.
    auto c = dd->CreateClipper(0);
    c->SetHWnd(child);
    std::vector<RECT> list(1);
    EXPECT_EQ(c->GetClipList(list), 0);
    EXPECT_EQ(plat::CreateWindow("orphan", 0, 0, 10, 10, 12345), 0);
    EXPECT_EQ(plat::CreateWindow("bad", 0, 0, -1, 10), 0);
    plat::DestroyWindow(parent);
    EXPECT_EQ(api::IsWindow(child), 0);
    EXPECT_EQ(api::SetWindowPos(child, 0, 0, 0, 1, 1, 0), 0);
    EXPECT_EQ(api::GetWindowRect(child, r), 0);
}

TEST_F(HostTest, RootCursorAndHostServices) {
    EXPECT_EQ(ErrorOf([&] { root->DirectDrawCreate("{not-a-driver}"); }), plat::st::INVALIDDIRECTDRAWGUID);
    const int32_t start = plat::CursorCount();
    EXPECT_EQ(api::ShowCursor(0), start - 1);
    EXPECT_EQ(api::ShowCursor(0), start - 2);
    EXPECT_EQ(api::ShowCursor(1), start - 1);
    EXPECT_EQ(api::ShowCursor(1), start);

    // Headless the message goes to stderr, its carriage returns as line
    // breaks (CR LF as one), ending in exactly one.
    testing::internal::CaptureStderr();
    EXPECT_EQ(api::MsgBox("headless\rtwo\r\nthree\r", MB_ICONEXCLAMATION, "test"), 1);
    EXPECT_EQ(api::MsgBox("one line", 0, "test"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "test: headless\ntwo\nthree\ntest: one line\n");
    EXPECT_EQ(api::ErrorText(481), "Invalid picture");
    EXPECT_EQ(api::ErrorText(9), "Subscript out of range");
    const float t = api::Timer();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double expect = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    EXPECT_GE(t, 0.0f);
    EXPECT_LT(t, 86400.0f);
    // Within a few seconds of the wall clock (midnight may fall in between).
    EXPECT_TRUE(std::abs(t - expect) < 5.0 || std::abs(t - expect) > 86395.0) << t << " vs " << expect;
    const uint32_t a = api::GetTickCount();
    api::DoEvents();
    const uint32_t b = api::GetTickCount();
    EXPECT_LT(uint32_t(b - a), 1000u);
}

TEST_F(HostTest, VerticalBlankPacesToTheRefresh) {
    unsetenv("VEXO_NO_VSYNC");
    // Each wait ends at the next 1/60 s tick, so four waits span at least
    // three whole periods whatever the phase they start in.
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0), 0);
    const auto spent = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(spent, std::chrono::microseconds(3 * 16666));
    EXPECT_EQ(dd->WaitForVerticalBlank(2, 0), DDERR_UNSUPPORTED);
    setenv("VEXO_NO_VSYNC", "1", 1);
}

}  // namespace
}  // namespace vexo::test
