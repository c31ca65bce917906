// Wave loading with libsndfile and conversion to a buffer's PCM format.
#include "platform/audio/SoundData.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "common/Error.h"
#include "common/FaultPoint.h"

namespace vexo::audio {
namespace {

std::atomic<int64_t> g_liveBytes{0};

constexpr int32_t kMinFileRate = 100;
constexpr int32_t kMaxFileRate = 1000000;
constexpr int32_t kMaxFileChannels = 1024;

// Where a source channel goes when a file has more channels than the buffer:
// gains into the left and right output.
struct Pan {
    float l, r;
};

constexpr float kMinus3dB = 0.70710678f;

// The usual downmix: front left and right as they are; centre, surrounds and
// every other speaker at -3 dB into its side (both sides for the centre
// ones); the low-frequency channel dropped. A position we do not know goes
// into both sides at -3 dB, so no channel is ever lost.
Pan PanOf(int position) {
    switch (position) {
        case SF_CHANNEL_MAP_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT: return {1, 0};
        case SF_CHANNEL_MAP_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT: return {0, 1};
        case SF_CHANNEL_MAP_LFE: return {0, 0};
        case SF_CHANNEL_MAP_REAR_LEFT:
        case SF_CHANNEL_MAP_SIDE_LEFT:
        case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
        case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
        case SF_CHANNEL_MAP_TOP_REAR_LEFT: return {kMinus3dB, 0};
        case SF_CHANNEL_MAP_REAR_RIGHT:
        case SF_CHANNEL_MAP_SIDE_RIGHT:
        case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
        case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
        case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return {0, kMinus3dB};
        default: return {kMinus3dB, kMinus3dB};
    }
}

// Speaker positions of a file with more than two channels that names none:
// the common layouts by channel count (3.0, quad, 5.0, 5.1, 6.1, 7.1); past
// eight, left and right first and the rest unknown.
std::vector<int> DefaultLayout(int32_t channels) {
    enum : int {
        L = SF_CHANNEL_MAP_FRONT_LEFT, R = SF_CHANNEL_MAP_FRONT_RIGHT, C = SF_CHANNEL_MAP_FRONT_CENTER,
        LFE = SF_CHANNEL_MAP_LFE, BL = SF_CHANNEL_MAP_REAR_LEFT, BR = SF_CHANNEL_MAP_REAR_RIGHT,
        BC = SF_CHANNEL_MAP_REAR_CENTER, SL = SF_CHANNEL_MAP_SIDE_LEFT, SR = SF_CHANNEL_MAP_SIDE_RIGHT
    };
    switch (channels) {
        case 3: return {L, R, C};
        case 4: return {L, R, BL, BR};
        case 5: return {L, R, C, BL, BR};
        case 6: return {L, R, C, LFE, BL, BR};
        case 7: return {L, R, C, LFE, BC, SL, SR};
        case 8: return {L, R, C, LFE, BL, BR, SL, SR};
        default: {
            std::vector<int> v(static_cast<size_t>(channels), SF_CHANNEL_MAP_INVALID);
            v[0] = L;
            v[1] = R;
            return v;
        }
    }
}

struct Soxr {
    soxr_t s = nullptr;
    ~Soxr() {
        if (s) soxr_delete(s);
    }
};

// Streams source frames in, maps the channels, converts the rate with
// libsoxr at high quality and quantises to the target depth as it goes, so
// no copy of the whole source is ever held.
class Converter {
public:
    // `positions`: the file's speaker positions (empty: not given).
    Converter(int32_t srcChannels, int32_t srcRate, const WAVEFORMATEX& fmt, const std::vector<int>& positions = {})
        : srcCh_(srcChannels), srcRate_(srcRate), dstRate_(fmt.lSamplesPerSec), dstCh_(fmt.nChannels),
          bits_(fmt.nBitsPerSample), block_(fmt.nBlockAlign) {
        if (srcCh_ > 2) {
            std::vector<int> pos = static_cast<int32_t>(positions.size()) == srcCh_ ? positions : DefaultLayout(srcCh_);
            for (int p : pos) pans_.push_back(PanOf(p));
        }
        if (srcRate_ != dstRate_) {
            soxr_error_t err = nullptr;
            soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
            soxr_runtime_spec_t rt = soxr_runtime_spec(1);
            soxr_.s = soxr_create(srcRate_, dstRate_, static_cast<unsigned>(dstCh_), &err, &io, &q, &rt);
            if (err || !soxr_.s) Raise(status::DSERR_OUTOFMEMORY);
            resampled_.resize(static_cast<size_t>(kOutChunk * dstCh_));
        }
    }

    // `srcFrames`: the frames that will really be fed, counted beforehand,
    // so the data is allocated once at its final size and never grows.
    void Reserve(int64_t srcFrames) {
        CheckFits(srcFrames);
        if (fault::Hit(fault::Point::SampleMemory)) throw std::bad_alloc();
        bytes_.reserve(static_cast<size_t>(OutFrames(srcFrames) * block_));
    }

    void Feed(const float* frames, int64_t count) {
        mapped_.resize(static_cast<size_t>(count * dstCh_));
        for (int64_t k = 0; k < count; ++k) Map(frames + k * srcCh_, mapped_.data() + k * dstCh_);
        n_ += count;
        if (!soxr_.s) return Emit(mapped_.data(), count);
        Resample(mapped_.data(), static_cast<size_t>(count));
    }

    // Flushes the resampler, fixes the length at the source's duration and
    // hands the data over.
    std::shared_ptr<const SoundData> Finish() {
        if (soxr_.s) Resample(nullptr, 0);
        const int64_t total = OutFrames(n_);
        if (total == 0) Raise(status::DSERR_BADFORMAT);
        const float silence[2] = {0, 0};
        while (out_ < total) Emit(silence, 1);
        bytes_.resize(static_cast<size_t>(total * block_));
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
    static constexpr size_t kOutChunk = 4096;

    int64_t OutFrames(int64_t srcFrames) const { return srcFrames * dstRate_ / srcRate_; }

    void Map(const float* in, float* out) const {
        if (srcCh_ <= 2) {
            if (dstCh_ == 1) {
                out[0] = srcCh_ == 1 ? in[0] : 0.5f * (in[0] + in[1]);
            } else {
                out[0] = in[0];
                out[1] = srcCh_ > 1 ? in[1] : in[0];
            }
            return;
        }
        float l = 0, r = 0;
        for (int32_t c = 0; c < srcCh_; ++c) {
            l += in[c] * pans_[static_cast<size_t>(c)].l;
            r += in[c] * pans_[static_cast<size_t>(c)].r;
        }
        if (dstCh_ == 1) {
            out[0] = 0.5f * (l + r);
        } else {
            out[0] = l;
            out[1] = r;
        }
    }

    // `in` null: end of input, drain the resampler.
    void Resample(const float* in, size_t count) {
        size_t used = 0;
        for (;;) {
            size_t idone = 0, odone = 0;
            soxr_error_t err = soxr_process(soxr_.s, in ? in + used * static_cast<size_t>(dstCh_) : nullptr,
                                            count - used, &idone, resampled_.data(), kOutChunk, &odone);
            if (err) Raise(status::DSERR_BADFORMAT);
            if (in && idone == 0 && odone == 0 && used < count) Raise(status::DSERR_BADFORMAT);  // no progress
            used += idone;
            Emit(resampled_.data(), static_cast<int64_t>(odone));
            if (in ? used >= count && odone < kOutChunk : odone == 0) return;
        }
    }

    // Quantises `count` frames; frames past the source's duration (the
    // resampler may give one more) are dropped.
    void Emit(const float* frames, int64_t count) {
        count = std::min(count, OutFrames(n_) - out_);
        if (count <= 0) return;
        if (static_cast<int64_t>(bytes_.size()) + count * block_ > DSBSIZE_MAX) Raise(status::DSERR_OUTOFMEMORY);
        size_t at = bytes_.size();
        if (fault::Hit(fault::Point::SampleMemory)) throw std::bad_alloc();
        bytes_.resize(at + static_cast<size_t>(count * block_));
        uint8_t* o = bytes_.data() + at;
        for (int64_t i = 0; i < count * dstCh_; ++i) {
            double x = frames[i];
            if (bits_ == 16) {
                long v = std::lrint(x * 32768.0);
                int16_t s = static_cast<int16_t>(std::clamp<long>(v, -32768, 32767));
                *o++ = static_cast<uint8_t>(s & 0xFF);
                *o++ = static_cast<uint8_t>((s >> 8) & 0xFF);
            } else {
                long v = std::lrint(x * 128.0);
                *o++ = static_cast<uint8_t>(std::clamp<long>(v, -128, 127) + 128);
            }
        }
        out_ += count;
    }

    int32_t srcCh_, srcRate_, dstRate_, dstCh_, bits_, block_;
    std::vector<Pan> pans_;
    Soxr soxr_;
    std::vector<float> mapped_, resampled_;
    std::vector<uint8_t> bytes_;
    int64_t n_ = 0;    // source frames seen
    int64_t out_ = 0;  // output frames emitted
};

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// libsndfile shortens a data chunk that runs past the end of the file
// without a word, so a truncated file would load as a shorter sound; and it
// spins for minutes over a LIST chunk whose entries claim more bytes than the
// LIST holds. Walk the RIFF or AIFF chunks ourselves and refuse such a file
// before libsndfile sees it. Data sizes 0 and 0xFFFFFFFF mean "unknown" to
// streaming writers and are left to libsndfile, as is everything after them.
// Many writers leave out the pad byte after an odd-sized entry, so a list
// is refused only when it overruns read either way.
bool ListEntriesOverrun(int fd, int64_t start, int64_t end, bool littleEndian) {
    for (int pad = 1; pad >= 0; --pad) {
        bool overrun = false;
        for (int64_t off = start + 4; off + 8 <= end && !overrun;) {  // past the list's type
            uint8_t ch[8];
            if (pread(fd, ch, 8, off) != 8) return false;
            uint32_t size = littleEndian ? Le32(ch + 4) : Be32(ch + 4);
            overrun = off + 8 + static_cast<int64_t>(size) > end;
            off += 8 + static_cast<int64_t>(size) + (pad ? (size & 1) : 0);
        }
        if (!overrun) return false;
    }
    return true;
}

bool ChunksRefused(int fd, int64_t fileSize) {
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
        int64_t end = off + 8 + static_cast<int64_t>(size);
        if (std::memcmp(ch, sampleId, 4) == 0) {
            if (size == 0 || size == 0xFFFFFFFFu) return false;
            if (end > fileSize) return true;
        } else if (!aiff && std::memcmp(ch, "LIST", 4) == 0 &&
                   ListEntriesOverrun(fd, off + 8, std::min(end, fileSize), riff)) {
            return true;
        }
        off = end + (size & 1);
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

namespace {

// Memory running out while a sound is read gives the sound's out-of-memory
// status, like a sound too long for a buffer, rather than a generic failure.
template <class F>
std::shared_ptr<const SoundData> OutOfMemoryAsStatus(F&& load) {
    try {
        return load();
    } catch (const std::bad_alloc&) {
        Raise(status::DSERR_OUTOFMEMORY);
    }
}

std::shared_ptr<const SoundData> Load(const std::string& file, const WAVEFORMATEX& format) {
    ValidatePcmFormat(format);
    Fd fd;
    fd.fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd.fd < 0) Raise(status::DSERR_FILENOTFOUND);
    struct stat st {};
    if (fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode)) Raise(status::DSERR_FILENOTFOUND);
    if (ChunksRefused(fd.fd, st.st_size)) Raise(status::DSERR_BADFORMAT);

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
    std::vector<int> positions;
    if (info.channels > 2) {
        positions.resize(static_cast<size_t>(info.channels));
        if (sf_command(sf.f, SFC_GET_CHANNEL_MAP_INFO, positions.data(),
                       static_cast<int>(positions.size() * sizeof(int))) != SF_TRUE)
            positions.clear();
    }
    Converter conv(info.channels, info.samplerate, format, positions);
    conv.CheckFits(claimed);
    // The first pass only counts what the decoder gives: a compressed file
    // of a few hundred bytes can hold minutes of sound, and data grown as it
    // arrives would hold up to three times its size at once (the old and
    // the new block, then the trimmed copy). The second converts into data
    // allocated once, so loading never holds more than DSBSIZE_MAX.
    constexpr int64_t kChunk = 4096;
    std::vector<float> chunk(static_cast<size_t>(kChunk * info.channels));
    int64_t read = 0;
    for (;;) {
        sf_count_t n = sf_readf_float(sf.f, chunk.data(), kChunk);
        if (n <= 0) break;
        read += n;
        conv.CheckFits(read);
    }
    // A decoder that stops early or reports an error means damaged data.
    if (sf_error(sf.f) != SF_ERR_NO_ERROR || read < claimed) Raise(status::DSERR_BADFORMAT);
    if (sf_seek(sf.f, 0, SEEK_SET) != 0) {
        // A decoder that cannot seek reads the file again from the start.
        sf_close(sf.f);
        SF_INFO again{};
        sf.f = lseek(fd.fd, 0, SEEK_SET) == 0 ? sf_open_fd(fd.fd, SFM_READ, &again, SF_FALSE) : nullptr;
        if (!sf.f || again.channels != info.channels || again.samplerate != info.samplerate)
            Raise(status::DSERR_BADFORMAT);
        sf_command(sf.f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    }
    conv.Reserve(read);
    for (int64_t fed = 0; fed < read;) {
        sf_count_t n = sf_readf_float(sf.f, chunk.data(), std::min(kChunk, read - fed));
        if (n <= 0) Raise(status::DSERR_BADFORMAT);  // fewer frames than the first time
        conv.Feed(chunk.data(), n);
        fed += n;
    }
    if (sf_error(sf.f) != SF_ERR_NO_ERROR) Raise(status::DSERR_BADFORMAT);
    return conv.Finish();
}

std::shared_ptr<const SoundData> Make(const float* samples, int64_t frames, int32_t channels, int32_t rate,
                                      const WAVEFORMATEX& format) {
    ValidatePcmFormat(format);
    if (channels < 1 || channels > kMaxFileChannels || rate < kMinFileRate || rate > kMaxFileRate || frames < 0)
        Raise(status::DSERR_BADFORMAT);
    Converter conv(channels, rate, format);
    conv.Reserve(frames);
    conv.Feed(samples, frames);
    return conv.Finish();
}

}  // namespace

std::shared_ptr<const SoundData> LoadSoundFile(const std::string& file, const WAVEFORMATEX& format) {
    return OutOfMemoryAsStatus([&] { return Load(file, format); });
}

std::shared_ptr<const SoundData> MakeSoundData(const float* samples, int64_t frames, int32_t channels, int32_t rate,
                                               const WAVEFORMATEX& format) {
    return OutOfMemoryAsStatus([&] { return Make(samples, frames, channels, rate, format); });
}

}  // namespace vexo::audio
