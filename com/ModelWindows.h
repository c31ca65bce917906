// The system's component object model, for Windows: the types and services
// of ole32 and oleaut32 from the mingw-w64 headers, under the names the layer
// uses in vexo::com. Included through com/Com.h.
#pragma once

#include <objbase.h>
#include <oaidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <string>

namespace vexo::com {

using ::BSTR;
using ::DISPID;
using ::HRESULT;
using ::LCID;
using ::LONG;
using ::MEMBERID;
using ::OLECHAR;
using ::UINT;
using ::ULONG;
using ::VARIANT_BOOL;
using ::VARTYPE;
using ::WORD;

using ::CLSID;
using ::GUID;
using ::IID;

using ::IClassFactory;
using ::IDispatch;
using ::ITypeInfo;
using ::ITypeLib;
using ::IUnknown;

using ::IID_IClassFactory;
using ::IID_IDispatch;
using ::IID_IUnknown;

using ::CY;
using ::DATE;
using ::DECIMAL;
using ::DISPPARAMS;
using ::EXCEPINFO;
using ::SAFEARRAY;
using ::SAFEARRAYBOUND;
using ::VARIANT;
using ::VARIANTARG;

using ::SafeArrayCopy;
using ::SafeArrayCreateVector;
using ::SafeArrayDestroy;
using ::SafeArrayGetLBound;
using ::SafeArrayGetUBound;
using ::SysAllocString;
using ::SysAllocStringLen;
using ::SysFreeString;
using ::SysStringLen;
using ::VariantClear;
using ::VariantInit;

// The headers declare the sources without const; the system leaves them as
// they are.
inline HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    return ::VariantCopy(dest, const_cast<VARIANT*>(src));
}
inline HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
    return ::VariantChangeType(dest, const_cast<VARIANT*>(src), flags, vt);
}

// The full path of the module (DLL) holding the code at `inModule`.
HRESULT ModulePath(const void* inModule, std::wstring& path);
// The type library resource of that module, not registered.
HRESULT LoadModuleTypeLib(const void* inModule, ITypeLib** out);

// The layouts clients of either width rely on: a 64-bit VARIANT is 24 bytes.
static_assert(sizeof(VARIANT) == (sizeof(void*) == 8 ? 24 : 16));
static_assert(sizeof(DECIMAL) == 16 && sizeof(CY) == 8 && sizeof(OLECHAR) == 2);

}  // namespace vexo::com
