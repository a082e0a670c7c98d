#include "support/ProcessUsage.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct TWindowCount {
    DWORD ProcessId;
    DWORD Count;
};

BOOL CALLBACK CountChild(HWND wnd, LPARAM param) {
    ++reinterpret_cast<TWindowCount*>(param)->Count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM param) {
    auto* count = reinterpret_cast<TWindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == count->ProcessId) {
        ++count->Count;
        EnumChildWindows(wnd, &CountChild, param);  // every level below
    }
    return TRUE;
}

DWORD CountWindows() {
    TWindowCount count{GetCurrentProcessId(), 0};
    EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&count));
    // Message-only windows (timers and the like) are not top-level windows.
    for (HWND wnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); wnd;
         wnd = FindWindowExA(HWND_MESSAGE, wnd, nullptr, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        if (pid == count.ProcessId)
            ++count.Count;
    }
    return count.Count;
}

// Every value a drawing-object handle's index can take, asked one by one.
// Only meaningful where handles are table indexes that the type query
// accepts without their upper half (Wine); elsewhere it finds nothing.
DWORD ProbeGdiHandles() {
    DWORD live = 0;
    for (UINT_PTR index = 1; index <= 0xFFFF; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)))
            ++live;
    return live;
}

// The system's list of every process's handles (as NtQuerySystemInformation
// gives it for class 16), counted for this process.
DWORD ListedHandles() {
    struct TEntry {
        ULONG ProcessId;
        UCHAR ObjectType, Flags;
        USHORT Handle;
        PVOID Object;
        ACCESS_MASK Access;
    };
    using TQuery = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<TQuery>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query)
        return 0;
    std::vector<char> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
            const auto* entries = reinterpret_cast<const TEntry*>(buffer.data() + sizeof(ULONG_PTR));
            DWORD mine = 0;
            for (ULONG i = 0; i < count; ++i)
                if (entries[i].ProcessId == GetCurrentProcessId())
                    ++mine;
            return mine;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return 0;
}

SIZE_T CommittedPrivateMemory() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return total;
}
}  // namespace

TProcessUsage MeasureProcessUsage() {
    TProcessUsage u;
    HANDLE self = GetCurrentProcess();
    u.UserObjects = GetGuiResources(self, GR_USEROBJECTS);
    u.GdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    u.Windows = CountWindows();
    u.GdiProbed = u.GdiObjects ? 0 : ProbeGdiHandles();
    if (!GetProcessHandleCount(self, &u.HandleCount))
        u.HandleCount = 0;
    u.HandlesListed = ListedHandles();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        u.PrivateUsage = memory.PrivateUsage;
    u.CommittedPrivate = CommittedPrivateMemory();
    u.Threads = CountThreads();
    return u;
}

DWORD CountThreads() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    CloseHandle(snapshot);
    return count;
}

std::string TProcessUsage::Describe() const {
    char text[400];
    std::snprintf(text, sizeof text,
                  "USER %lu (GetGuiResources %lu, windows %lu), GDI %lu (GetGuiResources %lu, probed %lu), "
                  "handles %lu (GetProcessHandleCount %lu, listed %lu), private %.2f MiB (PrivateUsage %.2f, "
                  "committed private %.2f), threads %lu",
                  static_cast<unsigned long>(User()), static_cast<unsigned long>(UserObjects),
                  static_cast<unsigned long>(Windows), static_cast<unsigned long>(Gdi()),
                  static_cast<unsigned long>(GdiObjects), static_cast<unsigned long>(GdiProbed),
                  static_cast<unsigned long>(Handles()), static_cast<unsigned long>(HandleCount),
                  static_cast<unsigned long>(HandlesListed), Private() / 1048576.0, PrivateUsage / 1048576.0,
                  CommittedPrivate / 1048576.0, static_cast<unsigned long>(Threads));
    return text;
}
