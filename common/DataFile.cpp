// DataFile over the C library's descriptors: POSIX positioned reads and
// writes on Linux; on Windows the file opened by its UTF-16 name in binary
// mode, positioned by seeking.
#include "common/DataFile.h"

#include <fcntl.h>

#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>

#include <filesystem>
#else
#include <unistd.h>
#endif

#include "common/Error.h"

namespace vexo {

namespace {

// The run time's file error numbers.
enum : int32_t {
    ERR_DEVICE_IO = 57,
    ERR_DISK_FULL = 61,
    ERR_PERMISSION = 70,
    ERR_PATH_ACCESS = 75,
    ERR_PATH_NOT_FOUND = 76,
};

int32_t OpenError(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR: return ERR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERR_PERMISSION;
        default: return ERR_PATH_ACCESS;
    }
}

#ifdef _WIN32
int OpenFile(const std::string& path, int flags) {
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    return ::_wopen(p.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
constexpr int kReadWriteCreate = _O_RDWR | _O_CREAT;
constexpr int kReadOnly = _O_RDONLY;
long long WriteAt(int fd, const uint8_t* p, size_t n, size_t at) {
    if (::_lseeki64(fd, static_cast<long long>(at), SEEK_SET) < 0) return -1;
    return ::_write(fd, p, static_cast<unsigned>(n));
}
long long ReadAt(int fd, uint8_t* p, size_t n, size_t at) {
    if (::_lseeki64(fd, static_cast<long long>(at), SEEK_SET) < 0) return -1;
    return ::_read(fd, p, static_cast<unsigned>(n));
}
int CloseFile(int fd) { return ::_close(fd); }
#else
int OpenFile(const std::string& path, int flags) { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); }
constexpr int kReadWriteCreate = O_RDWR | O_CREAT;
constexpr int kReadOnly = O_RDONLY;
long long WriteAt(int fd, const uint8_t* p, size_t n, size_t at) { return ::pwrite(fd, p, n, off_t(at)); }
long long ReadAt(int fd, uint8_t* p, size_t n, size_t at) { return ::pread(fd, p, n, off_t(at)); }
int CloseFile(int fd) { return ::close(fd); }
#endif

}  // namespace

DataFile::DataFile(const std::string& path, bool forLoad) {
    fd_ = OpenFile(path, kReadWriteCreate);
    if (fd_ < 0 && forLoad && (errno == EACCES || errno == EROFS)) fd_ = OpenFile(path, kReadOnly);
    if (fd_ < 0) Raise(OpenError(errno));
}

DataFile::~DataFile() {
    if (fd_ >= 0) CloseFile(fd_);
}

void DataFile::WriteAtStart(const uint8_t* p, size_t n) {
    size_t done = 0;
    while (done < n) {
        const long long k = WriteAt(fd_, p + done, n - done, done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) Raise(k < 0 && errno == ENOSPC ? ERR_DISK_FULL : ERR_DEVICE_IO);
        done += size_t(k);
    }
}

size_t DataFile::ReadAtStart(uint8_t* p, size_t n) {
    size_t done = 0;
    while (done < n) {
        const long long k = ReadAt(fd_, p + done, n - done, done);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) Raise(ERR_DEVICE_IO);
        if (k == 0) break;
        done += size_t(k);
    }
    return done;
}

void DataFile::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (CloseFile(fd) != 0 && errno != EINTR) Raise(ERR_DEVICE_IO);
}

}  // namespace vexo
