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

bool IsMultipartType(const std::string& mediaType) { return mediaType.rfind("multipart/", 0) == 0; }

bool IsSignedOrEncrypted(const std::string& mediaType) {
    return mediaType == "multipart/signed" || mediaType == "multipart/encrypted";
}

// Content fields that a lifted first part may bring and that must then stand only once.
constexpr std::string_view kPartOwnedFields[] = {"Content-Transfer-Encoding", "Content-Disposition",
                                                 "Content-Description", "Content-ID"};
constexpr std::string_view kTransferEncoding = "Content-Transfer-Encoding";

// The lowered encoding token of a Content-Transfer-Encoding field, without a
// comment that may follow it.
std::string EncodingOf(std::string_view text, const HeaderField& field) {
    const std::string value = LowerAscii(FieldValue(text, field));
    return value.substr(0, value.find_first_of(" \t(;"));
}

// Fields a message has once at most: when a lifted part brings one of them again,
// readers show the first or the last, and the part's own could pass for the
// message's sender or subject.
constexpr std::string_view kSingleFields[] = {"From",       "Sender",      "Reply-To",  "To",
                                              "Cc",         "Bcc",         "Subject",   "Date",
                                              "Message-ID", "In-Reply-To", "References"};

// MIME allows a boundary of at most 70 bytes, and real mailers go a little beyond;
// none comes near the longest line a message may have.
constexpr std::size_t kMaxBoundaryLength = 998;

// 7bit, 8bit and binary leave the bytes as they are; any other encoding of the
// multipart, kept above a part without one of its own, would make readers decode
// the plain text.
bool IsIdentityEncoding(const std::string& encoding) {
    return encoding == "7bit" || encoding == "8bit" || encoding == "binary";
}

// True when one line of the Content-Type `field`, read alone, gives the same
// `boundary`: a boundary folded across lines is read with the fold's blank by some
// readers and with the line break by others.
bool BoundaryOnOneLine(std::string_view text, const HeaderField& field,
                       const std::string& boundary) {
    for (std::size_t pos = field.begin; pos < field.end;) {
        const LineBounds bounds = LineAt(text, pos);
        std::string line(text.substr(pos, bounds.end - pos));
        // The first line holds the media type; a continuation line only parameters.
        line = pos == field.begin ? line.substr(line.find(':') + 1) : "x/x;" + line;
        if (ParameterValue(line, "boundary") == boundary) return true;
        pos = bounds.next;
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

// The first delimiter line of `boundary` among the lines in [from, end). It jumps
// from one '-' to the next, so the lines of a base64 or HTML body are never looked
// at one by one; and it compares the delimiter text only where a line starts,
// never beyond that line, so no boundary and no run of hyphens makes the search
// cost more than a pass over the bytes. `from` is the start of a line, and no line
// breaks at a lone CR.
Delimiter NextDelimiter(std::string_view text, std::size_t from, std::size_t end,
                        std::string_view boundary) {
    for (std::size_t pos = from; pos < end;) {
        const std::size_t at = text.find('-', pos);
        if (at == std::string_view::npos || at >= end) return {};
        const LineBounds line = LineAt(text, at);
        if (at == from || text[at - 1] == '\n') {
            const DelimiterKind kind = KindOf(text.substr(at, line.end - at), boundary);
            if (kind != DelimiterKind::None) return {kind, at, line.next};
        }
        pos = line.next;
    }
    return {};
}

class Flattening {
  public:
    explicit Flattening(const LineList& lines) : lines_(lines), text_(lines.Text()) {}

    // Works out which bytes go; `Kept()` then gives the rest.
    FlattenResult Run(std::string_view ctValue);
    std::vector<ByteRange> Kept();

  private:
    void Drop(std::size_t from, std::size_t to) { dropped_.push_back({from, to}); }
    // Drops every kept field for which `goes` holds, in one pass over them: a header
    // may hold any number of fields.
    template <typename Predicate>
    void DropFieldsWhere(Predicate goes) {
        std::vector<HeaderField> kept;
        kept.reserve(fields_.size());
        for (const HeaderField& f : fields_) {
            if (goes(f)) {
                Drop(f.begin, f.end);
            } else {
                kept.push_back(f);
            }
        }
        fields_ = std::move(kept);
    }
    bool RepeatsASingleField(const std::vector<HeaderField>& lifted) const;

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
    // The host's copy of the value may be cut short or differ from the field itself;
    // the delimiters must be the ones the message's readers see.
    const std::string ownValue = FieldValue(text_, contentTypes.front());
    if (MediaTypeOf(ctValue) != MediaTypeOf(ownValue) ||
        ParameterValue(ctValue, "boundary") != ParameterValue(ownValue, "boundary")) {
        return FlattenResult::NotRecognised;
    }

    Level level{header->emptyLine, header->bodyStart, text_.size(), contentTypes.front(),
                std::string(ctValue)};
    for (int depth = 0;; ++depth) {
        const std::string mediaType = MediaTypeOf(level.value);
        if (!IsMultipartType(mediaType)) return FlattenResult::NotRecognised;
        if (IsSignedOrEncrypted(mediaType)) return FlattenResult::SignedOrEncrypted;
        if (depth == kMaxMultipartDepth) return FlattenResult::NotRecognised;
        const auto boundary = ParameterValue(level.value, "boundary");
        // MIME forbids a boundary that ends in a blank, and readers disagree on
        // whether to strip it, so on where the first part starts.
        if (!boundary || boundary->empty() || boundary->size() > kMaxBoundaryLength ||
            IsBlank(boundary->back()) || !BoundaryOnOneLine(text_, level.contentType, *boundary)) {
            return FlattenResult::NotRecognised;
        }
        auto next = [&](std::size_t from) {
            return NextDelimiter(text_, from, level.end, *boundary);
        };

        // Only this entity's body is read: an outer epilogue or a later outer part
        // may hold lines that look like this level's delimiters.
        const Delimiter first = next(level.bodyStart);
        if (first.kind != DelimiterKind::Open)
            return FlattenResult::NotRecognised;  // no first part
        const Delimiter second = next(first.next);
        const std::size_t partEnd = second.kind == DelimiterKind::None ? level.end : second.begin;
        // Later parts run to the closing delimiter, or to the end when it is missing.
        // A delimiter right after a delimiter line opens a part of no lines, whose
        // first line MIME readers take as its content, not as a delimiter.
        Delimiter close = second;
        std::size_t lastNext = first.next;
        while (close.kind != DelimiterKind::None) {
            if (close.begin == lastNext) return FlattenResult::NotRecognised;
            if (close.kind == DelimiterKind::Close) break;
            lastNext = close.next;
            close = next(close.next);
        }
        const std::size_t laterEnd = close.kind == DelimiterKind::Close ? close.next : level.end;
        // Readers that see the parts differently may see this delimiter after the close.
        if (close.kind == DelimiterKind::Close && next(close.next).kind != DelimiterKind::None) {
            return FlattenResult::NotRecognised;
        }

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
        const auto partEncodings = FieldsNamed(partHeader->fields, kTransferEncoding);
        if (partEncodings.size() > 1) return FlattenResult::NotRecognised;
        // The part's own content fields replace the message's.
        std::vector<std::string_view> replaced;
        for (std::string_view name : kPartOwnedFields) {
            if (!FieldsNamed(partHeader->fields, name).empty()) replaced.push_back(name);
        }
        const HeaderField multipartType = level.contentType;
        DropFieldsWhere([&](const HeaderField& f) {
            if (f.begin == multipartType.begin) return true;
            for (std::string_view name : replaced) {
                if (SameName(f.name, name)) return true;
            }
            return partEncodings.empty() && SameName(f.name, kTransferEncoding) &&
                   !IsIdentityEncoding(EncodingOf(text_, f));
        });
        if (RepeatsASingleField(partHeader->fields)) return FlattenResult::NotRecognised;
        fields_.insert(fields_.end(), partHeader->fields.begin(), partHeader->fields.end());

        // A part without Content-Type is plain text.
        const std::string partValue =
            partTypes.empty() ? std::string("text/plain") : FieldValue(text_, partTypes.front());
        const std::string partType = MediaTypeOf(partValue);
        if (IsMultipartType(partType)) {
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

// True when `lifted` brings a field that the header keeps already and that a
// message has once at most.
bool Flattening::RepeatsASingleField(const std::vector<HeaderField>& lifted) const {
    for (std::string_view name : kSingleFields) {
        if (!FieldsNamed(lifted, name).empty() && !FieldsNamed(fields_, name).empty()) return true;
    }
    return false;
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
