// The host's plug-in setup command: the restore dialog and its outcome.
#include "PlugInSetup.h"

namespace vornek {

int RunPlugInSetup(TBeckyAPI& api, const TBuckup& backup, RestoreDialogView& dialog) {
    dialog.ShowBackup(backup);
    dialog.ShowModal();
    if (SetupResult == RestoreConfirmed) RestoreBackup(api, backup);
    return 1;
}

}  // namespace vornek
