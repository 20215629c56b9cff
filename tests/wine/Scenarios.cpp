// Scenarios that drive the real plug-in DLL through the test host.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "PluginDriver.h"
#include "ui/RestoreDialog.h"

namespace testhost {
namespace {

// "確認", "ｷｬﾝｾﾙ" in Shift-JIS.
const std::string kConfirmTitle =
    "\x8Am\x94"
    "F";
const std::string kCancelCaption = "\xB7\xAC\xDD\xBE\xD9";
const std::string kStripQuestion =
    "The HTML attachment on this email will be deleted.  This operation can be undone by going to "
    "the "
    "settings dialog for this plugin.  This can be found by going to Tools > Plug-Ins Setup > "
    "HTML-VORNEK "
    "and clicking 'Restore'.";
const std::string kHostTitle = "TestHost";

const char* const kExports[] = {
    "BKC_OnEveryMinute", "BKC_OnExit",        "BKC_OnFinishRetrieve", "BKC_OnKeyDispatch",
    "BKC_OnMenuInit",    "BKC_OnOpenCompose", "BKC_OnOpenFolder",     "BKC_OnOpenMail",
    "BKC_OnOutgoing",    "BKC_OnPlugInInfo",  "BKC_OnPlugInSetup",    "BKC_OnRetrieve",
    "BKC_OnSend",        "BKC_OnStart",
};

struct Context {
    Checks checks;
    std::string fixtures;
    Plugin plugin;
};

std::vector<std::string> ExportNames(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> out;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        out.emplace_back(reinterpret_cast<char*>(base + names[i]));
    std::sort(out.begin(), out.end());
    return out;
}

void UseMessage(Context& c, const std::string& fixture, const std::string& contentType,
                DWORD status = 0x8) {
    Host().currentMail = "mail-1";
    Host().status = status;
    Host().contentType = contentType;
    Host().sources["mail-1"] = ToCrLf(ReadFile(c.fixtures + "/flatten/" + fixture));
}

void CheckBox(Checks& checks, const BoxSeen& box, const std::string& title, const std::string& text,
              const std::vector<std::string>& buttons, bool icon, const std::string& what) {
    checks.Check(box.title == title, what + ": title '" + box.title + "'");
    checks.Check(box.text == text, what + ": text '" + box.text + "'");
    checks.Check(box.buttons == buttons, what + ": buttons");
    checks.Check(box.hasIcon == icon, what + ": icon");
    checks.Check(!box.hostWindowEnabled,
                 what + ": the host window is disabled while the box is open");
    checks.Check(box.closedAfterAnswer, what + ": the box closes when answered");
}

void ScenarioExports(Context& c) {
    std::vector<std::string> expected(std::begin(kExports), std::end(kExports));
    c.checks.Check(ExportNames(c.plugin.module) == expected,
                   "exactly the 14 BKC_ callbacks, undecorated");
}

void ScenarioCallbacks(Context& c) {
    const std::size_t callsBefore = Host().calls.size();
    auto& p = c.plugin;
    const LPARAM text = reinterpret_cast<LPARAM>("folder");
    c.checks.Check(Get<NoArgs>(p, "BKC_OnStart")() == 0, "BKC_OnStart returns 0");
    c.checks.Check(Get<NoArgs>(p, "BKC_OnExit")() == 0, "BKC_OnExit returns 0");
    c.checks.Check(Get<OneArg>(p, "BKC_OnOpenFolder")(text) == 0, "BKC_OnOpenFolder returns 0");
    c.checks.Check(Get<OneArg>(p, "BKC_OnOpenMail")(text) == 0, "BKC_OnOpenMail returns 0");
    c.checks.Check(Get<NoArgs>(p, "BKC_OnEveryMinute")() == 0, "BKC_OnEveryMinute returns 0");
    c.checks.Check(Get<TwoArgs>(p, "BKC_OnOpenCompose")(0, 1) == 0, "BKC_OnOpenCompose returns 0");
    c.checks.Check(Get<TwoArgs>(p, "BKC_OnOutgoing")(0, 1) == 0, "BKC_OnOutgoing returns 0");
    c.checks.Check(Get<ThreeArgs>(p, "BKC_OnKeyDispatch")(0, 1, 2) == 0,
                   "BKC_OnKeyDispatch returns 0");
    c.checks.Check(Get<TwoArgs>(p, "BKC_OnRetrieve")(text, text) == 0, "BKC_OnRetrieve returns 0");
    c.checks.Check(Get<OneArg>(p, "BKC_OnSend")(text) == 0, "BKC_OnSend returns 0");
    c.checks.Check(Get<OneArg>(p, "BKC_OnFinishRetrieve")(3) == 0,
                   "BKC_OnFinishRetrieve returns 0");
    c.checks.Check(Host().calls.size() == callsBefore,
                   "the idle callbacks call nothing in the host");
}

void ScenarioPluginInfo(Context& c) {
    std::vector<char> record(496 + 8, '\x55');
    c.checks.Check(
        Get<OneArg>(c.plugin, "BKC_OnPlugInInfo")(reinterpret_cast<LPARAM>(record.data())) == 0,
        "BKC_OnPlugInInfo returns 0");
    c.checks.Check(std::string(record.data()) == "HTML-VORNEK", "plug-in name");
    c.checks.Check(std::string(record.data() + 80) == "Tomvarek", "vendor");
    c.checks.Check(std::string(record.data() + 160) == "ver1.02", "version");
    c.checks.Check(std::strlen(record.data() + 240) == 115, "description of 115 Shift-JIS bytes");
    c.checks.Check(std::all_of(record.begin() + 240 + 115, record.begin() + 496,
                               [](char b) { return b == 0; }),
                   "description padded with NUL bytes");
    c.checks.Check(
        std::all_of(record.begin() + 496, record.end(), [](char b) { return b == '\x55'; }),
        "nothing written past 496 bytes");
}

void ScenarioMenu(Context& c) {
    auto menuInit = Get<ThreeArgs>(c.plugin, "BKC_OnMenuInit");
    const LPARAM window = reinterpret_cast<LPARAM>(HostWindow());
    HMENU other = CreatePopupMenu();
    c.checks.Check(menuInit(window, reinterpret_cast<LPARAM>(other), 0) == 0,
                   "menu kind 0 returns 0");
    c.checks.Check(menuInit(window, reinterpret_cast<LPARAM>(other), 2) == 0,
                   "menu kind 2 returns 0");
    c.checks.Check(GetMenuItemCount(other) == 0 && Host().registrations.empty(),
                   "menu kinds 0 and 2 register nothing and add no item");

    HMENU first = CreatePopupMenu();
    HMENU second = CreatePopupMenu();
    c.checks.Check(menuInit(window, reinterpret_cast<LPARAM>(first), 1) == 0,
                   "menu kind 1 returns 0");
    menuInit(window, reinterpret_cast<LPARAM>(second), 1);
    c.checks.Check(Host().registrations.size() == 2, "two calls register two commands");
    int index = 0;
    for (HMENU menu : {first, second}) {
        const Registration& r = Host().registrations[static_cast<std::size_t>(index++)];
        c.checks.Check(r.comment == "QUENLOW" && r.target == 1 && r.callback != nullptr,
                       "registered as QUENLOW for target 1 with a callback");
        c.checks.Check(GetMenuItemCount(menu) == 1, "one item per menu");
        char text[64] = {};
        GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
        c.checks.Check(std::string(text) == "HTML-VORNEK", "item text HTML-VORNEK");
        c.checks.Check(static_cast<int>(GetMenuItemID(menu, 0)) == r.id,
                       "item ID is the command ID");
        c.checks.Check(
            (GetMenuState(menu, 0, MF_BYPOSITION) & (MF_POPUP | MF_SEPARATOR | MF_GRAYED)) == 0,
            "a plain string item");
        DestroyMenu(menu);
    }
    DestroyMenu(other);
}

void ScenarioStripRewrite(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    Host().calls.clear();
    BoxDriver driver({Answer::FirstButton});
    command(HostWindow(), 0);
    const std::vector<BoxSeen> boxes = driver.Finish();

    c.checks.Check(boxes.size() == 1, "one box: the confirmation");
    if (boxes.size() == 1) {
        CheckBox(c.checks, boxes[0], kConfirmTitle, kStripQuestion, {"OK", kCancelCaption}, true,
                 "confirmation");
        c.checks.Check(boxes[0].className == "#32770", "a dialog box");
    }
    c.checks.Check(
        Beeps().size() == 1 && Beeps()[0].sound == 0x20 && Beeps()[0].boxesSeenBefore == 0,
        "the question sound plays before the box opens");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
    c.checks.Check(Host().written.size() == 1 && Host().written[0].first == "mail-1",
                   "the source is written back for the same mail ID");
    c.checks.Check(!Host().written.empty() &&
                       Host().written[0].second ==
                           ToCrLf(ReadFile(c.fixtures + "/flatten/worked_example.expected")),
                   "the worked example comes back flattened");
    c.checks.Check(Host().outstanding.empty() && Host().badFrees == 0,
                   "the source block is handed back once");
    const std::vector<std::string> order = {"BKA_GetCurrentMail",
                                            "BKA_GetStatus mail-1",
                                            "BKA_GetSpecifiedHeader Content-Type",
                                            "BKA_GetSource mail-1",
                                            "BKA_Free",
                                            "BKA_SetSource mail-1"};
    c.checks.Check(Host().calls == order, "host calls in order");
}

void ScenarioStripDeclined(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    const std::pair<Answer, const char*> answers[] = {{Answer::SecondButton, "Cancel"},
                                                      {Answer::Escape, "Esc"},
                                                      {Answer::CloseBox, "the close box"},
                                                      {Answer::AltF4, "Alt+F4"}};
    for (const auto& [answer, name] : answers) {
        BoxDriver driver({answer});
        command(HostWindow(), 0);
        const std::vector<BoxSeen> boxes = driver.Finish();
        c.checks.Check(boxes.size() == 1 && boxes[0].closedAfterAnswer,
                       std::string(name) + " closes the box");
        c.checks.Check(Host().written.empty(), std::string(name) + " writes nothing");
    }
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
}

void ScenarioStripNotices(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    struct Case {
        const char* fixture;
        const char* contentType;
        DWORD status;
        const char* notice;
    };
    const Case cases[] = {
        {"worked_example.eml", "multipart/alternative; boundary=\"----=_Part_01\"", 0x0,
         "No HTML attachment found."},
        {"worked_example.eml", "text/html", 0x8, "HTML only - can't delete"},
        {"no_header_end.eml", "multipart/alternative; boundary=\"nh\"", 0x8,
         "MIME structure not recognised - nothing was changed"},
        {"signed.eml", "multipart/signed; boundary=\"sig\"", 0x8,
         "Signed or encrypted message - nothing was changed"},
    };
    for (const Case& k : cases) {
        UseMessage(c, k.fixture, k.contentType, k.status);
        const bool asks = k.status != 0;
        std::vector<Answer> answers;
        if (asks) answers.push_back(Answer::FirstButton);
        answers.push_back(Answer::Enter);
        BoxDriver driver(answers);
        command(HostWindow(), 0);
        const std::vector<BoxSeen> boxes = driver.Finish();
        c.checks.Check(boxes.size() == answers.size(), std::string(k.notice) + ": number of boxes");
        if (boxes.size() == answers.size()) {
            CheckBox(c.checks, boxes.back(), kHostTitle, k.notice, {"OK"}, false, k.notice);
        }
        c.checks.Check(Host().written.empty(), std::string(k.notice) + ": nothing written");
    }
}

// Things the user saw, checked on the main thread once the dialog is gone.
struct Seen {
    std::vector<std::pair<bool, std::string>> checks;
    void Check(bool ok, const std::string& what) { checks.emplace_back(ok, what); }
    void Report(Checks& into) const {
        for (const auto& [ok, what] : checks) into.Check(ok, what);
    }
};

void CaptureWorkedExample(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    BoxDriver driver({Answer::FirstButton});
    command(HostWindow(), 0);
    driver.Finish();
    c.checks.Check(Host().written.size() == 1, "the worked example was rewritten");
    Host().written.clear();
}

const std::string kRestoreQuestion = "Are you sure you want to restore?";

void ScenarioSetupEmpty(Context& c) {
    Seen seen;
    int result = 0;
    RunAsUser(
        [&] {
            Form f = FindForm();
            seen.Check(f.form != nullptr, "the dialog opens");
            if (!f.form) return;
            seen.Check(WindowText(f.memo).empty(), "empty memo");
            seen.Check(WindowText(f.mailId).empty(), "empty mail ID");
            seen.Check(!IsWindowEnabled(f.btnUndo), "Restore is disabled");
            seen.Check(MainThreadFocus() == f.bitBtn2, "the first focus is on the Close button");
            seen.Check(!IsWindowEnabled(HostWindow()),
                       "the host window is disabled while the dialog is open");
            PressKey(MainThreadFocus(), VK_ESCAPE);
            Sleep(300);
            seen.Check(IsWindowVisible(f.form) != FALSE, "Esc does nothing");
            ClickButton(f.bitBtn2);
            seen.Check(WaitUntilClosed(f.form), "the Close button closes the dialog");
        },
        [&] { result = OpenSetup(c.plugin); });
    seen.Report(c.checks);
    c.checks.Check(result == 1, "BKC_OnPlugInSetup returns 1");
    c.checks.Check(Host().written.empty(), "closing writes nothing");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
    c.checks.Check(FindProcessWindow("TForm2") == nullptr, "the dialog is gone");
}

void ScenarioSetupRestore(Context& c) {
    CaptureWorkedExample(c);
    const std::string original = ToCrLf(ReadFile(c.fixtures + "/flatten/worked_example.eml"));
    Host().currentMail = "mail-2";  // another message is current now
    Seen seen;
    RunAsUser(
        [&] {
            Form f = FindForm();
            seen.Check(f.form != nullptr, "the dialog opens");
            if (!f.form) return;
            seen.Check(ToShiftJis(WindowText(f.memo)) == original,
                       "the memo shows the captured source");
            seen.Check(ToShiftJis(WindowText(f.mailId)) == "mail-1",
                       "the edit shows the captured mail ID");
            seen.Check(IsWindowEnabled(f.btnUndo) != FALSE, "Restore is enabled");
            seen.Check(MainThreadFocus() == f.btnUndo, "the first focus is on Restore");

            // Enter acts on the focused button: Restore asks first; Cancel keeps the dialog.
            PressKey(MainThreadFocus(), VK_RETURN);
            HWND box = WaitForProcessWindow("#32770");
            seen.Check(box != nullptr, "Restore asks for confirmation");
            if (!box) return;
            const BoxSeen asked = ReadBox(box);
            seen.Check(asked.title == kConfirmTitle && asked.text == kRestoreQuestion &&
                           asked.buttons == std::vector<std::string>{"OK", kCancelCaption} &&
                           asked.hasIcon,
                       "the restore confirmation box");
            seen.Check(!IsWindowEnabled(f.form), "the dialog is disabled under the confirmation");
            AnswerBox(box, Answer::SecondButton);
            WaitUntilClosed(box);
            Sleep(200);
            seen.Check(IsWindowVisible(f.form) != FALSE, "declining keeps the dialog open");
            seen.Check(Host().written.empty(), "declining writes nothing");

            ClickButton(f.btnUndo);
            const BoxSeen confirmed = Answered(Answer::FirstButton);
            seen.Check(confirmed.text == kRestoreQuestion, "asked again");
            seen.Check(WaitUntilClosed(f.form, 2000),
                       "a confirmed Restore closes the dialog at once");
        },
        [&] { OpenSetup(c.plugin); });
    seen.Report(c.checks);
    c.checks.Check(Host().written.size() == 1 && Host().written[0].first == "mail-1",
                   "the capture goes back to the captured mail ID, not the current one");
    c.checks.Check(!Host().written.empty() && Host().written[0].second == original,
                   "the original source is back");

    // The slot is unchanged by a restore: the same text can be written again.
    RunAsUser(
        [&] {
            Form f = FindForm();
            if (!f.form) return;
            ClickButton(f.btnUndo);
            Answered(Answer::FirstButton);
            WaitUntilClosed(f.form);
        },
        [&] { OpenSetup(c.plugin); });
    c.checks.Check(Host().written.size() == 2 && Host().written[1] == Host().written[0],
                   "a second restore writes the same text again");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
}

void ScenarioSetupDeclined(Context& c) {
    CaptureWorkedExample(c);
    RunAsUser(
        [&] {
            Form f = FindForm();
            if (!f.form) return;
            ClickButton(f.btnUndo);
            Answered(Answer::Escape);
            Sleep(200);
            ClickButton(f.bitBtn2);
            WaitUntilClosed(f.form);
        },
        [&] { OpenSetup(c.plugin); });
    c.checks.Check(Host().written.empty(), "closing after a declined Restore writes nothing");
}

void ScenarioSetupLayout(Context& c) {
    CaptureWorkedExample(c);
    Seen seen;
    RunAsUser(
        [&] {
            Form f = FindForm();
            seen.Check(f.form != nullptr, "the dialog opens");
            if (!f.form) return;
            seen.Check(ToShiftJis(WindowText(f.form)) == "HTML_VORNEK", "caption");
            RECT r;
            GetWindowRect(f.form, &r);
            seen.Check(r.right - r.left == 487 && r.bottom - r.top == 418, "487 x 418");
            seen.Check(r.left == (GetSystemMetrics(SM_CXSCREEN) - 487) / 2 &&
                           r.top == (GetSystemMetrics(SM_CYSCREEN) - 418) / 2,
                       "centred on the screen");
            seen.Check((GetWindowLongW(f.form, GWL_STYLE) & WS_THICKFRAME) != 0, "sizeable");
            seen.Check(SendMessageW(f.form, WM_GETICON, ICON_BIG, 0) != 0, "a program icon");
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(f.memo, WM_GETFONT, 0, 0)), sizeof font,
                       &font);
            seen.Check(ToShiftJis(font.lfFaceName) ==
                               "\x82l\x82r \x82o\x83S\x83V\x83"
                               "b\x83N" &&
                           font.lfCharSet == SHIFTJIS_CHARSET && font.lfHeight == -15,
                       "the form's font");

            auto placed = [](HWND w, int x, int y, int cx, int cy) {
                RECT wr;
                GetWindowRect(w, &wr);
                POINT p = {wr.left, wr.top};
                ScreenToClient(GetParent(w), &p);
                return p.x == x && p.y == y && wr.right - wr.left == cx && wr.bottom - wr.top == cy;
            };
            seen.Check(placed(f.bitBtn1, 0, 8, 121, 25), "BitBtn1 at 0,8 121x25");
            seen.Check(placed(f.btnUndo, 224, 8, 121, 25), "btnUndo at 224,8 121x25");
            seen.Check(placed(f.bitBtn2, 352, 8, 121, 25), "BitBtn2 at 352,8 121x25");
            seen.Check(placed(f.mailId, 56, 0, 417, 23), "edtMailID at 56,0 417x23");
            RECT label;
            GetWindowRect(f.label, &label);
            POINT lp = {label.left, label.top};
            ScreenToClient(f.panel3, &lp);
            seen.Check(lp.x == 8 && lp.y == 6 && WindowText(f.label) == L"Mail ID",
                       "Label1 'Mail ID' at 8,6");
            seen.Check(WindowText(f.bitBtn1) == L"Version Info  (&V)", "BitBtn1 caption");
            seen.Check(WindowText(f.btnUndo) == L" Restore(&U)", "btnUndo caption");
            seen.Check(ToShiftJis(WindowText(f.bitBtn2)) == "\x95\xC2\x82\xB6\x82\xE9(&C)",
                       "BitBtn2 caption");
            const LONG memoStyle = GetWindowLongW(f.memo, GWL_STYLE);
            seen.Check((memoStyle & WS_HSCROLL) && (memoStyle & WS_VSCROLL),
                       "memo: both scroll bars");
            SendMessageW(f.memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
            seen.Check(ToShiftJis(WindowText(f.memo)) ==
                           ToCrLf(ReadFile(c.fixtures + "/flatten/worked_example.eml")),
                       "memo: read-only");
            seen.Check(SendMessageW(f.memo, EM_GETLINECOUNT, 0, 0) == 26,
                       "memo: one row per line, no word wrap");
            seen.Check((GetWindowLongW(f.mailId, GWL_STYLE) & ES_READONLY) != 0,
                       "edtMailID read-only");

            HWND order[] = {f.btnUndo, f.bitBtn2, f.bitBtn1, f.memo, f.mailId, f.btnUndo};
            bool tabOrder = true;
            for (int i = 0; i + 1 < 6; ++i)
                tabOrder &= GetNextDlgTabItem(f.form, order[i], FALSE) == order[i + 1];
            seen.Check(tabOrder, "tab order btnUndo, BitBtn2, BitBtn1, Memo1, edtMailID");

            auto panelsFit = [&] {
                RECT client, p1, p2, p3, memo;
                GetClientRect(f.form, &client);
                GetWindowRect(f.panel1, &p1);
                GetWindowRect(f.panel2, &p2);
                GetWindowRect(f.panel3, &p3);
                GetWindowRect(f.memo, &memo);
                const int w = client.right;
                return p3.bottom - p3.top == 25 && p1.bottom - p1.top == 41 &&
                       p3.right - p3.left == w && p1.right - p1.left == w &&
                       p2.bottom - p2.top == client.bottom - 66 &&
                       memo.right - memo.left == w - 2 &&
                       memo.bottom - memo.top == client.bottom - 68;
            };
            seen.Check(panelsFit(), "panels at design size");
            SetWindowPos(f.form, nullptr, 0, 0, 640, 520, SWP_NOMOVE | SWP_NOZORDER);
            Sleep(200);
            seen.Check(panelsFit(), "after a resize the top and bottom panels keep their heights");

            ClickButton(f.bitBtn1);
            const BoxSeen notice = Answered(Answer::Enter);
            seen.Check(notice.title == kHostTitle &&
                           notice.buttons == std::vector<std::string>{"OK"} && !notice.hasIcon,
                       "the version notice is an information box");
            seen.Check(notice.text ==
                           "HTML-VORNEK ver1.02\r\nTomvarek <html-vornek@tomvarek.example>\r\n"
                           "\x8D\xC5\x90V\x94\xC5\x82\xCD https://tomvarek.example/html-vornek/ "
                           "\x82\xE6\x82\xE8\x93\xFC\x8E\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82"
                           "\xB3\x82\xA2\x81"
                           "B",
                       "the version notice text");
            Sleep(200);
            seen.Check(IsWindowVisible(f.form) != FALSE, "the dialog stays open after the notice");
            PostMessageW(f.form, WM_SYSCOMMAND, SC_CLOSE, 0);
            seen.Check(WaitUntilClosed(f.form), "the title bar's close box closes the dialog");
        },
        [&] { OpenSetup(c.plugin); });
    seen.Report(c.checks);
    c.checks.Check(Host().written.empty(), "nothing written");
}

void ScenarioSetupLarge(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    std::string source = ToCrLf(ReadFile(c.fixtures + "/flatten/epilogue_and_three_parts.eml"));
    const std::string marker = "JVBERi0xLjQK\r\n";
    std::string big = source.substr(0, source.find(marker));
    while (big.size() < (6u << 20)) big += std::string(76, 'Q') + "\r\n";
    big += source.substr(source.find(marker) + marker.size());
    Host().currentMail = "mail-1";
    Host().status = 0x8;
    Host().contentType = "multipart/mixed; boundary=\"mix\"";
    Host().sources["mail-1"] = big;
    {
        BoxDriver driver({Answer::FirstButton});
        command(HostWindow(), 0);
    }
    c.checks.Check(Host().written.size() == 1, "a 6 MB message is rewritten");
    Seen seen;
    RunAsUser(
        [&] {
            Form f = FindForm();
            seen.Check(f.form != nullptr, "the dialog opens");
            if (!f.form) return;
            seen.Check(static_cast<std::size_t>(GetWindowTextLengthW(f.memo)) == big.size(),
                       "the memo holds all of the 6 MB source");
            seen.Check(SendMessageW(f.memo, EM_GETLINECOUNT, 0, 0) > 65535,
                       "more lines than an edit control takes");
            // The view scrolls through all of it, by key and by scroll bar.
            PressKey(f.memo, VK_NEXT);
            Sleep(200);
            const int afterPage = GetScrollPos(f.memo, SB_VERT);
            seen.Check(afterPage > 0, "Page Down scrolls the memo");
            SendMessageW(f.memo, WM_VSCROLL, SB_BOTTOM, 0);
            SCROLLINFO info = {};
            info.cbSize = sizeof info;
            info.fMask = SIF_ALL;
            GetScrollInfo(f.memo, SB_VERT, &info);
            seen.Check(
                info.nMax > 65535 && info.nPos + static_cast<int>(info.nPage) == info.nMax + 1,
                "the memo scrolls to its last line");
            PressKey(f.memo, VK_UP);
            Sleep(200);
            seen.Check(GetScrollPos(f.memo, SB_VERT) == info.nPos - 1, "Up scrolls back one line");
            ClickButton(f.bitBtn2);
            WaitUntilClosed(f.form);
        },
        [&] { OpenSetup(c.plugin); });
    seen.Report(c.checks);
}

void ScenarioUnload(Context& c) {
    ScenarioStripRewrite(c);
    const std::size_t calls = Host().calls.size();
    c.checks.Check(FreeLibrary(c.plugin.module) != FALSE, "the plug-in unloads");
    c.checks.Check(GetModuleHandleW(L"QuenlowPlugin.dll") == nullptr, "nothing of it stays loaded");
    c.checks.Check(Host().calls.size() == calls, "unloading calls no host function");
    c.plugin.module = nullptr;
}

}  // namespace
}  // namespace testhost

int RunScenario(const std::string& name, const std::vector<std::string>& args) {
    using namespace testhost;
    if (name == "demo") return args.size() == 2 ? RunDemo(args[0], args[1]) : 2;
    Context c;
    c.fixtures = args.at(0);
    HostWindow();
    if (name == "load_fails") {
        // Run by the host build without BKA_SerializeRcpts.
        HMODULE module = LoadLibraryW((ExecutableFolder() + L"QuenlowPlugin.dll").c_str());
        const DWORD error = GetLastError();
        c.checks.Check(module == nullptr, "the plug-in refuses to load");
        c.checks.Check(error == ERROR_DLL_INIT_FAILED,
                       "the loader reports a failed initialisation");
        c.checks.Check(GetModuleHandleW(L"QuenlowPlugin.dll") == nullptr,
                       "nothing of it stays loaded");
        c.checks.Check(Host().calls.empty(), "no host function was called");
        return c.checks.Finish(name);
    }
    const std::pair<const char*, void (*)(Context&)> scenarios[] = {
        {"exports", ScenarioExports},
        {"callbacks", ScenarioCallbacks},
        {"plugin_info", ScenarioPluginInfo},
        {"menu", ScenarioMenu},
        {"strip_rewrite", ScenarioStripRewrite},
        {"strip_declined", ScenarioStripDeclined},
        {"strip_notices", ScenarioStripNotices},
        {"unload", ScenarioUnload},
        {"setup_empty", ScenarioSetupEmpty},
        {"setup_restore", ScenarioSetupRestore},
        {"setup_declined", ScenarioSetupDeclined},
        {"setup_layout", ScenarioSetupLayout},
        {"setup_large", ScenarioSetupLarge},
    };
    for (const auto& [scenarioName, run] : scenarios) {
        if (name != scenarioName) continue;
        c.plugin = LoadPlugin(c.checks);
        if (c.plugin.module) run(c);
        if (c.plugin.module) FreeLibrary(c.plugin.module);
        return c.checks.Finish(name);
    }
    std::printf("unknown scenario %s\n", name.c_str());
    return 2;
}
