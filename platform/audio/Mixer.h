// The sound-buffer mixer: one audio source that plays every started buffer
// (voice) with its volume, pan, frequency and looping.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/SoundData.h"

namespace vexo::audio {

// The playing state of one buffer. Every field is guarded by the mixer's
// lock; the audio thread reads and advances it while mixing.
struct Voice {
    std::shared_ptr<const SoundData> data;
    uint64_t pos = 0;  // frames, 32.32 fixed point
    bool playing = false;
    bool looping = false;
    int32_t volume = 0;      // hundredths of a dB
    int32_t pan = 0;         // hundredths of a dB, signed
    int32_t frequency = 0;   // Hz; 0 = the data's own rate
    float gainL = 1, gainR = 1;
    int32_t active = -1;     // index in the mixer's active list, -1 when idle
};

class Mixer final : public AudioSource {
public:
    // The process's mixer, added to AudioOutput::Get() on first use.
    static Mixer& Get();

    std::mutex& Lock() { return mu_; }
    // Caller holds Lock().
    void Start(Voice& v);
    void Halt(Voice& v);
    static void UpdateGains(Voice& v);

    void Render(float* out, int32_t frames, int32_t sampleRate) override;

private:
    Mixer();
    std::mutex mu_;
    std::vector<Voice*> active_;
};

}  // namespace vexo::audio
