/// @file
/// DXMusic, the music component of the library `VexoDX7Music`.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/ByRef.h"
#include "common/DMusic.h"
#include "common/Types.h"

namespace vexo {

/// The music component: standard MIDI files played in 100 numbered slots (0
/// to 99), each slot with a performance of its own, so volume and tempo are
/// per slot and several slots may sound at once.
///
/// @code
/// vexo::DXMusic music;
/// music.DMSetup();
/// music.DMCreateSegment(0, "garden.mid");  // repeats 32767 times, volume 0, tempo 1.0
/// music.DMPlay(0);
/// music.DMPlay(1, vexo::VB_TRUE);          // stops slot 0 first, then plays slot 1
/// music.DMClose();
/// @endcode
///
/// Every method with a result returns 0 or the number of the error that ended
/// it: 9 for a slot outside 0 to 99, 91 for a call through an empty reference
/// (a slot never loaded, no DMSetup()), or the platform's failure status. None
/// raises. Methods call one another through this object's own interface, as an
/// application would. Volumes are in hundredths of a decibel (0 full). Music
/// time runs at 768 ticks a quarter note.
class DXMusic {
public:
    /// Number of music slots.
    static constexpr int32_t kSlots = 100;

    /// Creates the object and its platform root object; every slot empty.
    /// @errors_raise
    /// @onfailure Raises the platform's error when the root cannot be made.
    DXMusic();
    /// Releases the root and then everything else; runs no close method.
    virtual ~DXMusic();
    DXMusic(const DXMusic&) = delete;
    DXMusic& operator=(const DXMusic&) = delete;

    /// Plays the slot's piece as a secondary segment from its start point and
    /// keeps the new playback state (an earlier playback of the slot is not
    /// stopped). @p LastMusicStop true first stops the slot started last (its
    /// failure is ignored); @p ContStart true first moves the start point to
    /// where the slot's last playback got, so a stopped piece resumes. Each
    /// counts as true only when it holds exactly -1.
    /// @errors_first A stop already made stays; a failure after it leaves the
    /// playback state and the last-started slot as they were.
    /// @onfailure The error number: 9 for a bad slot, 91 for a slot with no
    /// performance, or for @p ContStart on a slot never played.
    /// @defaults @p LastMusicStop: VB_FALSE. @p ContStart: VB_FALSE.
    virtual int32_t DMPlay(const int32_t& Segment_ID, ByRef<VBBool> LastMusicStop = VBBool(0),
                           ByRef<VBBool> ContStart = VBBool(0));
    /// Stops the slot's segment. Its playback state stays, so a later DMPlay()
    /// with @p ContStart true resumes where it stopped. The sound fades out
    /// over 5 ms rather than being cut.
    /// @errors_first
    /// @onfailure The error number: 9 for a bad slot, 91 for a slot with no
    /// performance.
    /// @defaults None.
    virtual int32_t DMStop(const int32_t& Segment_ID);
    /// Stops, unloads and frees every slot's segment and performance, then the
    /// loader. Does nothing before DMSetup(). Playback states stay; DMSetup()
    /// may run again. Calling it twice is harmless.
    /// @errors_resume
    /// @onfailure Nothing to return; failures are ignored.
    /// @defaults No parameters.
    virtual void DMClose();
    /// Loads the standard MIDI file @p Filename into the slot with a new
    /// performance of its own (replacing the slot's performance and segment;
    /// the old ones are neither closed down nor unloaded), sets its repeat
    /// count, downloads its instruments, then sets tempo and volume through
    /// DMSetTempo() and DMSetVolume(). A relative name is looked up in the
    /// current directory at the time of the call.
    /// @errors_first Nothing is undone: a failure after the first step leaves
    /// the slot with its new performance.
    /// @onfailure The error number: 9 for a bad slot (no slot changes), 91
    /// without DMSetup(), the platform's status for a file it cannot load.
    /// @defaults @p RepeatCount: 32767. @p VolumeSize: 0 (full). @p Tempo: 1.0
    /// (the piece's own tempo).
    virtual int32_t DMCreateSegment(const int32_t& Segment_ID, const std::string& Filename,
                                    ByRef<int32_t> RepeatCount = int32_t(32767), ByRef<int32_t> VolumeSize = int32_t(0),
                                    float Tempo = 1.0f);
    /// Sets the master volume of the slot's performance to @p VolumeSize
    /// hundredths of a decibel, passed on unchanged.
    /// @errors_first
    /// @onfailure The error number: 9 for a bad slot, 91 for a slot with no
    /// performance.
    /// @defaults @p VolumeSize: -5000 (note: DMCreateSegment() sets 0).
    virtual int32_t DMSetVolume(const int32_t& Segment_ID, ByRef<int32_t> VolumeSize = int32_t(-5000));
    /// Sets the master tempo factor of the slot's performance to @p Tempo (1.0
    /// the piece's own tempo), passed on unchanged; a slot with no performance
    /// is skipped.
    /// @errors_first
    /// @onfailure The error number: 9 for a bad slot (0 for a slot with no
    /// performance).
    /// @defaults None.
    virtual int32_t DMSetTempo(const int32_t& Segment_ID, float Tempo);
    /// Creates the music loader, first closing everything with DMClose() when
    /// the object is set up already.
    /// @errors_first
    /// @onfailure The error number (the platform's status).
    /// @defaults No parameters.
    virtual int32_t DMSetup();
    /// Stops the slot with DMStop(), unloads its segment and drops it; the
    /// performance and playback state stay.
    /// @errors_first
    /// @onfailure The error number: 9 for a bad slot, 91 for a slot with no
    /// segment (a second call on the same slot).
    /// @defaults None.
    virtual int32_t DMDestroySegment(const int32_t& Segment_ID);

    /// @name Fields
    /// The object's state, public as the component's data model.
    ///@{

    /// The platform root object, for the object's whole life.
    Ref<DirectX7> DxRoot;
    /// The loaded piece of each slot.
    std::array<Ref<DirectMusicSegment>, kSlots> Segments;
    /// The playback state the last DMPlay() of each slot returned.
    std::array<Ref<DirectMusicSegmentState>, kSlots> SegmentStates;
    /// The performance of each slot.
    std::array<Ref<DirectMusicPerformance>, kSlots> Performances;
    /// The loader; empty before DMSetup() and after DMClose().
    Ref<DirectMusicLoader> MusicLoader;
    /// The slot DMPlay() started last; 0 at first.
    int32_t LastSegmentID = 0;
    ///@}
};

}  // namespace vexo
