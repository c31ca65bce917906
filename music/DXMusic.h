// DXMusic: music files played as standard MIDI files in 100 numbered slots,
// each slot with a performance of its own, so volume and tempo are per slot.
//
// Every method returns 0 or the number of the error that ended it (9 for a
// slot outside 0..99, 91 for a call through an empty reference, or the
// platform's failure status); none raises. Methods call one another through
// this object's own interface, as an application would.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/ByRef.h"
#include "common/DMusic.h"
#include "common/Types.h"

namespace vexo {

class DXMusic {
public:
    static constexpr int32_t kSlots = 100;

    // Creates the root object; raises when the platform cannot make one.
    DXMusic();
    // Releases the root and then everything else; runs no close method.
    virtual ~DXMusic();
    DXMusic(const DXMusic&) = delete;
    DXMusic& operator=(const DXMusic&) = delete;

    // Plays the slot as a secondary segment. LastMusicStop: first stop the
    // slot started last; ContStart: resume where the slot's last playback
    // got. Each counts as true only when it holds -1.
    virtual int32_t DMPlay(const int32_t& Segment_ID, ByRef<VBBool> LastMusicStop = VBBool(0),
                           ByRef<VBBool> ContStart = VBBool(0));
    // Stops the slot's segment; its playback state stays for resuming.
    virtual int32_t DMStop(const int32_t& Segment_ID);
    // Stops, unloads and frees every slot and the loader, ignoring failures;
    // does nothing before DMSetup. Segment states stay.
    virtual void DMClose();
    // Loads `Filename` into the slot with a new performance of its own.
    virtual int32_t DMCreateSegment(const int32_t& Segment_ID, const std::string& Filename,
                                    ByRef<int32_t> RepeatCount = int32_t(32767), ByRef<int32_t> VolumeSize = int32_t(0),
                                    float Tempo = 1.0f);
    // Master volume of the slot's performance, hundredths of a decibel.
    virtual int32_t DMSetVolume(const int32_t& Segment_ID, ByRef<int32_t> VolumeSize = int32_t(-5000));
    // Master tempo factor of the slot's performance; skipped without one.
    virtual int32_t DMSetTempo(const int32_t& Segment_ID, float Tempo);
    // Creates the loader, closing everything first when set up already.
    virtual int32_t DMSetup();
    // Stops and unloads the slot's segment and drops it; the performance stays.
    virtual int32_t DMDestroySegment(const int32_t& Segment_ID);

    // Fields, in declaration order.
    Ref<DirectX7> DxRoot;
    std::array<Ref<DirectMusicSegment>, kSlots> Segments;
    std::array<Ref<DirectMusicSegmentState>, kSlots> SegmentStates;
    std::array<Ref<DirectMusicPerformance>, kSlots> Performances;
    Ref<DirectMusicLoader> MusicLoader;
    int32_t LastSegmentID = 0;
};

}  // namespace vexo
