// The movie control in process: how long OpenFile (render and cue) and
// ReleaseGraph take, and whether memory or handles grow over many
// open/release cycles.
//
//   movie_bench.exe [--opens N] [--cycles A,B] file
//
// Opens the file N times (default 20), each after releasing the previous
// graph, and prints the median, minimum and maximum of each step. Then runs
// open/release cycles and prints the process's memory and handle counts after
// A cycles and after B (defaults 10 and 200), and their difference.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/UMovie.h"
#include "framework/Forms.h"

namespace {
double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency.QuadPart;
}

void Pump() {
    Application->ProcessMessages();
}

struct TStats {
    double Median, Min, Max;
};

TStats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

void PrintStats(const char* what, const std::vector<double>& seconds) {
    TStats s = Summarise(seconds);
    std::printf("%s_ms median=%.1f min=%.1f max=%.1f n=%zu\n", what, s.Median * 1000, s.Min * 1000, s.Max * 1000,
                seconds.size());
}

struct TUsage {
    SIZE_T Private = 0, WorkingSet = 0;
    DWORD Handles = 0, Gdi = 0, User = 0;
};

TUsage Usage() {
    TUsage u;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        u.Private = pmc.PrivateUsage;
        u.WorkingSet = pmc.WorkingSetSize;
    }
    GetProcessHandleCount(GetCurrentProcess(), &u.Handles);
    u.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    u.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return u;
}

void PrintUsage(int cycles, const TUsage& u) {
    std::printf("after_cycles=%d private_kb=%zu working_set_kb=%zu handles=%lu gdi=%lu user=%lu\n", cycles,
                static_cast<size_t>(u.Private / 1024), static_cast<size_t>(u.WorkingSet / 1024),
                static_cast<unsigned long>(u.Handles), static_cast<unsigned long>(u.Gdi),
                static_cast<unsigned long>(u.User));
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    int opens = 20, early = 10, late = 200;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--opens") && i + 1 < argc)
            opens = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--cycles") && i + 1 < argc)
            std::sscanf(argv[++i], "%d,%d", &early, &late);
        else
            file = argv[i];
    }
    if (!file || opens < 1 || early < 1 || late < early) {
        std::fprintf(stderr, "usage: movie_bench [--opens N] [--cycles A,B] file\n");
        return 2;
    }

    Application->Initialize();
    Application->Title = "movie_bench";
    auto form = std::make_unique<TForm>(Application);
    form->SetBounds(40, 40, 200, 200);
    form->SetClientWidth(640);
    form->SetClientHeight(480);
    form->Show();
    Pump();
    TMovie* movie = new TMovie(form.get());
    movie->SetParent(form.get());
    movie->SetAlign(alClient);
    Pump();

    // One open first: the platform loads its libraries then, once per process.
    double t = Now();
    movie->OpenFile(file);
    std::printf("first_open_ms=%.1f\n", (Now() - t) * 1000);
    if (movie->State() != msStopped) {
        std::fprintf(stderr, "movie_bench: %s did not open\n", file);
        return 1;
    }
    Pump();

    std::vector<double> openTimes, releaseTimes, renderTimes;
    for (int i = 0; i < opens; ++i) {
        t = Now();
        movie->ReleaseGraph();
        releaseTimes.push_back(Now() - t);
        Pump();
        t = Now();
        movie->OpenFile(file);
        openTimes.push_back(Now() - t);
        if (movie->State() != msStopped) {
            std::fprintf(stderr, "movie_bench: open %d failed\n", i + 1);
            return 1;
        }
        Pump();
    }
    PrintStats("open", openTimes);
    PrintStats("release", releaseTimes);
    std::fflush(stdout);

    // Cycles as the viewer's start makes them: open, release.
    movie->ReleaseGraph();
    Pump();
    double cyclesStart = Now();
    for (int i = 1; i <= late; ++i) {
        movie->OpenFile(file);
        if (movie->State() != msStopped) {
            std::fprintf(stderr, "movie_bench: cycle %d failed\n", i);
            return 1;
        }
        Pump();
        movie->ReleaseGraph();
        Pump();
        if (i == early)
            PrintUsage(i, Usage());
    }
    TUsage end = Usage();
    PrintUsage(late, end);
    std::printf("cycle_ms_mean=%.1f\n", (Now() - cyclesStart) / late * 1000);

    form.reset();
    Application->Finalize();
    return 0;
}
