/// @file
/// Input platform: the input objects the input component calls, the records
/// they exchange (in their published layouts) and the input statuses.
///
/// Failing operations raise VbError with the status. Acquire, Unacquire and
/// Poll report their success status (0, or 1 when the call had no effect).
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/Error.h"
#include "common/Ref.h"

namespace vexo {

/// Flags and offsets of the input objects.
enum : int32_t {
    // SetCommonDataFormat
    DIFORMAT_KEYBOARD = 1,
    DIFORMAT_MOUSE = 2,
    DIFORMAT_JOYSTICK = 3,
    DIFORMAT_JOYSTICK2 = 4,
    // SetCooperativeLevel
    DISCL_EXCLUSIVE = 1,
    DISCL_NONEXCLUSIVE = 2,
    DISCL_FOREGROUND = 4,
    DISCL_BACKGROUND = 8,
    // GetDIEnumDevices device types (0 = every type) and flags
    DIDEVTYPE_ALL = 0,
    DIDEVTYPE_DEVICE = 1,
    DIDEVTYPE_MOUSE = 2,
    DIDEVTYPE_KEYBOARD = 3,
    DIDEVTYPE_JOYSTICK = 4,
    DIEDFL_ALLDEVICES = 0,
    DIEDFL_ATTACHEDONLY = 1,
    DIEDFL_FORCEFEEDBACK = 0x100,
    DIEDFL_INCLUDEALIASES = 0x10000,
    DIEDFL_INCLUDEPHANTOMS = 0x20000,
    // DIPROPHEADER.lHow
    DIPH_DEVICE = 0,
    DIPH_BYOFFSET = 1,
    DIPH_BYID = 2,
    // Object offsets in DIJOYSTATE
    DIJOFS_X = 0,
    DIJOFS_Y = 4,
    DIJOFS_Z = 8,
    DIJOFS_RX = 12,
    DIJOFS_RY = 16,
    DIJOFS_RZ = 20,
    DIJOFS_SLIDER0 = 24,
    DIJOFS_SLIDER1 = 28,
    DIJOFS_POV0 = 32,
    DIJOFS_BUTTON0 = 48,
};

/// Property name: the dead zone of an axis, in hundredths of a percent of its travel.
inline constexpr const char* DIPROP_DEADZONE = "DIPROP_DEADZONE";
/// Property name: the saturation of an axis, in hundredths of a percent of its travel.
inline constexpr const char* DIPROP_SATURATION = "DIPROP_SATURATION";
/// Property name: the range the axes report.
inline constexpr const char* DIPROP_RANGE = "DIPROP_RANGE";
/// Identifier of the system keyboard for DirectInput::CreateDevice.
inline constexpr const char* GUID_SysKeyboard = "GUID_SysKeyboard";
/// The system keyboard's instance identifier.
inline constexpr const char* GUID_SysKeyboardInstance = "{6F1D2B61-D5A0-11CF-BFC7-444553540000}";

namespace status {
inline constexpr int32_t DI_OK = 0;                                   ///< Success.
inline constexpr int32_t DI_NOEFFECT = 1;                             ///< No effect: a second Acquire or Unacquire.
inline constexpr int32_t DIERR_INVALIDPARAM = hr(0x80070057);         ///< Invalid parameters.
inline constexpr int32_t DIERR_UNSUPPORTED = hr(0x80004001);          ///< Not supported.
inline constexpr int32_t DIERR_OBJECTNOTFOUND = hr(0x80070002);       ///< No such object.
inline constexpr int32_t DIERR_OTHERAPPHASPRIO = hr(0x80070005);      ///< Another program holds the device.
inline constexpr int32_t DIERR_HANDLE = hr(0x80070006);               ///< The handle is not a window.
inline constexpr int32_t DIERR_NOTACQUIRED = hr(0x8007000C);          ///< Read before the device was acquired.
inline constexpr int32_t DIERR_NOTINITIALIZED = hr(0x80070015);       ///< The device is not initialised.
inline constexpr int32_t DIERR_INPUTLOST = hr(0x8007001E);            ///< The device was lost (unplugged).
inline constexpr int32_t DIERR_ACQUIRED = hr(0x800700AA);             ///< Not while the device is acquired.
inline constexpr int32_t DIERR_DEVICENOTREG = hr(0x80040154);         ///< An unknown device identifier.
}  // namespace status

// --- Records -----------------------------------------------------------------

/// A property record with one value: the header (size of the whole record,
/// size of the header, object, how the object is named), then the value.
struct DIPROPLONG {
    int32_t lSize = 0;        ///< Size of the whole record: 20.
    int32_t lHeaderSize = 0;  ///< Size of the header: 16.
    int32_t lObj = 0;         ///< The object: an offset in DIJOYSTATE (DIJOFS_X, ...), or 0 for the device.
    int32_t lHow = 0;         ///< How lObj names it: DIPH_DEVICE, DIPH_BYOFFSET or DIPH_BYID.
    int32_t lData = 0;        ///< The value.
};
static_assert(sizeof(DIPROPLONG) == 20);

/// A property record with a range: the header, then minimum and maximum.
struct DIPROPRANGE {
    int32_t lSize = 0;        ///< Size of the whole record: 24.
    int32_t lHeaderSize = 0;  ///< Size of the header: 16.
    int32_t lObj = 0;         ///< The object, as in DIPROPLONG.
    int32_t lHow = 0;         ///< How lObj names it.
    int32_t lMin = 0;         ///< The smallest value the axes report.
    int32_t lMax = 0;         ///< The largest value the axes report.
};
static_assert(sizeof(DIPROPRANGE) == 24);

/// Size of a property record's header.
inline constexpr int32_t DIPROPHEADER_SIZE = 16;

/// Keyboard state: one byte per key code, 128 while the key is down.
struct DIKEYBOARDSTATE {
    uint8_t key[256] = {};  ///< Indexed by key code.
};
static_assert(sizeof(DIKEYBOARDSTATE) == 256);

/// Joystick state, 80 bytes. A point-of-view value is in hundredths of a
/// degree clockwise from north, -1 when centred; buttons are 128 while down.
struct DIJOYSTATE {
    int32_t x = 0;            ///< X axis.
    int32_t y = 0;            ///< Y axis.
    int32_t z = 0;            ///< Z axis.
    int32_t rx = 0;           ///< Rotation about X.
    int32_t ry = 0;           ///< Rotation about Y.
    int32_t rz = 0;           ///< Rotation about Z.
    int32_t slider[2] = {};   ///< Two sliders.
    int32_t POV[4] = {};      ///< Four point-of-view hats.
    uint8_t buttons[32] = {}; ///< 32 buttons.
};
static_assert(sizeof(DIJOYSTATE) == 80);

// --- Objects -----------------------------------------------------------------

/// One device of an enumeration.
class DirectInputDeviceInstance : public Unknown {
   public:
    /// The instance identifier, a GUID string that DirectInput::CreateDevice accepts.
    virtual std::string GetGuidInstance() = 0;
    /// The device's own name.
    virtual std::string GetInstanceName() { return {}; }
    /// The product's name.
    virtual std::string GetProductName() { return {}; }
    /// The device type (DIDEVTYPE_...).
    virtual int32_t GetDevType() { return 0; }
};

/// A snapshot of the devices attached when it was made.
class DirectInputEnumDevices : public Unknown {
   public:
    /// The number of devices.
    virtual int32_t GetCount() = 0;
    /// Device @p index, 1-based; outside 1 to GetCount() raises DIERR_INVALIDPARAM.
    virtual Ref<DirectInputDeviceInstance> GetItem(int32_t index) = 0;
};

/// A keyboard or joystick.
class DirectInputDevice : public Unknown {
   public:
    /// What a read reports: DIFORMAT_KEYBOARD or DIFORMAT_JOYSTICK.
    virtual void SetCommonDataFormat(int32_t format) = 0;
    /// How the device is shared (DISCL_...); raises DIERR_HANDLE for a handle
    /// that is not a window.
    virtual void SetCooperativeLevel(HWND hwnd, int32_t flags) = 0;
    /// Sets a property; @p name is one of the DIPROP_ literals and the record's
    /// lSize must match it.
    virtual void SetProperty(const std::string& name, const DIPROPLONG& prop) = 0;
    /// Sets a range property.
    virtual void SetProperty(const std::string& name, const DIPROPRANGE& prop) = 0;
    /// Starts reading; DI_NOEFFECT when already acquired.
    virtual int32_t Acquire() = 0;
    /// Stops reading; DI_NOEFFECT when not acquired.
    virtual int32_t Unacquire() = 0;
    /// Gathers new values for the next read (joysticks); DI_NOEFFECT otherwise.
    virtual int32_t Poll() = 0;
    /// Reads the keyboard's 256 key bytes.
    virtual void GetDeviceStateKeyboard(DIKEYBOARDSTATE& state) = 0;
    /// Reads the joystick's state.
    virtual void GetDeviceStateJoystick(DIJOYSTATE& state) = 0;
};

/// The input root: makes devices and enumerations.
class DirectInput : public Unknown {
   public:
    /// The device for "GUID_SysKeyboard" or an instance identifier from an
    /// enumeration; anything else raises DIERR_DEVICENOTREG.
    virtual Ref<DirectInputDevice> CreateDevice(const std::string& guid) = 0;
    /// The devices of type @p devType (DIDEVTYPE_...) with @p flags (DIEDFL_...).
    virtual Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t devType, int32_t flags) = 0;
};

}  // namespace vexo
