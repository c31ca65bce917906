// The input platform's own objects: statuses, enumeration, the axis
// properties, points of view, unplugging, the scancode map and SDL2's
// joysticks.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/input/AxisMapping.h"
#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

using namespace vexo::plat::input;
using PlatformInput = RealInputTest;

DIPROPLONG Long(int32_t how, int32_t obj, int32_t data) {
    DIPROPLONG p;
    p.lSize = sizeof p;
    p.lHow = how;
    p.lObj = obj;
    p.lData = data;
    return p;
}

DIPROPRANGE Range(int32_t how, int32_t obj, int32_t min, int32_t max) {
    DIPROPRANGE p;
    p.lSize = sizeof p;
    p.lHow = how;
    p.lObj = obj;
    p.lMin = min;
    p.lMax = max;
    return p;
}

TEST_F(PlatformInput, KeyboardDeviceStatuses) {
    auto di = CreateDirectInput();
    auto kbd = di->CreateDevice(GUID_SysKeyboard);
    DIKEYBOARDSTATE ks;
    EXPECT_EQ(ErrorOf([&] { kbd->GetDeviceStateKeyboard(ks); }), status::DIERR_NOTACQUIRED);
    EXPECT_EQ(ErrorOf([&] { kbd->Acquire(); }), status::DIERR_INVALIDPARAM);  // no data format yet
    EXPECT_EQ(ErrorOf([&] { kbd->SetCommonDataFormat(7); }), status::DIERR_INVALIDPARAM);
    kbd->SetCommonDataFormat(DIFORMAT_KEYBOARD);
    EXPECT_EQ(ErrorOf([&] { kbd->GetDeviceStateKeyboard(ks); }), status::DIERR_NOTACQUIRED);

    EXPECT_EQ(ErrorOf([&] { kbd->SetCooperativeLevel(777, 10); }), status::DIERR_HANDLE);
    EXPECT_EQ(ErrorOf([&] { kbd->SetCooperativeLevel(kWindow, DISCL_NONEXCLUSIVE); }),
              status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { kbd->SetCooperativeLevel(kWindow, 2 | 4 | 8); }), status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { kbd->SetCooperativeLevel(0, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND); }),
              status::DIERR_HANDLE);
    kbd->SetCooperativeLevel(0, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    kbd->SetCooperativeLevel(kWindow, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);

    EXPECT_EQ(kbd->Acquire(), 0);
    EXPECT_EQ(kbd->Acquire(), status::DI_NOEFFECT);
    EXPECT_EQ(ErrorOf([&] { kbd->SetCommonDataFormat(DIFORMAT_JOYSTICK); }), status::DIERR_ACQUIRED);
    DIJOYSTATE js;
    EXPECT_EQ(ErrorOf([&] { kbd->GetDeviceStateJoystick(js); }), status::DIERR_INVALIDPARAM);  // wrong format
    EXPECT_EQ(kbd->Poll(), status::DI_NOEFFECT);

    PressKey(0xC8);
    PressKey(0x1C);
    ReleaseKey(0x1C);
    kbd->GetDeviceStateKeyboard(ks);
    for (int c = 0; c < 256; ++c) EXPECT_EQ(ks.key[c], c == 0xC8 ? 0x80 : 0) << c;
    // Every keyboard device reads the one keyboard.
    auto kbd2 = di->CreateDevice(GUID_SysKeyboardInstance);
    kbd2->SetCommonDataFormat(DIFORMAT_KEYBOARD);
    kbd2->Acquire();
    DIKEYBOARDSTATE ks2;
    kbd2->GetDeviceStateKeyboard(ks2);
    EXPECT_EQ(ks2.key[0xC8], 0x80);

    EXPECT_EQ(kbd->Unacquire(), 0);
    EXPECT_EQ(kbd->Unacquire(), status::DI_NOEFFECT);
    EXPECT_EQ(ErrorOf([&] { kbd->GetDeviceStateKeyboard(ks); }), status::DIERR_NOTACQUIRED);
    EXPECT_EQ(ErrorOf([&] { kbd->SetProperty(DIPROP_RANGE, Range(DIPH_DEVICE, 0, 0, 10)); }),
              status::DIERR_UNSUPPORTED);
}

TEST_F(PlatformInput, EnumerationsAreSnapshotsInAttachOrder) {
    auto di = CreateDirectInput();
    EXPECT_EQ(di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY)->GetCount(), 0);
    const auto a = AttachVirtualJoystick({"First"});
    const auto b = AttachVirtualJoystick({"Second"});
    auto en = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(en->GetCount(), 2);
    EXPECT_EQ(en->GetItem(1)->GetGuidInstance(), VirtualJoystickGuid(a));
    EXPECT_EQ(en->GetItem(2)->GetGuidInstance(), VirtualJoystickGuid(b));
    EXPECT_EQ(en->GetItem(2)->GetInstanceName(), "Second");
    EXPECT_NE(VirtualJoystickGuid(a), VirtualJoystickGuid(b));
    EXPECT_EQ(ErrorOf([&] { en->GetItem(0); }), status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { en->GetItem(3); }), status::DIERR_INVALIDPARAM);

    auto keyboards = di->GetDIEnumDevices(DIDEVTYPE_KEYBOARD, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(keyboards->GetCount(), 1);
    EXPECT_EQ(keyboards->GetItem(1)->GetGuidInstance(), GUID_SysKeyboardInstance);
    EXPECT_EQ(di->GetDIEnumDevices(DIDEVTYPE_ALL, 0)->GetCount(), 3);
    EXPECT_EQ(ErrorOf([&] { di->GetDIEnumDevices(9, 1); }), status::DIERR_INVALIDPARAM);

    const std::string guidA = VirtualJoystickGuid(a);
    DetachVirtualJoystick(a);
    EXPECT_EQ(en->GetCount(), 2);  // made before the unplug
    EXPECT_EQ(di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY)->GetCount(), 1);
    EXPECT_EQ(ErrorOf([&] { di->CreateDevice(guidA); }), status::DIERR_DEVICENOTREG);
    EXPECT_EQ(ErrorOf([&] { di->CreateDevice("GUID_SysMouse"); }), status::DIERR_DEVICENOTREG);
    EXPECT_EQ(ErrorOf([&] { di->CreateDevice(""); }), status::DIERR_DEVICENOTREG);
    // The second keeps its place and its identifier.
    auto now = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
    EXPECT_EQ(now->GetItem(1)->GetGuidInstance(), VirtualJoystickGuid(b));
}

TEST_F(PlatformInput, DeadZoneAndSaturationPerAxis) {
    const auto id = AttachVirtualJoystick({"Stick", 3, 4, 0});
    auto di = CreateDirectInput();
    auto dev = OpenJoystick(di, VirtualJoystickGuid(id));
    // Defaults: range 0 to 65535, no dead zone, full saturation.
    dev->Acquire();
    SetVirtualAxis(id, 0, -1.0);
    SetVirtualAxis(id, 1, 1.0);
    SetVirtualAxis(id, 2, 0.5);
    DIJOYSTATE s = PollAndRead(dev);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 65535);
    EXPECT_EQ(s.z, 32767 + 16384);

    // X and Y as the component sets them; Z keeps the defaults, with its own range.
    dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, DIJOFS_X, 1000));
    dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, DIJOFS_Y, 1000));
    dev->SetProperty(DIPROP_SATURATION, Long(DIPH_BYOFFSET, DIJOFS_X, 9000));
    dev->SetProperty(DIPROP_SATURATION, Long(DIPH_BYOFFSET, DIJOFS_Y, 9000));
    dev->SetProperty(DIPROP_RANGE, Range(DIPH_BYOFFSET, DIJOFS_Z, -1000, 1000));
    const std::pair<double, int32_t> cases[] = {
        {0.0, 32767},
        {0.05, 32767},
        {0.1, 32767},
        {-0.1, 32767},
        {-0.05, 32767},
        {0.5, 32767 + 16384},
        {-0.7, 32767 - 24575},
        {0.9, 65535},
        {0.95, 65535},
        {-0.9, 0},
        {-1.0, 0},
        {0.1 + 0.8 / 32768, 32768},
        {-(0.1 + 0.8 / 32767), 32766},
    };
    for (auto [pos, expected] : cases) {
        SetVirtualAxis(id, 0, pos);
        SetVirtualAxis(id, 1, pos);
        s = PollAndRead(dev);
        EXPECT_EQ(s.x, expected) << pos;
        EXPECT_EQ(s.y, expected) << pos;
    }
    SetVirtualAxis(id, 2, 1.0);
    EXPECT_EQ(PollAndRead(dev).z, 1000);
    SetVirtualAxis(id, 2, 0.0);
    EXPECT_EQ(PollAndRead(dev).z, 0);

    // Between the two thresholds the value runs continuously and never back.
    AxisProps p{1000, 9000, 0, 65535};
    int32_t prev = MapAxis(-1.0, p);
    for (int k = -2000; k <= 2000; ++k) {
        const int32_t v = MapAxis(k / 2000.0, p);
        EXPECT_GE(v, prev);
        EXPECT_LE(v - prev, 21) << k;
        prev = v;
    }
    // A saturation inside the dead zone leaves only the centre and the ends;
    // extreme ranges do not overflow.
    EXPECT_EQ(MapAxis(0.3, {5000, 2000, 0, 100}), 50);
    EXPECT_EQ(MapAxis(0.6, {5000, 2000, 0, 100}), 100);
    EXPECT_EQ(MapAxis(-1.0, {0, 10000, INT32_MIN, INT32_MAX}), INT32_MIN);
    EXPECT_EQ(MapAxis(1.0, {0, 10000, INT32_MIN, INT32_MAX}), INT32_MAX);
}

TEST_F(PlatformInput, PropertyRecordsAreChecked) {
    const auto id = AttachVirtualJoystick({"Paddle", 1, 4, 1});
    auto di = CreateDirectInput();
    auto dev = di->CreateDevice(VirtualJoystickGuid(id));
    // Offsets mean nothing before a data format.
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, 0, 1000)); }),
              status::DIERR_NOTINITIALIZED);
    dev->SetCommonDataFormat(DIFORMAT_JOYSTICK);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, DIJOFS_Y, 1000)); }),
              status::DIERR_OBJECTNOTFOUND);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, DIJOFS_BUTTON0, 1000)); }),
              status::DIERR_UNSUPPORTED);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, 2, 1000)); }),
              status::DIERR_OBJECTNOTFOUND);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, 0, 10001)); }),
              status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_SATURATION, Long(DIPH_DEVICE, 4, 1000)); }),
              status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_RANGE, Range(DIPH_DEVICE, 0, 5, 5)); }),
              status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_RANGE, Long(DIPH_DEVICE, 0, 5)); }),
              status::DIERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty("DIPROP_BUFFERSIZE", Long(DIPH_DEVICE, 0, 5)); }),
              status::DIERR_UNSUPPORTED);
    DIPROPLONG wrongSize = Long(DIPH_BYOFFSET, 0, 1000);
    wrongSize.lSize = 24;
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, wrongSize); }), status::DIERR_INVALIDPARAM);
    DIPROPLONG withHeader = Long(DIPH_BYOFFSET, 0, 1000);
    withHeader.lHeaderSize = 16;
    dev->SetProperty(DIPROP_DEADZONE, withHeader);
    withHeader.lHeaderSize = 12;
    EXPECT_EQ(ErrorOf([&] { dev->SetProperty(DIPROP_DEADZONE, withHeader); }), status::DIERR_INVALIDPARAM);
    // The whole-device range reaches every axis the joystick has.
    dev->SetProperty(DIPROP_RANGE, Range(DIPH_DEVICE, 0, -100, 100));
    dev->Acquire();
    SetVirtualAxis(id, 0, -1.0);
    EXPECT_EQ(PollAndRead(dev).x, -100);
}

TEST_F(PlatformInput, ButtonsPovsAndThePolledSnapshot) {
    const auto id = AttachVirtualJoystick({"Pad", 2, 12, 1});
    auto di = CreateDirectInput();
    auto dev = OpenJoystick(di, VirtualJoystickGuid(id));
    DIJOYSTATE s;
    EXPECT_EQ(ErrorOf([&] { dev->GetDeviceStateJoystick(s); }), status::DIERR_NOTACQUIRED);
    EXPECT_EQ(ErrorOf([&] { dev->Poll(); }), status::DIERR_NOTACQUIRED);
    SetVirtualButton(id, 11, true);
    SetVirtualPov(id, 0, 27000);
    dev->Acquire();  // gathers what it finds
    SetVirtualButton(id, 11, false);
    SetVirtualButton(id, 3, true);
    dev->GetDeviceStateJoystick(s);
    EXPECT_EQ(s.buttons[11], 0x80);
    EXPECT_EQ(s.buttons[3], 0);
    EXPECT_EQ(s.POV[0], 27000);
    EXPECT_EQ(s.POV[1], -1);  // a point of view the joystick lacks reads centred
    dev->Poll();
    dev->GetDeviceStateJoystick(s);
    EXPECT_EQ(s.buttons[11], 0);
    EXPECT_EQ(s.buttons[3], 0x80);
    EXPECT_FALSE(SetVirtualButton(id, 12, true));  // beyond its buttons
    EXPECT_FALSE(SetVirtualPov(id, 0, 36000));
    DIKEYBOARDSTATE ks;
    EXPECT_EQ(ErrorOf([&] { dev->GetDeviceStateKeyboard(ks); }), status::DIERR_INVALIDPARAM);  // wrong format
}

TEST_F(PlatformInput, UnpluggedJoystickFailsEveryReadAndNeverComesBack) {
    const auto id = AttachVirtualJoystick();
    auto di = CreateDirectInput();
    auto dev = OpenJoystick(di, VirtualJoystickGuid(id));
    auto idle = OpenJoystick(di, VirtualJoystickGuid(id));
    dev->Acquire();
    PollAndRead(dev);
    DetachVirtualJoystick(id);
    EXPECT_FALSE(DetachVirtualJoystick(id));
    EXPECT_FALSE(SetVirtualAxis(id, 0, 1.0));
    DIJOYSTATE s;
    EXPECT_EQ(ErrorOf([&] { dev->GetDeviceStateJoystick(s); }), status::DIERR_INPUTLOST);
    EXPECT_EQ(ErrorOf([&] { dev->GetDeviceStateJoystick(s); }), status::DIERR_NOTACQUIRED);
    EXPECT_EQ(ErrorOf([&] { dev->Poll(); }), status::DIERR_NOTACQUIRED);
    EXPECT_EQ(ErrorOf([&] { dev->Acquire(); }), status::DIERR_INPUTLOST);
    EXPECT_EQ(ErrorOf([&] { idle->Acquire(); }), status::DIERR_INPUTLOST);
    // Releasing devices of an unplugged joystick is fine in any order.
    dev = nullptr;
    di = nullptr;
    idle = nullptr;
}

TEST_F(PlatformInput, ScancodesMapToDirectInputKeyCodes) {
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_ESCAPE, KeyboardLayout::Standard), 1);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RETURN, KeyboardLayout::Standard), 28);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_SPACE, KeyboardLayout::Standard), 57);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_UP, KeyboardLayout::Standard), 200);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_LEFT, KeyboardLayout::Standard), 203);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RIGHT, KeyboardLayout::Standard), 205);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_DOWN, KeyboardLayout::Standard), 208);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_A, KeyboardLayout::Standard), 0x1E);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_M, KeyboardLayout::Standard), 0x32);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_0, KeyboardLayout::Standard), 0x0B);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_KP_ENTER, KeyboardLayout::Standard), 0x9C);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_RALT, KeyboardLayout::Standard), 0xB8);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_PAUSE, KeyboardLayout::Standard), 0xC5);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_NONUSBACKSLASH, KeyboardLayout::Standard), 0x56);
    EXPECT_EQ(DikFromScancode(-1, KeyboardLayout::Standard), 0);
    EXPECT_EQ(DikFromScancode(SDL_NUM_SCANCODES, KeyboardLayout::Standard), 0);

    // Every key of a 105-key keyboard has its own code.
    std::vector<int> keys;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_UP; ++sc)
        keys.push_back(sc);  // letters .. arrows, 79 keys
    for (int sc = SDL_SCANCODE_NUMLOCKCLEAR; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
        keys.push_back(sc);                                                               // keypad, 17
    for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc) keys.push_back(sc);  // modifiers, 8
    keys.push_back(SDL_SCANCODE_NONUSBACKSLASH);
    keys.push_back(SDL_SCANCODE_APPLICATION);
    std::erase(keys, int(SDL_SCANCODE_BACKSLASH));  // the ISO board has NONUSHASH in its place
    ASSERT_EQ(keys.size(), 105u);
    std::set<int> codes;
    for (int sc : keys) {
        const uint8_t dik = DikFromScancode(sc, KeyboardLayout::Standard);
        EXPECT_NE(dik, 0) << SDL_GetScancodeName(SDL_Scancode(sc));
        codes.insert(dik);
    }
    EXPECT_EQ(codes.size(), 105u);

    // The Japanese keys the key-name table names.
    for (auto layout : {KeyboardLayout::Standard, KeyboardLayout::Japanese106}) {
        EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL2, layout), 0x70);
        EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL4, layout), 0x79);
        EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL5, layout), 0x7B);
        EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL3, layout), 0x7D);
        EXPECT_EQ(DikFromScancode(SDL_SCANCODE_INTERNATIONAL1, layout), 0x73);
    }
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_EQUALS, KeyboardLayout::Japanese106), 0x90);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_LEFTBRACKET, KeyboardLayout::Japanese106), 0x91);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_APOSTROPHE, KeyboardLayout::Japanese106), 0x92);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_GRAVE, KeyboardLayout::Japanese106), 0x94);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_LANG1, KeyboardLayout::Japanese106), 0x79);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_LANG2, KeyboardLayout::Japanese106), 0x7B);
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_EQUALS, KeyboardLayout::Standard), 0x0D);

    // The event path a backend uses.
    EXPECT_TRUE(ScancodeEvent(SDL_SCANCODE_SPACE, true));
    EXPECT_TRUE(IsKeyDown(57));
    EXPECT_TRUE(ScancodeEvent(SDL_SCANCODE_SPACE, false));
    EXPECT_FALSE(IsKeyDown(57));
    EXPECT_FALSE(ScancodeEvent(SDL_SCANCODE_UNKNOWN, true));
}

// An X server's key codes are Linux input codes + 8. In the main block those
// are the set-1 scan codes themselves; the extended keys need the table.
TEST_F(PlatformInput, LinuxInputCodesMapToDirectInputKeyCodes) {
    for (int code = 1; code <= 83; ++code) EXPECT_EQ(DikFromEvdev(code, KeyboardLayout::Standard), code) << code;
    const std::pair<int, int> extended[] = {
        {86, 0x56},  {87, 0x57},  {88, 0x58},  {96, 0x9C},  {97, 0x9D},  {98, 0xB5},  {99, 0xB7},
        {100, 0xB8}, {102, 0xC7}, {103, 0xC8}, {104, 0xC9}, {105, 0xCB}, {106, 0xCD}, {107, 0xCF},
        {108, 0xD0}, {109, 0xD1}, {110, 0xD2}, {111, 0xD3}, {119, 0xC5}, {125, 0xDB}, {126, 0xDC},
        {127, 0xDD}, {183, 0x64}, {184, 0x65}, {185, 0x66}, {186, 0x67}, {193, 0x6E}, {194, 0x76},
    };
    for (auto [code, dik] : extended) EXPECT_EQ(DikFromEvdev(code, KeyboardLayout::Standard), dik) << code;
    // A 106-key keyboard: ^ @ [ : ] and the half-width key by position, then
    // the keys only it has.
    const std::pair<int, int> japanese[] = {
        {13, 0x90}, {26, 0x91}, {27, 0x1A}, {40, 0x92}, {43, 0x1B}, {41, 0x94},
        {89, 0x73}, {92, 0x79}, {93, 0x70}, {94, 0x7B}, {124, 0x7D}, {30, 0x1E},
    };
    for (auto [code, dik] : japanese) EXPECT_EQ(DikFromEvdev(code, KeyboardLayout::Japanese106), dik) << code;
    for (int code : {-1, 0, 84, 256, 100000}) EXPECT_EQ(DikFromEvdev(code, KeyboardLayout::Standard), 0) << code;
}

TEST_F(PlatformInput, FamilyIsRegisteredAndHostJoysticksFollowTheBackend) {
    ASSERT_TRUE(bool(plat::RegisteredFamilies().input));
    EXPECT_TRUE(bool(plat::RegisteredFamilies().input()));
    const char* backend = std::getenv("VEXO_BACKEND");
    if (backend && std::string(backend) == "headless") {
        EXPECT_FALSE(HostJoysticksEnabled());
    }
}

// SDL2's own virtual joystick stands in for a real one plugged into the host.
TEST_F(PlatformInput, HostJoysticksThroughSdl) {
    SetHostJoysticksEnabled(true);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* joy = SDL_JoystickOpen(index);
    ASSERT_NE(joy, nullptr);
    const std::string name = SDL_JoystickName(joy);

    auto di = CreateDirectInput();
    const auto attach = AttachVirtualJoystick({"Ours"});
    auto en = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
    std::string guid;
    for (int i = 1; i <= en->GetCount(); ++i)
        if (en->GetItem(i)->GetInstanceName() == name) guid = en->GetItem(i)->GetGuidInstance();
    ASSERT_FALSE(guid.empty());
    auto dev = OpenJoystick(di, guid);
    dev->SetProperty(DIPROP_DEADZONE, Long(DIPH_BYOFFSET, DIJOFS_X, 1000));
    dev->Acquire();

    SDL_JoystickSetVirtualAxis(joy, 0, 32767);
    SDL_JoystickSetVirtualAxis(joy, 1, -32768);
    SDL_JoystickSetVirtualButton(joy, 2, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(joy, 0, SDL_HAT_RIGHT);
    DIJOYSTATE s = PollAndRead(dev);
    EXPECT_EQ(s.x, 65535);
    EXPECT_EQ(s.y, 0);
    EXPECT_EQ(s.buttons[2], 0x80);
    EXPECT_EQ(s.buttons[1], 0);
    EXPECT_EQ(s.POV[0], 9000);
    SDL_JoystickSetVirtualAxis(joy, 0, 3000);  // inside the 10 % dead zone
    EXPECT_EQ(PollAndRead(dev).x, 32767);

    SDL_JoystickClose(joy);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    EXPECT_EQ(ErrorOf([&] { dev->Poll(); }), status::DIERR_INPUTLOST);
    auto after = di->GetDIEnumDevices(DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY);
    for (int i = 1; i <= after->GetCount(); ++i) EXPECT_NE(after->GetItem(i)->GetGuidInstance(), guid);
    DetachVirtualJoystick(attach);
    dev = nullptr;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    SetHostJoysticksEnabled(false);
}

}  // namespace
}  // namespace vexo::test
