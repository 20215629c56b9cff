// Loading the plug-in and working its menu command and restore dialog as a user.
#pragma once

#include <windows.h>

#include <string>

#include "tests/wine/BoxDriver.h"
#include "tests/wine/TestHost.h"

namespace testhost {

using NoArgs = int(WINAPI*)();
using OneArg = int(WINAPI*)(LPARAM);
using TwoArgs = int(WINAPI*)(LPARAM, LPARAM);
using ThreeArgs = int(WINAPI*)(LPARAM, LPARAM, LPARAM);

template <typename F>
F Get(const Plugin& plugin, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(plugin.Export(name)));
}

// Loads QuenlowPlugin.dll from beside the test host and records its beeps.
Plugin LoadPlugin(Checks& checks);

// Registers the command through the menu of the message list; returns its callback.
CommandCallback RegisterCommand(const Plugin& plugin);

// The host's plug-in setup command; returns its result.
int OpenSetup(const Plugin& plugin);

// The restore dialog's components, found from the user's thread.
struct Form {
    HWND form = nullptr, panel1 = nullptr, panel2 = nullptr, panel3 = nullptr;
    HWND label = nullptr, mailId = nullptr, memo = nullptr, bitBtn1 = nullptr, btnUndo = nullptr,
         bitBtn2 = nullptr;
};
Form FindForm();

void ClickButton(HWND button);
void PressKey(HWND target, WPARAM key);

// Answers the next message box; returns what it showed.
BoxSeen Answered(Answer answer);

}  // namespace testhost
