// The DirectSound family over the system's DirectSound: the device and its
// secondary buffers, filled from wave files we read ourselves.
#include <algorithm>
#include <cstring>

#include "platform/Families.h"
#include "platform/windows/ComPtr.h"
#include "platform/windows/WaveFile.h"
#include "platform/windows/WinPlatform.h"
#include "platform/windows/WinSound.h"

namespace vexo::win {
namespace {
constexpr int32_t kNoDriver = status::DSERR_NODRIVER;
constexpr int32_t kBufferLost = status::DSERR_BUFFERLOST;
}  // namespace
}  // namespace vexo::win

#define DIRECTSOUND_VERSION 0x0700
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <objbase.h>
#include <dsound.h>

namespace vexo::win {
namespace {

class WinSoundBuffer final : public DirectSoundBuffer {
public:
    // `device` stays alive with the buffer: the system releases every buffer
    // of a device that goes, and a slot's sounds outlive the device they were
    // loaded with.
    WinSoundBuffer(ComPtr<IDirectSound> device, ComPtr<IDirectSoundBuffer> buffer)
        : device_(std::move(device)), buf_(std::move(buffer)) {
        DSBCAPS caps{};
        caps.dwSize = sizeof caps;
        Check(buf_->GetCaps(&caps));
        bytes_ = caps.dwBufferBytes;
    }

    IDirectSoundBuffer* System() const { return buf_.get(); }

    int32_t GetStatus() override {
        DWORD s = 0;
        Check(buf_->GetStatus(&s));
        return static_cast<int32_t>(s);
    }
    void Stop() override { Check(buf_->Stop()); }
    void Play(int32_t flags) override { Check(buf_->Play(0, 0, static_cast<DWORD>(flags))); }

    // The position is an unsigned byte offset that wraps past the end, as
    // the declaration promises whatever the system does with it.
    void SetCurrentPosition(int32_t position) override {
        DWORD at = bytes_ ? static_cast<uint32_t>(position) % bytes_ : 0;
        Check(buf_->SetCurrentPosition(at));
    }
    void GetCurrentPosition(DSCURSORS& c) override {
        DWORD play = 0, write = 0;
        Check(buf_->GetCurrentPosition(&play, &write));
        c.lPlay = static_cast<int32_t>(play);
        c.lWrite = static_cast<int32_t>(write);
    }

    void SetVolume(int32_t volume) override { Check(buf_->SetVolume(volume)); }
    int32_t GetVolume() override {
        LONG v = 0;
        Check(buf_->GetVolume(&v));
        return v;
    }
    void SetPan(int32_t pan) override { Check(buf_->SetPan(pan)); }
    int32_t GetPan() override {
        LONG v = 0;
        Check(buf_->GetPan(&v));
        return v;
    }
    void SetFrequency(int32_t frequency) override { Check(buf_->SetFrequency(static_cast<DWORD>(frequency))); }
    int32_t GetFrequency() override {
        DWORD v = 0;
        Check(buf_->GetFrequency(&v));
        return static_cast<int32_t>(v);
    }

    void GetFormat(vexo::WAVEFORMATEX& format) override {
        ::WAVEFORMATEX w{};
        DWORD written = 0;
        Check(buf_->GetFormat(&w, sizeof w, &written));
        format = vexo::WAVEFORMATEX{};
        format.nFormatTag = static_cast<int16_t>(w.wFormatTag);
        format.nChannels = static_cast<int16_t>(w.nChannels);
        format.lSamplesPerSec = static_cast<int32_t>(w.nSamplesPerSec);
        format.lAvgBytesPerSec = static_cast<int32_t>(w.nAvgBytesPerSec);
        format.nBlockAlign = static_cast<int16_t>(w.nBlockAlign);
        format.nBitsPerSample = static_cast<int16_t>(w.wBitsPerSample);
        format.nSize = static_cast<int16_t>(w.cbSize);
    }

    void GetCaps(vexo::DSBUFFERDESC& caps) override {
        DSBCAPS c{};
        c.dwSize = sizeof c;
        Check(buf_->GetCaps(&c));
        caps = vexo::DSBUFFERDESC{};
        caps.lSize = sizeof(vexo::DSBUFFERDESC);
        caps.lFlags = static_cast<int32_t>(c.dwFlags);
        caps.lBufferBytes = static_cast<int32_t>(c.dwBufferBytes);
    }

    Ref<DirectSoundBuffer> Duplicate() {
        ComPtr<IDirectSoundBuffer> copy;
        Check(device_->DuplicateSoundBuffer(buf_.get(), copy.put()));
        return Ref<DirectSoundBuffer>(new WinSoundBuffer(device_, std::move(copy)));
    }

private:
    ComPtr<IDirectSound> device_;
    ComPtr<IDirectSoundBuffer> buf_;
    DWORD bytes_ = 0;
};

// Copies `data` into the whole of `buffer`; a buffer lost before it was
// filled is restored once.
void Fill(IDirectSoundBuffer* buffer, const std::vector<uint8_t>& data) {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    const DWORD size = static_cast<DWORD>(data.size());
    HRESULT hr = buffer->Lock(0, size, &p1, &n1, &p2, &n2, 0);
    if (hr == kBufferLost) {
        Check(buffer->Restore());
        hr = buffer->Lock(0, size, &p1, &n1, &p2, &n2, 0);
    }
    Check(hr);
    if (p1) std::memcpy(p1, data.data(), std::min<size_t>(n1, data.size()));
    if (p2 && n1 < data.size()) std::memcpy(p2, data.data() + n1, std::min<size_t>(n2, data.size() - n1));
    Check(buffer->Unlock(p1, n1, p2, n2));
}

class WinSoundDevice final : public DirectSound {
public:
    explicit WinSoundDevice(ComPtr<IDirectSound> ds) : ds_(std::move(ds)) {}

    IDirectSound* System() const { return ds_.get(); }

    void SetCooperativeLevel(vexo::HWND hwnd, int32_t level) override {
        Check(ds_->SetCooperativeLevel(ToHandle<::HWND>(hwnd), static_cast<DWORD>(level)));
    }

    Ref<DirectSoundBuffer> CreateSoundBufferFromFile(const std::string& file, const vexo::DSBUFFERDESC& desc,
                                                     const vexo::WAVEFORMATEX& format) override {
        std::vector<uint8_t> data = LoadWaveFile(file, format);
        ::WAVEFORMATEX w{};
        w.wFormatTag = static_cast<WORD>(format.nFormatTag);
        w.nChannels = static_cast<WORD>(format.nChannels);
        w.nSamplesPerSec = static_cast<DWORD>(format.lSamplesPerSec);
        w.nAvgBytesPerSec = static_cast<DWORD>(format.lAvgBytesPerSec);
        w.nBlockAlign = static_cast<WORD>(format.nBlockAlign);
        w.wBitsPerSample = static_cast<WORD>(format.nBitsPerSample);
        w.cbSize = 0;
        ::DSBUFFERDESC d{};
        d.dwSize = sizeof d;
        d.dwFlags = static_cast<DWORD>(desc.lFlags);
        d.dwBufferBytes = static_cast<DWORD>(data.size());
        d.lpwfxFormat = &w;
        std::memcpy(&d.guid3DAlgorithm, desc.guid3DAlgorithm, sizeof d.guid3DAlgorithm);
        ComPtr<IDirectSoundBuffer> buffer;
        Check(ds_->CreateSoundBuffer(&d, buffer.put(), nullptr));
        Fill(buffer.get(), data);
        return Ref<DirectSoundBuffer>(new WinSoundBuffer(ds_, std::move(buffer)));
    }

    Ref<DirectSoundBuffer> DuplicateSoundBuffer(const Ref<DirectSoundBuffer>& original) override {
        auto* buffer = dynamic_cast<WinSoundBuffer*>(original.get());
        if (!buffer) Raise(kInvalidArg);
        return buffer->Duplicate();
    }

private:
    ComPtr<IDirectSound> ds_;
};

// The empty string is the default device; anything else names a device by
// its identifier, and a string that is no identifier names no device.
Ref<vexo::DirectSound> CreateDevice(const std::string& guid) {
    GUID id{};
    const GUID* device = nullptr;
    if (!guid.empty()) {
        std::wstring text = Wide(guid);
        if (guid.find('\0') != std::string::npos || FAILED(IIDFromString(text.data(), &id))) Raise(kNoDriver);
        device = &id;
    }
    ComPtr<IDirectSound> ds;
    Check(DirectSoundCreate(device, ds.put(), nullptr));
    return Ref<vexo::DirectSound>(new WinSoundDevice(std::move(ds)));
}

[[maybe_unused]] const bool g_registered = [] {
    plat::RegisteredFamilies().sound = &CreateDevice;
    return true;
}();

}  // namespace

::IDirectSound* SystemDeviceOf(const Ref<vexo::DirectSound>& sound) {
    if (!sound) return nullptr;
    auto* device = dynamic_cast<WinSoundDevice*>(sound.get());
    if (!device) Raise(kInvalidArg);
    return device->System();
}

::IDirectSoundBuffer* SystemBufferOf(const Ref<DirectSoundBuffer>& buffer) {
    auto* b = dynamic_cast<WinSoundBuffer*>(buffer.get());
    return b ? b->System() : nullptr;
}

}  // namespace vexo::win
