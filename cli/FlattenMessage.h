// Flattens one whole message as the command line sees it: bytes in, bytes out.
#pragma once

#include <string>

#include "cli/FileIo.h"

namespace vornek::cli {

struct FlattenOutcome {
    bool rewritten = false;
    std::string text;    // the rewritten message (empty when unchanged)
    std::string reason;  // why the message was left unchanged
};

// Flattens `message` to its first body part when its Content-Type names a multipart
// type. The output is the input with whole lines removed: every kept line keeps
// its own line break.
// A message left unchanged is written out from `message` itself.
FlattenOutcome FlattenMessage(const MessageText& message);

}  // namespace vornek::cli
