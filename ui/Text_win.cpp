// Converts the plug-in's Shift-JIS texts to UTF-16 for the wide-character Win32 API.
#include "ui/Text_win.h"

#include <climits>

namespace vornek {

constexpr UINT kShiftJisCodePage = 932;

std::wstring FromShiftJis(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), length, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), length, &out[0], wide);
    return out;
}

}  // namespace vornek
