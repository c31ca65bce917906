// The host's asynchronous key state (GetAsyncKeyState).
#pragma once

#include <cstdint>

namespace vexo::plat {

// Virtual-key code `vk`: 0x8000 set while the key is down, bit 0 set when
// the key went down since the previous query of that code; 0 for codes with
// no key on a 105- or 106-key keyboard or a five-button mouse.
int16_t AsyncKeyState(int32_t vk);

}  // namespace vexo::plat
