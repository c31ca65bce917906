// The typed half of the dual interface _DX7Sound, one entry per method in
// interface order. Written by com/typed_from_idl.py from the definition
// the layer produces; regenerate it when the description changes.
#pragma once

#include "com/Automation.h"

namespace vexo::com::typed {

struct _DX7Sound : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE DsSetFormat(int32_t SamplesHz, int32_t Bitrate, int32_t nChannels) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsFree(int32_t* DsSegmentID) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsSetPan(int32_t* DsSegment_ID, int32_t pan, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsStop(int32_t* DsSegment_ID, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsClose() = 0;
    virtual HRESULT STDMETHODCALLTYPE DsPlayLooping(int32_t* DsSegment_ID, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsPlay(int32_t* DsSegment_ID, VARIANT_BOOL* bFlags, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsCreate(int32_t* DsSegment_ID, BSTR Filename, int32_t* nBuffer, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsSetVolume(int32_t* DsSegment_ID, int32_t vol, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DsSetup(int32_t hWnd, int32_t* SamplesHz, int32_t* Bitrate, int32_t* Channels, int32_t* result) = 0;

protected:
    ~_DX7Sound() = default;
};

// Forwards every entry into the object's dispatch path, so conversion,
// write-back and errors are those of Invoke.
class _DX7SoundEntries final : public EntriesBase<_DX7Sound> {
public:
    using EntriesBase::EntriesBase;
    static constexpr size_t kMethods = 10;
    HRESULT STDMETHODCALLTYPE DsSetFormat(int32_t SamplesHz, int32_t Bitrate, int32_t nChannels) override { return Call(o_, 0x1, {In(SamplesHz), In(Bitrate), In(nChannels)}); }
    HRESULT STDMETHODCALLTYPE DsFree(int32_t* DsSegmentID) override { return Call(o_, 0x2, {In(DsSegmentID)}); }
    HRESULT STDMETHODCALLTYPE DsSetPan(int32_t* DsSegment_ID, int32_t pan, int32_t* result) override { return Call(o_, 0x3, {In(DsSegment_ID), In(pan)}, result); }
    HRESULT STDMETHODCALLTYPE DsStop(int32_t* DsSegment_ID, int32_t* result) override { return Call(o_, 0x4, {In(DsSegment_ID)}, result); }
    HRESULT STDMETHODCALLTYPE DsClose() override { return Call(o_, 0x5, {}); }
    HRESULT STDMETHODCALLTYPE DsPlayLooping(int32_t* DsSegment_ID, int32_t* result) override { return Call(o_, 0x6, {In(DsSegment_ID)}, result); }
    HRESULT STDMETHODCALLTYPE DsPlay(int32_t* DsSegment_ID, VARIANT_BOOL* bFlags, int32_t* result) override { return Call(o_, 0x7, {In(DsSegment_ID), In(bFlags)}, result); }
    HRESULT STDMETHODCALLTYPE DsCreate(int32_t* DsSegment_ID, BSTR Filename, int32_t* nBuffer, int32_t* result) override { return Call(o_, 0x8, {In(DsSegment_ID), In(Filename), In(nBuffer)}, result); }
    HRESULT STDMETHODCALLTYPE DsSetVolume(int32_t* DsSegment_ID, int32_t vol, int32_t* result) override { return Call(o_, 0x9, {In(DsSegment_ID), In(vol)}, result); }
    HRESULT STDMETHODCALLTYPE DsSetup(int32_t hWnd, int32_t* SamplesHz, int32_t* Bitrate, int32_t* Channels, int32_t* result) override { return Call(o_, 0xa, {In(hWnd), In(SamplesHz), In(Bitrate), In(Channels)}, result); }
};

}  // namespace vexo::com::typed
