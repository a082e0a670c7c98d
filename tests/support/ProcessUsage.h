// What this process holds of the system: window-manager and drawing objects,
// kernel handles and private memory, for tests that look for leaks over long
// use.
#pragma once

#include <windows.h>

#include <string>

struct TProcessUsage {
    // GetGuiResources; 0 where the system does not count them.
    DWORD UserObjects = 0;
    DWORD GdiObjects = 0;
    // Counted by hand, for systems whose GetGuiResources is a stub: every
    // window of the process (top-level, child and message-only), and every
    // live drawing-object handle.
    DWORD Windows = 0;
    DWORD GdiProbed = 0;
    DWORD HandleCount = 0;    // GetProcessHandleCount; 0 where it is a stub
    DWORD HandlesListed = 0;  // this process's entries in the system's handle list
    SIZE_T PrivateUsage = 0;  // GetProcessMemoryInfo; 0 where it is not counted
    // Private committed memory found by walking the address space.
    SIZE_T CommittedPrivate = 0;
    DWORD Threads = 0;  // threads of this process now running

    // The figures that stand for each kind: the system's own count where it
    // has one, the count by hand otherwise.
    DWORD User() const { return UserObjects ? UserObjects : Windows; }
    DWORD Gdi() const { return GdiObjects ? GdiObjects : GdiProbed; }
    DWORD Handles() const { return HandleCount ? HandleCount : HandlesListed; }
    SIZE_T Private() const { return PrivateUsage ? PrivateUsage : CommittedPrivate; }
    std::string Describe() const;
};

TProcessUsage MeasureProcessUsage();

// The threads of this process now running.
DWORD CountThreads();
