// What a user does with the keyboard and the mouse, through the XTEST
// extension (libXtst), apart from XServer.cpp so that programs which only
// look at the screen need no libXtst.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "XServer.h"

namespace xtest {

namespace {

using XDisplay = ::Display;
XDisplay* D(void* p) { return static_cast<XDisplay*>(p); }

}  // namespace

bool XServer::FakeKey(int keycode, bool down) {
    if (!dpy_) return false;
    int event, error, major, minor;
    if (!XTestQueryExtension(D(dpy_), &event, &error, &major, &minor)) return false;
    XTestFakeKeyEvent(D(dpy_), unsigned(keycode), down, CurrentTime);
    XSync(D(dpy_), False);
    return true;
}

bool XServer::FakeButton(int button, bool down) {
    if (!dpy_) return false;
    int event, error, major, minor;
    if (!XTestQueryExtension(D(dpy_), &event, &error, &major, &minor)) return false;
    XTestFakeButtonEvent(D(dpy_), unsigned(button), down, CurrentTime);
    XSync(D(dpy_), False);
    return true;
}

unsigned long XServer::FocusOtherWindow() {
    if (!dpy_) return 0;
    XDisplay* d = D(dpy_);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 600, 400, 100, 80, 0, 0, 0);
    XStoreName(d, w, "another program");
    XMapRaised(d, w);
    XSync(d, False);
    // Focus needs a viewable window; without a window manager it is at once.
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    XSync(d, False);
    return Focus() == w ? w : 0;
}

unsigned long XServer::Focus() {
    if (!dpy_) return 0;
    Window w = 0;
    int revert = 0;
    XGetInputFocus(D(dpy_), &w, &revert);
    return w;
}

}  // namespace xtest
