// The host's asynchronous key state (GetAsyncKeyState).
#pragma once

#include <cstdint>

namespace vexo::plat {

// Virtual-key code `vk`: 0x8000 set while the key is down, 0 otherwise (and
// for codes with no key on the keyboard, such as the mouse buttons).
int16_t AsyncKeyState(int32_t vk);

}  // namespace vexo::plat
