// Answers the plug-in's boxes from a second thread, as a user at the screen would.
#include "BoxDriver.h"

#include <set>

#include "TestHost.h"

namespace testhost {
namespace {

// Control IDs of the plug-in's message box.
constexpr int kBoxTextId = 100;
constexpr int kBoxIconId = 101;
constexpr int kBoxFirstButtonId = 110;

BoxDriver* current = nullptr;

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct Search {
    const std::set<HWND>* answered;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || ClassOf(window) != "#32770" ||
        search->answered->count(window)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

void Act(HWND box, Answer answer) {
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

}  // namespace

BoxDriver* CurrentDriver() { return current; }

BoxDriver::BoxDriver(std::vector<Answer> answers, Inspect inspect)
    : answers_(answers.begin(), answers.end()), inspect_(std::move(inspect)) {
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
    while (!stop_ && !answers_.empty()) {
        Search search{&answered, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            Sleep(20);
            continue;
        }
        HWND box = search.found;
        Sleep(50);  // let the box finish laying itself out
        BoxSeen seen;
        seen.className = ClassOf(box);
        seen.title = ToShiftJis(WindowText(box));
        seen.text = ToShiftJis(WindowText(GetDlgItem(box, kBoxTextId)));
        for (int id = kBoxFirstButtonId; HWND button = GetDlgItem(box, id); ++id) {
            seen.buttons.push_back(ToShiftJis(WindowText(button)));
        }
        seen.hasIcon = GetDlgItem(box, kBoxIconId) != nullptr;
        seen.hostWindowEnabled = IsWindowEnabled(HostWindow()) != FALSE;
        if (inspect_) inspect_(box, seen);
        ++boxesSeen_;
        const Answer answer = answers_.front();
        answers_.pop_front();
        answered.insert(box);
        Act(box, answer);
        for (int waited = 0; waited < 5000 && IsWindow(box); waited += 20) Sleep(20);
        seen.closedAfterAnswer = !IsWindow(box);
        seen_.push_back(seen);
    }
}

}  // namespace testhost
