// The key-name table: a display name for each DirectInput key code, the
// empty text for codes without one.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexo {

std::string_view KeyCodeName(uint8_t code);

}  // namespace vexo
