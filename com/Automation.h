// The automation side of a component: its object answers IDispatch from the
// interface description, arguments arrive as VARIANTs and are converted to
// the C++ method's types, by-reference arguments are written back, platform
// objects travel as automation objects, raised errors become automation
// exceptions. Server holds what each library's four entry points need.
#pragma once

#include <atomic>
#include <initializer_list>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com/Com.h"
#include "com/TypeDesc.h"
#include "common/Ref.h"
#include "common/Types.h"
#include "common/VBArray.h"

namespace vexo::com {

// Live objects and locks of one library, for DllCanUnloadNow.
struct ModuleCounts {
    std::atomic<long> objects{0};
    std::atomic<long> locks{0};
};

// The most bytes a byte-array argument may hold (16 MB; the interfaces pass
// palettes of 256). A larger one, or one whose upper bound passes 32 bits, is
// refused with E_INVALIDARG before its data is read; an array of other than
// one dimension or of elements other than bytes is a type mismatch.
inline constexpr ULONG kMaxByteArrayArg = ULONG(16) << 20;

// A failure of argument conversion: the status and the argument's position
// in DISPPARAMS::rgvarg.
struct ArgError {
    HRESULT hr;
    UINT index;
};

// A platform object (surface, palette, ...) held by an automation client.
// Clients can only hold it and pass it back; it has no members of its own.
extern const IID IID_IVexoPlatformObject;
struct IVexoPlatformObject : IDispatch {
    virtual Ref<Unknown> Object() = 0;

protected:
    ~IVexoPlatformObject() = default;
};
// A new automation object holding `object` (null for an empty reference),
// counted as a live object of `module`.
IDispatch* WrapPlatformObject(const Ref<Unknown>& object, ModuleCounts& module);

// The arguments of one call, converted from DISPPARAMS by the method's
// description. Accessors hand out lvalues that by-reference C++ parameters
// bind to; WriteBack copies them into the caller's references.
class Args {
public:
    Args(const MethodDesc& m, const DISPPARAMS& dp, ModuleCounts& module);
    ~Args();
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;

    int32_t& Long(size_t i) { return local(i).i4; }
    VBBool& Bool(size_t i) { return local(i).i2; }
    uint8_t& Byte(size_t i) { return local(i).ui1; }
    float& Single(size_t i) { return local(i).r4; }
    std::string& String(size_t i) { return local(i).str; }
    VBArray<uint8_t>& Bytes(size_t i) { return local(i).bytes; }
    template <class E>
    E Enum(size_t i) {
        return static_cast<E>(local(i).i4);
    }
    // The object argument as a reference of the platform type; a client
    // object of another kind is a type mismatch.
    template <class X>
    Ref<X>& Obj(size_t i) {
        Local& l = local(i);
        if (!l.typed) {
            Ref<X> typed = RefCast<X>(l.obj);
            if (l.obj && !typed) throw ArgError{DISP_E_TYPEMISMATCH, l.rgIndex};
            auto holder = std::make_shared<Ref<X>>(std::move(typed));
            l.typedGet = [](const void* p) -> Unknown* { return static_cast<const Ref<X>*>(p)->get(); };
            l.typed = holder;
        }
        return *static_cast<Ref<X>*>(l.typed.get());
    }

    void Ret(int32_t v);
    void Ret(float v);
    void Ret(uint8_t v);
    void Ret(const std::string& v);
    void Ret(const Variant& v);
    template <class X>
    void Ret(const Ref<X>& v) {
        RetObject(Ref<Unknown>(v));
    }

    // Copies the by-reference arguments back into the caller's variables.
    void WriteBack();
    // Moves the result out (empty when the method returns nothing).
    VARIANT TakeResult();

private:
    struct Local {
        int32_t i4 = 0;
        VBBool i2 = 0;
        uint8_t ui1 = 0;
        float r4 = 0;
        std::string str;
        VBArray<uint8_t> bytes;
        Ref<Unknown> obj;
        std::shared_ptr<void> typed;
        Unknown* (*typedGet)(const void*) = nullptr;
        VARIANT* target = nullptr;  // where to write back; null for none
        bool targetIsVariant = false;
        UINT rgIndex = 0;
    };
    // A thunk asking for an argument its description does not have is a
    // build fault; it fails the call instead of reading past the arguments.
    Local& local(size_t i) {
        if (i >= locals_.size()) throw ArgError{E_UNEXPECTED, UINT(i)};
        return locals_[i];
    }
    void Convert(size_t i, const VARIANT* src);
    void RetObject(const Ref<Unknown>& v);

    const MethodDesc& m_;
    ModuleCounts& module_;
    std::vector<Local> locals_;
    VARIANT result_;
};

// The part of a component object every class shares: reference counting,
// QueryInterface, names, type information, Invoke. Call runs method `index`.
class DispatchBase : public IDispatch {
public:
    DispatchBase(const ClassDesc& d, ModuleCounts& module);
    virtual ~DispatchBase();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    const ClassDesc& desc() const { return desc_; }
    // The component's C++ object this automation object drives.
    virtual void* Native() = 0;

    // The typed half of the dual interface runs here: `args` in interface
    // order (a missing optional one as VT_ERROR / DISP_E_PARAMNOTFOUND), the
    // same path as Invoke. A raised error is the returned status, its
    // description kept for TakeTypedError.
    HRESULT TypedCall(DISPID id, const VARIANT* args, UINT count, VARIANT* result);
    // Makes the typed interface object X (constructed from this object),
    // answered for the default interface identifier; it lives as long as
    // this object and shares its count.
    template <class X>
    void AttachTyped() {
        auto p = std::make_shared<X>(*this);
        typed_ = p.get();
        typedHolder_ = p;
    }

protected:
    virtual void Call(size_t index, Args& a) = 0;
    // The standard description text of a run-time error number.
    virtual std::string Describe(int32_t number) = 0;

private:
    const ClassDesc& desc_;
    ModuleCounts& module_;
    std::atomic<ULONG> refs_{0};
    IUnknown* typed_ = nullptr;
    std::shared_ptr<void> typedHolder_;
};

// The exception of the last typed call on this thread that raised, moved
// into `e` (source and description); false when there is none.
bool TakeTypedError(EXCEPINFO* e);

// Packing typed arguments into the VARIANTs Invoke takes: values by value,
// pointers as references written back in place, a null pointer as missing.
namespace typed {

// The IUnknown and IDispatch part of every typed interface: they are the
// object's own (one identity, one count). Typed entries add their methods.
template <class Typed>
class EntriesBase : public Typed {
public:
    explicit EntriesBase(DispatchBase& o) : o_(o) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return o_.QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return o_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return o_.Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return o_.GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return o_.GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, OLECHAR** n, UINT c, LCID l, DISPID* d) override {
        return o_.GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                     EXCEPINFO* e, UINT* a) override {
        return o_.Invoke(id, r, l, f, p, v, e, a);
    }

protected:
    DispatchBase& o_;
};

inline VARIANT Missing() {
    VARIANT v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}
inline VARIANT In(int32_t x) { return MakeI4(x); }
inline VARIANT In(VARIANT_BOOL x) {
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = x;
    return v;
}
inline VARIANT In(float x) {
    VARIANT v;
    v.vt = VT_R4;
    v.fltVal = x;
    return v;
}
inline VARIANT In(BSTR x) {  // borrowed: the packed copy is never cleared
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = x;
    return v;
}
inline VARIANT Ref(VARTYPE vt, void* p) { return p ? MakeByRef(vt, p) : Missing(); }
inline VARIANT In(int32_t* p) { return Ref(VT_I4, p); }
inline VARIANT In(VARIANT_BOOL* p) { return Ref(VT_BOOL, p); }
inline VARIANT In(uint8_t* p) { return Ref(VT_UI1, p); }
inline VARIANT In(float* p) { return Ref(VT_R4, p); }
inline VARIANT In(BSTR* p) { return Ref(VT_BSTR, p); }
inline VARIANT In(IDispatch** p) { return Ref(VT_DISPATCH, p); }
inline VARIANT In(SAFEARRAY** p) { return Ref(VT_ARRAY | VT_UI1, p); }

// The result VARIANT into the typed [out, retval] parameter.
HRESULT Out(VARIANT& r, int32_t* p);
HRESULT Out(VARIANT& r, float* p);
HRESULT Out(VARIANT& r, uint8_t* p);
HRESULT Out(VARIANT& r, VARIANT_BOOL* p);
HRESULT Out(VARIANT& r, BSTR* p);
HRESULT Out(VARIANT& r, IDispatch** p);
HRESULT Out(VARIANT& r, VARIANT* p);

inline HRESULT Call(DispatchBase& o, DISPID id, std::initializer_list<VARIANT> args) {
    return o.TypedCall(id, args.begin(), UINT(args.size()), nullptr);
}
template <class R>
HRESULT Call(DispatchBase& o, DISPID id, std::initializer_list<VARIANT> args, R* ret) {
    if (!ret) return E_POINTER;
    *ret = R{};
    VARIANT r;
    VariantInit(&r);
    HRESULT hr = o.TypedCall(id, args.begin(), UINT(args.size()), &r);
    if (Failed(hr)) {
        VariantClear(&r);
        return hr;
    }
    return Out(r, ret);
}
}  // namespace typed

// Names of the methods and parameters and their identifiers from a description.
HRESULT NamesToIds(const ClassDesc& d, OLECHAR** names, UINT count, DISPID* ids);

// The description an object of this layer was made from (its IDispatch, as
// activation hands it out), for tools in the same process; null for any other
// object.
const ClassDesc* DescriptionOf(IDispatch* object);

// The C++ object behind an object of class `clsid` made by this layer, for a
// program that links the component's library itself and was handed the object
// by activation; null for any other object. It lives as long as the object.
void* NativeObject(IDispatch* object, REFCLSID clsid);

template <class T>
using Thunk = void (*)(T&, Args&);
template <class T>
struct NamedThunk {
    const char* name;
    Thunk<T> fn;
};

// The dispatch table in interface order. Every method of the description
// must have its thunk, in the same order; anything else is a build fault
// reported by throwing.
void CheckTableOrder(const ClassDesc& d, const std::vector<const char*>& names);
template <class T>
std::vector<Thunk<T>> MakeTable(const ClassDesc& d, const std::vector<NamedThunk<T>>& thunks) {
    std::vector<const char*> names;
    std::vector<Thunk<T>> table;
    for (const auto& t : thunks) names.push_back(t.name), table.push_back(t.fn);
    CheckTableOrder(d, names);
    return table;
}

template <class T>
class DispatchObject final : public DispatchBase {
public:
    DispatchObject(const ClassDesc& d, const std::vector<Thunk<T>>& table, ModuleCounts& module,
                   std::string (*describe)(int32_t))
        : DispatchBase(d, module), table_(table), describe_(describe), object_(std::make_unique<T>()) {}
    T& object() { return *object_; }
    void* Native() override { return object_.get(); }

protected:
    void Call(size_t index, Args& a) override { table_[index](*object_, a); }
    std::string Describe(int32_t number) override { return describe_(number); }

private:
    const std::vector<Thunk<T>>& table_;
    std::string (*describe_)(int32_t);
    std::unique_ptr<T> object_;
};

// What one library's entry points share: its class, its counts and how to
// make its object.
class Server {
public:
    using Create = DispatchBase* (*)(ModuleCounts&);
    Server(const ClassDesc& d, Create create) : desc_(d), create_(create) {}

    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
    HRESULT CanUnloadNow() const;
    // `anyFunctionInLibrary` locates the library file being registered.
    HRESULT Register(const void* anyFunctionInLibrary) const;
    HRESULT Unregister() const;
    const ClassDesc& desc() const { return desc_; }
    ModuleCounts& counts() { return counts_; }
    Create create() const { return create_; }

private:
    const ClassDesc& desc_;
    Create create_;
    ModuleCounts counts_;
};

}  // namespace vexo::com

#ifndef _WIN32
namespace vexo::com {
// Each library notes its own entry points when it loads (keyed by its file),
// so activation calls that library's own even in a program linking several
// component libraries, where the shared names resolve to the first loaded.
bool NoteEntryPoints(const void* inLibrary, void* getClassObject, void* canUnloadNow, void* registerServer,
                     void* unregisterServer);
// The noted entry point `name` of the library at `realPath`, or null.
void* NotedEntryPoint(const std::string& realPath, const char* name);
}  // namespace vexo::com
#endif

// The four exported entry points of a component library, with C linkage and
// the system's calling convention. The internal copies give addresses inside
// this library. On Windows each library is its own DLL, exporting exactly
// these four by name (com/Exports.def); activation finds them by its file.
#ifdef _WIN32
#define VEXO_COM_EXPORT extern "C"
#define VEXO_COM_NOTE_ENTRY_POINTS
#else
#define VEXO_COM_EXPORT extern "C" __attribute__((visibility("default")))
#define VEXO_COM_NOTE_ENTRY_POINTS                                                                      \
    [[maybe_unused]] const bool kVexoComNoted = vexo::com::NoteEntryPoints(                             \
        reinterpret_cast<const void*>(&VexoComCanUnloadNow),                                            \
        reinterpret_cast<void*>(&VexoComGetClassObject), reinterpret_cast<void*>(&VexoComCanUnloadNow), \
        reinterpret_cast<void*>(&VexoComRegister), reinterpret_cast<void*>(&VexoComUnregister));
#endif
#define VEXO_COM_ENTRY_POINTS(server)                                                                     \
    namespace {                                                                                           \
    vexo::com::HRESULT VexoComGetClassObject(const vexo::com::CLSID& rclsid, const vexo::com::IID& riid,  \
                                             void** ppv) {                                                \
        return (server).GetClassObject(rclsid, riid, ppv);                                                \
    }                                                                                                     \
    vexo::com::HRESULT VexoComCanUnloadNow() { return (server).CanUnloadNow(); }                          \
    vexo::com::HRESULT VexoComRegister() {                                                                \
        return (server).Register(reinterpret_cast<const void*>(&VexoComCanUnloadNow));                    \
    }                                                                                                     \
    vexo::com::HRESULT VexoComUnregister() { return (server).Unregister(); }                              \
    VEXO_COM_NOTE_ENTRY_POINTS                                                                            \
    }                                                                                                     \
    VEXO_COM_EXPORT vexo::com::HRESULT STDAPICALLTYPE DllGetClassObject(                                  \
        const vexo::com::CLSID& rclsid, const vexo::com::IID& riid, void** ppv) {                         \
        return VexoComGetClassObject(rclsid, riid, ppv);                                                  \
    }                                                                                                     \
    VEXO_COM_EXPORT vexo::com::HRESULT STDAPICALLTYPE DllCanUnloadNow() { return VexoComCanUnloadNow(); } \
    VEXO_COM_EXPORT vexo::com::HRESULT STDAPICALLTYPE DllRegisterServer() { return VexoComRegister(); }   \
    VEXO_COM_EXPORT vexo::com::HRESULT STDAPICALLTYPE DllUnregisterServer() { return VexoComUnregister(); }
