// The generated typed interfaces: each header is the one of its description,
// and every entry, called through the vtable slot a client binds to (the
// method's place in the interface after the seven of IUnknown and
// IDispatch), reaches its own method with its arguments in order, each of
// the C++ type and passing its description gives, and hands back its result.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "com/Automation.h"
#include "com/Descriptions.h"
#include "draw/DX7DrawTyped.h"
#include "input/DXInputTyped.h"
#include "music/DXMusicTyped.h"
#include "sound/DX7SoundTyped.h"

namespace vexo::com {
namespace {

// The platform object handed in for a surface or palette, and handed back.
struct Thing : Unknown {};

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// An object of a described class whose methods write down what arrived, add
// one to every number passed by reference (and "!" to a string), and return
// a result that tells the method apart.
class Recorder final : public DispatchBase {
public:
    using DispatchBase::DispatchBase;
    DISPID called = 0;
    std::vector<std::string> seen;
    void* Native() override { return nullptr; }

protected:
    void Call(size_t index, Args& a) override {
        const MethodDesc& m = desc().methods[index];
        called = DISPID(kFirstDispId + index);
        seen.clear();
        for (size_t i = 0; i < m.params.size(); ++i) {
            const bool ref = m.params[i].byRef();
            switch (m.params[i].type) {
                case Ty::Long:
                case Ty::Enum: seen.push_back(std::to_string(a.Long(i))), a.Long(i) += ref; break;
                case Ty::Bool: seen.push_back(std::to_string(a.Bool(i))), a.Bool(i) += ref; break;
                case Ty::Byte: seen.push_back(std::to_string(a.Byte(i))), a.Byte(i) += ref; break;
                case Ty::Single: seen.push_back(Number(a.Single(i))), a.Single(i) += ref; break;
                case Ty::String: seen.push_back(a.String(i)), a.String(i) += ref ? "!" : ""; break;
                case Ty::Surface:
                case Ty::Palette: seen.push_back(a.Obj<Thing>(i) ? "object" : "nothing"); break;
                case Ty::ByteArray: seen.push_back("bytes " + std::to_string(a.Bytes(i).Items().size()));
                    break;
                case Ty::Void: case Ty::Variant: seen.push_back("?"); break;
            }
        }
        switch (m.result) {
            case Ty::Long: case Ty::Enum: case Ty::Bool: a.Ret(int32_t(1000 + index)); break;
            case Ty::Byte: a.Ret(uint8_t(index)); break;
            case Ty::Single: a.Ret(float(index) + 0.5f); break;
            case Ty::String: a.Ret("r" + std::to_string(index)); break;
            case Ty::Variant: a.Ret(Variant(int32_t(2000 + index))); break;
            case Ty::Surface: case Ty::Palette: a.Ret(MakeRef<Thing>()); break;
            case Ty::Void: case Ty::ByteArray: break;
        }
    }
    std::string Describe(int32_t) override { return {}; }
};

// The C++ type an entry takes for a described type, passed by value.
const std::type_info& TypeOf(Ty t) {
    switch (t) {
        case Ty::Bool: return typeid(VARIANT_BOOL);
        case Ty::Byte: return typeid(uint8_t);
        case Ty::Long: case Ty::Enum: return typeid(int32_t);
        case Ty::Single: return typeid(float);
        case Ty::String: return typeid(BSTR);
        case Ty::Variant: return typeid(VARIANT);
        case Ty::Surface: case Ty::Palette: return typeid(IDispatch*);
        case Ty::ByteArray: return typeid(SAFEARRAY*);
        case Ty::Void: break;
    }
    return typeid(void);
}

// The value passed at position `j`, by its C++ type, and what the recorder
// writes down for it.
struct Marks {
    ModuleCounts& counts;
    int32_t Of(int32_t*, size_t j) { return int32_t(100 + j); }
    VARIANT_BOOL Of(VARIANT_BOOL*, size_t j) { return VARIANT_BOOL(10 + j); }
    uint8_t Of(uint8_t*, size_t j) { return uint8_t(50 + j); }
    float Of(float*, size_t j) { return float(j) + 0.25f; }
    BSTR Of(BSTR*, size_t j) { return BstrFromUtf8("s" + std::to_string(j)); }
    IDispatch* Of(IDispatch**, size_t) { return WrapPlatformObject(MakeRef<Thing>(), counts); }
    SAFEARRAY* Of(SAFEARRAY**, size_t j) { return SafeArrayCreateVector(VT_UI1, 0, ULONG(j + 1)); }
    VARIANT Of(VARIANT*, size_t) {
        VARIANT v;
        VariantInit(&v);
        return v;
    }
};
std::string Expected(Ty t, size_t j) {
    switch (t) {
        case Ty::Long: case Ty::Enum: return std::to_string(100 + j);
        case Ty::Bool: return std::to_string(10 + j);
        case Ty::Byte: return std::to_string(50 + j);
        case Ty::Single: return Number(double(j) + 0.25);
        case Ty::String: return "s" + std::to_string(j);
        case Ty::Surface: case Ty::Palette: return "object";
        case Ty::ByteArray: return "bytes " + std::to_string(j + 1);
        default: return "?";
    }
}
// What comes back through a by-reference argument or the result.
std::string Text(int32_t v) { return std::to_string(v); }
std::string Text(VARIANT_BOOL v) { return std::to_string(v); }
std::string Text(uint8_t v) { return std::to_string(v); }
std::string Text(float v) { return Number(v); }
std::string Text(BSTR v) { return Utf8FromBstr(v); }
std::string Text(IDispatch* v) { return v ? "object" : "nothing"; }
std::string Text(SAFEARRAY* v) {
    return v ? "bytes " + std::to_string(v->rgsabound[0].cElements) : "nothing";
}
std::string Text(const VARIANT& v) {
    return v.vt == VT_I4 ? "I4 " + std::to_string(v.lVal) : "vt " + std::to_string(v.vt);
}
void Free(int32_t&) {}
void Free(VARIANT_BOOL&) {}
void Free(uint8_t&) {}
void Free(float&) {}
void Free(BSTR& v) { SysFreeString(v); }
void Free(IDispatch*& v) {
    if (v) v->Release();
}
void Free(SAFEARRAY*& v) { SafeArrayDestroy(v); }
void Free(VARIANT& v) { VariantClear(&v); }

// A C++ type an entry takes by value; any other is a pointer to one of these,
// a by-reference argument or the result.
template <class A>
constexpr bool kByValue = std::is_arithmetic_v<A> || std::is_same_v<A, BSTR> ||
                          std::is_same_v<A, IDispatch*> || std::is_same_v<A, SAFEARRAY*> ||
                          std::is_same_v<A, VARIANT>;
template <class A>
using Held = std::conditional_t<kByValue<A>, A, std::remove_pointer_t<A>>;

// Calls entry `index` of `typed` through its vtable slot, with the argument
// types of the generated member `entry`, and checks what arrives and what
// comes back against the description.
template <class I, class... A>
void CheckEntry(I* typed, Recorder& rec, const MethodDesc& m, size_t index,
                HRESULT (STDMETHODCALLTYPE I::*)(A...), Marks& marks) {
    SCOPED_TRACE(m.name);
    const bool hasResult = m.result != Ty::Void;
    ASSERT_EQ(sizeof...(A), m.params.size() + hasResult);
    const std::type_info* held[] = {&typeid(Held<A>)..., nullptr};
    const bool byAddress[] = {!kByValue<A>..., false};
    for (size_t j = 0; j < m.params.size(); ++j) {
        const ParamDesc& p = m.params[j];
        EXPECT_TRUE(*held[j] == TypeOf(p.type) && byAddress[j] == p.byRef())
            << "parameter " << p.name << " takes " << held[j]->name() << (byAddress[j] ? " by address" : "")
            << ", described " << TypeOf(p.type).name() << (p.byRef() ? " by reference" : "");
    }
    if (hasResult) {
        EXPECT_TRUE(*held[m.params.size()] == TypeOf(m.result) && byAddress[m.params.size()]);
    }

    // Every argument's value lives here; a by-reference one is passed by its
    // address, and so is the result.
    std::tuple<Held<A>...> values;
    [&]<size_t... J>(std::index_sequence<J...>) {
        ((std::get<J>(values) =
              J < m.params.size() ? marks.Of(static_cast<Held<A>*>(nullptr), J) : Held<A>{}),
         ...);
    }(std::index_sequence_for<A...>{});
    using Fn = HRESULT(STDMETHODCALLTYPE*)(I*, A...);
    const Fn fn = reinterpret_cast<Fn>((*reinterpret_cast<void***>(typed))[7 + index]);
    rec.called = 0;
    const HRESULT hr = [&]<size_t... J>(std::index_sequence<J...>) {
        return fn(typed, [&]() -> A {
            if constexpr (kByValue<A>) return std::get<J>(values);
            else return &std::get<J>(values);
        }()...);
    }(std::index_sequence_for<A...>{});
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(rec.called, DISPID(kFirstDispId + index));
    std::vector<std::string> expected;
    for (size_t j = 0; j < m.params.size(); ++j) expected.push_back(Expected(m.params[j].type, j));
    EXPECT_EQ(rec.seen, expected);

    // Numbers and strings passed by reference come back changed, the rest as
    // they went; the result is the method's own.
    std::vector<std::string> back, want;
    std::apply([&](auto&... v) { (back.push_back(Text(v)), ...); }, values);
    for (size_t j = 0; j < m.params.size(); ++j) {
        const ParamDesc& p = m.params[j];
        std::string w = Expected(p.type, j);
        if (p.byRef() && p.type == Ty::String) w += "!";
        else if (p.byRef() && p.type == Ty::Single) w = Number(double(j) + 1.25);
        else if (p.byRef() && p.type != Ty::Surface && p.type != Ty::Palette && p.type != Ty::ByteArray)
            w = std::to_string(std::stoi(w) + 1);
        want.push_back(w);
    }
    switch (m.result) {
        case Ty::Long: case Ty::Enum: want.push_back(std::to_string(1000 + index)); break;
        case Ty::Byte: want.push_back(std::to_string(index)); break;
        case Ty::Single: want.push_back(Number(double(index) + 0.5)); break;
        case Ty::String: want.push_back("r" + std::to_string(index)); break;
        case Ty::Variant: want.push_back("I4 " + std::to_string(2000 + index)); break;
        case Ty::Surface: case Ty::Palette: want.push_back("object"); break;
        default: break;
    }
    EXPECT_EQ(back, want);
    std::apply([](auto&... v) { (Free(v), ...); }, values);
}

template <class I, class Entries>
void CheckInterface(const ClassDesc& d) {
    SCOPED_TRACE(d.interfaceName);
    EXPECT_TRUE(TypedMatches(d, Entries::kSignature)) << Entries::kSignature << "\n" << VtableSignature(d);
    constexpr size_t n = std::tuple_size_v<std::remove_cv_t<decltype(Entries::kEntries)>>;
    ASSERT_EQ(n, d.methods.size());

    ModuleCounts counts;
    auto* rec = new Recorder(d, counts);
    rec->AddRef();
    rec->template AttachTyped<Entries>();
    void* typed = nullptr;
    ASSERT_EQ(rec->QueryInterface(d.iid, &typed), S_OK);
    I* iface = static_cast<I*>(static_cast<IUnknown*>(typed));
    Marks marks{counts};
    [&]<size_t... K>(std::index_sequence<K...>) {
        (CheckEntry(iface, *rec, d.methods[K], K, std::get<K>(Entries::kEntries), marks), ...);
    }(std::make_index_sequence<n>{});
    iface->Release();
    EXPECT_EQ(rec->Release(), 0u);
    EXPECT_EQ(counts.objects, 0);
}

TEST(ComTyped, EveryEntryReachesItsMethodThroughItsSlot) {
    CheckInterface<typed::_DX7Draw, typed::_DX7DrawEntries>(DX7DrawDescription());
    CheckInterface<typed::_DXInput, typed::_DXInputEntries>(DXInputDescription());
    CheckInterface<typed::_DX7Sound, typed::_DX7SoundEntries>(DX7SoundDescription());
    CheckInterface<typed::_DXMusic, typed::_DXMusicEntries>(DXMusicDescription());
}

// The header keeps what it was made from: any change to the description
// that alters the vtable or the constants tells it apart; a default value,
// which only the interface definition carries, does not.
TEST(ComTyped, ASignatureTellsAHeaderOfAnotherDescription) {
    const ClassDesc& sound = DX7SoundDescription();
    const char* header = typed::_DX7SoundEntries::kSignature;
    EXPECT_TRUE(TypedMatches(sound, header));
    EXPECT_FALSE(TypedMatches(sound, nullptr));
    EXPECT_FALSE(TypedMatches(sound, typed::_DXMusicEntries::kSignature));
    auto differs = [&](auto change) {
        ClassDesc d = sound;
        change(d);
        return !TypedMatches(d, header);
    };
    EXPECT_TRUE(differs([](ClassDesc& d) { std::swap(d.methods[0], d.methods[1]); }));
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods[2].params[1].flags = kByRef; }));   // pan by reference
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods[2].params[1].type = Ty::Byte; }));
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods[4].result = Ty::Long; }));          // DsClose
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods[6].params.pop_back(); }));          // DsPlay's bFlags
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods.push_back({"DsMore", Ty::Void, {}}); }));
    EXPECT_TRUE(differs([](ClassDesc& d) { d.methods[3].name = "DsHalt"; }));
    EXPECT_TRUE(differs([](ClassDesc& d) { d.interfaceName = "_DX8Sound"; }));
    EXPECT_TRUE(differs([](ClassDesc& d) { d.enums.push_back({"Mode", {{"ONE", 1}}}); }));
    EXPECT_FALSE(differs([](ClassDesc& d) { d.methods[9].params[1].def = 44100; }));

    const ClassDesc& draw = DX7DrawDescription();
    ClassDesc d = draw;
    d.enums[2].members[4].second = 128;  // ROTATE90
    EXPECT_FALSE(TypedMatches(d, typed::_DX7DrawEntries::kSignature));
    EXPECT_TRUE(TypedMatches(draw, typed::_DX7DrawEntries::kSignature));
}

}  // namespace
}  // namespace vexo::com
