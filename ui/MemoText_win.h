// What the restore memo shows of a captured source, in UTF-16 for the edit control.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "mime/LineList.h"

namespace vornek {

// A capture up to this many bytes (its lines joined with CR LF) is shown whole. An
// edit control holding hundreds of megabytes would take minutes to lay out and
// would copy all of it on every WM_GETTEXT; the headers and the text part, which
// tell the user which message it is, come first anyway.
constexpr std::size_t kMemoShownBytes = std::size_t{8} << 20;

// The line that stands in for the part of a capture that is not shown.
std::string NotShownLine(std::size_t bytes, std::size_t lines);

// Puts the capture into `memo` (a multi-line edit control) with one WM_SETTEXT:
// whole when it fits kMemoShownBytes, else its first kMemoShownBytes cut after a
// line break and followed by NotShownLine. When that much text cannot be
// allocated or the control refuses it, only the NotShownLine for the whole capture
// is shown. Never throws.
void ShowCaptureInMemo(HWND memo, const LineList& source) noexcept;

}  // namespace vornek
