// IDispatch::Invoke on the four components with hostile DISPPARAMS.
//
// The objects are made once, the way a client makes them: the libraries are
// registered in a registry directory of this process and each object comes
// from CreateObject (registry, library, class factory). Every run then
// decodes its input into calls and ends with the four close methods, so no
// slot, surface or palette outlives the run.
//
// Input: a sequence of calls, each
//   component  byte % 4 (draw, input, sound, music)
//   member     byte: < 200 picks a valid identifier (1 + b % methods); else
//              one of DISPID_VALUE, DISPID_PROPERTYPUT, -1, -4, methods + 1,
//              0x7FFFFFFF, INT32_MIN, or 4 raw bytes
//   flags      byte: bits 0-3 wFlags as they are (method, get, put, putref
//              and every mix, 0 included); bit 4 a raw 32-bit lcid follows;
//              bits 5, 6, 7 pass pVarResult, pExcepInfo, puArgErr as null
//   counts     byte: bits 0-3 cArgs; bit 4 rgvarg null; bit 5 a raw
//              interface identifier byte follows (not IID_NULL when non-zero)
//   named      byte: bits 0-3 cNamedArgs (may exceed cArgs); bit 4
//              rgdispidNamedArgs null; then one byte per named identifier:
//              < 0xF0 is b % 16 (duplicates and ids past the parameters come
//              out of it), else DISPID_PROPERTYPUT, -1, INT32_MIN, 0x7FFFFFFF
//   arguments  cArgs variants in rgvarg order (see Variant below)
// and the input ends when the bytes do (at most kMaxCalls calls).
//
// Variant: a kind byte, kind % 32:
//   0-23       a value of that VARTYPE (12 and 15 included, which no value
//              has), its bytes raw after it; 8 a string, 9 / 13 an object
//   24         VT_BYREF to a value decoded after it (its own type)
//   25         VT_BYREF | VT_VARIANT to a variant decoded after it (chains)
//   26         VT_BYREF | (byte) with a null pointer
//   27         VT_ARRAY: a safe array (see Array)
//   28         a raw 16-bit type outside the by-reference and array bits, its
//              8 bytes raw (pointer-bearing types get null)
//   29         VT_BYREF | VT_VARIANT pointing at itself
//   30         the missing argument (VT_ERROR / DISP_E_PARAMNOTFOUND)
//   31         VT_I4 of the next byte (small numbers cheaply)
// String: a mode byte: bits 0-1 0 bytes as characters (length byte, then
//   the bytes), 1 UTF-16 (length byte, then two bytes each), 2 a length
//   only the allocator can refuse (0x40000000, 0x7FFFFFFF, 0x80000000,
//   0xFFFFFFFF characters), 3 null; bit 2 makes the byte length odd.
// Object: a byte: 0 null, 1-4 the four component objects, else an object an
//   earlier call of this run returned (null when there is none).
// Array: a header byte: bits 0-2 the element type (UI1 x3, I2, I4, R4, R8,
//   BOOL), bit 3 the variant claims VT_UI1 elements whatever they are, bit 4
//   a null array, bit 5 256 elements; then the count (a byte, unless bit 5),
//   the lower bound (signed byte),
//   the elements' bytes, and a lie byte: bit 0 a raw 32-bit lower bound,
//   bit 1 a count past any cap (0x01000001, 0x7FFFFFFF, 0x80000000,
//   0xFFFFFFFF), bit 2 a smaller count, bit 3 raw dimensions, bit 4 a raw
//   element size, bit 5 raw features, bit 6 null data; each lie's value
//   follows in that order. A count larger than the buffer but under every
//   cap is not made: no array can tell that lie apart from the truth.
//
// Members that wait or would take long get bounded arguments (the Rules
// table): TimeStopper busy-waits its milliseconds, each fade runs 256 steps
// of its StopTime, display and surface sizes are kept small so a run stays
// fast, joystick and buffer counts small. Window handles are the
// application's window this target makes (now and then 0 or no window).
// Path arguments are never the
// input's: they name files of this process under /dev/shm (valid ones made
// here, an empty one, a missing one, the directory), and the half-blend table
// is saved only there. Vertical-blank waits are off (VEXO_NO_VSYNC).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "com/Activation.h"
#include "com/Automation.h"
#include "com/Com.h"
#include "common/Platform.h"
#include "platform/music/MidiWriter.h"
#include "tests/support/Files.h"

using namespace vexo::com;

namespace {

constexpr size_t kMaxCalls = 48;
constexpr int kMaxDepth = 4;
constexpr DISPID kDispidValue = 0, kDispidPropertyPut = -3, kDispidNewEnum = -4;

class Reader {
public:
    Reader(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool Done() const { return i_ >= n_; }
    uint8_t U8() { return i_ < n_ ? d_[i_++] : 0; }
    template <class T>
    T Raw() {
        uint8_t b[sizeof(T)];
        for (auto& x : b) x = U8();
        T v;
        std::memcpy(&v, b, sizeof v);
        return v;
    }

private:
    const uint8_t* d_;
    size_t n_, i_ = 0;
};

enum class File { Bmp8, Bmp24, Wave, Midi, Table, Save };

enum class Kind { Number, Path, Window };
struct Rule {
    int component;
    const char* member;
    size_t param;
    Kind kind;
    int32_t lo, hi;  // the bound of a number
    File file;       // the file a path argument names when valid
};
constexpr Kind N = Kind::Number, P = Kind::Path, W = Kind::Window;
const Rule kRules[] = {
    {0, "TimeStopper", 0, N, -1, 1, {}},
    {0, "FeedDarkOutEx", 0, N, -1, 0, {}},
    {0, "FeedFlashOutEx", 0, N, -1, 0, {}},
    {0, "FeedDarkOut", 0, N, -1, 0, {}},
    {0, "FeedFlashOut", 0, N, -1, 0, {}},
    {0, "FeedDarkIn", 0, N, -1, 0, {}},
    {0, "FeedFlashIn", 0, N, -1, 0, {}},
    {0, "DDSetup", 1, N, -8, 160, {}},
    {0, "DDSetup", 2, N, -8, 120, {}},
    {0, "DDCreateSurface", 0, N, -8, 200, {}},
    {0, "DDCreateSurface", 1, N, -8, 200, {}},
    {0, "DDCreateSurfaceFromFile", 0, P, 0, 0, File::Bmp24},
    {0, "DDCreatePaletteFromFile", 0, P, 0, 0, File::Bmp8},
    {0, "DDSaveHarfPalette", 0, P, 0, 0, File::Save},
    {0, "DDLoadHarfPalette", 0, P, 0, 0, File::Table},
    {1, "DIJoyStickSetup", 0, N, -2, 4, {}},
    {2, "DsCreate", 1, P, 0, 0, File::Wave},
    {2, "DsCreate", 2, N, -1, 4, {}},
    {3, "DMCreateSegment", 1, P, 0, 0, File::Midi},
    {0, "DDSetup", 0, W, 0, 0, {}},
    {1, "DIKeyBordSetup", 0, W, 0, 0, {}},
    {1, "DIJoyStickSetup", 1, W, 0, 0, {}},
    {2, "DsSetup", 0, W, 0, 0, {}},
};

struct Component {
    const char* lib;
    const char* progId;
    const char* close;
    IDispatch* obj = nullptr;
    const ClassDesc* desc = nullptr;
};

struct World {
    std::filesystem::path dir;
    Component comps[4] = {{VEXO_DRAW_LIB, "VexoDX7Draw.DX7Draw", "DDClose"},
                          {VEXO_INPUT_LIB, "VexoDX7Input.DXInput", "DIClose"},
                          {VEXO_SOUND_LIB, "VexoDX7Sound.DX7Sound", "DsClose"},
                          {VEXO_MUSIC_LIB, "VexoDX7Music.DXMusic", "DMClose"}};
    int32_t wnd = 0;  // the application's window
    std::string File(const char* name) const { return (dir / name).string(); }
};
World* gWorld = nullptr;
const bool gTrace = std::getenv("VEXO_INVOKE_TRACE") != nullptr;  // each call's outcome on stderr

void TearDown() {
    if (!gWorld) return;
    for (auto& c : gWorld->comps)
        if (c.obj) c.obj->Release(), c.obj = nullptr;
    for (auto& c : gWorld->comps) UnregisterServer(c.lib);
    vexo::CurrentPlatform().Windows().DestroyAppWindow(gWorld->wnd);
    std::error_code ec;
    std::filesystem::remove_all(gWorld->dir, ec);
}

void WriteFiles(const World& w) {
    using vexo::test::Bytes;
    Bytes table;
    for (int i = 0; i < 256; ++i) vexo::test::Put32(table, uint32_t(i * 0x010101));
    vexo::test::WriteFile(w.File("pal.bmp"), vexo::test::BmpFile(4, 2, 8, 0, table, Bytes(8, 3)));
    vexo::test::WriteFile(w.File("pic.bmp"), vexo::test::BmpFile(3, 2, 24, 0, {}, Bytes(24, 0x40)));
    Bytes wave = {'R', 'I', 'F', 'F'};
    vexo::test::Put32(wave, 36 + 64);
    for (char c : std::string("WAVEfmt ")) wave.push_back(uint8_t(c));
    vexo::test::Put32(wave, 16), vexo::test::Put16(wave, 1), vexo::test::Put16(wave, 1);
    vexo::test::Put32(wave, 22050), vexo::test::Put32(wave, 44100), vexo::test::Put16(wave, 2);
    vexo::test::Put16(wave, 16);
    for (char c : std::string("data")) wave.push_back(uint8_t(c));
    vexo::test::Put32(wave, 64);
    wave.resize(wave.size() + 64, 0x10);
    vexo::test::WriteFile(w.File("fx.wav"), wave);
    vexo::midi::MidiWriter m(96, 0);
    const int t = m.AddTrack();
    m.Note(t, 0, 48, 0, 60, 100);
    m.EndAt(t, 96);
    vexo::test::WriteFile(w.File("song.mid"), m.Bytes());
    vexo::test::WriteFile(w.File("harf.tbl"), Bytes(65536, 7));
    vexo::test::WriteFile(w.File("empty"), {});
}

// A path argument: the member's own kind of file, another kind, or one that
// cannot be read.
std::string PathFor(File kind, uint8_t pick) {
    const World& w = *gWorld;
    if (kind == File::Save) return pick % 4 == 3 ? w.File("no/such/dir/t.tbl") : w.File("saved.tbl");
    static const char* kNames[] = {"pic.bmp", "pal.bmp", "fx.wav", "song.mid", "harf.tbl", "saved.tbl"};
    switch (pick % 8) {
        case 0: case 1: case 2: return w.File(kNames[int(kind)]);
        case 3: return w.File(kNames[pick / 8 % 6]);
        case 4: return w.File("empty");
        case 5: return w.File("missing.bin");
        case 6: return w.dir.string();
        default: return "";
    }
}

// Everything one run allocates, freed at its end.
class Run {
public:
    ~Run() {
        for (auto& [a, data] : arrays_) a->pvData = data;  // the lies undone, so it frees what it made
        for (auto& v : tops_)
            for (auto& x : v) VariantClear(&x);
        for (auto& v : arena_) VariantClear(&v);
        for (IDispatch* d : pool_) d->Release();
    }

    void Call(Reader& r) {
        const int ci = r.U8() % 4;
        Component& c = gWorld->comps[ci];
        const DISPID methods = DISPID(c.desc->methods.size());
        const uint8_t sel = r.U8();
        DISPID id;
        if (sel < 200) {
            id = kFirstDispId + sel % methods;
        } else {
            switch (sel % 8) {
                case 0: id = kDispidValue; break;
                case 1: id = kDispidPropertyPut; break;
                case 2: id = DISPID_UNKNOWN; break;
                case 3: id = kDispidNewEnum; break;
                case 4: id = methods + 1; break;
                case 5: id = INT32_MAX; break;
                case 6: id = INT32_MIN; break;
                default: id = r.Raw<int32_t>();
            }
        }
        const uint8_t flags = r.U8();
        const WORD wFlags = flags & 15;
        const LCID lcid = flags & 16 ? r.Raw<uint32_t>() : 0;
        const uint8_t counts = r.U8();
        IID iid = IID_NULL;
        if (counts & 32) iid.Data1 = r.U8();
        const uint8_t named = r.U8();

        DISPPARAMS dp;
        dp.cArgs = counts & 15;
        dp.cNamedArgs = named & 15;
        std::vector<DISPID>& ids = idLists_.emplace_back(dp.cNamedArgs);
        for (auto& n : ids) {
            const uint8_t b = r.U8();
            static const DISPID kOdd[] = {kDispidPropertyPut, DISPID_UNKNOWN, INT32_MIN, INT32_MAX};
            n = b < 0xF0 ? b % 16 : kOdd[b % 4];
        }
        std::vector<VARIANT>& args = tops_.emplace_back(dp.cArgs);
        for (auto& a : args) Decode(r, a, 0);
        dp.rgvarg = counts & 16 ? nullptr : args.data();
        dp.rgdispidNamedArgs = named & 16 || ids.empty() ? nullptr : ids.data();
        if (id >= kFirstDispId && id < kFirstDispId + methods) Bound(r, ci, c.desc->methods[size_t(id - 1)].name, dp);

        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        const HRESULT hr = c.obj->Invoke(id, iid, lcid, wFlags, &dp, flags & 32 ? nullptr : &result,
                                         flags & 64 ? nullptr : &excep, flags & 128 ? nullptr : &argErr);
        if (gTrace)
            std::fprintf(stderr, "%s %d flags %d args %u/%u: 0x%08X %s\n", c.progId, id, wFlags, dp.cArgs,
                         dp.cNamedArgs, unsigned(hr), Failed(hr) ? "" : std::to_string(result.vt).c_str());
        // What the convention promises for a call the layer refuses outright.
        if (!(iid == IID_NULL) && hr != DISP_E_UNKNOWNINTERFACE) __builtin_trap();
        if ((id < kFirstDispId || id > methods) && iid == IID_NULL && hr != DISP_E_MEMBERNOTFOUND) __builtin_trap();
        const bool reached = iid == IID_NULL && id >= kFirstDispId && id <= methods && (wFlags & 3);
        if (reached && dp.cArgs > 0 && !dp.rgvarg && hr != E_INVALIDARG) __builtin_trap();
        if (reached && dp.rgvarg && dp.cNamedArgs > dp.cArgs && hr != DISP_E_BADPARAMCOUNT) __builtin_trap();
        if (hr == DISP_E_EXCEPTION && !(flags & 64) && excep.scode == 0) __builtin_trap();
        if (result.vt == VT_DISPATCH && result.pdispVal && pool_.size() < 16) {
            pool_.push_back(result.pdispVal);
            VariantInit(&result);
        }
        VariantClear(&result);
        ClearExcepInfo(&excep);
    }

private:
    // Bounded and path arguments replace whatever the input put in their places.
    void Bound(Reader& r, int ci, const char* member, DISPPARAMS& dp) {
        if (!dp.rgvarg || dp.cNamedArgs > dp.cArgs) return;
        const UINT positional = dp.cArgs - dp.cNamedArgs;
        for (const Rule& rule : kRules) {
            if (rule.component != ci || std::strcmp(rule.member, member) != 0) continue;
            std::vector<VARIANT*> slots;
            if (rule.param < positional) slots.push_back(&dp.rgvarg[dp.cArgs - 1 - rule.param]);
            for (UINT k = 0; dp.rgdispidNamedArgs && k < dp.cNamedArgs; ++k)
                if (dp.rgdispidNamedArgs[k] == DISPID(rule.param)) slots.push_back(&dp.rgvarg[k]);
            for (VARIANT* s : slots) {
                const uint8_t b = r.U8();
                Unlie(*s);
                VariantClear(s);
                if (rule.kind == Kind::Path) *s = MakeBstr(PathFor(rule.file, b));
                else if (rule.kind == Kind::Window) *s = MakeI4(b % 8 == 7 ? 0 : b % 8 == 6 ? gWorld->wnd + 1000 : gWorld->wnd);
                else *s = MakeI4(rule.lo + int32_t(b % uint32_t(rule.hi - rule.lo + 1)));
            }
        }
    }

    // An array about to be freed early gets its own data back first.
    void Unlie(const VARIANT& v) {
        if (!(v.vt & VT_ARRAY) || (v.vt & VT_BYREF)) return;
        for (auto it = arrays_.begin(); it != arrays_.end(); ++it)
            if (it->first == v.parray) {
                it->first->pvData = it->second;
                arrays_.erase(it);
                return;
            }
    }

    BSTR String(Reader& r) {
        const uint8_t mode = r.U8();
        BSTR s = nullptr;
        switch (mode & 3) {
            case 0: case 1: {
                const UINT n = r.U8();
                std::u16string t(n, u'\0');
                for (auto& ch : t) ch = mode & 1 ? r.Raw<char16_t>() : char16_t(r.U8());
                s = SysAllocStringLen(t.data(), n);
                break;
            }
            case 2: {
                static const UINT kHuge[] = {0x40000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
                s = SysAllocStringLen(nullptr, kHuge[r.U8() % 4]);
                if (s) __builtin_trap();  // gigabytes for one argument
                break;
            }
            default: break;
        }
        if (s && (mode & 4) && SysStringLen(s) > 0) {
            // The prefix counts bytes; one less leaves half a character.
            uint32_t bytes = SysStringLen(s) * 2 - 1;
            std::memcpy(reinterpret_cast<char*>(s) - 4, &bytes, 4);
        }
        return s;
    }

    IDispatch* Object(Reader& r) {
        const uint8_t b = r.U8();
        IDispatch* d = nullptr;
        if (b >= 1 && b <= 4) d = gWorld->comps[b - 1].obj;
        else if (b > 4 && !pool_.empty()) d = pool_[(b - 5) % pool_.size()];
        if (d) d->AddRef();
        return d;
    }

    void Array(Reader& r, VARIANT& v) {
        static const VARTYPE kElems[] = {VT_UI1, VT_UI1, VT_UI1, VT_I2, VT_I4, VT_R4, VT_R8, VT_BOOL};
        const uint8_t h = r.U8();
        const VARTYPE elem = kElems[h & 7];
        v.vt = VARTYPE(VT_ARRAY | (h & 8 ? VT_UI1 : elem));
        if (h & 16) return;  // never dimensioned
        const ULONG count = h & 32 ? 256 : r.U8();  // a palette's 256 cheaply
        const LONG lower = int8_t(r.U8());
        SAFEARRAY* a = SafeArrayCreateVector(elem, lower, count);
        if (!a) return;
        v.parray = a;
        arrays_.emplace_back(a, a->pvData);
        for (size_t i = 0; i < size_t(count) * a->cbElements; ++i) static_cast<uint8_t*>(a->pvData)[i] = r.U8();
        const uint8_t lie = r.U8();
        if (lie & 1) a->rgsabound[0].lLbound = r.Raw<int32_t>();
        if (lie & 2) {
            static const ULONG kPastCap[] = {0x01000001u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
            a->rgsabound[0].cElements = kPastCap[r.U8() % 4];
        }
        if (lie & 4) a->rgsabound[0].cElements = r.U8() % (count + 1);
        if (lie & 8) a->cDims = r.Raw<uint16_t>();
        if (lie & 16) a->cbElements = r.Raw<uint32_t>();
        if (lie & 32) a->fFeatures = r.Raw<uint16_t>();
        if (lie & 64) a->pvData = nullptr;
    }

    // A variant the layer may be pointed at: it lives until the run ends.
    VARIANT& Held(Reader& r, int depth) {
        VARIANT& v = arena_.emplace_back();
        Decode(r, v, depth + 1);
        return v;
    }

    void Decode(Reader& r, VARIANT& v, int depth) {
        VariantInit(&v);
        uint8_t kind = r.U8() % 32;
        if (depth >= kMaxDepth && (kind == 24 || kind == 25)) kind = 31;
        switch (kind) {
            case VT_BSTR: v.vt = VT_BSTR, v.bstrVal = String(r); return;
            case VT_DISPATCH: case VT_UNKNOWN: v.vt = kind, v.pdispVal = Object(r); return;
            case VT_DECIMAL: v.decVal = r.Raw<DECIMAL>(), v.vt = VT_DECIMAL; return;
            case 24: {
                VARIANT& target = Held(r, depth);
                if (target.vt & VT_BYREF) {  // already a reference: point at it whole
                    v = MakeByRef(VT_VARIANT, &target);
                } else if (target.vt == VT_DECIMAL) {
                    v = MakeByRef(VT_DECIMAL, &target.decVal);
                } else {
                    v = MakeByRef(target.vt, &target.lVal);  // every value shares the one slot
                }
                return;
            }
            case 25: v = MakeByRef(VT_VARIANT, &Held(r, depth)); return;
            case 26: v.vt = VARTYPE(VT_BYREF | r.U8()), v.pvarVal = nullptr; return;
            case 27: Array(r, v); return;
            case 28: {
                v.vt = r.Raw<uint16_t>() & ~(VT_BYREF | VT_ARRAY);
                v.llVal = r.Raw<int64_t>();
                if (v.vt == VT_BSTR || v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) v.llVal = 0;
                if (v.vt == VT_DECIMAL) v.vt = VT_EMPTY;  // its bytes would be the type's
                return;
            }
            case 29: v = MakeByRef(VT_VARIANT, &v); return;
            case 30: v.vt = VT_ERROR, v.scode = DISP_E_PARAMNOTFOUND; return;
            case 31: v = MakeI4(r.U8()); return;
            default:
                v.vt = kind;  // a scalar (or 12 / 15, which hold none): its bytes raw
                v.llVal = r.Raw<int64_t>();
                return;
        }
    }

    std::deque<std::vector<VARIANT>> tops_;
    std::deque<std::vector<DISPID>> idLists_;
    std::deque<VARIANT> arena_;
    std::vector<std::pair<SAFEARRAY*, void*>> arrays_;
    std::vector<IDispatch*> pool_;
};

void Close() {
    for (auto& c : gWorld->comps) {
        BSTR n = BstrFromUtf8(c.close);
        OLECHAR* names[] = {n};
        DISPID id = DISPID_UNKNOWN;
        c.obj->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
        SysFreeString(n);
        DISPPARAMS none;
        if (c.obj->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) != S_OK) __builtin_trap();
    }
    std::error_code ec;
    std::filesystem::remove(gWorld->File("saved.tbl"), ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("VEXO_BACKEND", "headless", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("VEXO_NO_VSYNC", "1", 1);
    gWorld = new World;
    gWorld->dir = "/dev/shm/vexo-invoke-" + std::to_string(getpid());
    std::filesystem::create_directories(gWorld->dir);
    setenv("VEXO_REGISTRY", gWorld->File("registry").c_str(), 1);
    WriteFiles(*gWorld);
    gWorld->wnd = vexo::CurrentPlatform().Windows().CreateAppWindow("invoke", 0, 0, 160, 120, 0);
    for (auto& c : gWorld->comps) {
        if (RegisterServer(c.lib) != S_OK || CreateObject(c.progId, &c.obj) != S_OK) std::abort();
        c.desc = DescriptionOf(c.obj);
        if (!c.desc) std::abort();
    }
    std::atexit(TearDown);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r(data, size);
    {
        Run run;
        for (size_t i = 0; i < kMaxCalls && !r.Done(); ++i) run.Call(r);
    }
    Close();
    return 0;
}
