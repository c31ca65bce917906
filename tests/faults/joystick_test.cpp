// Joysticks unplugged during DIJoyStickSetup itself, through SDL2's virtual
// joysticks: between the listing and the opening, and while the device
// reads what the stick has. The slot stays empty, and the next set-up works.
#include <SDL.h>

#include "common/FaultPoint.h"
#include "input/DXInput.h"
#include "platform/input/Input.h"
#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

class JoystickUnplugged : public RealInputTest {
protected:
    void SetUp() override {
        RealInputTest::SetUp();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        plat::input::SetHostJoysticksEnabled(true);
    }
    void TearDown() override {
        for (int i = SDL_NumJoysticks() - 1; i >= 0; --i)
            if (SDL_JoystickIsVirtual(i)) SDL_JoystickDetachVirtual(i);
        plat::input::SetHostJoysticksEnabled(false);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        RealInputTest::TearDown();
    }
    // A pad with two axes and four buttons; its SDL2 instance identifier.
    SDL_JoystickID Attach() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        return SDL_JoystickGetDeviceInstanceID(index);
    }
    static void Detach(SDL_JoystickID id) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    // Holds button 0 of `id` down and tells whether slot `slot` sees it.
    static bool SlotFollows(DXInput& in, int32_t slot, SDL_JoystickID id) {
        SDL_Joystick* joy = SDL_JoystickFromInstanceID(id);
        if (!joy) return false;
        SDL_JoystickSetVirtualButton(joy, 0, 1);
        in.DIUpdate();  // an update returns what the poll before it gathered
        in.DIUpdate();
        const bool down = in.DIGetButton(slot, 0) == 128;
        SDL_JoystickSetVirtualButton(joy, 0, 0);
        return down;
    }
};

TEST_F(JoystickUnplugged, BetweenListingAndOpening) {
    const SDL_JoystickID a = Attach(), b = Attach();
    DXInput in;
    int32_t two = 2, one = 1;
    {
        // The first stick goes as the scan is about to open it: the second
        // moves to its index and must not be taken for it.
        bool done = false;
        fault::Armed unplug(fault::Point::JoystickOpen, [&] {
            if (!done) Detach(a);
            done = true;
            return false;
        });
        EXPECT_EQ(in.DIJoyStickSetup(two, kWindow), 0);
    }
    // One stick left for two slots: the second stays empty, which an
    // update skips (a device of a stick that is gone would fail it).
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_TRUE(SlotFollows(in, 0, b));
    EXPECT_EQ(in.DIGetButton(1, 0), 0);
    EXPECT_EQ(in.DIJoyStickCount(), 1);

    // A new stick, and a new set-up: both slots work.
    const SDL_JoystickID c = Attach();
    EXPECT_EQ(in.DIJoyStickSetup(two, kWindow), 0);
    EXPECT_TRUE(SlotFollows(in, 0, b));
    EXPECT_TRUE(SlotFollows(in, 1, c));
    EXPECT_EQ(in.DIJoyStickSetup(one, kWindow), 0);
    EXPECT_TRUE(SlotFollows(in, 0, b));
}

TEST_F(JoystickUnplugged, WhileItsObjectsAreRead) {
    const SDL_JoystickID a = Attach();
    DXInput in;
    int32_t one = 1;
    {
        fault::Armed unplug(fault::Point::JoystickCaps, [&] { return Detach(a), false; });
        EXPECT_EQ(in.DIJoyStickSetup(one, kWindow), 0);
    }
    // No device of a stick that is gone: the slot is as if none was there,
    // and an update skips it.
    EXPECT_EQ(in.DIUpdate(), 0);
    EXPECT_EQ(in.DIGetX(0), -1);
    EXPECT_EQ(in.DIGetButton(0, 0), 0);

    const SDL_JoystickID b = Attach();
    EXPECT_EQ(in.DIJoyStickSetup(one, kWindow), 0);
    EXPECT_EQ(in.DIGetX(0), 0);
    EXPECT_TRUE(SlotFollows(in, 0, b));
}

}  // namespace
}  // namespace vexo::test
