// Rectangle building shared by the blits.
#pragma once

#include "common/Error.h"
#include "common/Types.h"

namespace vexo::draw_detail {

// (x, y, x + w, y + h); each far edge is one statement, so an edge whose sum
// overflows stays 0 and the platform refuses the rectangle.
inline RECT EdgeRect(ResumeNext& rn, int32_t x, int32_t y, int32_t w, int32_t h) {
    RECT r{};
    r.Left = x;
    r.Top = y;
    rn([&] { r.Right = Add32(x, w); });
    rn([&] { r.Bottom = Add32(y, h); });
    return r;
}

}  // namespace vexo::draw_detail
