// VexoTest.ScriptHelper: an in-process object that gives a test script what
// a script cannot have by itself. Test-only, registered only in the test's
// Wine prefix (scripts/windows-test.sh adds its keys), never installed.
//
//   hWnd                          a visible top-level window made on the caller's
//                                 thread (once; later calls return the same one)
//   ClientWidth, ClientHeight     the size of its client area
//   SurfaceDC(surface)            a device context on a surface the graphics
//   ReleaseSurfaceDC(surface, dc) component handed out (scripts see surfaces as
//                                 opaque objects), and its release
//   Pixel(dc, x, y)               GetPixel, an RGB colour (-1 outside the clip)
//   CountColour(dc, l, t, r, b, rgb)  pixels of exactly that colour in the rectangle
//   PressKey(scanCode, down)      a key event through SendInput, as a user's
//   CanUnloadNow(dll)             the loaded DLL's own DllCanUnloadNow (0 S_OK,
//                                 1 S_FALSE), -1 when it is not loaded
//   FreeUnusedLibraries()         CoFreeUnusedLibraries
//   IsLoaded(dll)                 whether the process has that DLL loaded
//   Sleep(ms)                     lets other threads (input hooks) run
//   Create(progid)                CoCreateInstance by program identifier. Wine 8's
//                                 script engines keep the class factory of every
//                                 CreateObject, so a library they created from never
//                                 answers S_OK to DllCanUnloadNow; a run made through
//                                 Create can show that releasing everything does.
#include "com/Automation.h"
#include "common/DDraw.h"
#include "common/Error.h"

#include <windows.h>

#include <atomic>
#include <cwchar>
#include <new>
#include <string>

namespace {

using vexo::com::IVexoPlatformObject;

// {0E7C5B1A-6D2F-4C1E-9A3B-5F8D2C4E7A10}
const CLSID kClsid = {0x0e7c5b1a, 0x6d2f, 0x4c1e, {0x9a, 0x3b, 0x5f, 0x8d, 0x2c, 0x4e, 0x7a, 0x10}};

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};
HMODULE gModule = nullptr;

enum Id : DISPID {
    kHwnd = 1,
    kClientWidth,
    kClientHeight,
    kSurfaceDC,
    kReleaseSurfaceDC,
    kPixel,
    kCountColour,
    kPressKey,
    kCanUnloadNow,
    kFreeUnusedLibraries,
    kIsLoaded,
    kSleep,
    kCreate,
};
struct Member {
    const wchar_t* name;
    Id id;
    UINT args;
};
constexpr Member kMembers[] = {
    {L"hWnd", kHwnd, 0},
    {L"ClientWidth", kClientWidth, 0},
    {L"ClientHeight", kClientHeight, 0},
    {L"SurfaceDC", kSurfaceDC, 1},
    {L"ReleaseSurfaceDC", kReleaseSurfaceDC, 2},
    {L"Pixel", kPixel, 3},
    {L"CountColour", kCountColour, 6},
    {L"PressKey", kPressKey, 2},
    {L"CanUnloadNow", kCanUnloadNow, 1},
    {L"FreeUnusedLibraries", kFreeUnusedLibraries, 0},
    {L"IsLoaded", kIsLoaded, 1},
    {L"Sleep", kSleep, 1},
    {L"Create", kCreate, 1},
};

LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, msg, wp, lp); }

// The surface behind an object the graphics component handed out; empty
// for any other object. The layer and the component are built by the same
// compiler from the same declarations, so the platform object's interface
// is the same here.
vexo::Ref<vexo::DirectDrawSurface7> SurfaceOf(const VARIANT& v) {
    VARIANT d;
    VariantInit(&d);
    vexo::Ref<vexo::DirectDrawSurface7> out;
    if (SUCCEEDED(VariantChangeType(&d, const_cast<VARIANT*>(&v), 0, VT_UNKNOWN)) && d.punkVal) {
        IVexoPlatformObject* po = nullptr;
        if (SUCCEEDED(d.punkVal->QueryInterface(vexo::com::IID_IVexoPlatformObject, reinterpret_cast<void**>(&po))) &&
            po) {
            out = vexo::RefCast<vexo::DirectDrawSurface7>(po->Object());
            po->Release();
        }
    }
    VariantClear(&d);
    return out;
}

class Helper final : public IDispatch {
public:
    Helper() { ++gObjects; }
    ~Helper() {
        if (window_) DestroyWindow(window_);
        --gObjects;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** t) override {
        if (t) *t = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (const Member& m : kMembers)
            if (names[0] && _wcsicmp(names[0], m.name) == 0) ids[0] = m.id;
        return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*,
                                     UINT* argErr) override {
        const Member* member = nullptr;
        for (const Member& m : kMembers)
            if (m.id == id) member = &m;
        if (!member) return DISP_E_MEMBERNOTFOUND;
        const UINT given = dp ? dp->cArgs : 0;
        if (given != member->args || (dp && dp->cNamedArgs)) return DISP_E_BADPARAMCOUNT;
        // Arguments in call order; scripts pass variables by reference.
        VARIANT args[6];
        for (UINT i = 0; i < given; ++i) {
            VariantInit(&args[i]);
            if (FAILED(VariantCopyInd(&args[i], &dp->rgvarg[given - 1 - i]))) {
                for (UINT k = 0; k < i; ++k) VariantClear(&args[k]);
                if (argErr) *argErr = given - 1 - i;
                return DISP_E_TYPEMISMATCH;
            }
        }
        VARIANT r;
        VariantInit(&r);
        const HRESULT hr = Run(member->id, args, r);
        for (UINT i = 0; i < given; ++i) VariantClear(&args[i]);
        if (SUCCEEDED(hr) && result) {
            VariantClear(result);
            *result = r;
        } else {
            VariantClear(&r);
        }
        return hr;
    }

private:
    static bool Long(const VARIANT& v, LONG& out) {
        VARIANT t;
        VariantInit(&t);
        if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_I4))) return false;
        out = t.lVal;
        return true;
    }
    static std::wstring Text(const VARIANT& v) {
        VARIANT t;
        VariantInit(&t);
        std::wstring out;
        if (SUCCEEDED(VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_BSTR)) && t.bstrVal) out = t.bstrVal;
        VariantClear(&t);
        return out;
    }
    static void SetLong(VARIANT& r, LONG v) { r.vt = VT_I4, r.lVal = v; }

    HWND Window() {
        if (window_) return window_;
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = gModule;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = L"VexoScriptHelperWindow";
        RegisterClassW(&wc);  // fails harmlessly when a first object registered it
        window_ = CreateWindowExW(0, wc.lpszClassName, L"Vexo script test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  320, 240, nullptr, nullptr, gModule, nullptr);
        return window_;
    }

    HRESULT Run(Id id, const VARIANT* a, VARIANT& r) {
        LONG x = 0, y = 0, z = 0, w = 0, c = 0;
        switch (id) {
            case kHwnd:
                SetLong(r, LONG(reinterpret_cast<intptr_t>(Window())));
                return window_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
            case kClientWidth: case kClientHeight: {
                RECT rc{};
                GetClientRect(Window(), &rc);
                SetLong(r, id == kClientWidth ? rc.right : rc.bottom);
                return S_OK;
            }
            case kSurfaceDC: {
                auto s = SurfaceOf(a[0]);
                if (!s) return DISP_E_TYPEMISMATCH;
                try {
                    SetLong(r, s->GetDC());
                } catch (const vexo::VbError& e) {
                    return vexo::com::HresultFromErrorNumber(e.number());
                }
                return S_OK;
            }
            case kReleaseSurfaceDC: {
                auto s = SurfaceOf(a[0]);
                if (!s || !Long(a[1], x)) return DISP_E_TYPEMISMATCH;
                try {
                    s->ReleaseDC(x);
                } catch (const vexo::VbError& e) {
                    return vexo::com::HresultFromErrorNumber(e.number());
                }
                return S_OK;
            }
            case kPixel: {
                if (!Long(a[0], c) || !Long(a[1], x) || !Long(a[2], y)) return DISP_E_TYPEMISMATCH;
                const COLORREF p = GetPixel(reinterpret_cast<HDC>(intptr_t(c)), x, y);
                SetLong(r, p == CLR_INVALID ? -1 : LONG(p));
                return S_OK;
            }
            case kCountColour: {
                LONG rgb = 0;
                if (!Long(a[0], c) || !Long(a[1], x) || !Long(a[2], y) || !Long(a[3], z) || !Long(a[4], w) ||
                    !Long(a[5], rgb))
                    return DISP_E_TYPEMISMATCH;
                const HDC dc = reinterpret_cast<HDC>(intptr_t(c));
                LONG n = 0;
                for (LONG j = y; j < w; ++j)
                    for (LONG i = x; i < z; ++i) n += GetPixel(dc, i, j) == COLORREF(rgb);
                SetLong(r, n);
                return S_OK;
            }
            case kPressKey: {
                if (!Long(a[0], x) || !Long(a[1], y)) return DISP_E_TYPEMISMATCH;
                INPUT in{};
                in.type = INPUT_KEYBOARD;
                in.ki.wScan = WORD(x);
                in.ki.dwFlags = KEYEVENTF_SCANCODE | (y ? 0 : KEYEVENTF_KEYUP);
                return SendInput(1, &in, sizeof in) == 1 ? S_OK : HRESULT_FROM_WIN32(GetLastError());
            }
            case kCanUnloadNow: {
                const HMODULE m = GetModuleHandleW(Text(a[0]).c_str());
                auto fn = m ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                  reinterpret_cast<void*>(GetProcAddress(m, "DllCanUnloadNow")))
                            : nullptr;
                SetLong(r, fn ? fn() : -1);
                return S_OK;
            }
            case kFreeUnusedLibraries:
                CoFreeUnusedLibraries();
                return S_OK;
            case kIsLoaded:
                r.vt = VT_BOOL;
                r.boolVal = GetModuleHandleW(Text(a[0]).c_str()) ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            case kCreate: {
                CLSID clsid{};
                HRESULT hr = CLSIDFromProgID(Text(a[0]).c_str(), &clsid);
                if (FAILED(hr)) return hr;
                IDispatch* d = nullptr;
                hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
                if (FAILED(hr)) return hr;
                r.vt = VT_DISPATCH;
                r.pdispVal = d;
                return S_OK;
            }
            case kSleep:
                if (!Long(a[0], x)) return DISP_E_TYPEMISMATCH;
                Sleep(DWORD(x < 0 ? 0 : x));
                return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    std::atomic<ULONG> refs_{0};
    HWND window_ = nullptr;
};

class Factory final : public IClassFactory {
public:
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
    // One static factory: its references count as locks.
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++gLocks); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--gLocks); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* h = new (std::nothrow) Helper;
        if (!h) return E_OUTOFMEMORY;
        h->AddRef();
        const HRESULT hr = h->QueryInterface(riid, ppv);
        h->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++gLocks : --gLocks;
        return S_OK;
    }
};

Factory gFactory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) gModule = module;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return gObjects == 0 && gLocks == 0 ? S_OK : S_FALSE; }
