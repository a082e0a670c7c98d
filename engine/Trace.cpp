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
}  // namespace

void TraceMark(const char* what) {
    static FILE* const trace = OpenTrace();
    if (!trace)
        return;
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    // 100 ns units since 1601 -> microseconds since 1970.
    ULONGLONG us = (t - 116444736000000000ULL) / 10;
    // And the CPU time the process has used so far (user + kernel).
    FILETIME created, exited, kernel, user;
    double cpu = 0;
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        cpu = ((static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
               (static_cast<ULONGLONG>(user.dwHighDateTime) << 32 | user.dwLowDateTime)) / 1e7;
    std::fprintf(trace, "%llu.%06llu %s cpu=%.3f\n", us / 1000000, us % 1000000, what, cpu);
    // Unbuffered in effect: the program may end in any way.
    std::fflush(trace);
}
