// The description of a component's interface: its methods in interface order,
// their parameters (type, by reference or by value, optional with default)
// and results, the enumerations, and the identity of the class, interface and
// type library. The dispatch tables are made from it, and WriteIdl turns it
// into the interface-definition file a type library is compiled from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "com/Com.h"

namespace vexo::com {

// Parameter and result types as automation sees them.
enum class Ty : uint8_t {
    Void,       // no result
    Bool,       // 16-bit Boolean (VARIANT_BOOL)
    Byte,       // unsigned char
    Long,       // 32-bit signed
    Single,     // 32-bit float
    String,     // BSTR
    Variant,    // VARIANT result
    Surface,    // DirectDrawSurface7 object
    Palette,    // DirectDrawPalette object
    ByteArray,  // SAFEARRAY(unsigned char)
    Enum,       // a 32-bit enumeration named by ParamDesc::enumName
};

VARTYPE VarTypeOf(Ty t);

enum ParamFlags : uint8_t {
    kByVal = 0,
    kByRef = 1,
    kOptional = 2,
    // Optional without a default the interface declares: a missing argument
    // still takes `def`, but the definition file marks it optional only.
    kUndeclaredDefault = 4,
};

struct ParamDesc {
    const char* name;
    Ty type;
    uint8_t flags = kByRef;  // parameters are by reference unless stated
    double def = 0;          // default of an optional parameter
    const char* enumName = nullptr;

    bool byRef() const { return flags & kByRef; }
    bool optional() const { return flags & kOptional; }
};

struct MethodDesc {
    const char* name;
    Ty result;
    std::vector<ParamDesc> params;
    const char* resultEnum = nullptr;
};

struct EnumDesc {
    const char* name;
    std::vector<std::pair<const char*, int32_t>> members;
};

struct ClassDesc {
    const char* library;      // "VexoDX7Draw"
    const char* className;    // "DX7Draw"
    const char* interfaceName;  // "_DX7Draw"
    GUID libid;
    WORD major, minor;
    GUID clsid;
    GUID iid;
    std::vector<MethodDesc> methods;
    std::vector<EnumDesc> enums;

    std::string ProgId() const { return std::string(library) + "." + className; }
};

// Dispatch identifiers follow the interface order: the first method is 1.
inline constexpr DISPID kFirstDispId = 1;

// Case-insensitive (ASCII) name comparison, as automation clients expect.
bool NamesEqual(const std::string& a, const std::string& b);

// The interface-definition text for the library: enumerations, the dual
// default interface and the creatable class.
std::string WriteIdl(const ClassDesc& d);

// The typed half of the dual interface as a C++ header: the abstract class
// with one entry per method in interface order (the vtable a client binds
// to, after the seven of IUnknown and IDispatch), the enumerations as
// constants, and the class that forwards each entry into the dispatch path
// by its identifier.
std::string WriteTyped(const ClassDesc& d);

// Everything the typed header is written from, as text: the interface, each
// method with its parameters' types and passing and its result, and the
// enumerations. The header keeps it, so a component can tell a header made
// from another description.
std::string VtableSignature(const ClassDesc& d);
bool TypedMatches(const ClassDesc& d, const char* signature);

}  // namespace vexo::com
