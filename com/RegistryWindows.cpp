// Registration in the system registry, for Windows: the class's keys under
// HKLM\Software\Classes when this process may write there, else per user
// under HKCU\Software\Classes, and the type library the DLL carries. The
// class, program identifier and version are those the Linux registry records.
//
//   CLSID\{clsid}                  (default) class name
//     InprocServer32               (default) the DLL's full path, ThreadingModel Apartment
//     ProgID                       <Library>.<Class>.<major>
//     VersionIndependentProgID     <Library>.<Class>
//     TypeLib                      {library id}
//     Version                      <major>.<minor>
//   <Library>.<Class>.<major>      (default) class name; CLSID
//   <Library>.<Class>              (default) class name; CLSID, CurVer
// plus what RegisterTypeLib writes (TypeLib\{library id}\<version>,
// Interface\{iid}).
#include "com/Automation.h"

#include <cwchar>
#include <string>

extern "C" {
// In the import library but not declared by the mingw-w64 headers.
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND kind);
}

namespace vexo::com {

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }  // ASCII names

std::wstring GuidText(const GUID& g) { return Wide(GuidToString(g)); }

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

struct Names {
    std::wstring clsid, progId, independent, libid, version, className, iid;
    std::wstring libVersion;  // the type library's key: hexadecimal, as RegisterTypeLib writes it
};

Names NamesOf(const ClassDesc& d) {
    Names n;
    n.clsid = GuidText(d.clsid);
    n.independent = Wide(d.ProgId());
    n.progId = n.independent + L"." + std::to_wstring(d.major);
    n.libid = GuidText(d.libid);
    n.version = std::to_wstring(d.major) + L"." + std::to_wstring(d.minor);
    n.className = Wide(d.className);
    n.iid = GuidText(d.iid);
    wchar_t hex[16];
    swprintf(hex, 16, L"%x.%x", unsigned(d.major), unsigned(d.minor));
    n.libVersion = hex;
    return n;
}

// The string value `name` (null: the default value) of `sub` below `root`,
// the key created as needed.
LONG SetValue(HKEY root, const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc;
}

// The string value, empty when missing.
std::wstring GetValue(HKEY root, const std::wstring& sub, const wchar_t* name) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return {};
    return buf;
}

void DeleteTree(HKEY root, const std::wstring& sub) {
    RegDeleteTreeW(root, sub.c_str());
    RegDeleteKeyW(root, sub.c_str());
}

// Removes the key when its CLSID names this class: a program identifier
// taken over by another class is not ours any more.
void DeleteProgIdOf(HKEY root, const std::wstring& progId, const std::wstring& clsid) {
    if (_wcsicmp(GetValue(root, progId + L"\\CLSID", nullptr).c_str(), clsid.c_str()) == 0) DeleteTree(root, progId);
}

// The classes root this process may write: the machine's, else the user's.
HKEY OpenClassesRoot(bool& machine) {
    HKEY key = nullptr;
    machine = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &key) ==
              ERROR_SUCCESS;
    if (machine) return key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

std::wstring FileName(const std::wstring& p) { return p.substr(p.find_last_of(L"\\/") + 1); }

// Whether a registered type library is this DLL's: this file, a copy of it
// registered from elsewhere (moved, perhaps gone since), or any file whose
// type library holds this interface; not the other library of the same
// identifier and version.
bool IsOurLibrary(const std::wstring& registered, const std::wstring& path, const IID& iid) {
    if (_wcsicmp(registered.c_str(), path.c_str()) == 0 ||
        _wcsicmp(FileName(registered).c_str(), FileName(path).c_str()) == 0)
        return true;
    ITypeLib* lib = nullptr;
    if (FAILED(LoadTypeLibEx(registered.c_str(), REGKIND_NONE, &lib))) return false;
    ITypeInfo* info = nullptr;
    const bool ours = SUCCEEDED(lib->GetTypeInfoOfGuid(iid, &info));
    if (info) info->Release();
    lib->Release();
    return ours;
}

// Removes this class's keys below one classes root, and the type library's
// registration there when it names this DLL (the sound and music libraries
// share an identifier and version; the other's registration stays).
void RemoveFrom(HKEY root, const Names& n, const ClassDesc& d, const std::wstring& path, bool machine) {
    DeleteProgIdOf(root, n.progId, n.clsid);
    DeleteProgIdOf(root, n.independent, n.clsid);
    DeleteTree(root, L"CLSID\\" + n.clsid);
    const std::wstring libKey = L"TypeLib\\" + n.libid;
    const std::wstring win = kSysKind == SYS_WIN64 ? L"win64" : L"win32";
    const std::wstring registered = GetValue(root, libKey + L"\\" + n.libVersion + L"\\0\\" + win, nullptr);
    if (!registered.empty() && IsOurLibrary(registered, path, d.iid)) {
        if (machine) UnRegisterTypeLib(d.libid, d.major, d.minor, 0, kSysKind);
        else UnRegisterTypeLibForUser(d.libid, d.major, d.minor, 0, kSysKind);
    }
    // The interface's keys, whichever library's registration wrote them
    // last, in both registry views: the type library's registration writes
    // the 32-bit view's too.
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY interfaces = nullptr;
        if (RegOpenKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, L"Software\\Classes\\Interface", 0,
                          KEY_ALL_ACCESS | view, &interfaces) != ERROR_SUCCESS)
            continue;
        if (_wcsicmp(GetValue(interfaces, n.iid + L"\\TypeLib", nullptr).c_str(), n.libid.c_str()) == 0)
            DeleteTree(interfaces, n.iid);
        RegCloseKey(interfaces);
    }
    // The library identifier's key once no version is left in it.
    HKEY lib = nullptr;
    if (RegOpenKeyExW(root, libKey.c_str(), 0, KEY_READ, &lib) == ERROR_SUCCESS) {
        DWORD subkeys = 0;
        const bool empty = RegQueryInfoKeyW(lib, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                           subkeys == 0;
        RegCloseKey(lib);
        if (empty) DeleteTree(root, libKey);
    }
}

HKEY UserClasses() {
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS ? key
                                                                                                          : nullptr;
}

}  // namespace

HRESULT Server::Register(const void* anyFunctionInLibrary) const {
    std::wstring path;
    if (FAILED(ModulePath(anyFunctionInLibrary, path))) return SELFREG_E_CLASS;
    ITypeLib* lib = nullptr;
    if (FAILED(LoadModuleTypeLib(anyFunctionInLibrary, &lib))) return SELFREG_E_TYPELIB;
    bool machine = false;
    HKEY root = OpenClassesRoot(machine);
    if (!root) {
        lib->Release();
        return SELFREG_E_CLASS;
    }
    const Names n = NamesOf(desc_);
    // An earlier registration (of a moved or rebuilt DLL) is replaced whole.
    DeleteTree(root, L"CLSID\\" + n.clsid);
    DeleteTree(root, n.progId);
    DeleteTree(root, n.independent);
    const std::wstring cls = L"CLSID\\" + n.clsid;
    const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
        {cls, {nullptr, n.className}},
        {cls + L"\\InprocServer32", {nullptr, path}},
        {cls + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
        {cls + L"\\ProgID", {nullptr, n.progId}},
        {cls + L"\\VersionIndependentProgID", {nullptr, n.independent}},
        {cls + L"\\TypeLib", {nullptr, n.libid}},
        {cls + L"\\Version", {nullptr, n.version}},
        {n.progId, {nullptr, n.className}},
        {n.progId + L"\\CLSID", {nullptr, n.clsid}},
        {n.independent, {nullptr, n.className}},
        {n.independent + L"\\CLSID", {nullptr, n.clsid}},
        {n.independent + L"\\CurVer", {nullptr, n.progId}},
    };
    HRESULT hr = S_OK;
    for (const auto& [key, value] : values)
        if (SetValue(root, key, value.first, value.second) != ERROR_SUCCESS) {
            hr = SELFREG_E_CLASS;
            break;
        }
    if (SUCCEEDED(hr)) {
        std::wstring p = path;
        hr = machine ? RegisterTypeLib(lib, p.data(), nullptr) : RegisterTypeLibForUser(lib, p.data(), nullptr);
        if (FAILED(hr)) hr = SELFREG_E_TYPELIB;
    }
    if (FAILED(hr)) RemoveFrom(root, n, desc_, path, machine);  // nothing half-written stays
    // A per-user registration would hide the machine's from this user.
    if (SUCCEEDED(hr) && machine)
        if (HKEY user = UserClasses()) {
            RemoveFrom(user, n, desc_, path, false);
            RegCloseKey(user);
        }
    lib->Release();
    RegCloseKey(root);
    return hr;
}

HRESULT Server::Unregister() const {
    const Names n = NamesOf(desc_);
    std::wstring path;
    if (FAILED(ModulePath(reinterpret_cast<const void*>(&NamesOf), path))) return SELFREG_E_CLASS;
    // Both roots: a registration may have been made with or without the
    // right to write the machine's.
    bool machine = false;
    HKEY root = OpenClassesRoot(machine);
    if (root) {
        RemoveFrom(root, n, desc_, path, machine);
        RegCloseKey(root);
    }
    if (machine)
        if (HKEY user = UserClasses()) {
            RemoveFrom(user, n, desc_, path, false);
            RegCloseKey(user);
        }
    // A key that could not be removed (no right to) leaves the class
    // registered: that is a failure, not a success without effect.
    HKEY left = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + n.clsid).c_str(), 0, KEY_READ, &left) == ERROR_SUCCESS) {
        RegCloseKey(left);
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

}  // namespace vexo::com
