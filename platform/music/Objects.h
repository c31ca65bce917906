// Our DirectMusic objects. A performance's playing state lives in a Core
// shared with the segment states it handed out, so a state can still report
// its position after its performance is gone.
#pragma once

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <fluidsynth.h>

#include "common/DMusic.h"
#include "platform/audio/AudioOutput.h"
#include "platform/music/MidiFile.h"

namespace vexo::plat::music {

// Guards every Core and every synthesizer: the app thread changes what
// plays while the audio thread renders, and the synthesizers share one font.
std::mutex& MusicLock();

class Segment final : public DirectMusicSegment {
public:
    explicit Segment(std::shared_ptr<const Song> song);
    void SetRepeats(int32_t repeats) override;
    int32_t GetRepeats() override;
    void SetAutoDownloadEnable(VBBool enable) override;
    void SetStandardMidiFile() override;
    void Download(const Ref<DirectMusicPerformance>& performance) override;
    void Unload(const Ref<DirectMusicPerformance>& performance) override;
    void SetTempoEnable(VBBool enable) override;
    void SetStartPoint(int32_t musicTime) override;
    int32_t GetStartPoint() override;
    int32_t GetLength() override;

    const std::shared_ptr<const Song> song;
    const uint64_t id;  // identity for Stop, never reused
    uint32_t repeats = 0;
    bool tempoEnable = true;
    int32_t startPoint = 0;
    bool autoDownload = false;
    bool standardMidi = false;
    int32_t downloads = 0;
};

class Loader final : public DirectMusicLoader {
public:
    void SetSearchDirectory(const std::string& path) override;
    Ref<DirectMusicSegment> LoadSegment(const std::string& filename) override;

private:
    std::string dir_;
};

// One playback of a segment.
struct PlayState {
    std::shared_ptr<const Song> song;
    uint64_t segmentId = 0;
    bool primary = false;
    bool tempoEnable = true;
    uint64_t repeatsLeft = 0;
    double pos = 0;     // music time within the current pass
    size_t next = 0;    // next event to send
    uint32_t tempo = kDefaultTempo;
    bool active = true;
    int32_t seek = 0;   // what GetSeek reports once the playback is over
    bool stopPending = false;
    double stopAt = 0;  // performance music time
    std::bitset<16 * 128> sounding;
};

// How long a stop takes to fade the sound out: short enough to count as at
// once, long enough not to click.
inline constexpr double kFadeSeconds = 0.005;

class Core final : public audio::AudioSource {
public:
    ~Core() override;
    void Render(float* out, int32_t frames, int32_t sampleRate) override;

    // Everything below is guarded by MusicLock().
    bool EnsureSynth(int32_t sampleRate);
    void FreeSynth();
    void Start(const std::shared_ptr<PlayState>& st, int32_t startPoint);
    // Silences and drops the playbacks for which `pick` is true. When that
    // leaves nothing playing, the sound fades out over kFadeSeconds rather
    // than stopping dead, unless `fade` is false.
    template <class Pick>
    void StopWhere(Pick pick, bool fade = true);
    // Nothing left for the synthesizer to do.
    bool Idle() const { return playing.empty() && !tailing; }
    // Nothing left to hand to the mixer either.
    bool Silent() const { return Idle() && fadeLeft == 0; }
    // The performance's clock in music time at `seconds` of the mixer's
    // clock: it runs at the master tempo whether or not anything renders.
    double ClockAt(double seconds) const { return clockAt + (seconds - clockSince) * kPpq * 2.0 * masterTempo; }

    fluid_synth_t* synth = nullptr;
    int32_t rate = 44100;
    std::vector<std::shared_ptr<PlayState>> playing;
    double masterTempo = 1.0;
    float gain = 1.0f;
    double perfTime = 0;  // music time rendered, for stops due later
    double clockAt = 0;   // ClockAt(clockSince); moved on at tempo changes
    double clockSince = 0;
    // The fade of a stop, rendered at once and handed out before anything
    // else; the synthesizer is silenced right after rendering it.
    std::vector<float> fadeBuf;
    int32_t fadeAt = 0;
    int32_t fadeLeft = 0;
    bool sounded = false;  // rendered anything since it last fell idle
    bool tailing = false;
    int32_t graceLeft = 0;
    int32_t tailLeft = 0;
    uint64_t synthFrames = 0;
    uint64_t eventsSent = 0;

private:
    void Send(PlayState& st, const MidiEvent& e);
    void Chase(PlayState& st, int32_t startPoint);
    void ResetChannels(uint16_t channels);
    void Silence(PlayState& st);
    void Advance(PlayState& st);
    double TicksPerFrame(const PlayState& st) const;
    void Synthesize(float* out, int32_t frames);
    uint16_t ChannelsOfOthers(const PlayState* except) const;
    void CutAll();
    void FadeOut();

    std::vector<float> scratch_;
};

template <class Pick>
void Core::StopWhere(Pick pick, bool fade) {
    bool any = false;
    for (auto& st : playing) {
        if (!pick(*st)) continue;
        st->active = false;
        st->seek = static_cast<int32_t>(st->pos);
        any = true;
    }
    if (!any) return;
    const bool all = std::none_of(playing.begin(), playing.end(), [](const auto& s) { return s->active; });
    if (all && synth) {
        for (auto& st : playing) st->sounding.reset();
        if (fade) FadeOut();
        CutAll();
    } else {
        for (auto& st : playing)
            if (!st->active) Silence(*st);
    }
    std::erase_if(playing, [](const std::shared_ptr<PlayState>& s) { return !s->active; });
}

class SegmentState final : public DirectMusicSegmentState {
public:
    SegmentState(std::shared_ptr<Core> core, std::shared_ptr<PlayState> st)
        : core(std::move(core)), state(std::move(st)) {}
    int32_t GetSeek() override;

    const std::shared_ptr<Core> core;
    const std::shared_ptr<PlayState> state;
};

class Performance final : public DirectMusicPerformance {
public:
    Performance();
    ~Performance() override;
    void Init(const Ref<DirectSound>& sound, HWND hwnd) override;
    void SetPort(int32_t port, int32_t groups) override;
    void SetMasterAutoDownload(VBBool enable) override;
    void CloseDown() override;
    Ref<DirectMusicSegmentState> PlaySegment(const Ref<DirectMusicSegment>& segment, int32_t flags,
                                             int32_t startTime) override;
    void Stop(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state, int32_t musicTime,
              int32_t flags) override;
    VBBool IsPlaying(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state) override;
    void SetMasterVolume(int32_t volume) override;
    int32_t GetMasterVolume() override;
    void SetMasterTempo(float tempo) override;
    float GetMasterTempo() override;
    int32_t GetMusicTime() override;

    bool Initialised() const { return inited_; }
    const std::shared_ptr<Core> core;

private:
    void RequireInit() const;
    // Adds the core to the mixer while it plays, takes it out once idle.
    // Called without the music lock: the mixer's own lock comes first.
    void Attach();
    void DetachIfIdle();
    void Detach();

    bool inited_ = false;
    bool port_ = false;
    int32_t groups_ = 0;
    bool autoDownload_ = false;
    int32_t volume_ = 0;
    bool attached_ = false;
};

}  // namespace vexo::plat::music
