// The host's asynchronous key state (GetAsyncKeyState).
#pragma once

#include <cstdint>

namespace vexo::plat {

// Virtual-key code `vk`: 0x8000 set while the key is down, bit 0 set when
// the key went down since the previous query of that code; 0 for codes with
// no key on the keyboard, such as the mouse buttons.
int16_t AsyncKeyState(int32_t vk);

// A real keyboard's key `dik` (DirectInput code) went down: remembered for
// the "pressed since the previous query" bit even when it is up again.
void NoteKeyPressed(uint8_t dik);

}  // namespace vexo::plat
