// Splits a message source into lines and joins them back, with the byte-wise text
// rules used to recognise header fields and delimiters.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vornek {

// The lines with indices first .. last - 1.
struct LineRange {
    std::size_t first;
    std::size_t last;
};

// An ordered list of lines of one message source. The list holds the text it was
// given and keeps each line as a span into it, so splitting a large message
// allocates nothing per line and deleting a line only drops its span.
// A line never holds CR, LF or NUL.
class LineList {
  public:
    LineList() = default;

    // Replaces the whole content with the lines of `text`; a NUL byte ends the text.
    void SetText(std::string_view text);
    void SetText(const char* text) { SetText(std::string_view(text ? text : "")); }
    // Same, taking over the caller's buffer instead of copying it.
    void SetText(std::string&& text);
    // Same, for bytes that `owner` keeps alive (a mapped file), without a copy.
    void SetText(std::string_view text, std::shared_ptr<const void> owner);

    // Every line followed by CR LF, the last one included; empty for an empty list.
    std::string GetText() const { return Join("\r\n"); }
    // Every line followed by `eol`.
    std::string Join(std::string_view eol) const;

    std::size_t Count() const { return spans_.size(); }
    // `index` must lie in 0 .. Count() - 1.
    std::string_view Get(std::size_t index) const;
    // Removes the line at `index`, which must lie in 0 .. Count() - 1.
    void Delete(std::size_t index);
    // Keeps only the lines in `ranges` (ascending, disjoint, inside the list), in order.
    void KeepOnly(const std::vector<LineRange>& ranges);

    // Every line followed by the line break it had in the text (CR LF, LF, or none
    // for a last line without one): the text with whole lines removed.
    std::string JoinWithOwnBreaks() const;

    // The text last handed to SetText, as it was given (before any NUL cut).
    std::string_view OriginalText() const { return text_; }
    // True when a NUL byte ended the text before its last byte.
    bool EndedAtNul() const { return endedAtNul_; }
    // True when the text holds a CR that is not followed by LF: splitting there
    // made a line break that the message's readers may not see.
    bool HasLoneCr() const { return hasLoneCr_; }

  private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };

    void Split();

    std::shared_ptr<const void> owner_;
    std::string_view text_;
    std::vector<Span> spans_;
    bool endedAtNul_ = false;
    bool hasLoneCr_ = false;
};

// Removes the line at `index` when it lies inside the list; otherwise does nothing.
void SafeDeleteLine(LineList& lines, std::size_t index);

// The byte lowered when it is 'A'..'Z', otherwise unchanged.
inline char LowerAsciiByte(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// A copy in which only the bytes 'A'..'Z' are lowered, wherever they stand (also as
// the second byte of a Shift-JIS character): the result serves only for matching.
std::string LowerAscii(std::string_view text);

// 1-based position of the first exact occurrence of `needle` in `haystack`;
// 0 when there is none or when either text is empty.
std::size_t FindText(std::string_view needle, std::string_view haystack);

// At most `count` bytes of `text` from the 1-based position `start` (below 1 counts
// as 1); empty when the start lies past the end or `count` is not positive.
std::string CopyText(std::string_view text, long long start, long long count);

}  // namespace vornek
