// Open file descriptors that close themselves, and the few descriptor and status calls
// the command line makes on both POSIX and Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vornek::cli {

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    // Closes the descriptor and reports whether that worked: some file systems (NFS,
    // quotas) report a failed write only here.
    bool Close();
    void Reset();

  private:
    int fd_ = -1;
};

// What the command line needs to know of a file: which one it is, what kind, and
// whether it changed since it was last looked at.
struct FileState {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    unsigned mode = 0;  // type and permission bits, as in st_mode
    unsigned owner = 0;
    unsigned group = 0;

    bool IsRegular() const;
    bool IsDirectory() const;
    // A pipe, FIFO, socket or character device: read to its end, its size means nothing.
    bool IsStream() const;
    // The same file with the same size and modification time.
    bool SameContentAs(const FileState& other) const;
};

// Each returns false with errno set when the call fails.
bool StatDescriptor(int fd, FileState& state);
bool StatPath(const std::string& path, FileState& state);        // follows symlinks
bool StatLinkItself(const std::string& path, FileState& state);  // does not follow them

// Reads up to `size` bytes, retrying interrupted calls; -1 on error, 0 at the end.
long long ReadSome(int fd, char* buffer, std::size_t size);
// Writes all of `size` bytes; false on error.
bool WriteAll(int fd, const char* data, std::size_t size);

}  // namespace vornek::cli
