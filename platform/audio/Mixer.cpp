// Mixing of the started buffers: linear-interpolation resampling to the
// output rate, gains from volume and pan, looping.
#include "platform/audio/Mixer.h"

#include <atomic>

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/audio/MixerSimd.h"

namespace vexo::audio {
namespace {

using simd::kFrac;

std::atomic<bool> g_wide{[] {
#if defined(__x86_64__) || defined(__i386__)
    // This runs during the library's static initialisation, possibly before
    // the processor model has been read.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
#else
    return false;
#endif
}()};
inline float Weight(uint64_t pos) { return static_cast<float>(static_cast<uint32_t>(pos) >> 8) * kFrac; }

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

#if defined(__SSE2__)
template <class T>
inline T LoadAt(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline __m128 Lerp(__m128 a, __m128 b, __m128 t) { return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t)); }

inline __m128i Low16(__m128i v) { return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16); }

inline void AddFrames(float* o, __m128 l, __m128 r) {
    _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_unpacklo_ps(l, r)));
    _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_unpackhi_ps(l, r)));
}

// Four frames at a time. One load fetches a frame and its right-hand
// neighbour together, the caller guaranteeing that both lie in the data.
// Gives exactly the scalar loop's samples. Returns the frames done.
template <int Bits, int Ch>
int32_t MixRunSse(const uint8_t* base, uint64_t& pos, uint64_t step, float gl, float gr, float* o, int32_t run) {
    const __m128 vgl = _mm_set1_ps(gl), vgr = _mm_set1_ps(gr), k = _mm_set1_ps(kFrac);
    const __m128 bias = _mm_set1_ps(Bits == 8 ? 128.0f : 0.0f);
    constexpr int kFrame = Bits / 8 * Ch;
    // The fractions of four consecutive positions advance as 32-bit lanes:
    // their wrap-around is exactly the carry into the frame index.
    const uint32_t s32 = static_cast<uint32_t>(step);
    __m128i frac = _mm_set_epi32(static_cast<int32_t>(static_cast<uint32_t>(pos) + 3 * s32),
                                 static_cast<int32_t>(static_cast<uint32_t>(pos) + 2 * s32),
                                 static_cast<int32_t>(static_cast<uint32_t>(pos) + s32),
                                 static_cast<int32_t>(static_cast<uint32_t>(pos)));
    const __m128i frac4 = _mm_set1_epi32(static_cast<int32_t>(4 * s32));
    int32_t i = 0;
    for (; i + 4 <= run; i += 4) {
        uint64_t p[4] = {pos, pos + step, pos + 2 * step, pos + 3 * step};
        pos += 4 * step;
        const uint8_t* q[4];
        for (int j = 0; j < 4; ++j) q[j] = base + (p[j] >> 32) * kFrame;
        // A hundred voices are more streams than the hardware prefetcher
        // follows; ask for the data a little ahead (a hint, never a fault).
        _mm_prefetch(reinterpret_cast<const char*>(q[3]) + 256, _MM_HINT_T0);
        __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(frac, 8)), k);
        frac = _mm_add_epi32(frac, frac4);
        __m128 l, r;
        if constexpr (Bits == 16 && Ch == 1) {
            __m128i v = _mm_set_epi32(LoadAt<int32_t>(q[3]), LoadAt<int32_t>(q[2]), LoadAt<int32_t>(q[1]),
                                      LoadAt<int32_t>(q[0]));
            __m128 x = Lerp(_mm_cvtepi32_ps(Low16(v)), _mm_cvtepi32_ps(_mm_srai_epi32(v, 16)), t);
            l = _mm_mul_ps(x, vgl);
            r = _mm_mul_ps(x, vgr);
        } else if constexpr (Bits == 8 && Ch == 1) {
            __m128i v = _mm_set_epi32(LoadAt<uint16_t>(q[3]), LoadAt<uint16_t>(q[2]), LoadAt<uint16_t>(q[1]),
                                      LoadAt<uint16_t>(q[0]));
            __m128 a = _mm_sub_ps(_mm_cvtepi32_ps(_mm_and_si128(v, _mm_set1_epi32(0xFF))), bias);
            __m128 b = _mm_sub_ps(_mm_cvtepi32_ps(_mm_srli_epi32(v, 8)), bias);
            __m128 x = Lerp(a, b, t);
            l = _mm_mul_ps(x, vgl);
            r = _mm_mul_ps(x, vgr);
        } else if constexpr (Bits == 16 && Ch == 2) {
            // Each 64-bit load holds (aL aR) (bL bR) of one frame.
            __m128 v01 = _mm_castsi128_ps(_mm_set_epi64x(LoadAt<int64_t>(q[1]), LoadAt<int64_t>(q[0])));
            __m128 v23 = _mm_castsi128_ps(_mm_set_epi64x(LoadAt<int64_t>(q[3]), LoadAt<int64_t>(q[2])));
            __m128i a = _mm_castps_si128(_mm_shuffle_ps(v01, v23, _MM_SHUFFLE(2, 0, 2, 0)));
            __m128i b = _mm_castps_si128(_mm_shuffle_ps(v01, v23, _MM_SHUFFLE(3, 1, 3, 1)));
            l = _mm_mul_ps(Lerp(_mm_cvtepi32_ps(Low16(a)), _mm_cvtepi32_ps(Low16(b)), t), vgl);
            r = _mm_mul_ps(Lerp(_mm_cvtepi32_ps(_mm_srai_epi32(a, 16)), _mm_cvtepi32_ps(_mm_srai_epi32(b, 16)), t),
                           vgr);
        } else {
            // Each 32-bit load holds aL aR bL bR of one frame.
            __m128i v = _mm_set_epi32(LoadAt<int32_t>(q[3]), LoadAt<int32_t>(q[2]), LoadAt<int32_t>(q[1]),
                                      LoadAt<int32_t>(q[0]));
            const __m128i m = _mm_set1_epi32(0xFF);
            __m128 aL = _mm_sub_ps(_mm_cvtepi32_ps(_mm_and_si128(v, m)), bias);
            __m128 aR = _mm_sub_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(v, 8), m)), bias);
            __m128 bL = _mm_sub_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(v, 16), m)), bias);
            __m128 bR = _mm_sub_ps(_mm_cvtepi32_ps(_mm_srli_epi32(v, 24)), bias);
            l = _mm_mul_ps(Lerp(aL, bL, t), vgl);
            r = _mm_mul_ps(Lerp(aR, bR, t), vgr);
        }
        AddFrames(o + 2 * i, l, r);
    }
    return i;
}
#endif

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
            int32_t i = 0;
#if defined(__x86_64__)
            constexpr uint64_t need = simd::NeededFrames(Bits, Ch);
            const uint64_t wideEnd = n >= need ? (n - need + 1) << 32 : 0;
            if (g_wide.load(std::memory_order_relaxed) && pos < wideEnd) {
                uint64_t kw = (wideEnd - pos + step - 1) / step;
                int32_t wide = static_cast<int32_t>(std::min<uint64_t>(kw, static_cast<uint64_t>(run)));
                i = simd::MixRunAvx2(Bits, Ch, d.bytes.data(), pos, step, gl, gr, o, wide);
            }
#endif
#if defined(__SSE2__)
            i += MixRunSse<Bits, Ch>(d.bytes.data(), pos, step, gl, gr, o + 2 * i, run - i);
#endif
            for (; i < run; ++i) {
                int64_t idx = static_cast<int64_t>(pos >> 32);
                float t = Weight(pos);
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
            float t = Weight(pos);
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

namespace simd {
bool WideVectors() { return g_wide.load(); }
void EnableWideVectors(bool on) {
#if defined(__x86_64__)
    g_wide = on && __builtin_cpu_supports("avx2");
#else
    (void)on;
#endif
}
}  // namespace simd

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
