// The real sound platform, rendering offline: buffer semantics, loading and
// conversion, and what a listener would hear from the mix.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "platform/audio/AudioTools.h"
#include "platform/audio/MixerSimd.h"
#include "platform/audio/SoundData.h"
#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

constexpr int32_t kAll = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
// At the output's own rate a buffer's samples reach the mix one for one.
const WAVEFORMATEX kExact = Pcm(48000, 16, 1);

class Mixer : public ::testing::Test {
protected:
    TempDir dir;
    OfflineOutput out;
    RealSoundPlatform plat;
    ScopedPlatform scope{plat};
    Ref<DirectSound> dev = RealDevice();

    Ref<DirectSoundBuffer> Load(const std::vector<int16_t>& samples, const WAVEFORMATEX& fmt = kExact,
                                int32_t flags = kAll, int16_t fileChannels = 1, int32_t fileRate = 48000) {
        std::string path = dir.File("s" + std::to_string(n_++) + ".wav");
        WriteWav16(path, samples, fileRate, fileChannels);
        DSBUFFERDESC d{};
        d.lFlags = flags;
        return dev->CreateSoundBufferFromFile(path, d, fmt);
    }
    int32_t LoadStatus(const std::string& path, const WAVEFORMATEX& fmt = kExact) {
        return ErrorOf([&] {
            DSBUFFERDESC d{};
            d.lFlags = kAll;
            dev->CreateSoundBufferFromFile(path, d, fmt);
        });
    }

private:
    int n_ = 0;
};

TEST_F(Mixer, StatusPositionAndControlRanges) {
    auto b = Load(Constant(4800, 1000));
    EXPECT_EQ(b->GetStatus(), 0);
    b->Play(0);
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);
    b->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    b->Play(0);  // a one-shot play of a looping buffer ends the looping
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);
    b->Stop();
    b->Stop();
    EXPECT_EQ(b->GetStatus(), 0);
    EXPECT_EQ(ErrorOf([&] { b->Play(2); }), status::DSERR_INVALIDPARAM);

    // Volume: -10000..0; a refused value keeps the old one.
    b->SetVolume(-2500);
    EXPECT_EQ(ErrorOf([&] { b->SetVolume(1); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { b->SetVolume(-10001); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->GetVolume(), -2500);
    b->SetVolume(-10000);
    b->SetVolume(0);
    // Pan: -10000..10000.
    b->SetPan(-10000);
    b->SetPan(10000);
    EXPECT_EQ(ErrorOf([&] { b->SetPan(10001); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { b->SetPan(-10001); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->GetPan(), 10000);
    // Frequency: 100..100000, 0 is the data's own rate.
    EXPECT_EQ(b->GetFrequency(), 48000);
    b->SetFrequency(100);
    b->SetFrequency(100000);
    EXPECT_EQ(ErrorOf([&] { b->SetFrequency(99); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { b->SetFrequency(100001); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->GetFrequency(), 100000);
    b->SetFrequency(0);
    EXPECT_EQ(b->GetFrequency(), 48000);

    // Positions are bytes and wrap modulo the size (9600 bytes here).
    DSBUFFERDESC caps;
    b->GetCaps(caps);
    EXPECT_EQ(caps.lBufferBytes, 9600);
    DSCURSORS c;
    b->SetCurrentPosition(9600 + 100);
    b->GetCurrentPosition(c);
    EXPECT_EQ(c.lPlay, 100);
    b->SetCurrentPosition(3);  // inside a frame: the frame's start
    b->GetCurrentPosition(c);
    EXPECT_EQ(c.lPlay, 2);
}

TEST_F(Mixer, ControlsNeedTheirCapabilities) {
    auto b = Load(Constant(100, 1000), kExact, DSBCAPS_STATIC);
    for (auto call : std::vector<std::function<void()>>{
             [&] { b->SetVolume(0); }, [&] { b->SetPan(0); }, [&] { b->SetFrequency(0); },
             [&] { b->GetVolume(); }, [&] { b->GetPan(); }, [&] { b->GetFrequency(); }})
        EXPECT_EQ(ErrorOf(call), status::DSERR_CONTROLUNAVAIL);
    b->Play(0);  // playing needs no capability
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);
    auto v = Load(Constant(100, 1000), kExact, DSBCAPS_CTRLVOLUME);
    v->SetVolume(-100);
    EXPECT_EQ(ErrorOf([&] { v->SetPan(0); }), status::DSERR_CONTROLUNAVAIL);
    // Duplicates keep the capabilities.
    auto d = dev->DuplicateSoundBuffer(v);
    d->SetVolume(-200);
    EXPECT_EQ(ErrorOf([&] { d->SetFrequency(0); }), status::DSERR_CONTROLUNAVAIL);

    EXPECT_EQ(ErrorOf([&] { Load(Constant(100, 1), kExact, DSBCAPS_PRIMARYBUFFER); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->DuplicateSoundBuffer(Ref<DirectSoundBuffer>()); }), status::DSERR_INVALIDPARAM);
}

TEST_F(Mixer, DeviceCreationAndCooperativeLevel) {
    EXPECT_EQ(ErrorOf([] { plat::RegisteredFamilies().sound("{12345678-0000-0000-0000-000000000000}"); }),
              status::DSERR_NODRIVER);
    dev->SetCooperativeLevel(5, DSSCL_NORMAL);
    EXPECT_EQ(ErrorOf([&] { dev->SetCooperativeLevel(500, DSSCL_NORMAL); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetCooperativeLevel(5, 0); }), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(ErrorOf([&] { dev->SetCooperativeLevel(5, 5); }), status::DSERR_INVALIDPARAM);
}

TEST_F(Mixer, LoadingConvertsToTheFormatPassed) {
    // A stereo 48 kHz file held as 8-bit mono at 22050 Hz: half a second.
    std::vector<int16_t> st;
    for (int i = 0; i < 24000; ++i) {
        st.push_back(16384);
        st.push_back(-16384 / 2);
    }
    WAVEFORMATEX small = Pcm(22050, 8, 1);
    auto b = Load(st, small, kAll, 2, 48000);
    WAVEFORMATEX got;
    b->GetFormat(got);
    EXPECT_EQ(got, small) << got;
    DSBUFFERDESC caps;
    b->GetCaps(caps);
    EXPECT_EQ(caps.lBufferBytes, 11025);
    EXPECT_EQ(b->GetFrequency(), 22050);
    // Mono is the mean of the two channels: (0.5 - 0.25) / 2 = 0.125 on both sides.
    b->Play(0);
    auto mix = out.Render(4800);
    EXPECT_NEAR(L(mix, 1000), 0.125f, 1.0f / 128);
    EXPECT_NEAR(R(mix, 1000), 0.125f, 1.0f / 128);
    b->Stop();

    // Mono 8-bit data played into 16-bit stereo: both channels the same.
    WriteFile(dir.File("u8.wav"), WavBytes(std::vector<uint8_t>(800, 192), 8000, 8, 1));
    DSBUFFERDESC d{};
    d.lFlags = kAll;
    auto b8 = dev->CreateSoundBufferFromFile(dir.File("u8.wav"), d, Pcm(8000, 16, 2));
    b8->GetCaps(caps);
    EXPECT_EQ(caps.lBufferBytes, 800 * 4);
    b8->Play(0);
    mix = out.Render(1000);
    EXPECT_FLOAT_EQ(L(mix, 500), 0.5f);
    EXPECT_FLOAT_EQ(R(mix, 500), 0.5f);
    b8->Stop();

    // Other formats libsndfile reads: a FLAC file.
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    std::string flac = dir.File("tone.flac");
    SNDFILE* f = sf_open(flac.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<short> tone(4410, 8192);
    sf_writef_short(f, tone.data(), 4410);
    sf_close(f);
    auto bf = dev->CreateSoundBufferFromFile(flac, d, Pcm(44100, 16, 1));
    bf->GetCaps(caps);
    EXPECT_EQ(caps.lBufferBytes, 8820);
    bf->Play(0);
    mix = out.Render(2000);
    EXPECT_NEAR(L(mix, 1000), 0.25f, 1e-4);
}

// Samples of loaded 16-bit data, interleaved, as floats.
std::vector<double> Samples(const audio::SoundData& d) {
    std::vector<double> v(d.bytes.size() / 2);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = static_cast<int16_t>(d.bytes[2 * i] | (d.bytes[2 * i + 1] << 8)) / 32768.0;
    return v;
}

// Multiplies by a Hann window; returns the window's sum.
double Hann(std::vector<double>& x) {
    double sum = 0, n = static_cast<double>(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / (n - 1));
        x[i] *= w;
        sum += w;
    }
    return sum;
}

// Amplitude of the component at `hz` in windowed samples (Goertzel).
double Amplitude(const std::vector<double>& x, double windowSum, double hz, double rate) {
    const double w = 2 * M_PI * hz / rate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        double s = v + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return 2 * std::hypot(s1 - s2 * std::cos(w), s2 * std::sin(w)) / windowSum;
}

TEST_F(Mixer, RateConversionKeepsTheBandAndLetsNothingFoldIntoIt) {
    struct Case {
        int32_t fileRate, hz, rate;
    };
    for (Case c : {Case{44100, 15000, 22050}, Case{44100, 1000, 22050}, Case{48000, 15000, 44100},
                   Case{48000, 1000, 8000}}) {
        std::vector<int16_t> sine(static_cast<size_t>(c.fileRate / 2));  // half a second at half scale
        for (size_t i = 0; i < sine.size(); ++i)
            sine[i] = static_cast<int16_t>(std::lrint(16384 * std::sin(2 * M_PI * c.hz * double(i) / c.fileRate)));
        std::string path = dir.File("sine.wav");
        WriteWav16(path, sine, c.fileRate, 1);
        auto data = audio::LoadSoundFile(path, Pcm(c.rate, 16, 1));
        std::vector<double> x = Samples(*data);
        ASSERT_EQ(x.size(), size_t(c.rate / 2));
        // The middle 0.4 s, away from the edges where the tone starts and stops.
        x = std::vector<double>(x.begin() + c.rate / 20, x.end() - c.rate / 20);
        const double sum = Hann(x);
        auto dB = [&](double hz) { return 20 * std::log10(Amplitude(x, sum, hz, c.rate) / 0.5); };
        if (2 * c.hz < c.rate) {
            EXPECT_NEAR(0.0, dB(c.hz), 0.1) << c.hz << " Hz at " << c.rate;
            continue;
        }
        // Above the new band: nothing of it may land anywhere between 20 Hz
        // and the new half rate (bins a quarter of the window's lobe apart).
        double worst = -300, at = 0;
        const double step = c.rate / double(x.size());
        for (double hz = 20; hz < c.rate / 2.0; hz += step)
            if (double l = dB(hz); l > worst) worst = l, at = hz;
        EXPECT_LT(worst, -80) << "at " << at << " Hz, " << c.hz << " Hz loaded at " << c.rate;
    }
}

TEST_F(Mixer, MoreThanTwoChannelsAreMixedDownWithTheUsualGains) {
    const double k = std::sqrt(0.5);  // -3 dB
    auto loadDc = [&](std::vector<int16_t> levels, int16_t outChannels, const std::vector<int>* map = nullptr) {
        const int16_t ch = static_cast<int16_t>(levels.size());
        std::vector<int16_t> s;
        for (int i = 0; i < 480; ++i) s.insert(s.end(), levels.begin(), levels.end());
        std::string path = dir.File("multi.wav");
        if (map) {
            // Wave files with a speaker mask, as libsndfile writes them.
            SF_INFO info{};
            info.samplerate = 48000;
            info.channels = ch;
            info.format = SF_FORMAT_WAVEX | SF_FORMAT_PCM_16;
            SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
            EXPECT_NE(f, nullptr);
            sf_command(f, SFC_SET_CHANNEL_MAP_INFO, const_cast<int*>(map->data()), int(map->size() * sizeof(int)));
            sf_writef_short(f, s.data(), 480);
            sf_close(f);
        } else {
            WriteWav16(path, s, 48000, ch);
        }
        std::vector<double> x = Samples(*audio::LoadSoundFile(path, Pcm(48000, 16, outChannels)));
        return std::vector<double>(x.begin() + 200 * outChannels, x.begin() + 201 * outChannels);
    };
    auto near = [](std::vector<double> want, std::vector<double> got) {
        ASSERT_EQ(want.size(), got.size());
        for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(want[i], got[i], 1.0 / 16384) << i;
    };
    // Three channels are left, right, centre: sound only in the third is heard
    // on both sides.
    near({0.5 * k, 0.5 * k}, loadDc({0, 0, 16384}, 2));
    near({0.5 * k}, loadDc({0, 0, 16384}, 1));
    // 5.1: centre and surrounds at -3 dB, the low-frequency channel dropped.
    near({0.1 + k * 0.3 + k * 0.05, 0.2 + k * 0.3 + k * 0.15}, loadDc({3277, 6554, 9830, 13107, 1638, 4915}, 2));
    // A speaker mask in the file wins over the count's usual layout.
    const std::vector<int> lfe = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_LFE};
    near({0.25, 0.125}, loadDc({8192, 4096, 16384}, 2, &lfe));
}

TEST_F(Mixer, MissingTruncatedAndHostileFilesFailCleanly) {
    EXPECT_EQ(LoadStatus(dir.File("nowhere.wav")), status::DSERR_FILENOTFOUND);
    EXPECT_EQ(LoadStatus(dir.File("")), status::DSERR_FILENOTFOUND);  // the directory itself

    WriteFile(dir.File("junk.wav"), std::vector<uint8_t>(1000, 0x5A));
    EXPECT_EQ(LoadStatus(dir.File("junk.wav")), status::DSERR_BADFORMAT);

    // A data chunk cut short: libsndfile alone would load the shorter sound.
    auto bytes = WavBytes(std::vector<uint8_t>(20000, 0x10), 48000, 16, 1);
    bytes.resize(bytes.size() / 2);
    WriteFile(dir.File("cut.wav"), bytes);
    EXPECT_EQ(LoadStatus(dir.File("cut.wav")), status::DSERR_BADFORMAT);

    // A LIST entry claiming more than its list holds (libsndfile spins over
    // it for minutes); one odd-sized entry without its pad byte still loads.
    auto withList = [&](const std::string& name, std::vector<uint8_t> list) {
        auto f = WavBytes(std::vector<uint8_t>(64, 1), 22050, 16, 1);
        std::vector<uint8_t> head = {'L', 'I', 'S', 'T', uint8_t(list.size()), 0, 0, 0};
        f.insert(f.end(), head.begin(), head.end());
        f.insert(f.end(), list.begin(), list.end());
        const uint32_t riff = uint32_t(f.size() - 8);
        for (int i = 0; i < 4; ++i) f[4 + i] = uint8_t(riff >> (8 * i));
        WriteFile(dir.File(name), f);
        return LoadStatus(dir.File(name), Pcm(22050, 16, 1));
    };
    EXPECT_EQ(withList("list.wav", {'I', 'N', 'F', 'O', 'I', 0xFF, 0xFF, 'A', 0xF7, 0xFF, 0xFF, 0xFF, 1, 2}),
              status::DSERR_BADFORMAT);
    EXPECT_EQ(withList("sloppy.wav", {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 0,
                                      'I', 'A', 'R', 'T', 2, 0, 0, 0, 'c', 0}),
              0);

    // Lying headers: sizes near 4 GB, no channels, no rate, 65535 channels.
    WriteFile(dir.File("huge.wav"), WavBytes(std::vector<uint8_t>(64, 1), 48000, 16, 1, 0xFFFFFFF0));
    EXPECT_EQ(LoadStatus(dir.File("huge.wav")), status::DSERR_BADFORMAT);
    WriteFile(dir.File("noch.wav"), WavBytes(std::vector<uint8_t>(64, 1), 48000, 16, 0));
    EXPECT_NE(LoadStatus(dir.File("noch.wav")), 0);
    WriteFile(dir.File("norate.wav"), WavBytes(std::vector<uint8_t>(64, 1), 0, 16, 1));
    EXPECT_NE(LoadStatus(dir.File("norate.wav")), 0);
    WriteFile(dir.File("wide.wav"), WavBytes(std::vector<uint8_t>(64, 1), 48000, 16, -1));
    EXPECT_NE(LoadStatus(dir.File("wide.wav")), 0);
    // A rate of 1 Hz would turn a few bytes into a huge buffer.
    WriteFile(dir.File("slow.wav"), WavBytes(std::vector<uint8_t>(64, 1), 1, 16, 1));
    EXPECT_NE(LoadStatus(dir.File("slow.wav")), 0);
    // A compressed file cut short.
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 1;
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        std::string flac = dir.File("cut.flac");
        SNDFILE* f = sf_open(flac.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr);
        std::vector<short> noise(44100);
        std::mt19937 rng(1);
        for (auto& x : noise) x = static_cast<short>(rng() % 20000);
        sf_writef_short(f, noise.data(), 44100);
        sf_close(f);
        std::filesystem::resize_file(flac, std::filesystem::file_size(flac) / 2);
        EXPECT_NE(LoadStatus(flac, Pcm(44100, 16, 1)), 0);
    }
    // No samples at all.
    WriteFile(dir.File("empty.wav"), WavBytes({}, 48000, 16, 1));
    EXPECT_EQ(LoadStatus(dir.File("empty.wav")), status::DSERR_BADFORMAT);

    // A good file with a format no buffer can hold.
    WriteWav16(dir.File("ok.wav"), Constant(100, 1), 48000, 1);
    EXPECT_EQ(LoadStatus(dir.File("ok.wav"), Pcm(22050, 12, 2)), status::DSERR_BADFORMAT);
    EXPECT_EQ(LoadStatus(dir.File("ok.wav"), WAVEFORMATEX{}), status::DSERR_BADFORMAT);
    EXPECT_EQ(LoadStatus(dir.File("ok.wav"), Pcm(22050, 16, 2)), 0);
}

TEST_F(Mixer, PlayedSamplesArriveInTheFirstBlock) {
    auto b = Load(Ramp(2000));
    b->Play(0);
    const int32_t block = audio::AudioOutput::Get().BlockFrames();
    EXPECT_LE(block, 1024);
    auto mix = out.Render(block);
    // Latency on the render path: the sound's first sample is the block's first.
    EXPECT_EQ(FirstSound(mix), 0);
    for (size_t f : {0u, 1u, 100u, static_cast<unsigned>(block - 1)}) {
        EXPECT_FLOAT_EQ(L(mix, f), static_cast<float>(f + 1) / 32768) << f;
        EXPECT_FLOAT_EQ(R(mix, f), static_cast<float>(f + 1) / 32768) << f;
    }
    // Starting mid-way through a block's worth of silence: still the next block.
    out.Render(2000);
    auto c = Load(Constant(100, 3000));
    c->Play(0);
    mix = out.Render(block);
    EXPECT_EQ(FirstSound(mix), 0);
}

TEST_F(Mixer, VolumeHalvesAtMinus600AndFullPanSilencesTheFarChannel) {
    auto b = Load(Constant(48000, 16384));  // 0.5 full scale
    b->Play(0);
    auto mix = out.Render(100);
    EXPECT_FLOAT_EQ(L(mix, 50), 0.5f);
    EXPECT_FLOAT_EQ(R(mix, 50), 0.5f);

    b->SetVolume(-600);
    mix = out.Render(100);
    EXPECT_NEAR(L(mix, 50) / 0.5f, 0.5f, 0.005f);
    EXPECT_NEAR(R(mix, 50) / 0.5f, 0.5f, 0.005f);

    b->SetVolume(0);
    b->SetPan(-10000);  // full left
    mix = out.Render(100);
    EXPECT_FLOAT_EQ(L(mix, 50), 0.5f);
    EXPECT_EQ(Peak(mix, 1, 0, 100), 0.0f);
    b->SetPan(10000);
    mix = out.Render(100);
    EXPECT_EQ(Peak(mix, 0, 0, 100), 0.0f);
    EXPECT_FLOAT_EQ(R(mix, 50), 0.5f);
    b->SetPan(600);  // the left loses 6 dB, the right keeps full level
    mix = out.Render(100);
    EXPECT_NEAR(L(mix, 50), 0.25f, 0.003f);
    EXPECT_FLOAT_EQ(R(mix, 50), 0.5f);

    b->SetVolume(-10000);
    mix = out.Render(100);
    EXPECT_EQ(FirstSound(mix), -1);
    EXPECT_EQ(b->GetStatus(), DSBSTATUS_PLAYING);  // silent, yet still playing
}

TEST_F(Mixer, LoopingKeepsSoundingOneShotEndsAndStopSilences) {
    auto loop = Load(Constant(4800, 8000));  // 0.1 s
    loop->Play(DSBPLAY_LOOPING);
    auto mix = out.Render(48000);
    EXPECT_EQ(loop->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_GT(Peak(mix, 0, 47000, 48000), 0.2f);
    // Every frame sounds: no gap at the wrap.
    float low = 1;
    for (size_t f = 0; f < 48000; ++f) low = std::min(low, L(mix, f));
    EXPECT_GT(low, 0.2f);
    loop->Stop();
    mix = out.Render(1024);
    EXPECT_EQ(FirstSound(mix), -1);
    EXPECT_EQ(loop->GetStatus(), 0);

    // A one-shot plays exactly its length, then reports stopped.
    auto once = Load(Constant(4800, 8000));
    once->Play(0);
    mix = out.Render(4000);
    EXPECT_EQ(once->GetStatus(), DSBSTATUS_PLAYING);
    auto rest = out.Render(4000);
    EXPECT_EQ(once->GetStatus(), 0);
    EXPECT_GT(Peak(rest, 0, 0, 800), 0.2f);
    EXPECT_EQ(Peak(rest, 0, 800, 4000), 0.0f);
    // Its position went back to the start: played again, it sounds in full.
    once->Play(0);
    mix = out.Render(4800);
    EXPECT_GT(Peak(mix, 0, 4700, 4800), 0.2f);

    // Stop keeps the position; a rewind starts over.
    auto ramp = Load(Ramp(10000));
    ramp->Play(0);
    out.Render(1000);
    ramp->Stop();
    ramp->Play(0);
    mix = out.Render(1);
    EXPECT_FLOAT_EQ(L(mix, 0), 1001.0f / 32768);
    ramp->Stop();
    ramp->SetCurrentPosition(0);
    ramp->Play(0);
    mix = out.Render(1);
    EXPECT_FLOAT_EQ(L(mix, 0), 1.0f / 32768);
}

TEST_F(Mixer, OverlappingBuffersAddUp) {
    auto a = Load(Constant(9600, 4000));
    auto b = dev->DuplicateSoundBuffer(a);
    auto c = Load(Constant(9600, 1000));
    a->Play(0);
    auto mix = out.Render(1000);
    b->Play(0);
    c->Play(0);
    mix = out.Render(1000);
    EXPECT_FLOAT_EQ(L(mix, 10), 9000.0f / 32768);
    EXPECT_FLOAT_EQ(R(mix, 10), 9000.0f / 32768);
}

TEST_F(Mixer, FrequencyResamplesTheSound) {
    // Twice the rate: half the time.
    auto fast = Load(Constant(4800, 8000));
    fast->SetFrequency(96000);
    fast->Play(0);
    auto mix = out.Render(4800);
    EXPECT_GT(Peak(mix, 0, 2300, 2399), 0.2f);
    EXPECT_EQ(Peak(mix, 0, 2401, 4800), 0.0f);
    EXPECT_EQ(fast->GetStatus(), 0);

    // Half the rate: twice the time, with the samples in between interpolated.
    auto slow = Load(Ramp(4800));
    slow->SetFrequency(24000);
    slow->Play(0);
    mix = out.Render(9000);
    EXPECT_FLOAT_EQ(L(mix, 0), 1.0f / 32768);
    EXPECT_FLOAT_EQ(L(mix, 1), 1.5f / 32768);
    EXPECT_FLOAT_EQ(L(mix, 2), 2.0f / 32768);
    EXPECT_EQ(slow->GetStatus(), DSBSTATUS_PLAYING);

    // A 22050 Hz buffer at its own rate lasts its length in real time.
    auto own = Load(Constant(2205, 8000), Pcm(22050, 16, 1), kAll, 1, 22050);
    own->Play(0);
    mix = out.Render(4900);
    EXPECT_GT(Peak(mix, 0, 4700, 4790), 0.2f);
    EXPECT_EQ(Peak(mix, 0, 4802, 4900), 0.0f);
}

// Every depth and channel count, at odd rates, looping across the wrap:
// the mix matches a plain per-sample reference (linear interpolation between
// neighbours, the last frame leaning towards the first).
TEST_F(Mixer, ResamplingMatchesAPlainReferenceInEveryFormat) {
  const bool wide = audio::simd::WideVectors();
  for (bool useWide : {false, true}) {
    if (useWide && !wide) {
        std::printf("no AVX2 on this processor: only the SSE2 and plain paths are checked\n");
        break;
    }
    audio::simd::EnableWideVectors(useWide);
    std::mt19937 rng(11);
    for (int16_t bits : {8, 16}) {
        for (int16_t ch : {1, 2}) {
            const int32_t frames = 997;
            std::vector<int16_t> s(static_cast<size_t>(frames * ch));
            for (auto& x : s) x = static_cast<int16_t>(static_cast<int32_t>(rng() % 60000) - 30000);
            WAVEFORMATEX fmt = Pcm(22050, bits, ch);
            auto b = Load(s, fmt, kAll, ch, 22050);
            // The data as the buffer holds it, read back through a one-for-one play.
            for (int32_t freq : {31337, 7919}) {
                b->SetFrequency(freq);
                b->SetVolume(-300);
                b->SetPan(-1234);
                b->SetCurrentPosition(0);
                b->Play(DSBPLAY_LOOPING);
                auto mix = out.Render(5000);
                b->Stop();

                // Held samples: the 16-bit file converted to the buffer's depth.
                auto held = [&](int64_t f, int c) -> double {
                    int16_t v = s[static_cast<size_t>(f * ch + c)];
                    if (bits == 16) return v / 32768.0;
                    long q = std::clamp<long>(std::lrint(v / 32768.0 * 128.0), -128, 127);
                    return static_cast<double>(q) / 128.0;
                };
                const double gain = std::pow(10.0, -300 / 2000.0);
                const double gr = gain * std::pow(10.0, -1234 / 2000.0);
                const uint64_t step = (static_cast<uint64_t>(freq) << 32) / 48000;
                const uint64_t end = static_cast<uint64_t>(frames) << 32;
                uint64_t pos = 0;
                double worst = 0;
                for (size_t i = 0; i < 5000; ++i) {
                    int64_t idx = static_cast<int64_t>(pos >> 32);
                    int64_t nxt = idx + 1 < frames ? idx + 1 : 0;
                    double t = static_cast<double>(static_cast<uint32_t>(pos) >> 8) / 16777216.0;
                    double l = held(idx, 0) + (held(nxt, 0) - held(idx, 0)) * t;
                    double r = ch == 2 ? held(idx, 1) + (held(nxt, 1) - held(idx, 1)) * t : l;
                    worst = std::max(worst, std::fabs(L(mix, i) - l * gain));
                    worst = std::max(worst, std::fabs(R(mix, i) - r * gr));
                    pos = (pos + step) % end;
                }
                EXPECT_LT(worst, 1e-5) << bits << " bits, " << ch << " channels, " << freq << " Hz"
                                       << (useWide ? ", AVX2" : ", SSE2");
            }
        }
    }
  }
  audio::simd::EnableWideVectors(wide);
}

// The wide path gives the very same samples as the narrow one.
TEST_F(Mixer, WideAndNarrowPathsAgreeExactly) {
    if (!audio::simd::WideVectors()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(5);
    std::vector<std::vector<float>> mixes;
    for (bool useWide : {false, true}) {
        audio::simd::EnableWideVectors(useWide);
        std::mt19937 r(rng);
        std::vector<Ref<DirectSoundBuffer>> bufs;
        for (int16_t bits : {8, 16})
            for (int16_t ch : {1, 2}) {
                std::vector<int16_t> s(static_cast<size_t>(3001 * ch));
                for (auto& x : s) x = static_cast<int16_t>(static_cast<int32_t>(r() % 65536) - 32768);
                auto b = Load(s, Pcm(44100, bits, ch), kAll, ch, 44100);
                b->SetFrequency(static_cast<int32_t>(5000 + r() % 90000));
                b->SetPan(static_cast<int32_t>(r() % 20001) - 10000);
                b->Play(DSBPLAY_LOOPING);
                bufs.push_back(b);
            }
        mixes.push_back(out.Render(20000));
    }
    audio::simd::EnableWideVectors(true);
    ASSERT_EQ(mixes[0].size(), mixes[1].size());
    for (size_t i = 0; i < mixes[0].size(); ++i)
        ASSERT_EQ(mixes[0][i], mixes[1][i]) << "sample " << i;
}

TEST_F(Mixer, DuplicatesShareTheDataCopyTheControlsAndOutliveTheOriginal) {
    const int64_t before = audio::SoundDataBytes();
    auto orig = Load(Constant(512 * 1024, 2000));  // 1 MB of 16-bit mono
    EXPECT_EQ(audio::SoundDataBytes() - before, 1 << 20);
    orig->SetVolume(-600);
    orig->SetPan(-10000);
    orig->SetFrequency(24000);
    orig->Play(DSBPLAY_LOOPING);

#if defined(__SANITIZE_ADDRESS__)
    const bool measure = false;  // the sanitizer's allocator hides the heap figures
#else
    const bool measure = true;
#endif
    size_t heapBefore = mallinfo2().uordblks;
    std::vector<Ref<DirectSoundBuffer>> dups;
    for (int i = 0; i < 100; ++i) dups.push_back(dev->DuplicateSoundBuffer(orig));
    size_t heapAfter = mallinfo2().uordblks;
    EXPECT_EQ(audio::SoundDataBytes() - before, 1 << 20);  // no sample data copied
    if (measure) {
        EXPECT_LT(heapAfter - heapBefore, size_t{200} << 10) << "100 duplicates cost " << (heapAfter - heapBefore);
    }

    auto& d = dups.front();
    EXPECT_EQ(d->GetStatus(), 0);  // starts stopped
    EXPECT_EQ(d->GetVolume(), -600);
    EXPECT_EQ(d->GetPan(), -10000);
    EXPECT_EQ(d->GetFrequency(), 24000);

    orig->Stop();
    orig = nullptr;
    dups.resize(1);
    EXPECT_EQ(audio::SoundDataBytes() - before, 1 << 20);  // still held by the duplicate
    d->SetPan(0);
    d->SetVolume(0);
    d->Play(0);
    auto mix = out.Render(100);
    EXPECT_FLOAT_EQ(L(mix, 50), 2000.0f / 32768);
    dups.clear();
    EXPECT_EQ(audio::SoundDataBytes(), before);
}

TEST_F(Mixer, RenderToWavWritesTheMix) {
    auto b = Load(Constant(4800, 16384));
    b->SetPan(10000);
    b->Play(0);
    std::string path = dir.File("mix.wav");
    auto mix = audio::RenderToWav(path, 9600);
    ASSERT_EQ(mix.size(), 2u * 9600);
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.frames, 9600);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 48000);
    std::vector<short> s(2 * 9600);
    sf_readf_short(f, s.data(), 9600);
    sf_close(f);
    EXPECT_EQ(s[2 * 100], 0);  // left silenced by the pan
    EXPECT_NEAR(s[2 * 100 + 1], 16384, 1);
    EXPECT_EQ(s[2 * 5000 + 1], 0);  // after the sound's end
}

}  // namespace
}  // namespace vexo
