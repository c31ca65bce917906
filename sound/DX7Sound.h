/// @file
/// DX7Sound, the sound-effect component of the library `VexoDX7Sound`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByRef.h"
#include "common/DSound.h"
#include "common/Ref.h"
#include "common/Types.h"

namespace vexo {

/// One sound slot of DX7Sound: the buffers of one wave sound.
struct SoundSlot {
    /// Indexes 0 to BufferCount - 1; empty in a slot never loaded. DX7Sound::DsFree
    /// empties the references but keeps the entries.
    std::vector<Ref<DirectSoundBuffer>> Buffers;
    /// Buffers made by the last successful DX7Sound::DsCreate; 0 in a slot never loaded.
    int16_t BufferCount = 0;
    /// The buffer DX7Sound::DsPlay started last; 0 after every DX7Sound::DsCreate.
    int16_t PlayCursor = 0;
};

/// The sound-effect component: 100 numbered slots (0 to 99), each holding one
/// or more identical buffers of one wave sound, played in rotation so that an
/// effect can overlap itself.
///
/// @code
/// vexo::DX7Sound snd;
/// snd.DsSetup(hWnd);                 // 22050 Hz, 8 bits, stereo
/// int32_t shot = 3;
/// snd.DsCreate(shot, "shot.wav", 4);  // four copies: up to four shots at once
/// snd.DsPlay(shot);                   // on each event
/// snd.DsClose();
/// @endcode
///
/// Slot numbers are passed by reference; a number outside 0 to 99 gives error
/// 9. Methods with a result return 0 on success, otherwise the number of the
/// error that ended them, and never raise; only DsFree() raises. Volumes are
/// in hundredths of a decibel (0 full, -10000 silent), pans from -10000 (left)
/// to 10000 (right).
class DX7Sound {
public:
    /// Number of sound slots.
    static constexpr int32_t kSlots = 100;

    /// Creates the object and its platform root object; no device yet, every
    /// slot empty, the wave format all zero.
    /// @errors_raise
    /// @onfailure Raises the platform's error when the root cannot be made.
    DX7Sound();
    /// Releases the root, the device and every buffer; runs no close method.
    virtual ~DX7Sound();
    DX7Sound(const DX7Sound&) = delete;
    DX7Sound& operator=(const DX7Sound&) = delete;

    /// Sets the wave format of later loads: @p nChannels clamped to 1..2,
    /// @p SamplesHz to 8000..44100, @p Bitrate (bits per sample) to 8..16, block
    /// alignment floor(bits / 8) x channels. Sounds already loaded keep theirs.
    /// Needs no device.
    /// @errors_none
    /// @onfailure Cannot fail.
    /// @defaults None.
    virtual void DsSetFormat(int32_t SamplesHz, int32_t Bitrate, int32_t nChannels);
    /// Releases the buffers of slot @p DsSegmentID, keeping its count and
    /// cursor: the slot then plays nothing (error 91) until the next DsCreate().
    /// A slot never loaded is left alone.
    /// @errors_raise
    /// @onfailure Raises 9 for a slot outside 0 to 99.
    /// @defaults None.
    virtual void DsFree(int32_t& DsSegmentID);
    /// Sets the pan of every buffer of the slot to @p pan, passed on unchanged
    /// (-10000 left to 10000 right). It stays until a DsPlay() with @p bFlags
    /// zero or a DsPlayLooping() centres it again.
    /// @errors_first The buffers handled before the failure keep the new pan.
    /// @onfailure The error number: 9 for a bad slot, 91 for a freed slot, the
    /// platform's status for a pan it refuses. A slot never loaded gives 0.
    /// @defaults None.
    virtual int32_t DsSetPan(int32_t& DsSegment_ID, int32_t pan);
    /// Stops and rewinds every buffer of the slot.
    /// @errors_first The buffers handled before the failure stay stopped.
    /// @onfailure The error number: 9 for a bad slot, 91 for a freed slot. A
    /// slot never loaded gives 0.
    /// @defaults None.
    virtual int32_t DsStop(int32_t& DsSegment_ID);
    /// Stops and frees every slot, then releases the device. Slots keep their
    /// counts; DsSetup() may run again. Calling it twice is harmless.
    /// @errors_none Each DsStop() keeps its failure to itself.
    /// @onfailure Cannot fail.
    /// @defaults No parameters.
    virtual void DsClose();
    /// Loops a one-buffer slot at full volume, centre pan and the sound's own
    /// rate, without stopping or rewinding it first (a playing buffer goes on,
    /// now looping). Slots of 0 or of several buffers are left alone.
    /// @errors_first
    /// @onfailure The error number: 9 for a bad slot, 91 for a freed slot, the
    /// platform's status.
    /// @defaults None.
    virtual int32_t DsPlayLooping(int32_t& DsSegment_ID);
    /// Plays the slot's next buffer in rotation (buffers 1, 2, ..., n - 1, 0, 1,
    /// ... after each DsCreate()) once from the start; a buffer still sounding
    /// is cut and restarted. With @p bFlags zero the buffer is first reset to
    /// full volume, centre pan and the sound's own rate; non-zero keeps what
    /// DsSetVolume() and DsSetPan() set.
    /// @errors_first The advanced rotation stays.
    /// @onfailure The error number: 9 for a bad slot, 11 for a slot never
    /// loaded, 91 for a freed slot, the platform's status.
    /// @defaults @p bFlags: VB_FALSE (reset volume, pan and rate).
    virtual int32_t DsPlay(int32_t& DsSegment_ID, ByRef<VBBool> bFlags = VB_FALSE);
    /// Loads the wave file @p Filename into the slot with @p nBuffer identical
    /// buffers: the file is read once, converted to the wave format in force,
    /// and the other buffers are duplicates of the first. The old buffers of the
    /// slot are released and the rotation starts again. The slot number is
    /// tested only after the load.
    /// @errors_first The new record is built aside and stored last: on any
    /// failure it is released and the slot keeps its previous record.
    /// @onfailure The error number: 6 for @p nBuffer outside the 16-bit range,
    /// 9 for @p nBuffer below 1 or a bad slot, 91 before DsSetup() or after
    /// DsClose(), the platform's status for a file it cannot load.
    /// @defaults @p nBuffer: 1.
    virtual int32_t DsCreate(int32_t& DsSegment_ID, std::string Filename, ByRef<int32_t> nBuffer = 1);
    /// Sets the volume of every buffer of the slot to @p vol in hundredths of a
    /// decibel, passed on unchanged (0 full to -10000 silent). To play at that
    /// volume, call DsPlay() with @p bFlags true.
    /// @errors_first The buffers handled before the failure keep the new volume.
    /// @onfailure The error number: 9 for a bad slot, 91 for a freed slot, the
    /// platform's status for a volume it refuses. A slot never loaded gives 0.
    /// @defaults None.
    virtual int32_t DsSetVolume(int32_t& DsSegment_ID, int32_t vol);
    /// Opens the default sound device for @p hWnd and sets the wave format of
    /// later loads. @p SamplesHz other than 8000, 11025, 22050 or 44100 becomes
    /// 22050, @p Bitrate other than 8 or 16 becomes 8, @p Channels other than 1
    /// or 2 becomes 2; each corrected value is written back into the caller's
    /// variable. A device from an earlier call is replaced; loaded slots stay.
    /// @errors_first The failure path shows a message box (an exclamation and an
    /// OK button, the error's description as its title) and then calls
    /// DsClose().
    /// @onfailure The error number (the platform's status); no device is left.
    /// @defaults @p SamplesHz: 22050. @p Bitrate: 8. @p Channels: 2.
    virtual int32_t DsSetup(int32_t hWnd, ByRef<int32_t> SamplesHz = 22050, ByRef<int32_t> Bitrate = 8,
                            ByRef<int32_t> Channels = 2);

    /// @name Fields
    /// The object's state, public as the component's data model.
    ///@{

    /// The platform root object, for the object's whole life.
    Ref<DirectX7> DxRoot;
    /// The sound device; empty before DsSetup() and after DsClose().
    Ref<DirectSound> SoundDevice;
    /// The slots, 0 to 99.
    SoundSlot SoundSlots[kSlots];
    /// The format every later load converts to; set by DsSetup() and DsSetFormat().
    WAVEFORMATEX WaveFormat;
    ///@}

private:
    // The slot for `id`, or error 9.
    SoundSlot& Slot(int32_t id);
};

}  // namespace vexo
