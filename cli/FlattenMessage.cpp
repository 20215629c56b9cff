// Flattens one whole message as the command line sees it: bytes in, bytes out.
#include "cli/FlattenMessage.h"

#include "mime/Flatten.h"
#include "mime/HeaderFields.h"
#include "mime/LineList.h"

namespace vornek::cli {
namespace {

FlattenOutcome Unchanged(const char* reason) { return {false, {}, reason}; }

}  // namespace

FlattenOutcome FlattenMessage(const MessageText& message) {
    LineList lines;
    lines.SetText(message.text, message.owner);
    // A NUL byte ends the text for the line list, so everything after it would be
    // lost from the rewritten message.
    if (lines.EndedAtNul()) return Unchanged("the message contains NUL bytes");
    const std::string ctValue = HeaderFieldValue(lines, "Content-Type");
    if (!IsMultipartValue(ctValue)) return Unchanged("not a multipart message");
    switch (FlattenToFirstPart(lines, ctValue)) {
        case FlattenResult::Rewritten:
            // Whole lines removed, every kept byte as it was: a filter must not
            // change the line breaks of what it passes on.
            return {true, lines.JoinWithOwnBreaks(), {}};
        case FlattenResult::SignedOrEncrypted:
            return Unchanged("signed or encrypted message");
        case FlattenResult::HtmlOnly:
            return Unchanged("HTML only - can't delete");
        case FlattenResult::NoPlainTextPart:
            return Unchanged("no plain-text part to keep");
        case FlattenResult::NotRecognised:
            break;
    }
    return Unchanged("MIME structure not recognised");
}

}  // namespace vornek::cli
