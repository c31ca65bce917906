/// @file
/// The input platform's side doors: the DirectInput objects it hands out, the
/// process-wide keyboard that a backend's event pump feeds, the mapping from
/// SDL2 scancodes to DirectInput key codes, and the switch for the host's
/// joysticks.
#pragma once

#include <cstdint>

#include "common/DInput.h"

namespace vexo::plat::input {

/// A new DirectInput object, the one DirectX7::DirectInputCreate returns.
Ref<DirectInput> CreateDirectInput();

// --- Keyboard and mouse buttons ----------------------------------------------
/// Every keyboard device reads one state: the virtual keyboard's keys
/// (KeyEvent) together with the host's. The host's keys come from the window
/// system's own key map, read at each request, when there is one (X11, unless
/// the backend is headless); otherwise from the backend's key events.

/// Virtual key `dik` (a DirectInput key code, 1 to 255) went down or up.
void KeyEvent(uint8_t dik, bool down);
/// Lets go of every virtual key and mouse button and forgets the presses not
/// yet reported.
void ReleaseAllKeys();
/// Down now, in either source.
bool IsKeyDown(uint8_t dik);

/// The mouse buttons the host's key state carries.
enum class MouseButton { Left, Right, Middle, X1, X2 };
inline constexpr int kMouseButtons = 5;  ///< how many MouseButton values there are
/// A virtual mouse button went down or up.
void MouseButtonEvent(MouseButton button, bool down);

/// Key codes of the host's key state: DirectInput key codes 0 to 255, then
/// the mouse buttons.
inline constexpr int kMouseCodeBase = 256;
/// How many codes the host's key state has.
inline constexpr int kHostCodes = kMouseCodeBase + kMouseButtons;
/// The host key-state code of mouse button `b`.
inline constexpr int MouseCode(MouseButton b) { return kMouseCodeBase + int(b); }

/// What GetAsyncKeyState reports for virtual key `vk` (0 to 255) carried by
/// any of `codes` (values of the host's key state, 0 ignored): down now, and
/// pressed since the previous ask about `vk`.
struct AsyncKey {
    bool down = false;     ///< down now
    bool pressed = false;  ///< pressed since the previous ask
};
/// Reads virtual key `vk` as described above, and starts a new "pressed since".
AsyncKey TakeAsyncKey(int32_t vk, const int* codes, int count);

/// The backend's key events (SDL); they count only while no key map is read.
void HostKeyEvent(uint8_t dik, bool down);
/// The backend's window lost the keyboard: its events will not say which keys
/// go up.
void ReleaseHostKeys();

/// Japanese106 reports the keys of a Japanese 106/109-key keyboard under their
/// own codes (^ @ : and the half-width/full-width key); Standard reports the
/// positions of a 101/102/105-key keyboard.
enum class KeyboardLayout { Standard, Japanese106 };
/// Chooses the layout key codes are reported in (Standard by default).
void SetKeyboardLayout(KeyboardLayout layout);
/// The layout in force.
KeyboardLayout GetKeyboardLayout();

/// The DirectInput key code of an SDL_Scancode value, 0 for a key without one.
uint8_t DikFromScancode(int sdlScancode, KeyboardLayout layout);
uint8_t DikFromScancode(int sdlScancode);  ///< in the current layout
/// The DirectInput key code of a Linux input (evdev) key code, as X11
/// servers report keys (X key code - 8); 0 for a key without one.
uint8_t DikFromEvdev(int evdevCode, KeyboardLayout layout);
/// HostKeyEvent for an SDL key event; false when the key has no code.
bool ScancodeEvent(int sdlScancode, bool down);

// --- Host joysticks ------------------------------------------------------------
/// Joysticks of SDL2's joystick subsystem are offered unless the backend is
/// headless (VEXO_BACKEND=headless, or no display and no backend forced).
/// Virtual joysticks (VirtualInput.h) are offered in every case.
void SetHostJoysticksEnabled(bool enabled);
/// Whether the host's joysticks are offered.
bool HostJoysticksEnabled();

}  // namespace vexo::plat::input
