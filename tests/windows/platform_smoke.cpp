// The Windows platform is linked whole and registers itself: the platform
// in force makes the root object.
#include <cstdio>

#include "common/Platform.h"

int main() {
    int fails = 0;
    try {
        vexo::Ref<vexo::DirectX7> root = vexo::api::CreateDirectX7();
        std::printf("ok    the root object is made\n");
    } catch (const vexo::VbError& e) {
        std::printf("FAIL  CreateDirectX7 raised %d\n", e.number());
        ++fails;
    }
    return fails ? 1 : 0;
}
