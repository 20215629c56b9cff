// Rewrites a multipart message into a single-part message that keeps its first part.
#pragma once

#include <string_view>

#include "mime/LineList.h"

namespace vornek {

enum class FlattenResult {
    Rewritten,          // the lines now hold the single-part message
    NotRecognised,      // the MIME structure is not one this can rewrite safely; lines untouched
    SignedOrEncrypted,  // multipart/signed or multipart/encrypted; lines untouched
    HtmlOnly,           // the part that would be kept is text/html; lines untouched
    NoPlainTextPart,    // the part that would be kept is not text at all; lines untouched
};

// How deep multipart parts may nest inside each other before a message is no
// longer recognised: real mail nests three or four levels.
constexpr int kMaxMultipartDepth = 32;

// True when a Content-Type value names a multipart type, judged as the host's
// users know it: the lower-cased value contains "multipart/".
bool IsMultipartValue(std::string_view ctValue);

// Keeps only the first body part of the multipart message in `lines`, whose
// Content-Type value is `ctValue`: the multipart Content-Type field, the preamble,
// the delimiters and every later part go, and the first part's header fields join
// the message header. A first part that is itself multipart is flattened in turn,
// reading only that part. The part that is finally kept must be plain text.
// Only deletes lines; either the whole rewrite happens or nothing does.
FlattenResult FlattenToFirstPart(LineList& lines, std::string_view ctValue);

}  // namespace vornek
