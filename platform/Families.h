// The root object's factories for the input, sound and music families. Each
// family registers its factory when the platform library loads, so the root
// does not depend on which families are built.
#pragma once

#include <functional>
#include <string>

#include "common/DDraw.h"

namespace vexo::plat {

struct Families {
    std::function<Ref<DirectInput>()> input;
    std::function<Ref<DirectSound>(const std::string& guid)> sound;
    std::function<Ref<DirectMusicLoader>()> musicLoader;
    std::function<Ref<DirectMusicPerformance>()> musicPerformance;
};

Families& RegisteredFamilies();

}  // namespace vexo::plat
