// The test host: a stand-in for the mail client that loads the real plug-in DLL.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tests/wine/Wait.h"

namespace testhost {

using CommandCallback = void(WINAPI*)(HWND, LPARAM);

struct Registration {
    std::string comment;
    int target;
    CommandCallback callback;
    int id;
};

// What the host knows and what the plug-in did to it.
struct HostState {
    std::string currentMail = "mail-1";
    std::uint32_t status = 0x8;
    std::string contentType;
    std::map<std::string, std::string> sources;

    std::vector<std::string> calls;  // every BKA_ call, in order
    std::vector<Registration> registrations;
    std::vector<std::pair<std::string, std::string>> written;  // mail ID, source
    std::set<void*> outstanding;                               // source blocks not yet freed
    int badFrees = 0;
    int nextCommandId = 40001;

    // What happened to the host window and to the plug-in's boxes and dialog, in
    // order: "host enabled", "host disabled", "destroyed #32770", "destroyed TForm2".
    std::vector<std::string> events;
    bool refuseForm = false;  // Windows refuses to create the restore dialog's window
};

HostState& Host();

// A visible top-level window of the host, as the mail client's main window.
HWND HostWindow();

// Runs `task` on the host's main thread as a message of the host window, which the
// plug-in's modal loop dispatches while one of its boxes or its dialog is open.
// Called from the user's thread; returns whether the task finished within `ms`.
bool RunInHostWindow(std::function<void()> task, DWORD ms = kPatienceMs);

// Waits, from the user's thread, until the host's main thread has handled every
// message sent or posted to it, and those its handlers posted in turn, and has
// painted all there is to paint: what the user did has had all its effect. Works
// while one of the plug-in's boxes or its dialog is open; returns whether the host
// settled within `ms`.
bool WaitUntilHostSettled(DWORD ms = kPatienceMs);

// The loaded plug-in and its exports.
struct Plugin {
    HMODULE module = nullptr;
    FARPROC Export(const char* name) const { return GetProcAddress(module, name); }
};

// Folder of the test host executable, with a trailing backslash.
std::wstring ExecutableFolder();

// The message beeps the plug-in played, in order, with the number of boxes that had
// been seen when each played.
struct Beep {
    UINT sound;
    int boxesSeenBefore;
};
std::vector<Beep>& Beeps();

// Routes the plug-in's calls of USER32!MessageBeep to a recorder.
bool RecordBeepsOf(HMODULE module);

// Counts checks; prints the closing line that the test runner reads.
class Checks {
  public:
    void Check(bool ok, const std::string& what);
    int Finish(const std::string& scenario);

  private:
    int passed_ = 0;
    int failed_ = 0;
};

// Loads the plug-in, flattens MESSAGE, saves a picture of the restore dialog,
// restores the original, and tells what happened on standard output.
int RunDemo(const std::string& message, const std::string& screenshot);
// The benchmark's figure: private memory added by one strip command on a message
// of `megabytes` MB.
int RunMeasureStrip(const std::string& megabytes);

// Saves the pixels of `window`, its frame included, as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path);

// Shift-JIS bytes as UTF-8, for the console.
std::string ShiftJisToUtf8(const std::string& text);

// A byte string as Shift-JIS text read from a window.
std::string ToShiftJis(const std::wstring& text);
using testfiles::ReadFile;
using testfiles::ToCrLf;

}  // namespace testhost
