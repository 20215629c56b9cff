// libFuzzer target: splitting, flattening and joining arbitrary bytes.
//
// The input is a Content-Type value, a NUL byte, then the message source. Checked:
// nothing crashes or trips a sanitizer; a message that is not rewritten keeps every
// line; a rewritten message holds a subsequence of the input lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mime/Flatten.h"
#include "mime/LineList.h"

namespace {

std::vector<std::string> LinesOf(const vornek::LineList& list) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.Count(); ++i) out.emplace_back(list.Get(i));
    return out;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    std::size_t k = 0;
    for (const std::string& line : whole) {
        if (k < part.size() && part[k] == line) ++k;
    }
    return k == part.size();
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
    } else if (after != before) {
        std::abort();
    }
    return 0;
}
