// What the layer adds to the system's component object model on Windows.
#include "com/Com.h"

namespace vexo::com {

void ResetExcepInfo(EXCEPINFO* e) { *e = EXCEPINFO{}; }

}  // namespace vexo::com
