#include "support/Pump.h"

#include "framework/Forms.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Application->ProcessMessages();
        if (done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        // Wake for any message, or at least every 20 ms to look again.
        DWORD wait = timeoutMs - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 20 ? wait : 20, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {
std::function<void()> gPending;

void CALLBACK FirePending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = std::move(gPending);
    gPending = nullptr;
    if (action)
        action();
}
}  // namespace

void RunSoon(std::function<void()> action, UINT ms) {
    gPending = std::move(action);
    SetTimer(nullptr, 0, ms, &FirePending);
}
