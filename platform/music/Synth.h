// FluidSynth synthesizers sharing one General MIDI sound font per process.
#pragma once

#include <cstdint>
#include <string>

#include <fluidsynth.h>

namespace vexo::plat::music {

// The sound font in use: VEXO_SOUNDFONT when set, else the installed
// General MIDI font. Empty when none is found.
std::string SoundFontPath();

// A synthesizer at `sampleRate` with the shared font, or nullptr when the
// font cannot be loaded. The font is loaded on the first call only.
fluid_synth_t* CreateSynth(int32_t sampleRate);
void DestroySynth(fluid_synth_t* synth);

}  // namespace vexo::plat::music
