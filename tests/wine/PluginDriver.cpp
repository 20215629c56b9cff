// Loading the plug-in and working its menu command and restore dialog as a user.
#include "tests/wine/PluginDriver.h"

#include "ui/RestoreDialog.h"

namespace testhost {

Plugin LoadPlugin(Checks& checks) {
    Plugin plugin;
    plugin.module = LoadLibraryW((ExecutableFolder() + L"QuenlowPlugin.dll").c_str());
    checks.Check(plugin.module != nullptr,
                 "the plug-in loads (error " + std::to_string(GetLastError()) + ")");
    if (plugin.module) {
        checks.Check(RecordBeepsOf(plugin.module), "the plug-in imports MessageBeep");
    }
    return plugin;
}

CommandCallback RegisterCommand(const Plugin& plugin) {
    HMENU menu = CreatePopupMenu();
    Get<ThreeArgs>(plugin, "BKC_OnMenuInit")(reinterpret_cast<LPARAM>(HostWindow()),
                                             reinterpret_cast<LPARAM>(menu), 1);
    DestroyMenu(menu);
    return Host().registrations.empty() ? nullptr : Host().registrations.back().callback;
}

int OpenSetup(const Plugin& plugin) {
    return Get<OneArg>(plugin, "BKC_OnPlugInSetup")(reinterpret_cast<LPARAM>(HostWindow()));
}

Form FindForm() {
    Form f;
    f.form = WaitForProcessWindow("TForm2");
    if (!f.form) return f;
    f.panel1 = GetDlgItem(f.form, vornek::kPanel1Id);
    f.panel2 = GetDlgItem(f.form, vornek::kPanel2Id);
    f.panel3 = GetDlgItem(f.form, vornek::kPanel3Id);
    f.label = GetDlgItem(f.panel3, vornek::kLabel1Id);
    f.mailId = GetDlgItem(f.panel3, vornek::kEdtMailIdId);
    f.memo = GetDlgItem(f.panel2, vornek::kMemo1Id);
    f.bitBtn1 = GetDlgItem(f.panel1, vornek::kBitBtn1Id);
    f.btnUndo = GetDlgItem(f.panel1, vornek::kBtnUndoId);
    f.bitBtn2 = GetDlgItem(f.panel1, vornek::kBitBtn2Id);
    return f;
}

void ClickButton(HWND button) {
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void PressKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

BoxSeen Answered(Answer answer) {
    HWND box = WaitForProcessWindow("#32770");
    if (!box) return {};
    BoxSeen seen = ReadBox(box);
    AnswerBox(box, answer);
    seen.closedAfterAnswer = WaitUntilClosed(box);
    return seen;
}

}  // namespace testhost
