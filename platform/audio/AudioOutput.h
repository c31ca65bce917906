// The one audio output of the process. Sound buffers and music performances
// are sources mixed into it. Sources render on the audio thread.
//
// The output runs in one of three modes, chosen when it is first used:
//  - device: SDL2's audio device, 48 kHz stereo float, 512 frames (about
//    10.7 ms) a device buffer;
//  - silent: no device (VEXO_BACKEND=headless, SDL_AUDIODRIVER=dummy, or the
//    device would not open, which is told in one line on stderr); a clock
//    thread renders and discards the mix as real time passes, so sources
//    advance exactly as they would sound;
//  - offline: entered by the first RenderOffline; the device or clock stops
//    and only RenderOffline advances the sources.
// A device that goes away while in use (SDL reports it removed, or it stops)
// is closed and the silent clock takes over, so sounds play to their end
// unheard; the next DirectSoundCreate looks for a device again.
#pragma once

#include <cstdint>

namespace vexo::audio {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Adds `frames` frames of interleaved stereo float samples at
    // `sampleRate` into `out` (which already holds other sources' sound).
    // Runs on the audio thread: no allocation, no file I/O, no long waits.
    virtual void Render(float* out, int32_t frames, int32_t sampleRate) = 0;
};

class AudioOutput {
public:
    enum class Mode { Device, Silent, Offline };

    static AudioOutput& Get();
    virtual ~AudioOutput() = default;
    // Thread-safe. A source added while the output renders joins at the
    // next block. Both calls wait for a block being rendered to finish, so
    // never make them while holding a lock that your Render takes.
    virtual void AddSource(AudioSource* src) = 0;
    // Returns once the audio thread no longer uses `src`.
    virtual void RemoveSource(AudioSource* src) = 0;
    virtual int32_t SampleRate() const = 0;
    // Offline rendering (no device, clock stopped): mixes `frames` frames of
    // every source into `out` (interleaved stereo), advancing the clock. The
    // first call stops the device or the silent clock for good; `out` may be
    // null to advance without keeping the sound (frames 0 just switches).
    virtual void RenderOffline(float* out, int32_t frames) = 0;
    virtual Mode CurrentMode() const = 0;
    // Frames of one block handed to the sources (the device buffer size).
    virtual int32_t BlockFrames() const = 0;
    // Frames rendered since the output started, in every mode.
    virtual int64_t FramesRendered() const = 0;

    // Moves to the silent clock if the device has gone away. Cheap; called
    // from the application's thread by calls that need time to pass. Never
    // call it while holding a lock that a source's Render takes.
    virtual void CheckDevice() = 0;
    // After a lost device, tries to open one again (the silent clock goes on
    // when none opens).
    virtual void Reconnect() = 0;
    // Test seam: what SDL does when the open device is unplugged (the device
    // stops calling for sound and a removal event is posted). False when no
    // device is open.
    virtual bool SimulateDeviceRemoval() = 0;
};

}  // namespace vexo::audio
