// A client of both halves of the dual interfaces, test-only, run under Wine
// by scripts/windows-test.sh:  dual_client <directory of the component DLLs>
//
// Each DLL is loaded by its path and its class made through its own
// DllGetClassObject. The object's GetTypeInfo must be the interface's entry
// in that DLL's own type library (the sound and music libraries share an
// identifier and version, so the registry could hand out the other one).
// Then every call runs twice: early-bound, through the vtable at the offset
// the type library's FUNCDESC gives (DispCallFunc, arguments as the
// FUNCDESC's types say), and late-bound through GetIDsOfNames and Invoke,
// with by-reference arguments as references to the caller's variables. Both
// must give the same status, result, written-back arguments and error text
// (the early one through ISupportErrorInfo and GetErrorInfo).
#include "tests/windows/ProgramChecks.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

void Check(bool ok, const std::string& what) { vexo::testing::Expect(ok, what); }

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string Narrow(const wchar_t* s) {
    std::string out;
    char u[8];
    for (; s && *s; ++s) {
        std::snprintf(u, sizeof u, "\\u%04x", unsigned(*s));
        out += *s < 128 ? std::string(1, char(*s)) : std::string(u);
    }
    return out;
}

char hex[16];
std::string Hex(HRESULT hr) {
    std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(hr));
    return hex;
}

// A value as text, for comparing and printing: objects by presence only.
std::string Show(const VARIANT& v) {
    if (v.vt == VT_EMPTY) return "empty";
    if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) return v.punkVal ? "object" : "Nothing";
    VARIANT t;
    VariantInit(&t);
    std::string out = "vt " + std::to_string(v.vt);
    if (SUCCEEDED(VariantChangeType(&t, const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR)))
        out = Narrow(t.bstrVal) + " (vt " + std::to_string(v.vt) + ")";
    VariantClear(&t);
    return out;
}

// What one call gave.
struct Outcome {
    HRESULT hr = S_OK;   // the status; for Invoke, the exception's when it raised
    std::string result;  // the [retval] value
    std::vector<std::string> written;  // the arguments afterwards
    std::string error;   // the error's description, empty when none
    bool operator==(const Outcome&) const = default;
};

std::string Describe(const Outcome& o) {
    std::string s = Hex(o.hr) + " result " + o.result + " args";
    for (const auto& w : o.written) s += " [" + w + "]";
    if (!o.error.empty()) s += " error '" + o.error + "'";
    return s;
}

class Client {
public:
    // `info` is the dispatch view GetTypeInfo gives; the calls read the
    // vtable view of the same dual interface (the [retval] a parameter, the
    // entries' offsets).
    Client(IDispatch* object, ITypeInfo* info, const IID& iid) : object_(object), iid_(iid) {
        HREFTYPE ref = 0;
        if (SUCCEEDED(info->GetRefTypeOfImplType(UINT(-1), &ref))) info->GetRefTypeInfo(ref, &info_);
        TYPEATTR* a = nullptr;
        if (info_) info_->GetTypeAttr(&a);
        Check(a && a->typekind == TKIND_INTERFACE && a->guid == iid,
              "the dual interface's vtable view, " + std::to_string(a ? a->cFuncs : 0) + " entries");
        if (a) info_->ReleaseTypeAttr(a);
    }
    ~Client() {
        if (info_) info_->Release();
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // `args` in interface order, the [retval] left out; each argument is the
    // caller's variable (written back when the method says so).
    Outcome Early(const std::string& method, std::vector<VARIANT> args) {
        Outcome o;
        FUNCDESC* f = info_ ? Find(method) : nullptr;
        if (!f) return o.hr = DISP_E_UNKNOWNNAME, o;
        IUnknown* typed = nullptr;
        object_->QueryInterface(iid_, reinterpret_cast<void**>(&typed));
        // Storage of the pointees, one per parameter (the retval's included).
        std::vector<VARIANT> store(f->cParams), pass(f->cParams);
        std::vector<VARIANTARG*> pointers(f->cParams);
        std::vector<VARTYPE> types(f->cParams);
        for (SHORT i = 0; i < f->cParams; ++i) {
            const TYPEDESC& t = f->lprgelemdescParam[i].tdesc;
            const bool isPtr = t.vt == VT_PTR;
            const VARTYPE vt = Declared(t);
            const bool retval = f->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL;
            VariantInit(&store[i]);
            VariantInit(&pass[i]);
            if (size_t(i) < args.size()) VariantChangeType(&store[i], &args[i], 0, vt);
            else if (vt != VT_VARIANT) store[i].vt = vt;  // the [retval], or an argument left out
            if (isPtr) {
                // The pointer to the variable of the pointee's type; none for
                // an optional argument left out.
                pass[i].vt = VT_BYREF | vt;
                pass[i].byref = vt == VT_VARIANT ? static_cast<void*>(&store[i]) : static_cast<void*>(&store[i].lVal);
                if (size_t(i) >= args.size() && !retval) pass[i].byref = nullptr;
                types[i] = VT_BYREF | vt;
            } else {
                pass[i] = store[i];
                types[i] = vt;
            }
            pointers[i] = &pass[i];
        }
        VARIANT ret;
        VariantInit(&ret);
        SetErrorInfo(0, nullptr);
        HRESULT hr = DispCallFunc(typed, f->oVft, CC_STDCALL, VT_ERROR, UINT(f->cParams), types.data(),
                                  pointers.data(), &ret);
        o.hr = FAILED(hr) ? hr : ret.scode;
        if (FAILED(o.hr)) {
            ISupportErrorInfo* support = nullptr;
            IErrorInfo* e = nullptr;
            if (SUCCEEDED(object_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
                support->InterfaceSupportsErrorInfo(iid_) == S_OK && GetErrorInfo(0, &e) == S_OK && e) {
                BSTR d = nullptr;
                e->GetDescription(&d);
                o.error = Narrow(d);
                SysFreeString(d);
                e->Release();
            }
            if (support) support->Release();
        }
        const bool hasRetval = f->cParams > 0 && (f->lprgelemdescParam[f->cParams - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        const SHORT inputs = SHORT(f->cParams - (hasRetval ? 1 : 0));
        if (hasRetval && SUCCEEDED(o.hr)) o.result = Show(store[inputs]);
        for (SHORT i = 0; i < inputs && size_t(i) < args.size(); ++i) o.written.push_back(Show(store[i]));
        for (auto& v : store) VariantClear(&v);
        info_->ReleaseFuncDesc(f);
        if (typed) typed->Release();
        return o;
    }

    Outcome Late(const std::string& method, std::vector<VARIANT> args) {
        Outcome o;
        std::wstring name = Wide(method);
        LPOLESTR n = name.data();
        DISPID id = 0;
        if (FAILED(o.hr = object_->GetIDsOfNames(IID_NULL, &n, 1, 0, &id))) return o;
        FUNCDESC* f = info_ ? Find(method) : nullptr;
        if (!f) return o.hr = DISP_E_UNKNOWNNAME, o;
        // The variables, in their declared types, passed by reference where the
        // parameter is a pointer, by value otherwise, in reverse order.
        std::vector<VARIANT> vars(args.size()), rg(args.size());
        for (size_t i = 0; i < args.size(); ++i) {
            const TYPEDESC& t = f->lprgelemdescParam[i].tdesc;
            const VARTYPE vt = Declared(t);
            VariantInit(&vars[i]);
            VariantChangeType(&vars[i], &args[i], 0, vt);
            VARIANT& a = rg[args.size() - 1 - i];
            VariantInit(&a);
            if (t.vt == VT_PTR) {
                a.vt = VT_BYREF | vt;
                a.byref = vt == VT_VARIANT ? static_cast<void*>(&vars[i]) : static_cast<void*>(&vars[i].lVal);
            } else {
                a = vars[i];
            }
        }
        DISPPARAMS dp{rg.data(), nullptr, UINT(rg.size()), 0};
        VARIANT r;
        VariantInit(&r);
        EXCEPINFO e{};
        UINT argErr = 0;
        o.hr = object_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, &r, &e, &argErr);
        if (o.hr == DISP_E_EXCEPTION) {
            o.hr = e.scode;
            o.error = Narrow(e.bstrDescription);
            SysFreeString(e.bstrSource);
            SysFreeString(e.bstrDescription);
            SysFreeString(e.bstrHelpFile);
        }
        const bool hasRetval = f->cParams > 0 && (f->lprgelemdescParam[f->cParams - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        if (hasRetval && SUCCEEDED(o.hr)) {
            // The retval's declared type, as the early call reads it.
            const VARTYPE vt = Declared(f->lprgelemdescParam[f->cParams - 1].tdesc);
            VARIANT c;
            VariantInit(&c);
            if (vt == VT_VARIANT || r.vt == vt) VariantCopy(&c, &r);
            else if (vt == VT_DISPATCH && r.vt == VT_EMPTY) c.vt = VT_DISPATCH, c.pdispVal = nullptr;
            else VariantChangeType(&c, &r, 0, vt);
            o.result = Show(c);
            VariantClear(&c);
        }
        VariantClear(&r);
        for (size_t i = 0; i < args.size(); ++i) o.written.push_back(Show(vars[i]));
        for (auto& v : vars) VariantClear(&v);
        info_->ReleaseFuncDesc(f);
        return o;
    }

    // Both ways; true when they agree. `expect` checks the early outcome.
    // `after` runs after each of the two calls (to close what one opened).
    template <class Expect>
    void Same(const std::string& label, const std::string& method, const std::vector<VARIANT>& args,
              Expect expect, const std::function<void()>& after = {}) {
        const Outcome early = Early(method, Copy(args));
        if (after) after();
        const Outcome late = Late(method, Copy(args));
        if (after) after();
        Check(early == late, label + ": early " + Describe(early) + (early == late ? "" : ", late " + Describe(late)));
        std::string why;
        Check(expect(early, why), label + ": " + (why.empty() ? "as the method says" : why));
    }

private:
    // The type of the variable a parameter names (the pointee of a pointer);
    // an enumeration is its 32-bit value.
    static VARTYPE Declared(const TYPEDESC& t) {
        const VARTYPE vt = t.vt == VT_PTR ? t.lptdesc->vt : t.vt;
        return vt == VT_USERDEFINED ? VARTYPE(VT_I4) : vt;
    }
    static std::vector<VARIANT> Copy(const std::vector<VARIANT>& a) {
        std::vector<VARIANT> out(a.size());
        for (size_t i = 0; i < a.size(); ++i) VariantInit(&out[i]), VariantCopy(&out[i], const_cast<VARIANT*>(&a[i]));
        return out;
    }
    FUNCDESC* Find(const std::string& method) {
        TYPEATTR* a = nullptr;
        info_->GetTypeAttr(&a);
        const UINT n = a->cFuncs;
        info_->ReleaseTypeAttr(a);
        for (UINT i = 0; i < n; ++i) {
            FUNCDESC* f = nullptr;
            if (FAILED(info_->GetFuncDesc(i, &f))) continue;
            BSTR name = nullptr;
            UINT got = 0;
            info_->GetNames(f->memid, &name, 1, &got);
            const bool match = got == 1 && Narrow(name) == method;
            SysFreeString(name);
            if (match) return f;
            info_->ReleaseFuncDesc(f);
        }
        return nullptr;
    }

    IDispatch* object_;
    ITypeInfo* info_ = nullptr;
    IID iid_;
};

VARIANT L(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4, x.lVal = v;
    return x;
}
VARIANT B(bool v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BOOL, x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
}
VARIANT S(const wchar_t* s) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR, x.bstrVal = SysAllocString(s);
    return x;
}
VARIANT Nothing() {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_DISPATCH, x.pdispVal = nullptr;
    return x;
}

// The object of the DLL `file` in `dir`, made by its own class factory, and
// the type information it gives; checks that information.
IDispatch* Make(const std::string& dir, const std::string& file, const std::string& iface, unsigned major,
                ITypeInfo** info, IID* iid) {
    const std::string tag = file + ": ";
    HMODULE m = LoadLibraryW(Wide(dir + "\\" + file).c_str());
    Check(m != nullptr, tag + "loads");
    if (!m) return nullptr;
    auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(m, "DllGetClassObject")));
    // The class identifier from the DLL's own type library.
    ITypeLib* lib = nullptr;
    LoadTypeLibEx(Wide(dir + "\\" + file).c_str(), REGKIND_NONE, &lib);
    CLSID clsid{};
    for (UINT i = 0, n = lib ? lib->GetTypeInfoCount() : 0; i < n; ++i) {
        TYPEKIND k;
        ITypeInfo* t = nullptr;
        if (SUCCEEDED(lib->GetTypeInfoType(i, &k)) && k == TKIND_COCLASS && SUCCEEDED(lib->GetTypeInfo(i, &t))) {
            TYPEATTR* a = nullptr;
            t->GetTypeAttr(&a);
            clsid = a->guid;
            t->ReleaseTypeAttr(a);
            t->Release();
        }
    }
    if (lib) lib->Release();
    IClassFactory* factory = nullptr;
    IDispatch* d = nullptr;
    HRESULT hr = getClass ? getClass(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) : E_FAIL;
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d)), factory->Release();
    Check(SUCCEEDED(hr) && d, tag + "the object is made (" + Hex(hr) + ")");
    if (!d) return nullptr;

    UINT count = 0;
    d->GetTypeInfoCount(&count);
    *info = nullptr;
    hr = d->GetTypeInfo(0, 0, info);
    Check(count == 1 && SUCCEEDED(hr) && *info, tag + "GetTypeInfo on the live object (" + Hex(hr) + ")");
    if (!*info) return d;
    BSTR name = nullptr;
    (*info)->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    TYPEATTR* a = nullptr;
    (*info)->GetTypeAttr(&a);
    *iid = a->guid;
    Check(Narrow(name) == iface && a->typekind == TKIND_DISPATCH && (a->wTypeFlags & TYPEFLAG_FDUAL),
          tag + "it describes the dual interface " + Narrow(name));
    (*info)->ReleaseTypeAttr(a);
    SysFreeString(name);
    ITypeLib* from = nullptr;
    UINT index = 0;
    if (SUCCEEDED((*info)->GetContainingTypeLib(&from, &index))) {
        TLIBATTR* la = nullptr;
        from->GetLibAttr(&la);
        Check(la->wMajorVerNum == major, tag + "from the library version " + std::to_string(la->wMajorVerNum) + ".0");
        from->ReleaseTLibAttr(la);
        from->Release();
    }
    // The typed interface is the object's own, and it gives the same information.
    IDispatch* typed = nullptr;
    Check(SUCCEEDED(d->QueryInterface(*iid, reinterpret_cast<void**>(&typed))) && typed,
          tag + "answers its interface identifier");
    if (typed) {
        ITypeInfo* again = nullptr;
        typed->GetTypeInfo(0, 0, &again);
        Check(again != nullptr, tag + "GetTypeInfo through the typed half");
        if (again) again->Release();
        typed->Release();
    }
    return d;
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dual_client <directory of the component DLLs>\n");
        return 2;
    }
    CoInitialize(nullptr);
    const std::string dir = argv[1];

    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = L"VexoDualClient";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"dual client", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240,
                             nullptr, nullptr, nullptr, nullptr);
    const LONG hwnd = LONG(reinterpret_cast<intptr_t>(w));

    // The sound and music libraries share an identifier and version: each
    // object must still describe its own interface.
    ITypeInfo* info = nullptr;
    IID iid{};
    for (auto [file, iface] : {std::pair{"VexoDX7Sound.dll", "_DX7Sound"}, std::pair{"VexoDX7Music.dll", "_DXMusic"}}) {
        if (IDispatch* o = Make(dir, file, iface, 17, &info, &iid)) {
            if (info) {
                Client c(o, info, iid);
                if (std::string(file) == "VexoDX7Sound.dll") {
                    // A raised error through both halves.
                    c.Same("DsFree(-1)", "DsFree", {L(-1)}, [](const Outcome& o, std::string& why) {
                        why = "raises 9, Subscript out of range";
                        return o.hr == HRESULT(0x800A0009) && o.error == "Subscript out of range";
                    });
                    // Corrected values written back into the caller's variables.
                    c.Same("DsSetup written back", "DsSetup", {L(hwnd), L(48000), L(24), L(0)},
                           [](const Outcome& o, std::string& why) {
                               why = "48000 Hz, 24 bits, 0 channels read 22050, 8, 2 afterwards";
                               return o.written.size() == 4 && o.written[1] == "22050 (vt 3)" &&
                                      o.written[2] == "8 (vt 3)" && o.written[3] == "2 (vt 3)";
                           });
                } else {
                    c.Same("DMSetVolume(5), never loaded", "DMSetVolume", {L(5)},
                           [](const Outcome& o, std::string& why) {
                               why = "returns 91";
                               return o.hr == S_OK && o.result == "91 (vt 3)";
                           });
                    c.Same("DMSetTempo(100) out of range", "DMSetTempo", {L(100), L(1)},
                           [](const Outcome& o, std::string& why) {
                               why = "returns 9";
                               return o.hr == S_OK && o.result == "9 (vt 3)";
                           });
                }
                info->Release();
            }
            o->Release();
        }
    }

    IDispatch* d = Make(dir, "VexoDX7Draw.dll", "_DX7Draw", 19, &info, &iid);
    if (d && info) {
        Client c(d, info, iid);
        // Opened and closed each way, so both see the same state.
        c.Same(
            "DDSetup", "DDSetup", {L(hwnd), L(640), L(480), L(0)},
            [&](const Outcome& o, std::string& why) {
                why = "a back buffer";
                return o.hr == S_OK && o.result == "object";
            },
            [&] { c.Early("DDClose", {}); });
        c.Same("DDGetSurfaceWidth(Nothing)", "DDGetSurfaceWidth", {Nothing()},
               [](const Outcome& o, std::string&) { return o.hr == S_OK && o.result == "0 (vt 3)"; });
        c.Same("DDCreateSurfaceFromBitmap(0)", "DDCreateSurfaceFromBitmap", {L(0)},
               [](const Outcome& o, std::string& why) {
                   why = "raises 91 with its text";
                   return o.hr == HRESULT(0x800A005B) && !o.error.empty();
               });
        c.Same("FeedDarkOutEx(0, 300, False)", "FeedDarkOutEx", {L(0), L(300), B(false)},
               [](const Outcome& o, std::string& why) {
                   why = "FeedOutValue written back as 255";
                   return o.written.size() == 3 && o.written[1] == "255 (vt 3)";
               });
        c.Same("DDTextOut on the window's DC", "DDTextOut",
               {L(LONG(reinterpret_cast<intptr_t>(GetDC(w)))), S(L"Vexo \x2605"), L(4), L(4)},
               [](const Outcome& o, std::string& why) {
                   // The prefix's code page (1252) has no star.
                   why = "the text comes back through the ANSI code page, the star replaced";
                   return o.hr == S_OK && o.written.size() == 4 && o.written[1] == "Vexo ? (vt 8)";
               });
        c.Same("FPSCheck", "FPSCheck", {}, [](const Outcome& o, std::string&) {
            return o.hr == S_OK && o.result == "0 (vt 4)";
        });
        c.Same("DDBltFast(Nothing, Nothing, ...)", "DDBltFast",
               {Nothing(), Nothing(), L(0), L(0), L(0), L(0), L(0), L(0), B(true)},
               [](const Outcome& o, std::string& why) {
                   why = "an empty variant";
                   return o.hr == S_OK && o.result == "empty";
               });
        info->Release();
    }
    if (d) d->Release();
    DestroyWindow(w);
    CoUninitialize();
    std::printf("%d failure(s)\n", vexo::testing::Failures());
    return vexo::testing::Failures() ? 1 : 0;
}
