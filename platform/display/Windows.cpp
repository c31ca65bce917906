#include "platform/display/Windows.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/display/Screen.h"

namespace vexo::plat {

namespace {
constexpr int64_t kFrameW = kFrameLeft + kFrameRight, kFrameH = kFrameTop + kFrameBottom;
// Screen coordinates must stay 32-bit: positions and sizes beyond this are
// refused or clamped.
constexpr int64_t kMaxCoord = 1 << 28;

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
}  // namespace

WindowTable& Windows() {
    static WindowTable* table = new WindowTable;
    return *table;
}

bool WindowTable::OuterOnScreen(HWND hwnd, int64_t& x, int64_t& y) const {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return false;
    x = it->second.x;
    y = it->second.y;
    // Parents were created first and cannot form a cycle; the depth bound is
    // a guard all the same.
    HWND p = it->second.parent;
    for (int depth = 0; p && depth < 64; ++depth) {
        auto pit = windows_.find(p);
        if (pit == windows_.end()) break;
        x += pit->second.x + kFrameLeft;
        y += pit->second.y + kFrameTop;
        p = pit->second.parent;
    }
    return true;
}

int32_t WindowTable::GetWindowRect(HWND hwnd, RECT& r) {
    int64_t x, y;
    if (!OuterOnScreen(hwnd, x, y)) return 0;
    const Window& w = windows_.at(hwnd);
    r = {Clamp32(x), Clamp32(y), Clamp32(x + w.w), Clamp32(y + w.h)};
    return 1;
}

int32_t WindowTable::GetClientRect(HWND hwnd, RECT& r) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return 0;
    r = {0, 0, Clamp32(std::max<int64_t>(it->second.w - kFrameW, 0)),
         Clamp32(std::max<int64_t>(it->second.h - kFrameH, 0))};
    return 1;
}

bool WindowTable::ClientOnScreen(HWND hwnd, RECT& r) const {
    int64_t x, y;
    if (!OuterOnScreen(hwnd, x, y)) return false;
    const Window& w = windows_.at(hwnd);
    const int64_t l = x + kFrameLeft, t = y + kFrameTop;
    r = {Clamp32(l), Clamp32(t), Clamp32(l + std::max<int64_t>(w.w - kFrameW, 0)),
         Clamp32(t + std::max<int64_t>(w.h - kFrameH, 0))};
    return true;
}

bool WindowTable::VisibleClient(HWND hwnd, const RECT& screen, RECT& r) const {
    if (!ClientOnScreen(hwnd, r)) return false;
    auto clip = [&r](const RECT& c) {
        r.Left = std::max(r.Left, c.Left);
        r.Top = std::max(r.Top, c.Top);
        r.Right = std::min(r.Right, c.Right);
        r.Bottom = std::min(r.Bottom, c.Bottom);
    };
    clip(screen);
    HWND p = windows_.at(hwnd).parent;
    for (int depth = 0; p && depth < 64; ++depth) {
        RECT pc;
        if (!ClientOnScreen(p, pc)) break;
        clip(pc);
        p = windows_.at(p).parent;
    }
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return true;
}

int32_t WindowTable::SetWindowPos(HWND hwnd, HWND, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t flags) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return 0;
    Window& w = it->second;
    if (!(flags & SWP_NOMOVE)) {
        w.x = std::clamp<int64_t>(x, -kMaxCoord, kMaxCoord);
        w.y = std::clamp<int64_t>(y, -kMaxCoord, kMaxCoord);
    }
    if (!(flags & SWP_NOSIZE)) {
        // Like the real call, a negative size is taken as 0.
        w.w = std::clamp<int64_t>(cx, 0, kMaxCoord);
        w.h = std::clamp<int64_t>(cy, 0, kMaxCoord);
    }
    Notify(hwnd);
    return 1;
}

int32_t WindowTable::ClientToScreen(HWND hwnd, POINT& p) {
    int64_t x, y;
    if (!OuterOnScreen(hwnd, x, y)) return 0;
    p = POINT{Clamp32(p.x + x + kFrameLeft), Clamp32(p.y + y + kFrameTop)};
    return 1;
}

HWND WindowTable::GetParent(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? 0 : it->second.parent;
}

int32_t WindowTable::IsWindow(HWND hwnd) { return hwnd != 0 && windows_.count(hwnd) ? 1 : 0; }

HWND WindowTable::CreateAppWindow(const std::string& title, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                  HWND parent) {
    if (parent && !IsWindow(parent)) return 0;
    if (cx < 0 || cy < 0 || cx > kMaxCoord || cy > kMaxCoord) return 0;
    Window w;
    w.title = title;
    w.parent = parent;
    w.x = std::clamp<int64_t>(x, -kMaxCoord, kMaxCoord);
    w.y = std::clamp<int64_t>(y, -kMaxCoord, kMaxCoord);
    w.w = int64_t(cx) + kFrameW;
    w.h = int64_t(cy) + kFrameH;
    const HWND h = next_;
    next_ += 4;
    windows_[h] = w;
    RECT outer, client;
    GetWindowRect(h, outer);
    ClientOnScreen(h, client);
    Screen().Backend().WindowCreated(h, title, outer, client, parent);
    return h;
}

void WindowTable::DestroyAppWindow(HWND hwnd) {
    if (!windows_.count(hwnd)) return;
    std::vector<HWND> children;
    for (const auto& [h, w] : windows_)
        if (w.parent == hwnd) children.push_back(h);
    for (HWND c : children) DestroyAppWindow(c);
    windows_.erase(hwnd);
    Screen().Backend().WindowDestroyed(hwnd);
}

int32_t WindowTable::ShowCursor(int32_t show) {
    cursor_ += show ? 1 : -1;
    Screen().Backend().SetCursorVisible(cursor_ >= 0);
    return cursor_;
}

void WindowTable::MovedByUser(HWND hwnd, int32_t x, int32_t y, int32_t outerW, int32_t outerH) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    // The backend reports screen coordinates; children are stored relative
    // to their parent's client area.
    int64_t px = 0, py = 0;
    if (HWND p = it->second.parent) {
        RECT pc;
        if (ClientOnScreen(p, pc)) {
            px = pc.Left;
            py = pc.Top;
        }
    }
    it->second.x = x - px;
    it->second.y = y - py;
    it->second.w = std::max(outerW, 0);
    it->second.h = std::max(outerH, 0);
}

void WindowTable::Notify(HWND hwnd) {
    RECT outer, client;
    GetWindowRect(hwnd, outer);
    ClientOnScreen(hwnd, client);
    Screen().Backend().WindowChanged(hwnd, outer, client);
    // Children move with their parent.
    for (const auto& [h, w] : windows_)
        if (w.parent == hwnd) Notify(h);
}

}  // namespace vexo::plat
