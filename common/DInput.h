// Input platform: DirectInput objects the input component calls.
#pragma once

#include "common/DDraw.h"

namespace vexo {

class DirectInput : public Unknown {
public:
};

}  // namespace vexo
