// GetAsyncKeyState over the platform's keyboard and mouse: virtual-key codes
// are mapped to the DirectInput key codes (and mouse buttons) the host's key
// state is kept in. The backend's events are pumped first, so that where the
// keys come from those events the state is live even while the application
// processes no messages (a busy wait asking for a skip key).
#include "platform/display/AsyncKeys.h"

#include <initializer_list>

#include "platform/display/Screen.h"
#include "platform/input/Input.h"

namespace vexo::plat {

namespace {

using input::KeyboardLayout;
using input::MouseButton;
using input::MouseCode;

// The key codes of one virtual key (left and right, main and keypad).
struct Codes {
    int code[3] = {};
    int count = 0;
};

Codes Of(std::initializer_list<int> list) {
    Codes c;
    for (int v : list) c.code[c.count++] = v;
    return c;
}

// The punctuation keys carry the virtual key of the character they print,
// so they differ between layouts.
Codes Punctuation(int32_t vk, bool jp) {
    switch (vk) {
        case 0xBA: return Of({jp ? 0x92 : 0x27});  // ; (: on 106 keys)
        case 0xBB: return Of({jp ? 0x27 : 0x0D});  // = (; on 106 keys)
        case 0xBC: return Of({0x33});              // ,
        case 0xBD: return Of({0x0C});              // -
        case 0xBE: return Of({0x34});              // .
        case 0xBF: return Of({0x35});              // /
        case 0xC0: return Of({jp ? 0x91 : 0x29});  // ` (@ on 106 keys)
        case 0xDB: return Of({0x1A});              // [
        case 0xDC: return Of({jp ? 0x7D : 0x2B});  // \ (yen on 106 keys)
        case 0xDD: return Of({0x1B});              // ]
        case 0xDE: return Of({jp ? 0x90 : 0x28});  // ' (^ on 106 keys)
        case 0xE2: return Of({jp ? 0x73 : 0x56});  // the key left of Z (\ _ on 106 keys)
        default: return {};
    }
}

Codes CodesOf(int32_t vk, KeyboardLayout layout) {
    // Letters and digits: the rows of a standard keyboard.
    static const uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                         0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    static const uint8_t kDigits[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    static const uint8_t kPad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    static const uint8_t kFn[24] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58,
                                    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x76};
    const bool jp = layout == KeyboardLayout::Japanese106;
    if (vk >= 'A' && vk <= 'Z') return Of({kLetters[vk - 'A']});
    if (vk >= '0' && vk <= '9') return Of({kDigits[vk - '0']});
    if (vk >= 0x60 && vk <= 0x69) return Of({kPad[vk - 0x60]});
    if (vk >= 0x70 && vk <= 0x87) return Of({kFn[vk - 0x70]});  // F1 to F24
    switch (vk) {
        case 0x01: return Of({MouseCode(MouseButton::Left)});
        case 0x02: return Of({MouseCode(MouseButton::Right)});
        case 0x04: return Of({MouseCode(MouseButton::Middle)});
        case 0x05: return Of({MouseCode(MouseButton::X1)});
        case 0x06: return Of({MouseCode(MouseButton::X2)});
        case 0x08: return Of({0x0E});        // backspace
        case 0x09: return Of({0x0F});        // tab
        case 0x0D: return Of({0x1C, 0x9C});  // enter, keypad enter
        case 0x10: return Of({0x2A, 0x36});  // shift
        case 0x11: return Of({0x1D, 0x9D});  // control
        case 0x12: return Of({0x38, 0xB8});  // alt
        case 0x13: return Of({0xC5});        // pause
        case 0x14: return Of({0x3A});        // caps lock (Eisu on 106 keys)
        case 0x15: return Of({0x70});        // kana (Katakana/Hiragana)
        case 0x19: return Of({0x94});        // kanji (Hankaku/Zenkaku)
        case 0x1B: return Of({0x01});        // escape
        case 0x1C: return Of({0x79});        // convert (Henkan)
        case 0x1D: return Of({0x7B});        // no convert (Muhenkan)
        case 0x20: return Of({0x39});        // space
        case 0x21: return Of({0xC9});        // page up
        case 0x22: return Of({0xD1});        // page down
        case 0x23: return Of({0xCF});        // end
        case 0x24: return Of({0xC7});        // home
        case 0x25: return Of({0xCB});        // left
        case 0x26: return Of({0xC8});        // up
        case 0x27: return Of({0xCD});        // right
        case 0x28: return Of({0xD0});        // down
        case 0x2C: return Of({0xB7});        // print screen
        case 0x2D: return Of({0xD2});        // insert
        case 0x2E: return Of({0xD3});        // delete
        case 0x5B: return Of({0xDB});        // left Windows
        case 0x5C: return Of({0xDC});        // right Windows
        case 0x5D: return Of({0xDD});        // menu (applications)
        case 0x6A: return Of({0x37});        // keypad *
        case 0x6B: return Of({0x4E});        // keypad +
        case 0x6D: return Of({0x4A});        // keypad -
        case 0x6E: return Of({0x53});        // keypad .
        case 0x6F: return Of({0xB5});        // keypad /
        case 0x90: return Of({0x45});        // num lock
        case 0x91: return Of({0x46});        // scroll lock
        case 0xA0: return Of({0x2A});
        case 0xA1: return Of({0x36});
        case 0xA2: return Of({0x1D});
        case 0xA3: return Of({0x9D});
        case 0xA4: return Of({0x38});
        case 0xA5: return Of({0xB8});
        // A 106-key keyboard without an input method names its own keys.
        case 0xF0: return jp ? Of({0x3A}) : Codes{};  // Eisu
        case 0xF2: return jp ? Of({0x70}) : Codes{};  // Katakana/Hiragana
        case 0xF3:
        case 0xF4: return jp ? Of({0x94}) : Codes{};  // Hankaku/Zenkaku
        default: return Punctuation(vk, jp);
    }
}

}  // namespace

int16_t AsyncKeyState(int32_t vk) {
    const Codes c = CodesOf(vk, input::GetKeyboardLayout());
    if (c.count == 0) return 0;
    Screen().Backend().PumpEvents();
    const input::AsyncKey k = input::TakeAsyncKey(vk, c.code, c.count);
    return int16_t((k.down ? 0x8000 : 0) | (k.pressed ? 1 : 0));
}

}  // namespace vexo::plat
