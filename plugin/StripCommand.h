// The menu command: flattens the host's current message after a confirmation.
#pragma once

#include "backup/QuenlowUnit_Type.h"
#include "host/BeckyAPI.h"
#include "ui/Prompts.h"

namespace vornek {

// The host's status bit for a message that carries attachments.
constexpr std::uint32_t kStatusHasAttachments = 0x8;
// Size of the buffer the host fills with the Content-Type value.
constexpr int kHeaderBufferSize = 1024;

extern const char kNoAttachmentNotice[];
extern const char kStripConfirmation[];
extern const char kHtmlOnlyNotice[];
extern const char kNotRecognisedNotice[];
extern const char kSignedNotice[];
extern const char kNoPlainTextNotice[];
extern const char kFailedNotice[];

// Checks the attachment bit, asks for confirmation, and when the message is a
// multipart message that can be flattened safely, captures it in `backup` and
// writes the flattened source back for the same mail ID. Everything else leaves the
// message and the backup as they were, with a notice.
void RunStripCommand(TBeckyAPI& api, TBuckup& backup, Prompts& prompts);

}  // namespace vornek
