// What a run over several files tells the user: progress on a terminal, and a summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace vornek::cli {

class BatchReport {
  public:
    // `fileCount` files follow; `quiet` leaves out everything but errors; `dryRun`
    // words the summary as what would happen.
    BatchReport(std::size_t fileCount, bool quiet, bool dryRun);

    void Rewritten(std::uint64_t bytesBefore, std::uint64_t bytesAfter);
    void Unchanged(const std::string& reason, std::uint64_t bytes);
    void Failed();

    // Prints one line on standard error, clearing the progress line first.
    void Note(const std::string& line);
    // Prints "FILE: what" on standard output (what a dry run would do).
    void Tell(const std::string& file, const std::string& what);
    // Ends a file: updates the progress line on a terminal.
    void FileDone();
    // The summary on standard error, for more than one file and unless quiet.
    void Finish();

  private:
    void ClearProgress();

    std::size_t fileCount_;
    bool quiet_;
    bool dryRun_;
    bool showProgress_;
    bool progressShown_ = false;
    int progressWidth_ = 0;
    std::size_t done_ = 0;
    std::chrono::steady_clock::time_point lastProgress_{};

    std::size_t rewritten_ = 0;
    std::size_t failed_ = 0;
    std::map<std::string, std::size_t> unchanged_;
    std::uint64_t bytesBefore_ = 0;
    std::uint64_t bytesAfter_ = 0;
};

}  // namespace vornek::cli
