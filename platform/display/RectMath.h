// Rectangle arithmetic for the display and its backends (right and bottom
// exclusive).
#pragma once

#include <algorithm>

#include "common/Types.h"

namespace vexo::plat {

// The common part of two rectangles; an empty result keeps right >= left.
inline RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
           std::min(a.Bottom, b.Bottom)};
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}
inline bool Empty(const RECT& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline int32_t Width(const RECT& r) { return r.Right - r.Left; }
inline int32_t Height(const RECT& r) { return r.Bottom - r.Top; }

}  // namespace vexo::plat
