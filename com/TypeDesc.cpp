// Names and identifiers from an interface description, and the
// interface-definition text made from it.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "com/Automation.h"
#include "com/TypeDesc.h"

namespace vexo::com {

VARTYPE VarTypeOf(Ty t) {
    switch (t) {
        case Ty::Void: return VT_EMPTY;
        case Ty::Bool: return VT_BOOL;
        case Ty::Byte: return VT_UI1;
        case Ty::Long: case Ty::Enum: return VT_I4;
        case Ty::Single: return VT_R4;
        case Ty::String: return VT_BSTR;
        case Ty::Variant: return VT_VARIANT;
        case Ty::Surface: case Ty::Palette: return VT_DISPATCH;
        case Ty::ByteArray: return VT_ARRAY | VT_UI1;
    }
    return VT_EMPTY;
}

bool NamesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

HRESULT NamesToIds(const ClassDesc& d, OLECHAR** names, UINT count, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    auto text = [&](UINT i) {
        BSTR b = SysAllocString(names[i]);
        std::string s = Utf8FromBstr(b);
        SysFreeString(b);
        return s;
    };
    const MethodDesc* found = nullptr;
    const std::string name = text(0);
    for (size_t m = 0; m < d.methods.size(); ++m)
        if (NamesEqual(d.methods[m].name, name)) {
            found = &d.methods[m];
            ids[0] = DISPID(kFirstDispId + m);
            break;
        }
    if (!found) return DISP_E_UNKNOWNNAME;
    bool all = true;
    for (UINT i = 1; i < count; ++i) {
        const std::string p = text(i);
        for (size_t k = 0; k < found->params.size(); ++k)
            if (NamesEqual(found->params[k].name, p)) ids[i] = DISPID(k);
        all = all && ids[i] != DISPID_UNKNOWN;
    }
    return all ? S_OK : DISP_E_UNKNOWNNAME;
}

namespace {

const char* IdlType(Ty t, const char* enumName) {
    switch (t) {
        case Ty::Void: return "void";
        case Ty::Bool: return "VARIANT_BOOL";
        case Ty::Byte: return "unsigned char";
        case Ty::Long: return "long";
        case Ty::Single: return "float";
        case Ty::String: return "BSTR";
        case Ty::Variant: return "VARIANT";
        case Ty::Surface: return "IDispatch*";  // DirectDrawSurface7 of the platform library
        case Ty::Palette: return "IDispatch*";  // DirectDrawPalette
        case Ty::ByteArray: return "SAFEARRAY(unsigned char)";
        case Ty::Enum: return enumName;
    }
    return "VARIANT";
}

std::string Hex(const GUID& g) {
    std::string s = GuidToString(g);
    return s.substr(1, s.size() - 2);
}

}  // namespace

std::string WriteIdl(const ClassDesc& d) {
    std::ostringstream o;
    // Written so that the system's IDL compilers take it unchanged: the base
    // types come from oaidl.idl, and each enumeration is named by its tag too
    // (an untagged one gets a generated name in the type library).
    o << "import \"oaidl.idl\";\n\n";
    o << "[\n  uuid(" << Hex(d.libid) << "),\n  version(" << d.major << "." << d.minor << ")\n]\n";
    o << "library " << d.library << "\n{\n";
    o << "    importlib(\"stdole2.tlb\");\n\n";
    for (const EnumDesc& e : d.enums) {
        o << "    typedef enum " << e.name << " {\n";
        for (size_t i = 0; i < e.members.size(); ++i)
            o << "        " << e.members[i].first << " = " << e.members[i].second
              << (i + 1 < e.members.size() ? ",\n" : "\n");
        o << "    } " << e.name << ";\n\n";
    }
    o << "    [\n      odl,\n      uuid(" << Hex(d.iid) << "),\n      hidden,\n      dual,\n      nonextensible,\n"
      << "      oleautomation\n    ]\n    interface " << d.interfaceName << " : IDispatch {\n";
    for (size_t m = 0; m < d.methods.size(); ++m) {
        const MethodDesc& md = d.methods[m];
        o << "        [id(0x" << std::hex << (kFirstDispId + m) << std::dec << ")]\n        HRESULT " << md.name << "(";
        bool first = true;
        for (const ParamDesc& p : md.params) {
            o << (first ? "\n" : ",\n") << "            [in";
            first = false;
            if (p.byRef()) o << ", out";
            if (p.optional() && (p.flags & kUndeclaredDefault)) {
                o << ", optional";
            } else if (p.optional()) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.9g", p.def);
                o << ", optional, defaultvalue(" << buf << ")";
            }
            o << "] " << IdlType(p.type, p.enumName) << (p.byRef() ? "* " : " ") << p.name;
        }
        if (md.result != Ty::Void) {
            o << (first ? "\n" : ",\n") << "            [out, retval] " << IdlType(md.result, md.resultEnum)
              << "* result";
            first = false;
        }
        o << ");\n";
    }
    o << "    };\n\n";
    o << "    [\n      uuid(" << Hex(d.clsid) << "),\n      version(" << d.major << "." << d.minor
      << ")\n    ]\n    coclass " << d.className << " {\n        [default] interface " << d.interfaceName
      << ";\n    };\n};\n";
    return o.str();
}

}  // namespace vexo::com

namespace vexo::com {
namespace {

// The C++ type of a parameter passed by value, as the typed entries take it.
const char* CType(Ty t) {
    switch (t) {
        case Ty::Void: return "void";
        case Ty::Bool: return "VARIANT_BOOL";
        case Ty::Byte: return "uint8_t";
        case Ty::Long: case Ty::Enum: return "int32_t";
        case Ty::Single: return "float";
        case Ty::String: return "BSTR";
        case Ty::Variant: return "VARIANT";
        case Ty::Surface: case Ty::Palette: return "IDispatch*";
        case Ty::ByteArray: return "SAFEARRAY*";
    }
    return "VARIANT";
}

char Code(Ty t) {
    switch (t) {
        case Ty::Void: return 'v';
        case Ty::Bool: return 'b';
        case Ty::Byte: return 'y';
        case Ty::Long: return 'l';
        case Ty::Single: return 'f';
        case Ty::String: return 's';
        case Ty::Variant: return 'V';
        case Ty::Surface: return 'S';
        case Ty::Palette: return 'P';
        case Ty::ByteArray: return 'a';
        case Ty::Enum: return 'e';
    }
    return '?';
}

// One method's piece of the signature: "Name(&l,s,e:Mode)l".
std::string MethodSignature(const MethodDesc& m) {
    std::string s = m.name;
    s.append("(");
    for (size_t i = 0; i < m.params.size(); ++i) {
        const ParamDesc& p = m.params[i];
        if (i) s += ',';
        if (p.byRef()) s += '&';
        s += Code(p.type);
        if (p.type == Ty::Enum && p.enumName) s.append(":").append(p.enumName);
    }
    return s.append(")").append(1, Code(m.result));
}

std::string EnumSignature(const EnumDesc& e) {
    std::string s = "enum ";
    s.append(e.name).append("{");
    for (size_t i = 0; i < e.members.size(); ++i)
        s.append(i ? "," : "").append(e.members[i].first).append("=").append(std::to_string(e.members[i].second));
    return s.append("}");
}

// The entry's parameter list, the result last as [out, retval].
std::string TypedParams(const MethodDesc& m) {
    std::string s;
    for (const ParamDesc& p : m.params)
        s.append(s.empty() ? "" : ", ").append(CType(p.type)).append(p.byRef() ? "* " : " ").append(p.name);
    if (m.result != Ty::Void) s.append(s.empty() ? "" : ", ").append(CType(m.result)).append("* result");
    return s;
}

}  // namespace

std::string VtableSignature(const ClassDesc& d) {
    std::string s = d.interfaceName;
    s.append(";");
    for (const MethodDesc& m : d.methods) s.append(MethodSignature(m)).append(";");
    for (const EnumDesc& e : d.enums) s.append(EnumSignature(e)).append(";");
    return s;
}

bool TypedMatches(const ClassDesc& d, const char* signature) {
    return signature && VtableSignature(d) == signature;
}

std::string WriteTyped(const ClassDesc& d) {
    const std::string iface = d.interfaceName;
    std::ostringstream o;
    o << "// The typed half of the dual interface " << iface << ", one entry per method in\n"
      << "// interface order. Generated by the build from the interface description\n"
      << "// (com/idlgen); edits here are lost.\n"
      << "#pragma once\n\n#include <tuple>\n\n#include \"com/Automation.h\"\n\n"
      << "namespace vexo::com::typed {\n\n";
    if (!d.enums.empty()) o << "// The enumerations, as the interface definition gives them.\n";
    for (const EnumDesc& e : d.enums) {
        o << "struct " << e.name << " {\n";
        for (const auto& [name, value] : e.members)
            o << "    static constexpr int32_t " << name << " = " << value << ";\n";
        o << "};\n\n";
    }
    o << "struct " << iface << " : IDispatch {\n";
    for (const MethodDesc& m : d.methods)
        o << "    virtual HRESULT STDMETHODCALLTYPE " << m.name << "(" << TypedParams(m) << ") = 0;\n";
    o << "\nprotected:\n    ~" << iface << "() = default;\n};\n\n";
    o << "// Forwards every entry into the object's dispatch path, so conversion,\n"
      << "// write-back and errors are those of Invoke.\n"
      << "class " << iface << "Entries final : public EntriesBase<" << iface << "> {\n"
      << "public:\n    using EntriesBase::EntriesBase;\n"
      << "    static constexpr size_t kMethods = " << d.methods.size() << ";\n"
      << "    // What this header was generated from (VtableSignature).\n"
      << "    static constexpr const char* kSignature =\n        \"" << iface << ";\"";
    for (const MethodDesc& m : d.methods) o << "\n        \"" << MethodSignature(m) << ";\"";
    for (const EnumDesc& e : d.enums) o << "\n        \"" << EnumSignature(e) << ";\"";
    o << ";\n    // Every entry in vtable order.\n    static constexpr auto kEntries = std::tuple{";
    for (size_t i = 0; i < d.methods.size(); ++i)
        o << (i ? ",\n" : "\n") << "        &" << iface << "::" << d.methods[i].name;
    o << "};\n";
    for (size_t i = 0; i < d.methods.size(); ++i) {
        const MethodDesc& m = d.methods[i];
        o << "    HRESULT STDMETHODCALLTYPE " << m.name << "(" << TypedParams(m)
          << ") override { return Call(o_, 0x" << std::hex << (kFirstDispId + i) << std::dec << ", {";
        for (size_t k = 0; k < m.params.size(); ++k) o << (k ? ", " : "") << "In(" << m.params[k].name << ")";
        o << "}" << (m.result != Ty::Void ? ", result" : "") << "); }\n";
    }
    o << "};\n\n}  // namespace vexo::com::typed\n";
    return o.str();
}

}  // namespace vexo::com
