// Joysticks plugged in and pulled out on another thread, SDL2's virtual ones
// and ours, while the game enumerates, opens and polls them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

using namespace vexo::plat::input;
using InputThreads = RealInputTest;
using Clock = std::chrono::steady_clock;

TEST_F(InputThreads, JoysticksComeAndGoWhileTheGamePolls) {
    SetHostJoysticksEnabled(true);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    auto di = CreateDirectInput();
    const auto stays = AttachVirtualJoystick({"Stays", 2, 4, 0});

    std::atomic<bool> done{false};
    std::thread plugger([&] {
        for (int i = 0; !done; ++i) {
            const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 1);
            if (SDL_Joystick* joy = index >= 0 ? SDL_JoystickOpen(index) : nullptr) {
                SDL_JoystickSetVirtualAxis(joy, 0, Sint16(i * 1000));
                SDL_JoystickSetVirtualButton(joy, 1, Uint8(i % 2));
                SDL_JoystickClose(joy);
            }
            const auto comes = AttachVirtualJoystick({"Comes and goes"});
            SetVirtualAxis(comes, 1, 0.5);
            SetVirtualAxis(stays, 0, i % 2 ? 1.0 : -1.0);
            SetVirtualButton(stays, 3, i % 2);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            DetachVirtualJoystick(comes);
            if (index >= 0) SDL_JoystickDetachVirtual(index);
        }
        SetVirtualAxis(stays, 0, 1.0);
    });

    std::set<std::string> seen;
    const auto until = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < until) {
        auto en = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
        int hosts = 0;
        for (int32_t i = 1; i <= en->GetCount(); ++i) {
            const std::string guid = en->GetItem(i)->GetGuidInstance();
            seen.insert(guid);
            // The other thread has at most one of SDL2's attached at a time.
            hosts += guid.find("-0002-") != std::string::npos;
            EXPECT_LE(hosts, 1) << "one SDL2 joystick listed twice";
            // One pulled out since the enumeration is unknown or lost; never
            // anything else.
            const int32_t e = ErrorOf([&] {
                auto dev = OpenJoystick(di, guid);
                dev->Acquire();
                for (int k = 0; k < 3; ++k) {
                    const DIJOYSTATE s = PollAndRead(dev);
                    EXPECT_TRUE(s.x >= 0 && s.x <= 65535) << s.x;
                }
            });
            EXPECT_TRUE(e == 0 || e == status::DIERR_DEVICENOTREG || e == status::DIERR_INPUTLOST) << e;
        }
    }
    done = true;
    plugger.join();
    // Joysticks really came and went while the game looked.
    EXPECT_GT(seen.size(), 3u);
    auto dev = OpenJoystick(di, VirtualJoystickGuid(stays));
    dev->Acquire();
    EXPECT_EQ(PollAndRead(dev).x, 65535);
    dev = nullptr;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SetHostJoysticksEnabled(false);
}

}  // namespace
}  // namespace vexo::test
