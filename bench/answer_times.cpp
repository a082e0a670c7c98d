// How quickly another program's window answers while it opens a file, seen
// the way the window system and other programs see it: a message sent every
// 10 ms with a time-out, the delay of each answer recorded.
//
//   answer_times.exe HWND TRACE-FILE
//
// HWND is the window (a decimal number); TRACE-FILE is the PELORIN_TRACE file
// the program writes. Prints "ready" once it sends, then sends WM_NULL every
// 10 ms (time-out 2 s) until the trace shows an opening that has started
// playing ("open.start", later "run") and 300 ms more, or 120 s have passed.
// Then prints one line of figures for the messages sent between the two
// marks, and one for those sent before the opening.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// Microseconds since 1970, the clock of the trace's time stamps.
long long UnixMicroseconds() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<long long>((t - 116444736000000000ULL) / 10);
}

struct TSample {
    long long SentAt;  // microseconds since 1970
    double Delay;      // milliseconds; the time-out's length when unanswered
    bool Answered;
};

// The time of the last "open.start" in the trace and of the first "run" after
// it; 0 for what is not there yet.
void ReadMarks(const char* path, long long& opened, long long& ran) {
    opened = ran = 0;
    FILE* f = std::fopen(path, "r");
    if (!f)
        return;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long seconds = 0, micro = 0;
        char what[64] = "";
        if (std::sscanf(line, "%llu.%llu %63s", &seconds, &micro, what) != 3)
            continue;
        long long at = static_cast<long long>(seconds * 1000000 + micro);
        if (std::strcmp(what, "open.start") == 0) {
            opened = at;
            ran = 0;
        } else if (std::strcmp(what, "run") == 0 && opened && !ran) {
            ran = at;
        }
    }
    std::fclose(f);
}

void Print(const char* label, std::vector<TSample> samples) {
    if (samples.empty()) {
        std::printf("%s: no messages\n", label);
        return;
    }
    int unanswered = 0;
    std::vector<double> delays;
    for (const TSample& s : samples) {
        delays.push_back(s.Delay);
        unanswered += s.Answered ? 0 : 1;
    }
    std::sort(delays.begin(), delays.end());
    auto at = [&](double q) { return delays[std::min(delays.size() - 1, static_cast<size_t>(q * delays.size()))]; };
    int over100 = static_cast<int>(std::count_if(delays.begin(), delays.end(), [](double d) { return d > 100; }));
    std::printf(
        "%s: %zu messages, median %.1f ms, 99th percentile %.1f ms, worst %.1f ms, %d over 100 ms, "
        "%d unanswered\n",
        label, delays.size(), at(0.5), at(0.99), delays.back(), over100, unanswered);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: answer_times HWND TRACE-FILE\n");
        return 2;
    }
    HWND wnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(argv[1], nullptr, 10)));
    const char* trace = argv[2];
    if (!IsWindow(wnd)) {
        std::fprintf(stderr, "no such window\n");
        return 2;
    }
    timeBeginPeriod(1);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<TSample> samples;
    std::printf("ready\n");
    std::fflush(stdout);

    const long long started = UnixMicroseconds();
    long long opened = 0, ran = 0, next = started;
    while (UnixMicroseconds() - started < 120000000LL) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        long long sentAt = UnixMicroseconds();
        DWORD_PTR result = 0;
        bool answered = SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        QueryPerformanceCounter(&b);
        samples.push_back({sentAt, (b.QuadPart - a.QuadPart) * 1000.0 / frequency.QuadPart, answered});
        if (!IsWindow(wnd))
            break;
        ReadMarks(trace, opened, ran);
        if (ran && UnixMicroseconds() > ran + 300000)
            break;
        next += 10000;
        long long wait = next - UnixMicroseconds();
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait / 1000));
        else
            next = UnixMicroseconds();  // late: the next one 10 ms from now
    }
    timeEndPeriod(1);

    if (!opened || !ran) {
        std::printf("the opening was not seen in the trace (open.start %s, run %s)\n", opened ? "seen" : "missing",
                    ran ? "seen" : "missing");
        Print("all", samples);
        return 1;
    }
    // A message sent just before the opening whose answer came during it
    // counts for the opening; those sent after it began playing count for
    // nothing.
    std::vector<TSample> during, before;
    for (const TSample& s : samples) {
        long long answeredAt = s.SentAt + static_cast<long long>(s.Delay * 1000);
        if (s.SentAt <= ran && answeredAt >= opened)
            during.push_back(s);
        else if (s.SentAt < opened)
            before.push_back(s);
    }
    std::printf("opening to playing: %.0f ms\n", (ran - opened) / 1000.0);
    Print("while opening", during);
    Print("before", before);
    return 0;
}
