// The Windows platform's pieces, each in its own file, and the small helpers
// they share. Include common/ headers before the system's: the system's
// macros (DDSCL_NORMAL, DIPROP_RANGE, ...) would otherwise rewrite the
// declarations' own names.
#pragma once

#include <cstdint>
#include <string>

#include "common/Error.h"
#include "common/Platform.h"

namespace vexo::win {

// Services of user32, gdi32 and the host run time (one instance each).
WindowService& Windows();
GdiService& Gdi();
HostRuntime& Runtime();

// Error numbers of the host run time beyond common/'s.
inline constexpr int32_t kErrOutOfMemory = 7;
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrResourceNotFound = 326;
inline constexpr int32_t kErrInvalidPicture = 481;

// The host run time's picture loaders (Picture.cpp). A missing file raises
// 53, one larger than 256 MB 7, one that is no bitmap picture 481; a bitmap
// resource of the program's module that is not there raises 326.
Ref<Picture> LoadPictureFile(const std::string& file);
Ref<Picture> LoadBitmapResource(const std::string& resId, int32_t type);
// Refuses a bitmap file whose headers claim more than its `length` bytes
// hold (481; 7 for a picture past 32768 pixels a side or 64 Mi pixels), and
// writes into the headers the counts the system would otherwise misread.
void CheckBitmapFile(uint8_t* file, size_t length);

// The DirectDraw family; the other families register in plat::Families.
Ref<DirectDraw7> CreateDirectDraw(const std::string& guid);

// Handles cross the components as 32-bit values; the system keeps window,
// device-context and GDI handles 32-bit significant on 64-bit Windows too,
// so a sign-extended value is the handle again.
template <typename H>
inline H ToHandle(int32_t h) {
    return reinterpret_cast<H>(static_cast<intptr_t>(h));
}
template <typename H>
inline int32_t FromHandle(H h) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(h));
}

// Statuses the system's headers also define as macros, under names those
// macros cannot reach.
inline constexpr int32_t kNotImplemented = status::E_NOTIMPL;
inline constexpr int32_t kInvalidArg = status::E_INVALIDARG;
inline constexpr int32_t kFail = status::E_FAIL;
inline constexpr int32_t kOutOfMemory = status::E_OUTOFMEMORY;

// Statuses pass through unchanged: a failing HRESULT raises as it is.
inline void Check(long hr) {
    if (hr < 0) Raise(static_cast<int32_t>(hr));
}

// UTF-8 <-> UTF-16 for the wide system calls.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide, int length = -1);

}  // namespace vexo::win
