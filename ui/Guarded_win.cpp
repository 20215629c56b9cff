// Keeps C++ exceptions out of the procedures that Windows calls back.
#include "ui/Guarded_win.h"

#include <stdexcept>

namespace vornek {

const wchar_t kFailInProcedure[] = L"HTML-VORNEK.FailInProcedure";

void FailIfAsked(UINT message) {
    // Registered messages lie in 0xC000..0xFFFF; the common ones never match.
    if (message < 0xC000) return;
    static const UINT failMessage = RegisterWindowMessageW(kFailInProcedure);
    if (failMessage != 0 && message == failMessage)
        throw std::runtime_error("failure asked for in a window procedure");
}

void FailIfAsked(HWND window) {
    if (GetPropW(window, kFailInProcedure) != nullptr)
        throw std::runtime_error("failure asked for in an enumeration");
}

}  // namespace vornek
