// Standard MIDI files read into one time-ordered event list in music time
// (768 ticks per quarter note), ready for the sequencer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexo::plat::music {

inline constexpr int32_t kPpq = 768;
inline constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 BPM

struct MidiEvent {
    enum Kind : uint8_t { Channel, Tempo };
    int32_t time;    // music time
    Kind kind;
    uint8_t status;  // channel messages: status byte with the channel
    uint8_t data1;
    uint8_t data2;
    uint32_t tempo;  // Tempo: microseconds per quarter note
};

static_assert(sizeof(MidiEvent) == 12);

struct Song {
    std::vector<MidiEvent> events;  // sorted by time, file order kept among equals
    int32_t length = 0;             // music time of the end of the longest track
    uint16_t channelsUsed = 0;      // bit per MIDI channel
    uint8_t timeSigNumerator = 4;   // first time signature, 4/4 when none
    uint8_t timeSigDenominator = 4;
};

// Largest file accepted: real MIDI files are far smaller, and the bound keeps
// a hostile file's events (12 bytes for every 2 bytes of file at most) under
// 25 MB.
inline constexpr size_t kMaxMidiFileBytes = 4u << 20;

// Parses a file's bytes. Returns 0 and fills `song`, or the failure status
// (not MIDI: DMUS_E_LOADER_FORMATNOTSUPPORTED; damaged, or fewer tracks than
// the header says: DMUS_E_INVALIDFILE). A file that ends inside its last
// track gives the whole events before the end.
int32_t ParseMidi(std::span<const uint8_t> bytes, Song& song);

// Reads and parses a file; a file that cannot be opened gives
// DMUS_E_LOADER_FAILEDOPEN.
int32_t LoadMidiFile(const std::string& path, Song& song);

}  // namespace vexo::plat::music
