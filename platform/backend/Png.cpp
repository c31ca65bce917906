// PNG output of a frame, with stb_image_write.
#include <algorithm>
#include <vector>

#include <stb/stb_image_write.h>

#include "platform/backend/Backend.h"

namespace vexo::plat {

bool WritePng(const std::string& path, const Frame& frame, const RECT& r) {
    const int32_t left = std::max(r.Left, 0), top = std::max(r.Top, 0);
    const int32_t right = std::min(r.Right, frame.width), bottom = std::min(r.Bottom, frame.height);
    if (!frame.pixels || right <= left || bottom <= top) return false;
    const int32_t w = right - left, h = bottom - top;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    uint8_t* out = rgb.data();
    for (int32_t y = top; y < bottom; ++y) {
        const uint32_t* row = frame.pixels + size_t(y) * size_t(frame.pitch);
        for (int32_t x = left; x < right; ++x) {
            const uint32_t p = row[x];
            *out++ = uint8_t(p >> 16);
            *out++ = uint8_t(p >> 8);
            *out++ = uint8_t(p);
        }
    }
    return stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

}  // namespace vexo::plat
