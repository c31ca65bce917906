// The test platform with the real input platform's objects (through the
// input family it registered) behind its root. Virtual devices are reset
// around each test.
#pragma once

#include <gtest/gtest.h>

#include "platform/Families.h"
#include "platform/input/VirtualInput.h"
#include "tests/support/Checks.h"
#include "tests/support/RecordingPlatform.h"

namespace vexo::test {

inline constexpr HWND kWindow = 0x1234;

class RealInputTest : public ::testing::Test {
   protected:
    void SetUp() override {
        plat::input::ResetVirtualInput();
        platform.AddWindow(kWindow, RECT{0, 0, 640, 480}, 640, 480);
        platform.st->input = plat::RegisteredFamilies().input;
    }
    void TearDown() override { plat::input::ResetVirtualInput(); }

    RecordingPlatform platform;
    ScopedPlatform scope{platform};
};

// A shared background joystick device in the joystick format.
inline Ref<DirectInputDevice> OpenJoystick(const Ref<DirectInput>& di, const std::string& guid) {
    auto dev = di->CreateDevice(guid);
    dev->SetCommonDataFormat(DIFORMAT_JOYSTICK);
    dev->SetCooperativeLevel(kWindow, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    return dev;
}

inline DIJOYSTATE PollAndRead(const Ref<DirectInputDevice>& dev) {
    dev->Poll();
    DIJOYSTATE s;
    dev->GetDeviceStateJoystick(s);
    return s;
}

// The physical deflection that the component's joystick properties (dead
// zone 10 %, saturation 90 %, range 0 to 65535) turn into `logical`.
inline double PositionFor(int32_t logical) {
    if (logical < 32767) return -(0.1 + (32767.0 - logical) / 32767.0 * 0.8);
    if (logical > 32767) return 0.1 + (logical - 32767.0) / 32768.0 * 0.8;
    return 0.0;
}

}  // namespace vexo::test
