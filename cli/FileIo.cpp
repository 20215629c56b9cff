// Reads whole messages and replaces files safely, for the command line.
#include "cli/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "cli/TemporaryName.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#include <sys/xattr.h>
#endif

namespace vornek::cli {
namespace fs = std::filesystem;

namespace {

std::string Describe(const std::string& path, const std::string& what) {
    return path + ": " + what;
}

std::string ErrnoText() { return std::strerror(errno); }

IoError ChangedWhileRead(const std::string& name) {
    return IoError(Describe(name, "changed while being read; nothing written"));
}

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

using Buffer = std::vector<char>;

MessageText FromBuffer(Buffer data) {
    auto owner = std::make_shared<const Buffer>(std::move(data));
    return {std::string_view(owner->data(), owner->size()), std::move(owner)};
}

// Opens `path` for reading; refuses a missing file and a directory with the words the
// user expects.
FileState LookUp(const std::string& path) {
    FileState state;
    if (!StatPath(path, state)) {
        if (errno == ENOENT) throw IoError(Describe(path, "no such file"));
        throw IoError(Describe(path, "cannot read it: " + ErrnoText()));
    }
    if (state.IsDirectory()) throw IoError(Describe(path, "is a directory"));
    return state;
}

FileDescriptor OpenForReading(const std::string& path, FileState& state) {
    state = LookUp(path);
#ifdef _WIN32
    FileDescriptor fd(_open(path.c_str(), _O_RDONLY | _O_BINARY));
#else
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
#endif
    if (fd.Get() < 0) throw IoError(Describe(path, "cannot open: " + ErrnoText()));
    if (!StatDescriptor(fd.Get(), state))
        throw IoError(Describe(path, "cannot read its size: " + ErrnoText()));
    return fd;
}

// A buffer of `size` bytes that `owner` frees. A large one is asked for in huge pages
// where the kernel has them: faulting in a fresh buffer page by page costs more than
// reading the file into it.
char* AllocateForRead(std::size_t size, std::shared_ptr<const void>& owner) {
#ifdef __linux__
    constexpr std::size_t kHugePage = 2u << 20;
    if (size >= kHugePage) {
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            madvise(p, size, MADV_HUGEPAGE);
            owner = std::shared_ptr<const void>(
                p, [size](const void* q) { munmap(const_cast<void*>(q), size); });
            return static_cast<char*>(p);
        }
    }
#endif
    auto buffer = std::make_shared<Buffer>(size);
    char* data = buffer->data();
    owner = std::move(buffer);
    return data;
}

// Reads a regular file of `before.size` bytes into one buffer of exactly that size.
// A file that another process truncates, extends or rewrites meanwhile is refused:
// its bytes would be a mixture of two versions.
MessageText ReadRegular(int fd, const std::string& name, const FileState& before) {
    if (before.size > std::numeric_limits<std::size_t>::max() / 2)
        throw IoError(Describe(name, "too large to be read"));
    const auto size = static_cast<std::size_t>(before.size);
    MessageText message;
    char* data = AllocateForRead(size, message.owner);
    std::size_t used = 0;
    while (used < size) {
        const long long n = ReadSome(fd, data + used, size - used);
        if (n < 0) throw IoError(Describe(name, "read error: " + ErrnoText()));
        if (n == 0) throw ChangedWhileRead(name);
        used += static_cast<std::size_t>(n);
    }
    char extra = 0;
    const long long n = ReadSome(fd, &extra, 1);
    if (n < 0) throw IoError(Describe(name, "read error: " + ErrnoText()));
    FileState after;
    if (n > 0 || !StatDescriptor(fd, after) || !after.SameContentAs(before))
        throw ChangedWhileRead(name);
    message.text = std::string_view(data, size);
    return message;
}

// Reads a pipe, FIFO or terminal to its end.
MessageText ReadStream(int fd, const std::string& name) {
    Buffer data(1 << 16);
    std::size_t used = 0;
    for (;;) {
        if (used == data.size()) data.resize(data.size() * 2);
        const long long n = ReadSome(fd, &data[used], data.size() - used);
        if (n < 0) throw IoError(Describe(name, "read error: " + ErrnoText()));
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    data.resize(used);
    return FromBuffer(std::move(data));
}

#ifdef __linux__
// Copies the extended attributes, and with them the ACLs and security labels, where the
// file system and the caller's rights allow; a file system without them loses nothing
// the user could see.
void CopyExtendedAttributes(int from, int to) {
    const ssize_t listSize = flistxattr(from, nullptr, 0);
    if (listSize <= 0) return;
    std::vector<char> names(static_cast<std::size_t>(listSize));
    const ssize_t got = flistxattr(from, names.data(), names.size());
    if (got <= 0) return;
    std::vector<char> value;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
        const char* name = &names[at];
        at += std::strlen(name) + 1;
        const ssize_t valueSize = fgetxattr(from, name, nullptr, 0);
        if (valueSize < 0) continue;
        value.resize(static_cast<std::size_t>(valueSize) + 1);
        const ssize_t read = fgetxattr(from, name, value.data(), value.size());
        if (read < 0) continue;
        fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0);
    }
}
#endif

// Gives the new file `to` the owner, group, extended attributes and mode of the
// original. A setuid or setgid bit is only kept together with the owner and group it
// was granted for.
void CopyOwnership(const FileState& original, int originalFd, int to, const std::string& name) {
#ifdef _WIN32
    (void)original;
    (void)originalFd;
    (void)to;
    (void)name;
#else
    mode_t mode = static_cast<mode_t>(original.mode) & 07777;
    if (fchown(to, static_cast<uid_t>(original.owner), static_cast<gid_t>(original.group)) != 0) {
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
        fchown(to, static_cast<uid_t>(-1), static_cast<gid_t>(original.group));
    }
#ifdef __linux__
    if (originalFd >= 0) CopyExtendedAttributes(originalFd, to);
#else
    (void)originalFd;
#endif
    if (fchmod(to, mode) != 0)
        throw IoError(
            Describe(name, "cannot set the permissions of its new content: " + ErrnoText()));
#endif
}

// Writes `data` to a new hidden file in `folder` that carries the original's ownership
// and is on disk before it is given any name a user would see.
TemporaryName WriteNewFile(const std::string& folder, std::string_view data,
                           const FileState& original, int originalFd, const std::string& name) {
    FileDescriptor out;
    TemporaryName temporary;
    try {
        temporary = TemporaryName::CreateFile(folder, out);
    } catch (const IoError& e) {
        throw IoError(Describe(name, e.what()));
    }
    const auto failed = [&name](const char* what) {
        return IoError(Describe(name, std::string(what) + ": " + ErrnoText()));
    };
    if (!WriteAll(out.Get(), data.data(), data.size()))
        throw failed("cannot write its new content");
    CopyOwnership(original, originalFd, out.Get(), name);
#ifdef _WIN32
    if (_commit(out.Get()) != 0) throw failed("cannot write its new content");
#else
    if (fsync(out.Get()) != 0) throw failed("cannot write its new content");
#endif
    if (!out.Close()) throw failed("cannot write its new content");
#ifdef _WIN32
    // Windows knows one permission bit: read-only.
    if ((original.mode & _S_IWRITE) == 0) _chmod(temporary.Path().c_str(), _S_IREAD);
#endif
    return temporary;
}

#ifdef _WIN32
std::string ResolveSymlinks(const std::string& path) { return path; }
#else
std::string ResolveSymlinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) throw IoError(Describe(path, "cannot follow its symlinks: " + ErrnoText()));
    return resolved.get();
}
#endif

}  // namespace

MessageText ReadFile(const std::string& path) {
    FileState state;
    FileDescriptor fd = OpenForReading(path, state);
    if (state.IsRegular()) return ReadRegular(fd.Get(), path, state);
    if (state.IsStream()) return ReadStream(fd.Get(), path);
    throw IoError(Describe(path, "not a regular file, pipe or FIFO"));
}

MessageText ReadStandardInput() {
#ifdef _WIN32
    _setmode(0, _O_BINARY);
#endif
    // Standard input may be a file read from the middle, so its size says nothing.
    return ReadStream(0, "standard input");
}

void WriteStandardOutput(std::string_view data) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // An empty message has no bytes to hand fwrite, not even an address.
    if ((!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) ||
        std::fflush(stdout) != 0) {
        throw IoError("standard output: write error: " + ErrnoText());
    }
}

InPlaceFile::InPlaceFile(const std::string& path) : path_(path) {
    const FileState named = LookUp(path);
    // A pipe, a terminal or a device cannot be replaced by a rename: the new file
    // would take its name and the data would never reach what it stands for.
    if (!named.IsRegular())
        throw IoError(Describe(path, "not a regular file; -i rewrites regular files only"));
    target_ = ResolveSymlinks(path);
    // Should the name have turned into a FIFO or a symlink since it was looked at,
    // O_NONBLOCK and O_NOFOLLOW keep the open from hanging or going elsewhere.
#ifdef _WIN32
    original_ = FileDescriptor(_open(target_.c_str(), _O_RDONLY | _O_BINARY));
#else
    original_ = FileDescriptor(
        open(target_.c_str(), O_RDONLY | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
#endif
    if (original_.Get() < 0) throw IoError(Describe(path, "cannot open: " + ErrnoText()));
    if (!StatDescriptor(original_.Get(), state_))
        throw IoError(Describe(path, "cannot read its size: " + ErrnoText()));
    if (!state_.IsRegular() || state_.device != named.device || state_.inode != named.inode)
        throw ChangedWhileRead(path);
    message_ = ReadRegular(original_.Get(), path, state_);
#ifdef _WIN32
    // Windows cannot rename over a file that is still open.
    original_.Reset();
#endif
}

std::string InPlaceFile::BackupPath(const std::string& backupSuffix) const {
    return backupSuffix.empty() ? std::string() : path_ + backupSuffix;
}

void InPlaceFile::CheckUnchanged() const {
    FileState now;
    if (!StatLinkItself(target_, now) || !now.SameContentAs(state_))
        throw IoError(Describe(path_, "changed while being rewritten; nothing written"));
}

// Gives the original the backup name under a fresh temporary name, to be renamed over
// `backupPath` once the new content is ready; empty when nothing needs to be made.
TemporaryName InPlaceFile::PrepareBackup(const std::string& backupPath) const {
    FileState existing;
    const bool alreadyLinked = state_.inode != 0 && StatLinkItself(backupPath, existing) &&
                               existing.device == state_.device && existing.inode == state_.inode;
    if (alreadyLinked) {
        // Through a symlink the backup name can be the file itself, and the original
        // would be lost. A second hard link of it (left by an interrupted run) already
        // keeps the original; renaming one link of a file over another does nothing.
        if (ResolveSymlinks(backupPath) == target_) {
            throw IoError(Describe(
                path_, "its backup name " + backupPath + " is the file itself; nothing written"));
        }
        return TemporaryName();
    }
    TemporaryName backup = TemporaryName::LinkTo(target_, FolderOf(backupPath));
    if (!backup.Exists()) {
        return WriteNewFile(FolderOf(backupPath), message_.text, state_, original_.Get(),
                            backupPath);
    }
    FileState linked;
    if (!StatLinkItself(backup.Path(), linked) || !linked.SameContentAs(state_))
        throw IoError(Describe(path_, "changed while being rewritten; nothing written"));
    return backup;
}

void InPlaceFile::Replace(std::string_view data, const std::string& backupSuffix) const {
    TemporaryName fresh = WriteNewFile(FolderOf(target_), data, state_, original_.Get(), path_);
    const std::string backupPath = BackupPath(backupSuffix);
    TemporaryName backup;
    if (!backupPath.empty()) backup = PrepareBackup(backupPath);
    CheckUnchanged();
    if (backup.Exists()) backup.RenameOver(backupPath);
    fresh.RenameOver(target_);
}

}  // namespace vornek::cli
