// libFuzzer target: splitting, flattening and joining arbitrary bytes.
//
// The input is a Content-Type value, a NUL byte, then the message source. Checked:
// nothing crashes or trips a sanitizer; a message that is not rewritten keeps every
// line; a rewritten message holds a subsequence of the input lines, and its header
// has at most one Content-Type field, which names text/plain. The command line's
// flattening of the source gives the source with whole lines removed, every kept
// line with its own line break.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/FlattenMessage.h"
#include "mime/Flatten.h"
#include "mime/HeaderFields.h"
#include "mime/LineList.h"

namespace {

std::vector<std::string> LinesOf(const vornek::LineList& list) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.Count(); ++i) out.emplace_back(list.Get(i));
    return out;
}

template <typename Line>
bool IsSubsequence(const std::vector<Line>& part, const std::vector<Line>& whole) {
    std::size_t k = 0;
    for (const Line& line : whole) {
        if (k < part.size() && part[k] == line) ++k;
    }
    return k == part.size();
}

// The lines of `text` with their line breaks, cut as the line list cuts them.
std::vector<std::string_view> RawLines(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (end < text.size() && text[end] == '\r') ++end;
        if (end < text.size() && text[end] == '\n') ++end;
        out.push_back(text.substr(start, end - start));
        start = end;
    }
    return out;
}

// The header of a rewritten message names at most one type, and only plain text.
bool HasOnlyPlainTextType(const std::vector<std::string>& lines) {
    std::size_t i = !lines.empty() && lines[0].rfind("From ", 0) == 0 ? 1 : 0;
    int types = 0;
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        const auto name = vornek::FieldName(lines[i]);
        if (!name || !vornek::SameName(*name, "Content-Type")) continue;
        ++types;
        std::vector<std::string_view> field{lines[i]};
        for (std::size_t k = i + 1; k < lines.size() && vornek::IsContinuationLine(lines[k]); ++k)
            field.emplace_back(lines[k]);
        if (vornek::MediaTypeOf(vornek::UnfoldField(field)) != "text/plain") return false;
    }
    return types <= 1;
}

void CheckCommandLine(std::string_view source) {
    const vornek::cli::FlattenOutcome outcome = vornek::cli::FlattenMessage({source, nullptr});
    if (!outcome.rewritten) {
        if (!outcome.text.empty() || outcome.reason.empty()) std::abort();
        return;
    }
    if (!IsSubsequence(RawLines(outcome.text), RawLines(source))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view ctValue =
        nul == std::string_view::npos ? std::string_view() : input.substr(0, nul);
    const std::string_view source = nul == std::string_view::npos ? input : input.substr(nul + 1);

    vornek::LineList lines;
    lines.SetText(source);
    const std::vector<std::string> before = LinesOf(lines);
    const std::string joined = lines.GetText();

    // A join followed by a split gives back the same lines.
    vornek::LineList again;
    again.SetText(joined);
    if (LinesOf(again) != before) std::abort();

    const vornek::FlattenResult result = vornek::FlattenToFirstPart(lines, ctValue);
    const std::vector<std::string> after = LinesOf(lines);
    if (result == vornek::FlattenResult::Rewritten) {
        if (!IsSubsequence(after, before) || after.size() >= before.size()) std::abort();
        if (!HasOnlyPlainTextType(after)) std::abort();
    } else if (after != before) {
        std::abort();
    }
    CheckCommandLine(source);
    return 0;
}
