// The boxes the plug-in shows the user, behind an interface so its logic runs in tests.
#pragma once

#include <string>

namespace vornek {

// The modal result of the OK button; every other answer means Cancel.
constexpr int kModalResultOk = 1;
constexpr int kModalResultCancel = 2;

class Prompts {
  public:
    virtual ~Prompts() = default;
    // Sounds the question beep, asks OK or Cancel; returns kModalResultOk for OK.
    virtual int ConfirmMessage(const std::string& text) = 0;
    // A notice with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vornek
