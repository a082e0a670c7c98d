#include "engine/Trace.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
FILE* OpenTrace() {
    const char* path = std::getenv("PELORIN_TRACE");
    return path && *path ? std::fopen(path, "a") : nullptr;
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
    std::fprintf(trace, "%llu.%06llu %s\n", us / 1000000, us % 1000000, what);
    // Unbuffered in effect: the program may end in any way.
    std::fflush(trace);
}
