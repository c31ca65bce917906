// Set aside, for the declarations that follow, the Windows headers' macros
// that share a name with them (RGB, SRCCOPY, E_FAIL, ...): the declarations
// then keep their own names whichever header came first.
// common/PopSystemMacros.h puts the macros back. No include guard: each
// header that needs it brackets its declarations with the pair.
#ifdef _WIN32
#pragma push_macro("RGB")
#undef RGB
#pragma push_macro("GetRValue")
#undef GetRValue
#pragma push_macro("GetGValue")
#undef GetGValue
#pragma push_macro("GetBValue")
#undef GetBValue
#pragma push_macro("CLR_INVALID")
#undef CLR_INVALID
#pragma push_macro("SWP_NOSIZE")
#undef SWP_NOSIZE
#pragma push_macro("SWP_NOMOVE")
#undef SWP_NOMOVE
#pragma push_macro("SWP_NOZORDER")
#undef SWP_NOZORDER
#pragma push_macro("SRCCOPY")
#undef SRCCOPY
#pragma push_macro("TRANSPARENT")
#undef TRANSPARENT
#pragma push_macro("OPAQUE")
#undef OPAQUE
#pragma push_macro("OBJ_FONT")
#undef OBJ_FONT
#pragma push_macro("OBJ_BITMAP")
#undef OBJ_BITMAP
#pragma push_macro("MB_ICONEXCLAMATION")
#undef MB_ICONEXCLAMATION
#pragma push_macro("DT_LEFT")
#undef DT_LEFT
#pragma push_macro("DT_TOP")
#undef DT_TOP
#pragma push_macro("E_NOTIMPL")
#undef E_NOTIMPL
#pragma push_macro("E_FAIL")
#undef E_FAIL
#pragma push_macro("E_INVALIDARG")
#undef E_INVALIDARG
#pragma push_macro("E_OUTOFMEMORY")
#undef E_OUTOFMEMORY
#pragma push_macro("E_HANDLE")
#undef E_HANDLE
#pragma push_macro("E_NOINTERFACE")
#undef E_NOINTERFACE
#pragma push_macro("E_POINTER")
#undef E_POINTER
#endif
