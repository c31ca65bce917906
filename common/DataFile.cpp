// DataFile over the C library's descriptors: POSIX positioned reads and
// writes on Linux; on Windows the file opened by its UTF-16 name in binary
// mode, positioned by seeking.
#include "common/DataFile.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/Error.h"
#include "common/FaultPoint.h"

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
constexpr int kCreateNew = _O_RDWR | _O_CREAT | _O_EXCL;
long long WriteAt(int fd, const uint8_t* p, size_t n, size_t at) {
    if (::_lseeki64(fd, static_cast<long long>(at), SEEK_SET) < 0) return -1;
    return ::_write(fd, p, static_cast<unsigned>(n));
}
long long ReadAt(int fd, uint8_t* p, size_t n, size_t at) {
    if (::_lseeki64(fd, static_cast<long long>(at), SEEK_SET) < 0) return -1;
    return ::_read(fd, p, static_cast<unsigned>(n));
}
int CloseFile(int fd) { return ::_close(fd); }
int SyncFile(int fd) { return ::_commit(fd); }
bool CanReadWrite(const std::filesystem::path& p) { return ::_waccess(p.c_str(), 6) == 0; }
void KeepOwnerAndMode(int, const std::filesystem::path&) {}
#else
int OpenFile(const std::string& path, int flags) { return ::open(path.c_str(), flags | O_CLOEXEC, 0666); }
constexpr int kReadWriteCreate = O_RDWR | O_CREAT;
constexpr int kReadOnly = O_RDONLY;
constexpr int kCreateNew = O_RDWR | O_CREAT | O_EXCL;
long long WriteAt(int fd, const uint8_t* p, size_t n, size_t at) { return ::pwrite(fd, p, n, off_t(at)); }
long long ReadAt(int fd, uint8_t* p, size_t n, size_t at) { return ::pread(fd, p, n, off_t(at)); }
int CloseFile(int fd) { return ::close(fd); }
int SyncFile(int fd) { return ::fsync(fd); }
bool CanReadWrite(const std::filesystem::path& p) { return ::access(p.c_str(), R_OK | W_OK) == 0; }
// The replacement keeps the permissions (and, where allowed, the owner) of
// the file it replaces.
void KeepOwnerAndMode(int fd, const std::filesystem::path& old) {
    struct stat st {};
    if (::stat(old.c_str(), &st) != 0) return;
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Only a privileged process may give a file away; the mode still holds.
    }
    ::fchmod(fd, st.st_mode & 07777);
}
#endif

int32_t WriteError(int e) {
#ifdef EDQUOT
    if (e == EDQUOT) return ERR_DISK_FULL;
#endif
    return e == ENOSPC || e == EFBIG ? ERR_DISK_FULL : ERR_DEVICE_IO;
}

// Writes all of `n` bytes at offset `at`.
void WriteAll(int fd, const uint8_t* p, size_t n, size_t at) {
    size_t done = 0;
    while (done < n) {
        if (fault::Hit(fault::Point::FileWrite)) Raise(ERR_DISK_FULL);
        const long long k = WriteAt(fd, p + done, n - done, at + done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) Raise(k < 0 ? WriteError(errno) : ERR_DEVICE_IO);
        done += size_t(k);
    }
}

std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8Of(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

// Closes and, unless kept, deletes the replacement file on the way out.
struct PendingFile {
    int fd = -1;
    std::filesystem::path path;
    bool keep = false;
    ~PendingFile() {
        if (fd >= 0) CloseFile(fd);
        std::error_code ec;
        if (!keep) std::filesystem::remove(path, ec);
    }
};

void WriteInPlace(const std::string& path, const uint8_t* p, size_t n) {
    DataFile f(path, false);
    f.WriteAtStart(p, n);
    f.Close();
}

}  // namespace

DataFile::DataFile(const std::string& path, bool forLoad) {
    fd_ = OpenFile(path, kReadWriteCreate);
    if (fd_ < 0 && forLoad && (errno == EACCES || errno == EROFS)) fd_ = OpenFile(path, kReadOnly);
    if (fd_ < 0) Raise(OpenError(errno));
}

DataFile::~DataFile() {
    if (fd_ >= 0) CloseFile(fd_);
}

void DataFile::WriteAtStart(const uint8_t* p, size_t n) { WriteAll(fd_, p, n, 0); }

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
    if (CloseFile(fd) != 0 && errno != EINTR) Raise(WriteError(errno));
}

void DataFile::ReplaceStart(const std::string& path, const uint8_t* p, size_t n) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = PathOf(path);
    // Through a link the file it names is replaced, not the link.
    if (fs::is_symlink(target, ec)) {
        target = fs::canonical(target, ec);
        if (ec) return WriteInPlace(path, p, n);
    }
    const fs::file_status st = fs::status(target, ec);
    const bool exists = fs::exists(st);
    if (exists && !fs::is_regular_file(st)) return WriteInPlace(path, p, n);
    // A file this process could not open for writing stays protected, as it
    // would be against writing in place.
    if (exists && !CanReadWrite(target)) Raise(OpenError(errno));

    static std::atomic<unsigned> serial{0};
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    PendingFile tmp;
    for (int attempt = 0; attempt < 16 && tmp.fd < 0; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        tmp.path = dir / ("." + Utf8Of(target.filename()) + "." + std::to_string(stamp) + "." +
                          std::to_string(serial++) + ".tmp");
        tmp.fd = OpenFile(Utf8Of(tmp.path), kCreateNew);
        if (tmp.fd < 0 && errno != EEXIST) break;
    }
    if (tmp.fd < 0) {
        const int e = errno;
        tmp.keep = true;  // nothing was made
        // A folder that takes no new files may still hold a writable file.
        if (exists && (e == EACCES || e == EPERM)) return WriteInPlace(path, p, n);
        Raise(OpenError(e));
    }

    WriteAll(tmp.fd, p, n, 0);
    if (exists) {
        // The old file's bytes past the new ones stay, as an in-place write
        // would leave them.
        const int old = OpenFile(Utf8Of(target), kReadOnly);
        if (old < 0) Raise(OpenError(errno));
        uint8_t chunk[65536];
        size_t at = n;
        for (;;) {
            const long long k = ReadAt(old, chunk, sizeof chunk, at);
            if (k < 0 && errno == EINTR) continue;
            if (k < 0) {
                CloseFile(old);
                Raise(ERR_DEVICE_IO);
            }
            if (k == 0) break;
            try {
                WriteAll(tmp.fd, chunk, size_t(k), at);
            } catch (...) {
                CloseFile(old);
                throw;
            }
            at += size_t(k);
        }
        CloseFile(old);
        KeepOwnerAndMode(tmp.fd, target);
    }
    // Everything on the disk before the old file goes.
    if (SyncFile(tmp.fd) != 0) Raise(WriteError(errno));
    const int fd = tmp.fd;
    tmp.fd = -1;
    if (CloseFile(fd) != 0) Raise(WriteError(errno));
    if (fault::Hit(fault::Point::FileRename)) Raise(ERR_PATH_ACCESS);
    fs::rename(tmp.path, target, ec);
    if (ec) {
        const bool refused = ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
                             ec == std::errc::read_only_file_system;
        Raise(refused ? ERR_PERMISSION : ERR_PATH_ACCESS);
    }
    tmp.keep = true;
}

}  // namespace vexo
