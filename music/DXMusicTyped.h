// The typed half of the dual interface _DXMusic, one entry per method in
// interface order. Written by com/typed_from_idl.py from the definition
// the layer produces; regenerate it when the description changes.
#pragma once

#include "com/Automation.h"

namespace vexo::com::typed {

struct _DXMusic : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE DMPlay(int32_t* Segment_ID, VARIANT_BOOL* LastMusicStop, VARIANT_BOOL* ContStart, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMStop(int32_t* Segment_ID, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMClose() = 0;
    virtual HRESULT STDMETHODCALLTYPE DMCreateSegment(int32_t* Segment_ID, BSTR* Filename, int32_t* RepeatCount, int32_t* VolumeSize, float Tempo, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMSetVolume(int32_t* Segment_ID, int32_t* VolumeSize, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMSetTempo(int32_t* Segment_ID, float Tempo, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMSetup(int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DMDestroySegment(int32_t* Segment_ID, int32_t* result) = 0;

protected:
    ~_DXMusic() = default;
};

// Forwards every entry into the object's dispatch path, so conversion,
// write-back and errors are those of Invoke.
class _DXMusicEntries final : public EntriesBase<_DXMusic> {
public:
    using EntriesBase::EntriesBase;
    static constexpr size_t kMethods = 8;
    HRESULT STDMETHODCALLTYPE DMPlay(int32_t* Segment_ID, VARIANT_BOOL* LastMusicStop, VARIANT_BOOL* ContStart, int32_t* result) override { return Call(o_, 0x1, {In(Segment_ID), In(LastMusicStop), In(ContStart)}, result); }
    HRESULT STDMETHODCALLTYPE DMStop(int32_t* Segment_ID, int32_t* result) override { return Call(o_, 0x2, {In(Segment_ID)}, result); }
    HRESULT STDMETHODCALLTYPE DMClose() override { return Call(o_, 0x3, {}); }
    HRESULT STDMETHODCALLTYPE DMCreateSegment(int32_t* Segment_ID, BSTR* Filename, int32_t* RepeatCount, int32_t* VolumeSize, float Tempo, int32_t* result) override { return Call(o_, 0x4, {In(Segment_ID), In(Filename), In(RepeatCount), In(VolumeSize), In(Tempo)}, result); }
    HRESULT STDMETHODCALLTYPE DMSetVolume(int32_t* Segment_ID, int32_t* VolumeSize, int32_t* result) override { return Call(o_, 0x5, {In(Segment_ID), In(VolumeSize)}, result); }
    HRESULT STDMETHODCALLTYPE DMSetTempo(int32_t* Segment_ID, float Tempo, int32_t* result) override { return Call(o_, 0x6, {In(Segment_ID), In(Tempo)}, result); }
    HRESULT STDMETHODCALLTYPE DMSetup(int32_t* result) override { return Call(o_, 0x7, {}, result); }
    HRESULT STDMETHODCALLTYPE DMDestroySegment(int32_t* Segment_ID, int32_t* result) override { return Call(o_, 0x8, {In(Segment_ID)}, result); }
};

}  // namespace vexo::com::typed
