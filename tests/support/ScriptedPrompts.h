// Prompts answered from a script, for the native tests of the strip command and
// of the restore confirmation.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Prompts.h"

namespace testprompts {

struct ScriptedPrompts : vornek::Prompts {
    std::deque<int> answers;  // taken in turn; Cancel when none is left
    std::vector<std::string> confirmations;
    std::vector<std::string> notices;
    std::function<void(const std::string&)> onEvent;  // "Confirm" or "Notice TEXT"

    int ConfirmMessage(const std::string& text) override {
        if (onEvent) onEvent("Confirm");
        confirmations.push_back(text);
        if (answers.empty()) return vornek::kModalResultCancel;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& text) override {
        if (onEvent) onEvent("Notice " + text);
        notices.push_back(text);
    }
};

}  // namespace testprompts
