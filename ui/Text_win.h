// Converts the plug-in's Shift-JIS texts to UTF-16 for the wide-character Win32 API.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vornek {

// Shift-JIS (code page 932) to UTF-16, whatever the system's ANSI code page is.
std::wstring FromShiftJis(std::string_view text);

}  // namespace vornek
