// DX7Sound: sound effects over DirectSound in 100 numbered slots. Each slot
// holds one or more identical buffers of one wave sound, played in rotation
// so that an effect can overlap itself.
//
// Typical use: DsSetup(hWnd); DsCreate(slot, "shot.wav", 4) per effect;
// DsPlay(slot) on each event; DsClose() at the end.
//
// Slot numbers are 0 to 99, passed by reference; any other value gives
// error 9. Methods with a result return 0 on success, otherwise the number
// of the error that ended them, and never raise; DsFree raises 9.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByRef.h"
#include "common/DSound.h"
#include "common/Ref.h"
#include "common/Types.h"

namespace vexo {

// One sound slot.
struct SoundSlot {
    // Indexes 0 to BufferCount - 1; empty in a slot never loaded. DsFree
    // empties the references but keeps the entries.
    std::vector<Ref<DirectSoundBuffer>> Buffers;
    // Buffers made by the last successful DsCreate; 0 in a slot never loaded.
    int16_t BufferCount = 0;
    // The buffer DsPlay started last; 0 after every DsCreate.
    int16_t PlayCursor = 0;
};

class DX7Sound {
public:
    static constexpr int32_t kSlots = 100;

    DX7Sound();
    virtual ~DX7Sound();
    DX7Sound(const DX7Sound&) = delete;
    DX7Sound& operator=(const DX7Sound&) = delete;

    // Interface methods, in interface order.

    // Sets the format of later loads: channels 1..2, 8000..44100 Hz,
    // 8..16 bits, each clamped; block alignment floor(bits / 8) x channels.
    virtual void DsSetFormat(int32_t SamplesHz, int32_t Bitrate, int32_t nChannels);
    // Releases the slot's buffers, keeping its count and cursor. Raises 9
    // for a slot out of range.
    virtual void DsFree(int32_t& DsSegmentID);
    // Pan of every buffer of the slot, passed on unchanged.
    virtual int32_t DsSetPan(int32_t& DsSegment_ID, int32_t pan);
    // Stops and rewinds every buffer of the slot.
    virtual int32_t DsStop(int32_t& DsSegment_ID);
    // Stops and frees every slot, then releases the device.
    virtual void DsClose();
    // Loops a one-buffer slot at full volume, centre pan, its own rate; other
    // slots are left alone.
    virtual int32_t DsPlayLooping(int32_t& DsSegment_ID);
    // Plays the slot's next buffer in rotation from the start. With bFlags
    // zero it is reset to full volume, centre pan and its own rate first;
    // non-zero keeps what DsSetVolume and DsSetPan set.
    virtual int32_t DsPlay(int32_t& DsSegment_ID, ByRef<VBBool> bFlags = VB_FALSE);
    // Loads `Filename` into the slot with nBuffer buffers (the file is read
    // once; the others are duplicates). The slot keeps its old record when
    // anything fails.
    virtual int32_t DsCreate(int32_t& DsSegment_ID, std::string Filename, ByRef<int32_t> nBuffer = 1);
    // Volume of every buffer of the slot, in hundredths of a decibel,
    // passed on unchanged.
    virtual int32_t DsSetVolume(int32_t& DsSegment_ID, int32_t vol);
    // Opens the default device for `hWnd` and sets the format. Values other
    // than 8000/11025/22050/44100 Hz, 8/16 bits and 1/2 channels are written
    // back corrected (22050, 8, 2). On failure shows a message box, closes
    // and returns the error number.
    virtual int32_t DsSetup(int32_t hWnd, ByRef<int32_t> SamplesHz = 22050, ByRef<int32_t> Bitrate = 8,
                            ByRef<int32_t> Channels = 2);

    // Fields, in declaration order.
    Ref<DirectX7> DxRoot;
    Ref<DirectSound> SoundDevice;
    SoundSlot SoundSlots[kSlots];
    WAVEFORMATEX WaveFormat;

private:
    // The slot for `id`, or error 9.
    SoundSlot& Slot(int32_t id);
};

}  // namespace vexo
