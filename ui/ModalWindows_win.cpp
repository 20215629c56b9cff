// Disables the other windows of the thread while one of the plug-in's boxes is open.
#include "ui/ModalWindows_win.h"

#include <exception>

#include "ui/Guarded_win.h"

namespace vornek {
namespace {

struct Collection {
    std::vector<HWND> windows;
    std::exception_ptr failure;  // carried past EnumThreadWindows, rethrown in our own frame
};

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM param) {
    auto* collection = reinterpret_cast<Collection*>(param);
    return Guarded(
        [&]() -> BOOL {
            FailIfAsked(window);
            if (IsWindowVisible(window) && IsWindowEnabled(window))
                collection->windows.push_back(window);
            return TRUE;
        },
        [&]() -> BOOL {
            collection->failure = std::current_exception();
            return FALSE;
        });
}

}  // namespace

ThreadWindowsDisabled::ThreadWindowsDisabled() : active_(GetActiveWindow()) {
    Collection collection;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&collection));
    if (collection.failure) std::rethrow_exception(collection.failure);
    disabled_ = std::move(collection.windows);
    for (HWND window : disabled_) EnableWindow(window, FALSE);
}

void ThreadWindowsDisabled::Enable() noexcept {
    if (enabled_) return;
    enabled_ = true;
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
}

ThreadWindowsDisabled::~ThreadWindowsDisabled() {
    Enable();
    if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
}

}  // namespace vornek
