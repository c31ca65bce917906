// Pieces of the SDL2 backend that tests and benchmarks reach directly.
#pragma once

#include <memory>

#include "common/Types.h"
#include "platform/backend/Backend.h"

namespace vexo::plat {

// Where a w x h picture lands on an outW x outH full screen: centred, aspect
// kept, scaled by the largest whole factor that fits (by the largest
// fraction when even 1x does not fit). Empty for empty sizes.
RECT FitPicture(int32_t w, int32_t h, int32_t outW, int32_t outH);

// The SDL2 backend; null when SDL's video cannot start here.
std::unique_ptr<Backend> CreateSdlBackend(BackendEvents& events);

}  // namespace vexo::plat
