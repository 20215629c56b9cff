// Scenarios that drive the real plug-in DLL through the test host.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/PluginDriver.h"
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
const std::string kDialogNotOpened = "The restore dialog could not be opened - nothing was changed";
// The plug-in's procedures throw on this registered message, and its enumeration of
// the thread's windows throws at a window carrying this property.
const wchar_t kFailInProcedure[] = L"HTML-VORNEK.FailInProcedure";
// The memo shows this much of a capture whole.
constexpr std::size_t kMemoShownBytes = std::size_t{8} << 20;

// Opens the setup dialog and does `during` in it as the user; `during` closes it.
// What the user saw is checked once the setup call has returned; returns its result.
int WhileDialogOpen(Context& c, const std::function<void(Seen&, const Form&)>& during) {
    Seen seen;
    int result = 0;
    RunAsUser(
        [&] {
            const Form f = FindForm();
            seen.Check(f.form != nullptr, "the dialog opens");
            if (f.form) during(seen, f);
        },
        [&] { result = OpenSetup(c.plugin); });
    seen.Report(c.checks);
    return result;
}

// Runs the strip command, does `during` while its confirmation is open, then
// confirms; what the user saw is checked once the command has returned.
void WhileConfirmationOpen(Context& c, CommandCallback command,
                           const std::function<void(Seen&, HWND)>& during) {
    Seen seen;
    RunAsUser(
        [&] {
            HWND box = WaitForProcessWindow("#32770");
            seen.Check(box != nullptr, "the confirmation opens");
            if (!box) return;
            during(seen, box);
            AnswerBox(box, Answer::FirstButton);
            seen.Check(WaitUntilClosed(box), "the confirmation closes when answered");
        },
        [&] { command(HostWindow(), 0); });
    seen.Report(c.checks);
}

// A three-part message whose attachment is blown up to at least `bytes` with
// 76-column base64 lines, so the headers and the text part come first.
std::string InflatedMessage(Context& c, std::size_t bytes) {
    const std::string source =
        ToCrLf(ReadFile(c.fixtures + "/flatten/epilogue_and_three_parts.eml"));
    const std::string marker = "JVBERi0xLjQK\r\n";
    const std::size_t at = source.find(marker);
    const std::string line = std::string(76, 'Q') + "\r\n";
    std::string big;
    big.reserve(bytes + source.size() + line.size());
    big.append(source, 0, at);
    while (big.size() < bytes) big += line;
    big.append(source, at + marker.size(), std::string::npos);
    return big;
}

// Captures `source` through the strip command, as a user who confirms it.
void CaptureMessage(Context& c, const std::string& source) {
    CommandCallback command = RegisterCommand(c.plugin);
    Host().currentMail = "mail-1";
    Host().status = 0x8;
    Host().contentType = "multipart/mixed; boundary=\"mix\"";
    Host().sources["mail-1"] = source;
    {
        BoxDriver driver({Answer::FirstButton});
        command(HostWindow(), 0);
    }
    Host().sources.clear();  // the capture is the only copy the plug-in has
    c.checks.Check(Host().written.size() == 1, "the message is rewritten and captured");
    Host().written.clear();
}

// The memo's whole text as the control hands it out, through WM_GETTEXT.
std::wstring MemoText(HWND memo) {
    const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got =
        SendMessageW(memo, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

// Whether the start of the memo's last line of text lies in its client area (the
// empty row after a final line break has no character to ask about).
bool LastLineInView(HWND memo) {
    const LRESULT lines = SendMessageW(memo, EM_GETLINECOUNT, 0, 0);
    const LRESULT length = SendMessageW(memo, WM_GETTEXTLENGTH, 0, 0);
    LRESULT start = SendMessageW(memo, EM_LINEINDEX, static_cast<WPARAM>(lines - 1), 0);
    if (start >= length && lines > 1)
        start = SendMessageW(memo, EM_LINEINDEX, static_cast<WPARAM>(lines - 2), 0);
    const LRESULT at = SendMessageW(memo, EM_POSFROMCHAR, static_cast<WPARAM>(start), 0);
    RECT client;
    GetClientRect(memo, &client);
    const int y = static_cast<short>(HIWORD(at));
    return at != -1 && y >= 0 && y < client.bottom;
}

void ScenarioSetupEmpty(Context& c) {
    const int result = WhileDialogOpen(c, [&](Seen& seen, const Form& f) {
        seen.Check(WindowText(f.memo).empty(), "empty memo");
        seen.Check(WindowText(f.mailId).empty(), "empty mail ID");
        seen.Check(!IsWindowEnabled(f.btnUndo), "Restore is disabled");
        seen.Check(MainThreadFocus() == f.bitBtn2, "the first focus is on the Close button");
        seen.Check(!IsWindowEnabled(HostWindow()),
                   "the host window is disabled while the dialog is open");
        PressKey(MainThreadFocus(), VK_ESCAPE);
        seen.Check(WaitUntilHostSettled() && IsWindowVisible(f.form) != FALSE, "Esc does nothing");
        ClickButton(f.bitBtn2);
        seen.Check(WaitUntilClosed(f.form), "the Close button closes the dialog");
    });
    c.checks.Check(result == 1, "BKC_OnPlugInSetup returns 1");
    c.checks.Check(Host().written.empty(), "closing writes nothing");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
    c.checks.Check(FindProcessWindow("TForm2") == nullptr, "the dialog is gone");
}

void ScenarioSetupRestore(Context& c) {
    CaptureWorkedExample(c);
    const std::string original = ToCrLf(ReadFile(c.fixtures + "/flatten/worked_example.eml"));
    Host().currentMail = "mail-2";  // another message is current now
    WhileDialogOpen(c, [&](Seen& seen, const Form& f) {
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
        seen.Check(WaitUntilHostSettled() && IsWindowVisible(f.form) != FALSE,
                   "declining keeps the dialog open");
        seen.Check(Host().written.empty(), "declining writes nothing");

        ClickButton(f.btnUndo);
        const BoxSeen confirmed = Answered(Answer::FirstButton);
        seen.Check(confirmed.text == kRestoreQuestion, "asked again");
        seen.Check(WaitUntilClosed(f.form), "a confirmed Restore closes the dialog by itself");
    });
    c.checks.Check(Host().written.size() == 1 && Host().written[0].first == "mail-1",
                   "the capture goes back to the captured mail ID, not the current one");
    c.checks.Check(!Host().written.empty() && Host().written[0].second == original,
                   "the original source is back");

    // The slot is unchanged by a restore: the same text can be written again.
    WhileDialogOpen(c, [&](Seen&, const Form& f) {
        ClickButton(f.btnUndo);
        Answered(Answer::FirstButton);
        WaitUntilClosed(f.form);
    });
    c.checks.Check(Host().written.size() == 2 && Host().written[1] == Host().written[0],
                   "a second restore writes the same text again");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
}

void ScenarioSetupDeclined(Context& c) {
    CaptureWorkedExample(c);
    WhileDialogOpen(c, [&](Seen&, const Form& f) {
        ClickButton(f.btnUndo);
        Answered(Answer::Escape);
        WaitUntilHostSettled();  // the declined Restore is over; the dialog takes clicks
        ClickButton(f.bitBtn2);
        WaitUntilClosed(f.form);
    });
    c.checks.Check(Host().written.empty(), "closing after a declined Restore writes nothing");
}

void ScenarioSetupLayout(Context& c) {
    CaptureWorkedExample(c);
    WhileDialogOpen(c, [&](Seen& seen, const Form& f) {
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
        seen.Check(ClassOf(f.memo) == "Edit" && (memoStyle & ES_MULTILINE),
                   "memo: the standard multi-line edit control");
        seen.Check((memoStyle & WS_HSCROLL) && (memoStyle & WS_VSCROLL), "memo: both scroll bars");
        seen.Check((memoStyle & ES_READONLY) != 0, "memo: read-only style");
        SetFocus(f.memo);
        PostMessageW(f.memo, WM_CHAR, 'x', 1);
        PostMessageW(f.memo, WM_KEYDOWN, VK_DELETE, 1);
        seen.Check(WaitUntilHostSettled() &&
                       ToShiftJis(WindowText(f.memo)) ==
                           ToCrLf(ReadFile(c.fixtures + "/flatten/worked_example.eml")),
                   "memo: typing changes nothing");
        seen.Check(SendMessageW(f.memo, EM_GETLIMITTEXT, 0, 0) > 0x7FFFFFFE - 1,
                   "memo: no text limit of its own");
        // A multi-line edit in a dialog posts WM_CLOSE to its parent on Esc and asks
        // its parent to move the focus on Tab; its parent is a panel.
        PressKey(f.memo, VK_ESCAPE);
        seen.Check(WaitUntilHostSettled() && IsWindow(f.panel2) && IsWindowVisible(f.form),
                   "Esc in the memo closes nothing");
        const HWND focusBefore = MainThreadFocus();
        PressKey(f.memo, VK_TAB);
        seen.Check(WaitUntil([&] { return MainThreadFocus() != focusBefore; }),
                   "Tab in the memo moves the focus");
        // 26 lines of the source and the empty row after its final line break.
        seen.Check(SendMessageW(f.memo, EM_GETLINECOUNT, 0, 0) == 27,
                   "memo: one row per line, no word wrap (" +
                       std::to_string(SendMessageW(f.memo, EM_GETLINECOUNT, 0, 0)) + ")");
        seen.Check((GetWindowLongW(f.mailId, GWL_STYLE) & ES_READONLY) != 0, "edtMailID read-only");

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
                   p2.bottom - p2.top == client.bottom - 66 && memo.right - memo.left == w - 2 &&
                   memo.bottom - memo.top == client.bottom - 68;
        };
        seen.Check(panelsFit(), "panels at design size");
        SetWindowPos(f.form, nullptr, 0, 0, 640, 520, SWP_NOMOVE | SWP_NOZORDER);
        seen.Check(WaitUntilHostSettled(), "the resize is handled");
        RECT resized;
        GetWindowRect(f.form, &resized);
        seen.Check(resized.right - resized.left == 640 && resized.bottom - resized.top == 520,
                   "the dialog takes the new size");
        seen.Check(panelsFit(), "after a resize the top and bottom panels keep their heights");

        ClickButton(f.bitBtn1);
        const BoxSeen notice = Answered(Answer::Enter);
        seen.Check(notice.title == kHostTitle && notice.buttons == std::vector<std::string>{"OK"} &&
                       !notice.hasIcon,
                   "the version notice is an information box");
        seen.Check(notice.text ==
                       "HTML-VORNEK ver1.02\r\nTomvarek <html-vornek@tomvarek.example>\r\n"
                       "\x8D\xC5\x90V\x94\xC5\x82\xCD https://tomvarek.example/html-vornek/ "
                       "\x82\xE6\x82\xE8\x93\xFC\x8E\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82"
                       "\xB3\x82\xA2\x81"
                       "B",
                   "the version notice text");
        seen.Check(WaitUntilHostSettled() && IsWindowVisible(f.form) != FALSE,
                   "the dialog stays open after the notice");
        PostMessageW(f.form, WM_SYSCOMMAND, SC_CLOSE, 0);
        seen.Check(WaitUntilClosed(f.form), "the title bar's close box closes the dialog");
    });
    c.checks.Check(Host().written.empty(), "nothing written");
}

void ScenarioSetupLarge(Context& c) {
    const std::string big = InflatedMessage(c, 6u << 20);
    CaptureMessage(c, big);
    WhileDialogOpen(c, [&](Seen& seen, const Form& f) {
        seen.Check(ToShiftJis(MemoText(f.memo)) == big, "the memo holds all of the 6 MB source");
        seen.Check(SendMessageW(f.memo, EM_GETLINECOUNT, 0, 0) > 65535, "more than 65535 lines");
        seen.Check(!LastLineInView(f.memo), "the last line starts out of view");
        PressKey(f.memo, VK_NEXT);
        seen.Check(
            WaitUntil([&] { return SendMessageW(f.memo, EM_GETFIRSTVISIBLELINE, 0, 0) > 0; }),
            "Page Down scrolls the memo");
        // Sent, not posted: the memo has scrolled when the call returns.
        SendMessageW(f.memo, WM_VSCROLL, SB_BOTTOM, 0);
        seen.Check(LastLineInView(f.memo), "the memo scrolls its last line into view");
        ClickButton(f.bitBtn2);
        WaitUntilClosed(f.form);
    });
}

// A capture far beyond what the memo shows: the memo holds its beginning and one
// line about the rest; copying and reading the memo's text, as Ctrl+C and screen
// readers do, keep the host alive; Restore writes back the whole capture.
void ScenarioSetupHuge(Context& c) {
    const std::string huge = InflatedMessage(c, 300u << 20);
    CaptureMessage(c, huge);
    WhileDialogOpen(c, [&](Seen& seen, const Form& f) {
        const std::string shown = ToShiftJis(MemoText(f.memo));
        const std::size_t note = shown.rfind("\r\n") + 2;
        const std::string head = shown.substr(0, note);
        seen.Check(head.size() <= kMemoShownBytes && head.size() > kMemoShownBytes - 80 &&
                       huge.compare(0, head.size(), head) == 0,
                   "the memo shows the first 8 MB, cut after a line break");
        const std::size_t restLines = static_cast<std::size_t>(
            std::count(huge.begin() + static_cast<std::ptrdiff_t>(head.size()), huge.end(), '\n'));
        auto grouped = [](std::size_t n) {
            std::string d = std::to_string(n);
            for (std::size_t at = d.size(); at > 3; at -= 3) d.insert(at - 3, 1, ',');
            return d;
        };
        const std::string expectedNote =
            "[" + grouped(huge.size() - head.size()) + " bytes (" + grouped(restLines) +
            " lines) of this message are not shown here. Restore writes back the whole "
            "message.]";
        seen.Check(shown.substr(note) == expectedNote,
                   "then one line says how much is not shown: '" + shown.substr(note) + "'");

        SendMessageW(f.memo, EM_SETSEL, 0, -1);
        SendMessageW(f.memo, WM_COPY, 0, 0);
        std::wstring copied;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
                    copied = text;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
        seen.Check(ToShiftJis(copied) == shown, "WM_COPY copies what the memo shows");
        seen.Check(MemoText(f.memo) == MemoText(f.memo), "WM_GETTEXT answers every time");

        ClickButton(f.btnUndo);
        Answered(Answer::FirstButton);
        // Writing back 300 MB takes the host a while on a busy machine.
        seen.Check(WaitUntilClosed(f.form, 4 * kPatienceMs), "Restore closes the dialog");
    });
    c.checks.Check(Host().written.size() == 1 && Host().written[0].first == "mail-1" &&
                       Host().written[0].second == huge,
                   "Restore writes back the whole 300 MB capture");
}

// The procedures that Windows calls back: each is made to throw once through the
// plug-in's own failure message, and everything goes on working.
void ScenarioProceduresThrow(Context& c) {
    const UINT fail = RegisterWindowMessageW(kFailInProcedure);
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");

    // The message box's dialog procedure.
    WhileConfirmationOpen(c, command, [&](Seen& seen, HWND box) {
        SendMessageW(box, fail, 0, 0);
        seen.Check(IsWindowVisible(box) != FALSE, "the box survives its procedure's failure");
    });
    c.checks.Check(Host().written.size() == 1, "the confirmed command still rewrites the message");

    // The form's dialog procedure and the panels' window procedure.
    Host().written.clear();
    WhileDialogOpen(c, [&](Seen& inDialog, const Form& f) {
        for (HWND w : {f.form, f.panel1, f.panel2, f.panel3}) SendMessageW(w, fail, 0, 0);
        inDialog.Check(IsWindowVisible(f.form) != FALSE && IsWindow(f.panel2) != FALSE,
                       "the dialog and its panels survive their procedures' failures");
        ClickButton(f.btnUndo);
        const BoxSeen asked = Answered(Answer::FirstButton);
        inDialog.Check(asked.text == kRestoreQuestion, "Restore still asks");
        inDialog.Check(WaitUntilClosed(f.form), "and closes the dialog");
    });
    c.checks.Check(Host().written.size() == 1, "the confirmed Restore still writes");

    // The enumeration of the thread's windows, which a box runs before it opens:
    // no box can be shown, so the command ends as if declined.
    Host().written.clear();
    SetPropW(HostWindow(), kFailInProcedure, reinterpret_cast<HANDLE>(1));
    {
        // A box would keep the command from returning until the driver answered it.
        BoxDriver driver({Answer::FirstButton});
        command(HostWindow(), 0);
        c.checks.Check(driver.Finish().empty(), "no box when the windows cannot be listed");
    }
    bool opened = false;
    std::atomic<bool> setupReturned{false};
    RunAsUser(
        [&] {
            HWND form = WaitForProcessWindow("TForm2", nullptr, kPatienceMs,
                                             [&] { return setupReturned.load(); });
            opened = form != nullptr;
            if (form) PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
        },
        [&] {
            OpenSetup(c.plugin);
            setupReturned = true;
        });
    c.checks.Check(!opened, "no dialog when the windows cannot be listed");
    RemovePropW(HostWindow(), kFailInProcedure);
    c.checks.Check(Host().written.empty(), "nothing written");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window stays enabled");

    BoxDriver driver({Answer::FirstButton});
    command(HostWindow(), 0);
    c.checks.Check(driver.Finish().size() == 1 && Host().written.size() == 1,
                   "afterwards the command works as before");
}

// The strip command and the setup dialog called again by the host from a message
// that the plug-in's own modal loop dispatches.
void ScenarioReentry(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    auto nestedCalls = [&](Seen& seen, const std::string& during, HWND dialog) {
        const std::size_t calls = Host().calls.size();
        int setupResult = 0;
        seen.Check(RunInHostWindow([&] { command(HostWindow(), 0); }),
                   "a nested strip command returns at once " + during);
        seen.Check(RunInHostWindow([&] { setupResult = OpenSetup(c.plugin); }),
                   "a nested setup call returns at once " + during);
        seen.Check(setupResult == 1, "the nested setup call returns 1 " + during);
        seen.Check(Host().calls.size() == calls, "the nested calls ask the host nothing " + during);
        seen.Check(FindProcessWindow("TForm2", dialog) == nullptr, "no dialog opens " + during);
    };

    WhileConfirmationOpen(c, command, [&](Seen& seen, HWND box) {
        nestedCalls(seen, "at the strip confirmation", nullptr);
        seen.Check(FindProcessWindow("#32770", box) == nullptr, "no second box opens");
    });
    c.checks.Check(Host().written.size() == 1, "the outer command rewrites the message once");
    Host().written.clear();

    // In the dialog a nested setup call would open a second dialog, in which the user
    // confirms Restore; the outer dialog, then merely closed, must not restore again.
    WhileDialogOpen(c, [&](Seen& inDialog, const Form& f) {
        std::atomic<bool> nestedReturned{false};
        inDialog.Check(RunInHostWindow([&] {
                           RunAsUser(
                               [&] {
                                   HWND second =
                                       WaitForProcessWindow("TForm2", f.form, kPatienceMs,
                                                            [&] { return nestedReturned.load(); });
                                   if (!second) return;
                                   ClickButton(GetDlgItem(GetDlgItem(second, vornek::kPanel1Id),
                                                          vornek::kBtnUndoId));
                                   Answered(Answer::FirstButton);
                                   WaitUntilClosed(second);
                               },
                               [&] {
                                   OpenSetup(c.plugin);
                                   nestedReturned = true;
                               });
                       }),
                       "the nested setup call ends");
        inDialog.Check(Host().written.empty(), "no nested dialog restored anything");
        nestedCalls(inDialog, "in the dialog", f.form);
        ClickButton(f.bitBtn2);
        WaitUntilClosed(f.form);
    });
    c.checks.Check(Host().written.empty(), "closing the outer dialog restores nothing");

    // A Restore confirmed while a nested call was refused is written exactly once.
    WhileDialogOpen(c, [&](Seen&, const Form& f) {
        ClickButton(f.btnUndo);
        HWND box = WaitForProcessWindow("#32770");
        if (!box) return;
        RunInHostWindow([&] { OpenSetup(c.plugin); });
        AnswerBox(box, Answer::FirstButton);
        WaitUntilClosed(f.form);
    });
    c.checks.Check(Host().written.size() == 1, "a confirmed Restore writes once");
    c.checks.Check(IsWindowEnabled(HostWindow()) != FALSE, "the host window is enabled again");
}

// Every box and the dialog give the host its windows back before they go, so that
// Windows activates the host and not another program.
void ScenarioModalOrder(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    const std::vector<std::string> boxOrder = {"host disabled", "host enabled", "destroyed #32770"};
    struct Case {
        const char* what;
        DWORD status;
        Answer answer;
    };
    const Case cases[] = {{"the confirmation, cancelled", 0x8, Answer::SecondButton},
                          {"the confirmation, closed with Esc", 0x8, Answer::Escape},
                          {"a notice", 0x0, Answer::Enter}};
    for (const Case& k : cases) {
        Host().status = k.status;
        Host().events.clear();
        BoxDriver driver({k.answer});
        command(HostWindow(), 0);
        driver.Finish();
        c.checks.Check(Host().events == boxOrder,
                       std::string(k.what) + ": the host is enabled before the box is destroyed");
    }
    Host().events.clear();
    WhileDialogOpen(c, [&](Seen&, const Form& f) {
        ClickButton(f.bitBtn2);
        WaitUntilClosed(f.form);
    });
    const std::vector<std::string> formOrder = {"host disabled", "host enabled",
                                                "destroyed TForm2"};
    c.checks.Check(Host().events == formOrder,
                   "the dialog: the host is enabled before the dialog is destroyed");
}

// Windows refuses to create the dialog: the user is told, and nothing changes.
void ScenarioSetupRefused(Context& c) {
    CaptureWorkedExample(c);
    Host().refuseForm = true;
    BoxDriver driver({Answer::Enter});
    const int result = OpenSetup(c.plugin);
    const std::vector<BoxSeen> boxes = driver.Finish();
    Host().refuseForm = false;
    c.checks.Check(result == 1, "BKC_OnPlugInSetup returns 1");
    c.checks.Check(boxes.size() == 1, "one notice");
    if (boxes.size() == 1) {
        CheckBox(c.checks, boxes[0], kHostTitle, kDialogNotOpened, {"OK"}, false, "the notice");
    }
    c.checks.Check(Host().written.empty(), "nothing written");
}

// The host unloads the plug-in from a message dispatched while a box or the dialog
// is open: the plug-in's code stays until its command is over, then goes.
void ScenarioUnloadWhileOpen(Context& c) {
    CommandCallback command = RegisterCommand(c.plugin);
    UseMessage(c, "worked_example.eml", "multipart/alternative;\tboundary=\"----=_Part_01\"");
    bool unloaded = false;
    WhileConfirmationOpen(c, command, [&](Seen&, HWND) {
        RunInHostWindow([&] { unloaded = FreeLibrary(c.plugin.module) != FALSE; });
    });
    c.checks.Check(unloaded, "the host unloads the plug-in during the confirmation");
    c.checks.Check(Host().written.size() == 1, "the confirmed command still completes");
    c.checks.Check(GetModuleHandleW(L"QuenlowPlugin.dll") == nullptr,
                   "the plug-in is gone once its command has returned");

    // Again with the restore dialog, on a fresh load.
    c.plugin = LoadPlugin(c.checks);
    if (!c.plugin.module) return;
    Host().written.clear();
    CaptureWorkedExample(c);
    unloaded = false;
    WhileDialogOpen(c, [&](Seen&, const Form& f) {
        RunInHostWindow([&] { unloaded = FreeLibrary(c.plugin.module) != FALSE; });
        ClickButton(f.btnUndo);
        Answered(Answer::FirstButton);
        WaitUntilClosed(f.form);
    });
    c.checks.Check(unloaded, "the host unloads the plug-in while the dialog is open");
    c.checks.Check(Host().written.size() == 1, "the confirmed Restore still writes");
    c.checks.Check(GetModuleHandleW(L"QuenlowPlugin.dll") == nullptr,
                   "the plug-in is gone once the setup call has returned");
    c.plugin.module = nullptr;
}

void ScenarioUnload(Context& c) {
    ScenarioStripRewrite(c);
    const std::size_t calls = Host().calls.size();
    c.checks.Check(FreeLibrary(c.plugin.module) != FALSE, "the plug-in unloads");
    c.checks.Check(GetModuleHandleW(L"QuenlowPlugin.dll") == nullptr, "nothing of it stays loaded");
    c.checks.Check(Host().calls.size() == calls, "unloading calls no host function");
    c.plugin.module = nullptr;
}

// For bench/dialog_open.py: captures messages of the given sizes (in MiB) and prints
// how long the setup call takes from its start until the dialog is on the screen
// with the capture in its memo, `runs` times each.
int RunDialogBench(Context& c, const std::string& sizes, int runs) {
    std::size_t from = 0;
    while (from < sizes.size()) {
        const std::size_t comma = std::min(sizes.find(',', from), sizes.size());
        const int megabytes = std::stoi(sizes.substr(from, comma - from));
        from = comma + 1;
        CaptureMessage(c, InflatedMessage(c, static_cast<std::size_t>(megabytes) << 20));
        for (int run = 0; run < runs; ++run) {
            LARGE_INTEGER frequency, start, shown;
            QueryPerformanceFrequency(&frequency);
            bool opened = false;
            RunAsUser(
                [&] {
                    // On the screen is enough: WaitForProcessWindow's wait for the modal
                    // loop would add to the figure.
                    HWND form = nullptr;
                    WaitUntil([&] { return (form = FindProcessWindow("TForm2")) != nullptr; },
                              4 * kPatienceMs);
                    QueryPerformanceCounter(&shown);
                    opened = form != nullptr;
                    if (!opened) return;
                    PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
                    WaitUntilClosed(form, 2 * kPatienceMs);
                },
                [&] {
                    QueryPerformanceCounter(&start);
                    OpenSetup(c.plugin);
                });
            c.checks.Check(opened, "the dialog opens");
            std::printf("open %d MiB run %d: %.0f ms\n", megabytes, run + 1,
                        1000.0 * static_cast<double>(shown.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
            std::fflush(stdout);
        }
    }
    return c.checks.Finish("bench_open");
}

}  // namespace
}  // namespace testhost

int RunScenario(const std::string& name, const std::vector<std::string>& args) {
    using namespace testhost;
    if (name == "demo") return args.size() == 2 ? RunDemo(args[0], args[1]) : 2;
    if (name == "measure_strip") return args.size() == 1 ? RunMeasureStrip(args[0]) : 2;
    Context c;
    c.fixtures = args.at(0);
    HostWindow();
    if (name == "bench_open") {
        c.plugin = LoadPlugin(c.checks);
        if (!c.plugin.module) return c.checks.Finish(name);
        return RunDialogBench(c, args.size() > 1 ? args[1] : "1,6,25",
                              args.size() > 2 ? std::stoi(args[2]) : 3);
    }
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
        {"setup_huge", ScenarioSetupHuge},
        {"setup_refused", ScenarioSetupRefused},
        {"procedures_throw", ScenarioProceduresThrow},
        {"reentry", ScenarioReentry},
        {"modal_order", ScenarioModalOrder},
        {"unload_while_open", ScenarioUnloadWhileOpen},
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
