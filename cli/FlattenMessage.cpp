// Flattens one whole message as the command line sees it: bytes in, bytes out.
#include "FlattenMessage.h"

#include <utility>

#include "../mime/Flatten.h"
#include "../mime/HeaderFields.h"
#include "../mime/LineList.h"

namespace vornek::cli {
namespace {

std::string_view LineBreakOf(std::string_view message) {
    const std::size_t lf = message.find('\n');
    return (lf != std::string_view::npos && lf > 0 && message[lf - 1] == '\r') ? "\r\n" : "\n";
}

FlattenOutcome Unchanged(std::string message, std::string reason) {
    return {false, std::move(message), std::move(reason)};
}

}  // namespace

FlattenOutcome FlattenMessage(std::string message) {
    // A NUL byte ends the text for the line list, so everything after it would be
    // lost from the rewritten message.
    if (message.find('\0') != std::string::npos) {
        return Unchanged(std::move(message), "the message contains NUL bytes");
    }
    const std::string_view eol = LineBreakOf(message);
    LineList lines;
    lines.SetText(std::move(message));
    const std::string ctValue = HeaderFieldValue(lines, "Content-Type");
    if (!IsMultipartValue(ctValue)) {
        return Unchanged(std::string(lines.OriginalText()), "not a multipart message");
    }
    switch (FlattenToFirstPart(lines, ctValue)) {
        case FlattenResult::Rewritten:
            return {true, lines.Join(eol), {}};
        case FlattenResult::SignedOrEncrypted:
            return Unchanged(std::string(lines.OriginalText()), "signed or encrypted message");
        case FlattenResult::NotRecognised:
            break;
    }
    return Unchanged(std::string(lines.OriginalText()), "MIME structure not recognised");
}

}  // namespace vornek::cli
