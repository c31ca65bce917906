// Mixing of the started buffers: linear-interpolation resampling to the
// output rate, gains from volume and pan, looping.
#include "platform/audio/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vexo::audio {
namespace {

constexpr float kFrac = 1.0f / 4294967296.0f;

template <int Bits, int Ch>
struct Reader {
    const uint8_t* base;
    float operator()(int64_t frame, int c) const {
        if constexpr (Bits == 16) {
            int16_t s;
            std::memcpy(&s, base + (frame * Ch + c) * 2, 2);
            return static_cast<float>(s);
        } else {
            return static_cast<float>(base[frame * Ch + c]) - 128.0f;
        }
    }
};

// Mixes one voice into `out`; returns true when a one-shot voice reached its
// end (it is then stopped by the caller).
template <int Bits, int Ch>
bool MixVoice(Voice& v, float* out, int32_t frames, int32_t rate) {
    const SoundData& d = *v.data;
    const uint64_t n = static_cast<uint64_t>(d.frames);
    const uint64_t end = n << 32;
    const uint64_t safeEnd = (n - 1) << 32;
    const int32_t freq = v.frequency ? v.frequency : d.format.lSamplesPerSec;
    const uint64_t step = (static_cast<uint64_t>(freq) << 32) / static_cast<uint64_t>(rate);
    const float scale = Bits == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
    const float gl = v.gainL * scale, gr = v.gainR * scale;
    const Reader<Bits, Ch> S{d.bytes.data()};
    uint64_t pos = v.pos;

    // Silent voices only move on.
    if (gl == 0.0f && gr == 0.0f) {
        uint64_t to = pos + step * static_cast<uint64_t>(frames);
        if (to < end) {
            v.pos = to;
            return false;
        }
        if (!v.looping) return true;
        v.pos = to % end;
        return false;
    }

    int32_t f = 0;
    while (f < frames) {
        if (pos >= end) {
            if (!v.looping) return true;
            pos %= end;
        }
        if (pos < safeEnd) {
            // Every frame of this run has its right-hand neighbour in the data.
            uint64_t k = (safeEnd - pos + step - 1) / step;
            int32_t run = static_cast<int32_t>(std::min<uint64_t>(k, static_cast<uint64_t>(frames - f)));
            float* o = out + 2 * f;
            for (int32_t i = 0; i < run; ++i) {
                int64_t idx = static_cast<int64_t>(pos >> 32);
                float t = static_cast<float>(pos & 0xFFFFFFFFu) * kFrac;
                float a0 = S(idx, 0), b0 = S(idx + 1, 0);
                float l = a0 + (b0 - a0) * t;
                if constexpr (Ch == 2) {
                    float a1 = S(idx, 1), b1 = S(idx + 1, 1);
                    float r = a1 + (b1 - a1) * t;
                    o[2 * i] += l * gl;
                    o[2 * i + 1] += r * gr;
                } else {
                    o[2 * i] += l * gl;
                    o[2 * i + 1] += l * gr;
                }
                pos += step;
            }
            f += run;
        } else {
            // The last frame leans towards the start when looping, else holds.
            int64_t last = static_cast<int64_t>(n - 1);
            int64_t next = v.looping ? 0 : last;
            float t = static_cast<float>(pos & 0xFFFFFFFFu) * kFrac;
            float a0 = S(last, 0), b0 = S(next, 0);
            float l = a0 + (b0 - a0) * t;
            float r = l;
            if constexpr (Ch == 2) {
                float a1 = S(last, 1), b1 = S(next, 1);
                r = a1 + (b1 - a1) * t;
            }
            out[2 * f] += l * gl;
            out[2 * f + 1] += r * gr;
            pos += step;
            ++f;
        }
    }
    if (pos >= end && !v.looping) return true;
    v.pos = v.looping ? pos % end : pos;
    return false;
}

bool Mix(Voice& v, float* out, int32_t frames, int32_t rate) {
    const WAVEFORMATEX& f = v.data->format;
    if (f.nBitsPerSample == 16) {
        return f.nChannels == 2 ? MixVoice<16, 2>(v, out, frames, rate) : MixVoice<16, 1>(v, out, frames, rate);
    }
    return f.nChannels == 2 ? MixVoice<8, 2>(v, out, frames, rate) : MixVoice<8, 1>(v, out, frames, rate);
}

float Attenuation(int32_t hundredthsDb) {
    if (hundredthsDb <= DSBVOLUME_MIN) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

}  // namespace

Mixer::Mixer() { active_.reserve(256); }

Mixer& Mixer::Get() {
    // Never destroyed, like the output it is added to.
    static Mixer* m = [] {
        auto* mixer = new Mixer();
        AudioOutput::Get().AddSource(mixer);
        return mixer;
    }();
    return *m;
}

void Mixer::Start(Voice& v) {
    v.playing = true;
    if (v.active >= 0) return;
    v.active = static_cast<int32_t>(active_.size());
    active_.push_back(&v);
}

void Mixer::Halt(Voice& v) {
    v.playing = false;
    v.looping = false;
    if (v.active < 0) return;
    Voice* last = active_.back();
    active_[static_cast<size_t>(v.active)] = last;
    last->active = v.active;
    active_.pop_back();
    v.active = -1;
}

void Mixer::UpdateGains(Voice& v) {
    float amp = Attenuation(v.volume);
    v.gainL = amp * (v.pan > 0 ? Attenuation(-v.pan) : 1.0f);
    v.gainR = amp * (v.pan < 0 ? Attenuation(v.pan) : 1.0f);
}

void Mixer::Render(float* out, int32_t frames, int32_t sampleRate) {
    std::lock_guard<std::mutex> lock(mu_);
    // Downwards, so a voice that ends can be swapped out with the last one,
    // which has already been mixed.
    for (size_t i = active_.size(); i-- > 0;) {
        Voice& v = *active_[i];
        if (Mix(v, out, frames, sampleRate)) {
            Halt(v);
            v.pos = 0;
        }
    }
}

}  // namespace vexo::audio
