// Registration, activation and the class-factory contracts of the libraries.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "com/Automation.h"
#include "tests/com/ComClient.h"

namespace vexo::test {
namespace {

const CLSID kDrawClsid = MakeGuid("{D81D90D2-4865-11D4-96A2-009099162206}");
const CLSID kInputClsid = MakeGuid("{73A01E45-18A9-11D4-96A2-009099162206}");
const IID kDrawIid = MakeGuid("{5CDD21CA-ABA0-11D4-96A2-009099162206}");
const GUID kLibid = MakeGuid("{84FB2748-F8EF-11D3-96A1-009099162206}");

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream f(p);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(ComRegistry, TwiceOverwritesNotRegisteredFailsClearlyAndNoOtherRecordIsTouched) {
    TempRegistry reg;
    ASSERT_EQ(RegisterServer(VEXO_DRAW_LIB), S_OK);
    ASSERT_EQ(RegisterServer(VEXO_SOUND_LIB), S_OK);
    const auto drawRecord = std::filesystem::path(registry::Root()) / "CLSID" / GuidToString(kDrawClsid);
    const std::string before = Slurp(drawRecord);
    EXPECT_NE(before.find("ProgID=VexoDX7Draw.DX7Draw"), std::string::npos);
    EXPECT_NE(before.find("ThreadingModel=Apartment"), std::string::npos);
    EXPECT_NE(before.find("TypeLib=" + GuidToString(kLibid)), std::string::npos);
    EXPECT_NE(before.find("Version=19.0"), std::string::npos);

    // A second registration replaces the first, as installers expect.
    EXPECT_EQ(RegisterServer(VEXO_DRAW_LIB), S_OK);
    EXPECT_EQ(Slurp(drawRecord), before);

    EXPECT_EQ(UnregisterServer(VEXO_DRAW_LIB), S_OK);
    EXPECT_FALSE(std::filesystem::exists(drawRecord));
    CLSID c;
    EXPECT_EQ(CLSIDFromProgID("VexoDX7Draw.DX7Draw", &c), CO_E_CLASSSTRING);
    EXPECT_EQ(UnregisterServer(VEXO_DRAW_LIB), SELFREG_E_CLASS);
    EXPECT_NE(registry::LastError().find("not registered"), std::string::npos);
    // Sound and music share library identifier and version: both records live.
    ASSERT_EQ(RegisterServer(VEXO_MUSIC_LIB), S_OK);
    IDispatch* d = nullptr;
    ASSERT_EQ(CreateObject("VexoDX7Sound.DX7Sound", &d), S_OK);
    d->Release();
    EXPECT_EQ(UnregisterServer(VEXO_MUSIC_LIB), S_OK);
    ASSERT_EQ(CreateObject("vexodx7sound.dx7sound", &d), CO_E_CLASSSTRING);  // program ids are exact
    ASSERT_EQ(CreateObject(GuidToString(MakeGuid("{73A01E57-18A9-11D4-96A2-009099162206}")), &d), S_OK);
    d->Release();
    EXPECT_EQ(UnregisterServer(VEXO_SOUND_LIB), S_OK);
    EXPECT_TRUE(registry::List(nullptr).empty());
}

TEST(ComRegistry, AMovedOrRebuiltClassReplacesItsRecordsAndUnregisteringLeavesNothing) {
    TempRegistry reg;
    registry::ClassRecord r;
    r.className = "Thing";
    r.library = "VexoTest";
    r.progId = "VexoTest.Thing";
    r.clsid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    r.path = reg.File("old/libVexoTest.so");
    r.libid = kLibid;
    r.major = 1;
    ASSERT_EQ(registry::Register(r), S_OK);
    const auto root = std::filesystem::path(registry::Root());
    const auto oldLib = root / "TypeLib" / GuidToString(kLibid) / "1.0" / "VexoTest";
    ASSERT_TRUE(std::filesystem::exists(oldLib));

    // Moved and rebuilt with a new version and program identifier.
    r.path = reg.File("new/libVexoTest.so");
    r.major = 2;
    r.progId = "VexoTest.Thing2";
    ASSERT_EQ(registry::Register(r), S_OK);
    registry::ClassRecord got;
    ASSERT_EQ(registry::Read(r.clsid, got), S_OK);
    EXPECT_EQ(got.path, r.path);
    EXPECT_EQ(got.major, 2);
    EXPECT_FALSE(std::filesystem::exists(oldLib.parent_path()));
    EXPECT_FALSE(std::filesystem::exists(root / "ProgID" / "VexoTest.Thing"));
    CLSID c;
    EXPECT_EQ(registry::ClsidFromProgId("VexoTest.Thing2", c), S_OK);

    // Another class cannot take the program identifier over.
    registry::ClassRecord other = r;
    other.clsid = MakeGuid("{11111111-2222-3333-4444-555555555556}");
    other.library = "VexoOther";
    EXPECT_EQ(registry::Register(other), SELFREG_E_CLASS);
    EXPECT_NE(registry::LastError().find("registered to class"), std::string::npos);
    EXPECT_EQ(registry::ClsidFromProgId("VexoTest.Thing2", c), S_OK);
    EXPECT_EQ(c, r.clsid);

    EXPECT_EQ(registry::Unregister(r.clsid), S_OK);
    for (const char* sub : {"CLSID", "ProgID"})
        EXPECT_TRUE(std::filesystem::is_empty(root / sub)) << sub;
    EXPECT_TRUE(std::filesystem::is_empty(root / "TypeLib"));
}

TEST(ComRegistry, AMovedLibraryAndCorruptRecordsGiveClearErrors) {
    TempRegistry reg;
    ASSERT_EQ(RegisterServer(VEXO_DRAW_LIB), S_OK);
    registry::ClassRecord moved;
    moved.className = "Moved";
    moved.library = "VexoTest";
    moved.progId = "VexoTest.Moved";
    moved.clsid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
    moved.path = reg.File("gone/libVexoTest.so");
    moved.libid = kLibid;
    ASSERT_EQ(registry::Register(moved), S_OK);
    IDispatch* d = nullptr;
    EXPECT_EQ(CreateObject("VexoTest.Moved", &d), CO_E_DLLNOTFOUND);
    EXPECT_NE(registry::LastError().find("moved"), std::string::npos);

    const auto root = std::filesystem::path(registry::Root());
    const std::string corrupt = "{66666666-7777-8888-9999-AAAAAAAAAAAA}";
    std::ofstream(root / "CLSID" / corrupt) << "this is not a record\n";
    std::ofstream(root / "ProgID" / "VexoTest.Corrupt") << "CLSID=" << corrupt << "\n";
    std::ofstream(root / "ProgID" / "VexoTest.BadId") << "CLSID=nonsense\n";
    EXPECT_EQ(CreateObject("VexoTest.Corrupt", &d), REGDB_E_INVALIDVALUE);
    EXPECT_NE(registry::LastError().find("corrupt"), std::string::npos);
    EXPECT_EQ(CreateObject("VexoTest.BadId", &d), REGDB_E_INVALIDVALUE);
    std::vector<std::string> problems;
    const auto records = registry::List(&problems);
    EXPECT_EQ(records.size(), 2u);  // draw and the moved one
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(corrupt), std::string::npos);

    // The corrupt class can still be removed, and the others are untouched.
    EXPECT_EQ(registry::Unregister(MakeGuid(corrupt.c_str())), S_OK);
    EXPECT_FALSE(std::filesystem::exists(root / "ProgID" / "VexoTest.Corrupt"));
    EXPECT_EQ(registry::Unregister(moved.clsid), S_OK);
    ASSERT_EQ(CreateObject("VexoDX7Draw.DX7Draw", &d), S_OK);
    d->Release();
    EXPECT_EQ(UnregisterServer(VEXO_DRAW_LIB), S_OK);
}

TEST(ComFactory, EntryPointsFactoryInterfacesAndTypeInformation) {
    TempRegistry reg;
    ASSERT_EQ(RegisterServer(VEXO_DRAW_LIB), S_OK);
    void* lib = dlopen(VEXO_DRAW_LIB, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(lib);
    auto getClass = reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(dlsym(lib, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<HRESULT (*)()>(dlsym(lib, "DllCanUnloadNow"));
    ASSERT_TRUE(getClass && canUnload && dlsym(lib, "DllRegisterServer") && dlsym(lib, "DllUnregisterServer"));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClass(kInputClsid, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(canUnload(), S_OK);

    {
        Held<IClassFactory> f;
        ASSERT_EQ(getClass(kDrawClsid, IID_IClassFactory, reinterpret_cast<void**>(f.out())), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);  // the factory itself is alive
        Held<IUnknown> outer;
        ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(outer.out())), S_OK);
        EXPECT_EQ(f->CreateInstance(outer.p, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(f->LockServer(1), S_OK);
    }
    EXPECT_EQ(canUnload(), S_FALSE);  // locked
    {
        Held<IClassFactory> f;
        ASSERT_EQ(CoGetClassObject(kDrawClsid, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                                   reinterpret_cast<void**>(f.out())), S_OK);
        EXPECT_EQ(f->LockServer(0), S_OK);
        Held<IDispatch> obj;
        ASSERT_EQ(f->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(obj.out())), S_OK);
        IUnknown* viaIid = nullptr;
        ASSERT_EQ(obj->QueryInterface(kDrawIid, reinterpret_cast<void**>(&viaIid)), S_OK);
        // The typed half of the dual interface: its own vtable, the same object.
        EXPECT_NE(viaIid, static_cast<IUnknown*>(obj.p));
        IUnknown* identity = nullptr;
        ASSERT_EQ(viaIid->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, static_cast<IUnknown*>(obj.p));
        identity->Release();
        EXPECT_EQ(viaIid->AddRef(), 3u);
        EXPECT_EQ(viaIid->Release(), 2u);
        EXPECT_EQ(obj->QueryInterface(kInputClsid, &p), E_NOINTERFACE);

        // Dispatch ids follow the interface order; names match in any case.
        EXPECT_EQ(IdOf(obj.p, "DDTextOut"), 1);
        EXPECT_EQ(IdOf(obj.p, "ddsetup"), 16);
        EXPECT_EQ(IdOf(obj.p, "DDPrimarySetPalette"), 39);
        BSTR names[] = {BstrFromUtf8("DDSetup"), BstrFromUtf8("NBITDEPTH")};
        DISPID ids[2];
        EXPECT_EQ(obj->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
        EXPECT_EQ(ids[1], 4);
        for (BSTR n : names) SysFreeString(n);

        // No type information here: a client that asks is told so, through
        // either half of the dual interface, and is handed nothing.
        for (IDispatch* asker : {obj.p, static_cast<IDispatch*>(viaIid)}) {
            UINT infos = 7;
            EXPECT_EQ(asker->GetTypeInfoCount(&infos), S_OK);
            EXPECT_EQ(infos, 0u);
            ITypeInfo* ti = reinterpret_cast<ITypeInfo*>(&infos);
            EXPECT_EQ(asker->GetTypeInfo(0, 0, &ti), E_NOTIMPL);
            EXPECT_EQ(ti, nullptr);
        }
        EXPECT_EQ(obj->GetTypeInfo(0, 0, nullptr), E_POINTER);
        // In process, the description itself.
        const ClassDesc* desc = DescriptionOf(obj.p);
        ASSERT_TRUE(desc);
        EXPECT_EQ(desc->libid, kLibid);
        EXPECT_EQ(desc->major, 19);
        EXPECT_EQ(desc->minor, 0);
        EXPECT_EQ(DescriptionOf(static_cast<IDispatch*>(viaIid)), nullptr);
        viaIid->Release();
        const std::string idl = WriteIdl(*desc);
        EXPECT_NE(idl.find("interface _DX7Draw : IDispatch"), std::string::npos);
        EXPECT_NE(idl.find("FULLSCREEN = 1"), std::string::npos);
        EXPECT_NE(idl.find("ROTATE90 = 64"), std::string::npos);
        EXPECT_NE(idl.find("[in, optional, defaultvalue(-1)] VARIANT_BOOL bTransparent"), std::string::npos);
        EXPECT_NE(idl.find("[in, out] SAFEARRAY(unsigned char)* Red"), std::string::npos);
        EXPECT_NE(idl.find("[in, out] long* SrcX,\n            [in, out] long* SrcY"), std::string::npos);
        EXPECT_NE(idl.find("[in, out] long* xDest,\n            [in, out] long* yDest,\n"
                           "            [in, optional, defaultvalue(-1)] VARIANT_BOOL bTransparent"),
                  std::string::npos);
        EXPECT_EQ(idl.find("import \"oaidl.idl\";"), 0u);
        EXPECT_NE(idl.find("typedef enum ScreenType {"), std::string::npos);
        EXPECT_NE(idl.find("coclass DX7Draw"), std::string::npos);
        EXPECT_NE(idl.find("[in, out, optional] ScreenBitType* nBitDepth"), std::string::npos);
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    dlclose(lib);
    EXPECT_EQ(UnregisterServer(VEXO_DRAW_LIB), S_OK);
}

}  // namespace
}  // namespace vexo::test
