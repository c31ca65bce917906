// Picture files: bitmap files (checked here, decoded by SDL_LoadBMP) and
// PNG, JPEG and GIF (decoded by stb_image). Every size a header claims is
// checked against the file's length and a sane cap before anything is
// allocated.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/Types.h"
#include "platform/display/gdi/Gdi.h"

namespace vexo::plat {

// Error numbers the loader raises (the host run time's own).
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrOutOfMemory = 7;
inline constexpr int32_t kErrInvalidPicture = 481;

// Pictures larger than this (in pixels, or on either side) are refused with
// kErrOutOfMemory; files larger than kMaxPictureFile likewise. Together they
// keep one load under 256 MB: the file, the decoder's own buffers (a 16-bit
// PNG holds 8 bytes a pixel twice over) and the 32-bit bitmap.
inline constexpr int64_t kMaxPicturePixels = int64_t(8) << 20;
inline constexpr int32_t kMaxPictureSide = 32768;
inline constexpr int64_t kMaxPictureFile = int64_t(64) << 20;

// The whole file; raises kErrFileNotFound or kErrOutOfMemory.
std::vector<uint8_t> ReadPictureFile(const std::string& path);

std::shared_ptr<GdiBitmap> DecodeBmp(const std::vector<uint8_t>& file);
std::shared_ptr<GdiBitmap> DecodeStb(const std::vector<uint8_t>& file);
// Any supported picture, told apart by its first bytes.
std::shared_ptr<GdiBitmap> DecodePicture(const std::vector<uint8_t>& file);

// The colour table of a 1-, 4- or 8-bit bitmap file as 256 entries (the
// rest black). A missing file raises 0x80070002, a file without a colour
// table or a hostile one E_FAIL.
void ReadBmpColorTable(const std::string& path, std::span<PALETTEENTRY> entries);

}  // namespace vexo::plat
