// GetAsyncKeyState over the virtual keyboard and mouse: every virtual key of a
// 105- and a 106-key keyboard, and the mouse buttons, with both bits.
#include <SDL_keyboard.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/display/AsyncKeys.h"
#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

using namespace vexo::plat::input;
using AsyncKeys = RealInputTest;

// A physical key and the virtual keys it holds down.
struct Row {
    SDL_Scancode key;
    std::set<int> vks;
};

const std::vector<Row> kStandard = {
    {SDL_SCANCODE_A, {'A'}}, {SDL_SCANCODE_M, {'M'}}, {SDL_SCANCODE_Z, {'Z'}}, {SDL_SCANCODE_0, {'0'}},
    {SDL_SCANCODE_1, {'1'}}, {SDL_SCANCODE_9, {'9'}}, {SDL_SCANCODE_BACKSPACE, {0x08}}, {SDL_SCANCODE_TAB, {0x09}},
    {SDL_SCANCODE_RETURN, {0x0D}}, {SDL_SCANCODE_KP_ENTER, {0x0D}}, {SDL_SCANCODE_LSHIFT, {0x10, 0xA0}},
    {SDL_SCANCODE_RSHIFT, {0x10, 0xA1}}, {SDL_SCANCODE_LCTRL, {0x11, 0xA2}}, {SDL_SCANCODE_RCTRL, {0x11, 0xA3}},
    {SDL_SCANCODE_LALT, {0x12, 0xA4}}, {SDL_SCANCODE_RALT, {0x12, 0xA5}}, {SDL_SCANCODE_PAUSE, {0x13}},
    {SDL_SCANCODE_CAPSLOCK, {0x14}}, {SDL_SCANCODE_ESCAPE, {0x1B}}, {SDL_SCANCODE_SPACE, {0x20}},
    {SDL_SCANCODE_PAGEUP, {0x21}}, {SDL_SCANCODE_PAGEDOWN, {0x22}}, {SDL_SCANCODE_END, {0x23}},
    {SDL_SCANCODE_HOME, {0x24}}, {SDL_SCANCODE_LEFT, {0x25}}, {SDL_SCANCODE_UP, {0x26}},
    {SDL_SCANCODE_RIGHT, {0x27}}, {SDL_SCANCODE_DOWN, {0x28}}, {SDL_SCANCODE_PRINTSCREEN, {0x2C}},
    {SDL_SCANCODE_INSERT, {0x2D}}, {SDL_SCANCODE_DELETE, {0x2E}}, {SDL_SCANCODE_LGUI, {0x5B}},
    {SDL_SCANCODE_RGUI, {0x5C}}, {SDL_SCANCODE_APPLICATION, {0x5D}}, {SDL_SCANCODE_KP_0, {0x60}},
    {SDL_SCANCODE_KP_5, {0x65}}, {SDL_SCANCODE_KP_9, {0x69}}, {SDL_SCANCODE_KP_MULTIPLY, {0x6A}},
    {SDL_SCANCODE_KP_PLUS, {0x6B}}, {SDL_SCANCODE_KP_MINUS, {0x6D}}, {SDL_SCANCODE_KP_PERIOD, {0x6E}},
    {SDL_SCANCODE_KP_DIVIDE, {0x6F}}, {SDL_SCANCODE_F1, {0x70}}, {SDL_SCANCODE_F10, {0x79}},
    {SDL_SCANCODE_F11, {0x7A}}, {SDL_SCANCODE_F12, {0x7B}}, {SDL_SCANCODE_F13, {0x7C}}, {SDL_SCANCODE_F16, {0x7F}},
    {SDL_SCANCODE_F23, {0x86}}, {SDL_SCANCODE_F24, {0x87}}, {SDL_SCANCODE_NUMLOCKCLEAR, {0x90}},
    {SDL_SCANCODE_SCROLLLOCK, {0x91}}, {SDL_SCANCODE_SEMICOLON, {0xBA}}, {SDL_SCANCODE_EQUALS, {0xBB}},
    {SDL_SCANCODE_COMMA, {0xBC}}, {SDL_SCANCODE_MINUS, {0xBD}}, {SDL_SCANCODE_PERIOD, {0xBE}},
    {SDL_SCANCODE_SLASH, {0xBF}}, {SDL_SCANCODE_GRAVE, {0xC0}}, {SDL_SCANCODE_LEFTBRACKET, {0xDB}},
    {SDL_SCANCODE_BACKSLASH, {0xDC}}, {SDL_SCANCODE_RIGHTBRACKET, {0xDD}}, {SDL_SCANCODE_APOSTROPHE, {0xDE}},
    {SDL_SCANCODE_NONUSBACKSLASH, {0xE2}},
};

// The keys a 106-key keyboard names differently (positions as on a US board).
const std::vector<Row> kJapanese = {
    {SDL_SCANCODE_A, {'A'}}, {SDL_SCANCODE_MINUS, {0xBD}}, {SDL_SCANCODE_EQUALS, {0xDE}},  // ^
    {SDL_SCANCODE_INTERNATIONAL3, {0xDC}},                                                   // yen
    {SDL_SCANCODE_LEFTBRACKET, {0xC0}},                                                      // @
    {SDL_SCANCODE_RIGHTBRACKET, {0xDB}},                                                     // [
    {SDL_SCANCODE_SEMICOLON, {0xBB}}, {SDL_SCANCODE_APOSTROPHE, {0xBA}},                     // ; :
    {SDL_SCANCODE_BACKSLASH, {0xDD}},                                                        // ]
    {SDL_SCANCODE_INTERNATIONAL1, {0xE2}},                                                   // ro
    {SDL_SCANCODE_GRAVE, {0x19, 0xF3, 0xF4}},                                                // Hankaku/Zenkaku
    {SDL_SCANCODE_INTERNATIONAL2, {0x15, 0xF2}},                                             // Katakana/Hiragana
    {SDL_SCANCODE_INTERNATIONAL4, {0x1C}}, {SDL_SCANCODE_INTERNATIONAL5, {0x1D}},            // Henkan, Muhenkan
    {SDL_SCANCODE_CAPSLOCK, {0x14, 0xF0}},                                                   // Eisu
};

// The virtual keys whose state has `bits` set, asking about every code.
std::set<int> With(int bits) {
    std::set<int> out;
    for (int vk = 0; vk < 256; ++vk)
        if ((uint16_t(plat::AsyncKeyState(vk)) & bits) == bits) out.insert(vk);
    return out;
}

// Pressing `press` holds exactly `vks` down; the press is reported once to
// each, and a tap between two asks shows as the press bit alone.
void CheckKey(const std::string& name, const std::set<int>& vks, void (*set)(int, bool), int code) {
    SCOPED_TRACE(name);
    set(code, true);
    std::set<int> first;
    for (int vk : vks) first.insert(uint16_t(plat::AsyncKeyState(vk)));
    EXPECT_EQ(first, std::set<int>{0x8001});
    EXPECT_EQ(With(0x8000), vks) << "exactly these are down";
    EXPECT_EQ(With(1), std::set<int>{}) << "each press reported once";
    set(code, false);
    EXPECT_EQ(With(0x8000), std::set<int>{});
    set(code, true);
    set(code, false);
    EXPECT_EQ(With(1), vks) << "tapped between two asks";
    EXPECT_EQ(With(1), std::set<int>{});
}

void Key(int dik, bool down) { KeyEvent(uint8_t(dik), down); }
void Button(int b, bool down) { MouseButtonEvent(MouseButton(b), down); }

TEST_F(AsyncKeys, EveryKeyAndButtonWithBothBits) {
    EXPECT_EQ(With(0x8000), std::set<int>{});
    EXPECT_EQ(With(1), std::set<int>{});
    for (const Row& r : kStandard) {
        const uint8_t dik = DikFromScancode(r.key, KeyboardLayout::Standard);
        ASSERT_NE(dik, 0) << SDL_GetScancodeName(r.key);
        CheckKey(SDL_GetScancodeName(r.key), r.vks, Key, dik);
    }
    const std::pair<MouseButton, int> buttons[] = {{MouseButton::Left, 1}, {MouseButton::Right, 2},
                                                   {MouseButton::Middle, 4}, {MouseButton::X1, 5},
                                                   {MouseButton::X2, 6}};
    for (auto [b, vk] : buttons) CheckKey("mouse button " + std::to_string(vk), {vk}, Button, int(b));

    SetKeyboardLayout(KeyboardLayout::Japanese106);
    for (const Row& r : kJapanese) {
        const uint8_t dik = DikFromScancode(r.key, KeyboardLayout::Japanese106);
        ASSERT_NE(dik, 0) << SDL_GetScancodeName(r.key);
        CheckKey(std::string("106 keys: ") + SDL_GetScancodeName(r.key), r.vks, Key, dik);
    }
    SetKeyboardLayout(KeyboardLayout::Standard);

    // Out of range codes have no key.
    for (int32_t vk : {-1, 256, 0x10001}) EXPECT_EQ(plat::AsyncKeyState(vk), 0) << vk;
}

TEST_F(AsyncKeys, BackendKeyEventsAndResetCount) {
    // The backend's key events (no key map headless) set both bits as well.
    EXPECT_TRUE(ScancodeEvent(SDL_SCANCODE_F13, true));
    EXPECT_EQ(uint16_t(plat::AsyncKeyState(0x7C)), 0x8001u);
    ReleaseHostKeys();  // the window lost the keyboard
    EXPECT_EQ(plat::AsyncKeyState(0x7C), 0);
    EXPECT_FALSE(IsKeyDown(0x64));
    // A virtual key stays down when the backend's keys are let go; a reset
    // forgets presses not yet asked about.
    PressKey(0x2B);
    ScancodeEvent(SDL_SCANCODE_A, true);
    ReleaseHostKeys();
    EXPECT_TRUE(IsKeyDown(0x2B));
    ResetVirtualInput();
    EXPECT_EQ(plat::AsyncKeyState(0xDC), 0);
    EXPECT_EQ(plat::AsyncKeyState('A'), 0);
}

}  // namespace
}  // namespace vexo::test
