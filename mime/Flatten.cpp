// Rewrites a multipart message into a single-part message that keeps its first part.
#include "Flatten.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "HeaderFields.h"

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
std::string EncodingOf(const LineList& lines, const HeaderField& field) {
    return LowerAscii(FieldValue(lines, field));
}

// 7bit, 8bit and binary leave the bytes as they are; any other encoding of the
// multipart, kept above a part without one of its own, would make readers decode
// the plain text.
bool IsIdentityEncoding(const std::string& encoding) {
    return encoding == "7bit" || encoding == "8bit" || encoding == "binary";
}

// True when one line of `field` holds the whole `text`.
bool StandsOnOneLine(const LineList& lines, const HeaderField& field, std::string_view text) {
    for (std::size_t i = field.first; i <= field.last; ++i) {
        if (lines.Get(i).find(text) != std::string_view::npos) return true;
    }
    return false;
}

// One level of the message being flattened: a multipart entity, its header's end,
// the line after its last line, its Content-Type field and value.
struct Level {
    std::size_t headerEnd;
    std::size_t end;
    HeaderField contentType;
    std::string value;
};

// The index of the first line in [from, end) for which `want` holds, or `end`.
template <typename Predicate>
std::size_t FindLine(const LineList& lines, std::size_t from, std::size_t end, Predicate want) {
    while (from < end && !want(lines.Get(from))) ++from;
    return from;
}

class Flattening {
  public:
    explicit Flattening(const LineList& lines) : lines_(lines) {}

    // Works out which lines go; `kept_` then holds the rest.
    FlattenResult Run(std::string_view ctValue);
    const std::vector<LineRange>& Kept() const { return kept_; }

  private:
    void Drop(std::size_t from, std::size_t to) { dropped_.push_back({from, to}); }
    void DropField(const HeaderField& f) {
        Drop(f.first, f.last + 1);
        fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                     [&](const HeaderField& g) { return g.first == f.first; }),
                      fields_.end());
    }
    void DropFieldsNamed(std::string_view name) {
        for (const HeaderField& f : FieldsNamed(Header{fields_, 0}, name)) DropField(f);
    }
    void ComputeKept();

    const LineList& lines_;
    std::vector<HeaderField> fields_;  // the fields the rewritten header keeps, so far
    std::vector<LineRange> dropped_;
    std::vector<LineRange> epilogues_;
    std::vector<LineRange> kept_;
};

FlattenResult Flattening::Run(std::string_view ctValue) {
    // A CR without LF would split a header value into a field of its own, or change
    // the kept body, for readers that do not break lines there.
    if (lines_.HasLoneCr()) return FlattenResult::NotRecognised;
    // The mbox envelope line that procmail and mbox files put before the header.
    const std::size_t headerBegin =
        lines_.Count() > 0 && lines_.Get(0).substr(0, 5) == "From " ? 1 : 0;
    const auto header = ReadHeader(lines_, headerBegin, lines_.Count());
    if (!header) return FlattenResult::NotRecognised;
    const auto contentTypes = FieldsNamed(*header, "Content-Type");
    // With two, readers take the first and a rewrite would leave a stale one standing.
    if (contentTypes.size() != 1) return FlattenResult::NotRecognised;
    fields_ = header->fields;

    Level level{header->end, lines_.Count(), contentTypes.front(), std::string(ctValue)};
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
        if (!StandsOnOneLine(lines_, level.contentType, *boundary)) {
            return FlattenResult::NotRecognised;
        }
        auto kind = [&](std::string_view line) { return KindOf(line, *boundary); };

        // Only this entity's body is read: an outer epilogue or a later outer part
        // may hold lines that look like this level's delimiters.
        const std::size_t firstDelimiter =
            FindLine(lines_, level.headerEnd + 1, level.end,
                     [&](std::string_view line) { return kind(line) != DelimiterKind::None; });
        if (firstDelimiter == level.end ||
            kind(lines_.Get(firstDelimiter)) != DelimiterKind::Open) {
            return FlattenResult::NotRecognised;  // no first part
        }
        const std::size_t partEnd =
            FindLine(lines_, firstDelimiter + 1, level.end,
                     [&](std::string_view line) { return kind(line) != DelimiterKind::None; });
        // Later parts run to the closing delimiter, or to the end when it is missing.
        const std::size_t closeDelimiter =
            FindLine(lines_, partEnd, level.end,
                     [&](std::string_view line) { return kind(line) == DelimiterKind::Close; });
        const std::size_t laterEnd = closeDelimiter < level.end ? closeDelimiter + 1 : level.end;

        // The first part's header joins the message header, so it must be a real
        // header ending in an empty line inside the part.
        const auto partHeader = ReadHeader(lines_, firstDelimiter + 1, partEnd);
        if (!partHeader) return FlattenResult::NotRecognised;
        const auto partTypes = FieldsNamed(*partHeader, "Content-Type");
        if (partTypes.size() > 1) return FlattenResult::NotRecognised;
        // A digest's part without a type is message/rfc822, which must not become text.
        if (mediaType == "multipart/digest" && partTypes.empty())
            return FlattenResult::NotRecognised;

        Drop(level.headerEnd, firstDelimiter + 1);  // header's empty line, preamble, delimiter
        Drop(partEnd, laterEnd);                    // later parts and the closing delimiter
        if (laterEnd < level.end) epilogues_.push_back({laterEnd, level.end});
        DropField(level.contentType);
        for (std::string_view name : kPartOwnedFields) {
            if (!FieldsNamed(*partHeader, name).empty()) DropFieldsNamed(name);
        }
        const auto partEncodings = FieldsNamed(*partHeader, kTransferEncoding);
        if (partEncodings.empty()) {
            for (const HeaderField& f : FieldsNamed(Header{fields_, 0}, kTransferEncoding)) {
                if (!IsIdentityEncoding(EncodingOf(lines_, f))) DropField(f);
            }
        }
        fields_.insert(fields_.end(), partHeader->fields.begin(), partHeader->fields.end());

        // A part without Content-Type is plain text.
        const std::string partValue =
            partTypes.empty() ? std::string("text/plain") : FieldValue(lines_, partTypes.front());
        const std::string partType = MediaTypeOf(partValue);
        if (partType.rfind("multipart/", 0) == 0) {
            level = {partHeader->end, partEnd, partTypes.front(), partValue};
            continue;
        }
        // Keeping anything but the plain text would delete what the user wants to
        // keep: the text, or the images of an HTML message.
        if (partType == "text/html") return FlattenResult::HtmlOnly;
        if (partType != "text/plain") return FlattenResult::NoPlainTextPart;
        // Text after base64 decodes as garbage.
        if (!partEncodings.empty() && EncodingOf(lines_, partEncodings.front()) == "base64") {
            dropped_.insert(dropped_.end(), epilogues_.begin(), epilogues_.end());
        }
        break;
    }
    ComputeKept();
    return FlattenResult::Rewritten;
}

void Flattening::ComputeKept() {
    std::sort(dropped_.begin(), dropped_.end(),
              [](const LineRange& a, const LineRange& b) { return a.first < b.first; });
    std::size_t from = 0;
    for (const LineRange& d : dropped_) {
        if (d.first > from) kept_.push_back({from, d.first});
        from = std::max(from, d.last);
    }
    if (from < lines_.Count()) kept_.push_back({from, lines_.Count()});
}

}  // namespace

bool IsMultipartValue(std::string_view ctValue) {
    return FindText("multipart/", LowerAscii(ctValue)) != 0;
}

FlattenResult FlattenToFirstPart(LineList& lines, std::string_view ctValue) {
    Flattening flattening(lines);
    const FlattenResult result = flattening.Run(ctValue);
    if (result == FlattenResult::Rewritten) lines.KeepOnly(flattening.Kept());
    return result;
}

}  // namespace vornek
