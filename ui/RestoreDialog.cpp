// What the restore dialog shows and decides, apart from how Win32 draws it.
#include "ui/RestoreDialog.h"

#include "Version.h"

namespace vornek {

std::int32_t SetupResult = 0;

const char kRestoreQuestion[] = "Are you sure you want to restore?";
const char kDialogNotOpenedNotice[] =
    "The restore dialog could not be opened - nothing was changed";
const char kRestoreFailedNotice[] = "Not enough memory - the message was not restored";
const char kDownloadPage[] = "https://tomvarek.example/html-vornek/";
const char kVendorContact[] = "Tomvarek <html-vornek@tomvarek.example>";

std::string VersionNotice() {
    // "最新版は " ... " より入手してください。" in Shift-JIS.
    return std::string(VORNEK_PRODUCT_NAME " " VORNEK_PRODUCT_VERSION "\r\n") + kVendorContact +
           "\r\n" + "\x8D\xC5\x90V\x94\xC5\x82\xCD " + kDownloadPage +
           " \x82\xE6\x82\xE8\x93\xFC\x8E\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81"
           "B";
}

bool ConfirmRestore(Prompts& prompts) {
    if (prompts.ConfirmMessage(kRestoreQuestion) != kModalResultOk) return false;
    SetupResult = RestoreConfirmed;
    return true;
}

}  // namespace vornek
