// DXInput as a game uses it: over the default platform that loading the
// platform library installs, with a window made through the host.
#include <gtest/gtest.h>

#include "common/Platform.h"
#include "input/DXInput.h"
#include "platform/input/VirtualInput.h"

namespace vexo {
namespace {

using namespace vexo::plat::input;

TEST(DXInputDefaultPlatform, KeysAndJoystickThroughTheRegisteredFamily) {
    ResetVirtualInput();
    const HWND hwnd = CurrentPlatform().Windows().CreateAppWindow("input", 0, 0, 320, 240, 0);
    ASSERT_NE(hwnd, 0);
    {
        DXInput in;
        in.DIKeyBordSetup(hwnd);
        try {
            in.DIKeyBordSetup(hwnd + 1000);
            ADD_FAILURE() << "a handle that is no window was accepted";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), status::DIERR_HANDLE);
        }
        in.DIKeyBordSetup(hwnd);
        const auto id = AttachVirtualJoystick();
        EXPECT_EQ(in.DIJoyStickCount(), 1);
        EXPECT_EQ(in.DIJoyStickSetup(1, hwnd), 0);
        PressKey(203);
        SetVirtualAxis(id, 0, -1.0);
        SetVirtualButton(id, 0, true);
        in.DIUpdate();
        EXPECT_EQ(in.DIUpdate(), 0);
        EXPECT_EQ(in.DIGetKeyState(203), 1);
        EXPECT_EQ(in.DirectKeyCodeShow(203), " LEFT");
        EXPECT_EQ(in.DIGetX(0), -1);
        EXPECT_EQ(in.DIGetButton(0, 0), 128);
        in.DIClose();
    }
    CurrentPlatform().Windows().DestroyAppWindow(hwnd);
    ResetVirtualInput();
}

}  // namespace
}  // namespace vexo
