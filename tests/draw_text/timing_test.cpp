// FPSCheck, TimeStopper and MouseCursorHide, driven through a host whose
// clock, tick counter and key state the test sets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/support/FakeHost.h"
#include "draw/DX7Draw.h"
#include "platform/display/AsyncKeys.h"
#include "platform/display/Display.h"
#include "platform/input/Input.h"

namespace vexo {
namespace {

class Timing : public ::testing::Test {
protected:
    test::FakeHost host;
    ScopedPlatform scope{host};
    DX7Draw dd;

    // Calls FPSCheck `n` times, expecting 0 from each.
    void Zeros(int n) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(dd.FPSCheck(), 0.0f) << "call " << i;
    }
};

TEST_F(Timing, FpsCheckMeasuresEveryThirtyCallsFromAWholeSecondStamp) {
    host.clock = 1000.4;
    Zeros(30);
    EXPECT_EQ(dd.FpsFrameCount, 30);
    host.log.clear();
    // Call 31 only takes the stamp: one clock reading, rounded.
    EXPECT_EQ(dd.FPSCheck(), 0.0f);
    EXPECT_EQ(host.Matching("Timer").size(), 1u);
    EXPECT_EQ(dd.FpsLastSecond, 1000);
    EXPECT_EQ(dd.FpsFrameCount, 1);
    Zeros(29);
    // Call 61: 30 frames over 0.9 s since the stamp, with one decimal.
    host.clock = 1000.9;
    const float rate = dd.FPSCheck();
    EXPECT_FLOAT_EQ(rate, 33.3f);
    EXPECT_EQ(dd.FpsLastSecond, 1001);
    EXPECT_EQ(dd.FpsFrameCount, 1);

    // Stamps round halves to the even second.
    Zeros(29);
    host.clock = 1002.5;
    EXPECT_FLOAT_EQ(dd.FPSCheck(), 20.0f);  // 30 / 1.5
    EXPECT_EQ(dd.FpsLastSecond, 1002);
    Zeros(29);
    host.clock = 1003.5;
    EXPECT_FLOAT_EQ(dd.FPSCheck(), 20.0f);
    EXPECT_EQ(dd.FpsLastSecond, 1004);

    // Never more than one decimal: 30 / 0.5023 = 59.725...
    Zeros(29);
    host.clock = 1004.5023;
    const float r = dd.FPSCheck();
    EXPECT_FLOAT_EQ(r, 59.7f);
    EXPECT_NEAR(r * 10.0, std::round(r * 10.0), 1e-4);
}

TEST_F(Timing, FpsCheckStaysMeaningfulAcrossMidnight) {
    host.clock = 86399.2;
    Zeros(30);
    dd.FPSCheck();  // stamp 86399
    ASSERT_EQ(dd.FpsLastSecond, 86399);
    Zeros(29);
    // 1.5 s later the clock reads 0.5: still 20 frames per second.
    host.clock = 0.5;
    EXPECT_FLOAT_EQ(dd.FPSCheck(), 20.0f);
    // A stamp of midnight itself is kept as 86400, not as "no stamp yet".
    EXPECT_EQ(dd.FpsLastSecond, 86400);
    Zeros(29);
    host.clock = 1.5;
    EXPECT_FLOAT_EQ(dd.FPSCheck(), 20.0f);
    EXPECT_EQ(dd.FpsLastSecond, 2);
    // A reading just below a rounded-up stamp is the same day: its absolute value.
    Zeros(29);
    host.clock = 1.9;
    EXPECT_FLOAT_EQ(dd.FPSCheck(), 300.0f);  // 30 / |1.9 - 2|
}

TEST_F(Timing, FpsCheckDivisionByZeroGivesZeroAndRestarts) {
    host.clock = 500.0;
    Zeros(31);
    Zeros(29);
    EXPECT_EQ(dd.FPSCheck(), 0.0f);  // the clock reads the stamp exactly
    EXPECT_EQ(dd.FpsLastSecond, 500);
    EXPECT_EQ(dd.FpsFrameCount, 1);
}

TEST_F(Timing, TimeStopperReturnsAtOnceForNothingToWait) {
    for (int32_t t : {0, -5}) {
        host.log.clear();
        dd.TimeStopper(t, VB_TRUE, 27);
        EXPECT_EQ(host.log, (std::vector<std::string>{"Tick", "Tick"})) << t;
    }
}

TEST_F(Timing, TimeStopperWaitsOverTheTickCounterAskingTheKeyEveryRound) {
    host.tick = 5000;
    host.keyState = [](int32_t) -> int16_t { return int16_t(0x8000); };  // every key down
    dd.TimeStopper(100, VB_FALSE, 0);
    // Code 0 ignores every key; no messages processed without the flag.
    EXPECT_EQ(host.doEvents, 0);
    EXPECT_EQ(host.Matching("Key(0)").size(), size_t(host.keyQueries));
    EXPECT_EQ(host.tick - 5000 - 1, 100u) << "returns on the first reading 100 ms after the start";
    EXPECT_EQ(host.keyQueries, 99);

    // With the flag, one message pass per round, after the key query.
    host.log.clear();
    host.keyQueries = 0;
    dd.TimeStopper(10, VB_TRUE, 0);
    EXPECT_EQ(host.doEvents, host.keyQueries);
    ASSERT_GE(host.log.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(host.log.begin(), host.log.begin() + 5),
              (std::vector<std::string>{"Tick", "Tick", "Tick", "Key(0)", "DoEvents"}));
}

TEST_F(Timing, TimeStopperSkipKeyEndsTheWait) {
    int queries = 0;
    host.keyState = [&](int32_t vk) -> int16_t { return vk == 27 && ++queries >= 5 ? int16_t(1) : int16_t(0); };
    dd.TimeStopper(100000, VB_TRUE, 27);
    EXPECT_EQ(queries, 5);
    EXPECT_EQ(host.doEvents, 4);
}

TEST_F(Timing, TimeStopperKeepsWaitingRightWhenTheCounterPassesTwoToThe31AndWraps) {
    for (uint32_t start : {0x7FFFFFF0u, 0xFFFFFFF0u}) {
        host.tick = start;
        host.logTicks = false;
        EXPECT_NO_THROW(dd.TimeStopper(100, VB_FALSE, 0)) << start;
        EXPECT_EQ(uint32_t(host.tick - start - 1), 100u) << start;
    }
    // A difference beyond 2^31 is elapsed time, not a negative one.
    host.tick = 10;
    host.tickStep = 0x90000000u;
    host.tickReads = 0;
    dd.TimeStopper(1000, VB_FALSE, 0);
    EXPECT_EQ(host.tickReads, 2);
}

TEST(Cursor, HidesNestAsThePlatformCounts) {
    DX7Draw dd;
    const int32_t start = plat::CursorCount();
    dd.MouseCursorHide(VB_TRUE);
    dd.MouseCursorHide(VB_TRUE);
    dd.MouseCursorHide(VB_FALSE);
    EXPECT_EQ(plat::CursorCount(), start - 1);
    EXPECT_LT(plat::CursorCount(), 0) << "hidden";
    dd.MouseCursorHide(VB_FALSE);
    EXPECT_EQ(plat::CursorCount(), start);
    // Any nonzero value hides.
    dd.MouseCursorHide(1);
    EXPECT_EQ(plat::CursorCount(), start - 1);
    dd.MouseCursorHide(VB_FALSE);
}

// The real platform: the host's key state follows the keyboard, so a pressed
// skip key ends a long wait on the real tick counter.
TEST(HostKeys, SkipKeyPressedOnTheKeyboardEndsTheWait) {
    setenv("VEXO_NO_VSYNC", "1", 1);
    DX7Draw dd;
    constexpr uint8_t kDikEscape = 0x01;
    EXPECT_EQ(plat::AsyncKeyState(27) & 0x8000, 0);
    plat::input::KeyEvent(kDikEscape, true);
    EXPECT_EQ(api::GetAsyncKeyState(27) & 0x8000, 0x8000);
    EXPECT_EQ(plat::AsyncKeyState('A'), 0);
    dd.TimeStopper(600000, VB_FALSE, 27);  // returns at once, not in ten minutes
    plat::input::KeyEvent(kDikEscape, false);
    EXPECT_EQ(api::GetAsyncKeyState(27) & 0x8000, 0);
    // The clock: seconds since midnight with a fraction, the counter moving on.
    const float t = api::Timer();
    EXPECT_GE(t, 0.0f);
    EXPECT_LT(t, 86401.0f);
    const uint32_t a = api::GetTickCount();
    dd.TimeStopper(20);
    EXPECT_GE(uint32_t(api::GetTickCount() - a), 20u);
}

}  // namespace
}  // namespace vexo
