// The typed half of the dual interface _DXInput, one entry per method in
// interface order. Written by com/typed_from_idl.py from the definition
// the layer produces; regenerate it when the description changes.
#pragma once

#include "com/Automation.h"

namespace vexo::com::typed {

struct _DXInput : IDispatch {
    virtual HRESULT DirectKeyCodeShow(uint8_t* DirectKeyCode, BSTR* result) = 0;
    virtual HRESULT DIJoyStickSetup(int32_t* JoyStickCount, int32_t* hWnd, int32_t* result) = 0;
    virtual HRESULT DIGetButton(int32_t* ID, uint8_t* ButtonBit, uint8_t* result) = 0;
    virtual HRESULT DIGetX(int32_t* ID, int32_t* result) = 0;
    virtual HRESULT DIGetY(int32_t* ID, int32_t* result) = 0;
    virtual HRESULT DIClose() = 0;
    virtual HRESULT DIUpdate(int32_t* result) = 0;
    virtual HRESULT DIKeyBordSetup(int32_t* hWnd) = 0;
    virtual HRESULT DIGetKeyState(uint8_t* DirectKeyCode, int32_t* result) = 0;
    virtual HRESULT DIJoyStickCount(int32_t* result) = 0;

protected:
    ~_DXInput() = default;
};

// Forwards every entry into the object's dispatch path, so conversion,
// write-back and errors are those of Invoke; IUnknown and IDispatch are
// the object's own (one identity, one count).
class _DXInputEntries final : public _DXInput {
public:
    explicit _DXInputEntries(DispatchBase& o) : o_(o) {}
    ~_DXInputEntries() = default;
    static constexpr size_t kMethods = 10;
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return o_.QueryInterface(riid, ppv); }
    ULONG AddRef() override { return o_.AddRef(); }
    ULONG Release() override { return o_.Release(); }
    HRESULT GetTypeInfoCount(UINT* n) override { return o_.GetTypeInfoCount(n); }
    HRESULT GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return o_.GetTypeInfo(i, l, t); }
    HRESULT GetIDsOfNames(REFIID r, OLECHAR** n, UINT c, LCID l, DISPID* d) override {
        return o_.GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                   UINT* a) override {
        return o_.Invoke(id, r, l, f, p, v, e, a);
    }
    HRESULT DirectKeyCodeShow(uint8_t* DirectKeyCode, BSTR* result) override { return Call(o_, 0x1, {In(DirectKeyCode)}, result); }
    HRESULT DIJoyStickSetup(int32_t* JoyStickCount, int32_t* hWnd, int32_t* result) override { return Call(o_, 0x2, {In(JoyStickCount), In(hWnd)}, result); }
    HRESULT DIGetButton(int32_t* ID, uint8_t* ButtonBit, uint8_t* result) override { return Call(o_, 0x3, {In(ID), In(ButtonBit)}, result); }
    HRESULT DIGetX(int32_t* ID, int32_t* result) override { return Call(o_, 0x4, {In(ID)}, result); }
    HRESULT DIGetY(int32_t* ID, int32_t* result) override { return Call(o_, 0x5, {In(ID)}, result); }
    HRESULT DIClose() override { return Call(o_, 0x6, {}); }
    HRESULT DIUpdate(int32_t* result) override { return Call(o_, 0x7, {}, result); }
    HRESULT DIKeyBordSetup(int32_t* hWnd) override { return Call(o_, 0x8, {In(hWnd)}); }
    HRESULT DIGetKeyState(uint8_t* DirectKeyCode, int32_t* result) override { return Call(o_, 0x9, {In(DirectKeyCode)}, result); }
    HRESULT DIJoyStickCount(int32_t* result) override { return Call(o_, 0xa, {}, result); }

private:
    DispatchBase& o_;
};

}  // namespace vexo::com::typed
