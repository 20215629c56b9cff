// Open file descriptors that close themselves, and the few descriptor and status calls
// the command line makes on both POSIX and Windows.
#include "cli/FileDescriptor.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vornek::cli {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

#ifdef _WIN32

bool FileDescriptor::Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || _close(fd) == 0;
}

namespace {
void FromStat(const struct _stat64& st, FileState& state) {
    // The C runtime has no inode numbers, and its st_dev means a drive for a path but a
    // descriptor for an open file: neither tells files apart.
    state.device = 0;
    state.inode = 0;
    state.size = static_cast<std::uint64_t>(st.st_size);
    state.modifiedSeconds = static_cast<std::int64_t>(st.st_mtime);
    state.modifiedNanoseconds = 0;
    state.mode = static_cast<unsigned>(st.st_mode);
    state.owner = 0;
    state.group = 0;
}
}  // namespace

bool FileState::IsRegular() const { return (mode & _S_IFMT) == _S_IFREG; }
bool FileState::IsDirectory() const { return (mode & _S_IFMT) == _S_IFDIR; }
bool FileState::IsStream() const {
    return (mode & _S_IFMT) == _S_IFIFO || (mode & _S_IFMT) == _S_IFCHR;
}

namespace {
using NativeStat = struct _stat64;
int StatOfDescriptor(int fd, NativeStat* st) { return _fstat64(fd, st); }
int StatOfPath(const char* path, NativeStat* st) { return _stat64(path, st); }
// Windows has no symlinks a C runtime call would tell apart.
int StatOfLink(const char* path, NativeStat* st) { return _stat64(path, st); }
}  // namespace

long long ReadSome(int fd, char* buffer, std::size_t size) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
    return _read(fd, buffer, chunk);
}

namespace {
long long WriteSome(int fd, const char* data, std::size_t size) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
    return _write(fd, data, chunk);
}
}  // namespace

#else

bool FileDescriptor::Close() {
    const int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports EINTR, so it is not retried.
    return fd < 0 || close(fd) == 0;
}

namespace {
void FromStat(const struct stat& st, FileState& state) {
    state.device = static_cast<std::uint64_t>(st.st_dev);
    state.inode = static_cast<std::uint64_t>(st.st_ino);
    state.size = static_cast<std::uint64_t>(st.st_size);
    state.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    state.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    state.mode = static_cast<unsigned>(st.st_mode);
    state.owner = static_cast<unsigned>(st.st_uid);
    state.group = static_cast<unsigned>(st.st_gid);
}
}  // namespace

bool FileState::IsRegular() const { return S_ISREG(mode); }
bool FileState::IsDirectory() const { return S_ISDIR(mode); }
bool FileState::IsStream() const { return S_ISFIFO(mode) || S_ISSOCK(mode) || S_ISCHR(mode); }

namespace {
using NativeStat = struct stat;
int StatOfDescriptor(int fd, NativeStat* st) { return fstat(fd, st); }
int StatOfPath(const char* path, NativeStat* st) { return stat(path, st); }
int StatOfLink(const char* path, NativeStat* st) { return lstat(path, st); }
}  // namespace

long long ReadSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

namespace {
long long WriteSome(int fd, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = write(fd, data, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}
}  // namespace

#endif

bool StatDescriptor(int fd, FileState& state) {
    NativeStat st;
    if (StatOfDescriptor(fd, &st) != 0) return false;
    FromStat(st, state);
    return true;
}

bool StatPath(const std::string& path, FileState& state) {
    NativeStat st;
    if (StatOfPath(path.c_str(), &st) != 0) return false;
    FromStat(st, state);
    return true;
}

bool StatLinkItself(const std::string& path, FileState& state) {
    NativeStat st;
    if (StatOfLink(path.c_str(), &st) != 0) return false;
    FromStat(st, state);
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long long n = WriteSome(fd, data, size);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void FileDescriptor::Reset() {
    if (fd_ >= 0) Close();
}

bool FileState::SameContentAs(const FileState& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds;
}

}  // namespace vornek::cli
