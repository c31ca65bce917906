// Files the tests write for themselves: a temporary directory removed with
// its object, and little-endian bytes written and read back.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexo::test {

using Bytes = std::vector<uint8_t>;

class TempDir {
public:
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("vexo_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
        std::filesystem::create_directories(path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;

private:
    static int& counter() {
        static int c = 0;
        return c;
    }
};

inline void Put16(Bytes& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void Put32(Bytes& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A bitmap file with a 40-byte header: `table` is its colour table (B, G, R
// order, 4 bytes each), `bits` the pixel data as stored; the header counts
// `clrUsed` colours, the table's own count when -1.
inline Bytes BmpFile(int32_t w, int32_t h, int32_t bpp, uint32_t compression, const Bytes& table, const Bytes& bits,
                     int64_t clrUsed = -1) {
    Bytes f = {'B', 'M'};
    const uint32_t off = 14 + 40 + uint32_t(table.size());
    Put32(f, off + uint32_t(bits.size()));
    Put32(f, 0);
    Put32(f, off);
    Put32(f, 40);
    Put32(f, uint32_t(w));
    Put32(f, uint32_t(h));
    Put16(f, 1);
    Put16(f, uint32_t(bpp));
    Put32(f, compression);
    Put32(f, uint32_t(bits.size()));
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, clrUsed < 0 ? uint32_t(table.size() / 4) : uint32_t(clrUsed));
    Put32(f, 0);
    f.insert(f.end(), table.begin(), table.end());
    f.insert(f.end(), bits.begin(), bits.end());
    return f;
}

}  // namespace vexo::test
