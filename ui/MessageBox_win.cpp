// The plug-in's own modal message box: fixed captions, no sound, no owner.
//
// The system MessageBox cannot be used: it plays its own sound and captions its
// buttons in the language of the Windows installation, while the plug-in's boxes
// sound their beep before they open and always say "OK" and "ｷｬﾝｾﾙ".
#include "MessageBox_win.h"

#include <algorithm>
#include <memory>

#include "GdiHandles_win.h"
#include "ModalWindows_win.h"

namespace vornek {
namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;

struct BoxState {
    const BoxContent* content;
    FontHandle font;
};

FontHandle CreateMessageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return FontHandle(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE MeasureText(HWND box, HFONT font, const std::wstring& text, int maxWidth) {
    RECT r = {0, 0, maxWidth, 0};
    HDC dc = GetDC(box);
    HGDIOBJ old =
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
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
    const SIZE text = MeasureText(box, font, content.text, (work.right - work.left) / 2);

    int textX = kMargin;
    if (content.icon) {
        HWND icon = AddControl(box, nullptr, L"STATIC", L"", SS_ICON, kBoxIconId, kMargin, kMargin,
                               kIconSize, kIconSize);
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, content.icon)),
                     0);
        textX += kIconSize + kMargin;
    }
    const int textY =
        kMargin + (content.icon ? std::max(0, (kIconSize - static_cast<int>(text.cy)) / 2) : 0);
    AddControl(box, font, L"STATIC", content.text, SS_LEFT | SS_NOPREFIX, kBoxTextId, textX, textY,
               text.cx, text.cy);

    const int count = static_cast<int>(content.buttons.size());
    const int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    const int clientWidth =
        std::max(textX + static_cast<int>(text.cx) + kMargin, buttonsWidth + 2 * kMargin);
    const int buttonsY =
        std::max(textY + static_cast<int>(text.cy), content.icon ? kMargin + kIconSize : 0) +
        kMargin;
    const int clientHeight = buttonsY + kButtonHeight + kMargin;

    int x = (clientWidth - buttonsWidth) / 2;
    for (int i = 0; i < count; ++i) {
        const DWORD kind = i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        AddControl(box, font, L"BUTTON", content.buttons[static_cast<std::size_t>(i)].caption,
                   kind | WS_TABSTOP, kBoxFirstButtonId + i, x, buttonsY, kButtonWidth,
                   kButtonHeight);
        x += kButtonWidth + kButtonGap;
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

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
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
                EndDialog(box, buttons[static_cast<std::size_t>(id - kBoxFirstButtonId)].result);
            } else if (id == IDCANCEL) {  // Esc
                EndDialog(box, state->content->cancelResult);
            } else if (id == IDOK && !buttons.empty()) {  // Enter with no button focused
                EndDialog(box, buttons.front().result);
            }
            return TRUE;
        }
        case WM_CLOSE:  // the close box and Alt+F4
            if (state) EndDialog(box, state->content->cancelResult);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int ShowBox(const BoxContent& content) {
    // An empty template: the controls are laid out in pixels once the font is known.
    struct alignas(DWORD) Template {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } tmpl = {};
    tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;

    BoxState state{&content, CreateMessageFont()};
    ThreadWindowsDisabled disabled;
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tmpl.header, nullptr,
                                                   BoxProc, reinterpret_cast<LPARAM>(&state));
    return result <= 0 ? content.cancelResult : static_cast<int>(result);
}

}  // namespace vornek
