// The plug-in's general prompts: the system beeps and the confirmation box.
#pragma once

#include <string>

#include "ui/BeepKind.h"
#include "ui/Prompts.h"

namespace vornek {

// Plays the system sound of `kind` (see BeepSoundFor).
void PlaySystemBeep(int kind);

// Sounds the question beep, then asks OK or Cancel in a box titled "確認";
// returns kModalResultOk for OK and kModalResultCancel for everything else.
int ConfirmMessage(const std::string& text);

// A notice with one OK button and no icon, titled with the host's name.
void ShowMessage(const std::string& text);

// The real boxes, for the plug-in's commands.
class Win32Prompts : public Prompts {
  public:
    int ConfirmMessage(const std::string& text) override { return vornek::ConfirmMessage(text); }
    void ShowMessage(const std::string& text) override { vornek::ShowMessage(text); }
};

}  // namespace vornek
