// Disables the other windows of the thread while one of the plug-in's boxes is open.
#pragma once

#include <windows.h>

#include <vector>

namespace vornek {

// While it lives, every visible and enabled top-level window of the calling thread
// is disabled, as a modal box of the host's own would do; they are enabled again
// when it goes, on every path.
class ThreadWindowsDisabled {
  public:
    ThreadWindowsDisabled();
    ~ThreadWindowsDisabled();
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  private:
    std::vector<HWND> disabled_;
    HWND active_;
};

}  // namespace vornek
