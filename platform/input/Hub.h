// Process-wide input state behind the devices: the keyboard, and the
// joysticks attached now (virtual ones and the host's), in the order they
// were first seen.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/DInput.h"
#include "platform/input/Input.h"

namespace vexo::plat::input {

inline constexpr int kMaxAxes = 8;
inline constexpr int kMaxButtons = 32;
inline constexpr int kMaxPovs = 4;

// A physical reading of a joystick.
struct RawJoystick {
    int axes = 0;
    int buttons = 0;
    int povs = 0;
    double axis[kMaxAxes] = {};
    bool button[kMaxButtons] = {};
    int32_t pov[kMaxPovs] = {-1, -1, -1, -1};
};

// One joystick, virtual or the host's. Devices share it with the hub; once
// unplugged it stays unplugged (a joystick plugged in again is a new one).
class JoystickLink {
   public:
    virtual ~JoystickLink() = default;
    // Brings the reading up to date (the host's joysticks ask SDL2).
    virtual void Refresh() {}
    // False once the joystick is unplugged.
    virtual bool Read(RawJoystick& out) = 0;
    virtual bool Attached() = 0;

    uint64_t serial = 0;
    std::string guid;
    std::string name;
};

// What the window system reports of its keys and mouse buttons.
struct HostReading {
    bool down[kHostCodes] = {};
    bool pressed[kHostCodes] = {};
};

// The window system's own key map and pointer buttons, read on request, so
// that keys count whether or not anyone processes window messages and
// whichever window has the focus.
class HostKeyMap {
   public:
    virtual ~HostKeyMap() = default;
    // Brings `r.down` up to date for the keys, the buttons or both, and sets
    // `r.pressed` for every press since the previous read (a key pressed and
    // let go in between counts too where the window system tells). False once
    // the map can no longer be read.
    virtual bool Read(bool keys, bool buttons, KeyboardLayout layout, HostReading& r) = 0;
};

// The X11 key map when the host's devices are wanted and the display opens;
// null otherwise.
std::unique_ptr<HostKeyMap> OpenHostKeyMap();
// The host's devices (keyboard map, joysticks) are offered unless the
// backend is headless (VEXO_BACKEND=headless, or no display and none forced).
bool HostDevicesWanted();

class Hub {
   public:
    static Hub& Get();

    void KeyEvent(uint8_t dik, bool down);
    void MouseButtonEvent(MouseButton button, bool down);
    void HostKeyEvent(uint8_t dik, bool down);
    void ReleaseHostKeys();
    void ReleaseAllKeys();
    bool IsKeyDown(uint8_t dik);
    void ReadKeyboard(DIKEYBOARDSTATE& out);
    AsyncKey TakeAsyncKey(int32_t vk, const int* codes, int count);
    KeyboardLayout Layout();
    void SetLayout(KeyboardLayout layout);

    // The joysticks attached now, ordered by when they were first seen.
    std::vector<std::shared_ptr<JoystickLink>> AttachedJoysticks();
    // The attached joystick with this instance identifier (case-insensitive).
    std::shared_ptr<JoystickLink> FindJoystick(const std::string& guid);

    // Gives `link` its serial and identifier and lists it.
    void Add(const std::shared_ptr<JoystickLink>& link, uint16_t source);
    void Remove(const JoystickLink* link);

   private:
    Hub() = default;
    void ScanHost();
    // Reads the host's key map (keys, buttons or both) when there is one.
    void RefreshLocked(bool keys, bool buttons);
    bool DownLocked(int code) const { return virtual_[code] || (map_ ? live_.down[code] : events_[code]); }
    void SetLocked(bool* state, int code, bool down);

    std::mutex mu_;
    bool virtual_[kHostCodes] = {};  // the virtual keyboard and mouse
    bool events_[kHostCodes] = {};   // the backend's key events
    // Presses are numbered; each virtual key remembers the last number it
    // reported, so VK_SHIFT and VK_LSHIFT each see a press of left Shift.
    uint64_t pressCount_ = 0;
    uint64_t lastPress_[kHostCodes] = {};
    uint64_t seen_[256] = {};
    HostReading live_;               // the last read of the host's key map
    bool mapOpened_ = false;
    std::unique_ptr<HostKeyMap> map_;
    KeyboardLayout layout_ = KeyboardLayout::Standard;
    uint64_t nextSerial_ = 1;
    std::vector<std::shared_ptr<JoystickLink>> joysticks_;
};

// Source numbers inside instance identifiers.
inline constexpr uint16_t kSourceVirtual = 1;
inline constexpr uint16_t kSourceHost = 2;

// The host's joysticks (SDL2): starts the subsystem on first use and lists
// newly attached joysticks with the hub, drops unplugged ones.
void ScanHostJoysticks(Hub& hub);

}  // namespace vexo::plat::input
