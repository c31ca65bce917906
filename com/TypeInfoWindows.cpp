// Type information on Windows: the interface's entry in the type library the
// object's own DLL carries as resource 1. It is loaded from the DLL's path,
// not through the registry, because the sound and music libraries share one
// library identifier and version: a registered path names only one of them.
#include "com/Automation.h"

#include <string>

namespace vexo::com {

namespace {

// Any address in this code: each DLL links its own copy of the layer.
void InThisModule() {}

}  // namespace

HRESULT ModulePath(const void* inModule, std::wstring& path) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(inModule), &module))
        return HRESULT_FROM_WIN32(GetLastError());
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, buf.data(), DWORD(buf.size()));
        if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
        if (n < buf.size()) {
            buf.resize(n);
            path = buf;
            return S_OK;
        }
        buf.resize(buf.size() * 2);  // truncated: a longer path
    }
}

HRESULT LoadModuleTypeLib(const void* inModule, ITypeLib** out) {
    *out = nullptr;
    std::wstring path;
    HRESULT hr = ModulePath(inModule, path);
    if (FAILED(hr)) return hr;
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, out);
}

HRESULT STDMETHODCALLTYPE DispatchBase::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchBase::GetTypeInfo(UINT index, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadModuleTypeLib(reinterpret_cast<const void*>(&InThisModule), &lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(desc().iid, ppTInfo);
    lib->Release();
    return hr;
}

}  // namespace vexo::com
