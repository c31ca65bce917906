// The component object model the automation layer stands on. On Windows it
// is the system's own (com/ModelWindows.h: VARIANT, BSTR, SAFEARRAY and their
// services from oleaut32); on Linux it is ours (com/ModelOwn.h), with the same
// names and shapes. Everything above this seam is written once for both.
#pragma once

#include <cstdint>
#include <string>

namespace vexo::com {
// A status from its 32 bits as published (statuses are signed 32-bit values).
inline constexpr int32_t Hr(uint32_t v) { return static_cast<int32_t>(v); }
}  // namespace vexo::com

#ifdef _WIN32
#include "com/ModelWindows.h"
#else
#include "com/ModelOwn.h"
#endif

namespace vexo::com {

inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
inline constexpr bool Failed(HRESULT hr) { return hr < 0; }

// A run-time error number in its automation form (facility "control").
inline constexpr HRESULT HresultFromErrorNumber(int32_t number) {
    return number > 0 && number <= 0xFFFF ? Hr(0x800A0000u | static_cast<uint32_t>(number)) : number;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hex.
std::string GuidToString(const GUID& g);
// Parses that form (braces required, hex of either case); false when malformed.
bool GuidFromString(const std::string& text, GUID& out);
// For constants in the source: raises std::invalid_argument when malformed.
GUID MakeGuid(const char* text);

// UTF-8 <-> BSTR. A null BSTR is the empty string.
BSTR BstrFromUtf8(const std::string& text);
std::string Utf8FromBstr(BSTR s);

// Small helpers for building arguments.
VARIANT MakeI4(int32_t v);
VARIANT MakeI2(int16_t v);
VARIANT MakeR8(double v);
VARIANT MakeBool(bool v);
VARIANT MakeBstr(const std::string& utf8);
VARIANT MakeByRef(VARTYPE vt, void* target);  // VT_BYREF | vt pointing at target

// Frees the strings an exception carries.
void ClearExcepInfo(EXCEPINFO* e);
// Readies a caller's exception record to be filled. Our own model's callers
// hand in one they initialised, perhaps filled by an earlier call, whose
// strings go first; the system's callers may hand in one never initialised,
// which is only emptied, never freed.
void ResetExcepInfo(EXCEPINFO* e);

// Error information for clients that call the typed half of the dual
// interface, which gets no EXCEPINFO: on Windows the thread's error object
// (SetErrorInfo), answered through ISupportErrorInfo for the interface `iid`
// and IDispatch; our own model has none, and both are no-ops there.
void PublishErrorInfo(const IID& iid, const std::string& source, const std::string& description);
void ClearErrorInfo();
// ISupportErrorInfo of `owner` (a new reference in *ppv, true) when `riid`
// asks for it where the model has one; false otherwise.
bool QueryErrorInfoSupport(IUnknown* owner, const IID& iid, const IID& riid, void** ppv);

// The run-time error number an automation client sees for a failed call:
// the exception's number for DISP_E_EXCEPTION, 6 for an overflowing
// argument, 13 for a type mismatch, 449 for a missing argument, 450 for a
// wrong argument count, 438 for an unknown member, else the status itself.
int32_t ErrorNumberFromHresult(HRESULT hr, const EXCEPINFO* e);

}  // namespace vexo::com
