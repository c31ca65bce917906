// The sequencer: sends each playback's events to the synthesizer at their
// sample, following the piece's tempo changes and the master tempo, and
// renders the synthesizer only while something sounds.
#include <algorithm>
#include <cmath>

#include "platform/music/MusicPlatform.h"
#include "platform/music/Objects.h"
#include "platform/music/Synth.h"

namespace vexo::plat::music {

namespace {
// Rendered after the last voice ends, so the reverb dies away instead of
// being cut.
constexpr double kGraceSeconds = 0.25;
// The longest release let sound after the end of the music.
constexpr double kMaxTailSeconds = 10.0;
}  // namespace

Core::~Core() { FreeSynth(); }

uint64_t EventsSentOf(const Ref<DirectMusicPerformance>& p) {
    auto* perf = dynamic_cast<Performance*>(p.get());
    if (!perf) return 0;
    std::lock_guard<std::mutex> lock(MusicLock());
    return perf->core->eventsSent;
}

bool Core::EnsureSynth(int32_t sampleRate) {
    if (synth) return true;
    rate = sampleRate > 0 ? sampleRate : 44100;
    synth = CreateSynth(rate);
    if (scratch_.empty()) scratch_.resize(2 * 1024);
    // Room for the fade at any rate a mixer might ask for.
    if (fadeBuf.empty()) fadeBuf.resize(2 * size_t(std::ceil(kFadeSeconds * 192000)));
    return synth != nullptr;
}

void Core::FreeSynth() {
    DestroySynth(synth);
    synth = nullptr;
    tailing = false;
    graceLeft = 0;
}

uint16_t Core::ChannelsOfOthers(const PlayState* except) const {
    uint16_t m = 0;
    for (auto& s : playing)
        if (s.get() != except && s->active) m |= s->song->channelsUsed;
    return m;
}

// Every channel silenced at once, release tails and all.
void Core::CutAll() {
    for (int ch = 0; ch < 16; ++ch) {
        fluid_synth_cc(synth, ch, 64, 0);
        fluid_synth_all_notes_off(synth, ch);
        fluid_synth_all_sounds_off(synth, ch);
    }
    tailing = false;
    graceLeft = 0;
}

// Renders the next few milliseconds of what sounds, fading to nothing, for
// Render to hand out before anything else. Nothing to fade when nothing has
// been heard since the performance was last quiet, or when an earlier fade
// is still waiting to be heard (then nothing after it has been heard yet).
void Core::FadeOut() {
    if (!sounded || fadeLeft > 0) return;
    const int32_t n = std::min(int32_t(std::lround(kFadeSeconds * rate)), int32_t(fadeBuf.size() / 2));
    if (n <= 0) return;
    std::fill(fadeBuf.begin(), fadeBuf.begin() + 2 * n, 0.0f);
    Synthesize(fadeBuf.data(), n);
    for (int32_t i = 0; i < n; ++i) {
        float g = float(n - i) / float(n + 1);
        fadeBuf[2 * size_t(i)] *= g;
        fadeBuf[2 * size_t(i) + 1] *= g;
    }
    fadeAt = 0;
    fadeLeft = n;
    sounded = false;
}

// Channels the new playback uses and no other playback holds start from
// General MIDI defaults, so nothing carries over from what played before.
void Core::ResetChannels(uint16_t channels) {
    for (int ch = 0; ch < 16; ++ch) {
        if (!(channels & (1u << ch))) continue;
        fluid_synth_cc(synth, ch, 121, 0);
        fluid_synth_cc(synth, ch, 0, 0);
        fluid_synth_cc(synth, ch, 32, 0);
        fluid_synth_cc(synth, ch, 7, 100);
        fluid_synth_cc(synth, ch, 10, 64);
        fluid_synth_cc(synth, ch, 64, 0);
        fluid_synth_pitch_bend(synth, ch, 8192);
        fluid_synth_pitch_wheel_sens(synth, ch, 2);
        fluid_synth_program_change(synth, ch, 0);
    }
}

// Starting inside the piece: replay, in order, every program, controller,
// pitch bend and pressure change before the start point, and take the tempo
// in force there. Notes before it are not replayed; notes on it play.
void Core::Chase(PlayState& st, int32_t startPoint) {
    const auto& ev = st.song->events;
    size_t i = 0;
    for (; i < ev.size() && ev[i].time < startPoint; ++i) {
        const MidiEvent& e = ev[i];
        if (e.kind == MidiEvent::Tempo) {
            st.tempo = e.tempo;
            continue;
        }
        uint8_t hi = e.status & 0xF0;
        if (hi == 0x80 || hi == 0x90 || hi == 0xA0) continue;
        // Channel-mode messages that would cut other playbacks' notes.
        if (hi == 0xB0 && (e.data1 == 120 || e.data1 >= 123)) continue;
        Send(st, e);
    }
    st.next = i;
    st.pos = startPoint;
}

void Core::Start(const std::shared_ptr<PlayState>& st, int32_t startPoint) {
    if (Idle()) sounded = false;
    ResetChannels(st->song->channelsUsed & ~ChannelsOfOthers(nullptr));
    Chase(*st, startPoint);
    playing.push_back(st);
    tailing = false;
}

void Core::Send(PlayState& st, const MidiEvent& e) {
    ++eventsSent;
    if (e.kind == MidiEvent::Tempo) {
        st.tempo = e.tempo;
        return;
    }
    int ch = e.status & 15;
    switch (e.status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, ch, e.data1);
            st.sounding.reset(ch * 128 + e.data1);
            break;
        case 0x90:
            if (e.data2) {
                fluid_synth_noteon(synth, ch, e.data1, e.data2);
                st.sounding.set(ch * 128 + e.data1);
            } else {
                fluid_synth_noteoff(synth, ch, e.data1);
                st.sounding.reset(ch * 128 + e.data1);
            }
            break;
        case 0xA0: fluid_synth_key_pressure(synth, ch, e.data1, e.data2); break;
        case 0xB0: fluid_synth_cc(synth, ch, e.data1, e.data2); break;
        case 0xC0: fluid_synth_program_change(synth, ch, e.data1); break;
        case 0xD0: fluid_synth_channel_pressure(synth, ch, e.data1); break;
        case 0xE0: fluid_synth_pitch_bend(synth, ch, e.data1 | (e.data2 << 7)); break;
        default: break;
    }
}

// Ends the notes of one playback that is being stopped while others go on.
void Core::Silence(PlayState& st) {
    if (!synth) return;
    uint16_t others = ChannelsOfOthers(&st);
    for (int ch = 0; ch < 16; ++ch) {
        for (int key = 0; key < 128; ++key)
            if (st.sounding.test(ch * 128 + key)) fluid_synth_noteoff(synth, ch, key);
        // A held pedal would keep the stopped notes sounding.
        if ((st.song->channelsUsed & (1u << ch)) && !(others & (1u << ch))) {
            fluid_synth_cc(synth, ch, 64, 0);
            fluid_synth_all_sounds_off(synth, ch);
        }
    }
    st.sounding.reset();
}

double Core::TicksPerFrame(const PlayState& st) const {
    uint32_t tempo = st.tempoEnable ? st.tempo : kDefaultTempo;
    return kPpq * 1e6 / tempo / rate * masterTempo;
}

// Sends the events that are due and handles the end of a pass.
void Core::Advance(PlayState& st) {
    const auto& ev = st.song->events;
    for (;;) {
        while (st.next < ev.size() && ev[st.next].time <= st.pos) Send(st, ev[st.next++]);
        if (st.next < ev.size() || st.pos < st.song->length) return;
        // Notes the file never ended must not sound on into the next pass
        // or past the end.
        if (st.sounding.any())
            for (size_t k = 0; k < st.sounding.size(); ++k)
                if (st.sounding.test(k)) fluid_synth_noteoff(synth, int(k / 128), int(k % 128));
        st.sounding.reset();
        if (st.repeatsLeft > 0 && st.song->length > 0) {
            --st.repeatsLeft;
            st.pos -= st.song->length;
            // Whole passes that fall on this one sample (a piece far shorter
            // than a frame at its tempo) would sound as one: play only the
            // last of them, or such a piece would send all its repeats'
            // events at once. Each pass sets the same controllers and
            // programs, so the channels end up as they would have.
            if (double whole = std::floor(st.pos / st.song->length); whole >= 2) {
                const uint64_t skip = std::min<uint64_t>(st.repeatsLeft, uint64_t(whole) - 1);
                st.repeatsLeft -= skip;
                st.pos -= double(skip) * st.song->length;
            }
            st.next = 0;
            st.tempo = kDefaultTempo;
            continue;
        }
        // A pedal left down would hold the last notes for ever.
        uint16_t others = ChannelsOfOthers(&st);
        for (int ch = 0; ch < 16; ++ch)
            if ((st.song->channelsUsed & (1u << ch)) && !(others & (1u << ch))) {
                fluid_synth_cc(synth, ch, 64, 0);
                fluid_synth_cc(synth, ch, 66, 0);
            }
        st.active = false;
        st.seek = st.song->length;
        return;
    }
}

// Renders through a scratch buffer made with the synthesizer, so the audio
// thread never allocates.
void Core::Synthesize(float* out, int32_t frames) {
    const int32_t room = int32_t(scratch_.size() / 2);
    float* s = scratch_.data();
    for (int32_t done = 0; done < frames;) {
        int32_t n = std::min(frames - done, room);
        fluid_synth_write_float(synth, n, s, 0, 2, s, 1, 2);
        float* o = out + 2 * size_t(done);
        for (int32_t i = 0; i < n * 2; ++i) o[i] += s[i] * gain;
        done += n;
    }
    synthFrames += uint64_t(frames);
}

void Core::Render(float* out, int32_t frames, int32_t sampleRate) {
    std::lock_guard<std::mutex> lock(MusicLock());
    if (frames <= 0) return;
    int32_t done = 0;
    // A stop's fade goes out before anything else: what plays now began
    // after it.
    auto drainFade = [&] {
        int32_t k = std::min(frames - done, fadeLeft);
        const float* f = fadeBuf.data() + 2 * size_t(fadeAt);
        float* o = out + 2 * size_t(done);
        for (int32_t i = 0; i < 2 * k; ++i) o[i] += f[i];
        fadeAt += k;
        fadeLeft -= k;
        done += k;
    };
    drainFade();
    if (!synth) return;
    if (sampleRate > 0 && sampleRate != rate) {
        rate = sampleRate;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        fluid_synth_set_sample_rate(synth, float(rate));
#pragma GCC diagnostic pop
    }
    const double perfTpf = kPpq * 2.0 / rate * masterTempo;
    while (done < frames) {
        // Pending stops that are due, then the events that are due.
        StopWhere([&](const PlayState& s) { return s.stopPending && s.stopAt <= perfTime; });
        if (fadeLeft > 0) {
            drainFade();
            continue;
        }
        bool ended = false;
        for (auto& st : playing) {
            Advance(*st);
            ended |= !st->active;
        }
        if (ended) {
            std::erase_if(playing, [](const std::shared_ptr<PlayState>& s) { return !s->active; });
            if (playing.empty()) {
                tailing = true;
                graceLeft = int32_t(kGraceSeconds * rate);
                tailLeft = int32_t(kMaxTailSeconds * rate);
            }
        }
        int32_t n = frames - done;
        if (playing.empty()) {
            if (!tailing) break;
            if (tailLeft <= 0) {
                // A voice that will not die away (an endless sample loop).
                for (int ch = 0; ch < 16; ++ch) fluid_synth_all_sounds_off(synth, ch);
                tailing = false;
                break;
            }
            if (fluid_synth_get_active_voice_count(synth) == 0) {
                if (graceLeft <= 0) {
                    tailing = false;
                    break;
                }
                n = std::min(n, graceLeft);
                graceLeft -= n;
            } else {
                n = std::min(n, 256);
            }
            tailLeft -= n;
        } else {
            for (auto& st : playing) {
                const auto& ev = st->song->events;
                double nextTime = st->next < ev.size() ? ev[st->next].time : st->song->length;
                double f = std::ceil((nextTime - st->pos) / TicksPerFrame(*st));
                n = int32_t(std::clamp(f, 1.0, double(n)));
                if (st->stopPending) {
                    double g = std::ceil((st->stopAt - perfTime) / perfTpf);
                    n = int32_t(std::clamp(g, 1.0, double(n)));
                }
            }
        }
        Synthesize(out + 2 * size_t(done), n);
        sounded = true;
        for (auto& st : playing) st->pos += n * TicksPerFrame(*st);
        perfTime += n * perfTpf;
        done += n;
    }
}

}  // namespace vexo::plat::music
