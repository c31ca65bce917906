// What the sound family shares with the music family and the tests: the
// system objects behind our DirectSound objects.
#pragma once

#include "common/DSound.h"

struct IDirectSound;
struct IDirectSoundBuffer;

namespace vexo::win {

// The system device behind `sound`, or null for an empty reference; raises
// E_INVALIDARG for a DirectSound object of another kind.
::IDirectSound* SystemDeviceOf(const Ref<DirectSound>& sound);

// The system buffer behind `buffer`, or null when it is not one of ours.
::IDirectSoundBuffer* SystemBufferOf(const Ref<DirectSoundBuffer>& buffer);

}  // namespace vexo::win
