// vornek: flattens multipart messages to their first part from the command line.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "../plugin/Version.h"
#include "FileIo.h"
#include "FlattenMessage.h"

namespace {

using vornek::cli::FlattenMessage;
using vornek::cli::FlattenOutcome;
using vornek::cli::IoError;

enum ExitCode { kRewritten = 0, kUnchanged = 1, kFailure = 2 };

const char kUsage[] =
    "Usage: vornek flatten [FILE]\n"
    "       vornek flatten -i[SUFFIX] FILE...\n"
    "       vornek flatten --in-place[=SUFFIX] FILE...\n"
    "       vornek --help | --version\n"
    "\n"
    "Rewrites a multipart message (plain text first, HTML after) into a single-part\n"
    "message that keeps only its first part: the preamble, the delimiters, the HTML\n"
    "part and every later part (attachments included) are removed, and the first\n"
    "part's own header fields take the place of the multipart Content-Type.\n"
    "\n"
    "Without -i, reads FILE (standard input when FILE is absent or -) and writes the\n"
    "result to standard output. With -i, rewrites each FILE in place through a\n"
    "temporary file and a rename, keeping the original as FILE+SUFFIX when a suffix\n"
    "is given; a file that is left unchanged is not touched at all.\n"
    "\n"
    "Signed or encrypted messages, and messages whose MIME structure is not\n"
    "recognised, are left unchanged.\n"
    "\n"
    "Exit status: 0 rewritten; 1 left unchanged (the input is written unchanged and\n"
    "one line on standard error says why); 2 usage or input/output error (nothing\n"
    "written). With several files, the worst status of them.\n";

int UsageError(const std::string& what) {
    std::fprintf(stderr, "vornek: %s\nTry 'vornek --help'.\n", what.c_str());
    return kFailure;
}

void ReportUnchanged(const std::string& name, const FlattenOutcome& outcome) {
    std::fprintf(stderr, "vornek: %s: %s - left unchanged\n", name.c_str(), outcome.reason.c_str());
}

int FlattenToStandardOutput(const std::string& file) {
    const bool fromStdin = file.empty() || file == "-";
    const std::string name = fromStdin ? "standard input" : file;
    const vornek::cli::MessageText message =
        fromStdin ? vornek::cli::ReadStandardInput() : vornek::cli::ReadFile(file);
    const FlattenOutcome outcome = FlattenMessage(message);
    vornek::cli::WriteStandardOutput(outcome.rewritten ? std::string_view(outcome.text)
                                                       : message.text);
    if (outcome.rewritten) return kRewritten;
    ReportUnchanged(name, outcome);
    return kUnchanged;
}

int FlattenInPlace(const std::string& file, const std::string& suffix) {
    try {
        const FlattenOutcome outcome = FlattenMessage(vornek::cli::ReadFile(file));
        if (!outcome.rewritten) {
            ReportUnchanged(file, outcome);
            return kUnchanged;
        }
        vornek::cli::ReplaceFile(file, outcome.text, suffix);
        return kRewritten;
    } catch (const IoError& e) {
        std::fprintf(stderr, "vornek: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vornek: %s: not enough memory to process it\n", file.c_str());
    }
    return kFailure;
}

int RunFlatten(const std::vector<std::string>& args) {
    bool inPlace = false;
    std::string suffix;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.rfind("--in-place", 0) == 0 &&
                   (arg.size() == 10 || arg[10] == '=')) {
            inPlace = true;
            suffix = arg.size() > 10 ? arg.substr(11) : std::string();
        } else if (!optionsEnded && arg.rfind("-i", 0) == 0) {
            inPlace = true;
            suffix = arg.substr(2);
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else {
            files.push_back(arg);
        }
    }
    if (!inPlace) {
        if (files.size() > 1)
            return UsageError("flatten takes one FILE; use -i to rewrite several files");
        return FlattenToStandardOutput(files.empty() ? std::string() : files.front());
    }
    if (files.empty()) return UsageError("-i needs at least one FILE");
    int worst = kRewritten;
    for (const std::string& file : files) {
        if (file == "-") {
            worst = std::max(worst, UsageError("cannot rewrite standard input in place"));
            continue;
        }
        worst = std::max(worst, FlattenInPlace(file, suffix));
    }
    return worst;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("missing command");
    const std::string& command = args.front();
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return kRewritten;
    }
    if (command == "--version") {
        std::printf("vornek %s (%s %s)\n", VORNEK_VERSION_DOTTED, VORNEK_PRODUCT_NAME,
                    VORNEK_PRODUCT_VERSION);
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
