/// @file
/// Virtual keyboard and joysticks for tests and scripted demos. They appear to
/// the components exactly as real devices do: keys in every keyboard device,
/// joysticks in enumerations (after every joystick attached before them) until
/// detached.
#pragma once

#include <cstdint>
#include <string>

#include "platform/input/Input.h"

namespace vexo::plat::input {

/// Presses virtual key `dik` (a DirectInput key code).
inline void PressKey(uint8_t dik) { KeyEvent(dik, true); }
/// Lets go of virtual key `dik`.
inline void ReleaseKey(uint8_t dik) { KeyEvent(dik, false); }
/// Presses a virtual mouse button.
inline void PressMouseButton(MouseButton b) { MouseButtonEvent(b, true); }
/// Lets go of a virtual mouse button.
inline void ReleaseMouseButton(MouseButton b) { MouseButtonEvent(b, false); }

/// What a virtual joystick offers.
struct VirtualJoystickDesc {
    std::string name = "Virtual Joystick";  ///< the product and instance name enumerations report
    int axes = 2;  ///< X, Y, Z, RX, RY, RZ, slider 0, slider 1 in that order; up to 8
    int buttons = 8;  ///< up to 32
    int povs = 0;  ///< up to 4
};

/// Names an attached virtual joystick.
using VirtualJoystickId = int32_t;

/// Plugs a joystick in; its axes rest at the centre, buttons up, POVs centred.
VirtualJoystickId AttachVirtualJoystick(const VirtualJoystickDesc& desc = {});
/// Unplugs it: devices made on it fail from their next call on. False for an
/// unknown or already detached id.
bool DetachVirtualJoystick(VirtualJoystickId id);
/// Sets the physical deflection of an axis (0-based, in the order of
/// VirtualJoystickDesc::axes), -1 to 1 (clamped), 0 at rest.
bool SetVirtualAxis(VirtualJoystickId id, int axis, double position);
/// Presses (`down`) or lets go of a button, 0-based; false for an unknown id or button.
bool SetVirtualButton(VirtualJoystickId id, int button, bool down);
/// Hundredths of a degree clockwise from north, or -1 for centred.
bool SetVirtualPov(VirtualJoystickId id, int pov, int32_t value);
/// The instance identifier enumerations report for it ("" when unknown).
std::string VirtualJoystickGuid(VirtualJoystickId id);

/// Detaches every virtual joystick and lets go of every key and button.
void ResetVirtualInput();

}  // namespace vexo::plat::input
