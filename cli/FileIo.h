// Reads whole messages and replaces files safely, for the command line.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/FileDescriptor.h"
#include "cli/TemporaryName.h"

namespace vornek::cli {

// An input or output failure, with a message fit for the user.
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The bytes of a whole message and what keeps them alive.
struct MessageText {
    std::string_view text;
    std::shared_ptr<const void> owner;
};

// The whole content of FILE for standard-output mode: a regular file, or a pipe, FIFO
// or terminal read to its end. Throws IoError for a missing file, a directory, an
// unreadable file, or a regular file whose size changes while it is read.
MessageText ReadFile(const std::string& path);

// Everything on standard input, read in binary mode.
MessageText ReadStandardInput();

// Writes `data` to standard output in binary mode and flushes it; throws IoError.
void WriteStandardOutput(std::string_view data);

// A message to be rewritten in place: the regular file that a path names (symlinks
// followed), read whole. Anything that is not a regular file is refused.
class InPlaceFile {
  public:
    // Throws IoError: missing, not a regular file, unreadable, changed while read.
    explicit InPlaceFile(const std::string& path);

    const MessageText& Message() const { return message_; }
    std::uint64_t Size() const { return state_.size; }

    // Where the original would be kept with `backupSuffix`: beside FILE as given, so
    // a symlink's backup sits beside the symlink. Empty without a suffix.
    std::string BackupPath(const std::string& backupSuffix) const;

    // Replaces the file's content with `data`: the new content goes to a hidden
    // temporary file in the folder of the real file, gets the original's mode, owner,
    // group and extended attributes, and is renamed over it, so a symlink keeps
    // pointing at the rewritten file. With a suffix, the original is first given the
    // backup name by a hard link (a copy where links fail), renamed over any existing
    // backup. Throws IoError and then leaves the file and its backup as they were.
    void Replace(std::string_view data, const std::string& backupSuffix) const;

  private:
    void CheckUnchanged() const;
    TemporaryName PrepareBackup(const std::string& backupPath) const;
    std::string path_;    // as given
    std::string target_;  // the regular file itself
    FileState state_;
    FileDescriptor original_;  // open on POSIX, for the extended attributes
    MessageText message_;
};

}  // namespace vornek::cli
