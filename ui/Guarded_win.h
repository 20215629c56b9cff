// Keeps C++ exceptions out of the procedures that Windows calls back.
//
// An exception that unwinds into user32 ends the host's process (the 32-bit build
// unwinds with DWARF tables, which cannot cross the system's frames), so every
// window, dialog and enumeration procedure runs its body through Guarded.
#pragma once

#include <windows.h>

namespace vornek {

// The name of a registered window message and of a window property. A procedure
// that receives the message, or an enumeration that meets a window carrying the
// property, throws, so the Wine tests can show that nothing escapes; nothing else
// ever sends or sets it.
extern const wchar_t kFailInProcedure[];

// Throws when `message` is the registered message named kFailInProcedure.
void FailIfAsked(UINT message);
// Throws when `window` carries the property named kFailInProcedure.
void FailIfAsked(HWND window);

// Runs `body` and returns its result; when it throws, runs `failed` (which must not
// throw) and returns that instead.
template <typename Body, typename Failed>
auto Guarded(Body&& body, Failed&& failed) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return failed();
    }
}

}  // namespace vornek
