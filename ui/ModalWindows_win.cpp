// Disables the other windows of the thread while one of the plug-in's boxes is open.
#include "ModalWindows_win.h"

namespace vornek {
namespace {

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    }
    return TRUE;
}

}  // namespace

ThreadWindowsDisabled::ThreadWindowsDisabled() : active_(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled_));
    for (HWND window : disabled_) EnableWindow(window, FALSE);
}

ThreadWindowsDisabled::~ThreadWindowsDisabled() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
}

}  // namespace vornek
