// Input platform: DirectInput objects the input component calls, the records
// they exchange (published layouts) and the input statuses.
//
// Failing operations raise VbError with the status. Acquire, Unacquire and
// Poll report their success status (0, or 1 when the call had no effect).
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/Error.h"
#include "common/Ref.h"

namespace vexo {

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

// Property names as the automation layer spells them.
inline constexpr const char* DIPROP_DEADZONE = "DIPROP_DEADZONE";
inline constexpr const char* DIPROP_SATURATION = "DIPROP_SATURATION";
inline constexpr const char* DIPROP_RANGE = "DIPROP_RANGE";
// Identifier of the system keyboard for CreateDevice, and its instance GUID.
inline constexpr const char* GUID_SysKeyboard = "GUID_SysKeyboard";
inline constexpr const char* GUID_SysKeyboardInstance = "{6F1D2B61-D5A0-11CF-BFC7-444553540000}";

namespace status {
inline constexpr int32_t DI_OK = 0;
inline constexpr int32_t DI_NOEFFECT = 1;  // second Acquire / Unacquire
inline constexpr int32_t DIERR_INVALIDPARAM = hr(0x80070057);
inline constexpr int32_t DIERR_UNSUPPORTED = hr(0x80004001);
inline constexpr int32_t DIERR_OBJECTNOTFOUND = hr(0x80070002);
inline constexpr int32_t DIERR_OTHERAPPHASPRIO = hr(0x80070005);
inline constexpr int32_t DIERR_HANDLE = hr(0x80070006);  // not a window
inline constexpr int32_t DIERR_NOTACQUIRED = hr(0x8007000C);
inline constexpr int32_t DIERR_NOTINITIALIZED = hr(0x80070015);
inline constexpr int32_t DIERR_INPUTLOST = hr(0x8007001E);
inline constexpr int32_t DIERR_ACQUIRED = hr(0x800700AA);
inline constexpr int32_t DIERR_DEVICENOTREG = hr(0x80040154);  // unknown device identifier
}  // namespace status

// --- Records -----------------------------------------------------------------
// Property records: the header (size of the whole record, size of the header,
// object, how the object is named), then the value.
struct DIPROPLONG {
    int32_t lSize = 0;
    int32_t lHeaderSize = 0;
    int32_t lObj = 0;
    int32_t lHow = 0;
    int32_t lData = 0;
};
static_assert(sizeof(DIPROPLONG) == 20);

struct DIPROPRANGE {
    int32_t lSize = 0;
    int32_t lHeaderSize = 0;
    int32_t lObj = 0;
    int32_t lHow = 0;
    int32_t lMin = 0;
    int32_t lMax = 0;
};
static_assert(sizeof(DIPROPRANGE) == 24);

inline constexpr int32_t DIPROPHEADER_SIZE = 16;

// Keyboard state: one byte per key code, 128 while the key is down.
struct DIKEYBOARDSTATE {
    uint8_t key[256] = {};
};
static_assert(sizeof(DIKEYBOARDSTATE) == 256);

// Joystick state, 80 bytes. A point-of-view value is in hundredths of a
// degree clockwise from north, -1 when centred; buttons are 128 while down.
struct DIJOYSTATE {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    int32_t rx = 0;
    int32_t ry = 0;
    int32_t rz = 0;
    int32_t slider[2] = {};
    int32_t POV[4] = {};
    uint8_t buttons[32] = {};
};
static_assert(sizeof(DIJOYSTATE) == 80);

// --- Objects -----------------------------------------------------------------
class DirectInputDeviceInstance : public Unknown {
   public:
    // The instance identifier, a GUID string that CreateDevice accepts.
    virtual std::string GetGuidInstance() = 0;
    virtual std::string GetInstanceName() { return {}; }
    virtual std::string GetProductName() { return {}; }
    virtual int32_t GetDevType() { return 0; }
};

// A snapshot of the devices attached when it was made.
class DirectInputEnumDevices : public Unknown {
   public:
    virtual int32_t GetCount() = 0;
    // `index` is 1-based; outside 1..GetCount() raises DIERR_INVALIDPARAM.
    virtual Ref<DirectInputDeviceInstance> GetItem(int32_t index) = 0;
};

class DirectInputDevice : public Unknown {
   public:
    virtual void SetCommonDataFormat(int32_t format) = 0;
    virtual void SetCooperativeLevel(HWND hwnd, int32_t flags) = 0;
    // `name` is one of the DIPROP_ literals; the record's lSize must match it.
    virtual void SetProperty(const std::string& name, const DIPROPLONG& prop) = 0;
    virtual void SetProperty(const std::string& name, const DIPROPRANGE& prop) = 0;
    virtual int32_t Acquire() = 0;
    virtual int32_t Unacquire() = 0;
    // Gathers new values for the next read (joysticks); DI_NOEFFECT otherwise.
    virtual int32_t Poll() = 0;
    virtual void GetDeviceStateKeyboard(DIKEYBOARDSTATE& state) = 0;
    virtual void GetDeviceStateJoystick(DIJOYSTATE& state) = 0;
};

class DirectInput : public Unknown {
   public:
    // "GUID_SysKeyboard" or an instance identifier from an enumeration;
    // anything else raises DIERR_DEVICENOTREG.
    virtual Ref<DirectInputDevice> CreateDevice(const std::string& guid) = 0;
    virtual Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t devType, int32_t flags) = 0;
};

}  // namespace vexo
