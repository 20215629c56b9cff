// Rewrites a multipart message into a single-part message that keeps its first part.
#include "mime/Flatten.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "mime/HeaderFields.h"

namespace vornek {
namespace {

enum class DelimiterKind { None, Open, Close };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A delimiter is "--" + boundary, a closing delimiter "--" + boundary + "--", each
// optionally followed by blanks; a line that merely contains the boundary is neither.
DelimiterKind KindOf(std::string_view line, std::string_view boundary) {
    if (line.size() < boundary.size() + 2 || line.substr(0, 2) != "--" ||
        line.substr(2, boundary.size()) != boundary) {
        return DelimiterKind::None;
    }
    auto onlyBlanks = [](std::string_view rest) {
        return rest.find_first_not_of(" \t") == std::string_view::npos;
    };
    std::string_view rest = line.substr(boundary.size() + 2);
    if (onlyBlanks(rest)) return DelimiterKind::Open;
    if (rest.substr(0, 2) == "--" && onlyBlanks(rest.substr(2))) return DelimiterKind::Close;
    return DelimiterKind::None;
}

bool IsSignedOrEncrypted(const std::string& mediaType) {
    return mediaType == "multipart/signed" || mediaType == "multipart/encrypted";
}

// Content fields that a lifted first part may bring and that must then stand only once.
constexpr std::string_view kPartOwnedFields[] = {"Content-Transfer-Encoding", "Content-Disposition",
                                                 "Content-Description", "Content-ID"};
constexpr std::string_view kTransferEncoding = "Content-Transfer-Encoding";

// The lowered value of a Content-Transfer-Encoding field.
std::string EncodingOf(std::string_view text, const HeaderField& field) {
    return LowerAscii(FieldValue(text, field));
}

// 7bit, 8bit and binary leave the bytes as they are; any other encoding of the
// multipart, kept above a part without one of its own, would make readers decode
// the plain text.
bool IsIdentityEncoding(const std::string& encoding) {
    return encoding == "7bit" || encoding == "8bit" || encoding == "binary";
}

// True when one line of `field` holds the whole `value`.
bool StandsOnOneLine(std::string_view text, const HeaderField& field, std::string_view value) {
    for (std::size_t pos = field.begin; pos < field.end;) {
        const LineBounds line = LineAt(text, pos);
        if (text.substr(pos, line.end - pos).find(value) != std::string_view::npos) return true;
        pos = line.next;
    }
    return false;
}

// One level of the message being flattened: a multipart entity's header end, body
// and end, and its Content-Type field and value. Offsets into the text.
struct Level {
    std::size_t emptyLine;
    std::size_t bodyStart;
    std::size_t end;
    HeaderField contentType;
    std::string value;
};

// A delimiter line: its kind, where it starts and where the next line starts.
struct Delimiter {
    DelimiterKind kind = DelimiterKind::None;
    std::size_t begin = 0;
    std::size_t next = 0;
};

// The first delimiter line of `boundary` among the lines in [from, end), found by
// searching for its text, so the lines between are never looked at one by one.
// `from` is the start of a line, and no line breaks at a lone CR.
Delimiter NextDelimiter(std::string_view text, std::size_t from, std::size_t end,
                        const std::string& needle, std::string_view boundary) {
    for (std::size_t pos = from;;) {
        const std::size_t at = text.find(needle, pos);
        if (at == std::string_view::npos || at >= end) return {};
        if (at == from || text[at - 1] == '\n') {
            const LineBounds line = LineAt(text, at);
            const DelimiterKind kind = KindOf(text.substr(at, line.end - at), boundary);
            if (kind != DelimiterKind::None) return {kind, at, line.next};
        }
        pos = at + 1;
    }
}

class Flattening {
  public:
    explicit Flattening(const LineList& lines) : lines_(lines), text_(lines.Text()) {}

    // Works out which bytes go; `Kept()` then gives the rest.
    FlattenResult Run(std::string_view ctValue);
    std::vector<ByteRange> Kept();

  private:
    void Drop(std::size_t from, std::size_t to) { dropped_.push_back({from, to}); }
    void DropField(const HeaderField& f) {
        Drop(f.begin, f.end);
        fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                     [&](const HeaderField& g) { return g.begin == f.begin; }),
                      fields_.end());
    }
    void DropFieldsNamed(std::string_view name) {
        for (const HeaderField& f : FieldsNamed(fields_, name)) DropField(f);
    }

    const LineList& lines_;
    std::string_view text_;
    std::vector<HeaderField> fields_;  // the fields the rewritten header keeps, so far
    std::vector<ByteRange> dropped_;
    std::vector<ByteRange> epilogues_;
};

FlattenResult Flattening::Run(std::string_view ctValue) {
    // A CR without LF would split a header value into a field of its own, or change
    // the kept body, for readers that do not break lines there.
    if (lines_.HasLoneCr()) return FlattenResult::NotRecognised;
    // The mbox envelope line that procmail and mbox files put before the header.
    const std::size_t headerBegin = text_.substr(0, 5) == "From " ? LineAt(text_, 0).next : 0;
    const auto header = ReadHeader(text_, headerBegin, text_.size());
    if (!header) return FlattenResult::NotRecognised;
    const auto contentTypes = FieldsNamed(header->fields, "Content-Type");
    // With two, readers take the first and a rewrite would leave a stale one standing.
    if (contentTypes.size() != 1) return FlattenResult::NotRecognised;
    fields_ = header->fields;

    Level level{header->emptyLine, header->bodyStart, text_.size(), contentTypes.front(),
                std::string(ctValue)};
    for (int depth = 0;; ++depth) {
        const std::string mediaType = MediaTypeOf(level.value);
        if (mediaType.rfind("multipart/", 0) != 0) return FlattenResult::NotRecognised;
        if (IsSignedOrEncrypted(mediaType)) return FlattenResult::SignedOrEncrypted;
        if (depth == kMaxMultipartDepth) return FlattenResult::NotRecognised;
        const auto boundary = ParameterValue(level.value, "boundary");
        // MIME forbids a boundary that ends in a blank, and readers disagree on
        // whether to strip it, so on where the first part starts.
        if (!boundary || boundary->empty() || IsBlank(boundary->back())) {
            return FlattenResult::NotRecognised;
        }
        // A boundary folded across lines is read with the fold's blank by some
        // readers and with the line break by others.
        if (!StandsOnOneLine(text_, level.contentType, *boundary)) {
            return FlattenResult::NotRecognised;
        }
        const std::string needle = "--" + *boundary;
        auto next = [&](std::size_t from) {
            return NextDelimiter(text_, from, level.end, needle, *boundary);
        };

        // Only this entity's body is read: an outer epilogue or a later outer part
        // may hold lines that look like this level's delimiters.
        const Delimiter first = next(level.bodyStart);
        if (first.kind != DelimiterKind::Open)
            return FlattenResult::NotRecognised;  // no first part
        const Delimiter second = next(first.next);
        const std::size_t partEnd = second.kind == DelimiterKind::None ? level.end : second.begin;
        // Later parts run to the closing delimiter, or to the end when it is missing.
        Delimiter close = second;
        while (close.kind == DelimiterKind::Open) close = next(close.next);
        const std::size_t laterEnd = close.kind == DelimiterKind::Close ? close.next : level.end;

        // The first part's header joins the message header, so it must be a real
        // header ending in an empty line inside the part.
        const auto partHeader = ReadHeader(text_, first.next, partEnd);
        if (!partHeader) return FlattenResult::NotRecognised;
        const auto partTypes = FieldsNamed(partHeader->fields, "Content-Type");
        if (partTypes.size() > 1) return FlattenResult::NotRecognised;
        // A digest's part without a type is message/rfc822, which must not become text.
        if (mediaType == "multipart/digest" && partTypes.empty())
            return FlattenResult::NotRecognised;

        Drop(level.emptyLine, first.next);  // header's empty line, preamble, delimiter
        Drop(partEnd, laterEnd);            // later parts and the closing delimiter
        if (laterEnd < level.end) epilogues_.push_back({laterEnd, level.end});
        DropField(level.contentType);
        for (std::string_view name : kPartOwnedFields) {
            if (!FieldsNamed(partHeader->fields, name).empty()) DropFieldsNamed(name);
        }
        const auto partEncodings = FieldsNamed(partHeader->fields, kTransferEncoding);
        if (partEncodings.empty()) {
            for (const HeaderField& f : FieldsNamed(fields_, kTransferEncoding)) {
                if (!IsIdentityEncoding(EncodingOf(text_, f))) DropField(f);
            }
        }
        fields_.insert(fields_.end(), partHeader->fields.begin(), partHeader->fields.end());

        // A part without Content-Type is plain text.
        const std::string partValue =
            partTypes.empty() ? std::string("text/plain") : FieldValue(text_, partTypes.front());
        const std::string partType = MediaTypeOf(partValue);
        if (partType.rfind("multipart/", 0) == 0) {
            level = {partHeader->emptyLine, partHeader->bodyStart, partEnd, partTypes.front(),
                     partValue};
            continue;
        }
        // Keeping anything but the plain text would delete what the user wants to
        // keep: the text, or the images of an HTML message.
        if (partType == "text/html") return FlattenResult::HtmlOnly;
        if (partType != "text/plain") return FlattenResult::NoPlainTextPart;
        // Text after base64 decodes as garbage.
        if (!partEncodings.empty() && EncodingOf(text_, partEncodings.front()) == "base64") {
            dropped_.insert(dropped_.end(), epilogues_.begin(), epilogues_.end());
        }
        return FlattenResult::Rewritten;
    }
}

std::vector<ByteRange> Flattening::Kept() {
    std::sort(dropped_.begin(), dropped_.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.first < b.first; });
    std::vector<ByteRange> kept;
    std::size_t from = 0;
    for (const ByteRange& d : dropped_) {
        if (d.first > from) kept.push_back({from, d.first});
        from = std::max(from, d.last);
    }
    if (from < text_.size()) kept.push_back({from, text_.size()});
    return kept;
}

}  // namespace

bool IsMultipartValue(std::string_view ctValue) {
    return FindText("multipart/", LowerAscii(ctValue)) != 0;
}

FlattenResult FlattenToFirstPart(LineList& lines, std::string_view ctValue) {
    // The flattening reads the text itself; a list that has lost lines already is
    // first made whole again from what it holds.
    if (!lines.IsWhole()) lines.SetText(lines.JoinWithOwnBreaks());
    Flattening flattening(lines);
    const FlattenResult result = flattening.Run(ctValue);
    if (result == FlattenResult::Rewritten) lines.KeepBytes(flattening.Kept());
    return result;
}

}  // namespace vornek
