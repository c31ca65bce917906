// GetAsyncKeyState over the platform's keyboard: virtual-key codes are
// mapped to the DirectInput key codes the keyboard state is kept in. The
// backend's events are pumped first, so the state is live even while the
// application processes no messages (a busy wait asking for a skip key).
#include "platform/display/AsyncKeys.h"

#include <array>
#include <initializer_list>

#include "platform/display/Screen.h"
#include "platform/input/Input.h"

namespace vexo::plat {

namespace {

// DirectInput key codes of one virtual key (up to two: left and right).
struct KeyCodes {
    uint8_t a = 0, b = 0;
};

KeyCodes CodesOf(int32_t vk) {
    // Letters and digits: the rows of a standard keyboard.
    static const uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                         0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    static const uint8_t kDigits[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    static const uint8_t kPad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    static const uint8_t kFn[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58};
    if (vk >= 'A' && vk <= 'Z') return {kLetters[vk - 'A']};
    if (vk >= '0' && vk <= '9') return {kDigits[vk - '0']};
    if (vk >= 0x60 && vk <= 0x69) return {kPad[vk - 0x60]};
    if (vk >= 0x70 && vk <= 0x7B) return {kFn[vk - 0x70]};
    switch (vk) {
        case 0x08: return {0x0E};        // backspace
        case 0x09: return {0x0F};        // tab
        case 0x0D: return {0x1C, 0x9C};  // enter, keypad enter
        case 0x10: return {0x2A, 0x36};  // shift
        case 0x11: return {0x1D, 0x9D};  // control
        case 0x12: return {0x38, 0xB8};  // alt
        case 0x13: return {0xC5};        // pause
        case 0x14: return {0x3A};        // caps lock
        case 0x1B: return {0x01};        // escape
        case 0x20: return {0x39};        // space
        case 0x21: return {0xC9};        // page up
        case 0x22: return {0xD1};        // page down
        case 0x23: return {0xCF};        // end
        case 0x24: return {0xC7};        // home
        case 0x25: return {0xCB};        // left
        case 0x26: return {0xC8};        // up
        case 0x27: return {0xCD};        // right
        case 0x28: return {0xD0};        // down
        case 0x2D: return {0xD2};        // insert
        case 0x2E: return {0xD3};        // delete
        case 0x6A: return {0x37};        // keypad *
        case 0x6B: return {0x4E};        // keypad +
        case 0x6D: return {0x4A};        // keypad -
        case 0x6E: return {0x53};        // keypad .
        case 0x6F: return {0xB5};        // keypad /
        case 0xA0: return {0x2A};
        case 0xA1: return {0x36};
        case 0xA2: return {0x1D};
        case 0xA3: return {0x9D};
        case 0xA4: return {0x38};
        case 0xA5: return {0xB8};
        default: return {};
    }
}

std::array<bool, 256> g_pressed{};

}  // namespace

void NoteKeyPressed(uint8_t dik) {
    if (dik) g_pressed[dik] = true;
}

int16_t AsyncKeyState(int32_t vk) {
    const KeyCodes k = CodesOf(vk);
    if (!k.a) return 0;
    Screen().Backend().PumpEvents();
    const bool down = input::IsKeyDown(k.a) || (k.b && input::IsKeyDown(k.b));
    const bool pressed = g_pressed[k.a] || g_pressed[k.b];
    g_pressed[k.a] = g_pressed[k.b] = false;
    return int16_t((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

}  // namespace vexo::plat
