// Waiting on the user-interface thread without blocking it: messages keep
// being dispatched until a condition holds or a deadline passes.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches messages until done() is true; false if the time ran out first.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches messages for the given time.
void PumpFor(DWORD ms);

// Runs action once, from whatever message loop is running after ms
// milliseconds (a modal one included): a thread timer with a callback. One
// action is pending at a time; a new call replaces it.
void RunSoon(std::function<void()> action, UINT ms);

// A manual-reset event, closed with the scope: one thread waits for another.
struct TGate {
    HANDLE Handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~TGate() { CloseHandle(Handle); }
    TGate() = default;
    TGate(const TGate&) = delete;
    TGate& operator=(const TGate&) = delete;
    void Open() { SetEvent(Handle); }
    bool Wait(DWORD ms) { return WaitForSingleObject(Handle, ms) == WAIT_OBJECT_0; }
};
