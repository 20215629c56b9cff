// Recognises header fields, unfolds their values and reads MIME parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/LineList.h"

namespace vornek {

// A header line that begins with a blank continues the field above it.
bool IsContinuationLine(std::string_view line);

// The field name of a header line `name:` (printable ASCII without colon, the colon
// right after it); nothing when the line is not a field line. Blanks before the
// colon are obsolete syntax that some readers take as the start of the body.
std::optional<std::string_view> FieldName(std::string_view line);

// ASCII-only, letter-case-insensitive comparison of two field or parameter names.
bool SameName(std::string_view a, std::string_view b);

// The value of a field from its lines (the `name:` line, then its continuation lines):
// everything after the colon, the line breaks removed, outer blanks trimmed.
std::string UnfoldField(const std::vector<std::string_view>& fieldLines);

// The media type of a Content-Type value, lower-cased ("multipart/alternative");
// empty when the value has none.
std::string MediaTypeOf(std::string_view contentType);

// The value of the MIME parameter `name` (any letter case; quoted or a token) in a
// Content-Type value; nothing when the parameter is absent, given twice, or when
// the parameter list is not plain `name=value` pairs (text after a value, a
// backslash escape in a quoted value, a part without '=').
std::optional<std::string> ParameterValue(std::string_view contentType, std::string_view name);

// One header field in a text: its `name:` line and its continuation lines.
struct HeaderField {
    std::string_view name;
    std::size_t begin;  // offset of the `name:` line
    std::size_t end;    // offset just after the line break of its last line
};

// A header in a text: its fields in order and the empty line that ends it.
struct Header {
    std::vector<HeaderField> fields;
    std::size_t emptyLine = 0;  // offset of the empty line
    std::size_t bodyStart = 0;  // offset just after it
};

// The header that starts at offset `begin` of `text` and ends at an empty line that
// starts before `limit`, made only of field lines and their continuation lines;
// nothing when the lines have another shape or no empty line ends them.
std::optional<Header> ReadHeader(std::string_view text, std::size_t begin, std::size_t limit);

// The fields among `fields` called `name` (any letter case), in order.
std::vector<HeaderField> FieldsNamed(const std::vector<HeaderField>& fields, std::string_view name);

// The unfolded value of `field` of `text` (see UnfoldField).
std::string FieldValue(std::string_view text, const HeaderField& field);

// The unfolded value of the first field called `name` in the message header (the
// lines above the first empty line); empty when there is no such field.
std::string HeaderFieldValue(const LineList& lines, std::string_view name);

}  // namespace vornek
