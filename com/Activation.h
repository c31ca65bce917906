// Activation: creating a component's object by class or program identifier.
// The registered library is loaded (once per process; it stays loaded) and
// its DllGetClassObject hands out the class factory. Failures leave a
// sentence in registry::LastError().
#pragma once

#include <string>

#include "com/Com.h"

namespace vexo::com {

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 1;

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid);
HRESULT CoGetClassObject(REFCLSID clsid, uint32_t context, REFIID riid, void** ppv);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t context, REFIID riid, void** ppv);
// A program identifier or a class identifier in braces; the object's IDispatch.
HRESULT CreateObject(const std::string& name, IDispatch** out);

// The library's own DllCanUnloadNow (S_FALSE for a library not loaded here).
HRESULT CanUnloadNow(REFCLSID clsid);

// Loads the library and calls its DllRegisterServer / DllUnregisterServer.
HRESULT RegisterServer(const std::string& libraryPath);
HRESULT UnregisterServer(const std::string& libraryPath);

// A short text for a status ("class not registered", ...).
std::string StatusText(HRESULT hr);

}  // namespace vexo::com
