// SDL2 scancodes (USB HID usages, named after the US positions) to
// DirectInput key codes (set-1 scan codes, +0x80 for the extended keys).
#include <SDL_scancode.h>

#include <array>

#include "platform/input/Input.h"

namespace vexo::plat::input {

namespace {

using Table = std::array<uint8_t, SDL_NUM_SCANCODES>;

constexpr Table MakeStandard() {
    Table t{};
    // Letters
    const uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                 0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = letters[i];
    // Digit row: 1..9 then 0
    for (int i = 0; i < 10; ++i) t[SDL_SCANCODE_1 + i] = uint8_t(0x02 + i);
    t[SDL_SCANCODE_RETURN] = 0x1C;
    t[SDL_SCANCODE_ESCAPE] = 0x01;
    t[SDL_SCANCODE_BACKSPACE] = 0x0E;
    t[SDL_SCANCODE_TAB] = 0x0F;
    t[SDL_SCANCODE_SPACE] = 0x39;
    t[SDL_SCANCODE_MINUS] = 0x0C;
    t[SDL_SCANCODE_EQUALS] = 0x0D;
    t[SDL_SCANCODE_LEFTBRACKET] = 0x1A;
    t[SDL_SCANCODE_RIGHTBRACKET] = 0x1B;
    t[SDL_SCANCODE_BACKSLASH] = 0x2B;
    t[SDL_SCANCODE_NONUSHASH] = 0x2B;  // the ISO key left of Return shares the position
    t[SDL_SCANCODE_SEMICOLON] = 0x27;
    t[SDL_SCANCODE_APOSTROPHE] = 0x28;
    t[SDL_SCANCODE_GRAVE] = 0x29;
    t[SDL_SCANCODE_COMMA] = 0x33;
    t[SDL_SCANCODE_PERIOD] = 0x34;
    t[SDL_SCANCODE_SLASH] = 0x35;
    t[SDL_SCANCODE_CAPSLOCK] = 0x3A;
    for (int i = 0; i < 10; ++i) t[SDL_SCANCODE_F1 + i] = uint8_t(0x3B + i);
    t[SDL_SCANCODE_F11] = 0x57;
    t[SDL_SCANCODE_F12] = 0x58;
    t[SDL_SCANCODE_PRINTSCREEN] = 0xB7;
    t[SDL_SCANCODE_SYSREQ] = 0xB7;
    t[SDL_SCANCODE_SCROLLLOCK] = 0x46;
    t[SDL_SCANCODE_PAUSE] = 0xC5;
    t[SDL_SCANCODE_INSERT] = 0xD2;
    t[SDL_SCANCODE_HOME] = 0xC7;
    t[SDL_SCANCODE_PAGEUP] = 0xC9;
    t[SDL_SCANCODE_DELETE] = 0xD3;
    t[SDL_SCANCODE_END] = 0xCF;
    t[SDL_SCANCODE_PAGEDOWN] = 0xD1;
    t[SDL_SCANCODE_RIGHT] = 0xCD;
    t[SDL_SCANCODE_LEFT] = 0xCB;
    t[SDL_SCANCODE_DOWN] = 0xD0;
    t[SDL_SCANCODE_UP] = 0xC8;
    // Keypad
    t[SDL_SCANCODE_NUMLOCKCLEAR] = 0x45;
    t[SDL_SCANCODE_KP_DIVIDE] = 0xB5;
    t[SDL_SCANCODE_KP_MULTIPLY] = 0x37;
    t[SDL_SCANCODE_KP_MINUS] = 0x4A;
    t[SDL_SCANCODE_KP_PLUS] = 0x4E;
    t[SDL_SCANCODE_KP_ENTER] = 0x9C;
    t[SDL_SCANCODE_KP_1] = 0x4F;
    t[SDL_SCANCODE_KP_2] = 0x50;
    t[SDL_SCANCODE_KP_3] = 0x51;
    t[SDL_SCANCODE_KP_4] = 0x4B;
    t[SDL_SCANCODE_KP_5] = 0x4C;
    t[SDL_SCANCODE_KP_6] = 0x4D;
    t[SDL_SCANCODE_KP_7] = 0x47;
    t[SDL_SCANCODE_KP_8] = 0x48;
    t[SDL_SCANCODE_KP_9] = 0x49;
    t[SDL_SCANCODE_KP_0] = 0x52;
    t[SDL_SCANCODE_KP_PERIOD] = 0x53;
    t[SDL_SCANCODE_KP_EQUALS] = 0x8D;
    t[SDL_SCANCODE_KP_COMMA] = 0xB3;
    // The 102nd key of ISO keyboards, between left Shift and Z
    t[SDL_SCANCODE_NONUSBACKSLASH] = 0x56;
    t[SDL_SCANCODE_APPLICATION] = 0xDD;
    t[SDL_SCANCODE_POWER] = 0xDE;
    t[SDL_SCANCODE_F13] = 0x64;
    t[SDL_SCANCODE_F14] = 0x65;
    t[SDL_SCANCODE_F15] = 0x66;
    for (int i = 0; i < 8; ++i) t[SDL_SCANCODE_F16 + i] = uint8_t(0x67 + i);  // F16..F23
    t[SDL_SCANCODE_F24] = 0x76;
    // Modifiers
    t[SDL_SCANCODE_LCTRL] = 0x1D;
    t[SDL_SCANCODE_LSHIFT] = 0x2A;
    t[SDL_SCANCODE_LALT] = 0x38;
    t[SDL_SCANCODE_LGUI] = 0xDB;
    t[SDL_SCANCODE_RCTRL] = 0x9D;
    t[SDL_SCANCODE_RSHIFT] = 0x36;
    t[SDL_SCANCODE_RALT] = 0xB8;
    t[SDL_SCANCODE_RGUI] = 0xDC;
    // Asian keyboards
    t[SDL_SCANCODE_INTERNATIONAL1] = 0x73;  // Ro (\ _)
    t[SDL_SCANCODE_INTERNATIONAL2] = 0x70;  // Katakana/Hiragana
    t[SDL_SCANCODE_INTERNATIONAL3] = 0x7D;  // Yen
    t[SDL_SCANCODE_INTERNATIONAL4] = 0x79;  // Henkan (convert)
    t[SDL_SCANCODE_INTERNATIONAL5] = 0x7B;  // Muhenkan (no convert)
    t[SDL_SCANCODE_INTERNATIONAL6] = 0x5C;  // keypad comma of PC-98 keyboards
    t[SDL_SCANCODE_LANG1] = 0xF2;           // Hangul/English
    t[SDL_SCANCODE_LANG2] = 0xF1;           // Hanja
    t[SDL_SCANCODE_LANG3] = 0x78;           // Katakana
    t[SDL_SCANCODE_LANG4] = 0x77;           // Hiragana
    t[SDL_SCANCODE_LANG5] = 0x76;           // Zenkaku/Hankaku
    // Media and browser keys
    t[SDL_SCANCODE_MUTE] = 0xA0;
    t[SDL_SCANCODE_AUDIOMUTE] = 0xA0;
    t[SDL_SCANCODE_VOLUMEUP] = 0xB0;
    t[SDL_SCANCODE_VOLUMEDOWN] = 0xAE;
    t[SDL_SCANCODE_AUDIONEXT] = 0x99;
    t[SDL_SCANCODE_AUDIOPREV] = 0x90;
    t[SDL_SCANCODE_AUDIOSTOP] = 0xA4;
    t[SDL_SCANCODE_AUDIOPLAY] = 0xA2;
    t[SDL_SCANCODE_MEDIASELECT] = 0xED;
    t[SDL_SCANCODE_MAIL] = 0xEC;
    t[SDL_SCANCODE_CALCULATOR] = 0xA1;
    t[SDL_SCANCODE_COMPUTER] = 0xEB;
    t[SDL_SCANCODE_AC_SEARCH] = 0xE5;
    t[SDL_SCANCODE_AC_HOME] = 0xB2;
    t[SDL_SCANCODE_AC_BACK] = 0xEA;
    t[SDL_SCANCODE_AC_FORWARD] = 0xE9;
    t[SDL_SCANCODE_AC_STOP] = 0xE8;
    t[SDL_SCANCODE_AC_REFRESH] = 0xE7;
    t[SDL_SCANCODE_AC_BOOKMARKS] = 0xE6;
    t[SDL_SCANCODE_SLEEP] = 0xDF;
    return t;
}

// A Japanese 106/109-key keyboard: the keys right of P and L and the
// half-width/full-width key carry their own codes; the Mac JIS keys beside
// the space bar report the positions they share with Muhenkan and Henkan.
constexpr Table MakeJapanese() {
    Table t = MakeStandard();
    t[SDL_SCANCODE_EQUALS] = 0x90;        // ^
    t[SDL_SCANCODE_LEFTBRACKET] = 0x91;   // @
    t[SDL_SCANCODE_RIGHTBRACKET] = 0x1A;  // [
    t[SDL_SCANCODE_APOSTROPHE] = 0x92;    // :
    t[SDL_SCANCODE_BACKSLASH] = 0x1B;     // ]
    t[SDL_SCANCODE_NONUSHASH] = 0x1B;
    t[SDL_SCANCODE_GRAVE] = 0x94;  // Hankaku/Zenkaku (Kanji)
    t[SDL_SCANCODE_LANG5] = 0x94;
    t[SDL_SCANCODE_LANG1] = 0x79;  // Kana
    t[SDL_SCANCODE_LANG2] = 0x7B;  // Eisu
    return t;
}

constexpr Table kStandard = MakeStandard();
constexpr Table kJapanese = MakeJapanese();

// Linux input (evdev) key codes to SDL2 scancodes, so that the key map of an
// X server (whose key codes are evdev codes + 8) goes through the layouts
// above.
constexpr int kEvdevCodes = 256;
using EvdevTable = std::array<uint16_t, kEvdevCodes>;

constexpr EvdevTable MakeEvdev() {
    EvdevTable t{};
    // The main block: evdev codes 1 to 83 follow the keyboard's rows.
    const uint16_t main[84] = {
        0, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_1, SDL_SCANCODE_2, SDL_SCANCODE_3, SDL_SCANCODE_4, SDL_SCANCODE_5,
        SDL_SCANCODE_6, SDL_SCANCODE_7, SDL_SCANCODE_8, SDL_SCANCODE_9, SDL_SCANCODE_0, SDL_SCANCODE_MINUS,
        SDL_SCANCODE_EQUALS, SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_TAB, SDL_SCANCODE_Q, SDL_SCANCODE_W,
        SDL_SCANCODE_E, SDL_SCANCODE_R, SDL_SCANCODE_T, SDL_SCANCODE_Y, SDL_SCANCODE_U, SDL_SCANCODE_I,
        SDL_SCANCODE_O, SDL_SCANCODE_P, SDL_SCANCODE_LEFTBRACKET, SDL_SCANCODE_RIGHTBRACKET, SDL_SCANCODE_RETURN,
        SDL_SCANCODE_LCTRL, SDL_SCANCODE_A, SDL_SCANCODE_S, SDL_SCANCODE_D, SDL_SCANCODE_F, SDL_SCANCODE_G,
        SDL_SCANCODE_H, SDL_SCANCODE_J, SDL_SCANCODE_K, SDL_SCANCODE_L, SDL_SCANCODE_SEMICOLON,
        SDL_SCANCODE_APOSTROPHE, SDL_SCANCODE_GRAVE, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_Z,
        SDL_SCANCODE_X, SDL_SCANCODE_C, SDL_SCANCODE_V, SDL_SCANCODE_B, SDL_SCANCODE_N, SDL_SCANCODE_M,
        SDL_SCANCODE_COMMA, SDL_SCANCODE_PERIOD, SDL_SCANCODE_SLASH, SDL_SCANCODE_RSHIFT, SDL_SCANCODE_KP_MULTIPLY,
        SDL_SCANCODE_LALT, SDL_SCANCODE_SPACE, SDL_SCANCODE_CAPSLOCK, SDL_SCANCODE_F1, SDL_SCANCODE_F2,
        SDL_SCANCODE_F3, SDL_SCANCODE_F4, SDL_SCANCODE_F5, SDL_SCANCODE_F6, SDL_SCANCODE_F7, SDL_SCANCODE_F8,
        SDL_SCANCODE_F9, SDL_SCANCODE_F10, SDL_SCANCODE_NUMLOCKCLEAR, SDL_SCANCODE_SCROLLLOCK, SDL_SCANCODE_KP_7,
        SDL_SCANCODE_KP_8, SDL_SCANCODE_KP_9, SDL_SCANCODE_KP_MINUS, SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5,
        SDL_SCANCODE_KP_6, SDL_SCANCODE_KP_PLUS, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_2, SDL_SCANCODE_KP_3,
        SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_PERIOD};
    for (int i = 0; i < 84; ++i) t[i] = main[i];
    struct Pair {
        uint8_t evdev;
        SDL_Scancode sc;
    };
    const Pair rest[] = {
        {85, SDL_SCANCODE_LANG5},  // Zenkaku/Hankaku
        {86, SDL_SCANCODE_NONUSBACKSLASH},
        {87, SDL_SCANCODE_F11},
        {88, SDL_SCANCODE_F12},
        {89, SDL_SCANCODE_INTERNATIONAL1},  // Ro
        {90, SDL_SCANCODE_LANG3},           // Katakana
        {91, SDL_SCANCODE_LANG4},           // Hiragana
        {92, SDL_SCANCODE_INTERNATIONAL4},  // Henkan
        {93, SDL_SCANCODE_INTERNATIONAL2},  // Katakana/Hiragana
        {94, SDL_SCANCODE_INTERNATIONAL5},  // Muhenkan
        {95, SDL_SCANCODE_INTERNATIONAL6},  // keypad Japanese comma
        {96, SDL_SCANCODE_KP_ENTER},
        {97, SDL_SCANCODE_RCTRL},
        {98, SDL_SCANCODE_KP_DIVIDE},
        {99, SDL_SCANCODE_PRINTSCREEN},
        {100, SDL_SCANCODE_RALT},
        {102, SDL_SCANCODE_HOME},
        {103, SDL_SCANCODE_UP},
        {104, SDL_SCANCODE_PAGEUP},
        {105, SDL_SCANCODE_LEFT},
        {106, SDL_SCANCODE_RIGHT},
        {107, SDL_SCANCODE_END},
        {108, SDL_SCANCODE_DOWN},
        {109, SDL_SCANCODE_PAGEDOWN},
        {110, SDL_SCANCODE_INSERT},
        {111, SDL_SCANCODE_DELETE},
        {113, SDL_SCANCODE_MUTE},
        {114, SDL_SCANCODE_VOLUMEDOWN},
        {115, SDL_SCANCODE_VOLUMEUP},
        {116, SDL_SCANCODE_POWER},
        {117, SDL_SCANCODE_KP_EQUALS},
        {119, SDL_SCANCODE_PAUSE},
        {121, SDL_SCANCODE_KP_COMMA},
        {122, SDL_SCANCODE_LANG1},  // Hangeul
        {123, SDL_SCANCODE_LANG2},  // Hanja
        {124, SDL_SCANCODE_INTERNATIONAL3},  // Yen
        {125, SDL_SCANCODE_LGUI},
        {126, SDL_SCANCODE_RGUI},
        {127, SDL_SCANCODE_APPLICATION},  // Compose, the menu key
        {140, SDL_SCANCODE_CALCULATOR},
        {142, SDL_SCANCODE_SLEEP},
        {155, SDL_SCANCODE_MAIL},
        {156, SDL_SCANCODE_AC_BOOKMARKS},
        {157, SDL_SCANCODE_COMPUTER},
        {158, SDL_SCANCODE_AC_BACK},
        {159, SDL_SCANCODE_AC_FORWARD},
        {163, SDL_SCANCODE_AUDIONEXT},
        {164, SDL_SCANCODE_AUDIOPLAY},
        {165, SDL_SCANCODE_AUDIOPREV},
        {166, SDL_SCANCODE_AUDIOSTOP},
        {172, SDL_SCANCODE_AC_HOME},
        {173, SDL_SCANCODE_AC_REFRESH},
        {217, SDL_SCANCODE_AC_SEARCH},
        {226, SDL_SCANCODE_MEDIASELECT},
    };
    for (const Pair& p : rest) t[p.evdev] = uint16_t(p.sc);
    for (int i = 0; i < 12; ++i) t[183 + i] = uint16_t(SDL_SCANCODE_F13 + i);  // F13..F24
    return t;
}

constexpr EvdevTable kEvdev = MakeEvdev();

}  // namespace

uint8_t DikFromEvdev(int evdevCode, KeyboardLayout layout) {
    if (evdevCode <= 0 || evdevCode >= kEvdevCodes) return 0;
    return DikFromScancode(kEvdev[evdevCode], layout);
}

uint8_t DikFromScancode(int sdlScancode, KeyboardLayout layout) {
    if (sdlScancode < 0 || sdlScancode >= SDL_NUM_SCANCODES) return 0;
    return (layout == KeyboardLayout::Japanese106 ? kJapanese : kStandard)[sdlScancode];
}

}  // namespace vexo::plat::input
