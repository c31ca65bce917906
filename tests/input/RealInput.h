// A test platform whose root hands out the real input platform's objects
// (through the input family it registered), over fake window and host
// services. Virtual devices are reset around each test.
#pragma once

#include <gtest/gtest.h>

#include "platform/Families.h"
#include "platform/input/VirtualInput.h"
#include "tests/input/InputFakes.h"

namespace vexo::test {

class RealInputRoot final : public DirectX7 {
   public:
    Ref<DirectInput> DirectInputCreate() override { return plat::RegisteredFamilies().input(); }
};

class RealInputPlatform : public Platform {
   public:
    FakeWindows windows;
    FakeGdi gdi;
    FakeRuntime runtime;
    Ref<DirectX7> CreateDirectX7() override { return Ref<DirectX7>(new RealInputRoot); }
    WindowService& Windows() override { return windows; }
    GdiService& Gdi() override { return gdi; }
    HostRuntime& Runtime() override { return runtime; }
};

class RealInputTest : public ::testing::Test {
   protected:
    void SetUp() override { plat::input::ResetVirtualInput(); }
    void TearDown() override { plat::input::ResetVirtualInput(); }

    RealInputPlatform platform;
    ScopedPlatform scope{platform};
};

inline int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

// The physical deflection that the component's joystick properties (dead
// zone 10 %, saturation 90 %, range 0 to 65535) turn into `logical`.
inline double PositionFor(int32_t logical) {
    if (logical < 32767) return -(0.1 + (32767.0 - logical) / 32767.0 * 0.8);
    if (logical > 32767) return 0.1 + (logical - 32767.0) / 32768.0 * 0.8;
    return 0.0;
}

}  // namespace vexo::test
