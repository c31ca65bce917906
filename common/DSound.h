// Sound platform: DirectSound objects the sound component calls.
#pragma once

#include "common/DDraw.h"

namespace vexo {

class DirectSound : public Unknown {
public:
};

}  // namespace vexo
