// Argument conversion, write-back, results and IDispatch of the components.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "com/Automation.h"
#include "common/Error.h"

namespace vexo::com {

const IID IID_IVexoPlatformObject = MakeGuid("{6F1C2A40-3B7E-4D1A-9C55-7E0B5A1D2C01}");

namespace {

bool IsMissing(const VARIANT* v) {
    return v == nullptr || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

// How many VARIANT references an argument may go through to its variable;
// a longer chain (a cycle, or a hostile one) is refused.
constexpr int kMaxVariantRefs = 16;

// The variant at the end of a chain of VARIANT references: a value, or a
// typed reference to the caller's variable. Null for a chain that is too long
// or breaks off.
const VARIANT* Resolve(const VARIANT* v) {
    for (int depth = 0; v->vt == (VT_BYREF | VT_VARIANT); ++depth) {
        if (!v->pvarVal || depth == kMaxVariantRefs) return nullptr;
        v = v->pvarVal;
    }
    return (v->vt & VT_BYREF) && !v->pvarVal ? nullptr : v;  // every reference shares the one slot
}

class PlatformObject final : public IVexoPlatformObject {
public:
    PlatformObject(const Ref<Unknown>& o, ModuleCounts& m) : object_(o), module_(m) { ++module_.objects; }
    ~PlatformObject() { --module_.objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IVexoPlatformObject) {
            *ppv = static_cast<IVexoPlatformObject*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** p) override {
        if (p) *p = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, OLECHAR**, UINT n, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < n; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    Ref<Unknown> Object() override { return object_; }

private:
    std::atomic<ULONG> refs_{0};
    Ref<Unknown> object_;
    ModuleCounts& module_;
};

}  // namespace

IDispatch* WrapPlatformObject(const Ref<Unknown>& object, ModuleCounts& module) {
    if (!object) return nullptr;
    auto* p = new PlatformObject(object, module);
    p->AddRef();
    return p;
}

// --- Args -------------------------------------------------------------------

Args::Args(const MethodDesc& m, const DISPPARAMS& dp, ModuleCounts& module)
    : m_(m), module_(module), locals_(m.params.size()) {
    VariantInit(&result_);
    const UINT positional = dp.cArgs - dp.cNamedArgs;
    if (dp.cArgs > 0 && !dp.rgvarg) throw ArgError{E_INVALIDARG, 0};
    if (dp.cNamedArgs > dp.cArgs || positional > m.params.size()) throw ArgError{DISP_E_BADPARAMCOUNT, 0};
    std::vector<const VARIANT*> given(m.params.size(), nullptr);
    for (UINT i = 0; i < positional; ++i) {
        locals_[i].rgIndex = dp.cArgs - 1 - i;
        given[i] = &dp.rgvarg[dp.cArgs - 1 - i];
    }
    for (UINT k = 0; k < dp.cNamedArgs; ++k) {
        const DISPID id = dp.rgdispidNamedArgs ? dp.rgdispidNamedArgs[k] : -1;
        if (id < 0 || size_t(id) >= m.params.size() || given[id]) throw ArgError{DISP_E_PARAMNOTFOUND, k};
        locals_[id].rgIndex = k;
        given[id] = &dp.rgvarg[k];
    }
    for (size_t i = 0; i < m.params.size(); ++i) {
        const ParamDesc& p = m.params[i];
        if (IsMissing(given[i])) {
            if (!p.optional()) throw ArgError{DISP_E_PARAMNOTOPTIONAL, locals_[i].rgIndex};
            VARIANT def = MakeR8(p.def);
            Convert(i, &def);
        } else {
            Convert(i, given[i]);
        }
    }
}

Args::~Args() { VariantClear(&result_); }

void Args::Convert(size_t i, const VARIANT* src) {
    const ParamDesc& p = m_.params[i];
    Local& l = locals_[i];
    const VARTYPE want = VarTypeOf(p.type);
    const VARIANT* end = Resolve(src);
    if (!end) throw ArgError{E_INVALIDARG, l.rgIndex};
    // A reference is written back when the parameter is by reference: into
    // the caller's variable of the declared type, or into the variant the
    // references end at.
    if (p.byRef() && (src->vt & VT_BYREF)) {
        if (!(end->vt & VT_BYREF)) {
            l.target = const_cast<VARIANT*>(end);
            l.targetIsVariant = true;
        } else if (VARTYPE(end->vt & ~VT_BYREF) == want) {
            l.target = const_cast<VARIANT*>(end);
        } else {
            throw ArgError{DISP_E_TYPEMISMATCH, l.rgIndex};
        }
    }
    VARIANT tmp;
    VariantInit(&tmp);
    auto change = [&](VARTYPE vt) {
        HRESULT hr = VariantChangeType(&tmp, end, 0, vt);
        if (Failed(hr)) throw ArgError{hr, l.rgIndex};
    };
    switch (p.type) {
        case Ty::Long: case Ty::Enum: change(VT_I4); l.i4 = tmp.lVal; break;
        case Ty::Byte: change(VT_UI1); l.ui1 = tmp.bVal; break;
        case Ty::Single: change(VT_R4); l.r4 = tmp.fltVal; break;
        case Ty::Bool: {
            // A Boolean arrives with its 16 bits as they are, so a method can
            // still tell -1 from another non-zero value.
            const VARIANT* v = end;
            if (v->vt == VT_BOOL) l.i2 = v->boolVal;
            else if (v->vt == (VT_BYREF | VT_BOOL)) l.i2 = *v->pboolVal;
            else change(VT_BOOL), l.i2 = tmp.boolVal;
            break;
        }
        case Ty::String:
            change(VT_BSTR);
            l.str = Utf8FromBstr(tmp.bstrVal);
            VariantClear(&tmp);
            break;
        case Ty::Surface: case Ty::Palette: {
            change(VT_UNKNOWN);
            if (tmp.punkVal) {
                IVexoPlatformObject* po = nullptr;
                HRESULT hr = tmp.punkVal->QueryInterface(IID_IVexoPlatformObject, reinterpret_cast<void**>(&po));
                VariantClear(&tmp);
                if (Failed(hr) || !po) throw ArgError{DISP_E_TYPEMISMATCH, l.rgIndex};
                l.obj = po->Object();
                po->Release();
            }
            break;
        }
        case Ty::ByteArray: {
            const VARIANT* v = end;
            SAFEARRAY* a = nullptr;
            if (v->vt == (VT_ARRAY | VT_UI1)) a = v->parray;
            else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1)) a = *v->pparray;
            else throw ArgError{DISP_E_TYPEMISMATCH, l.rgIndex};
            if (a && (a->cDims != 1 || a->cbElements != 1 || (a->rgsabound[0].cElements > 0 && !a->pvData)))
                throw ArgError{DISP_E_TYPEMISMATCH, l.rgIndex};
            // Bounds no array of this size can have: past the cap, or an upper
            // bound beyond 32 bits. The data is not touched.
            if (a && (a->rgsabound[0].cElements > kMaxByteArrayArg ||
                      int64_t(a->rgsabound[0].lLbound) + a->rgsabound[0].cElements - 1 > INT32_MAX))
                throw ArgError{E_INVALIDARG, l.rgIndex};
            if (a && a->rgsabound[0].cElements > 0) {
                LONG lo = 0, hi = 0;
                SafeArrayGetLBound(a, 1, &lo);
                SafeArrayGetUBound(a, 1, &hi);
                l.bytes.ReDim(lo, hi);
                std::memcpy(l.bytes.Items().data(), a->pvData, l.bytes.Items().size());
            }
            break;
        }
        case Ty::Void: case Ty::Variant: throw ArgError{DISP_E_BADVARTYPE, l.rgIndex};
    }
}

void Args::WriteBack() {
    for (size_t i = 0; i < locals_.size(); ++i) {
        Local& l = locals_[i];
        if (!l.target) continue;
        const Ty t = m_.params[i].type;
        if (t == Ty::ByteArray) {
            // Same bounds: the bytes go back into the caller's array.
            const VARIANT* v = l.target;
            SAFEARRAY* a = v->vt == (VT_ARRAY | VT_UI1) ? v->parray
                           : v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) ? *v->pparray : nullptr;
            if (a && l.bytes.IsAllocated() && a->rgsabound[0].cElements == l.bytes.Items().size() &&
                a->rgsabound[0].lLbound == l.bytes.LBound())
                std::memcpy(a->pvData, l.bytes.Items().data(), l.bytes.Items().size());
            continue;
        }
        if (t == Ty::Surface || t == Ty::Palette) {
            Unknown* now = l.typed ? l.typedGet(l.typed.get()) : l.obj.get();
            if (now == l.obj.get()) continue;  // unchanged: the caller's object stays as it is
        }
        VARIANT v;
        VariantInit(&v);
        switch (t) {
            case Ty::Long: case Ty::Enum: v = MakeI4(l.i4); break;
            case Ty::Byte: v.vt = VT_UI1, v.bVal = l.ui1; break;
            case Ty::Single: v.vt = VT_R4, v.fltVal = l.r4; break;
            case Ty::Bool: v.vt = VT_BOOL, v.boolVal = l.i2; break;
            case Ty::String: v = MakeBstr(l.str); break;
            case Ty::Surface: case Ty::Palette:
                v.vt = VT_DISPATCH;
                v.pdispVal = WrapPlatformObject(Ref<Unknown>(l.typedGet(l.typed.get())), module_);
                break;
            default: continue;
        }
        if (l.targetIsVariant) {
            VariantClear(l.target);
            *l.target = v;
            continue;
        }
        VARIANT* r = l.target;
        switch (t) {
            case Ty::Long: case Ty::Enum: *r->plVal = v.lVal; break;
            case Ty::Byte: *r->pbVal = v.bVal; break;
            case Ty::Single: *r->pfltVal = v.fltVal; break;
            case Ty::Bool: *r->pboolVal = v.boolVal; break;
            case Ty::String: SysFreeString(*r->pbstrVal), *r->pbstrVal = v.bstrVal; break;
            default:
                if (*r->ppdispVal) (*r->ppdispVal)->Release();
                *r->ppdispVal = v.pdispVal;
        }
    }
}

void Args::Ret(int32_t v) { VariantClear(&result_), result_ = MakeI4(v); }
void Args::Ret(float v) { VariantClear(&result_), result_.vt = VT_R4, result_.fltVal = v; }
void Args::Ret(uint8_t v) { VariantClear(&result_), result_.vt = VT_UI1, result_.bVal = v; }
void Args::Ret(const std::string& v) { VariantClear(&result_), result_ = MakeBstr(v); }
void Args::Ret(const Variant& v) {
    VariantClear(&result_);
    if (auto* i = std::get_if<int32_t>(&v)) result_ = MakeI4(*i);
    else if (auto* d = std::get_if<double>(&v)) result_ = MakeR8(*d);
    else if (auto* s = std::get_if<std::string>(&v)) result_ = MakeBstr(*s);
}
void Args::RetObject(const Ref<Unknown>& v) {
    VariantClear(&result_);
    result_.vt = VT_DISPATCH;
    result_.pdispVal = WrapPlatformObject(v, module_);
}

VARIANT Args::TakeResult() {
    VARIANT r = result_;
    VariantInit(&result_);
    return r;
}

// --- DispatchBase -----------------------------------------------------------

DispatchBase::DispatchBase(const ClassDesc& d, ModuleCounts& module) : desc_(d), module_(module) {
    ++module_.objects;
}
DispatchBase::~DispatchBase() { --module_.objects; }

const ClassDesc* DescriptionOf(IDispatch* object) {
    auto* d = dynamic_cast<DispatchBase*>(object);
    return d ? &d->desc() : nullptr;
}

void* NativeObject(IDispatch* object, REFCLSID clsid) {
    auto* d = dynamic_cast<DispatchBase*>(object);
    return d && d->desc().clsid == clsid ? d->Native() : nullptr;
}

HRESULT STDMETHODCALLTYPE DispatchBase::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == desc_.iid && typed_) {
        *ppv = typed_;
        AddRef();
        return S_OK;
    }
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == desc_.iid) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    if (QueryErrorInfoSupport(static_cast<IDispatch*>(this), desc_.iid, riid, ppv)) return S_OK;
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchBase::AddRef() { return ++refs_; }
ULONG STDMETHODCALLTYPE DispatchBase::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

// No type information: a client that asks is told so and handed nothing.
#ifndef _WIN32
// No type information on Linux (on Windows: com/TypeInfoWindows.cpp).
HRESULT STDMETHODCALLTYPE DispatchBase::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchBase::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    return E_NOTIMPL;
}
#endif

HRESULT STDMETHODCALLTYPE DispatchBase::GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID,
                                                      DISPID* ids) {
    if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return NamesToIds(desc_, names, count, ids);
}

HRESULT STDMETHODCALLTYPE DispatchBase::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp,
                                               VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (id < kFirstDispId || size_t(id - kFirstDispId) >= desc_.methods.size()) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{};
    if (!dp) dp = &none;
    const size_t index = size_t(id - kFirstDispId);
    auto raise = [&](HRESULT scode, const std::string& text) {
        // Also for the typed half, whose callers get only the status.
        PublishErrorInfo(desc_.iid, desc_.ProgId(), text);
        if (excep) {
            ResetExcepInfo(excep);
            excep->bstrSource = BstrFromUtf8(desc_.ProgId());
            excep->bstrDescription = BstrFromUtf8(text);
            excep->scode = scode;
        }
        return DISP_E_EXCEPTION;
    };
    try {
        Args a(desc_.methods[index], *dp, module_);
        int32_t raised = 0;
        try {
            Call(index, a);
        } catch (const VbError& e) {
            raised = e.number();
        }
        a.WriteBack();
        if (raised != 0) return raise(HresultFromErrorNumber(raised), Describe(raised));
        if (result) {
            VariantClear(result);
            *result = a.TakeResult();
        }
        return S_OK;
    } catch (const ArgError& e) {
        // The status says it all; an earlier call's error must not be read as this one's.
        ClearErrorInfo();
        if (argErr) *argErr = e.index;
        return e.hr;
    } catch (const VbError& e) {  // an argument that cannot be held (ReDim)
        return raise(HresultFromErrorNumber(e.number()), Describe(e.number()));
    } catch (const std::bad_alloc&) {
        return raise(HresultFromErrorNumber(7), Describe(7));
    } catch (const std::exception& e) {
        return raise(E_FAIL, e.what());
    }
}

namespace {
struct TypedError {
    bool set = false;
    std::string source, description;
};
thread_local TypedError tTypedError;
}  // namespace

bool TakeTypedError(EXCEPINFO* e) {
    if (!e || !tTypedError.set) return false;
    ClearExcepInfo(e);
    e->bstrSource = BstrFromUtf8(tTypedError.source);
    e->bstrDescription = BstrFromUtf8(tTypedError.description);
    tTypedError = TypedError{};
    return true;
}

HRESULT DispatchBase::TypedCall(DISPID id, const VARIANT* args, UINT count, VARIANT* result) {
    std::vector<VARIANT> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS dp{};
    dp.rgvarg = reversed.data();
    dp.cArgs = count;
    EXCEPINFO e{};
    UINT argErr = 0;
    HRESULT hr = Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, result, &e, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        hr = e.scode;
        tTypedError.set = true;
        tTypedError.source = Utf8FromBstr(e.bstrSource);
        tTypedError.description = Utf8FromBstr(e.bstrDescription);
        ClearExcepInfo(&e);
    }
    return hr;
}

namespace typed {
namespace {
template <class T, class Get>
HRESULT Scalar(VARIANT& r, T* p, VARTYPE vt, Get get) {
    VARIANT t;
    VariantInit(&t);
    HRESULT hr = VariantChangeType(&t, &r, 0, vt);
    if (!Failed(hr)) *p = get(t);
    VariantClear(&t);
    VariantClear(&r);
    return hr;
}
}  // namespace
HRESULT Out(VARIANT& r, int32_t* p) { return Scalar(r, p, VT_I4, [](VARIANT& t) { return t.lVal; }); }
HRESULT Out(VARIANT& r, float* p) { return Scalar(r, p, VT_R4, [](VARIANT& t) { return t.fltVal; }); }
HRESULT Out(VARIANT& r, uint8_t* p) { return Scalar(r, p, VT_UI1, [](VARIANT& t) { return t.bVal; }); }
HRESULT Out(VARIANT& r, VARIANT_BOOL* p) { return Scalar(r, p, VT_BOOL, [](VARIANT& t) { return t.boolVal; }); }
HRESULT Out(VARIANT& r, BSTR* p) {
    VARIANT t;
    VariantInit(&t);
    HRESULT hr = VariantChangeType(&t, &r, 0, VT_BSTR);
    VariantClear(&r);
    if (!Failed(hr)) *p = t.bstrVal;  // ownership passes to the caller
    return hr;
}
HRESULT Out(VARIANT& r, IDispatch** p) {
    if (r.vt == VT_EMPTY) return S_OK;  // an empty reference
    VARIANT t;
    VariantInit(&t);
    HRESULT hr = VariantChangeType(&t, &r, 0, VT_DISPATCH);
    VariantClear(&r);
    if (!Failed(hr)) *p = t.pdispVal;  // the caller's reference
    else VariantClear(&t);
    return hr;
}
HRESULT Out(VARIANT& r, VARIANT* p) {
    *p = r;
    VariantInit(&r);
    return S_OK;
}
}  // namespace typed

void CheckTableOrder(const ClassDesc& d, const std::vector<const char*>& names) {
    if (names.size() != d.methods.size())
        throw std::logic_error(std::string(d.className) + ": dispatch table and description differ in length");
    for (size_t i = 0; i < names.size(); ++i)
        if (std::strcmp(names[i], d.methods[i].name) != 0)
            throw std::logic_error(std::string(d.className) + ": dispatch table out of interface order at " +
                                   names[i]);
}

}  // namespace vexo::com
