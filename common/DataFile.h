// A data file the components read and write themselves (the half-blend
// table): one handle, opened and closed within a call, read and written from
// its start. Failures raise the run time's file error numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexo {

class DataFile {
public:
    // Read-write, created when missing, never truncated. With `forLoad`, a
    // file that may only be read still opens, for reading. The name is UTF-8.
    DataFile(const std::string& path, bool forLoad);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Writes `n` bytes from offset 0; the bytes beyond them stay.
    void WriteAtStart(const uint8_t* p, size_t n);
    // Reads up to `n` bytes from offset 0; returns how many the file held.
    size_t ReadAtStart(uint8_t* p, size_t n);
    void Close();

    // Writes `n` bytes at the start of the file at `path` so that a failure
    // loses nothing: the bytes go to a new file in the same folder, with the
    // old file's bytes beyond `n` after them, which then takes the old one's
    // place. A path that names no regular file (a device) is written in
    // place.
    static void ReplaceStart(const std::string& path, const uint8_t* p, size_t n);

private:
    int fd_ = -1;
};

}  // namespace vexo
