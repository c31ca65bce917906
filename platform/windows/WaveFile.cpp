// Wave files: the RIFF chunk walk, sample decoding and conversion to a
// buffer's format.
#include "platform/windows/WaveFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/windows/WinPlatform.h"

namespace vexo::win {
namespace {

constexpr int32_t kBadFormat = status::DSERR_BADFORMAT;
constexpr int32_t kFileNotFound = status::DSERR_FILENOTFOUND;
constexpr int32_t kNoMemory = status::DSERR_OUTOFMEMORY;
constexpr int64_t kMaxBufferBytes = DSBSIZE_MAX;

}  // namespace
}  // namespace vexo::win

#include <windows.h>

namespace vexo::win {
namespace {

constexpr int32_t kMinFileRate = 100;
constexpr int32_t kMaxFileRate = 1000000;
constexpr int32_t kMaxFileChannels = 1024;
// Floats held for the whole sound while its rate is converted; a file that
// would need more is refused rather than risk the process's memory.
constexpr int64_t kMaxWorkBytes = int64_t{1} << 30;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// --- Decoding and conversion ----------------------------------------------------

float Sample(const uint8_t* p, const WaveLayout& w) {
    switch (w.bytesPerSample) {
        case 1: return (p[0] - 128) / 128.0f;
        case 2: return static_cast<int16_t>(Le16(p)) / 32768.0f;
        case 3: {
            int32_t v = static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
            return static_cast<float>(v / 2147483648.0);
        }
        case 4: {
            uint32_t u = Le32(p);
            if (w.isFloat) {
                float f;
                std::memcpy(&f, &u, 4);
                return std::isfinite(f) ? std::clamp(f, -1.0f, 1.0f) : 0.0f;
            }
            return static_cast<float>(static_cast<int32_t>(u) / 2147483648.0);
        }
        default: {
            uint64_t u = Le32(p) | (uint64_t(Le32(p + 4)) << 32);
            double d;
            std::memcpy(&d, &u, 8);
            return std::isfinite(d) ? static_cast<float>(std::clamp(d, -1.0, 1.0)) : 0.0f;
        }
    }
}

constexpr float kMinus3dB = 0.70710678f;

// One frame into `dstCh` channels: mono is copied to both sides, stereo
// averaged into mono; past two channels, the first two are left and right
// and every other one goes into both sides at -3 dB, so none is lost.
void MapFrame(const uint8_t* frame, const WaveLayout& w, int32_t dstCh, float* out) {
    float l = Sample(frame, w), r = l;
    if (w.channels >= 2) r = Sample(frame + w.bytesPerSample, w);
    for (int32_t c = 2; c < w.channels; ++c) {
        float s = kMinus3dB * Sample(frame + c * w.bytesPerSample, w);
        l += s;
        r += s;
    }
    if (dstCh == 1) {
        out[0] = w.channels == 1 ? l : 0.5f * (l + r);
    } else {
        out[0] = l;
        out[1] = r;
    }
}

// A Blackman-windowed sinc, tabulated over its half width in zero
// crossings, for rate conversion.
constexpr int kZeroCrossings = 16;
constexpr int kSteps = 256;

const std::array<float, kZeroCrossings * kSteps + 2>& Kernel() {
    static const auto table = [] {
        std::array<float, kZeroCrossings * kSteps + 2> t{};
        const double pi = 3.14159265358979323846;
        for (size_t i = 0; i < t.size(); ++i) {
            double x = double(i) / kSteps;
            if (x >= kZeroCrossings) break;
            double s = x == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
            double u = 0.5 + 0.5 * x / kZeroCrossings;  // the window's right half
            double w = 0.42 - 0.5 * std::cos(2 * pi * u) + 0.08 * std::cos(4 * pi * u);
            t[i] = static_cast<float>(s * w);
        }
        return t;
    }();
    return table;
}

float KernelAt(double x) {
    x = std::fabs(x) * kSteps;
    size_t i = static_cast<size_t>(x);
    const auto& k = Kernel();
    if (i + 1 >= k.size()) return 0.0f;
    float f = static_cast<float>(x - double(i));
    return k[i] + (k[i + 1] - k[i]) * f;
}

// Quantises one sample to 8 or 16 bits at `o`, which moves on.
void Put(float x, int32_t bits, uint8_t*& o) {
    if (bits == 16) {
        long v = std::clamp<long>(std::lrint(double(x) * 32768.0), -32768, 32767);
        *o++ = static_cast<uint8_t>(v & 0xFF);
        *o++ = static_cast<uint8_t>((v >> 8) & 0xFF);
    } else {
        long v = std::clamp<long>(std::lrint(double(x) * 128.0), -128, 127);
        *o++ = static_cast<uint8_t>(v + 128);
    }
}

// `in`: `frames` frames of `ch` floats at `srcRate`; `outFrames` frames at
// `dstRate` are quantised to `bits` at `o`. Lowering the rate narrows the
// filter to the new Nyquist frequency. Samples past either end count as
// silence; each output is divided by the filter's whole weight, so a
// constant stays constant.
void Resample(const std::vector<float>& in, int64_t frames, int32_t ch, int32_t srcRate, int32_t dstRate,
              int64_t outFrames, int32_t bits, uint8_t* o) {
    const double step = double(srcRate) / dstRate;
    const double fc = std::min(1.0, double(dstRate) / srcRate);
    const double half = kZeroCrossings / fc;
    for (int64_t i = 0; i < outFrames; ++i) {
        const double t = double(i) * step;
        const int64_t first = static_cast<int64_t>(std::ceil(t - half));
        const int64_t last = static_cast<int64_t>(std::floor(t + half));
        double acc[2] = {0, 0}, total = 0;
        for (int64_t k = first; k <= last; ++k) {
            const double w = KernelAt((double(k) - t) * fc);
            total += w;
            if (k < 0 || k >= frames) continue;
            for (int32_t c = 0; c < ch; ++c) acc[c] += w * in[static_cast<size_t>(k * ch + c)];
        }
        if (total <= 0) total = 1;
        for (int32_t c = 0; c < ch; ++c) Put(static_cast<float>(acc[c] / total), bits, o);
    }
}

// --- The file ---------------------------------------------------------------------

struct File {
    HANDLE h = INVALID_HANDLE_VALUE;
    int64_t size = 0;
    ~File() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    // Exactly `n` bytes at `offset`, or false.
    bool Read(int64_t offset, void* to, size_t n) const {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        if (!SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) return false;
        auto* p = static_cast<uint8_t*>(to);
        while (n > 0) {
            DWORD got = 0;
            DWORD want = static_cast<DWORD>(std::min<size_t>(n, 1u << 20));
            if (!ReadFile(h, p, want, &got, nullptr) || got == 0) return false;
            p += got;
            n -= got;
        }
        return true;
    }
};

void Open(const std::string& name, File& f) {
    if (name.empty() || name.find('\0') != std::string::npos) Raise(kFileNotFound);
    f.h = CreateFileW(Wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    // Devices and pipes are no sound files either.
    if (f.h == INVALID_HANDLE_VALUE || GetFileType(f.h) != FILE_TYPE_DISK) Raise(kFileNotFound);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.h, &size)) Raise(kFileNotFound);
    f.size = size.QuadPart;
}

// The standard tail of the sub-format identifiers of extensible formats;
// the first two bytes hold the plain format tag.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

WaveLayout ParseFormat(const uint8_t* p, uint32_t size) {
    if (size < 16) Raise(kBadFormat);
    uint32_t tag = Le16(p);
    WaveLayout w;
    w.channels = Le16(p + 2);
    w.rate = static_cast<int32_t>(std::min<uint32_t>(Le32(p + 4), INT32_MAX));
    w.blockAlign = Le16(p + 12);
    const int32_t bits = Le16(p + 14);
    if (tag == 0xFFFE) {
        if (size < 40 || std::memcmp(p + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) Raise(kBadFormat);
        tag = Le16(p + 24);
    }
    if (w.channels < 1 || w.channels > kMaxFileChannels || w.rate < kMinFileRate || w.rate > kMaxFileRate)
        Raise(kBadFormat);
    // Samples narrower than their container are left-justified in it.
    w.bytesPerSample = (bits + 7) / 8;
    w.isFloat = tag == 3;
    const bool pcm = tag == 1 && bits >= 1 && bits <= 32;
    const bool ieee = w.isFloat && (bits == 32 || bits == 64);
    if ((!pcm && !ieee) || w.blockAlign != w.channels * w.bytesPerSample) Raise(kBadFormat);
    return w;
}

}  // namespace

void ValidatePcmFormat(const WAVEFORMATEX& f) {
    bool ok = f.nFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
              (f.nBitsPerSample == 8 || f.nBitsPerSample == 16) && f.lSamplesPerSec >= DSBFREQUENCY_MIN &&
              f.lSamplesPerSec <= DSBFREQUENCY_MAX && f.nBlockAlign == f.nChannels * f.nBitsPerSample / 8 &&
              f.lAvgBytesPerSec == f.lSamplesPerSec * f.nBlockAlign;
    if (!ok) Raise(kBadFormat);
}

std::vector<uint8_t> ConvertFrames(const uint8_t* data, int64_t frames, const WaveLayout& from,
                                   const WAVEFORMATEX& to) {
    const int32_t ch = to.nChannels, rate = to.lSamplesPerSec;
    const int64_t outFrames = frames * rate / from.rate;
    if (outFrames <= 0) Raise(kBadFormat);
    if (outFrames * to.nBlockAlign > kMaxBufferBytes) Raise(kNoMemory);
    if (frames * ch * int64_t(sizeof(float)) > kMaxWorkBytes) Raise(kNoMemory);
    try {
        std::vector<uint8_t> out(static_cast<size_t>(outFrames * to.nBlockAlign));
        uint8_t* o = out.data();
        if (from.rate == rate) {
            float frame[2];
            for (int64_t i = 0; i < frames; ++i) {
                MapFrame(data + i * from.blockAlign, from, ch, frame);
                for (int32_t c = 0; c < ch; ++c) Put(frame[c], to.nBitsPerSample, o);
            }
            return out;
        }
        // The filter reads around each output instant: map the whole sound
        // first.
        std::vector<float> mapped(static_cast<size_t>(frames * ch));
        for (int64_t i = 0; i < frames; ++i)
            MapFrame(data + i * from.blockAlign, from, ch, mapped.data() + i * ch);
        Resample(mapped, frames, ch, from.rate, rate, outFrames, to.nBitsPerSample, o);
        return out;
    } catch (const std::bad_alloc&) {
        Raise(kNoMemory);
    }
}

std::vector<uint8_t> LoadWaveFile(const std::string& name, const WAVEFORMATEX& to) {
    ValidatePcmFormat(to);
    File f;
    Open(name, f);
    uint8_t head[12];
    if (f.size < 12 || !f.Read(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4))
        Raise(kBadFormat);

    // Walk the chunks for the format and the data, in either order; a chunk
    // that claims more than the file holds ends the walk.
    const uint32_t riffSize = Le32(head + 4);
    const bool unsized = riffSize == 0 || riffSize == 0xFFFFFFFFu;
    bool haveFormat = false, haveData = false;
    WaveLayout layout;
    int64_t dataAt = 0, dataBytes = 0;
    int64_t off = 12;
    for (int chunks = 0; chunks < 4096 && off + 8 <= f.size && !(haveFormat && haveData); ++chunks) {
        uint8_t ch[8];
        if (!f.Read(off, ch, 8)) Raise(kBadFormat);
        const uint32_t size = Le32(ch + 4);
        const int64_t body = off + 8;
        if (std::memcmp(ch, "data", 4) == 0 && !haveData) {
            haveData = true;
            dataAt = body;
            // Streaming writers leave the size unknown: all ones, or 0 in a
            // file whose own size is unknown too. The data then runs to the
            // end of the file.
            if (size == 0xFFFFFFFFu || (size == 0 && unsized)) {
                dataBytes = f.size - body;
                break;
            }
            if (body + int64_t(size) > f.size) Raise(kBadFormat);
            dataBytes = size;
        } else if (std::memcmp(ch, "fmt ", 4) == 0 && !haveFormat) {
            if (body + int64_t(size) > f.size) Raise(kBadFormat);
            uint8_t fmt[40] = {};
            const uint32_t n = std::min<uint32_t>(size, sizeof fmt);
            if (!f.Read(body, fmt, n)) Raise(kBadFormat);
            layout = ParseFormat(fmt, size);
            haveFormat = true;
        }
        off = body + int64_t(size) + (size & 1);
    }
    if (!haveFormat || !haveData) Raise(kBadFormat);

    // A partial frame at the end is dropped.
    const int64_t frames = dataBytes / layout.blockAlign;
    if (frames <= 0) Raise(kBadFormat);
    if (frames * layout.blockAlign > kMaxWorkBytes) Raise(kNoMemory);
    std::vector<uint8_t> data;
    try {
        data.resize(static_cast<size_t>(frames * layout.blockAlign));
    } catch (const std::bad_alloc&) {
        Raise(kNoMemory);
    }
    if (!f.Read(dataAt, data.data(), data.size())) Raise(kBadFormat);
    return ConvertFrames(data.data(), frames, layout, to);
}

}  // namespace vexo::win
