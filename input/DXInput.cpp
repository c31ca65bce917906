#include "input/DXInput.h"

#include "common/Platform.h"
#include "input/KeyNames.h"

namespace vexo {

namespace {

constexpr int32_t kCooperative = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // 10
constexpr int32_t kDeadZone = 1000;                                      // 10 % of the travel
constexpr int32_t kSaturation = 9000;                                    // 90 % of the travel
constexpr int32_t kRangeMax = 65535;

// The failures of a slot's set-up that its result reports.
bool IsReported(int32_t err) {
    return err == ERR_INVALID_CALL || err == ERR_NOT_SUPPORTED || err == status::DIERR_NOTINITIALIZED ||
           err == status::DIERR_OBJECTNOTFOUND;
}

}  // namespace

DXInput::DXInput() : DxRoot(api::CreateDirectX7()) {}

DXInput::~DXInput() { DxRoot = nullptr; }

// --- Keyboard ----------------------------------------------------------------

void DXInput::DIKeyBordSetup(const int32_t& hWnd) {
    KeyInput = DxRoot->DirectInputCreate();
    KeyDevice = KeyInput->CreateDevice(GUID_SysKeyboard);
    KeyDevice->SetCommonDataFormat(DIFORMAT_KEYBOARD);
    KeyDevice->SetCooperativeLevel(hWnd, kCooperative);
    KeyDevice->Acquire();
}

int32_t DXInput::DIUpdate() {
    int32_t result = 0;
    OnError(
        [&] {
            if (KeyDevice) KeyDevice->GetDeviceStateKeyboard(KeyState);
            const int64_t last = JoyLast;
            for (int64_t i = 0; i <= last; ++i) {
                if (JoyDevice[i].IsNothing()) continue;
                // Read before the poll: each update returns what the
                // previous poll gathered.
                JoyDevice[i]->GetDeviceStateJoystick(JoyState[i]);
                JoyDevice[i]->Poll();
            }
        },
        [&](int32_t err) { result = err; });
    return result;
}

int32_t DXInput::DIGetKeyState(const uint8_t& DirectKeyCode) {
    return KeyState.key[DirectKeyCode] != 0 ? 1 : 0;
}

void DXInput::DIClose() {
    ResumeNext rn;
    rn([&] { KeyInput = nullptr; });
    rn([&] { KeyDevice = nullptr; });
    const int64_t last = JoyLast;
    for (int64_t i = 0; i <= last; ++i) {
        // Past the end of the tables every release fails; stop rather than
        // fail once per slot of a count far beyond the tables.
        if (!JoyInput.Contains(i) && !JoyEnum.Contains(i) && !JoyDevice.Contains(i)) break;
        rn([&] { JoyInput[i] = nullptr; });
        rn([&] { JoyEnum[i] = nullptr; });
        rn([&] { JoyDevice[i] = nullptr; });
    }
}

// --- Joysticks ---------------------------------------------------------------

int32_t DXInput::DIJoyStickSetup(const int32_t& JoyStickCount, const int32_t& hWnd) {
    ResumeNext rn;
    int32_t result = 0;

    rn([&] {
        const int64_t upper = Sub32(JoyStickCount, 1);
        SlotTable<Ref<DirectInput>>::CheckBound(upper);
        JoyInput.Recreate(upper);
        JoyEnum.Recreate(upper);
        JoyDevice.Recreate(upper);
        JoyState.Recreate(upper);
    });
    rn([&] { JoyLast = Sub32(JoyStickCount, 1); });

    const int64_t last = JoyLast;
    for (int64_t i = 0; i <= last; ++i) {
        // Past the end of the tables every statement fails with 9, which is
        // never reported; stop instead of spinning through a huge count.
        if (!JoyInput.Contains(i)) break;

        rn([&] {
            if (JoyInput[i].IsNothing()) {
                Ref<DirectInput> di = DxRoot->DirectInputCreate();
                JoyInput[i] = di;
            }
        });
        rn([&] {
            if (JoyEnum[i].IsNothing()) {
                Ref<DirectInputEnumDevices> en =
                    JoyInput[i]->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
                JoyEnum[i] = en;
            }
        });
        rn([&] {
            const std::string guid = JoyEnum[i]->GetItem(To32(i + 1))->GetGuidInstance();
            Ref<DirectInputDevice> dev = JoyInput[i]->CreateDevice(guid);
            JoyDevice[i] = dev;
        });
        rn([&] { JoyDevice[i]->SetCommonDataFormat(DIFORMAT_JOYSTICK); });
        rn([&] { JoyDevice[i]->SetCooperativeLevel(hWnd, kCooperative); });

        JoyDeadZone.lSize = sizeof(DIPROPLONG);
        JoyDeadZone.lHow = DIPH_BYOFFSET;
        JoyDeadZone.lObj = DIJOFS_X;
        JoyDeadZone.lData = kDeadZone;
        rn([&] { JoyDevice[i]->SetProperty(DIPROP_DEADZONE, JoyDeadZone); });
        JoyDeadZone.lObj = DIJOFS_Y;
        rn([&] { JoyDevice[i]->SetProperty(DIPROP_DEADZONE, JoyDeadZone); });

        JoySaturation.lSize = sizeof(DIPROPLONG);
        JoySaturation.lHow = DIPH_BYOFFSET;
        JoySaturation.lObj = DIJOFS_X;
        JoySaturation.lData = kSaturation;
        rn([&] { JoyDevice[i]->SetProperty(DIPROP_SATURATION, JoySaturation); });
        JoySaturation.lObj = DIJOFS_Y;
        rn([&] { JoyDevice[i]->SetProperty(DIPROP_SATURATION, JoySaturation); });

        DIPROPRANGE range;
        range.lSize = sizeof(DIPROPRANGE);
        range.lHow = DIPH_DEVICE;
        range.lObj = 0;
        range.lMin = 0;
        range.lMax = kRangeMax;
        rn([&] { JoyDevice[i]->SetProperty(DIPROP_RANGE, range); });

        // The current error is not reset between slots: a number that
        // matched at one slot matches again at the next unless replaced.
        if (IsReported(rn.Err())) result = rn.Err();

        rn([&] { api::DoEvents(); });
        rn([&] { JoyDevice[i]->Acquire(); });
        rn([&] { JoyDevice[i]->GetDeviceStateJoystick(JoyState[i]); });
        rn([&] { JoyDevice[i]->Poll(); });
        rn([&] { api::DoEvents(); });
    }
    return result;
}

int32_t DXInput::DIJoyStickCount() {
    Ref<DirectInput> di = DxRoot->DirectInputCreate();
    Ref<DirectInputEnumDevices> en = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
    return en->GetCount();
}

int32_t DXInput::AxisDirection(int32_t value) const {
    if (value < 30000) return -1;
    if (value > 40000) return 1;
    return 0;
}

int32_t DXInput::DIGetX(const int32_t& ID) { return AxisDirection(JoyState[ID].x); }

int32_t DXInput::DIGetY(const int32_t& ID) { return AxisDirection(JoyState[ID].y); }

uint8_t DXInput::DIGetButton(const int32_t& ID, const uint8_t& ButtonBit) {
    const DIJOYSTATE& s = JoyState[ID];
    if (ButtonBit > 31) Raise(ERR_SUBSCRIPT);
    return s.buttons[ButtonBit];
}

// --- Key names ---------------------------------------------------------------

std::string DXInput::DirectKeyCodeShow(const uint8_t& DirectKeyCode) {
    return std::string(KeyCodeName(DirectKeyCode));
}

}  // namespace vexo
