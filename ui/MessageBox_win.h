// The plug-in's own modal message box: fixed captions, no sound, no owner.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vornek {

struct BoxButton {
    std::wstring caption;
    int result;  // what ShowBox returns when this button is chosen
};

struct BoxContent {
    std::wstring title;
    std::wstring text;               // word-wrapped
    LPCWSTR icon = nullptr;          // a system icon such as IDI_QUESTION, or none
    std::vector<BoxButton> buttons;  // left to right; the first is the default button
    int cancelResult = 0;            // what Esc, the close box and Alt+F4 stand for
};

// Shows the box centred on the screen with no owner window, disables the other
// windows of the thread while it is open, and returns the chosen button's result.
// The box makes no sound of its own. Returns `cancelResult` when it cannot be shown.
int ShowBox(const BoxContent& content);

}  // namespace vornek
