// Answers the plug-in's boxes from a second thread, as a user at the screen would.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/Wait.h"

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
// next scripted answer, recording what each box showed.
class BoxDriver {
  public:
    explicit BoxDriver(std::vector<Answer> answers);
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
    std::vector<BoxSeen> seen_;
    std::atomic<bool> stop_{false};
    std::atomic<int> boxesSeen_{0};
    HANDLE thread_ = nullptr;  // std::thread needs the posix thread model of MinGW
};

// The box driver of the running scenario, for the beep recorder.
BoxDriver* CurrentDriver();

// Tools for a scripted user on a second thread.
std::wstring WindowText(HWND window);
std::string ClassOf(HWND window);
// A visible top-level window of this process with the class name, or null.
HWND FindProcessWindow(const char* className, HWND exclude = nullptr);
// Waits for such a window until its thread has handled a message sent after it
// showed, that is until its modal loop runs: it is laid out and has its focus.
// Null when none comes within `ms`, or as soon as `over` holds (for a window that
// must not open: `over` says the call that would open it has returned).
HWND WaitForProcessWindow(const char* className, HWND exclude = nullptr, DWORD ms = kPatienceMs,
                          const std::function<bool()>& over = nullptr);
// Waits until the window is hidden or destroyed; returns whether it is.
bool WaitUntilClosed(HWND window, DWORD ms = kPatienceMs);
BoxSeen ReadBox(HWND box);
void AnswerBox(HWND box, Answer answer);
// The control that has the keyboard focus in the test host's main thread.
HWND MainThreadFocus();

// Runs `script` on a second thread, as the user, while `action` runs here (it opens
// the plug-in's modal windows); returns when both are done.
void RunAsUser(const std::function<void()>& script, const std::function<void()>& action);

}  // namespace testhost
