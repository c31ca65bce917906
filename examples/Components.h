// The demo's four component objects. Normally plain C++ objects; with
// --activate each is created by program identifier through the activation
// layer, and the demo drives the C++ object behind the automation object
// (the demo links the same libraries the registry points at).
#pragma once

#include "draw/DX7Draw.h"
#include "input/DXInput.h"
#include "music/DXMusic.h"
#include "sound/DX7Sound.h"

namespace demo {

// False (with a message on stderr) when an object cannot be created.
bool OpenComponents(bool activate);
// Releases the objects; with activation, false when a library still has live
// objects afterwards.
bool CloseComponents();

vexo::DX7Draw& Draw();
vexo::DXInput& Input();
vexo::DX7Sound& Sound();
vexo::DXMusic& Music();

}  // namespace demo
