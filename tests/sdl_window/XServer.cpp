#include "XServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace xtest {

namespace {

std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path && *path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string p = (dir.empty() ? "." : dir) + "/" + name;
        if (access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

using XDisplay = ::Display;
XDisplay* D(void* p) { return static_cast<XDisplay*>(p); }

}  // namespace

XServer::~XServer() { Stop(); }

bool XServer::Start(int width, int height) {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
        error_ = "no Xvfb on PATH (package xvfb)";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return false;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        // -displayfd: the server picks a free display number and writes it
        // here once it accepts connections.
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
              "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        error_ = "fork failed";
        return false;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        error_ = "Xvfb did not start";
        Stop();
        return false;
    }
    display_ = ":" + number;
    if (!Connect()) {
        error_ = "cannot connect to Xvfb at " + display_;
        Stop();
        return false;
    }
    return true;
}

bool XServer::Connect() {
    dpy_ = XOpenDisplay(display_.c_str());
    return dpy_ != nullptr;
}

void XServer::Stop() {
    if (dpy_) XCloseDisplay(D(dpy_));
    dpy_ = nullptr;
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status;
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

std::vector<uint32_t> XServer::Capture(int x, int y, int w, int h) {
    if (!dpy_ || w <= 0 || h <= 0) return {};
    XDisplay* d = D(dpy_);
    XSync(d, False);
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return {};
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const unsigned long p = XGetPixel(img, i, j);
            const uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            out[size_t(j) * size_t(w) + size_t(i)] = r | g << 8 | b << 16;
        }
    XDestroyImage(img);
    return out;
}

unsigned long XServer::FindWindow(const std::string& title) {
    if (!dpy_) return 0;
    XDisplay* d = D(dpy_);
    XSync(d, False);
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return 0;
    unsigned long found = 0;
    for (unsigned i = 0; i < n && !found; ++i) {
        // Any encoding: SDL's dialogs name themselves in UTF-8.
        XTextProperty name{};
        if (XGetWMName(d, children[i], &name) && name.value) {
            if (title == std::string(reinterpret_cast<const char*>(name.value), name.nitems)) found = children[i];
            XFree(name.value);
        }
    }
    if (children) XFree(children);
    return found;
}

bool XServer::Geometry(unsigned long window, int& x, int& y, int& w, int& h) {
    if (!dpy_) return false;
    XDisplay* d = D(dpy_);
    XSync(d, False);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a)) return false;
    Window child;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    w = a.width;
    h = a.height;
    return true;
}

void XServer::MoveResize(unsigned long window, int x, int y, int w, int h) {
    if (!dpy_) return;
    XMoveResizeWindow(D(dpy_), window, x, y, unsigned(w), unsigned(h));
    XSync(D(dpy_), False);
}

void XServer::RequestClose(unsigned long window) {
    if (!dpy_) return;
    XDisplay* d = D(dpy_);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &e);
    XSync(d, False);
}

}  // namespace xtest
