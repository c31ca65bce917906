// The typed half of the dual interface _DXInput, one entry per method in
// interface order. Written by com/typed_from_idl.py from the definition
// the layer produces; regenerate it when the description changes.
#pragma once

#include "com/Automation.h"

namespace vexo::com::typed {

struct _DXInput : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE DirectKeyCodeShow(uint8_t* DirectKeyCode, BSTR* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIJoyStickSetup(int32_t* JoyStickCount, int32_t* hWnd, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIGetButton(int32_t* ID, uint8_t* ButtonBit, uint8_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIGetX(int32_t* ID, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIGetY(int32_t* ID, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIClose() = 0;
    virtual HRESULT STDMETHODCALLTYPE DIUpdate(int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIKeyBordSetup(int32_t* hWnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIGetKeyState(uint8_t* DirectKeyCode, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DIJoyStickCount(int32_t* result) = 0;

protected:
    ~_DXInput() = default;
};

// Forwards every entry into the object's dispatch path, so conversion,
// write-back and errors are those of Invoke.
class _DXInputEntries final : public EntriesBase<_DXInput> {
public:
    using EntriesBase::EntriesBase;
    static constexpr size_t kMethods = 10;
    HRESULT STDMETHODCALLTYPE DirectKeyCodeShow(uint8_t* DirectKeyCode, BSTR* result) override { return Call(o_, 0x1, {In(DirectKeyCode)}, result); }
    HRESULT STDMETHODCALLTYPE DIJoyStickSetup(int32_t* JoyStickCount, int32_t* hWnd, int32_t* result) override { return Call(o_, 0x2, {In(JoyStickCount), In(hWnd)}, result); }
    HRESULT STDMETHODCALLTYPE DIGetButton(int32_t* ID, uint8_t* ButtonBit, uint8_t* result) override { return Call(o_, 0x3, {In(ID), In(ButtonBit)}, result); }
    HRESULT STDMETHODCALLTYPE DIGetX(int32_t* ID, int32_t* result) override { return Call(o_, 0x4, {In(ID)}, result); }
    HRESULT STDMETHODCALLTYPE DIGetY(int32_t* ID, int32_t* result) override { return Call(o_, 0x5, {In(ID)}, result); }
    HRESULT STDMETHODCALLTYPE DIClose() override { return Call(o_, 0x6, {}); }
    HRESULT STDMETHODCALLTYPE DIUpdate(int32_t* result) override { return Call(o_, 0x7, {}, result); }
    HRESULT STDMETHODCALLTYPE DIKeyBordSetup(int32_t* hWnd) override { return Call(o_, 0x8, {In(hWnd)}); }
    HRESULT STDMETHODCALLTYPE DIGetKeyState(uint8_t* DirectKeyCode, int32_t* result) override { return Call(o_, 0x9, {In(DirectKeyCode)}, result); }
    HRESULT STDMETHODCALLTYPE DIJoyStickCount(int32_t* result) override { return Call(o_, 0xa, {}, result); }
};

}  // namespace vexo::com::typed
