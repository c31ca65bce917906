// The input platform's side doors: the DirectInput objects it hands out, the
// process-wide keyboard that a backend's event pump feeds, the mapping from
// SDL2 scancodes to DirectInput key codes, and the switch for the host's
// joysticks.
#pragma once

#include <cstdint>

#include "common/DInput.h"

namespace vexo::plat::input {

// A new DirectInput object, the one DirectX7::DirectInputCreate returns.
Ref<DirectInput> CreateDirectInput();

// --- Keyboard ----------------------------------------------------------------
// Key `dik` (a DirectInput key code, 1 to 255) went down or up. Every keyboard
// device reads this one state.
void KeyEvent(uint8_t dik, bool down);
// Lets go of every key, e.g. when the window loses the keyboard.
void ReleaseAllKeys();
bool IsKeyDown(uint8_t dik);

// Japanese106 reports the keys of a Japanese 106/109-key keyboard under their
// own codes (^ @ : and the half-width/full-width key); Standard reports the
// positions of a 101/102/105-key keyboard.
enum class KeyboardLayout { Standard, Japanese106 };
void SetKeyboardLayout(KeyboardLayout layout);
KeyboardLayout GetKeyboardLayout();

// The DirectInput key code of an SDL_Scancode value, 0 for a key without one.
uint8_t DikFromScancode(int sdlScancode, KeyboardLayout layout);
uint8_t DikFromScancode(int sdlScancode);  // in the current layout
// KeyEvent for an SDL key event; false when the key has no code.
bool ScancodeEvent(int sdlScancode, bool down);

// --- Host joysticks ------------------------------------------------------------
// Joysticks of SDL2's joystick subsystem are offered unless the backend is
// headless (VEXO_BACKEND=headless, or no display and no backend forced).
// Virtual joysticks (VirtualInput.h) are offered in every case.
void SetHostJoysticksEnabled(bool enabled);
bool HostJoysticksEnabled();

}  // namespace vexo::plat::input
