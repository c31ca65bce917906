// DirectInput objects of the platform: the root, the keyboard and joystick
// devices, and enumerations of the attached devices.
#include <strings.h>

#include <array>
#include <memory>
#include <vector>

#include "common/FaultPoint.h"
#include "common/Platform.h"
#include "platform/Families.h"
#include "platform/input/AxisMapping.h"
#include "platform/input/Hub.h"
#include "platform/input/Input.h"

namespace vexo::plat::input {

namespace {

using namespace vexo::status;

constexpr int32_t kDevTypeKeyboard = DIDEVTYPE_KEYBOARD | (4 << 8);        // enhanced 101/102-key
constexpr int32_t kDevTypeKeyboardJapan = DIDEVTYPE_KEYBOARD | (10 << 8);  // Japanese 106-key
constexpr int32_t kDevTypeJoystick = DIDEVTYPE_JOYSTICK | (2 << 8);        // traditional joystick

class Device : public DirectInputDevice {
   public:
    void SetCommonDataFormat(int32_t format) override {
        if (acquired_) Raise(DIERR_ACQUIRED);
        if (format == DIFORMAT_MOUSE || format == DIFORMAT_JOYSTICK2) Raise(DIERR_UNSUPPORTED);
        if (format != DIFORMAT_KEYBOARD && format != DIFORMAT_JOYSTICK) Raise(DIERR_INVALIDPARAM);
        format_ = format;
    }

    void SetCooperativeLevel(HWND hwnd, int32_t flags) override {
        if (acquired_) Raise(DIERR_ACQUIRED);
        const bool excl = flags & DISCL_EXCLUSIVE, nonExcl = flags & DISCL_NONEXCLUSIVE;
        const bool fg = flags & DISCL_FOREGROUND, bg = flags & DISCL_BACKGROUND;
        if ((flags & ~0xF) || excl == nonExcl || fg == bg) Raise(DIERR_INVALIDPARAM);
        if (hwnd == 0) {
            // Only a shared background device may do without a window.
            if (excl || fg) Raise(DIERR_HANDLE);
        } else if (!CurrentPlatform().Windows().IsWindow(hwnd)) {
            Raise(DIERR_HANDLE);
        }
        if (IsKeyboard() && excl && bg) Raise(DIERR_UNSUPPORTED);
        coopFlags_ = flags;
        hwnd_ = hwnd;
    }

    void SetProperty(const std::string& name, const DIPROPLONG& p) override {
        const bool deadZone = name == DIPROP_DEADZONE;
        const bool saturation = name == DIPROP_SATURATION;
        if (!deadZone && !saturation) {
            if (name == DIPROP_RANGE) Raise(DIERR_INVALIDPARAM);  // needs a range record
            Raise(DIERR_UNSUPPORTED);
        }
        CheckHeader(p.lSize, p.lHeaderSize, sizeof(DIPROPLONG));
        if (p.lData < 0 || p.lData > 10000) Raise(DIERR_INVALIDPARAM);
        for (AxisProps* a : TargetAxes(p.lHow, p.lObj)) (deadZone ? a->deadZone : a->saturation) = p.lData;
    }

    void SetProperty(const std::string& name, const DIPROPRANGE& p) override {
        if (name != DIPROP_RANGE) {
            if (name == DIPROP_DEADZONE || name == DIPROP_SATURATION) Raise(DIERR_INVALIDPARAM);
            Raise(DIERR_UNSUPPORTED);
        }
        CheckHeader(p.lSize, p.lHeaderSize, sizeof(DIPROPRANGE));
        if (p.lMin >= p.lMax) Raise(DIERR_INVALIDPARAM);
        for (AxisProps* a : TargetAxes(p.lHow, p.lObj)) {
            a->min = p.lMin;
            a->max = p.lMax;
        }
    }

    int32_t Acquire() override {
        if (format_ == 0) Raise(DIERR_INVALIDPARAM);
        if (acquired_) return DI_NOEFFECT;
        OnAcquire();
        acquired_ = true;
        return DI_OK;
    }

    int32_t Unacquire() override {
        if (!acquired_) return DI_NOEFFECT;
        acquired_ = false;
        return DI_OK;
    }

   protected:
    virtual bool IsKeyboard() const = 0;
    virtual int AxisCount() const = 0;
    virtual void OnAcquire() {}

    void CheckHeader(int32_t size, int32_t headerSize, size_t expected) {
        // The automation layer fills the header size itself, so 0 stands for it.
        if (size != int32_t(expected) || (headerSize != 0 && headerSize != DIPROPHEADER_SIZE))
            Raise(DIERR_INVALIDPARAM);
    }

    // The axes a property record names.
    std::vector<AxisProps*> TargetAxes(int32_t how, int32_t obj) {
        std::vector<AxisProps*> out;
        const int n = AxisCount();
        if (how == DIPH_DEVICE) {
            if (obj != 0) Raise(DIERR_INVALIDPARAM);
            if (n == 0) Raise(DIERR_UNSUPPORTED);
            for (int k = 0; k < n; ++k) out.push_back(&axes_[k]);
            return out;
        }
        if (how == DIPH_BYID) Raise(DIERR_OBJECTNOTFOUND);  // no object identifiers are handed out
        if (how != DIPH_BYOFFSET) Raise(DIERR_INVALIDPARAM);
        // Offsets are positions in the data format, so they need one.
        if (format_ == 0) Raise(DIERR_NOTINITIALIZED);
        if (format_ == DIFORMAT_KEYBOARD) {
            if (obj >= 0 && obj < 256) Raise(DIERR_UNSUPPORTED);  // a key has no axis properties
            Raise(DIERR_OBJECTNOTFOUND);
        }
        if (obj < 0 || obj >= int32_t(sizeof(DIJOYSTATE))) Raise(DIERR_OBJECTNOTFOUND);
        if (obj < DIJOFS_POV0) {
            if (obj % 4 != 0 || obj / 4 >= n) Raise(DIERR_OBJECTNOTFOUND);
            out.push_back(&axes_[obj / 4]);
            return out;
        }
        if (obj < DIJOFS_BUTTON0 && obj % 4 != 0) Raise(DIERR_OBJECTNOTFOUND);
        Raise(DIERR_UNSUPPORTED);  // points of view and buttons have no range
    }

    int32_t format_ = 0;
    int32_t coopFlags_ = 0;
    HWND hwnd_ = 0;
    bool acquired_ = false;
    std::array<AxisProps, kMaxAxes> axes_{};
};

class KeyboardDevice final : public Device {
   public:
    int32_t Poll() override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        return DI_NOEFFECT;  // the keyboard is not a polled device
    }
    void GetDeviceStateKeyboard(DIKEYBOARDSTATE& state) override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        if (format_ != DIFORMAT_KEYBOARD) Raise(DIERR_INVALIDPARAM);
        // The state as it is now: the hub reads the host's key map here, so
        // a game that processes no window messages still sees its keys.
        Hub::Get().ReadKeyboard(state);
    }
    void GetDeviceStateJoystick(DIJOYSTATE& state) override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        if (format_ != DIFORMAT_JOYSTICK) Raise(DIERR_INVALIDPARAM);
        // A keyboard has none of a joystick's objects.
        state = DIJOYSTATE{};
        for (auto& p : state.POV) p = -1;
    }

   private:
    bool IsKeyboard() const override { return true; }
    int AxisCount() const override { return 0; }
};

class JoystickDevice final : public Device {
   public:
    explicit JoystickDevice(std::shared_ptr<JoystickLink> link) : link_(std::move(link)) {
        RawJoystick raw;
        fault::Hit(fault::Point::JoystickCaps);
        if (link_->Read(raw)) {
            opened_ = true;
            axisCount_ = raw.axes;
            gathered_ = Gather(raw);
        }
    }
    // False when the joystick was gone before its objects could be counted.
    bool Opened() const { return opened_; }

    int32_t Poll() override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        RawJoystick raw;
        link_->Refresh();
        if (!link_->Read(raw)) Lost();
        gathered_ = Gather(raw);
        return DI_OK;
    }
    void GetDeviceStateJoystick(DIJOYSTATE& state) override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        if (format_ != DIFORMAT_JOYSTICK) Raise(DIERR_INVALIDPARAM);
        if (!link_->Attached()) Lost();
        // What the last poll (or the acquisition) gathered.
        state = gathered_;
    }
    void GetDeviceStateKeyboard(DIKEYBOARDSTATE& state) override {
        if (!acquired_) Raise(DIERR_NOTACQUIRED);
        if (format_ != DIFORMAT_KEYBOARD) Raise(DIERR_INVALIDPARAM);
        if (!link_->Attached()) Lost();
        state = DIKEYBOARDSTATE{};  // a joystick has no keys
    }

   private:
    bool IsKeyboard() const override { return false; }
    int AxisCount() const override { return axisCount_; }

    void OnAcquire() override {
        RawJoystick raw;
        link_->Refresh();
        if (!link_->Read(raw)) Raise(DIERR_INPUTLOST);
        gathered_ = Gather(raw);
    }

    // An unplugged joystick loses its acquisition; it cannot be acquired again.
    [[noreturn]] void Lost() {
        acquired_ = false;
        Raise(DIERR_INPUTLOST);
    }

    DIJOYSTATE Gather(const RawJoystick& raw) const {
        DIJOYSTATE s;
        int32_t* axis[kMaxAxes] = {&s.x, &s.y, &s.z, &s.rx, &s.ry, &s.rz, &s.slider[0], &s.slider[1]};
        for (int k = 0; k < raw.axes && k < axisCount_; ++k) *axis[k] = MapAxis(raw.axis[k], axes_[k]);
        for (int k = 0; k < kMaxPovs; ++k) s.POV[k] = k < raw.povs ? raw.pov[k] : -1;
        for (int k = 0; k < raw.buttons; ++k) s.buttons[k] = raw.button[k] ? 0x80 : 0;
        return s;
    }

    std::shared_ptr<JoystickLink> link_;
    bool opened_ = false;
    int axisCount_ = 0;
    DIJOYSTATE gathered_{};
};

class DeviceInstance final : public DirectInputDeviceInstance {
   public:
    DeviceInstance(std::string guid, std::string name, int32_t type)
        : guid_(std::move(guid)), name_(std::move(name)), type_(type) {}
    std::string GetGuidInstance() override { return guid_; }
    std::string GetInstanceName() override { return name_; }
    std::string GetProductName() override { return name_; }
    int32_t GetDevType() override { return type_; }

   private:
    std::string guid_, name_;
    int32_t type_;
};

class EnumDevices final : public DirectInputEnumDevices {
   public:
    explicit EnumDevices(std::vector<Ref<DirectInputDeviceInstance>> items) : items_(std::move(items)) {}
    int32_t GetCount() override { return int32_t(items_.size()); }
    Ref<DirectInputDeviceInstance> GetItem(int32_t index) override {
        if (index < 1 || index > GetCount()) Raise(DIERR_INVALIDPARAM);
        return items_[size_t(index) - 1];
    }

   private:
    std::vector<Ref<DirectInputDeviceInstance>> items_;
};

class InputRoot final : public DirectInput {
   public:
    Ref<DirectInputDevice> CreateDevice(const std::string& guid) override {
        if (guid == GUID_SysKeyboard || strcasecmp(guid.c_str(), GUID_SysKeyboardInstance) == 0)
            return Ref<DirectInputDevice>(new KeyboardDevice);
        if (auto link = Hub::Get().FindJoystick(guid)) {
            // Unplugged while it was being opened: as if it had never been
            // listed, rather than a device with no axes or buttons.
            Ref<DirectInputDevice> device(new JoystickDevice(link));
            if (static_cast<JoystickDevice*>(device.get())->Opened()) return device;
        }
        Raise(DIERR_DEVICENOTREG);
    }

    Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t devType, int32_t flags) override {
        constexpr int32_t known =
            DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS;
        if (flags & ~known) Raise(DIERR_INVALIDPARAM);
        if (devType < DIDEVTYPE_ALL || devType > DIDEVTYPE_JOYSTICK) Raise(DIERR_INVALIDPARAM);
        std::vector<Ref<DirectInputDeviceInstance>> items;
        // No device here gives force feedback.
        if (!(flags & DIEDFL_FORCEFEEDBACK)) {
            if (devType == DIDEVTYPE_ALL || devType == DIDEVTYPE_KEYBOARD) {
                const bool jp = GetKeyboardLayout() == KeyboardLayout::Japanese106;
                items.emplace_back(new DeviceInstance(GUID_SysKeyboardInstance, "Keyboard",
                                                      jp ? kDevTypeKeyboardJapan : kDevTypeKeyboard));
            }
            if (devType == DIDEVTYPE_ALL || devType == DIDEVTYPE_JOYSTICK)
                for (auto& link : Hub::Get().AttachedJoysticks())
                    items.emplace_back(new DeviceInstance(link->guid, link->name, kDevTypeJoystick));
        }
        return Ref<DirectInputEnumDevices>(new EnumDevices(std::move(items)));
    }
};

// The root object finds the input family here.
const bool registered = [] {
    RegisteredFamilies().input = [] { return CreateDirectInput(); };
    return true;
}();

}  // namespace

Ref<DirectInput> CreateDirectInput() { return Ref<DirectInput>(new InputRoot); }

}  // namespace vexo::plat::input
