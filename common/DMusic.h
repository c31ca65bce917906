/// @file
/// Music platform: the music objects the music component calls. Operations
/// that fail raise VbError with the platform status.
///
/// Music time counts 768 ticks per quarter note, whatever the division of
/// the file a segment came from.
#pragma once

#include <cstdint>
#include <string>

#include "common/DDraw.h"
#include "common/DSound.h"
#include "common/PushSystemMacros.h"

namespace vexo {

/// Music time and the flags of DirectMusicPerformance::PlaySegment.
enum : int32_t {
    DMUS_PPQ = 768,

    // PlaySegment flags.
    DMUS_SEGF_REFTIME = 0x40,
    DMUS_SEGF_SECONDARY = 0x80,
    DMUS_SEGF_QUEUE = 0x100,
    DMUS_SEGF_CONTROL = 0x200,
    DMUS_SEGF_AFTERPREPARETIME = 0x400,
    DMUS_SEGF_GRID = 0x800,
    DMUS_SEGF_BEAT = 0x1000,
    DMUS_SEGF_MEASURE = 0x2000,
    DMUS_SEGF_DEFAULT = 0x4000,
    DMUS_SEGF_NOINVALIDATE = 0x8000,
};

/// The lowest master volume, in hundredths of a decibel.
inline constexpr int32_t DMUS_VOLUME_MIN = -20000;
/// The highest master volume, in hundredths of a decibel.
inline constexpr int32_t DMUS_VOLUME_MAX = 2000;
/// The lowest master tempo factor.
inline constexpr float DMUS_MASTERTEMPO_MIN = 0.01f;
/// The highest master tempo factor.
inline constexpr float DMUS_MASTERTEMPO_MAX = 100.0f;

namespace status {
inline constexpr int32_t E_POINTER = hr(0x80004003);                  ///< An empty reference where an object is needed.
inline constexpr int32_t DMUS_E_SYNTHNOTCONFIGURED = hr(0x88781131);  ///< No synthesizer (no sound font).
inline constexpr int32_t DMUS_E_ALREADY_INITED = hr(0x88781151);      ///< A second Init.
inline constexpr int32_t DMUS_E_NOT_INIT = hr(0x88781162);            ///< A call before Init.
inline constexpr int32_t DMUS_E_LOADER_BADPATH = hr(0x88781181);      ///< A search directory that does not exist.
inline constexpr int32_t DMUS_E_LOADER_FAILEDOPEN = hr(0x88781182);   ///< A file that cannot be opened.
inline constexpr int32_t DMUS_E_LOADER_FORMATNOTSUPPORTED = hr(0x88781183);  ///< Not a MIDI file.
inline constexpr int32_t DMUS_E_LOADER_NOFILENAME = hr(0x88781186);   ///< An empty file name.
inline constexpr int32_t DMUS_E_INVALIDFILE = hr(0x88781200);         ///< A damaged MIDI file.
inline constexpr int32_t DMUS_E_OUT_OF_RANGE = hr(0x88781202);        ///< A music time outside the segment.
}  // namespace status

class DirectMusicPerformance;
class DirectMusicSegmentState;

/// A piece of music loaded by a loader.
class DirectMusicSegment : public Unknown {
public:
    /// Sets the extra plays after the first; negative counts are taken as unsigned
    /// (effectively endless), as the platform keeps the count in 32 bits.
    virtual void SetRepeats(int32_t repeats) = 0;
    /// The repeat count.
    virtual int32_t GetRepeats() = 0;
    /// Whether the instruments download when the segment plays.
    virtual void SetAutoDownloadEnable(VBBool enable) = 0;
    /// Plays the segment as a standard MIDI file.
    virtual void SetStandardMidiFile() = 0;
    /// Loads the instruments into @p performance; an empty one gives E_POINTER.
    virtual void Download(const Ref<DirectMusicPerformance>& performance) = 0;
    /// Removes the instruments from @p performance.
    virtual void Unload(const Ref<DirectMusicPerformance>& performance) = 0;
    /// Whether the piece's own tempo changes take effect (otherwise 120 BPM).
    virtual void SetTempoEnable(VBBool enable) = 0;
    /// Sets the music time where the next play starts: 0 to length - 1 (0 always),
    /// otherwise DMUS_E_OUT_OF_RANGE.
    virtual void SetStartPoint(int32_t musicTime) = 0;
    /// The start point.
    virtual int32_t GetStartPoint() = 0;
    /// Length of one pass in music time.
    virtual int32_t GetLength() = 0;
};

/// One playback of a segment.
class DirectMusicSegmentState : public Unknown {
public:
    /// How far the playback got, in music time within the segment: the value
    /// to pass to SetStartPoint to resume there. The length once it ended.
    virtual int32_t GetSeek() = 0;
};

/// Loads music files.
class DirectMusicLoader : public Unknown {
public:
    /// The directory relative file names given to LoadSegment resolve against.
    virtual void SetSearchDirectory(const std::string& path) = 0;
    /// Loads a standard MIDI file (formats 0 and 1, also wrapped in RIFF RMID).
    /// Missing file: DMUS_E_LOADER_FAILEDOPEN; not a MIDI file:
    /// DMUS_E_LOADER_FORMATNOTSUPPORTED; damaged: DMUS_E_INVALIDFILE.
    virtual Ref<DirectMusicSegment> LoadSegment(const std::string& filename) = 0;
};

/// A performance: one synthesizer with its own master volume and tempo.
class DirectMusicPerformance : public Unknown {
public:
    /// Initialises the performance; with no sound object it shares no device.
    /// A second Init gives DMUS_E_ALREADY_INITED; other calls before Init give
    /// DMUS_E_NOT_INIT.
    virtual void Init(const Ref<DirectSound>& sound, HWND hwnd) = 0;
    /// Gives the performance its output port. Port -1 is the default port (the software synthesizer, also port 1);
    /// @p groups channel groups of 16 channels, at least 1.
    virtual void SetPort(int32_t port, int32_t groups) = 0;
    /// Whether instruments download automatically.
    virtual void SetMasterAutoDownload(VBBool enable) = 0;
    /// Stops everything and frees the synthesizer; Init may follow again.
    virtual void CloseDown() = 0;
    /// Starts a playback and returns its state. Secondary segments play
    /// alongside everything else; a primary one replaces the playing primary.
    virtual Ref<DirectMusicSegmentState> PlaySegment(const Ref<DirectMusicSegment>& segment, int32_t flags,
                                                     int32_t startTime) = 0;
    /// Stops every playback of @p segment, or the playback @p state, or with
    /// both empty everything, at @p musicTime of the performance (at once when
    /// 0 or already past). Stopped notes are silenced at once, faded out over
    /// a few milliseconds so they do not click.
    virtual void Stop(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state,
                      int32_t musicTime, int32_t flags) = 0;
    /// VB_TRUE while @p segment (or the playback @p state) plays.
    virtual VBBool IsPlaying(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state) = 0;
    /// Sets the master volume in hundredths of a decibel, clamped to
    /// DMUS_VOLUME_MIN to DMUS_VOLUME_MAX.
    virtual void SetMasterVolume(int32_t volume) = 0;
    /// The master volume.
    virtual int32_t GetMasterVolume() = 0;
    /// Sets the master tempo, a factor on every tempo, 1.0 the piece's own; outside
    /// DMUS_MASTERTEMPO_MIN .. DMUS_MASTERTEMPO_MAX: E_INVALIDARG.
    virtual void SetMasterTempo(float tempo) = 0;
    /// The master tempo factor.
    virtual float GetMasterTempo() = 0;
    /// The performance's clock in music time (120 BPM times the master tempo).
    virtual int32_t GetMusicTime() = 0;
};

}  // namespace vexo

#include "common/PopSystemMacros.h"
