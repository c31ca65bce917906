// How a physical axis position becomes the value a joystick reports: the
// range, dead zone and saturation properties of one axis.
#pragma once

#include <cstdint>

namespace vexo::plat::input {

struct AxisProps {
    int32_t deadZone = 0;        // ten-thousandths of the travel from the centre
    int32_t saturation = 10000;  // ten-thousandths of the travel from the centre
    int32_t min = 0;
    int32_t max = 65535;
};

// `position` is the physical deflection, -1 (one end) to 1 (the other), 0 at
// rest. Inside the dead zone the result is the centre of the range, past the
// saturation it is the end, in between it runs continuously from the centre
// to the end.
int32_t MapAxis(double position, const AxisProps& props);

// Centre of a range: the lower middle for an even number of steps
// (0..65535 gives 32767).
int32_t RangeCentre(int32_t min, int32_t max);

}  // namespace vexo::plat::input
