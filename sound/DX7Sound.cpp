// DX7Sound: device set-up, wave format, slot loading and playback control.
#include "sound/DX7Sound.h"

#include <utility>

#include "common/Error.h"
#include "common/Platform.h"

namespace vexo {
namespace {

// The prompt of the failing set-up's message box: each line ends in one
// carriage return.
const char* const kSetupFailedPrompt =
    "DirectSoundは利用できません\r"
    "★DX7.0以上が入っていない\r"
    "★既にデバイスが使用されている\r"
    "以上の可能性があります。\r";

constexpr int32_t kStyleExclamationOk = 48;
constexpr int32_t kLoadFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

// Entry `i` of a slot's buffer array; an index past the array is a
// subscript error, as for any array.
Ref<DirectSoundBuffer>& Entry(SoundSlot& s, int32_t i) {
    if (i < 0 || static_cast<size_t>(i) >= s.Buffers.size()) Raise(ERR_SUBSCRIPT);
    return s.Buffers[static_cast<size_t>(i)];
}

}  // namespace

DX7Sound::DX7Sound() : DxRoot(api::CreateDirectX7()) {}

// Releasing the fields releases the root, the device and every buffer; no
// close method runs.
DX7Sound::~DX7Sound() = default;

SoundSlot& DX7Sound::Slot(int32_t id) {
    if (id < 0 || id >= kSlots) Raise(ERR_SUBSCRIPT);
    return SoundSlots[id];
}

void DX7Sound::DsSetFormat(int32_t SamplesHz, int32_t Bitrate, int32_t nChannels) {
    WaveFormat.nFormatTag = WAVE_FORMAT_PCM;
    WaveFormat.nChannels = static_cast<int16_t>(nChannels < 1 ? 1 : nChannels > 2 ? 2 : nChannels);
    WaveFormat.lSamplesPerSec = SamplesHz < 8000 ? 8000 : SamplesHz > 44100 ? 44100 : SamplesHz;
    WaveFormat.nBitsPerSample = static_cast<int16_t>(Bitrate < 8 ? 8 : Bitrate > 16 ? 16 : Bitrate);
    // The quotient is floored before the multiplication: 12 bits stereo gives 2.
    WaveFormat.nBlockAlign = static_cast<int16_t>((WaveFormat.nBitsPerSample / 8) * WaveFormat.nChannels);
    WaveFormat.lAvgBytesPerSec = WaveFormat.lSamplesPerSec * WaveFormat.nBlockAlign;
}

void DX7Sound::DsFree(int32_t& DsSegmentID) {
    SoundSlot& s = Slot(DsSegmentID);
    for (int32_t i = 0; i < s.BufferCount; ++i) Entry(s, i) = nullptr;
}

int32_t DX7Sound::DsSetPan(int32_t& DsSegment_ID, int32_t pan) {
    int32_t result = 0;
    OnError(
        [&] {
            SoundSlot& s = Slot(DsSegment_ID);
            for (int32_t i = 0; i < s.BufferCount; ++i) Entry(s, i)->SetPan(pan);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DX7Sound::DsStop(int32_t& DsSegment_ID) {
    int32_t result = 0;
    OnError(
        [&] {
            SoundSlot& s = Slot(DsSegment_ID);
            for (int32_t i = 0; i < s.BufferCount; ++i) {
                Entry(s, i)->Stop();
                Entry(s, i)->SetCurrentPosition(0);
            }
        },
        [&](int32_t e) { result = e; });
    return result;
}

void DX7Sound::DsClose() {
    for (int32_t id = 0; id < kSlots; ++id) {
        this->DsStop(id);
        this->DsFree(id);
    }
    SoundDevice = nullptr;
}

int32_t DX7Sound::DsPlayLooping(int32_t& DsSegment_ID) {
    int32_t result = 0;
    OnError(
        [&] {
            SoundSlot& s = Slot(DsSegment_ID);
            if (s.BufferCount != 1) return;
            // No stop or rewind: a buffer already playing goes on, now looping.
            Ref<DirectSoundBuffer>& b = Entry(s, 0);
            b->SetVolume(0);
            b->SetPan(0);
            b->SetFrequency(0);
            b->Play(DSBPLAY_LOOPING);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DX7Sound::DsPlay(int32_t& DsSegment_ID, ByRef<VBBool> bFlags) {
    int32_t result = 0;
    OnError(
        [&] {
            SoundSlot& s = Slot(DsSegment_ID);
            // A slot never loaded counts 0 buffers: the modulo divides by zero.
            if (s.BufferCount == 0) Raise(ERR_DIV_ZERO);
            s.PlayCursor = To16((s.PlayCursor + 1) % s.BufferCount);
            Ref<DirectSoundBuffer>& b = Entry(s, s.PlayCursor);
            if (b->GetStatus() != 0) {
                b->Stop();
                b->SetCurrentPosition(0);
            }
            if (!IsSet(bFlags.get())) {
                b->SetVolume(0);
                b->SetPan(0);
                b->SetFrequency(0);
            }
            b->Play(0);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DX7Sound::DsCreate(int32_t& DsSegment_ID, std::string Filename, ByRef<int32_t> nBuffer) {
    int32_t result = 0;
    OnError(
        [&] {
            DSBUFFERDESC desc{};
            desc.lFlags = kLoadFlags;
            // The record is built aside; on any failure it is released here
            // and the slot keeps what it had.
            SoundSlot rec;
            rec.BufferCount = To16(nBuffer.get());
            rec.PlayCursor = 0;
            if (nBuffer.get() < 1) Raise(ERR_SUBSCRIPT);
            rec.Buffers.resize(static_cast<size_t>(nBuffer.get()));
            rec.Buffers[0] = SoundDevice->CreateSoundBufferFromFile(Filename, desc, WaveFormat);
            for (int32_t i = 1; i < nBuffer.get(); ++i)
                rec.Buffers[static_cast<size_t>(i)] = SoundDevice->DuplicateSoundBuffer(rec.Buffers[0]);
            // The slot number is tested only now, after the load.
            SoundSlot& slot = Slot(DsSegment_ID);
            slot = std::move(rec);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DX7Sound::DsSetVolume(int32_t& DsSegment_ID, int32_t vol) {
    int32_t result = 0;
    OnError(
        [&] {
            SoundSlot& s = Slot(DsSegment_ID);
            for (int32_t i = 0; i < s.BufferCount; ++i) Entry(s, i)->SetVolume(vol);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DX7Sound::DsSetup(int32_t hWnd, ByRef<int32_t> SamplesHz, ByRef<int32_t> Bitrate, ByRef<int32_t> Channels) {
    int32_t& hz = SamplesHz;
    int32_t& bits = Bitrate;
    int32_t& channels = Channels;
    if (bits != 8 && bits != 16) bits = 8;
    if (hz != 8000 && hz != 11025 && hz != 22050 && hz != 44100) hz = 22050;
    if (channels != 1 && channels != 2) channels = 2;

    int32_t result = 0;
    OnError(
        [&] {
            // Replacing the device releases an earlier one; loaded slots stay.
            SoundDevice = DxRoot->DirectSoundCreate("");
            SoundDevice->SetCooperativeLevel(hWnd, DSSCL_NORMAL);
            WaveFormat.nFormatTag = WAVE_FORMAT_PCM;
            WaveFormat.nChannels = To16(channels);
            WaveFormat.lSamplesPerSec = hz;
            WaveFormat.nBitsPerSample = To16(bits);
            WaveFormat.nBlockAlign = To16(Mul32(bits, channels) / 8);
            WaveFormat.lAvgBytesPerSec = Mul32(WaveFormat.nBlockAlign, hz);
            result = 0;
        },
        [&](int32_t e) {
            // The user closes the box before the method goes on; a host that
            // cannot show it does not change the result.
            try {
                api::MsgBox(kSetupFailedPrompt, kStyleExclamationOk, api::ErrorText(e));
            } catch (const VbError&) {
            }
            result = e;
            this->DsClose();
        });
    return result;
}

}  // namespace vexo
