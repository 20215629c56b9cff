// Answers the plug-in's boxes from a second thread, as a user at the screen would.
#include "tests/wine/BoxDriver.h"

#include <algorithm>
#include <set>

#include "tests/wine/TestHost.h"
#include "ui/MessageBoxControls.h"

namespace testhost {
namespace {

using vornek::kBoxFirstButtonId;
using vornek::kBoxIconId;
using vornek::kBoxTextId;

BoxDriver* current = nullptr;
DWORD mainThread = GetCurrentThreadId();

struct Search {
    const char* className;
    const std::set<HWND>* exclude;
    HWND found;
};

BOOL CALLBACK FindWindowOfClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) ||
        ClassOf(window) != search->className || search->exclude->count(window)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindExcluding(const char* className, const std::set<HWND>& exclude) {
    Search search{className, &exclude, nullptr};
    EnumWindows(FindWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A window shows before its thread enters its modal loop (a box lays itself out
// first, the dialog sets its focus after); a message sent to it is handled only
// from that loop, so its answer says the window is ready for the user.
bool InItsLoop(HWND window, UINT ms) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, std::max(ms, 1u), &ignored) != 0;
}

struct ScriptThread {
    const std::function<void()>* script;
    static DWORD WINAPI Main(LPVOID self) {
        (*static_cast<ScriptThread*>(self)->script)();
        return 0;
    }
};

}  // namespace

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND FindProcessWindow(const char* className, HWND exclude) {
    std::set<HWND> excluded;
    if (exclude) excluded.insert(exclude);
    return FindExcluding(className, excluded);
}

HWND WaitForProcessWindow(const char* className, HWND exclude, DWORD ms,
                          const std::function<bool()>& over) {
    const ULONGLONG start = GetTickCount64();
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindProcessWindow(className, exclude)) || (over && over()); },
              ms);
    if (!found) return nullptr;
    const auto left = static_cast<UINT>(ms - std::min<ULONGLONG>(ms, GetTickCount64() - start));
    return InItsLoop(found, left) ? found : nullptr;
}

bool WaitUntilClosed(HWND window, DWORD ms) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

HWND MainThreadFocus() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(mainThread, &info);
    return info.hwndFocus;
}

void RunAsUser(const std::function<void()>& script, const std::function<void()>& action) {
    ScriptThread body{&script};
    HANDLE thread = CreateThread(nullptr, 0, ScriptThread::Main, &body, 0, nullptr);
    action();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

BoxSeen ReadBox(HWND box) {
    BoxSeen seen;
    seen.className = ClassOf(box);
    seen.title = ToShiftJis(WindowText(box));
    seen.text = ToShiftJis(WindowText(GetDlgItem(box, kBoxTextId)));
    for (int id = kBoxFirstButtonId; HWND button = GetDlgItem(box, id); ++id) {
        seen.buttons.push_back(ToShiftJis(WindowText(button)));
    }
    seen.hasIcon = GetDlgItem(box, kBoxIconId) != nullptr;
    seen.hostWindowEnabled = IsWindowEnabled(HostWindow()) != FALSE;
    return seen;
}

void AnswerBox(HWND box, Answer answer) {
    HWND first = GetDlgItem(box, kBoxFirstButtonId);
    switch (answer) {
        case Answer::FirstButton:
        case Answer::SecondButton: {
            const int id = kBoxFirstButtonId + (answer == Answer::SecondButton ? 1 : 0);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
            break;
        }
        case Answer::Enter:
            PostMessageW(first, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(first, WM_KEYUP, VK_RETURN, 0xC0000001);
            break;
        case Answer::Escape:
            PostMessageW(first, WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageW(first, WM_KEYUP, VK_ESCAPE, 0xC0000001);
            break;
        case Answer::CloseBox:
            PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Answer::AltF4:
            PostMessageW(box, WM_SYSKEYDOWN, VK_F4, 0x20000001);
            break;
    }
}

BoxDriver* CurrentDriver() { return current; }

BoxDriver::BoxDriver(std::vector<Answer> answers) : answers_(answers.begin(), answers.end()) {
    current = this;
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

DWORD WINAPI BoxDriver::ThreadMain(LPVOID self) {
    static_cast<BoxDriver*>(self)->Run();
    return 0;
}

BoxDriver::~BoxDriver() { Finish(); }

std::vector<BoxSeen> BoxDriver::Finish() {
    stop_ = true;
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (current == this) current = nullptr;
    return seen_;
}

void BoxDriver::Run() {
    std::set<HWND> answered;
    while (!answers_.empty()) {
        // Until the scenario finishes, however long its command takes.
        HWND box = nullptr;
        WaitUntil([&] { return stop_ || (box = FindExcluding("#32770", answered)); }, INFINITE);
        if (!box) break;
        InItsLoop(box, kPatienceMs);
        BoxSeen seen = ReadBox(box);
        ++boxesSeen_;
        const Answer answer = answers_.front();
        answers_.pop_front();
        answered.insert(box);
        AnswerBox(box, answer);
        seen.closedAfterAnswer = WaitUntilClosed(box);
        seen_.push_back(seen);
    }
}

}  // namespace testhost
