// The plug-in's own modal message box: fixed captions, no sound, no owner.
//
// The system MessageBox cannot be used: it plays its own sound and captions its
// buttons in the language of the Windows installation, while the plug-in's boxes
// sound their beep before they open and always say "OK" and "ｷｬﾝｾﾙ".
#include "ui/MessageBox_win.h"

#include <algorithm>
#include <memory>

#include "ui/GdiHandles_win.h"
#include "ui/Guarded_win.h"
#include "ui/MessageBoxControls.h"
#include "ui/ModalWindows_win.h"

namespace vornek {
namespace {

// Sizes in pixels at 96 dots per inch; the box scales them to its window's DPI.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kButtonPadding = 8;  // each side of a caption, and above and below it

struct BoxState {
    const BoxContent* content;
    FontHandle font;
    ThreadWindowsDisabled* modal;
    IconHandle icon;  // the system icon at the box's size, for as long as the box lives
};

// The DPI of the monitor the window is on where Windows tells it per window
// (Windows 10 1607 and later), else the system's.
int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}

int Scaled(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }

FontHandle CreateMessageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return FontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE MeasureText(HWND box, HFONT font, const std::wstring& text, int maxWidth, UINT format) {
    RECT r = {0, 0, maxWidth, 0};
    HDC dc = GetDC(box);
    HGDIOBJ old =
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | format);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    return {r.right - r.left, r.bottom - r.top};
}

HWND AddControl(HWND box, HFONT font, LPCWSTR cls, const std::wstring& text, DWORD style, int id,
                int x, int y, int w, int h) {
    HWND control =
        CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, box,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void LayOut(HWND box, BoxState& state) {
    const BoxContent& content = *state.content;
    HFONT font = state.font.get();
    SetWindowTextW(box, content.title.c_str());

    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int dpi = WindowDpi(box);
    const int margin = Scaled(kMargin, dpi);
    const SIZE text = MeasureText(box, font, content.text, (work.right - work.left) / 2,
                                  DT_WORDBREAK | DT_NOPREFIX);

    // The icon slot follows the system's icon size, so the text never slides under
    // a large icon at high scaling.
    const int iconSize = std::max(Scaled(kIconSize, dpi), GetSystemMetrics(SM_CXICON));
    int textX = margin;
    if (content.icon) {
        HWND icon = AddControl(box, nullptr, L"STATIC", L"", SS_ICON | SS_REALSIZEIMAGE, kBoxIconId,
                               margin, margin, iconSize, iconSize);
        // Not shared: a shared icon keeps the size it was first loaded at.
        state.icon.reset(static_cast<HICON>(
            LoadImageW(nullptr, content.icon, IMAGE_ICON, iconSize, iconSize, 0)));
        SendMessageW(icon, STM_SETICON,
                     reinterpret_cast<WPARAM>(state.icon ? state.icon.get()
                                                         : LoadIconW(nullptr, content.icon)),
                     0);
        textX += iconSize + margin;
    }
    const int textY =
        margin + (content.icon ? std::max(0, (iconSize - static_cast<int>(text.cy)) / 2) : 0);
    AddControl(box, font, L"STATIC", content.text, SS_LEFT | SS_NOPREFIX, kBoxTextId, textX, textY,
               text.cx, text.cy);

    // Every button as wide as the widest caption needs, and at least the classic size.
    const int padding = Scaled(kButtonPadding, dpi);
    int buttonWidth = Scaled(kButtonWidth, dpi);
    int buttonHeight = Scaled(kButtonHeight, dpi);
    for (const BoxButton& button : content.buttons) {
        const SIZE caption = MeasureText(box, font, button.caption, 0, DT_SINGLELINE);
        buttonWidth = std::max(buttonWidth, static_cast<int>(caption.cx) + 2 * padding);
        buttonHeight = std::max(buttonHeight, static_cast<int>(caption.cy) + padding);
    }
    const int gap = Scaled(kButtonGap, dpi);
    const int count = static_cast<int>(content.buttons.size());
    const int buttonsWidth = count * buttonWidth + (count - 1) * gap;
    const int clientWidth =
        std::max(textX + static_cast<int>(text.cx) + margin, buttonsWidth + 2 * margin);
    const int buttonsY =
        std::max(textY + static_cast<int>(text.cy), content.icon ? margin + iconSize : 0) + margin;
    const int clientHeight = buttonsY + buttonHeight + margin;

    int x = (clientWidth - buttonsWidth) / 2;
    for (int i = 0; i < count; ++i) {
        const DWORD kind = i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        AddControl(box, font, L"BUTTON", content.buttons[static_cast<std::size_t>(i)].caption,
                   kind | WS_TABSTOP, kBoxFirstButtonId + i, x, buttonsY, buttonWidth,
                   buttonHeight);
        x += buttonWidth + gap;
    }
    SendMessageW(box, DM_SETDEFID, kBoxFirstButtonId, 0);

    RECT outer = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    SetWindowPos(box, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER);
    SetFocus(GetDlgItem(box, kBoxFirstButtonId));
}

// The thread's windows are enabled before the box goes, so Windows activates the
// host again rather than whatever other program comes next.
void EndBox(HWND box, const BoxState& state, int result) {
    state.modal->Enable();
    EndDialog(box, result);
}

INT_PTR HandleBoxMessage(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    FailIfAsked(message);
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            LayOut(box, *reinterpret_cast<BoxState*>(lParam));
            return FALSE;  // focus already set on the default button
        case WM_COMMAND: {
            if (!state) return FALSE;
            const int id = LOWORD(wParam);
            const auto& buttons = state->content->buttons;
            if (id >= kBoxFirstButtonId &&
                id < kBoxFirstButtonId + static_cast<int>(buttons.size())) {
                EndBox(box, *state,
                       buttons[static_cast<std::size_t>(id - kBoxFirstButtonId)].result);
            } else if (id == IDCANCEL) {  // Esc
                EndBox(box, *state, state->content->cancelResult);
            } else if (id == IDOK && !buttons.empty()) {  // Enter with no button focused
                EndBox(box, *state, buttons.front().result);
            }
            return TRUE;
        }
        case WM_CLOSE:  // the close box and Alt+F4
            if (state) EndBox(box, *state, state->content->cancelResult);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded([&] { return HandleBoxMessage(box, message, wParam, lParam); },
                   [&]() -> INT_PTR {
                       // A box that could not lay itself out cannot be answered: it
                       // ends as if cancelled.
                       if (message == WM_INITDIALOG) {
                           const auto* state = reinterpret_cast<const BoxState*>(lParam);
                           EndBox(box, *state, state->content->cancelResult);
                       }
                       return FALSE;
                   });
}

}  // namespace

int ShowBox(const BoxContent& content) {
    // An empty template: the controls are laid out in pixels once the font is known.
    struct alignas(DWORD) Template {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } tmpl = {};
    tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;

    return Guarded(
        [&] {
            ThreadWindowsDisabled disabled;
            BoxState state{&content, CreateMessageFont(), &disabled, nullptr};
            const INT_PTR result =
                DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tmpl.header, nullptr, BoxProc,
                                        reinterpret_cast<LPARAM>(&state));
            return result <= 0 ? content.cancelResult : static_cast<int>(result);
        },
        [&] { return content.cancelResult; });
}

}  // namespace vornek
