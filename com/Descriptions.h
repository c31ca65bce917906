// The interface descriptions of the four component classes. Each lives in a
// source of its own beside its component (draw/DX7DrawDescription.cpp, ...)
// that needs nothing but com/TypeDesc.h, so that the build's generator of
// interface definitions and typed headers (com/idlgen) is made from exactly
// the descriptions the components dispatch by, without their code.
#pragma once

#include "com/TypeDesc.h"

namespace vexo::com {

const ClassDesc& DX7DrawDescription();
const ClassDesc& DXInputDescription();
const ClassDesc& DX7SoundDescription();
const ClassDesc& DXMusicDescription();

}  // namespace vexo::com
