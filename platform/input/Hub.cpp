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

void Hub::SetLocked(bool* state, int code, bool down) {
    if (down && !state[code]) lastPress_[code] = ++pressCount_;
    state[code] = down;
}

void Hub::KeyEvent(uint8_t dik, bool down) {
    if (dik == 0) return;  // 0 names no key
    std::lock_guard<std::mutex> lock(mu_);
    SetLocked(virtual_, dik, down);
}

void Hub::MouseButtonEvent(MouseButton button, bool down) {
    const int code = MouseCode(button);
    if (code < kMouseCodeBase || code >= kHostCodes) return;
    std::lock_guard<std::mutex> lock(mu_);
    SetLocked(virtual_, code, down);
}

void Hub::HostKeyEvent(uint8_t dik, bool down) {
    if (dik == 0) return;
    std::lock_guard<std::mutex> lock(mu_);
    // With a key map the events only repeat, late, what the map told already.
    if (!map_) SetLocked(events_, dik, down);
}

void Hub::ReleaseHostKeys() {
    std::lock_guard<std::mutex> lock(mu_);
    std::fill(std::begin(events_), std::end(events_), false);
}

void Hub::ReleaseAllKeys() {
    std::lock_guard<std::mutex> lock(mu_);
    std::fill(std::begin(virtual_), std::end(virtual_), false);
    std::fill(std::begin(events_), std::end(events_), false);
    std::fill(std::begin(seen_), std::end(seen_), pressCount_);
}

void Hub::RefreshLocked(bool keys, bool buttons) {
    if (!mapOpened_) {
        mapOpened_ = true;
        map_ = OpenHostKeyMap();
    }
    if (!map_) return;
    HostReading r = live_;
    std::fill(std::begin(r.pressed), std::end(r.pressed), false);
    if (!map_->Read(keys, buttons, layout_, r)) {
        // The display went away: the backend's events are all that is left.
        map_.reset();
        live_ = HostReading{};
        return;
    }
    live_ = r;
    for (int c = 0; c < kHostCodes; ++c)
        if (r.pressed[c]) lastPress_[c] = ++pressCount_;
}

bool Hub::IsKeyDown(uint8_t dik) {
    std::lock_guard<std::mutex> lock(mu_);
    RefreshLocked(true, false);
    return dik != 0 && DownLocked(dik);
}

void Hub::ReadKeyboard(DIKEYBOARDSTATE& out) {
    std::lock_guard<std::mutex> lock(mu_);
    RefreshLocked(true, false);
    out.key[0] = 0;
    for (int c = 1; c < 256; ++c) out.key[c] = DownLocked(c) ? 0x80 : 0;
}

AsyncKey Hub::TakeAsyncKey(int32_t vk, const int* codes, int count) {
    bool keys = false, buttons = false;
    for (int i = 0; i < count; ++i) {
        if (codes[i] > 0 && codes[i] < kMouseCodeBase) keys = true;
        if (codes[i] >= kMouseCodeBase && codes[i] < kHostCodes) buttons = true;
    }
    AsyncKey k;
    if ((!keys && !buttons) || vk < 0 || vk > 255) return k;
    std::lock_guard<std::mutex> lock(mu_);
    RefreshLocked(keys, buttons);
    for (int i = 0; i < count; ++i) {
        const int c = codes[i];
        if (c <= 0 || c >= kHostCodes) continue;
        k.down = k.down || DownLocked(c);
        k.pressed = k.pressed || lastPress_[c] > seen_[vk];
    }
    seen_[vk] = pressCount_;
    return k;
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

#ifdef VEXO_NO_X11_KEYS
std::unique_ptr<HostKeyMap> OpenHostKeyMap() { return nullptr; }
#endif

// --- Public keyboard functions
void KeyEvent(uint8_t dik, bool down) { Hub::Get().KeyEvent(dik, down); }
void MouseButtonEvent(MouseButton button, bool down) { Hub::Get().MouseButtonEvent(button, down); }
void HostKeyEvent(uint8_t dik, bool down) { Hub::Get().HostKeyEvent(dik, down); }
void ReleaseHostKeys() { Hub::Get().ReleaseHostKeys(); }
void ReleaseAllKeys() { Hub::Get().ReleaseAllKeys(); }
bool IsKeyDown(uint8_t dik) { return Hub::Get().IsKeyDown(dik); }
AsyncKey TakeAsyncKey(int32_t vk, const int* codes, int count) { return Hub::Get().TakeAsyncKey(vk, codes, count); }
void SetKeyboardLayout(KeyboardLayout layout) { Hub::Get().SetLayout(layout); }
KeyboardLayout GetKeyboardLayout() { return Hub::Get().Layout(); }
uint8_t DikFromScancode(int sdlScancode) { return DikFromScancode(sdlScancode, GetKeyboardLayout()); }
bool ScancodeEvent(int sdlScancode, bool down) {
    const uint8_t dik = DikFromScancode(sdlScancode);
    if (dik == 0) return false;
    HostKeyEvent(dik, down);
    return true;
}

}  // namespace vexo::plat::input
