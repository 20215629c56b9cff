// The README's demonstration: the plug-in at work on a sample message, in the test host.
#include <cstdio>
#include <fstream>

#include "tests/wine/PluginDriver.h"

namespace testhost {
namespace {

void Say(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void ShowMessage(const std::string& title, const std::string& source) {
    Say("\n=== " + title + " ===\n");
    std::string lf;
    for (char ch : source) {
        if (ch != '\r') lf += ch;
    }
    Say(lf);
}

void SayBox(const BoxSeen& box, const std::string& answer) {
    Say("\n[box \"" + ShiftJisToUtf8(box.title) + "\"] " + ShiftJisToUtf8(box.text) + "\n    -> " +
        answer + "\n");
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::string& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    // The window's own pixels, as it painted them: the screen may show them a moment
    // later, and another window may lie over part of it there.
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    const bool copied = BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(h);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return copied && out.good();
}

int RunDemo(const std::string& message, const std::string& screenshot) {
    Checks checks;
    Plugin plugin = LoadPlugin(checks);
    if (!plugin.module) return checks.Finish("demo");
    Say("Loaded QuenlowPlugin.dll into the test host; right-click menu item: HTML-VORNEK\n");
    CommandCallback command = RegisterCommand(plugin);

    const std::string original = ReadFile(message);
    Host().currentMail = "demo-mail";
    Host().status = 0x8;
    Host().sources["demo-mail"] = original;
    // The host answers the header look-up with the unfolded Content-Type value.
    Host().contentType = "multipart/alternative;\tboundary=\"----=_Part_20261211_0930\"";
    ShowMessage("Before: " + message, original);

    BoxDriver driver({Answer::FirstButton});
    command(HostWindow(), 0);
    const std::vector<BoxSeen> boxes = driver.Finish();
    for (const BoxSeen& box : boxes) SayBox(box, "OK");
    checks.Check(Host().written.size() == 1, "the message was rewritten");
    if (Host().written.size() != 1) return checks.Finish("demo");
    ShowMessage("After: the source handed back to the host with BKA_SetSource",
                Host().written[0].second);

    Say("\n=== Plug-in setup: the restore dialog ===\n");
    bool pictured = false;
    BoxSeen asked;
    RunAsUser(
        [&] {
            Form f = FindForm();
            if (!f.form) return;
            // The picture once every part has painted.
            pictured = WaitUntilHostSettled() && SaveWindowPicture(f.form, screenshot);
            ClickButton(f.btnUndo);
            asked = Answered(Answer::FirstButton);
            WaitUntilClosed(f.form);
        },
        [&] { OpenSetup(plugin); });
    checks.Check(pictured, "a picture of the dialog was saved");
    Say(pictured ? "Saved a picture of the dialog: " + screenshot + "\n"
                 : "Could not save a picture\n");
    SayBox(asked, "OK");
    std::string normalised;
    for (std::size_t i = 0; i < original.size(); ++i) {
        if (original[i] == '\n' && (i == 0 || original[i - 1] != '\r')) normalised += '\r';
        normalised += original[i];
    }
    const bool back = Host().written.size() == 2 && Host().written[1].first == "demo-mail" &&
                      Host().written[1].second == normalised;
    checks.Check(back, "the original is back, line breaks as CR LF");
    Say(back ? "\nRestore wrote the original message back to demo-mail: the original is back.\n"
             : "\nThe original did not come back.\n");
    FreeLibrary(plugin.module);
    return checks.Finish("demo");
}

}  // namespace testhost
