// The DirectSound family: the device object and its sound buffers, which
// are voices of the process's mixer.
#include <memory>
#include <mutex>

#include "common/DSound.h"
#include "common/Platform.h"
#include "platform/Families.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/Mixer.h"
#include "platform/audio/SoundData.h"

namespace vexo::audio {
namespace {

class SoundBuffer final : public DirectSoundBuffer {
public:
    SoundBuffer(std::shared_ptr<const SoundData> data, int32_t caps) : caps_(caps) { v_.data = std::move(data); }

    ~SoundBuffer() override {
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        mixer_.Halt(v_);
    }

    // A copy sharing the data, with the controls' current values, stopped.
    Ref<DirectSoundBuffer> Duplicate() {
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        auto* copy = new SoundBuffer(v_.data, caps_);
        copy->v_.volume = v_.volume;
        copy->v_.pan = v_.pan;
        copy->v_.frequency = v_.frequency;
        Mixer::UpdateGains(copy->v_);
        return Ref<DirectSoundBuffer>(copy);
    }

    int32_t GetStatus() override {
        AudioOutput::Get().CheckDevice();
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        if (!v_.playing) return 0;
        return DSBSTATUS_PLAYING | (v_.looping ? DSBSTATUS_LOOPING : 0);
    }

    void Stop() override {
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        mixer_.Halt(v_);
    }

    void Play(int32_t flags) override {
        if (flags & ~DSBPLAY_LOOPING) Raise(status::DSERR_INVALIDPARAM);
        AudioOutput::Get().CheckDevice();
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        v_.looping = (flags & DSBPLAY_LOOPING) != 0;
        mixer_.Start(v_);
    }

    void SetCurrentPosition(int32_t position) override {
        const SoundData& d = *v_.data;
        // The position is an unsigned byte offset; past the end it wraps.
        uint64_t bytes = static_cast<uint32_t>(position) % d.bytes.size();
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        v_.pos = (bytes / static_cast<uint64_t>(d.format.nBlockAlign)) << 32;
    }

    void GetCurrentPosition(DSCURSORS& c) override {
        AudioOutput::Get().CheckDevice();
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        c.lPlay = static_cast<int32_t>((v_.pos >> 32) * static_cast<uint64_t>(v_.data->format.nBlockAlign));
        c.lWrite = c.lPlay;
    }

    void SetVolume(int32_t volume) override {
        Need(DSBCAPS_CTRLVOLUME);
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) Raise(status::DSERR_INVALIDPARAM);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        v_.volume = volume;
        Mixer::UpdateGains(v_);
    }
    int32_t GetVolume() override {
        Need(DSBCAPS_CTRLVOLUME);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        return v_.volume;
    }

    void SetPan(int32_t pan) override {
        Need(DSBCAPS_CTRLPAN);
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) Raise(status::DSERR_INVALIDPARAM);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        v_.pan = pan;
        Mixer::UpdateGains(v_);
    }
    int32_t GetPan() override {
        Need(DSBCAPS_CTRLPAN);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        return v_.pan;
    }

    void SetFrequency(int32_t frequency) override {
        Need(DSBCAPS_CTRLFREQUENCY);
        if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            Raise(status::DSERR_INVALIDPARAM);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        v_.frequency = frequency;
    }
    int32_t GetFrequency() override {
        Need(DSBCAPS_CTRLFREQUENCY);
        std::lock_guard<std::mutex> lock(mixer_.Lock());
        return v_.frequency ? v_.frequency : v_.data->format.lSamplesPerSec;
    }

    void GetFormat(WAVEFORMATEX& format) override { format = v_.data->format; }

    void GetCaps(DSBUFFERDESC& caps) override {
        caps = DSBUFFERDESC{};
        caps.lSize = sizeof(DSBUFFERDESC);
        caps.lFlags = caps_ | DSBCAPS_LOCSOFTWARE;
        caps.lBufferBytes = static_cast<int32_t>(v_.data->bytes.size());
    }

private:
    void Need(int32_t cap) const {
        if (!(caps_ & cap)) Raise(status::DSERR_CONTROLUNAVAIL);
    }

    Mixer& mixer_ = Mixer::Get();
    Voice v_;
    const int32_t caps_;
};

class SoundDevice final : public DirectSound {
public:
    void SetCooperativeLevel(HWND hwnd, int32_t level) override {
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) Raise(status::DSERR_INVALIDPARAM);
        if (!IsWindowOfHost(hwnd)) Raise(status::DSERR_INVALIDPARAM);
        level_ = level;
    }

    Ref<DirectSoundBuffer> CreateSoundBufferFromFile(const std::string& file, const DSBUFFERDESC& desc,
                                                     const WAVEFORMATEX& format) override {
        // A file buffer is always secondary; software and hardware at once
        // is a contradiction.
        const int32_t both = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE;
        if ((desc.lFlags & DSBCAPS_PRIMARYBUFFER) || (desc.lFlags & both) == both)
            Raise(status::DSERR_INVALIDPARAM);
        auto data = LoadSoundFile(file, format);
        return Ref<DirectSoundBuffer>(new SoundBuffer(std::move(data), desc.lFlags & ~both));
    }

    Ref<DirectSoundBuffer> DuplicateSoundBuffer(const Ref<DirectSoundBuffer>& original) override {
        auto* buf = dynamic_cast<SoundBuffer*>(original.get());
        if (!buf) Raise(status::DSERR_INVALIDPARAM);
        return buf->Duplicate();
    }

private:
    // Window handles belong to the host; a platform without a window service
    // cannot say, so the handle is taken on trust there.
    static bool IsWindowOfHost(HWND hwnd) {
        try {
            return CurrentPlatform().Windows().IsWindow(hwnd) != 0;
        } catch (const VbError&) {
            return true;
        }
    }

    int32_t level_ = 0;
};

// The identifier of the default playback device, accepted like the empty
// string.
constexpr const char* kDefaultPlayback = "{DEF00000-9C6D-47ED-AAF1-4DDA8F2B5C03}";

Ref<DirectSound> CreateDevice(const std::string& guid) {
    if (!guid.empty() && guid != kDefaultPlayback) Raise(status::DSERR_NODRIVER);
    Mixer::Get();
    // A device lost since the last set-up may be back, or another may serve.
    AudioOutput::Get().Reconnect();
    return Ref<DirectSound>(new SoundDevice());
}

[[maybe_unused]] const bool registered = [] {
    plat::RegisteredFamilies().sound = &CreateDevice;
    return true;
}();

}  // namespace
}  // namespace vexo::audio
