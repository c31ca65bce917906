// Placeholder for a piece not written yet: each call raises 445 "not
// supported", so a DLL loads and reports what it lacks.
#include "platform/windows/WinPlatform.h"

namespace vexo::win {

Ref<DirectDraw7> CreateDirectDraw(const std::string&) { Raise(ERR_NOT_SUPPORTED); }

}  // namespace vexo::win
