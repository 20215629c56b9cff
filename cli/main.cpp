// vornek: flattens multipart messages to their first part from the command line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Version.h"
#include "cli/BatchReport.h"
#include "cli/FileIo.h"
#include "cli/FlattenMessage.h"

namespace {

using vornek::cli::BatchReport;
using vornek::cli::FlattenMessage;
using vornek::cli::FlattenOutcome;
using vornek::cli::InPlaceFile;
using vornek::cli::IoError;
using vornek::cli::MessageText;

enum ExitCode { kRewritten = 0, kUnchanged = 1, kFailure = 2 };

const char kUsage[] =
    "Usage: vornek flatten [-q] [FILE]\n"
    "       vornek flatten -i[SUFFIX] [-n] [-q] FILE...\n"
    "       vornek flatten --in-place[=SUFFIX] [--dry-run] [--quiet] FILE...\n"
    "       vornek flatten -n [-q] FILE...\n"
    "       vornek --help | --version\n"
    "\n"
    "Rewrites a multipart message (plain text first, HTML after) into a single-part\n"
    "message that keeps only its first part: the preamble, the delimiters, the HTML\n"
    "part and every later part (attachments included) are removed, and the first\n"
    "part's own header fields take the place of the multipart Content-Type.\n"
    "\n"
    "Without -i, reads FILE (a file, pipe or FIFO; standard input when FILE is absent\n"
    "or -) and writes the result to standard output.\n"
    "\n"
    "With -i, rewrites each FILE in place: the new content is written to a hidden\n"
    "temporary file (.vornek-XXXXXX) in the folder of the file and renamed over it,\n"
    "so the file is never seen half-written; it keeps its mode, owner, group and\n"
    "extended attributes. A symlink is followed: the file it points to is rewritten\n"
    "and the link keeps pointing at it. With a SUFFIX, the original stays as\n"
    "FILE+SUFFIX beside FILE as given (a hard link where possible, else a copy); an\n"
    "existing FILE+SUFFIX, even a symlink, is replaced, never written through. A\n"
    "file left unchanged is not touched at all. Anything but a regular file is\n"
    "refused.\n"
    "\n"
    "  -n, --dry-run  tell on standard output what would happen to each FILE;\n"
    "                 write nothing\n"
    "  -q, --quiet    no notes on unchanged messages, no progress, no summary\n"
    "\n"
    "With more than one FILE, a summary goes to standard error at the end, and a\n"
    "progress line while it runs when standard error is a terminal.\n"
    "\n"
    "Signed or encrypted messages, and messages whose MIME structure is not\n"
    "recognised, are left unchanged.\n"
    "\n"
    "Exit status: 0 rewritten; 1 left unchanged (the input is written unchanged and\n"
    "one line on standard error says why); 2 usage or input/output error (nothing\n"
    "written for that file; the other files are still processed). With several\n"
    "files, the worst status of them.\n";

struct Options {
    bool inPlace = false;
    bool dryRun = false;
    bool quiet = false;
    std::string suffix;
    std::vector<std::string> files;
};

int UsageError(const std::string& what) {
    std::fprintf(stderr, "vornek: %s\nTry 'vornek --help'.\n", what.c_str());
    return kFailure;
}

std::string UnchangedNote(const std::string& name, const FlattenOutcome& outcome) {
    return name + ": " + outcome.reason + " - left unchanged";
}

bool IsStandardInput(const std::string& file) { return file.empty() || file == "-"; }

std::string DisplayName(const std::string& file) {
    return IsStandardInput(file) ? "standard input" : file;
}

// FILE, or standard input when FILE is absent or "-".
MessageText ReadMessage(const std::string& file) {
    return IsStandardInput(file) ? vornek::cli::ReadStandardInput() : vornek::cli::ReadFile(file);
}

int FlattenToStandardOutput(const std::string& file, bool quiet) {
    const std::string name = DisplayName(file);
    const MessageText message = ReadMessage(file);
    const FlattenOutcome outcome = FlattenMessage(message);
    vornek::cli::WriteStandardOutput(outcome.rewritten ? std::string_view(outcome.text)
                                                       : message.text);
    if (outcome.rewritten) return kRewritten;
    if (!quiet) std::fprintf(stderr, "vornek: %s\n", UnchangedNote(name, outcome).c_str());
    return kUnchanged;
}

std::string ByteChange(std::uint64_t before, std::uint64_t after) {
    return std::to_string(before) + " -> " + std::to_string(after) + " bytes";
}

// One FILE of a run with -i or -n: everything is read and decided as for a real
// rewrite, and only a real run writes.
int ProcessOne(const std::string& file, const Options& options, BatchReport& report) {
    const std::string name = DisplayName(file);
    try {
        std::unique_ptr<InPlaceFile> inPlace;
        MessageText message;
        if (options.inPlace) {
            inPlace = std::make_unique<InPlaceFile>(file);
            message = inPlace->Message();
        } else {
            message = ReadMessage(file);
        }
        const std::uint64_t before = message.text.size();
        const FlattenOutcome outcome = FlattenMessage(message);
        if (!outcome.rewritten) {
            report.Unchanged(outcome.reason, before);
            if (options.dryRun)
                report.Tell(name, "would be left unchanged: " + outcome.reason);
            else if (!options.quiet)
                report.Note(UnchangedNote(name, outcome));
            return kUnchanged;
        }
        if (options.dryRun) {
            std::string what = "would be rewritten, " + ByteChange(before, outcome.text.size());
            if (inPlace && !options.suffix.empty())
                what += ", original kept as " + inPlace->BackupPath(options.suffix);
            report.Tell(name, what);
        } else {
            inPlace->Replace(outcome.text, options.suffix);
        }
        report.Rewritten(before, outcome.text.size());
        return kRewritten;
    } catch (const IoError& e) {
        report.Note(e.what());
    } catch (const std::bad_alloc&) {
        report.Note(name + ": not enough memory to process it");
    } catch (const std::exception& e) {
        report.Note(name + ": " + e.what());
    }
    report.Failed();
    return kFailure;
}

int ProcessAll(const Options& options) {
    BatchReport report(options.files.size(), options.quiet, options.dryRun);
    int worst = kRewritten;
    for (const std::string& file : options.files) {
        if (file == "-" && options.inPlace) {
            report.Note("cannot rewrite standard input in place");
            report.Failed();
            worst = kFailure;
        } else {
            worst = std::max(worst, ProcessOne(file, options, report));
        }
        report.FileDone();
    }
    report.Finish();
    return worst;
}

int RunFlatten(const std::vector<std::string>& args) {
    Options options;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.rfind("--in-place", 0) == 0 &&
                   (arg.size() == 10 || arg[10] == '=')) {
            options.inPlace = true;
            options.suffix = arg.size() > 10 ? arg.substr(11) : std::string();
        } else if (!optionsEnded && arg.rfind("-i", 0) == 0) {
            options.inPlace = true;
            options.suffix = arg.substr(2);
        } else if (!optionsEnded && (arg == "-n" || arg == "--dry-run")) {
            options.dryRun = true;
        } else if (!optionsEnded && (arg == "-q" || arg == "--quiet")) {
            options.quiet = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.inPlace || options.dryRun) {
        if (options.files.empty())
            return UsageError(std::string(options.inPlace ? "-i" : "-n") +
                              " needs at least one FILE");
        return ProcessAll(options);
    }
    if (options.files.size() > 1)
        return UsageError("flatten takes one FILE; use -i to rewrite several files");
    return FlattenToStandardOutput(options.files.empty() ? std::string() : options.files.front(),
                                   options.quiet);
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("missing command");
    const std::string& command = args.front();
    // Both fail when standard output cannot take the text (a closed pipe, a full disk).
    if (command == "--help" || command == "-h") {
        vornek::cli::WriteStandardOutput(kUsage);
        return kRewritten;
    }
    if (command == "--version") {
        vornek::cli::WriteStandardOutput(std::string("vornek ") + VORNEK_VERSION_DOTTED + " (" +
                                         VORNEK_PRODUCT_NAME + " " + VORNEK_PRODUCT_VERSION +
                                         ")\n");
        return kRewritten;
    }
    if (command != "flatten") return UsageError("unknown command '" + command + "'");
    return RunFlatten(std::vector<std::string>(args.begin() + 1, args.end()));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const IoError& e) {
        std::fprintf(stderr, "vornek: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vornek: not enough memory to process the message\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornek: %s\n", e.what());
    }
    return kFailure;
}
