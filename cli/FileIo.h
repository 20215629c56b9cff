// Reads whole messages and replaces files safely, for the command line.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vornek::cli {

// An input or output failure, with a message fit for the user.
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The bytes of a whole message and what keeps them alive (a buffer or a mapping).
struct MessageText {
    std::string_view text;
    std::shared_ptr<const void> owner;
};

// The whole content of a regular file, mapped into memory where the platform allows;
// throws IoError for a missing, unreadable or non-regular file.
MessageText ReadFile(const std::string& path);

// Everything on standard input, read in binary mode.
MessageText ReadStandardInput();

// Writes `data` to standard output in binary mode and flushes it.
void WriteStandardOutput(std::string_view data);

// Replaces the content of `path` with `data` through a temporary file in the same
// folder and a rename, so the file is never seen half-written. The file keeps its
// permissions. With a non-empty `backupSuffix`, the original is kept as
// path + backupSuffix. On failure the original is left as it was.
void ReplaceFile(const std::string& path, const std::string& data, const std::string& backupSuffix);

}  // namespace vornek::cli
