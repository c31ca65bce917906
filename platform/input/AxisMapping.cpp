#include "platform/input/AxisMapping.h"

#include <cmath>

namespace vexo::plat::input {

int32_t RangeCentre(int32_t min, int32_t max) {
    const int64_t span = int64_t(max) - int64_t(min);
    return static_cast<int32_t>(int64_t(min) + span / 2);
}

int32_t MapAxis(double position, const AxisProps& p) {
    if (std::isnan(position)) position = 0;
    const double m = std::fmin(std::fabs(position), 1.0);
    const double dz = p.deadZone / 10000.0;
    const double sat = p.saturation / 10000.0;
    const int64_t centre = RangeCentre(p.min, p.max);
    if (m <= dz) return static_cast<int32_t>(centre);
    // A saturation at or inside the dead zone leaves no band between them:
    // everything outside the dead zone is already at the end.
    const double frac = sat <= dz ? 1.0 : std::fmin(1.0, (m - dz) / (sat - dz));
    if (position > 0) {
        const int64_t half = int64_t(p.max) - centre;
        return static_cast<int32_t>(centre + std::llround(frac * double(half)));
    }
    const int64_t half = centre - int64_t(p.min);
    return static_cast<int32_t>(centre - std::llround(frac * double(half)));
}

}  // namespace vexo::plat::input
