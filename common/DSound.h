/// @file
/// Sound platform: the sound objects the sound component calls, with the
/// records they exchange in their published layouts and the statuses they
/// give. Operations that fail raise VbError with the platform status.
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/PushSystemMacros.h"

namespace vexo {

// --- Flags and ranges --------------------------------------------------------

/// Flags and value ranges of the sound objects.
enum : int32_t {
    DSSCL_NORMAL = 1,
    DSSCL_PRIORITY = 2,
    DSSCL_EXCLUSIVE = 3,
    DSSCL_WRITEPRIMARY = 4,

    DSBCAPS_PRIMARYBUFFER = 0x1,
    DSBCAPS_STATIC = 0x2,
    DSBCAPS_LOCHARDWARE = 0x4,
    DSBCAPS_LOCSOFTWARE = 0x8,
    DSBCAPS_CTRL3D = 0x10,
    DSBCAPS_CTRLFREQUENCY = 0x20,
    DSBCAPS_CTRLPAN = 0x40,
    DSBCAPS_CTRLVOLUME = 0x80,
    DSBCAPS_CTRLPOSITIONNOTIFY = 0x100,
    DSBCAPS_STICKYFOCUS = 0x4000,
    DSBCAPS_GLOBALFOCUS = 0x8000,
    DSBCAPS_GETCURRENTPOSITION2 = 0x10000,
    DSBCAPS_MUTE3DATMAXDISTANCE = 0x20000,

    DSBPLAY_LOOPING = 0x1,

    DSBSTATUS_PLAYING = 0x1,
    DSBSTATUS_BUFFERLOST = 0x2,
    DSBSTATUS_LOOPING = 0x4,

    DSBVOLUME_MIN = -10000,
    DSBVOLUME_MAX = 0,
    DSBPAN_LEFT = -10000,
    DSBPAN_CENTER = 0,
    DSBPAN_RIGHT = 10000,
    DSBFREQUENCY_ORIGINAL = 0,
    DSBFREQUENCY_MIN = 100,
    DSBFREQUENCY_MAX = 100000,
    DSBSIZE_MIN = 4,
    DSBSIZE_MAX = 0x0FFFFFFF,

    WAVE_FORMAT_PCM = 1,
};

// --- Statuses ------------------------------------------------------------------
namespace status {
inline constexpr int32_t DSERR_ALLOCATED = hr(0x8878000A);           ///< The device is in use.
inline constexpr int32_t DSERR_CONTROLUNAVAIL = hr(0x8878001E);      ///< The buffer was made without that control.
inline constexpr int32_t DSERR_INVALIDPARAM = E_INVALIDARG;          ///< Invalid parameters (a volume or pan out of range).
inline constexpr int32_t DSERR_INVALIDCALL = hr(0x88780032);         ///< Not valid now (duplicating the primary buffer).
inline constexpr int32_t DSERR_GENERIC = E_FAIL;                     ///< Generic sound failure.
inline constexpr int32_t DSERR_PRIOLEVELNEEDED = hr(0x88780046);     ///< Needs a higher cooperative level.
inline constexpr int32_t DSERR_OUTOFMEMORY = E_OUTOFMEMORY;          ///< Out of memory (a sound too long).
inline constexpr int32_t DSERR_BADFORMAT = hr(0x88780064);           ///< A wave format or file that cannot be used.
inline constexpr int32_t DSERR_UNSUPPORTED = E_NOTIMPL;              ///< Not supported.
inline constexpr int32_t DSERR_NODRIVER = hr(0x88780078);            ///< No sound device.
inline constexpr int32_t DSERR_ALREADYINITIALIZED = hr(0x88780082);  ///< Initialised already.
inline constexpr int32_t DSERR_BUFFERLOST = hr(0x88780096);          ///< The buffer's memory was lost.
inline constexpr int32_t DSERR_UNINITIALIZED = hr(0x887800AA);       ///< Not initialised.
/// A file that cannot be opened (the system's "file not found" status).
inline constexpr int32_t DSERR_FILENOTFOUND = hr(0x80070002);
}  // namespace status

// --- Records (published layouts) ---------------------------------------------
#pragma pack(push, 1)
/// A wave format, 18 bytes; the extra-data size stays 0 for PCM.
struct WAVEFORMATEX {
    int16_t nFormatTag = 0;       ///< WAVE_FORMAT_PCM.
    int16_t nChannels = 0;        ///< 1 or 2.
    int32_t lSamplesPerSec = 0;   ///< Sample frames per second.
    int32_t lAvgBytesPerSec = 0;  ///< lSamplesPerSec x nBlockAlign.
    int16_t nBlockAlign = 0;      ///< Bytes per sample frame.
    int16_t nBitsPerSample = 0;   ///< 8 or 16.
    int16_t nSize = 0;            ///< Extra data after the record: 0.
    /// Equal when every field is.
    bool operator==(const WAVEFORMATEX&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

/// A buffer description, 36 bytes. The format travels as its own argument,
/// so the 32-bit pointer field is always 0.
struct DSBUFFERDESC {
    int32_t lSize = 0;                 ///< Size of the record.
    int32_t lFlags = 0;                ///< Capabilities, DSBCAPS_...
    int32_t lBufferBytes = 0;          ///< Size of the sound in bytes.
    int32_t lReserved = 0;             ///< 0.
    uint32_t lpwfxFormat = 0;          ///< The 32-bit pointer field: 0.
    uint8_t guid3DAlgorithm[16] = {};  ///< The 3-D algorithm's identifier; unused.
    /// Equal when every field is.
    bool operator==(const DSBUFFERDESC&) const = default;
};
static_assert(sizeof(DSBUFFERDESC) == 36);

/// Play and write cursors, in bytes from the start of the buffer.
struct DSCURSORS {
    int32_t lPlay = 0;   ///< The next byte to play.
    int32_t lWrite = 0;  ///< The first byte safe to write.
};

// --- Objects -------------------------------------------------------------------

/// One sound, ready to play; many may play at once.
class DirectSoundBuffer : public Unknown {
public:
    /// DSBSTATUS_ bits: 0 stopped, 1 playing, 5 playing and looping.
    virtual int32_t GetStatus() = 0;
    /// Stops playing; the position stays.
    virtual void Stop() = 0;
    /// Starts at the current position; DSBPLAY_LOOPING repeats until stopped.
    virtual void Play(int32_t flags) = 0;
    /// Byte offset of the next sample to play; wraps modulo the buffer size.
    virtual void SetCurrentPosition(int32_t position) = 0;
    /// The play and write cursors.
    virtual void GetCurrentPosition(DSCURSORS& cursors) = 0;
    /// Hundredths of a decibel, DSBVOLUME_MIN to DSBVOLUME_MAX.
    virtual void SetVolume(int32_t volume) = 0;
    /// The volume in hundredths of a decibel.
    virtual int32_t GetVolume() = 0;
    /// Hundredths of a decibel of attenuation on the far channel, signed:
    /// negative attenuates the right, positive the left.
    virtual void SetPan(int32_t pan) = 0;
    /// The pan.
    virtual int32_t GetPan() = 0;
    /// Hz, DSBFREQUENCY_MIN to DSBFREQUENCY_MAX; 0 plays at the data's own rate.
    virtual void SetFrequency(int32_t frequency) = 0;
    /// The playing rate in Hz.
    virtual int32_t GetFrequency() = 0;
    /// The format of the buffer's data.
    virtual void GetFormat(WAVEFORMATEX& format) = 0;
    /// Capabilities (DSBCAPS_) and size in bytes.
    virtual void GetCaps(DSBUFFERDESC& caps) = 0;
};

/// The sound device: makes buffers.
class DirectSound : public Unknown {
public:
    /// How the device is shared; DSSCL_NORMAL for a game among others.
    virtual void SetCooperativeLevel(HWND hwnd, int32_t level) = 0;
    /// A buffer holding the whole sound of @p file, in @p format (the file's
    /// data is converted when it differs), with the capabilities of @p desc.
    virtual Ref<DirectSoundBuffer> CreateSoundBufferFromFile(const std::string& file, const DSBUFFERDESC& desc,
                                                             const WAVEFORMATEX& format) = 0;
    /// A buffer that shares @p original's sound data and plays independently.
    virtual Ref<DirectSoundBuffer> DuplicateSoundBuffer(const Ref<DirectSoundBuffer>& original) = 0;
};

}  // namespace vexo

#include "common/PopSystemMacros.h"
