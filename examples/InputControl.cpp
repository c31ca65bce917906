// The player's controls through DXInput: the arrow keys (and Space or Z to
// jump) on the keyboard, the first joystick's stick and button 0 when one is
// attached. A headless run has no keyboard, so a script presses virtual keys
// and tilts a virtual joystick instead.
#include <cstdio>

#include "Game.h"
#include "platform/input/VirtualInput.h"

namespace demo {

namespace {
constexpr uint8_t kEscape = 1, kTab = 15, kM = 50, kZ = 44, kSpace = 57;
constexpr uint8_t kUp = 200, kLeft = 203, kRight = 205, kDown = 208;
namespace vi = vexo::plat::input;
}  // namespace

InputControl::InputControl() = default;
InputControl::~InputControl() { Stop(); }

bool InputControl::Start(vexo::HWND hwnd, bool scripted) {
    scripted_ = scripted;
    if (scripted_) {
        vi::ResetVirtualInput();
        vi::VirtualJoystickDesc pad;
        pad.name = "Demo Pad";
        virtualStick_ = vi::AttachVirtualJoystick(pad);
    }
    try {
        input_.DIKeyBordSetup(static_cast<int32_t>(hwnd));
        // Only the joysticks that are there: an empty slot reads as a stick
        // held up-left.
        joysticks_ = input_.DIJoyStickCount();
        if (joysticks_ > 1) joysticks_ = 1;
    } catch (const vexo::VbError& e) {
        std::fprintf(stderr, "input: keyboard set-up failed (%d)\n", e.number());
        return false;
    }
    const int32_t hw = static_cast<int32_t>(hwnd);
    const int32_t result = input_.DIJoyStickSetup(joysticks_, hw);
    if (result != 0) std::fprintf(stderr, "input: joystick set-up reported %d\n", result);
    std::printf("input: keyboard ready, %d joystick(s)\n", joysticks_);
    return true;
}

void InputControl::Script(int f, int n) {
    // Run right, jump twice (the second press flaps in the air), stop, then
    // turn left for the last frames, so the picture shows the fox moved and
    // mirrored and names the last key.
    const int jump1 = n / 2, jump2 = jump1 + 6, turn = n - 3;
    if (f == 0) vi::PressKey(kRight);
    if (f == jump1 || f == jump2) vi::PressKey(kSpace);
    if (f == jump1 + 1 || f == jump2 + 1) vi::ReleaseKey(kSpace);
    if (f == turn) {
        vi::ReleaseKey(kRight);
        vi::PressKey(kLeft);
    }
    if (f == turn + 1) vi::ReleaseKey(kLeft);
    // Through the middle third the joystick runs the fox instead of the key.
    if (virtualStick_ >= 0) {
        if (f == n / 3) {
            vi::ReleaseKey(kRight);
            vi::SetVirtualAxis(virtualStick_, 0, 1.0);
        }
        if (f == (2 * n) / 3) {
            vi::SetVirtualAxis(virtualStick_, 0, 0.0);
            if (f < turn) vi::PressKey(kRight);
        }
    }
}

Controls InputControl::Frame(int sceneFrame, int sceneFrames) {
    if (scripted_) Script(sceneFrame, sceneFrames);
    Controls c;
    // 9 until the joystick tables exist; they do after the set-up above.
    input_.DIUpdate();
    uint8_t now[256] = {};
    for (int k = 1; k < 256; ++k) {
        const uint8_t code = static_cast<uint8_t>(k);
        now[k] = static_cast<uint8_t>(input_.DIGetKeyState(code));
        if (now[k] && !prev_[k]) {
            const std::string name = input_.DirectKeyCodeShow(code);
            if (!name.empty()) lastKey_ = name;
        }
    }
    auto pressed = [&](uint8_t k) { return now[k] && !prev_[k]; };
    c.dx = (now[kRight] ? 1 : 0) - (now[kLeft] ? 1 : 0);
    c.dy = (now[kDown] ? 1 : 0) - (now[kUp] ? 1 : 0);
    c.jump = pressed(kSpace) || pressed(kZ) || pressed(kUp);
    c.nextScene = pressed(kTab);
    c.toggleMusic = pressed(kM);
    c.quit = now[kEscape] != 0;
    try {
        for (int32_t id = 0; id < joysticks_; ++id) {
            if (c.dx == 0) c.dx = input_.DIGetX(id);
            if (c.dy == 0) c.dy = input_.DIGetY(id);
            const bool button = input_.DIGetButton(id, 0) != 0;
            if (button && !buttonWas_) {
                c.jump = true;
                lastKey_ = " JOYSTICK BUTTON 1";
            }
            buttonWas_ = button;
        }
    } catch (const vexo::VbError&) {
        // Unplugged: keep playing with the keyboard.
        joysticks_ = 0;
    }
    for (int k = 0; k < 256; ++k) prev_[k] = now[k];
    c.lastKey = lastKey_;
    return c;
}

void InputControl::Stop() {
    input_.DIClose();
    if (scripted_) {
        vi::ResetVirtualInput();
        scripted_ = false;
    }
}

}  // namespace demo
