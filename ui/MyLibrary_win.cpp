// The plug-in's general prompts: the system beeps and the confirmation box.
#include <windows.h>

#include "ui/MessageBox_win.h"
#include "ui/MyLibrary.h"
#include "ui/Text_win.h"

namespace vornek {
namespace {

// Shown on screen only, so written as the wide text Windows draws.
constexpr wchar_t kConfirmTitle[] = L"確認";
constexpr wchar_t kCancelCaption[] = L"ｷｬﾝｾﾙ";

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
    content.title = kConfirmTitle;
    content.text = FromShiftJis(text);
    content.icon = IDI_QUESTION;
    content.buttons = {{L"OK", kModalResultOk}, {kCancelCaption, kModalResultCancel}};
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
