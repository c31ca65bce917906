// Performances and segment states: what plays, stopping, master volume and
// tempo. The sequencer itself (Core::Render) is in Sequencer.cpp.
#include <algorithm>
#include <cmath>

#include "platform/music/MusicPlatform.h"
#include "platform/music/Objects.h"
#include "platform/music/Synth.h"

namespace vexo::plat::music {

std::mutex& MusicLock() {
    static std::mutex mu;
    return mu;
}

Ref<DirectMusicPerformance> CreatePerformance() { return MakeRef<Performance>(); }

audio::AudioSource* SourceOf(const Ref<DirectMusicPerformance>& p) {
    auto* perf = dynamic_cast<Performance*>(p.get());
    return perf ? perf->core.get() : nullptr;
}

uint64_t SynthFramesOf(const Ref<DirectMusicPerformance>& p) {
    auto* perf = dynamic_cast<Performance*>(p.get());
    if (!perf) return 0;
    std::lock_guard<std::mutex> lock(MusicLock());
    return perf->core->synthFrames;
}

// --- Segment state ------------------------------------------------------------

int32_t SegmentState::GetSeek() {
    std::lock_guard<std::mutex> lock(MusicLock());
    return state->active ? static_cast<int32_t>(state->pos) : state->seek;
}

// --- Performance ---------------------------------------------------------------

Performance::Performance() : core(std::make_shared<Core>()) {}

Performance::~Performance() {
    Detach();
    std::lock_guard<std::mutex> lock(MusicLock());
    core->StopWhere([](const PlayState&) { return true; }, false);
    core->FreeSynth();
}

void Performance::RequireInit() const {
    if (!inited_) Raise(status::DMUS_E_NOT_INIT);
}

void Performance::Init(const Ref<DirectSound>&, HWND) {
    if (inited_) Raise(status::DMUS_E_ALREADY_INITED);
    inited_ = true;
}

// The port is our software synthesizer. It is made when the performance
// first plays, so that loaded slots that never play cost next to nothing.
void Performance::SetPort(int32_t port, int32_t groups) {
    RequireInit();
    if ((port != -1 && port != 1) || groups < 1) Raise(status::E_INVALIDARG);
    port_ = true;
    groups_ = groups;
}

void Performance::SetMasterAutoDownload(VBBool enable) {
    RequireInit();
    autoDownload_ = enable != 0;
}

void Performance::CloseDown() {
    Detach();
    {
        std::lock_guard<std::mutex> lock(MusicLock());
        core->StopWhere([](const PlayState&) { return true; }, false);
        core->FreeSynth();
        core->fadeLeft = 0;
    }
    inited_ = false;
    port_ = false;
}

Ref<DirectMusicSegmentState> Performance::PlaySegment(const Ref<DirectMusicSegment>& segment, int32_t flags,
                                                      int32_t) {
    RequireInit();
    if (!segment) Raise(status::E_POINTER);
    auto* seg = dynamic_cast<Segment*>(segment.get());
    if (!seg) Raise(status::E_INVALIDARG);
    // Without SetPort the default port serves, as with a port of one group.
    if (!port_) {
        port_ = true;
        groups_ = 1;
    }
    auto st = std::make_shared<PlayState>();
    st->song = seg->song;
    st->segmentId = seg->id;
    st->primary = !(flags & DMUS_SEGF_SECONDARY);
    st->tempoEnable = seg->tempoEnable;
    st->repeatsLeft = seg->repeats;
    {
        std::lock_guard<std::mutex> lock(MusicLock());
        if (!core->EnsureSynth(CurrentMixer().SampleRate())) Raise(status::DMUS_E_SYNTHNOTCONFIGURED);
        // A primary segment takes over from the primary one playing.
        if (st->primary) core->StopWhere([](const PlayState& s) { return s.primary; });
        core->Start(st, seg->startPoint);
    }
    Attach();
    return MakeRef<SegmentState>(core, st);
}

void Performance::Stop(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state,
                       int32_t musicTime, int32_t) {
    RequireInit();
    auto* seg = dynamic_cast<Segment*>(segment.get());
    auto* ss = dynamic_cast<SegmentState*>(state.get());
    if ((segment && !seg) || (state && !ss)) Raise(status::E_INVALIDARG);
    const uint64_t segId = seg ? seg->id : 0;
    const PlayState* one = ss ? ss->state.get() : nullptr;
    auto pick = [&](const PlayState& s) {
        if (!seg && !one) return true;  // both empty: everything
        return (seg && s.segmentId == segId) || (one && &s == one);
    };
    bool any;
    {
        std::lock_guard<std::mutex> lock(MusicLock());
        any = std::any_of(core->playing.begin(), core->playing.end(), [&](const auto& s) { return pick(*s); });
    }
    // Only a stop that has something to stop reads the clock, so closing
    // loaded slots that never played starts no audio output.
    if (any) {
        const double seconds = CurrentMixer().Seconds();
        std::lock_guard<std::mutex> lock(MusicLock());
        const double now = core->ClockAt(seconds);
        if (musicTime > now) {
            // Due that much music time from now, counted in rendered time.
            const double at = core->perfTime + (musicTime - now);
            for (auto& s : core->playing)
                if (pick(*s)) {
                    s->stopAt = s->stopPending ? std::min(s->stopAt, at) : at;
                    s->stopPending = true;
                }
        } else {
            core->StopWhere(pick);
        }
    }
    DetachIfIdle();
}

VBBool Performance::IsPlaying(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state) {
    RequireInit();
    DetachIfIdle();
    auto* seg = dynamic_cast<Segment*>(segment.get());
    auto* ss = dynamic_cast<SegmentState*>(state.get());
    std::lock_guard<std::mutex> lock(MusicLock());
    for (auto& s : core->playing) {
        if (seg && s->segmentId == seg->id) return VB_TRUE;
        if (ss && s.get() == ss->state.get()) return VB_TRUE;
    }
    return VB_FALSE;
}

void Performance::SetMasterVolume(int32_t volume) {
    DetachIfIdle();
    volume_ = std::clamp(volume, DMUS_VOLUME_MIN, DMUS_VOLUME_MAX);
    std::lock_guard<std::mutex> lock(MusicLock());
    core->gain = static_cast<float>(std::pow(10.0, volume_ / 2000.0));
}
int32_t Performance::GetMasterVolume() { return volume_; }

void Performance::SetMasterTempo(float tempo) {
    if (!(tempo >= DMUS_MASTERTEMPO_MIN && tempo <= DMUS_MASTERTEMPO_MAX)) Raise(status::E_INVALIDARG);
    DetachIfIdle();
    {
        std::lock_guard<std::mutex> lock(MusicLock());
        if (core->masterTempo == tempo) return;
    }
    // The clock keeps the music time it reached and runs on at the new rate.
    const double seconds = CurrentMixer().Seconds();
    std::lock_guard<std::mutex> lock(MusicLock());
    core->clockAt = core->ClockAt(seconds);
    core->clockSince = seconds;
    core->masterTempo = tempo;
}
float Performance::GetMasterTempo() {
    std::lock_guard<std::mutex> lock(MusicLock());
    return static_cast<float>(core->masterTempo);
}

int32_t Performance::GetMusicTime() {
    const double seconds = CurrentMixer().Seconds();
    std::lock_guard<std::mutex> lock(MusicLock());
    return static_cast<int32_t>(std::fmod(core->ClockAt(seconds), 2147483648.0));
}

void Performance::Attach() {
    if (attached_) return;
    CurrentMixer().Add(core.get());
    attached_ = true;
}

// An idle performance gives its synthesizer back (1.7 MB): every play starts
// its channels afresh anyway, so the next play simply makes a new one. It
// leaves the mix once a stop's fade has been handed out as well.
void Performance::DetachIfIdle() {
    if (!attached_) return;
    {
        std::lock_guard<std::mutex> lock(MusicLock());
        if (!core->Idle()) return;
        core->FreeSynth();
        if (!core->Silent()) return;
    }
    Detach();
}

void Performance::Detach() {
    if (!attached_) return;
    CurrentMixer().Remove(core.get());
    attached_ = false;
}

}  // namespace vexo::plat::music
