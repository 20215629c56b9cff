// Splits a message source into lines and joins them back, with the byte-wise text
// rules used to recognise header fields and delimiters.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vornek {

// The bytes first .. last - 1 of a text.
struct ByteRange {
    std::size_t first;
    std::size_t last;
};

// The end of the line that starts at `pos` in `text` (its first CR or LF, or the
// end of the text), and the start of the next one: a line ends at CR LF, at a lone
// LF or at a lone CR. A NUL byte is part of its line.
struct LineBounds {
    std::size_t end;
    std::size_t next;
};
LineBounds LineAt(std::string_view text, std::size_t pos);

// An ordered list of lines of one message source. A line never holds CR, LF or NUL.
//
// The list holds the text it was given and describes its content as pieces of that
// text, each a run of whole lines with their line breaks. Lines are indexed only
// when someone asks for them by index: the flattening works on the pieces and never
// does, so the body of a large message, which nobody changes, costs no index at all.
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
    std::string GetText() const;
    // Every line followed by the line break it had in the text (CR LF, LF, or none
    // for a last line without one): the text with whole lines removed.
    std::string JoinWithOwnBreaks() const;

    // Calls `visit` with each line in order, until it returns false. Needs no index
    // of the lines, so it allocates nothing.
    template <typename Visit>
    void ForEachLine(Visit visit) const;

    std::size_t Count() const;
    // `index` must lie in 0 .. Count() - 1.
    std::string_view Get(std::size_t index) const;
    // Removes the line at `index`, which must lie in 0 .. Count() - 1.
    void Delete(std::size_t index);

    // The text last handed to SetText, up to a NUL byte if it held one.
    std::string_view Text() const { return text_; }
    // True while the content is the whole of Text(): no line has been removed.
    bool IsWhole() const;
    // Keeps only `ranges` of Text() (ascending, disjoint, each a run of whole lines
    // with their line breaks).
    void KeepBytes(const std::vector<ByteRange>& ranges);

    // True when a NUL byte ended the text before its last byte.
    bool EndedAtNul() const { return endedAtNul_; }
    // True when the text holds a CR that is not followed by LF: splitting there
    // made a line break that the message's readers may not see.
    bool HasLoneCr() const;

  private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };

    void BuildIndex() const;
    std::size_t ContentSize() const;

    std::shared_ptr<const void> owner_;
    std::string_view text_;
    std::vector<ByteRange> pieces_;
    bool endedAtNul_ = false;
    // Worked out on demand, from the text or the pieces that never change after.
    mutable std::vector<Span> spans_;
    mutable bool indexed_ = false;
    mutable int hasLoneCr_ = -1;  // -1 while not known
};

template <typename Visit>
void LineList::ForEachLine(Visit visit) const {
    for (const ByteRange& piece : pieces_) {
        for (std::size_t p = piece.first; p < piece.last;) {
            const LineBounds line = LineAt(text_, p);
            if (!visit(text_.substr(p, line.end - p))) return;
            p = line.next;
        }
    }
}

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
