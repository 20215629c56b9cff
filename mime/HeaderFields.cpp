// Recognises header fields, unfolds their values and reads MIME parameters.
#include "mime/HeaderFields.h"

#include <algorithm>

namespace vornek {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// RFC 2045 tspecials end a token; blanks and controls do too.
bool IsTokenByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127) return false;
    return std::string_view("()<>@,;:\\\"/[]?=").find(c) == std::string_view::npos;
}

}  // namespace

bool IsContinuationLine(std::string_view line) { return !line.empty() && IsBlank(line.front()); }

std::optional<std::string_view> FieldName(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size()) {
        const unsigned char u = static_cast<unsigned char>(line[n]);
        if (u < 33 || u > 126 || u == ':') break;
        ++n;
    }
    if (n == 0 || n == line.size() || line[n] != ':') return std::nullopt;
    return line.substr(0, n);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAsciiByte(a[i]) != LowerAsciiByte(b[i])) return false;
    }
    return true;
}

std::string UnfoldField(const std::vector<std::string_view>& fieldLines) {
    std::string value;
    for (std::size_t i = 0; i < fieldLines.size(); ++i) {
        std::string_view line = fieldLines[i];
        if (i == 0) line.remove_prefix(std::min(line.size(), line.find(':') + 1));
        value.append(line);
    }
    return std::string(TrimView(value));
}

std::string MediaTypeOf(std::string_view contentType) {
    std::string_view v = TrimView(contentType);
    std::size_t n = 0;
    while (n < v.size() && (IsTokenByte(v[n]) || v[n] == '/')) ++n;
    // Parameters follow a ';': anything else after the type (a missing ';' before
    // a folded charset) leaves readers with different types.
    const std::string_view rest = TrimView(v.substr(n));
    if (!rest.empty() && rest.front() != ';') return {};
    std::string type(v.substr(0, n));
    for (char& c : type) c = LowerAsciiByte(c);
    const std::size_t slash = type.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == type.size() ||
        type.find('/', slash + 1) != std::string::npos) {
        return {};
    }
    return type;
}

std::optional<std::string> ParameterValue(std::string_view contentType, std::string_view name) {
    // Readers split a parameter list that strays from `name=value; ...` in different
    // places, so anything else gives no value at all.
    std::string_view v = contentType;
    const std::size_t semi = v.find(';');
    if (semi == std::string_view::npos) return std::nullopt;
    std::optional<std::string> found;
    std::size_t i = semi;
    while (i < v.size()) {
        while (i < v.size() && (IsBlank(v[i]) || v[i] == ';')) ++i;
        if (i == v.size()) break;
        const std::size_t nameStart = i;
        while (i < v.size() && IsTokenByte(v[i])) ++i;
        const std::string_view paramName = v.substr(nameStart, i - nameStart);
        while (i < v.size() && IsBlank(v[i])) ++i;
        if (paramName.empty() || i == v.size() || v[i] != '=') return std::nullopt;
        ++i;
        while (i < v.size() && IsBlank(v[i])) ++i;
        std::string value;
        if (i < v.size() && v[i] == '"') {
            const std::size_t close = v.find('"', i + 1);
            // Some readers undo a backslash escape and some keep the backslash.
            if (close == std::string_view::npos ||
                v.substr(i + 1, close - i - 1).find('\\') != std::string_view::npos) {
                return std::nullopt;
            }
            value.assign(v.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            // Real mailers often leave a boundary like ----=_Part_01 unquoted although
            // '=' is not a token byte, so an unquoted value runs to ';' or a blank.
            const std::size_t start = i;
            while (i < v.size() && v[i] != ';' && !IsBlank(v[i])) ++i;
            value.assign(v.substr(start, i - start));
        }
        while (i < v.size() && IsBlank(v[i])) ++i;
        if (i < v.size() && v[i] != ';') return std::nullopt;  // text after the value
        if (SameName(paramName, name)) {
            if (found) return std::nullopt;  // readers take the first or the last
            found = std::move(value);
        }
    }
    return found;
}

std::optional<Header> ReadHeader(std::string_view text, std::size_t begin, std::size_t limit) {
    Header h;
    for (std::size_t pos = begin; pos < limit;) {
        const LineBounds bounds = LineAt(text, pos);
        const std::string_view line = text.substr(pos, bounds.end - pos);
        if (line.empty()) {
            h.emptyLine = pos;
            h.bodyStart = bounds.next;
            return h;
        }
        if (IsContinuationLine(line)) {
            if (h.fields.empty()) return std::nullopt;
            h.fields.back().end = bounds.next;
        } else {
            const auto name = FieldName(line);
            if (!name) return std::nullopt;
            h.fields.push_back({*name, pos, bounds.next});
        }
        pos = bounds.next;
    }
    return std::nullopt;
}

std::vector<HeaderField> FieldsNamed(const std::vector<HeaderField>& fields,
                                     std::string_view name) {
    std::vector<HeaderField> out;
    for (const HeaderField& f : fields) {
        if (SameName(f.name, name)) out.push_back(f);
    }
    return out;
}

std::string FieldValue(std::string_view text, const HeaderField& field) {
    std::vector<std::string_view> fieldLines;
    for (std::size_t pos = field.begin; pos < field.end;) {
        const LineBounds bounds = LineAt(text, pos);
        fieldLines.push_back(text.substr(pos, bounds.end - pos));
        pos = bounds.next;
    }
    return UnfoldField(fieldLines);
}

std::string HeaderFieldValue(const LineList& lines, std::string_view name) {
    const std::string joined = lines.IsWhole() ? std::string() : lines.JoinWithOwnBreaks();
    const std::string_view text = lines.IsWhole() ? lines.Text() : std::string_view(joined);
    for (std::size_t pos = 0; pos < text.size();) {
        const LineBounds bounds = LineAt(text, pos);
        const std::string_view line = text.substr(pos, bounds.end - pos);
        if (line.empty()) break;
        const auto field = FieldName(line);
        std::size_t end = bounds.next;
        if (field && SameName(*field, name)) {
            while (end < text.size()) {
                const LineBounds next = LineAt(text, end);
                if (!IsContinuationLine(text.substr(end, next.end - end))) break;
                end = next.next;
            }
            return FieldValue(text, {*field, pos, end});
        }
        pos = end;
    }
    return {};
}

}  // namespace vornek
