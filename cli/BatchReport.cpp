// What a run over several files tells the user: progress on a terminal, and a summary.
#include "cli/BatchReport.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vornek::cli {
namespace {

bool StandardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(2) != 0;
#else
    return isatty(2) != 0;
#endif
}

// Redrawn at most this often, so a run over many small files is not slowed by the
// terminal.
constexpr std::chrono::milliseconds kProgressInterval(100);

}  // namespace

BatchReport::BatchReport(std::size_t fileCount, bool quiet, bool dryRun)
    : fileCount_(fileCount),
      quiet_(quiet),
      dryRun_(dryRun),
      showProgress_(fileCount > 1 && !quiet && StandardErrorIsTerminal()) {}

void BatchReport::Rewritten(std::uint64_t bytesBefore, std::uint64_t bytesAfter) {
    ++rewritten_;
    bytesBefore_ += bytesBefore;
    bytesAfter_ += bytesAfter;
}

void BatchReport::Unchanged(const std::string& reason, std::uint64_t bytes) {
    ++unchanged_[reason];
    bytesBefore_ += bytes;
    bytesAfter_ += bytes;
}

void BatchReport::Failed() { ++failed_; }

void BatchReport::ClearProgress() {
    if (!progressShown_) return;
    // Blanks rather than an escape sequence: the Windows console does not know them all.
    std::fprintf(stderr, "\r%*s\r", progressWidth_, "");
    progressShown_ = false;
}

void BatchReport::Note(const std::string& line) {
    ClearProgress();
    std::fprintf(stderr, "vornek: %s\n", line.c_str());
}

void BatchReport::Tell(const std::string& file, const std::string& what) {
    ClearProgress();
    std::printf("%s: %s\n", file.c_str(), what.c_str());
    std::fflush(stdout);
}

void BatchReport::FileDone() {
    ++done_;
    if (!showProgress_) return;
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - lastProgress_ < kProgressInterval && done_ < fileCount_) return;
    lastProgress_ = now;
    progressWidth_ = std::fprintf(stderr, "\rvornek: %zu/%zu files", done_, fileCount_);
    std::fflush(stderr);
    progressShown_ = true;
}

void BatchReport::Finish() {
    ClearProgress();
    if (quiet_ || fileCount_ < 2) return;
    std::size_t unchanged = 0;
    for (const auto& entry : unchanged_) unchanged += entry.second;
    std::fprintf(stderr, "vornek: %zu files%s\n", fileCount_,
                 dryRun_ ? " (dry run: nothing was written)" : "");
    std::fprintf(stderr, "  %s: %zu\n", dryRun_ ? "would be rewritten" : "rewritten", rewritten_);
    std::fprintf(stderr, "  %s: %zu\n", dryRun_ ? "would be left unchanged" : "left unchanged",
                 unchanged);
    for (const auto& entry : unchanged_)
        std::fprintf(stderr, "    %s: %zu\n", entry.first.c_str(), entry.second);
    std::fprintf(stderr, "  errors: %zu\n", failed_);
    std::fprintf(stderr, "  bytes: %llu -> %llu\n", static_cast<unsigned long long>(bytesBefore_),
                 static_cast<unsigned long long>(bytesAfter_));
}

}  // namespace vornek::cli
