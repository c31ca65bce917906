// Sound effects: the waves are made here (a jump blip, a chime for a gem, a
// thud for a landing, a night ambience of crickets and wind), written as
// 16-bit wave files and loaded into DX7Sound slots with several buffers each,
// so that quick repeats overlap instead of cutting each other off.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

#include "Game.h"

namespace demo {

namespace {
constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

void Put16(std::ofstream& f, uint16_t v) { f.put(char(v & 0xFF)).put(char(v >> 8)); }
void Put32(std::ofstream& f, uint32_t v) {
    Put16(f, uint16_t(v & 0xFFFF));
    Put16(f, uint16_t(v >> 16));
}

// Mono 16-bit PCM; samples -1 .. 1.
bool WriteWav(const std::string& path, const std::vector<float>& s) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const uint32_t bytes = static_cast<uint32_t>(s.size() * 2);
    f.write("RIFF", 4);
    Put32(f, 36 + bytes);
    f.write("WAVEfmt ", 8);
    Put32(f, 16);
    Put16(f, 1);
    Put16(f, 1);
    Put32(f, kRate);
    Put32(f, kRate * 2);
    Put16(f, 2);
    Put16(f, 16);
    f.write("data", 4);
    Put32(f, bytes);
    for (float v : s) {
        const float c = v < -1 ? -1 : v > 1 ? 1 : v;
        Put16(f, static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767))));
    }
    return static_cast<bool>(f);
}

std::vector<float> Blip() {
    // A square wave sweeping up an octave and a half, quickly fading.
    const int n = kRate * 15 / 100;
    std::vector<float> s(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / n;
        phase += (300.0 + 600.0 * t) / kRate;
        const double sq = std::fmod(phase, 1.0) < 0.5 ? 1.0 : -1.0;
        s[i] = static_cast<float>(0.35 * sq * (1.0 - t) * std::min(1.0, i / 60.0));
    }
    return s;
}

std::vector<float> Chime() {
    // Two bell tones a fifth apart, the second a little later.
    const int n = kRate / 2;
    std::vector<float> s(n);
    const int second = kRate * 7 / 100;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0.45 * std::sin(2 * kPi * 1318.5 * t) * std::exp(-t * 9);
        v += 0.12 * std::sin(2 * kPi * 2637.0 * t) * std::exp(-t * 14);
        if (i >= second) {
            const double u = double(i - second) / kRate;
            v += 0.45 * std::sin(2 * kPi * 1975.5 * u) * std::exp(-u * 7);
        }
        s[i] = static_cast<float>(v * std::min(1.0, i / 30.0));
    }
    return s;
}

std::vector<float> Thud() {
    // A low falling sine with a short burst of noise on top.
    const int n = kRate / 4;
    std::vector<float> s(n);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-1, 1);
    double phase = 0, lp = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / n;
        phase += (110.0 - 70.0 * t) / kRate;
        lp += 0.15 * (noise(rng) - lp);
        const double env = std::exp(-t * 6);
        s[i] = static_cast<float>((0.7 * std::sin(2 * kPi * phase) + 0.5 * lp * std::exp(-t * 25)) * env);
    }
    return s;
}

std::vector<float> Night() {
    // Two seconds of crickets over soft wind; the wind's swell and the chirps
    // repeat exactly over the loop, and the noise tail is blended into its
    // head, so the loop has no seam.
    const int n = kRate * 2, fade = kRate / 10;
    std::vector<float> wind(n + fade);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-1, 1);
    double a = 0, b = 0;
    for (float& w : wind) {
        a += 0.02 * (noise(rng) - a);
        b += 0.02 * (a - b);
        w = static_cast<float>(b * 6);
    }
    for (int i = 0; i < fade; ++i) {
        const float k = float(i) / fade;
        wind[i] = wind[i] * k + wind[n + i] * (1 - k);
    }
    std::vector<float> s(n);
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double swell = 0.6 + 0.4 * std::sin(2 * kPi * t / 2.0);
        double v = 0.25 * wind[i] * swell;
        // A chirp: three pulses of 4.4 kHz every half second.
        const double inChirp = std::fmod(t, 0.5);
        if (inChirp < 0.09) {
            const double pulse = std::fmod(inChirp, 0.03);
            if (pulse < 0.018) v += 0.08 * std::sin(2 * kPi * 4400 * t) * std::sin(kPi * pulse / 0.018);
        }
        s[i] = static_cast<float>(v);
    }
    return s;
}
}  // namespace

bool SoundEffects::Start(vexo::HWND hwnd, const std::string& dir) {
    int32_t hz = 44100, bits = 16, channels = 2;
    const int32_t rc = sound_.DsSetup(static_cast<int32_t>(hwnd), hz, bits, channels);
    if (rc != 0) {
        std::fprintf(stderr, "sound: DsSetup failed (%d); playing without sound\n", rc);
        return true;
    }
    struct Effect {
        int32_t slot;
        const char* file;
        std::vector<float> wave;
        int32_t copies;
    };
    Effect effects[] = {{kSfxJump, "jump.wav", Blip(), 4},
                        {kSfxChime, "chime.wav", Chime(), 4},
                        {kSfxThud, "thud.wav", Thud(), 2},
                        {kSfxWind, "night.wav", Night(), 1}};
    for (Effect& e : effects) {
        const std::string path = dir + "/" + e.file;
        if (!WriteWav(path, e.wave)) {
            std::fprintf(stderr, "sound: cannot write %s\n", path.c_str());
            continue;
        }
        const int32_t r = sound_.DsCreate(e.slot, path, e.copies);
        if (r != 0) std::fprintf(stderr, "sound: DsCreate %s gave %d\n", e.file, r);
        // Plays keep this volume (DsPlay with bFlags true).
        sound_.DsSetVolume(e.slot, -300);
    }
    ready_ = true;
    std::printf("sound: %d Hz, %d bits, %d channels; 4 effects loaded\n", hz, bits, channels);
    return true;
}

void SoundEffects::Play(int32_t slot, int x) {
    if (!ready_) return;
    // Pan toward the side of the screen the sound comes from, and keep that
    // pan (and the slot's volume) for this play.
    const int32_t pan = (x - 320) * 12;
    sound_.DsSetPan(slot, pan);
    vexo::VBBool keep = vexo::VB_TRUE;
    sound_.DsPlay(slot, keep);
}

void SoundEffects::Ambience(bool on) {
    if (!ready_ || on == windOn_) return;
    windOn_ = on;
    int32_t slot = kSfxWind;
    if (on) {
        // DsPlayLooping puts the volume back to full: set it afterwards.
        sound_.DsPlayLooping(slot);
        sound_.DsSetVolume(slot, -900);
    } else {
        sound_.DsStop(slot);
    }
}

void SoundEffects::Stop() {
    sound_.DsClose();
    ready_ = false;
}

}  // namespace demo
