// Loading registered libraries and asking them for their class factories.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "com/Activation.h"
#include "com/Automation.h"
#include "com/Registry.h"

namespace vexo::com {

namespace {

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using NoArgFn = HRESULT (*)();

std::mutex modulesLock;
// Libraries loaded by path; they stay loaded for the process, as their
// objects' code may still be in use by anyone holding one.
std::map<std::string, void*>& Modules() {
    static auto* m = new std::map<std::string, void*>;
    return *m;
}

HRESULT Fail(HRESULT hr, const std::string& text) {
    registry::SetLastError(text);
    return hr;
}

HRESULT Load(const std::string& path, void** handle) {
    std::lock_guard<std::mutex> g(modulesLock);
    auto& mods = Modules();
    if (auto it = mods.find(path); it != mods.end()) return *handle = it->second, S_OK;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return Fail(CO_E_DLLNOTFOUND, "the registered library " + path + " is not there (moved or removed after "
                                      "registration; register it again from its new place)");
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return Fail(CO_E_DLLNOTFOUND, std::string("cannot load ") + path + ": " + dlerror());
    mods[path] = h;
    *handle = h;
    return S_OK;
}

struct Noted {
    void* fns[4];
};
std::mutex notedLock;
std::map<std::string, Noted>& NotedMap() {
    static auto* m = new std::map<std::string, Noted>;  // outlives every library's unload
    return *m;
}
constexpr const char* kEntryNames[4] = {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                                        "DllUnregisterServer"};

template <class Fn>
HRESULT Symbol(void* h, const char* name, const std::string& path, Fn* out) {
    void* s = NotedEntryPoint(path, name);
    if (!s) s = dlsym(h, name);
    if (!s) return Fail(CO_E_ERRORINDLL, path + " exports no " + name);
    *out = reinterpret_cast<Fn>(s);
    return S_OK;
}

HRESULT Resolve(const std::string& libraryPath, std::string* full) {
    char buf[PATH_MAX];
    if (!realpath(libraryPath.c_str(), buf)) return Fail(CO_E_DLLNOTFOUND, "no library at " + libraryPath);
    *full = buf;
    return S_OK;
}

HRESULT CallNoArg(const std::string& libraryPath, const char* name) {
    std::string full;
    void* h = nullptr;
    NoArgFn fn = nullptr;
    registry::SetLastError("");
    if (HRESULT hr = Resolve(libraryPath, &full); Failed(hr)) return hr;
    if (HRESULT hr = Load(full, &h); Failed(hr)) return hr;
    if (HRESULT hr = Symbol(h, name, full, &fn); Failed(hr)) return hr;
    return fn();
}

}  // namespace

bool NoteEntryPoints(const void* inLibrary, void* getClassObject, void* canUnloadNow, void* registerServer,
                     void* unregisterServer) {
    Dl_info info{};
    char full[PATH_MAX];
    if (!dladdr(inLibrary, &info) || !info.dli_fname || !realpath(info.dli_fname, full)) return false;
    std::lock_guard<std::mutex> g(notedLock);
    NotedMap()[full] = Noted{{getClassObject, canUnloadNow, registerServer, unregisterServer}};
    return true;
}

void* NotedEntryPoint(const std::string& realPath, const char* name) {
    std::lock_guard<std::mutex> g(notedLock);
    auto it = NotedMap().find(realPath);
    if (it == NotedMap().end()) return nullptr;
    for (int i = 0; i < 4; ++i)
        if (std::string(kEntryNames[i]) == name) return it->second.fns[i];
    return nullptr;
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid) {
    if (!clsid) return E_POINTER;
    return registry::ClsidFromProgId(progId, *clsid);
}

HRESULT CoGetClassObject(REFCLSID clsid, uint32_t context, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(context & CLSCTX_INPROC_SERVER)) return Fail(REGDB_E_CLASSNOTREG, "only in-process servers exist here");
    registry::ClassRecord r;
    if (HRESULT hr = registry::Read(clsid, r); Failed(hr)) return hr;
    void* h = nullptr;
    GetClassObjectFn fn = nullptr;
    if (HRESULT hr = Load(r.path, &h); Failed(hr)) return hr;
    if (HRESULT hr = Symbol(h, "DllGetClassObject", r.path, &fn); Failed(hr)) return hr;
    HRESULT hr = fn(clsid, riid, ppv);
    if (Failed(hr)) registry::SetLastError(r.path + " does not serve class " + GuidToString(clsid));
    return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* f = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, IID_IClassFactory, reinterpret_cast<void**>(&f));
    if (Failed(hr)) return hr;
    hr = f->CreateInstance(outer, riid, ppv);
    f->Release();
    return hr;
}

HRESULT CreateObject(const std::string& name, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CLSID clsid;
    if (!name.empty() && name.front() == '{') {
        if (!GuidFromString(name, clsid)) return Fail(CO_E_CLASSSTRING, "malformed class identifier " + name);
    } else if (HRESULT hr = CLSIDFromProgID(name, &clsid); Failed(hr)) {
        return hr;
    }
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(out));
}

HRESULT CanUnloadNow(REFCLSID clsid) {
    registry::ClassRecord r;
    if (HRESULT hr = registry::Read(clsid, r); Failed(hr)) return hr;
    void* h = nullptr;
    {
        std::lock_guard<std::mutex> g(modulesLock);
        auto it = Modules().find(r.path);
        if (it == Modules().end()) return S_FALSE;
        h = it->second;
    }
    NoArgFn fn = nullptr;
    if (HRESULT hr = Symbol(h, "DllCanUnloadNow", r.path, &fn); Failed(hr)) return hr;
    return fn();
}

HRESULT RegisterServer(const std::string& libraryPath) { return CallNoArg(libraryPath, "DllRegisterServer"); }
HRESULT UnregisterServer(const std::string& libraryPath) { return CallNoArg(libraryPath, "DllUnregisterServer"); }

std::string StatusText(HRESULT hr) {
    switch (hr) {
        case S_OK: return "done";
        case SELFREG_E_CLASS: return "the class could not be registered or unregistered";
        case REGDB_E_CLASSNOTREG: return "class not registered";
        case REGDB_E_INVALIDVALUE: return "corrupt registry record";
        case REGDB_E_WRITEREGDB: return "cannot write the registry";
        case CO_E_CLASSSTRING: return "invalid or unregistered program identifier";
        case CO_E_DLLNOTFOUND: return "the library cannot be found or loaded";
        case CO_E_ERRORINDLL: return "the library is not a component";
        case CLASS_E_CLASSNOTAVAILABLE: return "the library does not serve this class";
        case CLASS_E_NOAGGREGATION: return "the class cannot be aggregated";
        case E_NOINTERFACE: return "no such interface";
        default: return "failed";
    }
}

}  // namespace vexo::com
