// The restore dialog: shows the backup slot and can write it back.
#include "ui/QuenlowUnit_Undo_win.h"

#include <vector>

#include "ui/GdiHandles_win.h"
#include "ui/Guarded_win.h"
#include "ui/MemoText_win.h"
#include "ui/ModalWindows_win.h"
#include "ui/Module_win.h"
#include "ui/Text_win.h"

namespace vornek {
namespace {

// Sizes in pixels, as the form was designed; the form is not scaled.
constexpr int kFormWidth = 487;
constexpr int kFormHeight = 418;
constexpr int kTopPanelHeight = 25;
constexpr int kBottomPanelHeight = 41;
constexpr int kButtonWidth = 121;
constexpr int kButtonHeight = 25;
constexpr int kGlyphSize = 16;
constexpr int kGlyphSpacing = 4;
constexpr COLORREF kGlyphTransparent = RGB(255, 0, 255);

constexpr wchar_t kFormClass[] = L"TForm2";
constexpr wchar_t kPanelClass[] = L"TPanel";

// Shown on screen only, so written as the wide text Windows draws.
constexpr wchar_t kCloseCaption[] = L"閉じる(&C)";
constexpr wchar_t kFontName[] = L"ＭＳ Ｐゴシック";

// A panel draws a raised bevel unless it is created with this in its user data.
constexpr LONG_PTR kPanelWithoutBevel = 1;

LRESULT HandlePanelMessage(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    FailIfAsked(message);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(panel, &paint);
            if (GetWindowLongPtrW(panel, GWLP_USERDATA) != kPanelWithoutBevel) {
                RECT r;
                GetClientRect(panel, &r);
                DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
            }
            EndPaint(panel, &paint);
            return 0;
        }
        // The buttons and edits report to their panel; the form handles them.
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        // The memo asks its parent to move the focus on Tab, and for the default
        // button on Enter, as edit controls in a dialog do.
        case WM_NEXTDLGCTL:
        case DM_GETDEFID:
            return SendMessageW(GetParent(panel), message, wParam, lParam);
        case WM_CLOSE:
            // The memo posts this to its parent on Esc; Esc does nothing in the dialog,
            // and a panel must never destroy itself.
            return 0;
        default:
            return DefWindowProcW(panel, message, wParam, lParam);
    }
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded([&] { return HandlePanelMessage(panel, message, wParam, lParam); },
                   []() -> LRESULT { return 0; });
}

// Registers the form's and the panels' window classes for the life of one dialog.
class WindowClasses {
  public:
    explicit WindowClasses(HICON icon) {
        WNDCLASSEXW form = {};
        form.cbSize = sizeof form;
        form.lpfnWndProc = DefDlgProcW;
        form.cbWndExtra = DLGWINDOWEXTRA;
        form.hInstance = PluginModule();
        form.hIcon = icon;
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.lpszClassName = kFormClass;
        formRegistered_ = RegisterClassExW(&form) != 0;

        WNDCLASSEXW panel = {};
        panel.cbSize = sizeof panel;
        panel.lpfnWndProc = PanelProc;
        panel.hInstance = PluginModule();
        panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        panel.lpszClassName = kPanelClass;
        panelRegistered_ = RegisterClassExW(&panel) != 0;
    }
    ~WindowClasses() {
        // The panel procedure lives in this DLL: no class may outlive the dialog.
        if (panelRegistered_) UnregisterClassW(kPanelClass, PluginModule());
        if (formRegistered_) UnregisterClassW(kFormClass, PluginModule());
    }
    WindowClasses(const WindowClasses&) = delete;
    WindowClasses& operator=(const WindowClasses&) = delete;

  private:
    bool formRegistered_ = false;
    bool panelRegistered_ = false;
};

HWND AddChild(HWND parent, LPCWSTR cls, const std::wstring& text, DWORD style, DWORD exStyle,
              int id, int x, int y, int w, int h, HFONT font, void* createParam = nullptr) {
    HWND child = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w,
                                 h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 PluginModule(), createParam);
    if (child && font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

}  // namespace

struct TForm2::Resources {
    IconHandle icon{
        static_cast<HICON>(LoadImageW(PluginModule(), MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0))};
    IconHandle smallIcon{
        static_cast<HICON>(LoadImageW(PluginModule(), MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0))};
    FontHandle font{CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, kFontName)};
    BitmapHandle restoreGlyph{static_cast<HBITMAP>(
        LoadImageW(PluginModule(), L"RESTORE_GLYPH", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))};
    BitmapHandle closeGlyph{static_cast<HBITMAP>(
        LoadImageW(PluginModule(), L"CLOSE_GLYPH", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))};
    WindowClasses classes{icon.get()};
    std::wstring bitBtn1Caption = L"Version Info  (&V)";
    std::wstring btnUndoCaption = L" Restore(&U)";
    std::wstring bitBtn2Caption = kCloseCaption;
};

TForm2::TForm2() : resources_(std::make_unique<Resources>()) {
    // An empty dialog template of the form's class: the components are placed in
    // pixels below, as the form was designed.
    std::vector<WORD> tmpl(
        sizeof(DLGTEMPLATE) / sizeof(WORD) + 2 + sizeof kFormClass / sizeof(WORD) + 1, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
    header->style =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    WORD* tail = tmpl.data() + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *tail++ = 0;  // no menu
    for (const wchar_t* c = kFormClass; *c; ++c) *tail++ = static_cast<WORD>(*c);
    *tail++ = 0;  // end of the class name
    *tail = 0;    // no title yet
    HWND created = CreateDialogIndirectParamW(PluginModule(), header, nullptr, FormProc,
                                              reinterpret_cast<LPARAM>(this));
    if (!created || !componentsCreated_) {
        if (created) DestroyWindow(created);
        form_ = nullptr;
        throw DialogNotCreated();
    }
    FormCreate();
}

TForm2::~TForm2() {
    if (form_) DestroyWindow(form_);
}

void TForm2::FormCreate() { SetupResult = 0; }

void TForm2::CreateComponents() {
    HFONT font = resources_->font.get();
    SetWindowTextW(form_, L"HTML_VORNEK");
    SendMessageW(form_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(form_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(resources_->icon.get()));
    SendMessageW(form_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(resources_->smallIcon.get()));

    // Creation order is tab order: the panels Panel1, Panel2, Panel3, and in Panel1
    // btnUndo, BitBtn2, BitBtn1.
    const DWORD panelStyle = WS_CLIPCHILDREN;
    HWND panel1 = AddChild(form_, kPanelClass, L"", panelStyle, WS_EX_CONTROLPARENT, kPanel1Id, 0,
                           0, 0, 0, font);
    SetWindowLongPtrW(panel1, GWLP_USERDATA, kPanelWithoutBevel);
    HWND panel2 = AddChild(form_, kPanelClass, L"", panelStyle, WS_EX_CONTROLPARENT, kPanel2Id, 0,
                           0, 0, 0, font);
    HWND panel3 = AddChild(form_, kPanelClass, L"", panelStyle, WS_EX_CONTROLPARENT, kPanel3Id, 0,
                           0, 0, 0, font);

    const DWORD button = BS_OWNERDRAW | WS_TABSTOP;
    AddChild(panel1, L"BUTTON", resources_->btnUndoCaption, button, 0, kBtnUndoId, 224, 8,
             kButtonWidth, kButtonHeight, font);
    AddChild(panel1, L"BUTTON", resources_->bitBtn2Caption, button, 0, kBitBtn2Id, 352, 8,
             kButtonWidth, kButtonHeight, font);
    AddChild(panel1, L"BUTTON", resources_->bitBtn1Caption, button, 0, kBitBtn1Id, 0, 8,
             kButtonWidth, kButtonHeight, font);

    // The standard memo: selection, copy, a caret and screen readers come with it.
    HWND memo = AddChild(panel2, L"EDIT", L"",
                         ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
                             ES_NOHIDESEL | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP,
                         WS_EX_CLIENTEDGE, kMemo1Id, 0, 0, 0, 0, font);
    // No limit of its own: what the memo takes is decided by ShowCaptureInMemo.
    SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);

    HDC dc = GetDC(panel3);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE label = {};
    GetTextExtentPoint32W(dc, L"Mail ID", 7, &label);
    SelectObject(dc, old);
    ReleaseDC(panel3, dc);
    AddChild(panel3, L"STATIC", L"Mail ID", SS_LEFT | SS_NOPREFIX, 0, kLabel1Id, 8, 6, label.cx,
             label.cy, font);
    AddChild(panel3, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE,
             kEdtMailIdId, 56, 0, 417, 23, font);

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kFormWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kFormHeight) / 2;
    SetWindowPos(form_, nullptr, x, y, kFormWidth, kFormHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    componentsCreated_ = memo != nullptr;
}

// The top and bottom panels keep their heights across the full width; the memo's
// panel takes the rest, and the memo fills it inside its bevel.
void TForm2::LayOut() {
    RECT client;
    GetClientRect(form_, &client);
    const int w = client.right;
    const int h = client.bottom;
    const int middle =
        h - kTopPanelHeight - kBottomPanelHeight > 0 ? h - kTopPanelHeight - kBottomPanelHeight : 0;
    HWND panel2 = GetDlgItem(form_, kPanel2Id);
    MoveWindow(GetDlgItem(form_, kPanel3Id), 0, 0, w, kTopPanelHeight, TRUE);
    MoveWindow(panel2, 0, kTopPanelHeight, w, middle, TRUE);
    MoveWindow(GetDlgItem(form_, kPanel1Id), 0, kTopPanelHeight + middle, w, kBottomPanelHeight,
               TRUE);
    MoveWindow(GetDlgItem(panel2, kMemo1Id), 1, 1, w > 2 ? w - 2 : 0, middle > 2 ? middle - 2 : 0,
               TRUE);
}

void TForm2::ShowBackup(const TBuckup& backup) {
    ShowCaptureInMemo(GetDlgItem(GetDlgItem(form_, kPanel2Id), kMemo1Id), backup.Source);
    SetWindowTextW(GetDlgItem(GetDlgItem(form_, kPanel3Id), kEdtMailIdId),
                   FromShiftJis(backup.MailID).c_str());
    EnableWindow(GetDlgItem(GetDlgItem(form_, kPanel1Id), kBtnUndoId), HoldsCapture(backup));
}

void TForm2::ShowModal() {
    closed_ = false;
    restoreConfirmed_ = false;
    {
        ThreadWindowsDisabled disabled;
        ShowWindow(form_, SW_SHOW);
        SetForegroundWindow(form_);
        HWND panel1 = GetDlgItem(form_, kPanel1Id);
        HWND undo = GetDlgItem(panel1, kBtnUndoId);
        SetFocus(IsWindowEnabled(undo) ? undo : GetDlgItem(panel1, kBitBtn2Id));
        MSG msg;
        while (!closed_) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // the host's own loop must see it
                break;
            }
            if (got == -1) break;
            if (!IsDialogMessageW(form_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }  // the host's windows are enabled again before the form goes
    ShowWindow(form_, SW_HIDE);
    // Only this dialog's own answer counts: a Restore confirmed in another dialog
    // while this one was open has been written back already.
    SetupResult = restoreConfirmed_ ? RestoreConfirmed : 0;
}

void TForm2::btnUndoClick() {
    if (ConfirmRestore(prompts_)) {
        restoreConfirmed_ = true;
        Close();
    }
}

void TForm2::BitBtn1Click() { prompts_.ShowMessage(VersionNotice()); }

void TForm2::Click(int id) {
    switch (id) {
        case kBtnUndoId:
            btnUndoClick();
            break;
        case kBitBtn1Id:
            BitBtn1Click();
            break;
        case kBitBtn2Id:
            Close();
            break;
        default:
            break;
    }
}

void TForm2::DrawButton(const DRAWITEMSTRUCT& item) {
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT r = item.rcItem;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    const std::wstring* caption = &resources_->bitBtn1Caption;
    HBITMAP glyph = nullptr;
    if (item.CtlID == kBtnUndoId) {
        caption = &resources_->btnUndoCaption;
        glyph = resources_->restoreGlyph.get();
    } else if (item.CtlID == kBitBtn2Id) {
        caption = &resources_->bitBtn2Caption;
        glyph = resources_->closeGlyph.get();
    }

    HGDIOBJ oldFont = SelectObject(item.hDC, resources_->font.get());
    RECT text = {0, 0, 0, 0};
    DrawTextW(item.hDC, caption->c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    const int glyphWidth = glyph ? kGlyphSize + kGlyphSpacing : 0;
    const int offset = pushed ? 1 : 0;
    int x = r.left + (r.right - r.left - glyphWidth - text.right) / 2 + offset;
    if (glyph) {
        HDC source = CreateCompatibleDC(item.hDC);
        HGDIOBJ oldBitmap = SelectObject(source, glyph);
        const int y = r.top + (r.bottom - r.top - kGlyphSize) / 2 + offset;
        // The glyph holds the enabled image, then the disabled one.
        TransparentBlt(item.hDC, x, y, kGlyphSize, kGlyphSize, source, disabled ? kGlyphSize : 0, 0,
                       kGlyphSize, kGlyphSize, kGlyphTransparent);
        SelectObject(source, oldBitmap);
        DeleteDC(source);
        x += glyphWidth;
    }
    RECT place = {x, r.top + offset, x + text.right, r.bottom + offset};
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(item.hDC, caption->c_str(), -1, &place, DT_SINGLELINE | DT_VCENTER);
    SelectObject(item.hDC, oldFont);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -4, -4);
        DrawFocusRect(item.hDC, &r);
    }
}

INT_PTR CALLBACK TForm2::FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded([&] { return HandleMessage(window, message, wParam, lParam); },
                   []() -> INT_PTR { return FALSE; });
}

INT_PTR TForm2::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FailIfAsked(message);
    auto* self = reinterpret_cast<TForm2*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<TForm2*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            self->form_ = window;
            self->CreateComponents();
            return FALSE;
        case WM_SIZE:
            if (self) self->LayOut();
            return TRUE;
        case WM_DRAWITEM:
            if (self) self->DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_COMMAND: {
            if (!self) return FALSE;
            const int id = LOWORD(wParam);
            if (id == IDOK) {
                // Enter: there is no default button, so it acts on the focused one.
                HWND focus = GetFocus();
                if (focus && GetParent(focus) == GetDlgItem(window, kPanel1Id) &&
                    IsWindowEnabled(focus)) {
                    self->Click(GetDlgCtrlID(focus));
                }
            } else if (id == IDCANCEL) {
                // Esc does nothing: there is no cancel button.
            } else if (HIWORD(wParam) == BN_CLICKED) {
                self->Click(id);
            }
            return TRUE;
        }
        case WM_CLOSE:
            if (self) self->Close();
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace vornek
