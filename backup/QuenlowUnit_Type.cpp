// The one-slot backup of the last message the plug-in rewrote.
#include "backup/QuenlowUnit_Type.h"

#include <utility>

namespace vornek {

void CaptureBackup(TBuckup& backup, const LineList& source, const std::string& mailId) {
    // Copy first, then move in: a failed copy must not leave half a capture. The
    // lines share the text they point into, so even a large source is not copied.
    LineList lines = source;
    std::string id = mailId;
    backup.Source = std::move(lines);
    backup.MailID = std::move(id);
    backup.Stored = 1;
}

bool RestoreBackup(TBeckyAPI& api, const TBuckup& backup) {
    if (!HoldsCapture(backup)) return false;
    const std::string source = backup.Source.GetText();
    api.BKA_SetSource(backup.MailID.c_str(), source.c_str());
    return true;
}

}  // namespace vornek
