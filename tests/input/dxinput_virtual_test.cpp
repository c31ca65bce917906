// DXInput end to end over the real input platform, driven by the virtual
// keyboard and joysticks.
#include <gtest/gtest.h>

#include "input/DXInput.h"
#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

using namespace vexo::plat::input;
using DXInputVirtual = RealInputTest;

TEST_F(DXInputVirtual, KeyboardSnapshotBeforeAndAfterJoystickTablesExist) {
    DXInput in;
    for (int c = 0; c < 256; ++c) EXPECT_EQ(in.DIGetKeyState(uint8_t(c)), 0) << c;
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);  // no keyboard, and slot 0 does not exist

    in.DIKeyBordSetup(kWindow);
    PressKey(57);
    PressKey(200);
    EXPECT_EQ(in.DIGetKeyState(57), 0);  // only an update takes the snapshot
    EXPECT_EQ(in.DIUpdate(), ERR_SUBSCRIPT);
    EXPECT_EQ(in.DIGetKeyState(57), 1);  // the platform's 128 reads as 1
    EXPECT_EQ(in.DIGetKeyState(200), 1);
    EXPECT_EQ(in.DIGetKeyState(1), 0);

    ReleaseKey(57);
    EXPECT_EQ(in.DIGetKeyState(57), 1);
    EXPECT_EQ(in.DIJoyStickSetup(0, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), 0);  // JoyLast is -1 now: no slot visited
    EXPECT_EQ(in.DIGetKeyState(57), 0);
    EXPECT_EQ(in.DIGetKeyState(200), 1);
}

TEST_F(DXInputVirtual, JoystickStateIsReadBeforeThePoll) {
    const auto id = AttachVirtualJoystick({"Pad", 2, 32, 0});
    DXInput in;
    EXPECT_EQ(in.DIJoyStickCount(), 1);
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    EXPECT_EQ(platform.st->doEvents, 2);
    EXPECT_EQ(in.DIGetX(0), 0);  // at rest: 32767, inside the zero band
    EXPECT_EQ(in.DIGetY(0), 0);

    SetVirtualAxis(id, 0, 1.0);
    SetVirtualAxis(id, 1, -1.0);
    SetVirtualButton(id, 31, true);
    EXPECT_EQ(in.DIUpdate(), 0);
    // This update returned what the set-up's poll gathered.
    EXPECT_EQ(in.DIGetX(0), 0);
    EXPECT_EQ(in.DIGetButton(0, 31), 0);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), 1);
    EXPECT_EQ(in.DIGetY(0), -1);
    EXPECT_EQ(in.DIGetButton(0, 31), 128);  // the raw byte, not 1

    EXPECT_EQ(ErrorOf([&] { in.DIGetButton(0, 32); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { in.DIGetX(-1); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { in.DIGetX(1); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { in.DIGetY(1); }), ERR_SUBSCRIPT);
}

TEST_F(DXInputVirtual, DirectionThresholdsOnBothAxes) {
    const auto id = AttachVirtualJoystick();
    DXInput in;
    ASSERT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    const std::pair<int32_t, int32_t> cases[] = {{29999, -1}, {30000, 0}, {32767, 0}, {40000, 0}, {40001, 1}};
    for (int axis = 0; axis < 2; ++axis) {
        for (auto [logical, expected] : cases) {
            SetVirtualAxis(id, axis, PositionFor(logical));
            SetVirtualAxis(id, 1 - axis, 0.0);
            in.DIUpdate();
            ASSERT_EQ(in.DIUpdate(), 0);
            EXPECT_EQ(axis == 0 ? in.DIGetX(0) : in.DIGetY(0), expected)
                << "axis " << axis << " at " << logical;
            EXPECT_EQ(axis == 0 ? in.DIGetY(0) : in.DIGetX(0), 0);
        }
    }
}

TEST_F(DXInputVirtual, FewerJoysticksThanAskedLeaveZeroSlots) {
    const auto id = AttachVirtualJoystick();
    DXInput in;
    EXPECT_EQ(in.DIJoyStickSetup(2, kWindow), 0);
    EXPECT_EQ(in.DIGetX(1), -1);
    EXPECT_EQ(in.DIGetY(1), -1);
    EXPECT_EQ(in.DIGetButton(1, 0), 0);
    SetVirtualButton(id, 0, true);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetButton(0, 0), 128);
    EXPECT_EQ(in.DIGetButton(1, 0), 0);
}

TEST_F(DXInputVirtual, JoystickUnpluggedDuringPlayFailsItsReads) {
    auto id = AttachVirtualJoystick();
    DXInput in;
    in.DIKeyBordSetup(kWindow);
    ASSERT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    SetVirtualAxis(id, 0, -1.0);
    in.DIUpdate();
    ASSERT_EQ(in.DIUpdate(), 0);
    ASSERT_EQ(in.DIGetX(0), -1);

    DetachVirtualJoystick(id);
    PressKey(1);
    EXPECT_EQ(in.DIUpdate(), status::DIERR_INPUTLOST);
    EXPECT_EQ(in.DIGetKeyState(1), 1);                    // the keyboard is read first
    EXPECT_EQ(in.DIGetX(0), -1);                          // the slot keeps its last snapshot
    EXPECT_EQ(in.DIUpdate(), status::DIERR_NOTACQUIRED);  // lost devices are not acquired again
    EXPECT_EQ(in.DIJoyStickCount(), 0);

    // Setting up again finds nothing, then the joystick plugged back in.
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), -1);  // the new, empty slot reads zero
    id = AttachVirtualJoystick();
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), 0);
}

TEST_F(DXInputVirtual, SecondKeyboardSetupAndCloseKeepTheSnapshot) {
    DXInput in;
    in.DIKeyBordSetup(kWindow);
    in.DIKeyBordSetup(0);  // no window is fine for a shared background device
    EXPECT_EQ(in.DIJoyStickSetup(0, kWindow), 0);
    PressKey(28);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetKeyState(28), 1);

    AttachVirtualJoystick();
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    in.DIClose();
    ReleaseKey(28);
    EXPECT_EQ(in.DIUpdate(), 0);  // tables exist, every device slot empty
    EXPECT_EQ(in.DIGetKeyState(28), 1);
    EXPECT_EQ(in.DIGetX(0), 0);
    // Set-up works again after a close.
    in.DIKeyBordSetup(kWindow);
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), 0);
    PressKey(30);
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetKeyState(30), 1);
    EXPECT_EQ(in.DIGetKeyState(28), 0);
}

TEST_F(DXInputVirtual, WindowHandlesAndShortJoysticks) {
    {
        // The failed set-up keeps the device it made, unacquired: updates
        // stop at the keyboard until a set-up succeeds.
        DXInput kb;
        EXPECT_EQ(ErrorOf([&] { kb.DIKeyBordSetup(777); }), status::DIERR_HANDLE);
        EXPECT_EQ(kb.DIJoyStickSetup(0, kWindow), 0);
        EXPECT_EQ(kb.DIUpdate(), status::DIERR_NOTACQUIRED);
        kb.DIKeyBordSetup(kWindow);
        EXPECT_EQ(kb.DIUpdate(), 0);
    }
    DXInput in;
    // A joystick with no Y axis: its Y properties fail with "object not
    // found", which the set-up reports.
    const auto id = AttachVirtualJoystick({"Paddle", 1, 2, 0});
    EXPECT_EQ(in.DIJoyStickSetup(1, kWindow), status::DIERR_OBJECTNOTFOUND);
    SetVirtualAxis(id, 0, 1.0);
    in.DIUpdate();
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), 1);
    EXPECT_EQ(in.DIGetY(0), -1);  // an axis the joystick lacks reads 0
    // A bad window for the joysticks fails the cooperative level, which is
    // not reported; the device still works at its default level.
    SetVirtualAxis(id, 0, -1.0);
    AttachVirtualJoystick();
    EXPECT_EQ(in.DIJoyStickSetup(2, 777), status::DIERR_OBJECTNOTFOUND);
    in.DIUpdate();
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), -1);
    EXPECT_EQ(in.DIGetX(1), 0);
}

}  // namespace
}  // namespace vexo::test
