// Writes the seed corpora of wave_file and midi_song: small valid files of
// each kind the loaders take, made with our own writers.
//   c++ -std=c++20 -I. fuzz/make_seeds.cpp -o make_seeds && ./make_seeds fuzz/corpus
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/music/MidiWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

void Save(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

void Tag(Bytes& b, const char* t) { b.insert(b.end(), t, t + 4); }
void Le(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Be(Bytes& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}
void Chunk(Bytes& b, const char* id, const Bytes& body, bool bigEndian = false) {
    Tag(b, id);
    bigEndian ? Be(b, uint32_t(body.size()), 4) : Le(b, uint32_t(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

// A short sine, `frames` long, as `bits`-bit PCM (8 unsigned, else signed
// little-endian) or 32-bit float.
Bytes Samples(int frames, int channels, int bits, bool isFloat, bool bigEndian = false) {
    Bytes d;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            double x = 0.5 * std::sin(i * 0.3 + c);
            if (isFloat) {
                float f = float(x);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                Le(d, u, 4);
            } else if (bits == 8) {
                d.push_back(uint8_t(128 + int(x * 127)));
            } else {
                uint32_t v = uint32_t(int32_t(x * ((1 << (bits - 1)) - 1)));
                bigEndian ? Be(d, v, bits / 8) : Le(d, v, bits / 8);
            }
        }
    return d;
}

// `tag` 1 PCM, 3 float, 7 mu-law, 0xFFFE extensible (PCM inside).
Bytes Wave(uint16_t tag, int rate, int channels, int bits, const Bytes& data, bool extras = false) {
    Bytes fmt;
    const int block = channels * bits / 8;
    Le(fmt, tag, 2);
    Le(fmt, uint32_t(channels), 2);
    Le(fmt, uint32_t(rate), 4);
    Le(fmt, uint32_t(rate * block), 4);
    Le(fmt, uint32_t(block), 2);
    Le(fmt, uint32_t(bits), 2);
    if (tag == 0xFFFE) {
        Le(fmt, 22, 2);
        Le(fmt, uint32_t(bits), 2);                 // valid bits
        Le(fmt, channels == 2 ? 3 : 4, 4);          // speakers: L+R, or centre
        static const uint8_t kPcmGuid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        fmt.insert(fmt.end(), kPcmGuid, kPcmGuid + 16);
    } else if (tag != 1) {
        Le(fmt, 0, 2);
    }
    Bytes body;
    Tag(body, "WAVE");
    Chunk(body, "fmt ", fmt);
    if (extras) {
        Bytes fact;
        Le(fact, uint32_t(data.size() / size_t(block)), 4);
        Chunk(body, "fact", fact);
        Bytes list;
        Tag(list, "INFO");
        Chunk(list, "INAM", Bytes{'s', 'e', 'e', 'd', 0});
        Chunk(body, "LIST", list);
    }
    Chunk(body, "data", data);
    Bytes out;
    Chunk(out, "RIFF", body);
    return out;
}

// 80-bit extended float of a whole sample rate, as AIFF's COMM stores it.
void Extended(Bytes& b, uint32_t rate) {
    int exp = 31;
    while (!(rate & 0x80000000u)) {
        rate <<= 1;
        --exp;
    }
    Be(b, uint32_t(16383 + exp), 2);
    Be(b, rate, 4);
    Be(b, 0, 4);
}

Bytes Aiff(int rate, int channels, int bits, int frames) {
    Bytes comm;
    Be(comm, uint32_t(channels), 2);
    Be(comm, uint32_t(frames), 4);
    Be(comm, uint32_t(bits), 2);
    Extended(comm, uint32_t(rate));
    Bytes ssnd;
    Be(ssnd, 0, 4);  // offset
    Be(ssnd, 0, 4);  // block size
    Bytes s = Samples(frames, channels, bits, false, true);
    ssnd.insert(ssnd.end(), s.begin(), s.end());
    Bytes body;
    Tag(body, "AIFF");
    Chunk(body, "COMM", comm, true);
    Chunk(body, "SSND", ssnd, true);
    Bytes out;
    Chunk(out, "FORM", body, true);
    return out;
}

void Waves(const fs::path& dir) {
    fs::create_directories(dir);
    Save(dir / "pcm8_mono_11025.wav", Wave(1, 11025, 1, 8, Samples(200, 1, 8, false)));
    Save(dir / "pcm16_stereo_44100.wav", Wave(1, 44100, 2, 16, Samples(150, 2, 16, false), true));
    Save(dir / "pcm24_mono_48000.wav", Wave(1, 48000, 1, 24, Samples(100, 1, 24, false)));
    Save(dir / "float_stereo_22050.wav", Wave(3, 22050, 2, 32, Samples(100, 2, 32, true), true));
    Save(dir / "extensible_stereo_32000.wav", Wave(0xFFFE, 32000, 2, 16, Samples(120, 2, 16, false)));
    Bytes mulaw(160);
    for (size_t i = 0; i < mulaw.size(); ++i) mulaw[i] = uint8_t(0xFF - i % 64);
    Save(dir / "mulaw_mono_8000.wav", Wave(7, 8000, 1, 8, mulaw, true));
    Save(dir / "six_channels.wav", Wave(1, 22050, 6, 16, Samples(40, 6, 16, false)));
    Save(dir / "pcm16_stereo_22050.aiff", Aiff(22050, 2, 16, 120));
}

void Songs(const fs::path& dir) {
    using vexo::midi::MidiWriter;
    fs::create_directories(dir);
    {  // Format 0, one channel, a tempo change half way.
        MidiWriter w(96, 0);
        int t = w.AddTrack();
        w.Tempo(t, 0, 500000);
        w.TimeSignature(t, 0, 3, 2);
        w.Program(t, 0, 0, 5);
        for (int i = 0; i < 8; ++i) w.Note(t, uint32_t(i * 48), 40, 0, uint8_t(60 + i), 100);
        w.Tempo(t, 192, 250000);
        Save(dir / "format0_tempo.mid", w.Bytes());
    }
    {  // Format 1: tempo track, two note tracks, drums, a sysex, controllers.
        MidiWriter w(480, 1);
        int t0 = w.AddTrack(), t1 = w.AddTrack(), t2 = w.AddTrack();
        w.Bpm(t0, 0, 140);
        w.TimeSignature(t0, 0, 4, 2);
        w.Bpm(t0, 960, 90);
        w.Sysex(t1, 0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});  // General MIDI on
        w.Program(t1, 0, 1, 40);
        w.Control(t1, 0, 1, 7, 90);
        w.Control(t1, 10, 1, 64, 127);
        for (int i = 0; i < 6; ++i) w.Note(t1, uint32_t(i * 240), 200, 1, uint8_t(64 + i), 90);
        w.Control(t1, 1400, 1, 64, 0);
        w.PitchBend(t1, 300, 1, 9000);
        for (int i = 0; i < 8; ++i) w.Note(t2, uint32_t(i * 180), 60, 9, i & 1 ? 38 : 36, 110);
        Save(dir / "format1_three_tracks.mid", w.Bytes());
    }
    {  // Running status off, slow tempo, SMPTE timing.
        MidiWriter w(0, 1);
        w.SetSmpte(25, 40);
        w.SetRunningStatus(false);
        int t = w.AddTrack();
        w.Tempo(t, 0, 2000000);
        for (int i = 0; i < 4; ++i) w.Note(t, uint32_t(i * 500), 400, 2, uint8_t(50 + i), 70);
        Save(dir / "smpte_no_running_status.mid", w.Bytes());
    }
    {  // A very fast piece that loops many times in a few seconds.
        MidiWriter w(24, 0);
        int t = w.AddTrack();
        w.Tempo(t, 0, 60000);
        for (int i = 0; i < 4; ++i) w.Note(t, uint32_t(i * 6), 5, 3, uint8_t(70 + i), 100);
        Save(dir / "fast_loop.mid", w.Bytes());
    }
    {  // Many tracks, one channel each.
        MidiWriter w(120, 1);
        for (int k = 0; k < 16; ++k) {
            int t = w.AddTrack();
            w.Program(t, 0, uint8_t(k), uint8_t(k * 8));
            w.Note(t, uint32_t(k * 10), 120, uint8_t(k), uint8_t(40 + k * 3), 60);
        }
        Save(dir / "sixteen_tracks.mid", w.Bytes());
    }
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root = argc > 1 ? argv[1] : "fuzz/corpus";
    Waves(root / "wave_file");
    Songs(root / "midi_song");
    return 0;
}
