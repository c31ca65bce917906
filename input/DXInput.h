/// @file
/// DXInput, the input component of the library `VexoDX7Input`.
#pragma once

#include <cstdint>
#include <string>

#include "common/DInput.h"
#include "input/SlotTable.h"

namespace vexo {

/// The input component: the keyboard and joysticks read as one polled
/// snapshot per frame, and display names for key codes.
///
/// @code
/// vexo::DXInput in;
/// in.DIKeyBordSetup(hWnd);          // raises on failure
/// in.DIJoyStickSetup(count, hWnd);  // error number of a failed joystick, else 0
/// // each frame:
/// in.DIUpdate();                    // then DIGetKeyState, DIGetX, DIGetY, DIGetButton
/// @endcode
///
/// Keys are named by their key codes (scan codes, 0 to 255). Parameters are
/// by reference, as the automation interface passes them; none is written
/// back. Text results are UTF-8. The readers see only the snapshot of the last
/// DIUpdate() (or of the set-up), so a frame reads one consistent state.
class DXInput {
   public:
    /// Creates the object and its platform root object. Nothing is set up;
    /// every key reads up and no joystick table exists.
    /// @errors_raise
    /// @onfailure Raises the platform's error when the root cannot be made.
    DXInput();
    /// Releases every platform object held; runs no close method.
    ~DXInput();
    DXInput(const DXInput&) = delete;
    DXInput& operator=(const DXInput&) = delete;

    /// The display name of the key code @p DirectKeyCode, for showing which key
    /// a player assigned, for instance " ESCAPE", " A", " RETURN  ENTER". Names
    /// keep their leading space; 116 codes have one. Needs no set-up.
    /// @errors_none
    /// @onfailure "" for a code without a name.
    /// @defaults None.
    std::string DirectKeyCodeShow(const uint8_t& DirectKeyCode);
    /// Opens the first @p JoyStickCount attached joysticks into slots 0 and up,
    /// replacing the joystick tables (and releasing what they held). Each
    /// joystick gets a 10 % dead zone and 90 % saturation on X and Y and the
    /// range 0 to 65535, is acquired and read once. With fewer joysticks than
    /// asked for, the surplus slots stay empty (their zero snapshot reads -1 on
    /// both axes and buttons 0). Window messages are processed twice per slot.
    /// @errors_resume
    /// @onfailure 5, 445, 0x80070015 (not initialised) or 0x80070002 (not found)
    /// when one of those was the current error after a slot's properties were
    /// set; any other failure is not reported, and the result is 0. A count of
    /// 0 or less keeps the old tables and visits no slot.
    /// @defaults None.
    int32_t DIJoyStickSetup(const int32_t& JoyStickCount, const int32_t& hWnd);
    /// The state byte of button @p ButtonBit (0 to 31) in slot @p ID's
    /// snapshot: 128 while down, 0 while up.
    /// @errors_raise
    /// @onfailure Raises 9 for a slot outside the tables (or before any
    /// DIJoyStickSetup()) or @p ButtonBit above 31.
    /// @defaults None.
    uint8_t DIGetButton(const int32_t& ID, const uint8_t& ButtonBit);
    /// The X direction of slot @p ID's snapshot: -1 below 30000, 1 above 40000,
    /// else 0 (the range is 0 to 65535).
    /// @errors_raise
    /// @onfailure Raises 9 for a slot outside the tables.
    /// @defaults None.
    int32_t DIGetX(const int32_t& ID);
    /// The Y direction of slot @p ID's snapshot, as DIGetX(): -1 up, 1 down.
    /// @errors_raise
    /// @onfailure Raises 9 for a slot outside the tables.
    /// @defaults None.
    int32_t DIGetY(const int32_t& ID);
    /// Releases the keyboard and joystick objects. The snapshots, the tables'
    /// sizes and the last slot stay, so the readers go on returning the last
    /// state; DIKeyBordSetup() and DIJoyStickSetup() may be called again.
    /// @errors_resume
    /// @onfailure Nothing to return; nothing is reported.
    /// @defaults No parameters.
    void DIClose();
    /// Takes the snapshot of every device: the keyboard's key state, then each
    /// joystick slot's state, read before it is polled (so each update returns
    /// what the previous poll gathered). Lost devices are not acquired again.
    /// @errors_first What was read before the failure stays in the snapshot.
    /// @onfailure The first failure's error number; 9 while no joystick table
    /// exists (after the keyboard has been read). 0 when all reads succeed.
    /// @defaults No parameters.
    int32_t DIUpdate();
    /// Sets up the system keyboard for @p hWnd, shared with other programs and
    /// read also while the window is in the background, and acquires it. A
    /// second call replaces the first one's objects.
    /// @errors_raise What the earlier steps stored stays.
    /// @onfailure Raises the platform's error (for instance a handle that is not
    /// a window).
    /// @defaults None.
    void DIKeyBordSetup(const int32_t& hWnd);
    /// 1 while the key @p DirectKeyCode is down in the snapshot, else 0 (not
    /// the raw 128). Every byte value is a valid code.
    /// @errors_none
    /// @onfailure Cannot fail.
    /// @defaults None.
    int32_t DIGetKeyState(const uint8_t& DirectKeyCode);
    /// The number of joysticks attached now; nothing is stored.
    /// @errors_raise
    /// @onfailure Raises the platform's error.
    /// @defaults No parameters.
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
