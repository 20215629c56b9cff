// Flattens one whole message as the command line sees it: bytes in, bytes out.
#pragma once

#include <string>

namespace vornek::cli {

struct FlattenOutcome {
    bool rewritten = false;
    std::string text;    // the rewritten message, or the input byte for byte
    std::string reason;  // why the message was left unchanged
};

// Flattens `message` to its first body part when its Content-Type names a multipart
// type. The output keeps the input's line breaks: CR LF when its first line break
// is CR LF, LF otherwise.
FlattenOutcome FlattenMessage(std::string message);

}  // namespace vornek::cli
