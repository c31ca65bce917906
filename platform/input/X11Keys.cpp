// The X server's key map and pointer buttons, read on each request over a
// connection of our own: it works before the game has a window, while another
// window has the focus, and without anyone processing events. Presses come
// from XInput2's raw events, which the server sends whichever window has the
// focus, so a key tapped between two reads still counts; without XInput2 a
// press is a key found down that was up at the previous read.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <algorithm>

#include "platform/input/Hub.h"

namespace vexo::plat::input {

namespace {

// X pointer buttons 1 to 9 as mouse buttons (4 to 7 are wheel steps).
int MouseCodeOfXButton(int button) {
    switch (button) {
        case 1: return MouseCode(MouseButton::Left);
        case 2: return MouseCode(MouseButton::Middle);
        case 3: return MouseCode(MouseButton::Right);
        case 8: return MouseCode(MouseButton::X1);
        case 9: return MouseCode(MouseButton::X2);
        default: return 0;
    }
}

class X11KeyMap final : public HostKeyMap {
   public:
    explicit X11KeyMap(Display* dpy) : dpy_(dpy) {
        int event, error;
        int major = 2, minor = 2;
        if (XQueryExtension(dpy_, "XInputExtension", &xiOpcode_, &event, &error) &&
            XIQueryVersion(dpy_, &major, &minor) == Success && (major > 2 || minor >= 1)) {
            unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
            XISetMask(bits, XI_RawKeyPress);
            XISetMask(bits, XI_RawKeyRelease);
            XISetMask(bits, XI_RawButtonPress);
            XISetMask(bits, XI_RawButtonRelease);
            XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
            raw_ = XISelectEvents(dpy_, DefaultRootWindow(dpy_), &mask, 1) == Success;
            pointer_ = MasterPointer();
        }
    }
    ~X11KeyMap() override { XCloseDisplay(dpy_); }

    bool Read(bool keys, bool buttons, KeyboardLayout layout, HostReading& r) override {
        HostReading before = r;
        if (keys) ReadKeys(layout, r);
        if (buttons) ReadButtons(r);
        // The replies above came after every event sent before them, so the
        // queue now holds each press the new state shows.
        if (raw_) {
            Drain(layout, r);
        } else {
            for (int c = 1; c < kHostCodes; ++c)
                if (r.down[c] && !before.down[c]) r.pressed[c] = true;
        }
        return true;
    }

   private:
    // The pointer whose buttons count: this client's own when one is set,
    // else the first master pointer (asking with no valid device would be an
    // X error, which ends the process).
    int MasterPointer() {
        int id = -1;
        if (XIGetClientPointer(dpy_, None, &id) && id > 0) return id;
        int n = 0;
        XIDeviceInfo* info = XIQueryDevice(dpy_, XIAllMasterDevices, &n);
        id = -1;
        for (int i = 0; i < n && id < 0; ++i)
            if (info[i].use == XIMasterPointer) id = info[i].deviceid;
        if (info) XIFreeDeviceInfo(info);
        return id;
    }

    void ReadKeys(KeyboardLayout layout, HostReading& r) {
        char map[32];
        XQueryKeymap(dpy_, map);
        std::fill(r.down, r.down + kMouseCodeBase, false);
        for (int keycode = 8; keycode < 256; ++keycode)
            if (map[keycode / 8] & (1 << (keycode % 8)))
                if (const uint8_t dik = DikFromEvdev(keycode - 8, layout)) r.down[dik] = true;
    }

    void ReadButtons(HostReading& r) {
        std::fill(r.down + kMouseCodeBase, r.down + kHostCodes, false);
        Window root, child;
        double rx, ry, wx, wy;
        XIButtonState b{};
        XIModifierState mods;
        XIGroupState group;
        // XInput2 knows buttons 8 and 9; the core pointer's mask stops at 5.
        if (pointer_ >= 0 && XIQueryPointer(dpy_, pointer_, DefaultRootWindow(dpy_), &root, &child, &rx, &ry, &wx,
                                            &wy, &b, &mods, &group)) {
            for (int button = 1; button < 10; ++button)
                if (button < b.mask_len * 8 && XIMaskIsSet(b.mask, button))
                    if (const int code = MouseCodeOfXButton(button)) r.down[code] = true;
            XFree(b.mask);
            return;
        }
        int rootX, rootY, winX, winY;
        unsigned mask = 0;
        if (!XQueryPointer(dpy_, DefaultRootWindow(dpy_), &root, &child, &rootX, &rootY, &winX, &winY, &mask)) return;
        if (mask & Button1Mask) r.down[MouseCode(MouseButton::Left)] = true;
        if (mask & Button2Mask) r.down[MouseCode(MouseButton::Middle)] = true;
        if (mask & Button3Mask) r.down[MouseCode(MouseButton::Right)] = true;
    }

    void Drain(KeyboardLayout layout, HostReading& r) {
        while (XPending(dpy_) > 0) {
            XEvent e;
            XNextEvent(dpy_, &e);
            XGenericEventCookie* cookie = &e.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != xiOpcode_ || !XGetEventData(dpy_, cookie))
                continue;
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            int code = 0;
            if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                if (raw->detail >= 8 && raw->detail < 256) code = DikFromEvdev(raw->detail - 8, layout);
            } else {
                code = MouseCodeOfXButton(raw->detail);
            }
            const bool press = cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawButtonPress;
            // A held key repeats its press: only the first one counts.
            if (code > 0) {
                if (press && !held_[code]) r.pressed[code] = true;
                held_[code] = press;
            }
            XFreeEventData(dpy_, cookie);
        }
    }

    Display* dpy_;
    int xiOpcode_ = 0;
    int pointer_ = -1;
    bool raw_ = false;
    bool held_[kHostCodes] = {};
};

}  // namespace

std::unique_ptr<HostKeyMap> OpenHostKeyMap() {
    if (!HostDevicesWanted()) return nullptr;
    // No display (or a Wayland one): the backend's key events serve instead.
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return nullptr;
    return std::make_unique<X11KeyMap>(dpy);
}

}  // namespace vexo::plat::input
