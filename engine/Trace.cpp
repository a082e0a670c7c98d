#include "engine/Trace.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
FILE* OpenTrace() {
    // Read wide, so that a trace file in a folder of any name is found.
    const wchar_t* path = _wgetenv(L"PELORIN_TRACE");
    return path && *path ? _wfopen(path, L"a") : nullptr;
}

// A FILETIME as one number of 100 ns units.
ULONGLONG Ticks(const FILETIME& time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}
}  // namespace

void TraceMark(const char* what) {
    static FILE* const trace = OpenTrace();
    if (!trace)
        return;
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    // 100 ns units since 1601 -> microseconds since 1970.
    ULONGLONG us = (Ticks(ft) - 116444736000000000ULL) / 10;
    // And the CPU time the process has used so far (user + kernel).
    FILETIME created, exited, kernel, user;
    double cpu = 0;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        cpu = (Ticks(kernel) + Ticks(user)) / 1e7;
    std::fprintf(trace, "%llu.%06llu %s cpu=%.3f\n", us / 1000000, us % 1000000, what, cpu);
    // Unbuffered in effect: the program may end in any way.
    std::fflush(trace);
}
