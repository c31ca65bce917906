// Music platform: DirectMusic objects the music component calls.
#pragma once

#include "common/DDraw.h"

namespace vexo {

class DirectMusicLoader : public Unknown {
public:
};

class DirectMusicPerformance : public Unknown {
public:
};

}  // namespace vexo
