// Answers the plug-in's boxes from a second thread, as a user at the screen would.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testhost {

enum class Answer { FirstButton, SecondButton, Enter, Escape, CloseBox, AltF4 };

// What a box showed when it was answered.
struct BoxSeen {
    std::string title;  // Shift-JIS bytes
    std::string text;
    std::vector<std::string> buttons;
    bool hasIcon = false;
    bool hostWindowEnabled = true;
    std::string className;
    bool closedAfterAnswer = false;
};

// Watches for top-level dialog windows of this process and answers each with the
// next scripted answer. A hook runs on the watcher thread for every box before it
// is answered, for tests that look deeper.
class BoxDriver {
  public:
    using Inspect = std::function<void(HWND box, BoxSeen& seen)>;

    explicit BoxDriver(std::vector<Answer> answers, Inspect inspect = nullptr);
    ~BoxDriver();
    BoxDriver(const BoxDriver&) = delete;
    BoxDriver& operator=(const BoxDriver&) = delete;

    // Stops watching; returns the boxes seen, in order.
    std::vector<BoxSeen> Finish();
    int BoxesSeen() const { return boxesSeen_.load(); }

  private:
    void Run();
    static DWORD WINAPI ThreadMain(LPVOID self);

    std::deque<Answer> answers_;
    Inspect inspect_;
    std::vector<BoxSeen> seen_;
    std::atomic<bool> stop_{false};
    std::atomic<int> boxesSeen_{0};
    HANDLE thread_ = nullptr;  // std::thread needs the posix thread model of MinGW
};

// The box driver of the running scenario, for the beep recorder.
BoxDriver* CurrentDriver();

}  // namespace testhost
