// What the restore dialog shows and decides, apart from how Win32 draws it.
#pragma once

#include <cstdint>
#include <string>

#include "backup/QuenlowUnit_Type.h"
#include "ui/Prompts.h"

namespace vornek {

// Set to 0 when the dialog is created and to RestoreConfirmed by a confirmed
// Restore; read after the dialog has closed.
extern std::int32_t SetupResult;
constexpr std::int32_t RestoreConfirmed = 99;

extern const char kRestoreQuestion[];
// Shown when the setup command cannot open the dialog.
extern const char kDialogNotOpenedNotice[];
// Shown when a confirmed Restore could not be written back.
extern const char kRestoreFailedNotice[];
// The download page named in the version notice.
extern const char kDownloadPage[];
// The vendor's contact line in the version notice.
extern const char kVendorContact[];

// The version notice: product and version, the vendor's contact, and where to get
// the latest version, as three lines separated by CR LF (Shift-JIS).
std::string VersionNotice();

// Asks whether to restore; on OK records RestoreConfirmed in SetupResult and
// returns true (the dialog then closes).
bool ConfirmRestore(Prompts& prompts);

// Control IDs of the dialog's components, so tests can find them.
enum RestoreDialogControl : int {
    kPanel1Id = 1001,
    kPanel2Id,
    kPanel3Id,
    kLabel1Id,
    kEdtMailIdId,
    kMemo1Id,
    kBitBtn1Id,
    kBtnUndoId,
    kBitBtn2Id,
};

}  // namespace vornek
