// Reads whole messages and replaces files safely, for the command line.
#pragma once

#include <stdexcept>
#include <string>

namespace vornek::cli {

// An input or output failure, with a message fit for the user.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole content of a regular file; throws IoError for a missing, unreadable or
// non-regular file.
std::string ReadFile(const std::string& path);

// Everything on standard input, read in binary mode.
std::string ReadStandardInput();

// Writes `data` to standard output in binary mode and flushes it.
void WriteStandardOutput(const std::string& data);

// Replaces the content of `path` with `data` through a temporary file in the same
// folder and a rename, so the file is never seen half-written. The file keeps its
// permissions. With a non-empty `backupSuffix`, the original is kept as
// path + backupSuffix. On failure the original is left as it was.
void ReplaceFile(const std::string& path, const std::string& data, const std::string& backupSuffix);

}  // namespace vornek::cli
