// A read-only view of a message source that draws only the lines in sight.
#include "TextView_win.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "Text_win.h"

namespace vornek {

const wchar_t kTextViewClass[] = L"TMemo";

namespace {

constexpr int kTextMargin = 2;
constexpr int kWheelLines = 3;
constexpr std::size_t kTabColumns = 8;

// Tabs become blanks up to the next tab stop, as an edit control would show them.
std::wstring ExpandTabs(const std::wstring& line) {
    if (line.find(L'\t') == std::wstring::npos) return line;
    std::wstring out;
    for (wchar_t ch : line) {
        if (ch == L'\t') {
            out.append(kTabColumns - out.size() % kTabColumns, L' ');
        } else {
            out += ch;
        }
    }
    return out;
}

// The columns a line takes, counting a tab as a full tab stop.
std::size_t ColumnsOf(std::string_view line) {
    std::size_t columns = 0;
    for (char ch : line) columns += ch == '\t' ? kTabColumns : 1;
    return columns;
}

TextViewState* StateOf(HWND view) {
    return reinterpret_cast<TextViewState*>(GetWindowLongPtrW(view, GWLP_USERDATA));
}

int VisibleLines(HWND view, const TextViewState& s) {
    RECT r;
    GetClientRect(view, &r);
    return std::max(1, static_cast<int>(r.bottom) / s.lineHeight);
}

std::size_t LastTop(HWND view, const TextViewState& s) {
    const std::size_t visible = static_cast<std::size_t>(VisibleLines(view, s));
    return s.lines.Count() > visible ? s.lines.Count() - visible : 0;
}

int TextWidth(const TextViewState& s) {
    const std::size_t width =
        s.widestLine * static_cast<std::size_t>(s.charWidth) + 2 * kTextMargin;
    return static_cast<int>(std::min<std::size_t>(width, INT_MAX / 2));
}

int ClampPosition(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

void UpdateScrollBars(HWND view, TextViewState& s) {
    RECT r;
    GetClientRect(view, &r);
    s.top = std::min(s.top, LastTop(view, s));
    s.left = std::max(0, std::min(s.left, TextWidth(s) - static_cast<int>(r.right)));

    SCROLLINFO v = {};
    v.cbSize = sizeof v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;  // both bars always show
    v.nMax = s.lines.Count() > 0 ? ClampPosition(s.lines.Count() - 1) : 0;
    v.nPage = static_cast<UINT>(VisibleLines(view, s));
    v.nPos = ClampPosition(s.top);
    SetScrollInfo(view, SB_VERT, &v, TRUE);

    SCROLLINFO h = {};
    h.cbSize = sizeof h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    h.nMax = TextWidth(s);
    h.nPage = static_cast<UINT>(std::max(0L, static_cast<long>(r.right)));
    h.nPos = s.left;
    SetScrollInfo(view, SB_HORZ, &h, TRUE);
}

void ScrollTo(HWND view, TextViewState& s, long long top, int left) {
    const long long last = static_cast<long long>(LastTop(view, s));
    s.top = static_cast<std::size_t>(std::max(0LL, std::min(top, last)));
    s.left = left;
    UpdateScrollBars(view, s);
    InvalidateRect(view, nullptr, TRUE);
}

int TrackPosition(HWND view, int bar) {
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(view, bar, &info);
    return info.nTrackPos;
}

void MeasureFont(HWND view, TextViewState& s) {
    HDC dc = GetDC(view);
    HGDIOBJ old =
        SelectObject(dc, s.font ? static_cast<HGDIOBJ>(s.font) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(view, dc);
    s.lineHeight = std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
    s.charWidth = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
}

const std::wstring& WholeText(TextViewState& s) {
    if (!s.textReady) {
        s.text = FromShiftJis(s.lines.GetText());
        s.textReady = true;
    }
    return s.text;
}

void CopyToClipboard(HWND view, TextViewState& s) {
    const std::wstring& text = WholeText(s);
    if (!OpenClipboard(view)) return;
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = GlobalLock(block)) {
            std::memcpy(p, text.c_str(), bytes);
            GlobalUnlock(block);
            if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

void Paint(HWND view, TextViewState& s) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(view, &paint);
    RECT client;
    GetClientRect(view, &client);
    HGDIOBJ old =
        SelectObject(dc, s.font ? static_cast<HGDIOBJ>(s.font) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    const std::size_t first = s.top + static_cast<std::size_t>(paint.rcPaint.top / s.lineHeight);
    int y = static_cast<int>(first - s.top) * s.lineHeight;
    for (std::size_t i = first; y < paint.rcPaint.bottom; ++i, y += s.lineHeight) {
        RECT row = {0, y, client.right, y + s.lineHeight};
        const std::wstring line =
            i < s.lines.Count() ? ExpandTabs(FromShiftJis(s.lines.Get(i))) : std::wstring();
        ExtTextOutW(dc, kTextMargin - s.left, y, ETO_OPAQUE | ETO_CLIPPED, &row, line.c_str(),
                    static_cast<UINT>(line.size()), nullptr);
    }
    if (GetFocus() == view) DrawFocusRect(dc, &client);
    SelectObject(dc, old);
    EndPaint(view, &paint);
}

LRESULT CALLBACK TextViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            view, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    TextViewState* s = StateOf(view);
    if (!s) return DefWindowProcW(view, message, wParam, lParam);
    switch (message) {
        case WM_SETFONT:
            s->font = reinterpret_cast<HFONT>(wParam);
            MeasureFont(view, *s);
            UpdateScrollBars(view, *s);
            if (LOWORD(lParam)) InvalidateRect(view, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(s->font);
        case WM_SIZE:
            UpdateScrollBars(view, *s);
            return 0;
        case WM_PAINT:
            Paint(view, *s);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(view, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(view);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_VSCROLL: {
            const long long top = static_cast<long long>(s->top);
            const int page = VisibleLines(view, *s);
            switch (LOWORD(wParam)) {
                case SB_LINEUP:
                    ScrollTo(view, *s, top - 1, s->left);
                    break;
                case SB_LINEDOWN:
                    ScrollTo(view, *s, top + 1, s->left);
                    break;
                case SB_PAGEUP:
                    ScrollTo(view, *s, top - page, s->left);
                    break;
                case SB_PAGEDOWN:
                    ScrollTo(view, *s, top + page, s->left);
                    break;
                case SB_TOP:
                    ScrollTo(view, *s, 0, s->left);
                    break;
                case SB_BOTTOM:
                    ScrollTo(view, *s, LLONG_MAX / 2, s->left);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    ScrollTo(view, *s, TrackPosition(view, SB_VERT), s->left);
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_HSCROLL: {
            RECT r;
            GetClientRect(view, &r);
            const long long top = static_cast<long long>(s->top);
            switch (LOWORD(wParam)) {
                case SB_LINELEFT:
                    ScrollTo(view, *s, top, s->left - s->charWidth);
                    break;
                case SB_LINERIGHT:
                    ScrollTo(view, *s, top, s->left + s->charWidth);
                    break;
                case SB_PAGELEFT:
                    ScrollTo(view, *s, top, s->left - r.right);
                    break;
                case SB_PAGERIGHT:
                    ScrollTo(view, *s, top, s->left + r.right);
                    break;
                case SB_LEFT:
                    ScrollTo(view, *s, top, 0);
                    break;
                case SB_RIGHT:
                    ScrollTo(view, *s, top, INT_MAX);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    ScrollTo(view, *s, top, TrackPosition(view, SB_HORZ));
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            ScrollTo(view, *s, static_cast<long long>(s->top) - notches * kWheelLines, s->left);
            return 0;
        }
        case WM_KEYDOWN:
            // The keys scroll as the scroll bars do.
            switch (wParam) {
                case VK_UP:
                    return SendMessageW(view, WM_VSCROLL, SB_LINEUP, 0);
                case VK_DOWN:
                    return SendMessageW(view, WM_VSCROLL, SB_LINEDOWN, 0);
                case VK_PRIOR:
                    return SendMessageW(view, WM_VSCROLL, SB_PAGEUP, 0);
                case VK_NEXT:
                    return SendMessageW(view, WM_VSCROLL, SB_PAGEDOWN, 0);
                case VK_LEFT:
                    return SendMessageW(view, WM_HSCROLL, SB_LINELEFT, 0);
                case VK_RIGHT:
                    return SendMessageW(view, WM_HSCROLL, SB_LINERIGHT, 0);
                case VK_HOME:  // Ctrl+Home: the start of the text
                    if (GetKeyState(VK_CONTROL) < 0) SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
                    return SendMessageW(view, WM_HSCROLL, SB_LEFT, 0);
                case VK_END:  // Ctrl+End: the last lines
                    return GetKeyState(VK_CONTROL) < 0
                               ? SendMessageW(view, WM_VSCROLL, SB_BOTTOM, 0)
                               : SendMessageW(view, WM_HSCROLL, SB_RIGHT, 0);
                default:
                    return 0;
            }
        case WM_CHAR:
            if (wParam == 3) CopyToClipboard(view, *s);  // Ctrl+C copies the whole source
            return 0;
        case WM_COPY:
            CopyToClipboard(view, *s);
            return 0;
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(std::min<std::size_t>(WholeText(*s).size(), INT_MAX));
        case WM_GETTEXT: {
            if (wParam == 0 || lParam == 0) return 0;
            const std::wstring& text = WholeText(*s);
            const std::size_t n =
                std::min<std::size_t>(text.size(), static_cast<std::size_t>(wParam) - 1);
            std::memcpy(reinterpret_cast<wchar_t*>(lParam), text.c_str(), n * sizeof(wchar_t));
            reinterpret_cast<wchar_t*>(lParam)[n] = L'\0';
            return static_cast<LRESULT>(n);
        }
        case WM_SETTEXT:
            return FALSE;  // read-only
        case EM_GETLINECOUNT:
            return static_cast<LRESULT>(std::min<std::size_t>(s->lines.Count(), INT_MAX));
        default:
            return DefWindowProcW(view, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterTextView(HINSTANCE instance) {
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = TextViewProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kTextViewClass;
    return RegisterClassExW(&cls) != 0;
}

void SetTextViewLines(HWND view, const LineList& lines) {
    TextViewState* s = StateOf(view);
    if (!s) return;
    s->lines = lines;
    s->widestLine = 0;
    for (std::size_t i = 0; i < lines.Count(); ++i)
        s->widestLine = std::max(s->widestLine, ColumnsOf(lines.Get(i)));
    s->text.clear();
    s->textReady = false;
    s->top = 0;
    s->left = 0;
    UpdateScrollBars(view, *s);
    InvalidateRect(view, nullptr, TRUE);
}

}  // namespace vornek
