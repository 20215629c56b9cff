// Hidden temporary names beside the files being rewritten, removed on failure and when
// the program is interrupted.
#pragma once

#include <string>

#include "cli/FileDescriptor.h"

namespace vornek::cli {

// A short hidden name `.vornek-XXXXXX` in one folder, owned by this process until it is
// renamed over its destination. The destructor removes it, and so does SIGINT, SIGTERM
// or SIGHUP arriving while it exists: no half-written file ever stays behind under a
// name that looks like a message (SIGKILL cannot be caught; the name is then at least
// hidden). At most two names exist at a time: the new content and the backup.
class TemporaryName {
  public:
    TemporaryName() = default;
    ~TemporaryName();
    TemporaryName(TemporaryName&& other) noexcept;
    TemporaryName& operator=(TemporaryName&& other) noexcept;
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    // A new, empty file under a fresh name in `folder`, readable and writable by its
    // owner only; `fd` receives its descriptor. Throws IoError.
    static TemporaryName CreateFile(const std::string& folder, FileDescriptor& fd);
    // A fresh name in `folder` for `existing` (a hard link). Returns an empty
    // TemporaryName where the file system or the folder does not allow the link.
    static TemporaryName LinkTo(const std::string& existing, const std::string& folder);

    bool Exists() const { return slot_ >= 0; }
    std::string Path() const;
    // Renames the file over `destination`, replacing whatever name is there (a symlink
    // is replaced, never followed); the name is no longer this object's. Throws IoError.
    void RenameOver(const std::string& destination);

  private:
    explicit TemporaryName(int slot) : slot_(slot) {}
    void Remove();

    int slot_ = -1;
};

}  // namespace vornek::cli
