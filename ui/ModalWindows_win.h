// Disables the other windows of the thread while one of the plug-in's boxes is open.
#pragma once

#include <windows.h>

#include <vector>

namespace vornek {

// While it lives, every visible and enabled top-level window of the calling thread
// is disabled, as a modal box of the host's own would do. Enable() gives them back;
// the box calls it before it is destroyed, so that Windows hands the activation to
// the host and not to another program. The destructor enables them on every path.
class ThreadWindowsDisabled {
  public:
    // Throws when the windows cannot be listed; nothing is disabled then.
    ThreadWindowsDisabled();
    ~ThreadWindowsDisabled();
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

    // Enables the windows again now; later calls do nothing.
    void Enable() noexcept;

  private:
    std::vector<HWND> disabled_;
    HWND active_;
    bool enabled_ = false;
};

}  // namespace vornek
