#include "platform/input/VirtualInput.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "platform/input/Hub.h"

namespace vexo::plat::input {

namespace {

class VirtualLink final : public JoystickLink {
   public:
    explicit VirtualLink(const VirtualJoystickDesc& desc) {
        name = desc.name;
        state_.axes = std::clamp(desc.axes, 0, kMaxAxes);
        state_.buttons = std::clamp(desc.buttons, 0, kMaxButtons);
        state_.povs = std::clamp(desc.povs, 0, kMaxPovs);
    }
    bool Read(RawJoystick& out) override {
        std::lock_guard<std::mutex> lock(mu_);
        if (!attached_) return false;
        out = state_;
        return true;
    }
    bool Attached() override {
        std::lock_guard<std::mutex> lock(mu_);
        return attached_;
    }
    bool Detach() {
        std::lock_guard<std::mutex> lock(mu_);
        return std::exchange(attached_, false);
    }
    bool SetAxis(int axis, double position) {
        std::lock_guard<std::mutex> lock(mu_);
        if (axis < 0 || axis >= state_.axes) return false;
        state_.axis[axis] = std::isnan(position) ? 0.0 : std::clamp(position, -1.0, 1.0);
        return true;
    }
    bool SetButton(int button, bool down) {
        std::lock_guard<std::mutex> lock(mu_);
        if (button < 0 || button >= state_.buttons) return false;
        state_.button[button] = down;
        return true;
    }
    bool SetPov(int pov, int32_t value) {
        std::lock_guard<std::mutex> lock(mu_);
        if (pov < 0 || pov >= state_.povs) return false;
        if (value != -1 && (value < 0 || value >= 36000)) return false;
        state_.pov[pov] = value;
        return true;
    }

   private:
    std::mutex mu_;
    bool attached_ = true;
    RawJoystick state_;
};

std::mutex g_mu;
VirtualJoystickId g_nextId = 1;
std::map<VirtualJoystickId, std::shared_ptr<VirtualLink>>& Registry() {
    static auto* r = new std::map<VirtualJoystickId, std::shared_ptr<VirtualLink>>;
    return *r;
}

std::shared_ptr<VirtualLink> Find(VirtualJoystickId id) {
    std::lock_guard<std::mutex> lock(g_mu);
    auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}

}  // namespace

VirtualJoystickId AttachVirtualJoystick(const VirtualJoystickDesc& desc) {
    auto link = std::make_shared<VirtualLink>(desc);
    Hub::Get().Add(link, kSourceVirtual);
    std::lock_guard<std::mutex> lock(g_mu);
    const VirtualJoystickId id = g_nextId++;
    Registry()[id] = link;
    return id;
}

bool DetachVirtualJoystick(VirtualJoystickId id) {
    std::shared_ptr<VirtualLink> link;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        auto it = Registry().find(id);
        if (it == Registry().end()) return false;
        link = it->second;
        Registry().erase(it);
    }
    link->Detach();
    Hub::Get().Remove(link.get());
    return true;
}

bool SetVirtualAxis(VirtualJoystickId id, int axis, double position) {
    auto link = Find(id);
    return link && link->SetAxis(axis, position);
}

bool SetVirtualButton(VirtualJoystickId id, int button, bool down) {
    auto link = Find(id);
    return link && link->SetButton(button, down);
}

bool SetVirtualPov(VirtualJoystickId id, int pov, int32_t value) {
    auto link = Find(id);
    return link && link->SetPov(pov, value);
}

std::string VirtualJoystickGuid(VirtualJoystickId id) {
    auto link = Find(id);
    return link ? link->guid : std::string();
}

void ResetVirtualInput() {
    std::vector<VirtualJoystickId> ids;
    {
        std::lock_guard<std::mutex> lock(g_mu);
        for (auto& [id, link] : Registry()) ids.push_back(id);
    }
    for (auto id : ids) DetachVirtualJoystick(id);
    ReleaseAllKeys();
}

}  // namespace vexo::plat::input
