// Virtual keyboard and joysticks for tests and scripted demos. They appear to
// the components exactly as real devices do: keys in every keyboard device,
// joysticks in enumerations (after every joystick attached before them) until
// detached.
#pragma once

#include <cstdint>
#include <string>

#include "platform/input/Input.h"

namespace vexo::plat::input {

inline void PressKey(uint8_t dik) { KeyEvent(dik, true); }
inline void ReleaseKey(uint8_t dik) { KeyEvent(dik, false); }
inline void PressMouseButton(MouseButton b) { MouseButtonEvent(b, true); }
inline void ReleaseMouseButton(MouseButton b) { MouseButtonEvent(b, false); }

struct VirtualJoystickDesc {
    std::string name = "Virtual Joystick";
    int axes = 2;     // X, Y, Z, RX, RY, RZ, slider 0, slider 1 in that order; up to 8
    int buttons = 8;  // up to 32
    int povs = 0;     // up to 4
};

using VirtualJoystickId = int32_t;

// Plugs a joystick in; its axes rest at the centre, buttons up, POVs centred.
VirtualJoystickId AttachVirtualJoystick(const VirtualJoystickDesc& desc = {});
// Unplugs it: devices made on it fail from their next call on. False for an
// unknown or already detached id.
bool DetachVirtualJoystick(VirtualJoystickId id);
// Physical deflection of an axis, -1 to 1 (clamped), 0 at rest.
bool SetVirtualAxis(VirtualJoystickId id, int axis, double position);
bool SetVirtualButton(VirtualJoystickId id, int button, bool down);
// Hundredths of a degree clockwise from north, or -1 for centred.
bool SetVirtualPov(VirtualJoystickId id, int pov, int32_t value);
// The instance identifier enumerations report for it ("" when unknown).
std::string VirtualJoystickGuid(VirtualJoystickId id);

// Detaches every virtual joystick and lets go of every key and button.
void ResetVirtualInput();

}  // namespace vexo::plat::input
