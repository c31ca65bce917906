#include "platform/input/Hub.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>

namespace vexo::plat::input {

Hub& Hub::Get() {
    // Never destroyed: devices may outlive static destruction, and the host's
    // joysticks must not be closed after SDL2 has shut down.
    static Hub* hub = new Hub;
    return *hub;
}

void Hub::KeyEvent(uint8_t dik, bool down) {
    if (dik == 0) return;  // 0 names no key
    std::lock_guard<std::mutex> lock(mu_);
    keys_[dik] = down ? 0x80 : 0;
}

void Hub::ReleaseAllKeys() {
    std::lock_guard<std::mutex> lock(mu_);
    std::fill(std::begin(keys_), std::end(keys_), uint8_t{0});
}

bool Hub::IsKeyDown(uint8_t dik) {
    std::lock_guard<std::mutex> lock(mu_);
    return keys_[dik] != 0;
}

void Hub::ReadKeyboard(DIKEYBOARDSTATE& out) {
    std::lock_guard<std::mutex> lock(mu_);
    std::copy(std::begin(keys_), std::end(keys_), out.key);
}

KeyboardLayout Hub::Layout() {
    std::lock_guard<std::mutex> lock(mu_);
    return layout_;
}

void Hub::SetLayout(KeyboardLayout layout) {
    std::lock_guard<std::mutex> lock(mu_);
    layout_ = layout;
}

void Hub::ScanHost() {
    if (HostJoysticksEnabled()) ScanHostJoysticks(*this);
}

std::vector<std::shared_ptr<JoystickLink>> Hub::AttachedJoysticks() {
    ScanHost();
    std::vector<std::shared_ptr<JoystickLink>> list;
    {
        std::lock_guard<std::mutex> lock(mu_);
        list = joysticks_;
    }
    std::erase_if(list, [](const std::shared_ptr<JoystickLink>& l) { return !l->Attached(); });
    return list;
}

std::shared_ptr<JoystickLink> Hub::FindJoystick(const std::string& guid) {
    for (auto& link : AttachedJoysticks())
        if (strcasecmp(link->guid.c_str(), guid.c_str()) == 0) return link;
    return nullptr;
}

void Hub::Add(const std::shared_ptr<JoystickLink>& link, uint16_t source) {
    std::lock_guard<std::mutex> lock(mu_);
    link->serial = nextSerial_++;
    char buf[64];
    std::snprintf(buf, sizeof buf, "{56584A53-%04X-4000-8000-%012llX}", unsigned(source),
                  static_cast<unsigned long long>(link->serial));
    link->guid = buf;
    joysticks_.push_back(link);
}

void Hub::Remove(const JoystickLink* link) {
    // The last reference may go here; let it go outside the lock, since a
    // host joystick closes itself under the host's own lock.
    std::shared_ptr<JoystickLink> dropped;
    std::lock_guard<std::mutex> lock(mu_);
    auto it = std::find_if(joysticks_.begin(), joysticks_.end(),
                           [link](const std::shared_ptr<JoystickLink>& l) { return l.get() == link; });
    if (it == joysticks_.end()) return;
    dropped = std::move(*it);
    joysticks_.erase(it);
}

// --- Public keyboard functions
void KeyEvent(uint8_t dik, bool down) { Hub::Get().KeyEvent(dik, down); }
void ReleaseAllKeys() { Hub::Get().ReleaseAllKeys(); }
bool IsKeyDown(uint8_t dik) { return Hub::Get().IsKeyDown(dik); }
void SetKeyboardLayout(KeyboardLayout layout) { Hub::Get().SetLayout(layout); }
KeyboardLayout GetKeyboardLayout() { return Hub::Get().Layout(); }
uint8_t DikFromScancode(int sdlScancode) { return DikFromScancode(sdlScancode, GetKeyboardLayout()); }
bool ScancodeEvent(int sdlScancode, bool down) {
    const uint8_t dik = DikFromScancode(sdlScancode);
    if (dik == 0) return false;
    KeyEvent(dik, down);
    return true;
}

}  // namespace vexo::plat::input
