// DXInput: keyboard and joysticks read as one polled snapshot per frame, and
// display names for key codes.
//
//   DXInput in;
//   in.DIKeyBordSetup(hWnd);            // raises on failure
//   in.DIJoyStickSetup(count, hWnd);    // error number of a failed joystick, else 0
//   each frame: in.DIUpdate(); then DIGetKeyState / DIGetX / DIGetY / DIGetButton
//
// Parameters are by reference, as the automation interface passes them; none
// is written back. Text results are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "common/DInput.h"
#include "input/SlotTable.h"

namespace vexo {

class DXInput {
   public:
    // Creates the root object; raises when the platform cannot make one.
    DXInput();
    // Releases every platform object held; runs no close method.
    ~DXInput();
    DXInput(const DXInput&) = delete;
    DXInput& operator=(const DXInput&) = delete;

    // In interface order.

    // The display name of a key code (leading space included), "" for codes
    // without one.
    std::string DirectKeyCodeShow(const uint8_t& DirectKeyCode);
    // Opens the first JoyStickCount attached joysticks into slots 0 and up.
    // Never raises; returns 5, 445, 0x80070015 or 0x80070002 when one of
    // those was the current error after a slot's properties were set, else 0.
    int32_t DIJoyStickSetup(const int32_t& JoyStickCount, const int32_t& hWnd);
    // The button's byte of slot ID's snapshot: 128 while down. Raises 9 for a
    // slot outside the tables or ButtonBit above 31.
    uint8_t DIGetButton(const int32_t& ID, const uint8_t& ButtonBit);
    // -1 below 30000, 1 above 40000, else 0. Raises 9 for a slot outside the tables.
    int32_t DIGetX(const int32_t& ID);
    int32_t DIGetY(const int32_t& ID);
    // Releases the keyboard and joystick objects; keeps the snapshots.
    void DIClose();
    // Takes the snapshot of every device; the first failure's number, or 0.
    // Returns 9 while no joystick tables exist.
    int32_t DIUpdate();
    // Raises the first failure.
    void DIKeyBordSetup(const int32_t& hWnd);
    // 1 while the key is down in the snapshot, else 0.
    int32_t DIGetKeyState(const uint8_t& DirectKeyCode);
    // The number of joysticks attached now. Raises on failure.
    int32_t DIJoyStickCount();

   private:
    int32_t AxisDirection(int32_t value) const;

    Ref<DirectX7> DxRoot;
    Ref<DirectInput> KeyInput;
    Ref<DirectInputDevice> KeyDevice;
    DIKEYBOARDSTATE KeyState;
    SlotTable<Ref<DirectInput>> JoyInput;
    SlotTable<Ref<DirectInputDevice>> JoyDevice;
    SlotTable<DIJOYSTATE> JoyState;
    SlotTable<Ref<DirectInputEnumDevices>> JoyEnum;
    DIPROPLONG JoyDeadZone;
    DIPROPLONG JoySaturation;
    int32_t JoyLast = 0;
};

}  // namespace vexo
