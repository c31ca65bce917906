// Test support for the sound component: wave files written by the test, a
// temporary directory, and platforms to run DX7Sound on (a recording one and
// one over the real mixer).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/DSound.h"
#include "common/Platform.h"

namespace vexo {

// Readable records in failure messages.
inline std::ostream& operator<<(std::ostream& os, const WAVEFORMATEX& f) {
    return os << "WAVEFORMATEX{tag " << f.nFormatTag << ", ch " << f.nChannels << ", " << f.lSamplesPerSec
              << " Hz, " << f.lAvgBytesPerSec << " B/s, align " << f.nBlockAlign << ", " << f.nBitsPerSample
              << " bits, extra " << f.nSize << "}";
}

}  // namespace vexo

namespace vexo::test {

inline WAVEFORMATEX Pcm(int32_t rate, int16_t bits, int16_t channels) {
    WAVEFORMATEX f;
    f.nFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.lSamplesPerSec = rate;
    f.nBitsPerSample = bits;
    f.nBlockAlign = static_cast<int16_t>(bits / 8 * channels);
    f.lAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A directory of its own under the system's temporary directory, removed
// with the object.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/vexo-sound-XXXXXX";
        path_ = mkdtemp(tmpl) ? tmpl : "/tmp";
    }
    ~TempDir() {
        std::error_code ec;
        if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Raw bytes of a canonical RIFF WAVE file. `declaredData` overrides the data
// chunk's size field (for truncated and hostile files).
inline std::vector<uint8_t> WavBytes(const std::vector<uint8_t>& data, int32_t rate, int16_t bits, int16_t channels,
                                     int64_t declaredData = -1) {
    std::vector<uint8_t> b;
    b.reserve(44 + data.size());
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
    };
    uint32_t dataSize = declaredData >= 0 ? static_cast<uint32_t>(declaredData) : static_cast<uint32_t>(data.size());
    tag("RIFF");
    u32(36 + dataSize);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * channels * bits / 8));
    u16(static_cast<uint16_t>(channels * bits / 8));
    u16(static_cast<uint16_t>(bits));
    tag("data");
    u32(dataSize);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A 16-bit wave file of interleaved samples.
inline void WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int32_t rate, int16_t channels) {
    std::vector<uint8_t> data;
    for (int16_t s : samples) {
        data.push_back(static_cast<uint8_t>(s & 0xFF));
        data.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    WriteBytes(path, WavBytes(data, rate, 16, channels));
}

// `frames` frames of a constant level (a DC sound makes amplitudes easy to
// read at any resampling ratio).
inline std::vector<int16_t> Constant(int32_t frames, int16_t level, int channels = 1) {
    return std::vector<int16_t>(static_cast<size_t>(frames) * channels, level);
}

// A ramp 1, 2, 3 ... so that each output sample names the frame it came from.
inline std::vector<int16_t> Ramp(int32_t frames) {
    std::vector<int16_t> v(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
    return v;
}

// ---------------------------------------------------------------------------
// Platform pieces every test platform needs but these tests do not look at.
class StubWindows : public WindowService {
public:
    int32_t GetWindowRect(HWND, RECT&) override { return 1; }
    int32_t GetClientRect(HWND, RECT&) override { return 1; }
    int32_t SetWindowPos(HWND, HWND, int32_t, int32_t, int32_t, int32_t, int32_t) override { return 1; }
    HWND GetParent(HWND) override { return 0; }
    // Windows 1 to 99 exist.
    int32_t IsWindow(HWND h) override { return h > 0 && h < 100; }
    HWND CreateAppWindow(const std::string&, int32_t, int32_t, int32_t, int32_t, HWND) override { return 1; }
    void DestroyAppWindow(HWND) override {}
};

class StubGdi : public GdiService {
public:
    int32_t GetObjectA(HGDIOBJ, int32_t, BITMAP&) override { return 0; }
    HDC CreateCompatibleDC(HDC) override { return 0; }
    HGDIOBJ SelectObject(HDC, HGDIOBJ) override { return 0; }
    int32_t BitBlt(HDC, int32_t, int32_t, int32_t, int32_t, HDC, int32_t, int32_t, int32_t) override { return 0; }
    int32_t DeleteDC(HDC) override { return 0; }
    COLORREF GetPixel(HDC, int32_t, int32_t) override { return CLR_INVALID; }
    COLORREF SetPixel(HDC, int32_t, int32_t, COLORREF) override { return CLR_INVALID; }
    int32_t DeleteObject(HGDIOBJ) override { return 0; }
};

struct MessageBoxCall {
    std::string prompt;
    int32_t buttons = 0;
    std::string title;
};

// Records message boxes instead of showing them.
class RecordingHost : public HostRuntime {
public:
    Ref<Picture> LoadPicture(const std::string&) override { Raise(53); }
    Ref<Picture> LoadResPicture(const std::string&, int32_t) override { Raise(53); }
    void DoEvents() override {}
    float Timer() override { return 0; }
    uint32_t GetTickCount() override { return 0; }
    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override {
        boxes.push_back({prompt, buttons, title});
        return 1;
    }
    std::vector<MessageBoxCall> boxes;
};

// A platform whose root hands out the DirectSound family given to it.
class SoundTestPlatform : public Platform {
public:
    using Factory = std::function<Ref<DirectSound>(const std::string&)>;
    explicit SoundTestPlatform(Factory f) : factory_(std::move(f)) {}

    Ref<DirectX7> CreateDirectX7() override {
        ++rootsCreated;
        return Ref<DirectX7>(new Root(this));
    }
    WindowService& Windows() override { return windows_; }
    GdiService& Gdi() override { return gdi_; }
    HostRuntime& Runtime() override { return host; }

    RecordingHost host;
    int rootsCreated = 0;
    int rootsAlive = 0;
    std::vector<std::string> soundCreates;  // guids passed to DirectSoundCreate
    int32_t failSoundCreate = 0;            // status DirectSoundCreate raises when non-zero

private:
    class Root : public DirectX7 {
    public:
        explicit Root(SoundTestPlatform* p) : p_(p) { ++p_->rootsAlive; }
        ~Root() override { --p_->rootsAlive; }
        Ref<DirectSound> DirectSoundCreate(const std::string& guid) override {
            p_->soundCreates.push_back(guid);
            if (p_->failSoundCreate) Raise(p_->failSoundCreate);
            return p_->factory_(guid);
        }

    private:
        SoundTestPlatform* p_;
    };

    Factory factory_;
    StubWindows windows_;
    StubGdi gdi_;
};

}  // namespace vexo::test
