// What a component library's entry points do: hand out its class factory,
// answer whether it can be unloaded, and register or unregister its class.
#ifndef _WIN32
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#endif

#include <new>
#include <stdexcept>

#include "com/Automation.h"
#ifndef _WIN32
#include "com/Registry.h"
#endif
#include "common/Error.h"

namespace vexo::com {

namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(Server& s) : server_(s) { ++server_.counts().objects; }
    ~ClassFactory() { --server_.counts().objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
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

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        DispatchBase* obj = nullptr;
        try {
            obj = server_.create()(server_.counts());
        } catch (const VbError& e) {
            return HresultFromErrorNumber(e.number());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
#ifndef _WIN32
            registry::SetLastError(e.what());
#endif
            return E_FAIL;
        }
        obj->AddRef();
        HRESULT hr = obj->QueryInterface(riid, ppv);
        obj->Release();  // the object goes when QueryInterface refused
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(int32_t lock) override {
        if (lock) ++server_.counts().locks;
        else if (server_.counts().locks > 0) --server_.counts().locks;
        return S_OK;
    }

private:
    Server& server_;
    std::atomic<ULONG> refs_{0};
};

}  // namespace

HRESULT Server::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(rclsid == desc_.clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* f = new (std::nothrow) ClassFactory(*this);
    if (!f) return E_OUTOFMEMORY;
    f->AddRef();
    HRESULT hr = f->QueryInterface(riid, ppv);
    f->Release();
    return hr;
}

HRESULT Server::CanUnloadNow() const { return counts_.objects == 0 && counts_.locks == 0 ? S_OK : S_FALSE; }

// On Windows: com/RegistryWindows.cpp.
#ifndef _WIN32
HRESULT Server::Register(const void* anyFunctionInLibrary) const {
    Dl_info info{};
    if (!dladdr(anyFunctionInLibrary, &info) || !info.dli_fname) {
        registry::SetLastError("cannot tell which file holds " + std::string(desc_.library));
        return SELFREG_E_CLASS;
    }
    char full[PATH_MAX];
    if (!realpath(info.dli_fname, full)) {
        registry::SetLastError(std::string("cannot resolve the path ") + info.dli_fname);
        return SELFREG_E_CLASS;
    }
    registry::ClassRecord r;
    r.className = desc_.className;
    r.library = desc_.library;
    r.progId = desc_.ProgId();
    r.clsid = desc_.clsid;
    r.path = full;
    r.libid = desc_.libid;
    r.major = desc_.major;
    r.minor = desc_.minor;
    return registry::Register(r);
}

HRESULT Server::Unregister() const { return registry::Unregister(desc_.clsid); }
#endif

}  // namespace vexo::com
