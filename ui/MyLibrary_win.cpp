// The plug-in's general prompts: the system beeps and the confirmation box.
#include <windows.h>

#include "MessageBox_win.h"
#include "MyLibrary.h"
#include "Text_win.h"

namespace vornek {
namespace {

// "確認", "ｷｬﾝｾﾙ" in Shift-JIS.
constexpr char kConfirmTitle[] =
    "\x8Am\x94"
    "F";
constexpr char kCancelCaption[] = "\xB7\xAC\xDD\xBE\xD9";

// The host's name as the platform shows it: its file name without the extension.
std::wstring HostTitle() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace

void PlaySystemBeep(int kind) { MessageBeep(BeepSoundFor(kind)); }

int ConfirmMessage(const std::string& text) {
    PlaySystemBeep(kBeepConfirmation);
    BoxContent content;
    content.title = FromShiftJis(kConfirmTitle);
    content.text = FromShiftJis(text);
    content.icon = IDI_QUESTION;
    content.buttons = {{L"OK", kModalResultOk}, {FromShiftJis(kCancelCaption), kModalResultCancel}};
    content.cancelResult = kModalResultCancel;
    return ShowBox(content) == kModalResultOk ? kModalResultOk : kModalResultCancel;
}

void ShowMessage(const std::string& text) {
    BoxContent content;
    content.title = HostTitle();
    content.text = FromShiftJis(text);
    content.buttons = {{L"OK", kModalResultOk}};
    content.cancelResult = kModalResultOk;
    ShowBox(content);
}

}  // namespace vornek
