// The menu command: flattens the host's current message after a confirmation.
#include "plugin/StripCommand.h"

#include <algorithm>
#include <new>
#include <string>

#include "mime/Flatten.h"
#include "mime/LineList.h"

namespace vornek {

const char kNoAttachmentNotice[] = "No HTML attachment found.";
const char kStripConfirmation[] =
    "The HTML attachment on this email will be deleted.  This operation can be undone by going to "
    "the settings dialog for this plugin.  This can be found by going to Tools > Plug-Ins Setup > "
    "HTML-VORNEK and clicking 'Restore'.";
const char kHtmlOnlyNotice[] = "HTML only - can't delete";
const char kNotRecognisedNotice[] = "MIME structure not recognised - nothing was changed";
const char kSignedNotice[] = "Signed or encrypted message - nothing was changed";
const char kNoPlainTextNotice[] = "No plain-text part to keep - nothing was changed";
const char kFailedNotice[] = "Not enough memory - nothing was changed";

namespace {

std::string CopyHostText(const char* text) { return text ? std::string(text) : std::string(); }

// The host allocated the source; it is copied and handed back.
std::string TakeSource(TBeckyAPI& api, const std::string& mailId) {
    char* source = api.BKA_GetSource(mailId.c_str());
    if (source == nullptr) return {};
    std::string copy;
    try {
        copy = source;
    } catch (...) {
        api.BKA_Free(source);
        throw;
    }
    api.BKA_Free(source);
    return copy;
}

// The Content-Type value, read up to the first NUL or the end of the buffer, so a
// host that fills the buffer to the brim is never read past.
std::string ReadContentType(TBeckyAPI& api) {
    char buffer[kHeaderBufferSize + 1] = {};
    api.BKA_GetSpecifiedHeader("Content-Type", buffer, kHeaderBufferSize);
    return std::string(buffer, std::find(buffer, buffer + kHeaderBufferSize, '\0'));
}

// Why a message was left as it was, in the user's words.
const char* NoticeFor(FlattenResult result) {
    switch (result) {
        case FlattenResult::SignedOrEncrypted:
            return kSignedNotice;
        case FlattenResult::HtmlOnly:
            return kHtmlOnlyNotice;
        case FlattenResult::NoPlainTextPart:
            return kNoPlainTextNotice;
        case FlattenResult::NotRecognised:
        case FlattenResult::Rewritten:
            break;
    }
    return kNotRecognisedNotice;
}

}  // namespace

void RunStripCommand(TBeckyAPI& api, TBuckup& backup, Prompts& prompts) {
    const std::string mailId = CopyHostText(api.BKA_GetCurrentMail());
    if ((api.BKA_GetStatus(mailId.c_str()) & kStatusHasAttachments) == 0) {
        prompts.ShowMessage(kNoAttachmentNotice);
        return;
    }
    const std::string ctValue = ReadContentType(api);
    if (prompts.ConfirmMessage(kStripConfirmation) != kModalResultOk) return;

    try {
        LineList lines;
        lines.SetText(TakeSource(api, mailId));
        if (!IsMultipartValue(ctValue)) {
            prompts.ShowMessage(kHtmlOnlyNotice);
            return;
        }
        // The backup takes the lines as they were; the flattening works on its own copy.
        LineList flattened = lines;
        const FlattenResult result = FlattenToFirstPart(flattened, ctValue);
        if (result != FlattenResult::Rewritten) {
            prompts.ShowMessage(NoticeFor(result));
            return;
        }
        const std::string text = flattened.GetText();
        // The earlier capture is replaced only now, right before a rewritten message is
        // written back: a run that changes nothing never costs the user the only copy
        // of an earlier original.
        CaptureBackup(backup, lines, mailId);
        api.BKA_SetSource(mailId.c_str(), text.c_str());
    } catch (const std::bad_alloc&) {
        prompts.ShowMessage(kFailedNotice);
    }
}

}  // namespace vornek
