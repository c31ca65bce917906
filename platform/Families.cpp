#include "platform/Families.h"

namespace vexo::plat {

Families& RegisteredFamilies() {
    static Families f;
    return f;
}

}  // namespace vexo::plat
