// The music family of our platform: where performances send their sound,
// and a few views for tests and benchmarks.
#pragma once

#include <cstdint>

#include "common/DMusic.h"
#include "platform/audio/AudioOutput.h"

namespace vexo::plat::music {

// Where a playing performance is mixed: the process's audio output unless a
// test installs its own.
class Mixer {
public:
    virtual ~Mixer() = default;
    virtual void Add(audio::AudioSource* source) = 0;
    // Returns once `source` is no longer rendered.
    virtual void Remove(audio::AudioSource* source) = 0;
    virtual int32_t SampleRate() = 0;
    // The clock the performances keep time by: seconds, never going back.
    // By default real time since the music family was first used.
    virtual double Seconds();
};

// Starts the default clock if it is not running yet (a loader does, so that
// performances count time from the first set-up on).
void StartMusicClock();

Mixer& CurrentMixer();
// nullptr goes back to the audio output. Install before any performance plays.
void InstallMixer(Mixer* mixer);

// The sound source of one of our performances (nullptr for another kind).
audio::AudioSource* SourceOf(const Ref<DirectMusicPerformance>& performance);
// Frames the performance's synthesizer has rendered so far: an idle
// performance must not add to it.
uint64_t SynthFramesOf(const Ref<DirectMusicPerformance>& performance);
// Events the performance's sequencer has sent so far (tempo changes
// included): what a render of a hostile piece has cost.
uint64_t EventsSentOf(const Ref<DirectMusicPerformance>& performance);

// The factories registered with the root object.
Ref<DirectMusicLoader> CreateLoader();
Ref<DirectMusicPerformance> CreatePerformance();

}  // namespace vexo::plat::music
