// The host's plug-in setup command: the restore dialog and its outcome.
#pragma once

#include "backup/QuenlowUnit_Type.h"
#include "host/BeckyAPI.h"
#include "ui/RestoreDialog.h"

namespace vornek {

// Shows `backup` in `dialog` modally; when the user confirmed Restore, writes the
// captured source back to the captured mail ID. Returns the host's result, 1.
int RunPlugInSetup(TBeckyAPI& api, const TBuckup& backup, RestoreDialogView& dialog);

}  // namespace vornek
