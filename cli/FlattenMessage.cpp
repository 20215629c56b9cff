// Flattens one whole message as the command line sees it: bytes in, bytes out.
#include "FlattenMessage.h"

#include "../mime/Flatten.h"
#include "../mime/HeaderFields.h"
#include "../mime/LineList.h"

namespace vornek::cli {
namespace {

std::string_view LineBreakOf(std::string_view message) {
    const std::size_t lf = message.find('\n');
    return (lf != std::string_view::npos && lf > 0 && message[lf - 1] == '\r') ? "\r\n" : "\n";
}

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
            return {true, lines.Join(LineBreakOf(message.text)), {}};
        case FlattenResult::SignedOrEncrypted:
            return Unchanged("signed or encrypted message");
        case FlattenResult::NotRecognised:
            break;
    }
    return Unchanged("MIME structure not recognised");
}

}  // namespace vornek::cli
