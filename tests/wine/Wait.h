// Waiting for what the user waits for: a window, a click's effect, a paint.
#pragma once

#include <windows.h>

namespace testhost {

// How long any one wait may last before the scenario counts it as failed; only a
// hung or broken plug-in comes near it, however loaded the machine is.
constexpr DWORD kPatienceMs = 30000;

// Checks `condition` until it holds or `ms` milliseconds have passed (INFINITE
// waits for good); returns whether it holds.
template <typename Condition>
bool WaitUntil(Condition&& condition, DWORD ms = kPatienceMs) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (!condition()) {
        if (ms != INFINITE && GetTickCount64() >= deadline) return condition();
        Sleep(1);  // a poll, not a delay: the condition is checked again at once
    }
    return true;
}

}  // namespace testhost
