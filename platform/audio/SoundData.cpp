// Wave loading with libsndfile and conversion to a buffer's PCM format.
#include "platform/audio/SoundData.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/Error.h"

namespace vexo::audio {
namespace {

std::atomic<int64_t> g_liveBytes{0};

constexpr int32_t kMinFileRate = 100;
constexpr int32_t kMaxFileRate = 1000000;
constexpr int32_t kMaxFileChannels = 1024;

// Streams source frames in, resamples linearly to the target rate, maps the
// channels and quantises to the target depth as it goes, so no copy of the
// whole source is ever held.
class Converter {
public:
    Converter(int32_t srcChannels, int32_t srcRate, const WAVEFORMATEX& fmt)
        : srcCh_(srcChannels), srcRate_(srcRate), dstRate_(fmt.lSamplesPerSec), dstCh_(fmt.nChannels),
          bits_(fmt.nBitsPerSample), block_(fmt.nBlockAlign) {}

    void Reserve(int64_t srcFrames) {
        int64_t bytes = OutFrames(srcFrames) * block_;
        // A header's claim is only a hint: never trust it with much memory.
        bytes_.reserve(static_cast<size_t>(std::clamp<int64_t>(bytes, 0, 16 << 20)));
    }

    void Feed(const float* frames, int64_t count) {
        for (int64_t k = 0; k < count; ++k) {
            float cur[2];
            Map(frames + k * srcCh_, cur);
            if (n_ == 0) {
                prev_[0] = cur[0];
                prev_[1] = cur[1];
            }
            // Emit the outputs whose source time lies in [n_ - 1, n_).
            while (n_ > 0 && Idx(next_) == n_ - 1) Emit(prev_, cur, Frac(next_));
            prev_[0] = cur[0];
            prev_[1] = cur[1];
            ++n_;
        }
    }

    // Emits the tail (source times past the last frame hold it) and hands
    // the data over.
    std::shared_ptr<const SoundData> Finish() {
        int64_t total = OutFrames(n_);
        while (next_ < total) Emit(prev_, prev_, 0.0f);
        if (total == 0) Raise(status::DSERR_BADFORMAT);
        auto data = std::make_shared<SoundData>();
        data->format.nFormatTag = WAVE_FORMAT_PCM;
        data->format.nChannels = static_cast<int16_t>(dstCh_);
        data->format.lSamplesPerSec = dstRate_;
        data->format.nBitsPerSample = static_cast<int16_t>(bits_);
        data->format.nBlockAlign = static_cast<int16_t>(block_);
        data->format.lAvgBytesPerSec = dstRate_ * block_;
        bytes_.shrink_to_fit();
        data->bytes = std::move(bytes_);
        data->frames = static_cast<int32_t>(total);
        g_liveBytes.fetch_add(static_cast<int64_t>(data->bytes.size()));
        return data;
    }

    // Raises before any allocation when `srcFrames` would not fit a buffer.
    void CheckFits(int64_t srcFrames) const {
        if (srcFrames > (int64_t{1} << 40) || OutFrames(srcFrames) * block_ > DSBSIZE_MAX)
            Raise(status::DSERR_OUTOFMEMORY);
    }

private:
    int64_t OutFrames(int64_t srcFrames) const { return srcFrames * dstRate_ / srcRate_; }
    int64_t Idx(int64_t i) const { return i * srcRate_ / dstRate_; }
    float Frac(int64_t i) const {
        return static_cast<float>(static_cast<double>(i * srcRate_ % dstRate_) / dstRate_);
    }

    void Map(const float* in, float out[2]) const {
        if (dstCh_ == 1) {
            float s = 0;
            for (int32_t c = 0; c < srcCh_; ++c) s += in[c];
            out[0] = out[1] = s / static_cast<float>(srcCh_);
        } else {
            out[0] = in[0];
            out[1] = srcCh_ > 1 ? in[1] : in[0];
        }
    }

    void Emit(const float* a, const float* b, float t) {
        if (static_cast<int64_t>(bytes_.size()) + block_ > DSBSIZE_MAX) Raise(status::DSERR_OUTOFMEMORY);
        for (int32_t c = 0; c < dstCh_; ++c) {
            float x = a[c] + (b[c] - a[c]) * t;
            if (bits_ == 16) {
                long v = std::lrint(static_cast<double>(x) * 32768.0);
                int16_t s = static_cast<int16_t>(std::clamp<long>(v, -32768, 32767));
                uint8_t le[2] = {static_cast<uint8_t>(s & 0xFF), static_cast<uint8_t>((s >> 8) & 0xFF)};
                bytes_.insert(bytes_.end(), le, le + 2);
            } else {
                long v = std::lrint(static_cast<double>(x) * 128.0);
                bytes_.push_back(static_cast<uint8_t>(std::clamp<long>(v, -128, 127) + 128));
            }
        }
        ++next_;
    }

    int32_t srcCh_, srcRate_, dstRate_, dstCh_, bits_, block_;
    std::vector<uint8_t> bytes_;
    float prev_[2] = {0, 0};
    int64_t n_ = 0;     // source frames seen
    int64_t next_ = 0;  // next output frame
};

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// libsndfile shortens a data chunk that runs past the end of the file
// without a word, so a truncated file would load as a shorter sound. Walk
// the RIFF or AIFF chunks ourselves and refuse a sample chunk whose declared
// size does not fit the file. Sizes 0 and 0xFFFFFFFF mean "unknown" to
// streaming writers and are left to libsndfile.
bool SampleChunkTruncated(int fd, int64_t fileSize) {
    uint8_t head[12];
    if (pread(fd, head, 12, 0) != 12) return false;
    bool riff = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    bool rifx = std::memcmp(head, "RIFX", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    bool aiff = std::memcmp(head, "FORM", 4) == 0 &&
                (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
    if (!riff && !rifx && !aiff) return false;
    const char* sampleId = aiff ? "SSND" : "data";
    int64_t off = 12;
    for (int chunks = 0; chunks < 4096 && off + 8 <= fileSize; ++chunks) {
        uint8_t ch[8];
        if (pread(fd, ch, 8, off) != 8) return false;
        uint32_t size = riff ? Le32(ch + 4) : Be32(ch + 4);
        if (std::memcmp(ch, sampleId, 4) == 0) {
            if (size == 0 || size == 0xFFFFFFFFu) return false;
            return off + 8 + static_cast<int64_t>(size) > fileSize;
        }
        off += 8 + static_cast<int64_t>(size) + (size & 1);
    }
    return false;
}

struct SndFile {
    SNDFILE* f = nullptr;
    ~SndFile() {
        if (f) sf_close(f);
    }
};

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

SoundData::SoundData() = default;
SoundData::~SoundData() { g_liveBytes.fetch_sub(static_cast<int64_t>(bytes.size())); }

int64_t LiveSoundDataBytes() { return g_liveBytes.load(); }

void ValidatePcmFormat(const WAVEFORMATEX& f) {
    bool ok = f.nFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
              (f.nBitsPerSample == 8 || f.nBitsPerSample == 16) && f.lSamplesPerSec >= DSBFREQUENCY_MIN &&
              f.lSamplesPerSec <= DSBFREQUENCY_MAX && f.nBlockAlign == f.nChannels * f.nBitsPerSample / 8 &&
              f.lAvgBytesPerSec == f.lSamplesPerSec * f.nBlockAlign;
    if (!ok) Raise(status::DSERR_BADFORMAT);
}

std::shared_ptr<const SoundData> LoadSoundFile(const std::string& file, const WAVEFORMATEX& format) {
    ValidatePcmFormat(format);
    Fd fd;
    fd.fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd.fd < 0) Raise(status::DSERR_FILENOTFOUND);
    struct stat st {};
    if (fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) Raise(status::DSERR_FILENOTFOUND);
    if (SampleChunkTruncated(fd.fd, st.st_size)) Raise(status::DSERR_BADFORMAT);

    SF_INFO info{};
    SndFile sf;
    sf.f = sf_open_fd(fd.fd, SFM_READ, &info, SF_FALSE);
    if (!sf.f) Raise(status::DSERR_BADFORMAT);
    if (info.channels < 1 || info.channels > kMaxFileChannels || info.samplerate < kMinFileRate ||
        info.samplerate > kMaxFileRate || info.frames < 0)
        Raise(status::DSERR_BADFORMAT);
    sf_command(sf.f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    // Streams of unknown length report the largest count; MPEG counts are
    // estimates. Neither is held against the data read.
    const bool knownLength = info.frames != SF_COUNT_MAX && (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG;
    const int64_t claimed = knownLength ? info.frames : 0;
    Converter conv(info.channels, info.samplerate, format);
    conv.CheckFits(claimed);
    conv.Reserve(claimed);
    constexpr int64_t kChunk = 4096;
    std::vector<float> chunk(static_cast<size_t>(kChunk * info.channels));
    int64_t read = 0;
    for (;;) {
        sf_count_t n = sf_readf_float(sf.f, chunk.data(), kChunk);
        if (n <= 0) break;
        read += n;
        conv.CheckFits(read);
        conv.Feed(chunk.data(), n);
    }
    // A decoder that stops early or reports an error means damaged data.
    if (sf_error(sf.f) != SF_ERR_NO_ERROR || read < claimed) Raise(status::DSERR_BADFORMAT);
    return conv.Finish();
}

std::shared_ptr<const SoundData> MakeSoundData(const float* samples, int64_t frames, int32_t channels, int32_t rate,
                                               const WAVEFORMATEX& format) {
    ValidatePcmFormat(format);
    if (channels < 1 || channels > kMaxFileChannels || rate < kMinFileRate || rate > kMaxFileRate || frames < 0)
        Raise(status::DSERR_BADFORMAT);
    Converter conv(channels, rate, format);
    conv.CheckFits(frames);
    conv.Reserve(frames);
    conv.Feed(samples, frames);
    return conv.Finish();
}

}  // namespace vexo::audio
