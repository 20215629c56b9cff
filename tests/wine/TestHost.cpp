// The test host: a stand-in for the mail client that loads the real plug-in DLL.
//
// It exports the host's 52 BKA_ entry points under their plain names, keeps one
// current message, and records what the plug-in does with it. Scenarios live in
// Scenarios.cpp; `TestHost.exe SCENARIO FIXTURES` runs one of them.
#include "tests/wine/TestHost.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>

#include "host/BeckyAPI.h"
#include "tests/wine/BoxDriver.h"

namespace testhost {

HostState& Host() {
    static HostState state;
    return state;
}

namespace {

HWND hostWindow = nullptr;
WNDPROC staticProc = nullptr;
std::vector<Beep> beeps;
HHOOK cbtHook = nullptr;

constexpr UINT kRunTask = WM_APP + 1;
// std::mutex needs the posix thread model of MinGW.
SRWLOCK tasksLock = SRWLOCK_INIT;
std::deque<std::function<void()>> tasks;

struct TasksLocked {
    TasksLocked() { AcquireSRWLockExclusive(&tasksLock); }
    ~TasksLocked() { ReleaseSRWLockExclusive(&tasksLock); }
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTask) {
        std::function<void()> task;
        {
            TasksLocked lock;
            if (tasks.empty()) return 0;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task();
        return 0;
    }
    if (message == WM_ENABLE) Host().events.push_back(wParam ? "host enabled" : "host disabled");
    return CallWindowProcW(staticProc, window, message, wParam, lParam);
}

// Sees the plug-in's windows come and go on the main thread.
LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND) {
        const std::string cls = ClassOf(reinterpret_cast<HWND>(wParam));
        if (cls == "#32770" || cls == "TForm2") Host().events.push_back("destroyed " + cls);
    } else if (code == HCBT_CREATEWND && Host().refuseForm) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        const LPCWSTR cls = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(cls) && std::wcscmp(cls, L"TForm2") == 0) return 1;
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

BOOL WINAPI RecordBeep(UINT sound) {
    BoxDriver* driver = CurrentDriver();
    beeps.push_back({sound, driver ? driver->BoxesSeen() : 0});
    return TRUE;
}

}  // namespace

HWND HostWindow() {
    if (!hostWindow) {
        hostWindow = CreateWindowExW(0, L"STATIC", L"Test host main window",
                                     WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 200, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
        staticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            hostWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostWindowProc)));
        cbtHook = SetWindowsHookExW(WH_CBT, WatchWindows, nullptr, GetCurrentThreadId());
    }
    return hostWindow;
}

bool RunInHostWindow(std::function<void()> task, DWORD ms) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        TasksLocked lock;
        tasks.push_back([task = std::move(task), done] {
            task();
            SetEvent(done);
        });
    }
    PostMessageW(HostWindow(), kRunTask, 0, 0);
    const bool finished = WaitForSingleObject(done, ms) == WAIT_OBJECT_0;
    // A task that has not finished still holds the event; it stays open.
    if (finished) CloseHandle(done);
    return finished;
}

bool WaitUntilHostSettled(DWORD ms) {
    // Timer messages do not count: the memo's caret blinks for as long as it has the focus.
    constexpr UINT kPending =
        QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT;
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Shared, as a task that did not run in time may still run later.
        auto settled = std::make_shared<std::atomic<bool>>(false);
        if (!RunInHostWindow([settled] { *settled = HIWORD(GetQueueStatus(kPending)) == 0; },
                             static_cast<DWORD>(deadline - now))) {
            return false;
        }
        if (*settled) return true;
    }
}

std::vector<Beep>& Beeps() { return beeps; }

bool RecordBeepsOf(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), "user32.dll") != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char*>(byName->Name), "MessageBeep") != 0) continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(&RecordBeep);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

std::wstring ExecutableFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

void Checks::Check(bool ok, const std::string& what) {
    if (ok) {
        ++passed_;
    } else {
        ++failed_;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

int Checks::Finish(const std::string& scenario) {
    std::printf("%s: %d passed, %d failed\n", scenario.c_str(), passed_, failed_);
    std::fflush(stdout);
    return failed_ == 0 && passed_ > 0 ? 0 : 1;
}

std::string ToShiftJis(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr,
                        nullptr);
    return out;
}

std::string ShiftJisToUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int wide =
        MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    const int size = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), wide, &out[0], size, nullptr, nullptr);
    return out;
}

}  // namespace testhost

using testhost::Host;

// The host's entry points. Those the plug-in never calls only record that they were.
#define TESTHOST_DEFINE_BkUnused(name) \
    extern "C" void WINAPI name() { Host().calls.push_back(#name); }
#define TESTHOST_DEFINE_BkRegisterCommand(name)
#define TESTHOST_DEFINE_BkGetCurrentMail(name)
#define TESTHOST_DEFINE_BkGetStatus(name)
#define TESTHOST_DEFINE_BkGetSpecifiedHeader(name)
#define TESTHOST_DEFINE_BkGetSource(name)
#define TESTHOST_DEFINE_BkSetSource(name)
#define TESTHOST_DEFINE_BkFree(name)
#define TESTHOST_DEFINE(name, type) TESTHOST_DEFINE_##type(name)
VORNEK_BKA_ENTRIES(TESTHOST_DEFINE)

extern "C" {

int WINAPI BKA_RegisterCommand(LPCSTR comment, int target, testhost::CommandCallback callback) {
    Host().calls.push_back("BKA_RegisterCommand");
    const int id = Host().nextCommandId++;
    Host().registrations.push_back({comment ? comment : "", target, callback, id});
    return id;
}

LPCSTR WINAPI BKA_GetCurrentMail() {
    Host().calls.push_back("BKA_GetCurrentMail");
    return Host().currentMail.c_str();
}

DWORD WINAPI BKA_GetStatus(LPCSTR mailId) {
    Host().calls.push_back(std::string("BKA_GetStatus ") + mailId);
    return Host().status;
}

int WINAPI BKA_GetSpecifiedHeader(LPCSTR header, LPSTR buffer, int size) {
    Host().calls.push_back(std::string("BKA_GetSpecifiedHeader ") + header);
    std::strncpy(buffer, Host().contentType.c_str(), static_cast<std::size_t>(size) - 1);
    buffer[size - 1] = '\0';
    return static_cast<int>(std::strlen(buffer));
}

LPSTR WINAPI BKA_GetSource(LPCSTR mailId) {
    Host().calls.push_back(std::string("BKA_GetSource ") + mailId);
    const std::string& source = Host().sources[mailId];
    auto* block = static_cast<char*>(std::malloc(source.size() + 1));
    std::memcpy(block, source.c_str(), source.size() + 1);
    Host().outstanding.insert(block);
    return block;
}

int WINAPI BKA_SetSource(LPCSTR mailId, LPCSTR source) {
    Host().calls.push_back(std::string("BKA_SetSource ") + mailId);
    Host().written.emplace_back(mailId, source);
    return 1;
}

void WINAPI BKA_Free(LPVOID block) {
    Host().calls.push_back("BKA_Free");
    if (Host().outstanding.erase(block) == 0) {
        ++Host().badFrees;
        return;
    }
    std::free(block);
}

}  // extern "C"

int RunScenario(const std::string& name, const std::vector<std::string>& args);

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: TestHost SCENARIO FIXTURES\n"
                     "       TestHost demo MESSAGE SCREENSHOT.bmp\n"
                     "       TestHost measure_strip MEGABYTES\n");
        return 2;
    }
    return RunScenario(argv[1], std::vector<std::string>(argv + 2, argv + argc));
}
