// A client of the component DLLs under Wine, test-only. For each argument
//   <dll>,<interface>,<methods>,<major>.<minor>,<first method>,<last method>[,<method>.<param>=<default>]
// it loads the type library the DLL carries (LoadTypeLibEx on its path, not
// registered) and checks the library's identifier and version, the dual
// default interface of the coclass with IUnknown's and IDispatch's 7 entries
// before the methods, the names at both ends, and a parameter's default
// (by-reference defaults draw a warning from widl, so they are checked). With "--registered" first,
// it also checks what registration made findable: the class by both
// program identifiers, and the same class identifier in the type library.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string Narrow(const wchar_t* s) {
    std::string out;
    for (; s && *s; ++s) out += char(*s);
    return out;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t comma; (comma = s.find(',', start)) != std::string::npos; start = comma + 1)
        out.push_back(s.substr(start, comma - start));
    out.push_back(s.substr(start));
    return out;
}

// The default value of `method`'s parameter `param` as a number, or "none".
std::string DefaultOf(ITypeInfo* t, UINT count, const std::string& method, const std::string& param) {
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(t->GetFuncDesc(i, &f))) continue;
        BSTR names[32] = {};
        UINT n = 0;
        t->GetNames(f->memid, names, 32, &n);
        std::string out;
        if (n > 0 && Narrow(names[0]) == method) {
            out = "no parameter " + param;
            for (UINT k = 1; k < n && k <= UINT(f->cParams); ++k) {
                if (Narrow(names[k]) != param) continue;
                const PARAMDESC& pd = f->lprgelemdescParam[k - 1].paramdesc;
                out = "none";
                VARIANT v;
                VariantInit(&v);
                if ((pd.wParamFlags & PARAMFLAG_FHASDEFAULT) && pd.pparamdescex &&
                    SUCCEEDED(VariantChangeType(&v, &pd.pparamdescex->varDefaultValue, 0, VT_I4)))
                    out = std::to_string(v.lVal);
            }
        }
        for (UINT k = 0; k < n; ++k) SysFreeString(names[k]);
        t->ReleaseFuncDesc(f);
        if (!out.empty()) return out;
    }
    return "no method " + method;
}

std::string FuncName(ITypeInfo* t, UINT index) {
    FUNCDESC* f = nullptr;
    if (FAILED(t->GetFuncDesc(index, &f))) return "?";
    BSTR name = nullptr;
    UINT n = 0;
    std::string out = "?";
    if (SUCCEEDED(t->GetNames(f->memid, &name, 1, &n)) && n == 1) out = Narrow(name);
    SysFreeString(name);
    t->ReleaseFuncDesc(f);
    return out;
}

void CheckLibrary(const std::vector<std::string>& a, bool registered) {
    const std::string& dll = a[0];
    const std::string tag = dll.substr(dll.find_last_of("\\/") + 1) + ": ";
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(Wide(dll).c_str(), REGKIND_NONE, &lib);
    Check(SUCCEEDED(hr), tag + "LoadTypeLibEx on the DLL's path");
    if (FAILED(hr)) return;
    TLIBATTR* la = nullptr;
    lib->GetLibAttr(&la);
    char version[32];
    std::snprintf(version, sizeof version, "%u.%u", la->wMajorVerNum, la->wMinorVerNum);
    wchar_t libid[64];
    StringFromGUID2(la->guid, libid, 64);
    Check(version == a[3], tag + "library version " + version + " (expected " + a[3] + ")");
    Check(Narrow(libid) == "{84FB2748-F8EF-11D3-96A1-009099162206}", tag + "library identifier " + Narrow(libid));
    lib->ReleaseTLibAttr(la);

    // The coclass and its default interface.
    ITypeInfo* cls = nullptr;
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n && !cls; ++i) {
        TYPEKIND kind;
        if (SUCCEEDED(lib->GetTypeInfoType(i, &kind)) && kind == TKIND_COCLASS) lib->GetTypeInfo(i, &cls);
    }
    Check(cls != nullptr, tag + "a creatable class");
    if (!cls) {
        lib->Release();
        return;
    }
    TYPEATTR* ca = nullptr;
    cls->GetTypeAttr(&ca);
    const CLSID clsid = ca->guid;
    Check(ca->cImplTypes == 1 && (ca->wTypeFlags & TYPEFLAG_FCANCREATE), tag + "the class is creatable, one interface");
    cls->ReleaseTypeAttr(ca);
    HREFTYPE ref = 0;
    ITypeInfo* iface = nullptr;
    int flags = 0;
    cls->GetImplTypeFlags(0, &flags);
    if (SUCCEEDED(cls->GetRefTypeOfImplType(0, &ref))) cls->GetRefTypeInfo(ref, &iface);
    Check(iface && (flags & IMPLTYPEFLAG_FDEFAULT), tag + "the default interface");
    if (iface) {
        BSTR name = nullptr;
        iface->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        Check(Narrow(name) == a[1], tag + "interface " + Narrow(name));
        SysFreeString(name);
        TYPEATTR* ia = nullptr;
        iface->GetTypeAttr(&ia);
        const int expected = 7 + std::atoi(a[2].c_str());
        Check(ia->typekind == TKIND_DISPATCH && (ia->wTypeFlags & TYPEFLAG_FDUAL),
              tag + "dispatch interface marked dual");
        Check(ia->cFuncs == expected,
              tag + std::to_string(ia->cFuncs) + " functions (expected 7 + " + a[2] + ")");
        const UINT n = ia->cFuncs;
        const IID iid = ia->guid;
        iface->ReleaseTypeAttr(ia);
        Check(FuncName(iface, 0) == "QueryInterface" && FuncName(iface, 6) == "Invoke",
              tag + "IUnknown and IDispatch first");
        Check(FuncName(iface, 7) == a[4] && FuncName(iface, n - 1) == a[5],
              tag + "methods " + FuncName(iface, 7) + " .. " + FuncName(iface, n - 1));
        if (a.size() == 7) {
            const std::string& d = a[6];
            const size_t dot = d.find('.'), eq = d.find('=');
            const std::string got = DefaultOf(iface, n, d.substr(0, dot), d.substr(dot + 1, eq - dot - 1));
            Check(got == d.substr(eq + 1), tag + d.substr(0, eq) + " defaults to " + got);
        }
        // The same interface by its identifier, as GetTypeInfo finds it.
        ITypeInfo* byGuid = nullptr;
        Check(SUCCEEDED(lib->GetTypeInfoOfGuid(iid, &byGuid)), tag + "the interface by its identifier");
        if (byGuid) byGuid->Release();
        iface->Release();
    }
    cls->Release();
    lib->Release();

    if (!registered) return;
    const std::string independent = dll.substr(dll.find_last_of("\\/") + 1, dll.size() - dll.find_last_of("\\/") - 5) +
                                    "." + a[1].substr(1);
    for (const std::string& prog : {independent, independent + "." + a[3].substr(0, a[3].find('.'))}) {
        CLSID found{};
        hr = CLSIDFromProgID(Wide(prog).c_str(), &found);
        Check(SUCCEEDED(hr) && IsEqualCLSID(found, clsid), tag + "CLSIDFromProgID(" + prog + ")");
    }
    LPOLESTR prog = nullptr;
    hr = ProgIDFromCLSID(clsid, &prog);
    Check(SUCCEEDED(hr) && Narrow(prog) == independent + "." + a[3].substr(0, a[3].find('.')),
          tag + "ProgIDFromCLSID " + Narrow(prog));
    CoTaskMemFree(prog);
}

}  // namespace

int main(int argc, char** argv) {
    CoInitialize(nullptr);
    bool registered = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--registered") {
            registered = true;
            continue;
        }
        const auto a = Split(argv[i]);
        if (a.size() != 6 && a.size() != 7) {
            std::fprintf(stderr, "bad argument %s\n", argv[i]);
            return 2;
        }
        CheckLibrary(a, registered);
    }
    CoUninitialize();
    std::printf("%d failure(s)\n", failures);
    return failures ? 1 : 0;
}
