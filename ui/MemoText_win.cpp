// What the restore memo shows of a captured source, in UTF-16 for the edit control.
#include "ui/MemoText_win.h"

#include "ui/Text_win.h"

namespace vornek {
namespace {

constexpr std::size_t kLineBreak = 2;  // CR LF

// 1234567 as "1,234,567".
std::string Grouped(std::size_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
    return digits;
}

// Converts the Shift-JIS bytes once, into a buffer sized by a counting pass, and
// hands them to the control in one WM_SETTEXT. False when the control refuses
// them; throws std::bad_alloc when the buffer cannot be had.
bool SetShiftJisText(HWND memo, const std::string& text) {
    const std::wstring wide = FromShiftJis(text);
    return SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())) != FALSE;
}

}  // namespace

std::string NotShownLine(std::size_t bytes, std::size_t lines) {
    return "[" + Grouped(bytes) + " bytes (" + Grouped(lines) + (lines == 1 ? " line" : " lines") +
           ") of this message are not shown here. Restore writes back the whole message.]";
}

void ShowCaptureInMemo(HWND memo, const LineList& source) noexcept {
    // Walking the lines allocates nothing, so even a capture too large to show is
    // measured; only the text for the control needs memory.
    std::size_t total = 0;
    std::size_t lines = 0;
    std::size_t shownLines = 0;
    std::size_t shownBytes = 0;
    source.ForEachLine([&](std::string_view line) {
        const std::size_t size = line.size() + kLineBreak;
        if (shownLines == lines && shownBytes + size <= kMemoShownBytes) {
            shownBytes += size;
            ++shownLines;
        }
        total += size;
        ++lines;
        return true;
    });
    const bool whole = shownLines == lines;
    try {
        std::string text;
        text.reserve(shownBytes + (whole ? 0 : 160));
        std::size_t appended = 0;
        source.ForEachLine([&](std::string_view line) {
            if (appended++ == shownLines) return false;
            text.append(line);
            text.append("\r\n");
            return true;
        });
        if (!whole) text += NotShownLine(total - shownBytes, lines - shownLines);
        if (SetShiftJisText(memo, text)) return;
    } catch (...) {
        // Not enough memory for that much text: the line below says what is missing.
    }
    try {
        if (SetShiftJisText(memo, NotShownLine(total, lines))) return;
    } catch (...) {
    }
    SendMessageW(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}

}  // namespace vornek
