// Places where the library can fail for reasons outside the caller's
// control: a full disk, a refused rename, memory running out, a device
// unplugged half-way. Tests arm a point with a hook to make that happen at
// exactly that moment; unarmed points cost one atomic load.
#pragma once

#include <functional>

namespace vexo::fault {

enum class Point {
    FileWrite,      // a write to a data file
    FileRename,     // a data file's replacement taking its place
    PixelMemory,    // pixel memory of a surface or picture
    SampleMemory,   // sample memory of a sound
    JoystickOpen,   // between listing the host's joysticks and opening one
    JoystickCaps,   // before a joystick device reads what the stick has
    Count
};

// The hook runs each time the point is reached; true makes that step fail
// (a hook may also act, for example unplug a device, and answer false).
using Hook = std::function<bool()>;

void Arm(Point point, Hook hook);
void Disarm(Point point);
// True when an armed hook asks this step to fail.
bool Hit(Point point);

// Arms a point for the life of the object.
class Armed {
public:
    Armed(Point point, Hook hook) : point_(point) { Arm(point, std::move(hook)); }
    ~Armed() { Disarm(point_); }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;

private:
    Point point_;
};

}  // namespace vexo::fault
