// A small automation client for the tests: calls by name through IDispatch
// only, the way a script host does, with a private registry directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "com/Activation.h"
#include "com/Com.h"
#include "com/Registry.h"
#include "com/TypeDesc.h"

namespace vexo::test {

using namespace vexo::com;

// A registry directory of the test's own, removed at the end.
struct TempRegistry {
    std::filesystem::path dir;
    TempRegistry() {
        char tmpl[] = "/tmp/vexo-com-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("VEXO_REGISTRY", (dir / "registry").c_str(), 1);
    }
    ~TempRegistry() {
        unsetenv("VEXO_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string File(const std::string& name) const { return (dir / name).string(); }
};

// Releases a held interface at scope end.
template <class I>
struct Held {
    I* p = nullptr;
    Held() = default;
    explicit Held(I* q) : p(q) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { reset(); }
    void reset() {
        if (p) p->Release();
        p = nullptr;
    }
    I* operator->() const { return p; }
    I** out() { return &p; }
};

// The outcome of one call: status, result, exception.
struct Outcome {
    HRESULT hr = S_OK;
    VARIANT result{};
    EXCEPINFO excep{};
    UINT argErr = ~0u;
    Outcome() = default;
    Outcome(const Outcome&) = delete;
    Outcome(Outcome&& o) noexcept : hr(o.hr), result(o.result), excep(o.excep), argErr(o.argErr) {
        VariantInit(&o.result);
        o.excep = EXCEPINFO{};
    }
    ~Outcome() {
        VariantClear(&result);
        ClearExcepInfo(&excep);
    }
    int32_t Error() const { return ErrorNumberFromHresult(hr, &excep); }
    int32_t Long() const {
        EXPECT_EQ(result.vt, VT_I4);
        return result.lVal;
    }
    std::string Description() const { return Utf8FromBstr(excep.bstrDescription); }
};

inline DISPID IdOf(IDispatch* d, const std::string& name) {
    BSTR n = BstrFromUtf8(name);
    OLECHAR* names[] = {n};
    DISPID id = DISPID_UNKNOWN;
    d->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    SysFreeString(n);
    return id;
}

// Calls `name` with `args` in their natural order; the arguments are the
// caller's and are cleared afterwards (by-reference ones point at the
// caller's variables and own nothing).
inline Outcome Call(IDispatch* d, const std::string& name, std::vector<VARIANT> args = {}) {
    Outcome o;
    const DISPID id = IdOf(d, name);
    if (id == DISPID_UNKNOWN) {
        o.hr = DISP_E_UNKNOWNNAME;
    } else {
        std::vector<VARIANT> rev(args.rbegin(), args.rend());
        DISPPARAMS dp;
        dp.rgvarg = rev.data();
        dp.cArgs = UINT(rev.size());
        o.hr = d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, &o.result, &o.excep, &o.argErr);
    }
    for (auto& a : args) VariantClear(&a);
    return o;
}

// An object argument (the callee takes its own reference).
inline VARIANT Obj(IDispatch* d) {
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    if (d) d->AddRef();
    return v;
}
// An omitted optional argument, as script hosts pass it.
inline VARIANT Missing() {
    VARIANT v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}
// A safe array of bytes lower..upper filled with `fill`.
inline VARIANT Bytes(int32_t lower, int32_t upper, uint8_t fill) {
    VARIANT v;
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreateVector(VT_UI1, lower, ULONG(upper - lower + 1));
    std::memset(v.parray->pvData, fill, size_t(upper - lower + 1));
    return v;
}

// The dispatch object of a result (a new reference the caller holds).
inline IDispatch* TakeObject(Outcome& o) {
    if (o.result.vt != VT_DISPATCH) return nullptr;
    IDispatch* d = o.result.pdispVal;
    VariantInit(&o.result);
    return d;
}

// 16-bit mono wave of a constant level.
inline void WriteWave(const std::string& file, int frames) {
    std::ofstream f(file, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4), u32(36 + frames * 2), f.write("WAVEfmt ", 8), u32(16);
    u16(1), u16(1), u32(22050), u32(44100), u16(2), u16(16);
    f.write("data", 4), u32(frames * 2);
    for (int i = 0; i < frames; ++i) u16(8000);
}

// A one-note standard MIDI file (format 0, 96 ticks a quarter).
inline void WriteMidi(const std::string& file) {
    const unsigned char track[] = {0x00, 0xC0, 0x00, 0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::ofstream f(file, std::ios::binary);
    const unsigned char head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                  'M', 'T', 'r', 'k', 0, 0, 0, sizeof track};
    f.write(reinterpret_cast<const char*>(head), sizeof head);
    f.write(reinterpret_cast<const char*>(track), sizeof track);
}

}  // namespace vexo::test
