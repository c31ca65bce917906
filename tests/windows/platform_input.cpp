// The input family over the system's DirectInput 7, on a real window: the
// keyboard's life cycle, keys pressed through the system's input queue,
// enumerations, device identifiers and properties. Where a status is the
// system's own, the same call made straight on DirectInput gives the status
// the platform must pass through.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/DInput.h"
#include "common/Platform.h"

namespace {

using vexo::Ref;
// Values of common/ that the system's headers also name as macros.
constexpr int32_t kInvalidParam = vexo::status::DIERR_INVALIDPARAM;
constexpr int32_t kUnsupported = vexo::status::DIERR_UNSUPPORTED;
constexpr int32_t kNotAcquired = vexo::status::DIERR_NOTACQUIRED;
constexpr int32_t kHandle = vexo::status::DIERR_HANDLE;
constexpr int32_t kDeviceNotReg = vexo::status::DIERR_DEVICENOTREG;
constexpr int32_t kNoEffect = vexo::status::DI_NOEFFECT;
constexpr int32_t kFormatKeyboard = vexo::DIFORMAT_KEYBOARD;
constexpr int32_t kFormatMouse = vexo::DIFORMAT_MOUSE;
constexpr int32_t kFormatJoystick = vexo::DIFORMAT_JOYSTICK;
constexpr int32_t kShared = vexo::DISCL_NONEXCLUSIVE | vexo::DISCL_BACKGROUND;
constexpr int32_t kTypeKeyboard = vexo::DIDEVTYPE_KEYBOARD;
constexpr int32_t kTypeJoystick = vexo::DIDEVTYPE_JOYSTICK;
constexpr int32_t kAttachedOnly = vexo::DIEDFL_ATTACHEDONLY;
constexpr int32_t kByOffset = vexo::DIPH_BYOFFSET;
constexpr int32_t kWholeDevice = vexo::DIPH_DEVICE;
constexpr int32_t kById = vexo::DIPH_BYID;
constexpr int32_t kOffsetX = vexo::DIJOFS_X;
constexpr int32_t kOffsetY = vexo::DIJOFS_Y;
constexpr int32_t kNonExclusiveOnly = vexo::DISCL_NONEXCLUSIVE;
constexpr int32_t kAcquired = vexo::status::DIERR_ACQUIRED;
constexpr const char* kSysKeyboard = vexo::GUID_SysKeyboard;
constexpr const char* kSysKeyboardInstance = vexo::GUID_SysKeyboardInstance;
constexpr const char* kDeadZone = vexo::DIPROP_DEADZONE;
constexpr const char* kSaturation = vexo::DIPROP_SATURATION;
constexpr const char* kRange = vexo::DIPROP_RANGE;
using PropLong = vexo::DIPROPLONG;
using PropRange = vexo::DIPROPRANGE;

}  // namespace

#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>

#include <dinput.h>
// The system's name for its A/W entry point would rewrite the root's method.
#undef DirectInputCreate

namespace {

int fails = 0;

void Report(bool ok, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::printf(ok ? "ok    " : "FAIL  ");
    std::vprintf(fmt, ap);
    std::printf("\n");
    va_end(ap);
    if (!ok) ++fails;
}

// The number a call raised, 0 when it raised nothing.
int32_t Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const vexo::VbError& e) {
        return e.number();
    }
    return 0;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

::HWND MakeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VexoInputTest";
    RegisterClassW(&wc);
    ::HWND w = CreateWindowExW(0, wc.lpszClassName, L"input", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 320, 240,
                               nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(w);
    SetFocus(w);
    PumpMessages();
    return w;
}

int32_t ToVexo(::HWND w) { return int32_t(reinterpret_cast<intptr_t>(w)); }

std::string GuidText(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), unsigned(g.Data2), unsigned(g.Data3), g.Data4[0],
                  g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::string Utf8(const WCHAR* w) {
    char buf[MAX_PATH * 4];
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
    return n > 0 ? std::string(buf, size_t(n - 1)) : std::string();
}

// The same calls made straight on the system, for the statuses to compare.
struct System {
    IDirectInput7W* root = nullptr;

    System() {
        DirectInputCreateEx(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput7W,
                            reinterpret_cast<void**>(&root), nullptr);
    }
    ~System() {
        if (root) root->Release();
    }

    // A device set up as the platform's counterpart is; null when it fails.
    IDirectInputDevice7W* Open(const GUID& id, const DIDATAFORMAT* format, ::HWND w) {
        IDirectInputDevice7W* d = nullptr;
        if (FAILED(root->CreateDeviceEx(id, IID_IDirectInputDevice7W, reinterpret_cast<void**>(&d), nullptr)))
            return nullptr;
        d->SetDataFormat(format);
        d->SetCooperativeLevel(w, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        return d;
    }

    struct Item {
        std::string guid, instance, product;
        int32_t type;
    };
    static BOOL CALLBACK Collect(LPCDIDEVICEINSTANCEW d, LPVOID ctx) {
        static_cast<std::vector<Item>*>(ctx)->push_back(
            {GuidText(d->guidInstance), Utf8(d->tszInstanceName), Utf8(d->tszProductName), int32_t(d->dwDevType)});
        return DIENUM_CONTINUE;
    }
    HRESULT Enum(DWORD type, DWORD flags, std::vector<Item>& out) {
        out.clear();
        return root->EnumDevices(type, &Collect, &out, flags);
    }
};

// A property record as the system reads it, with room to spare.
struct SysProp {
    DIPROPHEADER header;
    LONG value[64];
};

void KeyboardLifeCycle(vexo::DirectInput& di, ::HWND w) {
    Ref<vexo::DirectInputDevice> kb = di.CreateDevice(kSysKeyboard);
    Report(kb.get() != nullptr, "CreateDevice(\"GUID_SysKeyboard\") gives a device");

    vexo::DIKEYBOARDSTATE state;
    std::memset(state.key, 0xEE, sizeof state.key);
    int32_t st = Raised([&] { kb->GetDeviceStateKeyboard(state); });
    Report(st == kNotAcquired, "reading before the data format raises 0x%08X (0x8007000C expected)", unsigned(st));
    Report(state.key[0] == 0xEE && state.key[255] == 0xEE, "a failed read leaves the caller's state as it was");
    st = Raised([&] { kb->Acquire(); });
    Report(st == kInvalidParam, "Acquire before the data format raises 0x%08X (0x80070057 expected)", unsigned(st));

    int refused = 0;
    for (int32_t format : {0, 5, 99, -1}) refused += Raised([&] { kb->SetCommonDataFormat(format); }) == kInvalidParam;
    Report(refused == 4, "SetCommonDataFormat with 0, 5, 99 and -1 raises 0x80070057");
    kb->SetCommonDataFormat(kFormatKeyboard);

    st = Raised([&] { kb->SetCooperativeLevel(0x7FFF0001, kShared); });
    Report(st == kHandle, "SetCooperativeLevel on a handle that is no window raises 0x%08X (0x80070006 expected)",
           unsigned(st));
    st = Raised([&] { kb->SetCooperativeLevel(ToVexo(w), kNonExclusiveOnly); });
    Report(st == kInvalidParam, "SetCooperativeLevel without foreground or background raises 0x%08X", unsigned(st));
    kb->SetCooperativeLevel(ToVexo(w), kShared);

    int32_t a1 = kb->Acquire(), a2 = kb->Acquire();
    Report(a1 == 0 && a2 == kNoEffect, "Acquire gives %d, a second Acquire %d (0, 1 expected)", a1, a2);
    st = Raised([&] { kb->SetCommonDataFormat(kFormatKeyboard); });
    Report(st == kAcquired, "SetCommonDataFormat while acquired raises 0x%08X", unsigned(st));

    std::memset(state.key, 0xEE, sizeof state.key);
    kb->GetDeviceStateKeyboard(state);
    int down = 0;
    for (uint8_t b : state.key) down += b != 0;
    Report(down == 0, "with no key held the state reads %d keys down", down);

    vexo::DIJOYSTATE joy;
    joy.x = 12345;
    st = Raised([&] { kb->GetDeviceStateJoystick(joy); });
    Report(st == kInvalidParam && joy.x == 12345,
           "a joystick read on the keyboard format raises 0x%08X and leaves the state", unsigned(st));

    int32_t poll = 0;
    st = Raised([&] { poll = kb->Poll(); });
    Report(st == 0 && (poll == 0 || poll == kNoEffect), "Poll on the acquired keyboard gives %d", poll);

    int32_t u1 = kb->Unacquire(), u2 = kb->Unacquire();
    Report(u1 == 0 && u2 == kNoEffect, "Unacquire gives %d, a second Unacquire %d (0, 1 expected)", u1, u2);
    std::memset(state.key, 0xEE, sizeof state.key);
    st = Raised([&] { kb->GetDeviceStateKeyboard(state); });
    Report(st == kNotAcquired && state.key[1] == 0xEE, "reading after Unacquire raises 0x%08X and keeps the state",
           unsigned(st));
}

// A key sent through the system's input queue, by scan code.
void SendKey(WORD scan, bool extended, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = scan;
    in.ki.dwFlags = KEYEVENTF_SCANCODE | (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
    SendInput(1, &in, sizeof in);
}

// The key's byte after letting the system deliver the key, for up to a second.
uint8_t ReadKeyAfter(vexo::DirectInputDevice& kb, int dik, uint8_t wanted) {
    vexo::DIKEYBOARDSTATE state;
    for (int tries = 0; tries < 100; ++tries) {
        PumpMessages();
        kb.GetDeviceStateKeyboard(state);
        if (state.key[dik] == wanted) break;
        Sleep(10);
    }
    return state.key[dik];
}

void PressedKeys(vexo::DirectInput& di, ::HWND w) {
    Ref<vexo::DirectInputDevice> kb = di.CreateDevice(kSysKeyboard);
    kb->SetCommonDataFormat(kFormatKeyboard);
    kb->SetCooperativeLevel(ToVexo(w), kShared);
    kb->Acquire();
    struct Key {
        const char* name;
        WORD scan;
        bool extended;
        int dik;
    };
    // A plain key and an extended one, whose code carries the 0x80 bit.
    for (const Key& k : {Key{"A", 0x1E, false, 0x1E}, Key{"right arrow", 0x4D, true, 0xCD}}) {
        SendKey(k.scan, k.extended, false);
        const uint8_t down = ReadKeyAfter(*kb, k.dik, 128);
        SendKey(k.scan, k.extended, true);
        const uint8_t up = ReadKeyAfter(*kb, k.dik, 0);
        Report(down == 128 && up == 0, "key %s (code 0x%02X) sent with SendInput reads %d down, %d up", k.name, k.dik,
               down, up);
    }
}

void Identifiers(vexo::DirectInput& di, System& sys, ::HWND w) {
    const std::string notIds[] = {"",
                                  "GUID_SysMouse",
                                  "guid_syskeyboard",
                                  "GUID_SysKeyboard ",
                                  std::string("GUID_SysKeyboard\0x", 18),
                                  "6F1D2B61-D5A0-11CF-BFC7-444553540000",
                                  "{6F1D2B61-D5A0-11CF-BFC7-44455354000}",
                                  "{6F1D2B61-D5A0-11CF-BFC7-4445535400000}",
                                  "{6F1D2B61+D5A0-11CF-BFC7-444553540000}",
                                  "{6F1D2B61-D5A0-11CF-BFC7-44455354000G}",
                                  "{6F1D2B61-D5A0-11CF-BFC7-444553540000)",
                                  "{ F1D2B61-D5A0-11CF-BFC7-444553540000}"};
    int refused = 0;
    for (const std::string& id : notIds) {
        const int32_t st = Raised([&] { di.CreateDevice(id); });
        if (st == kDeviceNotReg) ++refused;
        else std::printf("      CreateDevice(\"%s\") raised 0x%08X\n", id.c_str(), unsigned(st));
    }
    Report(refused == int(std::size(notIds)), "%d of %d malformed identifiers raise 0x80040154", refused,
           int(std::size(notIds)));

    // A well-formed identifier of no device: the system's own status.
    const char* unknownText = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    const GUID unknown = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    IDirectInputDevice7W* d = nullptr;
    const HRESULT expected = sys.root->CreateDeviceEx(unknown, IID_IDirectInputDevice7W, reinterpret_cast<void**>(&d),
                                                      nullptr);
    if (d) d->Release();
    const int32_t st = Raised([&] { di.CreateDevice(unknownText); });
    Report(st < 0 && st == int32_t(expected), "an unknown well-formed identifier raises 0x%08X, the system 0x%08X",
           unsigned(st), unsigned(expected));

    // The keyboard's instance identifier, in either case, is the keyboard.
    std::string lower = kSysKeyboardInstance;
    for (char& c : lower) c = char(tolower(static_cast<unsigned char>(c)));
    for (const std::string& id : {std::string(kSysKeyboardInstance), lower}) {
        int32_t acquired = -1;
        const int32_t raised = Raised([&] {
            Ref<vexo::DirectInputDevice> kb = di.CreateDevice(id);
            kb->SetCommonDataFormat(kFormatKeyboard);
            kb->SetCooperativeLevel(ToVexo(w), kShared);
            acquired = kb->Acquire();
            vexo::DIKEYBOARDSTATE state;
            kb->GetDeviceStateKeyboard(state);
        });
        Report(raised == 0 && acquired == 0, "CreateDevice(\"%s\") opens a keyboard that reads (raised 0x%08X)",
               id.c_str(), unsigned(raised));
    }
}

void Enumerations(vexo::DirectInput& di, System& sys) {
    struct Case {
        const char* what;
        int32_t type, flags;
    };
    for (const Case& c : {Case{"keyboards", kTypeKeyboard, kAttachedOnly}, Case{"every device", 0, 0},
                          Case{"joysticks", kTypeJoystick, kAttachedOnly}}) {
        std::vector<System::Item> want;
        const HRESULT hr = sys.Enum(DWORD(c.type), DWORD(c.flags), want);
        Ref<vexo::DirectInputEnumDevices> e = di.GetDIEnumDevices(c.type, c.flags);
        const int32_t n = e->GetCount();
        bool same = SUCCEEDED(hr) && n == int32_t(want.size());
        for (int32_t k = 1; same && k <= n; ++k) {
            Ref<vexo::DirectInputDeviceInstance> item = e->GetItem(k);
            const System::Item& s = want[size_t(k) - 1];
            same = item->GetGuidInstance() == s.guid && item->GetInstanceName() == s.instance &&
                   item->GetProductName() == s.product && item->GetDevType() == s.type;
            std::printf("      %s %d: %s \"%s\" / \"%s\" type 0x%X\n", c.what, k, item->GetGuidInstance().c_str(),
                        item->GetInstanceName().c_str(), item->GetProductName().c_str(),
                        unsigned(item->GetDevType()));
        }
        Report(same, "the enumeration of %s lists the system's %d devices with their identifiers, names and types",
               c.what, n);
        const int32_t outside[] = {0, -1, n + 1};
        int refused = 0;
        for (int32_t index : outside) refused += Raised([&] { e->GetItem(index); }) == kInvalidParam;
        Report(refused == 3, "GetItem(0), GetItem(-1) and GetItem(%d) raise 0x80070057", n + 1);
    }

    Ref<vexo::DirectInputEnumDevices> keyboards = di.GetDIEnumDevices(kTypeKeyboard, kAttachedOnly);
    bool listed = false;
    for (int32_t k = 1; k <= keyboards->GetCount(); ++k) {
        Ref<vexo::DirectInputDeviceInstance> item = keyboards->GetItem(k);
        if (item->GetGuidInstance() == kSysKeyboardInstance && (item->GetDevType() & 0xFF) == kTypeKeyboard)
            listed = true;
    }
    Report(listed, "the system keyboard is listed under %s as a keyboard", kSysKeyboardInstance);

    // Arguments the system refuses: its statuses.
    for (const Case& c : {Case{"device type 99", 99, 0}, Case{"flags 0x8", 0, 0x8}}) {
        std::vector<System::Item> ignored;
        const HRESULT hr = sys.Enum(DWORD(c.type), DWORD(c.flags), ignored);
        const int32_t st = Raised([&] { di.GetDIEnumDevices(c.type, c.flags); });
        Report(st == (FAILED(hr) ? int32_t(hr) : 0), "an enumeration with %s raises 0x%08X, the system gives 0x%08X",
               c.what, unsigned(st), unsigned(hr));
    }
}

// The joysticks attached, set up as the input component does.
void Joysticks(vexo::DirectInput& di, ::HWND w) {
    Ref<vexo::DirectInputEnumDevices> e = di.GetDIEnumDevices(kTypeJoystick, kAttachedOnly);
    std::printf("      %d joystick(s) attached\n", e->GetCount());
    for (int32_t k = 1; k <= e->GetCount(); ++k) {
        const std::string id = e->GetItem(k)->GetGuidInstance();
        const int32_t st = Raised([&] {
            Ref<vexo::DirectInputDevice> joy = di.CreateDevice(id);
            joy->SetCommonDataFormat(kFormatJoystick);
            joy->SetCooperativeLevel(ToVexo(w), kShared);
            PropLong p;
            p.lSize = sizeof p;
            p.lHow = kByOffset;
            p.lData = 1000;
            joy->SetProperty(kDeadZone, p);
            p.lObj = kOffsetY;
            joy->SetProperty(kDeadZone, p);
            PropRange r;
            r.lSize = sizeof r;
            r.lMax = 65535;
            joy->SetProperty(kRange, r);
            joy->Acquire();
            vexo::DIJOYSTATE s;
            joy->GetDeviceStateJoystick(s);
            joy->Poll();
            Report(s.x >= 0 && s.x <= 65535 && s.y >= 0 && s.y <= 65535, "joystick %s reads x %d, y %d in the range",
                   id.c_str(), s.x, s.y);
        });
        Report(st == 0, "joystick %s sets up and reads (raised 0x%08X)", id.c_str(), unsigned(st));
    }
}

struct PropCase {
    const char* what;
    const char* name;
    bool range;  // a range record, else a long one
    int32_t size, headerSize, obj, how, v1, v2;
};

// The status the system gives for a case, with the header size the
// automation layer would fill in.
HRESULT SystemProperty(IDirectInputDevice7W* d, const PropCase& c) {
    const GUID* g = std::strcmp(c.name, kDeadZone) == 0     ? &DIPROP_DEADZONE
                    : std::strcmp(c.name, kSaturation) == 0 ? &DIPROP_SATURATION
                                                            : &DIPROP_RANGE;
    SysProp p{};
    p.header.dwSize = DWORD(c.size);
    p.header.dwHeaderSize = DWORD(c.headerSize == 0 ? sizeof(DIPROPHEADER) : c.headerSize);
    p.header.dwObj = DWORD(c.obj);
    p.header.dwHow = DWORD(c.how);
    p.value[0] = c.v1;
    p.value[1] = c.v2;
    return d->SetProperty(*g, &p.header);
}

int32_t PlatformProperty(vexo::DirectInputDevice& d, const PropCase& c) {
    return Raised([&] {
        if (c.range) {
            PropRange r;
            r.lSize = c.size;
            r.lHeaderSize = c.headerSize;
            r.lObj = c.obj;
            r.lHow = c.how;
            r.lMin = c.v1;
            r.lMax = c.v2;
            d.SetProperty(c.name, r);
        } else {
            PropLong p;
            p.lSize = c.size;
            p.lHeaderSize = c.headerSize;
            p.lObj = c.obj;
            p.lHow = c.how;
            p.lData = c.v1;
            d.SetProperty(c.name, p);
        }
    });
}

void Properties(vexo::DirectInput& di, System& sys, ::HWND w, const char* what, const char* id, const GUID& sysId,
                int32_t format, const DIDATAFORMAT* sysFormat) {
    const PropCase cases[] = {
        {"dead zone, whole device", kDeadZone, false, 20, 0, 0, kWholeDevice, 1000, 0},
        {"dead zone of X by offset", kDeadZone, false, 20, 0, kOffsetX, kByOffset, 1000, 0},
        {"dead zone, header size 16", kDeadZone, false, 20, 16, 0, kWholeDevice, 1000, 0},
        {"dead zone, header size 12", kDeadZone, false, 20, 12, 0, kWholeDevice, 1000, 0},
        {"dead zone, record size 16", kDeadZone, false, 16, 0, 0, kWholeDevice, 1000, 0},
        {"dead zone above 10000", kDeadZone, false, 20, 0, 0, kWholeDevice, 10001, 0},
        {"saturation of Y by offset", kSaturation, false, 20, 0, kOffsetY, kByOffset, 9000, 0},
        {"saturation by offset 1", kSaturation, false, 20, 0, 1, kByOffset, 9000, 0},
        {"range, whole device", kRange, true, 24, 0, 0, kWholeDevice, 0, 65535},
        {"range, minimum above maximum", kRange, true, 24, 0, 0, kWholeDevice, 10, 5},
        {"range in a long record", kRange, false, 20, 0, 0, kWholeDevice, 0, 0},
        {"dead zone in a range record", kDeadZone, true, 24, 0, 0, kWholeDevice, 1000, 0},
        {"range naming the object by identifier", kRange, true, 24, 0, 0, kById, 0, 100},
    };
    Ref<vexo::DirectInputDevice> dev = di.CreateDevice(id);
    dev->SetCommonDataFormat(format);
    dev->SetCooperativeLevel(ToVexo(w), kShared);
    IDirectInputDevice7W* sysDev = sys.Open(sysId, sysFormat, w);
    if (!sysDev) {
        Report(false, "the system opens the %s", what);
        return;
    }
    int same = 0, succeeded = 0;
    for (const PropCase& c : cases) {
        const int32_t got = PlatformProperty(*dev, c);
        const HRESULT hr = SystemProperty(sysDev, c);
        const int32_t want = FAILED(hr) ? int32_t(hr) : 0;
        std::printf("      %s: %s gives 0x%08X, the system 0x%08X\n", what, c.what, unsigned(got), unsigned(hr));
        same += got == want;
        succeeded += got == 0;
    }
    Report(same == int(std::size(cases)), "%s properties: %d of %d statuses are the system's (%d succeed)", what, same,
           int(std::size(cases)), succeeded);

    // What has no system call behind it is answered by the platform.
    PropLong p;
    p.lSize = sizeof p;
    PropRange r;
    r.lSize = sizeof r;
    const int32_t unknown = Raised([&] { dev->SetProperty("DIPROP_BUFFERSIZE", p); });
    const int32_t empty = Raised([&] { dev->SetProperty("", r); });
    Report(unknown == kUnsupported && empty == kUnsupported,
           "%s: property names other than the three raise 0x%08X, 0x%08X (0x80004001 expected)", what,
           unsigned(unknown), unsigned(empty));
    p.lSize = 1 << 20;
    r.lSize = -1;
    const int32_t huge = Raised([&] { dev->SetProperty(kDeadZone, p); });
    const int32_t negative = Raised([&] { dev->SetProperty(kRange, r); });
    Report(huge == kInvalidParam && negative == kInvalidParam,
           "%s: record sizes of 1 MiB and -1 raise 0x%08X, 0x%08X (0x80070057 expected)", what, unsigned(huge),
           unsigned(negative));
    sysDev->Release();
}

}  // namespace

int main() {
    ::HWND w = MakeWindow();
    Report(w != nullptr, "a window to cooperate with (error %lu)", w ? 0ul : GetLastError());
    System sys;
    Report(sys.root != nullptr, "the system's DirectInput 7 answers");
    if (!w || !sys.root) return 1;
    const int32_t st = Raised([&] {
        Ref<vexo::DirectX7> root = vexo::api::CreateDirectX7();
        Ref<vexo::DirectInput> di = root->DirectInputCreate();
        Report(di.get() != nullptr, "DirectInputCreate gives a DirectInput object");
        KeyboardLifeCycle(*di, w);
        PressedKeys(*di, w);
        Identifiers(*di, sys, w);
        Enumerations(*di, sys);
        Joysticks(*di, w);
        Properties(*di, sys, w, "keyboard", kSysKeyboard, GUID_SysKeyboard, kFormatKeyboard, &c_dfDIKeyboard);
        Properties(*di, sys, w, "mouse", "{6F1D2B60-D5A0-11CF-BFC7-444553540000}", GUID_SysMouse, kFormatMouse,
                   &c_dfDIMouse);

        // The devices outlive the root object that made them.
        Ref<vexo::DirectInputDevice> kb = di->CreateDevice(kSysKeyboard);
        di = nullptr;
        kb->SetCommonDataFormat(kFormatKeyboard);
        kb->SetCooperativeLevel(ToVexo(w), kShared);
        vexo::DIKEYBOARDSTATE state;
        Report(kb->Acquire() == 0 && Raised([&] { kb->GetDeviceStateKeyboard(state); }) == 0,
               "a keyboard reads after its DirectInput object is released");
    });
    Report(st == 0, "no unexpected error (raised 0x%08X)", unsigned(st));
    DestroyWindow(w);
    return fails ? 1 : 0;
}
