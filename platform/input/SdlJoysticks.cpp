// The host's joysticks through SDL2's joystick subsystem.
#include <SDL.h>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>

#include "common/FaultPoint.h"
#include "platform/input/Hub.h"

namespace vexo::plat::input {

namespace {

// Recursive: dropping the last reference to a link inside a scan closes its
// joystick under the same lock.
std::recursive_mutex g_sdlMu;
bool g_started = false;
bool g_failed = false;

int32_t PovFromHat(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP:
            return 0;
        case SDL_HAT_RIGHTUP:
            return 4500;
        case SDL_HAT_RIGHT:
            return 9000;
        case SDL_HAT_RIGHTDOWN:
            return 13500;
        case SDL_HAT_DOWN:
            return 18000;
        case SDL_HAT_LEFTDOWN:
            return 22500;
        case SDL_HAT_LEFT:
            return 27000;
        case SDL_HAT_LEFTUP:
            return 31500;
        default:
            return -1;
    }
}

class SdlLink final : public JoystickLink {
   public:
    SdlLink(SDL_Joystick* joy, SDL_JoystickID id) : joy_(joy), id_(id) {
        const char* n = SDL_JoystickName(joy);
        name = n ? n : "Joystick";
    }
    ~SdlLink() override {
        std::lock_guard<std::recursive_mutex> lock(g_sdlMu);
        if (joy_ && SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_JoystickClose(joy_);
    }
    void Refresh() override {
        std::lock_guard<std::recursive_mutex> lock(g_sdlMu);
        if (Usable()) {
            SDL_JoystickUpdate();
            // Nobody pumps the event queue without a video backend; keep it
            // from filling with joystick events.
            if (!SDL_WasInit(SDL_INIT_VIDEO)) SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
        }
    }
    bool Attached() override {
        std::lock_guard<std::recursive_mutex> lock(g_sdlMu);
        return Usable();
    }
    bool Read(RawJoystick& out) override {
        std::lock_guard<std::recursive_mutex> lock(g_sdlMu);
        if (!Usable()) return false;
        RawJoystick r;
        r.axes = std::clamp(SDL_JoystickNumAxes(joy_), 0, kMaxAxes);
        r.buttons = std::clamp(SDL_JoystickNumButtons(joy_), 0, kMaxButtons);
        r.povs = std::clamp(SDL_JoystickNumHats(joy_), 0, kMaxPovs);
        for (int k = 0; k < r.axes; ++k) {
            const Sint16 v = SDL_JoystickGetAxis(joy_, k);
            r.axis[k] = v >= 0 ? v / 32767.0 : v / 32768.0;
        }
        for (int k = 0; k < r.buttons; ++k) r.button[k] = SDL_JoystickGetButton(joy_, k) != 0;
        for (int k = 0; k < r.povs; ++k) r.pov[k] = PovFromHat(SDL_JoystickGetHat(joy_, k));
        out = r;
        return true;
    }
    // SDL2 was shut down under us and freed the joystick.
    void Abandon() { joy_ = nullptr; }
    SDL_JoystickID Id() const { return id_; }

   private:
    bool Usable() { return joy_ && SDL_WasInit(SDL_INIT_JOYSTICK) && SDL_JoystickGetAttached(joy_); }

    SDL_Joystick* joy_;
    SDL_JoystickID id_;
};

std::map<SDL_JoystickID, std::shared_ptr<SdlLink>>& Known() {
    static auto* k = new std::map<SDL_JoystickID, std::shared_ptr<SdlLink>>;
    return *k;
}

bool Start(Hub& hub) {
    if (g_started && !SDL_WasInit(SDL_INIT_JOYSTICK)) {
        for (auto& [id, link] : Known()) {
            link->Abandon();
            hub.Remove(link.get());
        }
        Known().clear();
        g_started = false;
    }
    if (!g_started && !g_failed) {
        // Devices are set up for background reading: a game reads its
        // joysticks whether or not its window has the focus.
        if (!SDL_GetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS))
            SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
            g_started = true;
        else
            g_failed = true;
    }
    return g_started;
}

std::atomic<int> g_hostEnabled{-1};

}  // namespace

bool HostDevicesWanted() {
    const char* backend = std::getenv("VEXO_BACKEND");
    if (backend && *backend) return strcasecmp(backend, "headless") != 0;
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wl && *wl);
}

void SetHostJoysticksEnabled(bool enabled) { g_hostEnabled = enabled ? 1 : 0; }

bool HostJoysticksEnabled() {
    int v = g_hostEnabled.load();
    if (v < 0) {
        int expected = -1;
        g_hostEnabled.compare_exchange_strong(expected, HostDevicesWanted() ? 1 : 0);
        v = g_hostEnabled.load();
    }
    return v == 1;
}

namespace {

// Where SDL2 numbers the joystick `id` now; -1 once it is gone.
int IndexOf(SDL_JoystickID id, int hint) {
    const int n = SDL_NumJoysticks();
    if (hint < n && SDL_JoystickGetDeviceInstanceID(hint) == id) return hint;
    for (int i = 0; i < n; ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}

}  // namespace

void ScanHostJoysticks(Hub& hub) {
    std::lock_guard<std::recursive_mutex> lock(g_sdlMu);
    if (!Start(hub)) return;
    SDL_JoystickUpdate();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);

    // Unplugged joysticks leave the list; devices made on them keep their
    // link and fail from then on.
    for (auto it = Known().begin(); it != Known().end();) {
        if (!it->second->Attached()) {
            hub.Remove(it->second.get());
            it = Known().erase(it);
        } else {
            ++it;
        }
    }
    // Newly attached ones join in the order SDL2 numbered them. Device
    // indexes shift when another thread plugs or unplugs one through SDL2, so
    // its joystick list stays locked from numbering to opening: otherwise an
    // index could open a different joystick under the identifier read for it.
    struct ListLock {
        ListLock() { SDL_LockJoysticks(); }
        ~ListLock() { SDL_UnlockJoysticks(); }
    } listLock;
    std::vector<std::pair<SDL_JoystickID, int>> fresh;
    const int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i) {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        if (id >= 0 && !Known().count(id)) fresh.emplace_back(id, i);
    }
    std::sort(fresh.begin(), fresh.end());
    for (auto [id, listed] : fresh) {
        if (fault::Hit(fault::Point::JoystickOpen)) continue;
        // A joystick unplugged since the listing moves the later ones down a
        // place: open by identifier, not by the index listed.
        const int index = IndexOf(id, listed);
        if (index < 0) continue;
        SDL_Joystick* joy = SDL_JoystickOpen(index);
        if (!joy) continue;
        if (SDL_JoystickInstanceID(joy) != id) {
            SDL_JoystickClose(joy);
            continue;
        }
        auto link = std::make_shared<SdlLink>(joy, id);
        Known()[id] = link;
        hub.Add(link, kSourceHost);
    }
}

}  // namespace vexo::plat::input
