// The system sound that belongs to each kind of message.
#pragma once

#include <cstdint>

namespace vornek {

// Kinds in the order of the message-box types; any other value is a custom message.
enum BeepKind : int {
    kBeepWarning = 0,
    kBeepError = 1,
    kBeepInformation = 2,
    kBeepConfirmation = 3
};

// The MessageBeep sound for `kind`: exclamation, critical stop, asterisk, question,
// and the default beep for anything else.
constexpr std::uint32_t BeepSoundFor(int kind) {
    switch (kind) {
        case kBeepWarning:
            return 0x30;
        case kBeepError:
            return 0x10;
        case kBeepInformation:
            return 0x40;
        case kBeepConfirmation:
            return 0x20;
        default:
            return 0;
    }
}

}  // namespace vornek
