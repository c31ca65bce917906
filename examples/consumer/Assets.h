// The game's files, written by the game itself so that it needs nothing
// beside the installed library: a sprite, a sound effect and a tune.
#pragma once

#include <string>

namespace game {

// Colours as the library takes them: red in the low byte.
constexpr int Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

constexpr int kSpriteSize = 32;
constexpr int kKeyColour = Rgb(255, 0, 255);  // magenta: transparent
constexpr int kBodyColour = Rgb(255, 0, 0);   // red
constexpr int kEyeColour = Rgb(255, 255, 255);

// A red ball on a magenta ground, kSpriteSize square, as a 24-bit bitmap.
bool WriteSprite(const std::string& path);
// A short rising beep, 16-bit mono at 22050 Hz.
bool WriteBeep(const std::string& path);
// Four bars of a tune on the piano, as a standard MIDI file.
bool WriteTune(const std::string& path);

}  // namespace game
