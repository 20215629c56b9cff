// Rewrites a multipart message into a single-part message that keeps its first part.
#include "Flatten.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "HeaderFields.h"

namespace vornek {
namespace {

// The message as it stands between rounds: runs of lines of the caller's LineList,
// addressed by position. Nothing touches the LineList until every round has
// succeeded, and a few runs describe even a message of millions of lines.
class Message {
  public:
    Message(const LineList& lines, std::vector<LineRange> runs)
        : lines_(lines), runs_(std::move(runs)) {
        for (const LineRange& r : runs_) {
            starts_.push_back(size_);
            size_ += r.last - r.first;
        }
    }

    std::size_t Size() const { return size_; }
    std::string_view Line(std::size_t pos) const {
        const std::size_t k = RunAt(pos);
        return lines_.Get(runs_[k].first + (pos - starts_[k]));
    }

    // The runs of LineList indices that hold positions [from, to).
    void AppendRuns(std::size_t from, std::size_t to, std::vector<LineRange>& out) const {
        for (std::size_t k = from < to ? RunAt(from) : runs_.size();
             k < runs_.size() && starts_[k] < to; ++k) {
            const std::size_t lo = std::max(from, starts_[k]) - starts_[k] + runs_[k].first;
            const std::size_t hi = std::min(to, starts_[k] + runs_[k].last - runs_[k].first) -
                                   starts_[k] + runs_[k].first;
            if (lo == hi) continue;
            if (!out.empty() && out.back().last == lo) {
                out.back().last = hi;
            } else {
                out.push_back({lo, hi});
            }
        }
    }

  private:
    std::size_t RunAt(std::size_t pos) const {
        return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) -
                                        starts_.begin()) -
               1;
    }

    const LineList& lines_;
    std::vector<LineRange> runs_;
    std::vector<std::size_t> starts_;  // position of the first line of each run
    std::size_t size_ = 0;
};

struct Field {
    std::string_view name;
    std::size_t first;  // position of the `name:` line
    std::size_t last;   // position of its last continuation line
};

struct Header {
    std::vector<Field> fields;
    std::size_t end;  // position of the empty line that ends it
};

// A header from `begin` up to an empty line before `limit`, made only of field
// lines and their continuation lines; nothing when the lines have another shape.
std::optional<Header> ReadHeader(const Message& m, std::size_t begin, std::size_t limit) {
    Header h;
    for (std::size_t pos = begin; pos < limit; ++pos) {
        const std::string_view line = m.Line(pos);
        if (line.empty()) {
            h.end = pos;
            return h;
        }
        if (IsContinuationLine(line)) {
            if (h.fields.empty()) return std::nullopt;
            h.fields.back().last = pos;
            continue;
        }
        const auto name = FieldName(line);
        if (!name) return std::nullopt;
        h.fields.push_back({*name, pos, pos});
    }
    return std::nullopt;
}

const Field* FindField(const Header& h, std::string_view name) {
    for (const Field& f : h.fields) {
        if (SameName(f.name, name)) return &f;
    }
    return nullptr;
}

std::string FieldValue(const Message& m, const Field& f) {
    std::vector<std::string_view> fieldLines;
    for (std::size_t pos = f.first; pos <= f.last; ++pos) fieldLines.push_back(m.Line(pos));
    return UnfoldField(fieldLines);
}

enum class DelimiterKind { None, Open, Close };

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

struct Round {
    FlattenResult result = FlattenResult::NotRecognised;
    std::vector<LineRange> kept;    // the lines of the rewritten message
    std::string liftedContentType;  // the lifted first part's Content-Type value, if any
};

// One level: lifts the first body part of the multipart message `m` into its header.
Round FlattenOnce(const Message& m, std::string_view ctValue) {
    Round r;
    const std::string mediaType = MediaTypeOf(ctValue);
    if (mediaType.rfind("multipart/", 0) != 0) return r;
    if (IsSignedOrEncrypted(mediaType)) {
        r.result = FlattenResult::SignedOrEncrypted;
        return r;
    }
    const auto header = ReadHeader(m, 0, m.Size());
    if (!header) return r;
    const Field* contentType = FindField(*header, "Content-Type");
    if (!contentType) return r;
    const auto boundary = ParameterValue(ctValue, "boundary");
    if (!boundary || boundary->empty()) return r;

    // The first part opens at the first delimiter of the body and ends at the next
    // delimiter or closing delimiter; without either it runs to the end.
    std::size_t firstDelimiter = 0;
    bool opened = false;
    for (std::size_t pos = header->end + 1; pos < m.Size() && !opened; ++pos) {
        switch (KindOf(m.Line(pos), *boundary)) {
            case DelimiterKind::Open:
                firstDelimiter = pos;
                opened = true;
                break;
            case DelimiterKind::Close:
                return r;  // a closing delimiter before any part: no first part
            case DelimiterKind::None:
                break;
        }
    }
    if (!opened) return r;

    std::size_t partEnd = m.Size();  // first line after the first part
    std::size_t dropEnd = m.Size();  // first line after what goes with the later parts
    for (std::size_t pos = firstDelimiter + 1; pos < m.Size(); ++pos) {
        const DelimiterKind kind = KindOf(m.Line(pos), *boundary);
        if (kind == DelimiterKind::None) continue;
        partEnd = pos;
        if (kind == DelimiterKind::Close) {
            dropEnd = pos + 1;
        } else {
            // Later parts run to the closing delimiter, or to the end when it is missing.
            for (std::size_t k = pos + 1; k < m.Size(); ++k) {
                if (KindOf(m.Line(k), *boundary) == DelimiterKind::Close) {
                    dropEnd = k + 1;
                    break;
                }
            }
        }
        break;
    }

    // The first part's header joins the message header, so it must be a real header
    // ending in an empty line inside the part: anything else would glue body text
    // into the message header.
    const auto partHeader = ReadHeader(m, firstDelimiter + 1, partEnd);
    if (!partHeader) return r;
    const Field* partContentType = FindField(*partHeader, "Content-Type");
    if (mediaType == "multipart/digest" && !partContentType) return r;  // implied message/rfc822

    std::vector<LineRange> dropped;  // positions
    auto drop = [&](std::size_t from, std::size_t to) { dropped.push_back({from, to}); };
    drop(contentType->first, contentType->last + 1);
    for (std::string_view name : kPartOwnedFields) {
        if (!FindField(*partHeader, name)) continue;
        for (const Field& f : header->fields) {
            if (SameName(f.name, name)) drop(f.first, f.last + 1);
        }
    }
    drop(header->end, firstDelimiter + 1);  // header's empty line, preamble, first delimiter
    drop(partEnd, dropEnd);

    std::sort(dropped.begin(), dropped.end(),
              [](const LineRange& a, const LineRange& b) { return a.first < b.first; });
    std::size_t keptFrom = 0;
    for (const LineRange& d : dropped) {
        m.AppendRuns(keptFrom, d.first, r.kept);
        keptFrom = std::max(keptFrom, d.last);
    }
    m.AppendRuns(keptFrom, m.Size(), r.kept);
    if (partContentType) r.liftedContentType = FieldValue(m, *partContentType);
    r.result = FlattenResult::Rewritten;
    return r;
}

}  // namespace

bool IsMultipartValue(std::string_view ctValue) {
    return FindText("multipart/", LowerAscii(ctValue)) != 0;
}

FlattenResult FlattenToFirstPart(LineList& lines, std::string_view ctValue) {
    std::vector<LineRange> cur{{0, lines.Count()}};
    std::string value(ctValue);
    // Each round removes at least the header's empty line and a delimiter, so the
    // loop ends; it goes on while the lifted first part is itself multipart.
    for (;;) {
        Round r = FlattenOnce(Message(lines, std::move(cur)), value);
        if (r.result != FlattenResult::Rewritten) return r.result;
        cur = std::move(r.kept);
        if (MediaTypeOf(r.liftedContentType).rfind("multipart/", 0) != 0) break;
        value = std::move(r.liftedContentType);
    }
    lines.KeepOnly(cur);
    return FlattenResult::Rewritten;
}

}  // namespace vornek
