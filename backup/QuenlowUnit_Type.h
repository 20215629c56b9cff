// The one-slot backup of the last message the plug-in rewrote.
#pragma once

#include <cstdint>
#include <string>

#include "host/BeckyAPI.h"
#include "mime/LineList.h"

namespace vornek {

struct TBuckup {
    LineList Source;          // the captured source, one entry per line
    std::string MailID;       // the mail ID of the captured message
    std::int32_t Stored = 0;  // 1 once the slot holds a capture
};

// Replaces whatever the slot held with `source` (the message's lines before the
// rewrite) and `mailId`. Either the whole capture happens or the slot keeps its
// earlier content.
void CaptureBackup(TBuckup& backup, const LineList& source, const std::string& mailId);

// Writes the captured source back over the message it came from, under its saved
// mail ID; the slot stays as it is, so the same capture can be written again. An
// empty slot writes nothing: there is no message to give back. Returns whether it wrote.
bool RestoreBackup(TBeckyAPI& api, const TBuckup& backup);

// True when the slot holds a capture.
inline bool HoldsCapture(const TBuckup& backup) { return backup.Stored == 1; }

}  // namespace vornek
