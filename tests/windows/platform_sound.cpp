// The sound family over the system's DirectSound: buffers from wave files
// the program writes itself, playback, the controls and their ranges,
// duplicates, format conversion (read back by locking the system's buffer)
// and damaged files.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

#include "common/DSound.h"
#include "common/Platform.h"
#include "platform/windows/WinPlatform.h"
#include "platform/windows/WinSound.h"
#include "tests/windows/ProgramChecks.h"

namespace {
using namespace vexo::status;
constexpr int32_t kFileNotFound = DSERR_FILENOTFOUND;
constexpr int32_t kBadFormat = DSERR_BADFORMAT;
constexpr int32_t kInvalid = DSERR_INVALIDPARAM;
constexpr int32_t kNoControl = DSERR_CONTROLUNAVAIL;
constexpr int32_t kNoDriver = DSERR_NODRIVER;
constexpr int32_t kNoMemory = DSERR_OUTOFMEMORY;
constexpr int32_t kControls = 0xE2;  // static, frequency, pan and volume
}  // namespace

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

using namespace vexo;
using vexo::testing::Expect;
using vexo::testing::ExpectStatus;

namespace {

const double kPi = 3.14159265358979323846;

void Put16(std::vector<uint8_t>& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}
void Chunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& body, uint32_t size) {
    b.insert(b.end(), id, id + 4);
    Put32(b, size);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

// A wave file's fmt chunk body: tag, channels, rate, bits; block alignment
// and byte rate follow unless given.
std::vector<uint8_t> Fmt(uint16_t tag, uint16_t ch, uint32_t rate, uint16_t bits, int align = -1) {
    std::vector<uint8_t> f;
    const uint16_t a = align >= 0 ? uint16_t(align) : uint16_t(ch * ((bits + 7) / 8));
    Put16(f, tag);
    Put16(f, ch);
    Put32(f, rate);
    Put32(f, rate * a);
    Put16(f, a);
    Put16(f, bits);
    return f;
}

struct Riff {
    std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
    Riff& Add(const char* id, const std::vector<uint8_t>& data) { return Add(id, data, uint32_t(data.size())); }
    Riff& Add(const char* id, const std::vector<uint8_t>& data, uint32_t size) {
        Chunk(body, id, data, size);
        return *this;
    }
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> b{'R', 'I', 'F', 'F'};
        Put32(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    }
};

std::vector<uint8_t> Wave(const std::vector<uint8_t>& fmt, const std::vector<uint8_t>& data) {
    return Riff().Add("fmt ", fmt).Add("data", data).Bytes();
}

std::string g_dir;

std::string Save(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = g_dir + "\\" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

vexo::WAVEFORMATEX Pcm(int ch, int rate, int bits) {
    vexo::WAVEFORMATEX f{};
    f.nFormatTag = 1;
    f.nChannels = int16_t(ch);
    f.lSamplesPerSec = rate;
    f.nBitsPerSample = int16_t(bits);
    f.nBlockAlign = int16_t(ch * bits / 8);
    f.lAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

vexo::DSBUFFERDESC Desc(int32_t flags = kControls) {
    vexo::DSBUFFERDESC d{};
    d.lFlags = flags;
    return d;
}

// The bytes the system's buffer holds.
std::vector<uint8_t> Contents(const Ref<DirectSoundBuffer>& b) {
    IDirectSoundBuffer* sys = win::SystemBufferOf(b);
    std::vector<uint8_t> out;
    if (!sys) return out;
    DSBCAPS caps{};
    caps.dwSize = sizeof caps;
    sys->GetCaps(&caps);
    void *p1, *p2;
    DWORD n1, n2;
    if (FAILED(sys->Lock(0, caps.dwBufferBytes, &p1, &n1, &p2, &n2, 0))) return out;
    out.assign(static_cast<uint8_t*>(p1), static_cast<uint8_t*>(p1) + n1);
    if (p2) out.insert(out.end(), static_cast<uint8_t*>(p2), static_cast<uint8_t*>(p2) + n2);
    sys->Unlock(p1, n1, p2, n2);
    return out;
}

int16_t S16(const std::vector<uint8_t>& b, size_t i) { return int16_t(b[2 * i] | (b[2 * i + 1] << 8)); }

void Playback(const Ref<DirectSound>& ds) {
    // One second of a 440 Hz tone, 16-bit stereo at 22050 Hz.
    std::vector<uint8_t> pcm;
    for (int i = 0; i < 22050; ++i) {
        int16_t s = int16_t(8000 * std::sin(2 * kPi * 440 * i / 22050.0));
        Put16(pcm, uint16_t(s));
        Put16(pcm, uint16_t(-s));
    }
    const std::string file = Save("tone.wav", Wave(Fmt(1, 2, 22050, 16), pcm));
    Ref<DirectSoundBuffer> b;
    if (!ExpectStatus(0, "a buffer from a 16-bit stereo file in its own format",
                      [&] { b = ds->CreateSoundBufferFromFile(file, Desc(), Pcm(2, 22050, 16)); }))
        return;
    Expect(Contents(b) == pcm, "the buffer holds the file's samples unchanged");
    vexo::DSBUFFERDESC caps;
    b->GetCaps(caps);
    Expect((caps.lFlags & kControls) == kControls && caps.lBufferBytes == 22050 * 4,
           "caps: the asked capabilities and the sound's size in bytes");
    vexo::WAVEFORMATEX fmt;
    b->GetFormat(fmt);
    Expect(fmt == Pcm(2, 22050, 16), "GetFormat reports the buffer's format");

    b->Play(0);
    Expect(b->GetStatus() == DSBSTATUS_PLAYING, "Play(0): status playing");
    DSCURSORS c;
    bool moved = false;
    for (int i = 0; i < 200 && !moved; ++i) {
        Sleep(10);
        b->GetCurrentPosition(c);
        moved = c.lPlay > 0;
    }
    Expect(moved, "the play cursor advances while it plays");
    b->Play(DSBPLAY_LOOPING);
    Expect(b->GetStatus() == (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), "Play(looping): status 5");
    b->Play(0);
    Expect(b->GetStatus() == DSBSTATUS_PLAYING, "Play(0) on a looping buffer: status 1");
    b->Stop();
    Expect(b->GetStatus() == 0, "Stop: status 0");
    ExpectStatus(0, "a second Stop", [&] { b->Stop(); });
    b->SetCurrentPosition(1000);
    b->GetCurrentPosition(c);
    Expect(c.lPlay == 1000, "SetCurrentPosition(1000) then GetCurrentPosition");
    b->SetCurrentPosition(22050 * 4 + 8);
    b->GetCurrentPosition(c);
    Expect(c.lPlay == 8, "a position past the end wraps modulo the size");

    // Each control reads back what it took, refuses the first value past
    // either end and keeps the old one; a buffer made without the control
    // refuses it altogether.
    struct Control {
        const char* name;
        void (DirectSoundBuffer::*set)(int32_t);
        int32_t (DirectSoundBuffer::*get)();
        int32_t ok, low, high;
    };
    Ref<DirectSoundBuffer> plain = ds->CreateSoundBufferFromFile(file, Desc(DSBCAPS_STATIC), Pcm(2, 22050, 16));
    for (const Control& k : {Control{"volume", &DirectSoundBuffer::SetVolume, &DirectSoundBuffer::GetVolume, -1234, -10001, 1},
                             Control{"pan", &DirectSoundBuffer::SetPan, &DirectSoundBuffer::GetPan, -2500, -10001, 10001},
                             Control{"frequency", &DirectSoundBuffer::SetFrequency, &DirectSoundBuffer::GetFrequency,
                                     44100, 99, 1000000}}) {
        ((*b).*k.set)(k.ok);
        const int32_t low = testing::StatusOf([&] { ((*b).*k.set)(k.low); });
        const int32_t high = testing::StatusOf([&] { ((*b).*k.set)(k.high); });
        Expect(((*b).*k.get)() == k.ok && low == kInvalid && high == kInvalid,
               std::string(k.name) + ": " + std::to_string(k.ok) + " read back, " + std::to_string(k.low) + " and " +
                   std::to_string(k.high) + " refused (" + testing::Hex(low) + ", " + testing::Hex(high) + ")");
        ExpectStatus(kNoControl, std::string(k.name) + " without its capability", [&] { ((*plain).*k.set)(k.ok); });
    }
    b->SetFrequency(0);
    Expect(b->GetFrequency() == 22050, "frequency 0: the sound's own rate");

    // Duplicates keep the controls, start stopped, and outlive the original.
    b->SetVolume(-500);
    b->SetPan(300);
    b->Play(0);
    Ref<DirectSoundBuffer> d = ds->DuplicateSoundBuffer(b);
    Expect(d->GetVolume() == -500 && d->GetPan() == 300, "a duplicate keeps volume and pan");
    Expect(d->GetStatus() == 0, "a duplicate starts stopped");
    ExpectStatus(kInvalid, "duplicating an empty reference", [&] { ds->DuplicateSoundBuffer(nullptr); });
    b = nullptr;
    Expect(Contents(d) == pcm, "the duplicate holds the sound after the original is gone");
    d->Play(0);
    Expect(d->GetStatus() == DSBSTATUS_PLAYING, "the duplicate plays on its own");
    d->Stop();

}

void Conversion(const Ref<DirectSound>& ds) {
    // 8-bit mono 11025 Hz, a 500 Hz tone, into 16-bit stereo 22050 Hz.
    std::vector<uint8_t> u8;
    for (int i = 0; i < 1000; ++i) u8.push_back(uint8_t(128 + std::lrint(100 * std::sin(2 * kPi * 500 * i / 11025.0))));
    Ref<DirectSoundBuffer> b =
        ds->CreateSoundBufferFromFile(Save("u8.wav", Wave(Fmt(1, 1, 11025, 8), u8)), Desc(), Pcm(2, 22050, 16));
    std::vector<uint8_t> got = Contents(b);
    vexo::WAVEFORMATEX f;
    b->GetFormat(f);
    Expect(f == Pcm(2, 22050, 16) && got.size() == 2000 * 4, "8-bit mono 11025 into 16-bit stereo 22050: size");
    if (got.size() != 2000 * 4) return;
    bool even = true, odd = true, sides = true;
    for (size_t i = 0; i < 2000; ++i) {
        const int16_t l = S16(got, 2 * i), r = S16(got, 2 * i + 1);
        sides = sides && l == r;
        if (i % 2 == 0) {
            even = even && l == (u8[i / 2] - 128) * 256;
        } else if (i > 60 && i < 1940) {
            const double want = 100 * 256 * std::sin(2 * kPi * 500 * (i / 2.0) / 11025.0);
            odd = odd && std::fabs(l - want) < 400;
        }
    }
    Expect(even, "frames at the source's own instants keep its samples exactly");
    Expect(odd, "frames between follow the tone (within the 8-bit step)");
    Expect(sides, "mono goes into both sides alike");

    // 16-bit stereo into 8-bit mono at the same rate: the two sides averaged.
    std::vector<uint8_t> st;
    for (int i = 0; i < 100; ++i) {
        Put16(st, uint16_t(16384));
        Put16(st, uint16_t(-8192));
    }
    got = Contents(ds->CreateSoundBufferFromFile(Save("st.wav", Wave(Fmt(1, 2, 8000, 16), st)), Desc(), Pcm(1, 8000, 8)));
    Expect(got == std::vector<uint8_t>(100, 128 + 16), "16-bit stereo into 8-bit mono: (0.5 - 0.25) / 2");

    // 24-bit PCM and extensible IEEE float (a NaN and a sample past full
    // scale among them) into 16-bit mono.
    std::vector<uint8_t> s24{0x00, 0x00, 0x40, 0x00, 0x00, 0xE0, 0xFF, 0xFF, 0xFF};
    got = Contents(ds->CreateSoundBufferFromFile(Save("s24.wav", Wave(Fmt(1, 1, 8000, 24), s24)), Desc(), Pcm(1, 8000, 16)));
    Expect(got.size() == 6 && S16(got, 0) == 16384 && S16(got, 1) == -8192 && S16(got, 2) == 0,
           "24-bit samples: 0.5, -0.25 and -1/2^23");
    std::vector<uint8_t> ext = Fmt(0xFFFE, 1, 8000, 32);
    Put16(ext, 22);
    Put16(ext, 32);
    Put32(ext, 4);
    Put16(ext, 3);  // IEEE float
    const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    ext.insert(ext.end(), tail, tail + 14);
    std::vector<uint8_t> fl;
    for (float v : {0.25f, -1.0f, std::nanf(""), 2.0f}) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        Put32(fl, u);
    }
    got = Contents(ds->CreateSoundBufferFromFile(Save("float.wav", Wave(ext, fl)), Desc(), Pcm(1, 8000, 16)));
    Expect(got.size() == 8 && S16(got, 0) == 8192 && S16(got, 1) == -32768 && S16(got, 2) == 0 && S16(got, 3) == 32767,
           "extensible float: 0.25, -1, NaN as silence, 2.0 clipped");

    // Four channels into stereo: the first two are the sides, the others go
    // into both at -3 dB. 32-bit integer samples.
    std::vector<uint8_t> quad;
    for (int i = 0; i < 10; ++i)
        for (int32_t v : {0x40000000, -0x40000000, 0x20000000, 0x20000000}) Put32(quad, uint32_t(v));
    got = Contents(ds->CreateSoundBufferFromFile(Save("quad.wav", Wave(Fmt(1, 4, 8000, 32), quad)), Desc(), Pcm(2, 8000, 16)));
    const double extra = 0.70710678 * 0.5 * 32768;
    Expect(got.size() == 40 && std::abs(S16(got, 0) - (16384 + extra)) <= 1 && std::abs(S16(got, 1) - (-16384 + extra)) <= 1,
           "four channels into stereo: " + std::to_string(S16(got, 0)) + ", " + std::to_string(S16(got, 1)));

    // Raising the rate by an uneven ratio keeps a constant constant.
    std::vector<uint8_t> low;
    for (int i = 0; i < 800; ++i) low.push_back(uint8_t(128 + 64));
    got = Contents(ds->CreateSoundBufferFromFile(Save("low.wav", Wave(Fmt(1, 1, 8000, 8), low)), Desc(), Pcm(1, 11025, 16)));
    bool level = got.size() == 1102 * 2;
    for (size_t i = 50; level && i < 1050; ++i) level = std::abs(S16(got, i) - 16384) <= 2;
    Expect(level, "8000 to 11025: a constant stays constant");

    // Lowering the rate: a constant stays, a tone above the new Nyquist
    // frequency is filtered out.
    std::vector<uint8_t> dc, hi;
    for (int i = 0; i < 4410; ++i) {
        Put16(dc, 10000);
        Put16(hi, uint16_t(int16_t(20000 * std::sin(2 * kPi * 8000 * i / 44100.0))));
    }
    got = Contents(ds->CreateSoundBufferFromFile(Save("dc.wav", Wave(Fmt(1, 1, 44100, 16), dc)), Desc(), Pcm(1, 11025, 16)));
    bool flat = got.size() == 1102 * 2;
    for (size_t i = 100; flat && i < 1000; ++i) flat = std::abs(S16(got, i) - 10000) <= 2;
    Expect(flat, "44100 to 11025: a constant stays constant");
    got = Contents(ds->CreateSoundBufferFromFile(Save("hi.wav", Wave(Fmt(1, 1, 44100, 16), hi)), Desc(), Pcm(1, 11025, 16)));
    double peak = 0;
    for (size_t i = 100; i < 1000 && 2 * i < got.size(); ++i) peak = std::max(peak, std::fabs(double(S16(got, i))));
    Expect(got.size() == 1102 * 2 && peak < 200, "44100 to 11025: an 8 kHz tone is filtered out (peak " +
                                                   std::to_string(int(peak)) + " of 20000)");
}

void BadFiles(const Ref<DirectSound>& ds) {
    const vexo::WAVEFORMATEX fmt = Pcm(1, 8000, 8);
    auto load = [&](const std::string& path, const vexo::WAVEFORMATEX& f = Pcm(1, 8000, 8)) {
        return [&ds, path, f] { ds->CreateSoundBufferFromFile(path, Desc(), f); };
    };
    const std::vector<uint8_t> pcm(64, 0x90);
    const std::string good = Save("good.wav", Wave(Fmt(1, 1, 8000, 8), pcm));
    ExpectStatus(0, "a plain 8-bit file", load(good));
    ExpectStatus(kFileNotFound, "a missing file", load(g_dir + "\\missing.wav"));
    ExpectStatus(kFileNotFound, "a directory", load(g_dir));
    ExpectStatus(kFileNotFound, "an empty name", load(""));
    ExpectStatus(kBadFormat, "a file that is no RIFF file", load(Save("text.wav", {'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3, 4, 5, 6, 7})));
    ExpectStatus(kBadFormat, "a format chunk of 8 bytes",
                 load(Save("fmt8.wav", Riff().Add("fmt ", std::vector<uint8_t>(8, 1)).Add("data", pcm).Bytes())));
    ExpectStatus(kBadFormat, "no data chunk", load(Save("nodata.wav", Riff().Add("fmt ", Fmt(1, 1, 8000, 8)).Bytes())));
    ExpectStatus(kBadFormat, "no format chunk", load(Save("nofmt.wav", Riff().Add("data", pcm).Bytes())));
    ExpectStatus(kBadFormat, "an empty data chunk", load(Save("nosamples.wav", Wave(Fmt(1, 1, 8000, 8), {}))));
    ExpectStatus(kBadFormat, "an empty data chunk followed by another chunk",
                 load(Save("nosamples2.wav", Riff().Add("fmt ", Fmt(1, 1, 8000, 8)).Add("data", {}).Add("LIST", pcm).Bytes())));
    std::vector<uint8_t> unsized = Riff().Add("fmt ", Fmt(1, 1, 8000, 8)).Add("data", pcm, 0).Bytes();
    std::fill(unsized.begin() + 4, unsized.begin() + 8, 0);
    Ref<DirectSoundBuffer> open;
    ExpectStatus(0, "sizes of 0 in both the header and the data chunk: the data runs to the end",
                 [&] { open = ds->CreateSoundBufferFromFile(Save("unsized.wav", unsized), Desc(), fmt); });
    Expect(open && Contents(open) == pcm, "  and holds every sample");
    ExpectStatus(kBadFormat, "a block alignment that does not fit", load(Save("align.wav", Wave(Fmt(1, 2, 8000, 16, 3), pcm))));
    ExpectStatus(kBadFormat, "no channels", load(Save("noch.wav", Wave(Fmt(1, 0, 8000, 8, 0), pcm))));
    ExpectStatus(kBadFormat, "a rate of 0", load(Save("norate.wav", Wave(Fmt(1, 1, 0, 8), pcm))));
    ExpectStatus(kBadFormat, "a compressed format (ADPCM)", load(Save("adpcm.wav", Wave(Fmt(2, 1, 8000, 4, 256), pcm))));
    ExpectStatus(kBadFormat, "a chunk claiming 4 GB before the format",
                 load(Save("huge.wav", Riff().Add("LIST", {1, 2, 3, 4}, 0xFFFFFFF0u).Add("fmt ", Fmt(1, 1, 8000, 8)).Add("data", pcm).Bytes())));
    ExpectStatus(0, "the format after the data, an odd chunk padded before",
                 load(Save("order.wav", Riff().Add("junk", {1, 2, 3}).Add("data", pcm).Add("fmt ", Fmt(1, 1, 8000, 8)).Bytes())));
    Ref<DirectSoundBuffer> streamed;
    ExpectStatus(0, "a data chunk of unknown size (all ones) runs to the end", [&] {
        streamed = ds->CreateSoundBufferFromFile(
            Save("stream.wav", Riff().Add("fmt ", Fmt(1, 1, 8000, 8)).Add("data", pcm, 0xFFFFFFFFu).Bytes()), Desc(), fmt);
    });
    Expect(streamed && Contents(streamed) == pcm, "  and holds every sample");
    ExpectStatus(kBadFormat, "12 bits asked for", load(good, [] { auto f = Pcm(2, 8000, 16); f.nBitsPerSample = 12; f.nBlockAlign = 2; f.lAvgBytesPerSec = 16000; return f; }()));
    ExpectStatus(kBadFormat, "a format asked with a wrong byte rate", load(good, [] { auto f = Pcm(1, 8000, 8); f.lAvgBytesPerSec = 1; return f; }()));
    ExpectStatus(kBadFormat, "a bad format is refused before the file is looked at", load(g_dir + "\\missing.wav", vexo::WAVEFORMATEX{}));
    // Every truncation of a good file, and damaged copies of it: each load
    // returns a sound or a documented status.
    const std::vector<uint8_t> whole = Riff().Add("LIST", {'I', 'N', 'F', 'O'}).Add("fmt ", Fmt(1, 2, 8000, 16)).Add("data", std::vector<uint8_t>(40, 0x55)).Bytes();
    const std::string victim = g_dir + "\\victim.wav";
    auto documented = [](int32_t st) { return st == 0 || st == kBadFormat || st == kNoMemory; };
    bool cuts = true;
    for (size_t n = 0; n < whole.size(); ++n) {
        Save("victim.wav", std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
        const int32_t st = testing::StatusOf(load(victim));
        cuts = cuts && st == kBadFormat;
    }
    Expect(cuts, "every truncation of a wave file is refused as bad format");
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    int loaded = 0, refused = 0, other = 0;
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> bad = whole;
        for (int k = 0, n = 1 + int(next() % 4); k < n; ++k) bad[next() % bad.size()] = uint8_t(next() >> 24);
        Save("victim.wav", bad);
        const int32_t st = testing::StatusOf(load(victim));
        (st == 0 ? loaded : documented(st) ? refused : other)++;
    }
    Expect(other == 0, "1500 damaged copies: " + std::to_string(loaded) + " load, " + std::to_string(refused) +
                           " refused, " + std::to_string(other) + " with another status");
    const int32_t primary = testing::StatusOf([&] { ds->CreateSoundBufferFromFile(good, Desc(DSBCAPS_PRIMARYBUFFER), fmt); });
    Expect(primary < 0, "a primary buffer from a file is refused by the system (" + testing::Hex(primary) + ")");
}

}  // namespace

int main() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    g_dir = win::Utf8(tmp) + "vexo_sound_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(win::Wide(g_dir).c_str(), nullptr);
    ::HWND wnd = CreateWindowExW(0, L"STATIC", L"sound", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    if (!wnd) wnd = GetDesktopWindow();

    Ref<DirectX7> root = api::CreateDirectX7();
    // The system answers for identifiers it does not know (Wine: invalid
    // parameter; Windows documents "no driver").
    const int32_t unknown =
        testing::StatusOf([&] { root->DirectSoundCreate("{01234567-89AB-CDEF-0123-456789ABCDEF}"); });
    Expect(unknown == kNoDriver || unknown == kInvalid,
           "a device named by an unknown identifier is refused (" + testing::Hex(unknown) + ")");
    ExpectStatus(kNoDriver, "a device named by no identifier at all", [&] { root->DirectSoundCreate("speakers"); });
    Ref<DirectSound> ds;
    if (ExpectStatus(0, "the default device", [&] { ds = root->DirectSoundCreate(""); }) &&
        ExpectStatus(0, "SetCooperativeLevel(normal) on a window",
                     [&] { ds->SetCooperativeLevel(win::FromHandle(wnd), DSSCL_NORMAL); })) {
        Playback(ds);
        Conversion(ds);
        BadFiles(ds);
        // Sounds outlive the device they were loaded with.
        Ref<DirectSoundBuffer> b = ds->CreateSoundBufferFromFile(Save("last.wav", Wave(Fmt(1, 1, 8000, 8), std::vector<uint8_t>(800, 200))), Desc(), Pcm(1, 8000, 8));
        ds = nullptr;
        root = nullptr;
        ExpectStatus(0, "a buffer plays after its device is released", [&] { b->Play(0); });
        Expect(b->GetStatus() == DSBSTATUS_PLAYING, "  and reports playing");
    }

    std::wstring dir = win::Wide(g_dir);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*.wav").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
    return vexo::testing::Failures() ? 1 : 0;
}
