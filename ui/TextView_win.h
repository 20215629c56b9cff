// A read-only view of a message source that draws only the lines in sight.
//
// The restore memo must show a captured source of any size. An edit control holds
// its whole text laid out, which grows slow with tens of megabytes and stops
// working with more than 65535 lines under Wine; this view keeps the line list and
// converts from Shift-JIS only what it draws.
#pragma once

#include <windows.h>

#include <string>

#include "mime/LineList.h"

namespace vornek {

extern const wchar_t kTextViewClass[];

// The view's content and scroll position; owned by the window's owner, handed to
// CreateWindowEx as its creation parameter, and outliving the window.
struct TextViewState {
    LineList lines;
    HFONT font = nullptr;
    int lineHeight = 16;
    int charWidth = 8;
    std::size_t widestLine = 0;  // in columns (bytes, a tab as a full tab stop)
    std::size_t top = 0;         // first line in sight
    int left = 0;                // horizontal scroll, in pixels
    std::wstring text;           // the whole text, converted only when asked for
    bool textReady = false;
};

// Registers the view's window class for `instance`; returns whether it did.
bool RegisterTextView(HINSTANCE instance);

// Shows `lines` in the view from the top.
void SetTextViewLines(HWND view, const LineList& lines);

}  // namespace vornek
