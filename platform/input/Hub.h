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

class Hub {
   public:
    static Hub& Get();

    void KeyEvent(uint8_t dik, bool down);
    void ReleaseAllKeys();
    bool IsKeyDown(uint8_t dik);
    void ReadKeyboard(DIKEYBOARDSTATE& out);
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

    std::mutex mu_;
    uint8_t keys_[256] = {};
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
