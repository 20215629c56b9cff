// Reads whole messages and replaces files safely, for the command line.
#include "FileIo.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vornek::cli {
namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string Describe(const std::string& path, const std::string& what) {
    return path + ": " + what;
}

std::string ErrnoText() { return std::strerror(errno); }

// Reads `f` to its end, `sizeHint` bytes expected.
std::string ReadAll(std::FILE* f, const std::string& name, std::size_t sizeHint) {
    std::string data;
    data.resize(sizeHint > 0 ? sizeHint : 1 << 16);
    std::size_t used = 0;
    for (;;) {
        if (used == data.size()) data.resize(data.size() * 2);
        const std::size_t n = std::fread(&data[used], 1, data.size() - used, f);
        used += n;
        if (n == 0) break;
    }
    if (std::ferror(f)) throw IoError(Describe(name, "read error: " + ErrnoText()));
    data.resize(used);
    return data;
}

#ifdef _WIN32
int OpenExclusive(const std::string& path) {
    return _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int ProcessId() { return _getpid(); }
#else
int OpenExclusive(const std::string& path) {
    return open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
}
int ProcessId() { return static_cast<int>(getpid()); }
#endif

// A new, empty file beside `path` that nobody else has opened.
std::pair<std::string, FilePtr> CreateTemporaryBeside(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            path + ".vornek-" + std::to_string(ProcessId()) + "-" + std::to_string(attempt);
        const int fd = OpenExclusive(name);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw IoError(
                Describe(path, "cannot create a temporary file beside it: " + ErrnoText()));
        }
#ifdef _WIN32
        FilePtr f(_fdopen(fd, "wb"));
#else
        FilePtr f(fdopen(fd, "wb"));
#endif
        if (!f) {
            const std::string why = ErrnoText();
#ifdef _WIN32
            _close(fd);
#else
            close(fd);
#endif
            std::error_code ignored;
            fs::remove(name, ignored);
            throw IoError(Describe(path, "cannot open a temporary file: " + why));
        }
        return {std::move(name), std::move(f)};
    }
    throw IoError(Describe(path, "cannot find a free temporary file name beside it"));
}

// Removes the temporary file unless the replacement went through.
class TemporaryGuard {
  public:
    explicit TemporaryGuard(std::string name) : name_(std::move(name)) {}
    ~TemporaryGuard() {
        if (!name_.empty()) {
            std::error_code ignored;
            fs::remove(name_, ignored);
        }
    }
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;
    void Release() { name_.clear(); }

  private:
    std::string name_;
};

MessageText FromString(std::string data) {
    auto owner = std::make_shared<const std::string>(std::move(data));
    const std::string_view text = *owner;
    return {text, std::move(owner)};
}

#ifndef _WIN32
// Maps a regular file read-only: the bytes come straight from the page cache, which
// saves a copy of messages that reach tens of megabytes.
MessageText MapFile(std::FILE* f, const std::string& path, std::size_t size) {
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fileno(f), 0);
    if (p == MAP_FAILED) return FromString(ReadAll(f, path, size + 1));
    std::shared_ptr<const void> owner(
        p, [size](const void* q) { munmap(const_cast<void*>(q), size); });
    return {std::string_view(static_cast<const char*>(p), size), std::move(owner)};
}
#endif

}  // namespace

MessageText ReadFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) throw IoError(Describe(path, "no such file"));
    if (fs::is_directory(st)) throw IoError(Describe(path, "is a directory"));
    if (!fs::is_regular_file(st)) throw IoError(Describe(path, "not a regular file"));
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) throw IoError(Describe(path, "cannot open: " + ErrnoText()));
    const auto size = fs::file_size(path, ec);
    if (ec) throw IoError(Describe(path, "cannot read its size: " + ec.message()));
#ifndef _WIN32
    if (size > 0) return MapFile(f.get(), path, static_cast<std::size_t>(size));
#endif
    return FromString(ReadAll(f.get(), path, static_cast<std::size_t>(size) + 1));
}

MessageText ReadStandardInput() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return FromString(ReadAll(stdin, "standard input", 0));
}

void WriteStandardOutput(std::string_view data) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() ||
        std::fflush(stdout) != 0) {
        throw IoError("standard output: write error: " + ErrnoText());
    }
}

void ReplaceFile(const std::string& path, const std::string& data,
                 const std::string& backupSuffix) {
    auto [tempName, out] = CreateTemporaryBeside(path);
    TemporaryGuard guard(tempName);
    if (std::fwrite(data.data(), 1, data.size(), out.get()) != data.size() ||
        std::fflush(out.get()) != 0) {
        throw IoError(Describe(path, "cannot write the temporary file: " + ErrnoText()));
    }
#ifndef _WIN32
    if (fsync(fileno(out.get())) != 0) {
        throw IoError(Describe(path, "cannot write the temporary file: " + ErrnoText()));
    }
#endif
    if (std::fclose(out.release()) != 0) {
        throw IoError(Describe(path, "cannot write the temporary file: " + ErrnoText()));
    }
    // Every filesystem call here reports through `ec`: an exception would skip the
    // remaining files of an in-place run instead of reporting this one.
    std::error_code ec;
    const fs::file_status original = fs::status(path, ec);
    if (ec) throw IoError(Describe(path, "cannot read its permissions: " + ec.message()));
    fs::permissions(tempName, original.permissions(), fs::perm_options::replace, ec);
    if (ec) throw IoError(Describe(path, "cannot copy its permissions: " + ec.message()));
    if (!backupSuffix.empty()) {
        fs::copy_file(path, path + backupSuffix, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw IoError(Describe(
                path, "cannot keep the original as " + path + backupSuffix + ": " + ec.message()));
    }
    fs::rename(tempName, path, ec);
    if (ec) throw IoError(Describe(path, "cannot replace it: " + ec.message()));
    guard.Release();
}

}  // namespace vornek::cli
