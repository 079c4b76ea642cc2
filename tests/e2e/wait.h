// Bounded polling: every wait in the harness ends, with a result that says
// whether the condition was met in time.
#pragma once

#include <windows.h>

namespace e2e {

// Calls `done` every `stepMs` until it returns true or `timeoutMs` has
// passed; returns whether it returned true. `done` is tried at least once.
template <class Condition>
bool WaitUntil(Condition done, DWORD timeoutMs, DWORD stepMs = 50) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() - start >= timeoutMs) return false;
        Sleep(stepMs);
    }
}

}  // namespace e2e
