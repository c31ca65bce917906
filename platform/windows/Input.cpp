// The input family over DirectInput 7: the root, devices and enumerations of
// the attached devices. The system's statuses pass through unchanged; only
// what has no system call behind it (an identifier that names no device, a
// property name, an item index) is answered here, as the Linux platform does.
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/DInput.h"
#include "platform/Families.h"
#include "platform/windows/WinPlatform.h"

namespace vexo::win {

namespace {

// The common/ names that dinput.h also defines as macros, fixed before it
// can rewrite them.
constexpr int32_t kFormatKeyboard = DIFORMAT_KEYBOARD;
constexpr int32_t kFormatMouse = DIFORMAT_MOUSE;
constexpr int32_t kFormatJoystick = DIFORMAT_JOYSTICK;
constexpr int32_t kFormatJoystick2 = DIFORMAT_JOYSTICK2;
constexpr int32_t kInvalidParam = status::DIERR_INVALIDPARAM;
constexpr int32_t kUnsupported = status::DIERR_UNSUPPORTED;
constexpr int32_t kDeviceNotRegistered = status::DIERR_DEVICENOTREG;
constexpr int32_t kHeaderSize = DIPROPHEADER_SIZE;
constexpr const char* kSysKeyboardName = GUID_SysKeyboard;
constexpr const char* kDeadZoneName = DIPROP_DEADZONE;
constexpr const char* kSaturationName = DIPROP_SATURATION;
constexpr const char* kRangeName = DIPROP_RANGE;
using PropLong = vexo::DIPROPLONG;
using PropRange = vexo::DIPROPRANGE;
using JoyState = vexo::DIJOYSTATE;
using KeyboardState = vexo::DIKEYBOARDSTATE;

}  // namespace

}  // namespace vexo::win

#include <windows.h>

#include <dinput.h>

namespace vexo::win {

namespace {

static_assert(sizeof(::DIJOYSTATE) == sizeof(JoyState), "the joystick state crosses as it is");
static_assert(sizeof(::DIPROPHEADER) == kHeaderSize);

// One reference to a COM object, released with the holder.
template <typename T>
class Com {
public:
    Com() = default;
    Com(const Com& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    Com(Com&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** out() { return &p_; }

private:
    T* p_ = nullptr;
};

// DirectInput wants the instance of the module that uses it: this DLL's own
// (the library is linked whole into each component), not the application's.
HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::string FormatGuid(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), unsigned(g.Data2), unsigned(g.Data3), g.Data4[0],
                  g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", either case; anything
// else names no device. The system's own parser would take an empty string
// as the null identifier, so it is not used.
bool ParseGuid(const std::string& s, GUID& g) {
    if (s.size() != 38 || s.front() != '{' || s.back() != '}') return false;
    uint8_t bytes[16];
    size_t at = 1;
    for (int k = 0; k < 16; ++k) {
        if (at == 9 || at == 14 || at == 19 || at == 24) {
            if (s[at] != '-') return false;
            ++at;
        }
        const int hi = HexDigit(s[at]), lo = HexDigit(s[at + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[k] = uint8_t(hi << 4 | lo);
        at += 2;
    }
    using D1 = decltype(g.Data1);
    g.Data1 = D1(bytes[0]) << 24 | D1(bytes[1]) << 16 | D1(bytes[2]) << 8 | D1(bytes[3]);
    g.Data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.Data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    std::memcpy(g.Data4, bytes + 8, 8);
    return true;
}

// A property record as the system reads it: the header, then room for the
// largest value of the properties offered (a range), so that a record whose
// size field claims more than its kind holds is still read inside it.
struct PropBuffer {
    ::DIPROPHEADER header;
    LONG value[2];
};

PropBuffer MakeProp(int32_t size, int32_t headerSize, int32_t obj, int32_t how) {
    // The system refuses every size but its own for these properties; a
    // larger one is refused here, before the system could read past.
    if (size < 0 || size_t(size) > sizeof(PropBuffer)) Raise(kInvalidParam);
    PropBuffer p{};
    p.header.dwSize = DWORD(size);
    // The automation layer fills the header size itself, so 0 stands for it.
    p.header.dwHeaderSize = DWORD(headerSize == 0 ? kHeaderSize : headerSize);
    p.header.dwObj = DWORD(obj);
    p.header.dwHow = DWORD(how);
    return p;
}

const GUID* PropertyGuid(const std::string& name) {
    if (name == kDeadZoneName) return &DIPROP_DEADZONE;
    if (name == kSaturationName) return &DIPROP_SATURATION;
    if (name == kRangeName) return &DIPROP_RANGE;
    return nullptr;
}

class WinDevice final : public DirectInputDevice {
public:
    WinDevice(Com<IDirectInput7W> root, Com<IDirectInputDevice7W> device)
        : root_(std::move(root)), device_(std::move(device)) {}

    void SetCommonDataFormat(int32_t format) override {
        const DIDATAFORMAT* df = nullptr;
        if (format == kFormatKeyboard) df = &c_dfDIKeyboard;
        else if (format == kFormatMouse) df = &c_dfDIMouse;
        else if (format == kFormatJoystick) df = &c_dfDIJoystick;
        else if (format == kFormatJoystick2) df = &c_dfDIJoystick2;
        else Raise(kInvalidParam);
        Check(device_->SetDataFormat(df));
    }

    void SetCooperativeLevel(vexo::HWND hwnd, int32_t flags) override {
        // The DISCL_ values are the system's own.
        Check(device_->SetCooperativeLevel(ToHandle<::HWND>(hwnd), DWORD(flags)));
    }

    void SetProperty(const std::string& name, const PropLong& p) override {
        const GUID* guid = PropertyGuid(name);
        if (!guid) Raise(kUnsupported);
        PropBuffer buf = MakeProp(p.lSize, p.lHeaderSize, p.lObj, p.lHow);
        buf.value[0] = LONG(p.lData);
        Check(device_->SetProperty(*guid, &buf.header));
    }

    void SetProperty(const std::string& name, const PropRange& p) override {
        const GUID* guid = PropertyGuid(name);
        if (!guid) Raise(kUnsupported);
        PropBuffer buf = MakeProp(p.lSize, p.lHeaderSize, p.lObj, p.lHow);
        buf.value[0] = LONG(p.lMin);
        buf.value[1] = LONG(p.lMax);
        Check(device_->SetProperty(*guid, &buf.header));
    }

    int32_t Acquire() override { return Status(device_->Acquire()); }
    int32_t Unacquire() override { return Status(device_->Unacquire()); }
    int32_t Poll() override { return Status(device_->Poll()); }

    void GetDeviceStateKeyboard(KeyboardState& state) override {
        // Read aside, so that a failed read leaves the caller's snapshot as it was.
        KeyboardState read;
        Check(device_->GetDeviceState(sizeof read.key, read.key));
        state = read;
    }

    void GetDeviceStateJoystick(JoyState& state) override {
        ::DIJOYSTATE read{};
        Check(device_->GetDeviceState(sizeof read, &read));
        std::memcpy(static_cast<void*>(&state), &read, sizeof state);
    }

private:
    static int32_t Status(HRESULT hr) {
        Check(hr);
        return int32_t(hr);
    }

    // The device's root lives as long as the device, whichever the caller
    // releases first.
    Com<IDirectInput7W> root_;
    Com<IDirectInputDevice7W> device_;
};

class WinDeviceInstance final : public DirectInputDeviceInstance {
public:
    explicit WinDeviceInstance(const DIDEVICEINSTANCEW& d)
        : guid_(FormatGuid(d.guidInstance)),
          instanceName_(Utf8(d.tszInstanceName, int(wcsnlen(d.tszInstanceName, MAX_PATH)))),
          productName_(Utf8(d.tszProductName, int(wcsnlen(d.tszProductName, MAX_PATH)))),
          type_(int32_t(d.dwDevType)) {}
    std::string GetGuidInstance() override { return guid_; }
    std::string GetInstanceName() override { return instanceName_; }
    std::string GetProductName() override { return productName_; }
    int32_t GetDevType() override { return type_; }

private:
    std::string guid_, instanceName_, productName_;
    int32_t type_;
};

class WinEnumDevices final : public DirectInputEnumDevices {
public:
    explicit WinEnumDevices(std::vector<Ref<DirectInputDeviceInstance>> items) : items_(std::move(items)) {}
    int32_t GetCount() override { return int32_t(items_.size()); }
    Ref<DirectInputDeviceInstance> GetItem(int32_t index) override {
        if (index < 1 || index > GetCount()) Raise(kInvalidParam);
        return items_[size_t(index) - 1];
    }

private:
    std::vector<Ref<DirectInputDeviceInstance>> items_;
};

struct Collected {
    std::vector<Ref<DirectInputDeviceInstance>> items;
    bool outOfMemory = false;
};

BOOL CALLBACK CollectDevice(LPCDIDEVICEINSTANCEW d, LPVOID context) {
    auto* out = static_cast<Collected*>(context);
    // Nothing may be thrown through the system's frames.
    try {
        out->items.emplace_back(new WinDeviceInstance(*d));
    } catch (const std::bad_alloc&) {
        out->outOfMemory = true;
        return DIENUM_STOP;
    }
    return DIENUM_CONTINUE;
}

class WinDirectInput final : public DirectInput {
public:
    explicit WinDirectInput(Com<IDirectInput7W> root) : root_(std::move(root)) {}

    Ref<DirectInputDevice> CreateDevice(const std::string& guid) override {
        GUID id;
        if (guid == kSysKeyboardName) id = ::GUID_SysKeyboard;
        else if (!ParseGuid(guid, id)) Raise(kDeviceNotRegistered);
        Com<IDirectInputDevice7W> device;
        Check(root_->CreateDeviceEx(id, IID_IDirectInputDevice7W, reinterpret_cast<void**>(device.out()),
                                    nullptr));
        if (!device.get()) Raise(kFail);
        return Ref<DirectInputDevice>(new WinDevice(root_, device));
    }

    Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t devType, int32_t flags) override {
        // The DIDEVTYPE_ and DIEDFL_ values are the system's own.
        Collected found;
        Check(root_->EnumDevices(DWORD(devType), &CollectDevice, &found, DWORD(flags)));
        if (found.outOfMemory) Raise(kOutOfMemory);
        return Ref<DirectInputEnumDevices>(new WinEnumDevices(std::move(found.items)));
    }

private:
    Com<IDirectInput7W> root_;
};

Ref<DirectInput> CreateDirectInput() {
    Com<IDirectInput7W> root;
    Check(DirectInputCreateEx(ThisModule(), DIRECTINPUT_VERSION, IID_IDirectInput7W,
                              reinterpret_cast<void**>(root.out()), nullptr));
    if (!root.get()) Raise(kFail);
    return Ref<DirectInput>(new WinDirectInput(root));
}

// The root object finds the input family here.
const bool g_registered = [] {
    plat::RegisteredFamilies().input = &CreateDirectInput;
    return true;
}();

}  // namespace

}  // namespace vexo::win
