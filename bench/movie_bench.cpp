// The movie control in process: how long OpenFile (render and cue) and
// ReleaseGraph take, and whether memory or handles grow over many
// open/release cycles.
//
//   movie_bench.exe [--opens N] [--cycles A,B] [--bare] file
//
// Opens the file N times (default 20), each after releasing the previous
// graph, and prints the median, minimum and maximum of each step. Then runs
// open/release cycles and prints the process's memory and handle counts after
// A cycles and after B (defaults 10 and 200).
// --bare: the same cycles without the movie control, with the fewest
// DirectShow calls that do the same (graph, grabber, render, own the video
// window, cue, release): what the platform itself keeps per cycle.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/DirectShow.h"
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
    ULONGLONG Virtual = 0;
    SIZE_T WorkingSet = 0;
    long Handles = -1, Windows = 0;
};

// Kernel handles of this process, from the system's handle table: Wine does
// not count them in GetProcessHandleCount. -1 when the table cannot be read.
long HandleCount() {
    using TQuery = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    static auto query =
        reinterpret_cast<TQuery>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query)
        return -1;
    struct TEntry {
        ULONG OwnerPid;
        BYTE ObjectType, Flags;
        USHORT Value;
        PVOID Object;
        ACCESS_MASK Access;
    };
    std::vector<BYTE> buffer(1 << 20);
    for (int tries = 0; tries < 8; ++tries) {
        ULONG needed = 0;
        LONG status =
            query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004) /* STATUS_INFO_LENGTH_MISMATCH */) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 65536));
            continue;
        }
        if (status < 0)
            return -1;
        ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
        auto* entries = reinterpret_cast<TEntry*>(buffer.data() + sizeof(ULONG_PTR));
        long mine = 0;
        for (ULONG i = 0; i < count; ++i)
            if (entries[i].OwnerPid == GetCurrentProcessId())
                ++mine;
        return mine;
    }
    return -1;
}

BOOL CALLBACK CountWindow(HWND wnd, LPARAM data) {
    ++*reinterpret_cast<long*>(data);
    EnumChildWindows(wnd, CountWindow, data);
    return TRUE;
}

// The windows of this thread, children included: the user objects a leak
// would show first (Wine does not count user or GDI objects).
long WindowCount() {
    long n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

TUsage Usage() {
    TUsage u;
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        u.WorkingSet = pmc.WorkingSetSize;
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    if (GlobalMemoryStatusEx(&ms))
        u.Virtual = ms.ullTotalVirtual - ms.ullAvailVirtual;
    u.Handles = HandleCount();
    u.Windows = WindowCount();
    return u;
}

void PrintUsage(int cycles, const TUsage& u) {
    std::printf("after_cycles=%d virtual_kb=%llu working_set_kb=%zu handles=%ld windows=%ld\n", cycles,
                u.Virtual / 1024, static_cast<size_t>(u.WorkingSet / 1024), u.Handles, u.Windows);
    std::fflush(stdout);
}

template <class T>
void Release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// One open/release cycle with bare DirectShow calls; false if it failed.
bool BareCycle(HWND owner, const WCHAR* name) {
    IGraphBuilder* graph = nullptr;
    IBaseFilter* grabber = nullptr;
    ISampleGrabber* sg = nullptr;
    IVideoWindow* window = nullptr;
    IMediaControl* control = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, GraphClassContext, IID_IGraphBuilder,
                                         reinterpret_cast<void**>(&graph))) &&
              SUCCEEDED(CoCreateInstance(CLSID_SampleGrabber, nullptr, GraphClassContext, IID_IBaseFilter,
                                         reinterpret_cast<void**>(&grabber))) &&
              SUCCEEDED(grabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&sg)));
    if (ok) {
        graph->AddFilter(grabber, L"Grabber");
        AM_MEDIA_TYPE type = GrabberMediaType();
        sg->SetMediaType(&type);
        sg->SetBufferSamples(TRUE);
        ok = graph->RenderFile(name, nullptr) == S_OK &&
             SUCCEEDED(graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window))) &&
             SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
    }
    if (ok) {
        window->put_Owner(reinterpret_cast<OAHWND>(owner));
        window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
        control->Pause();
        OAFilterState state;
        control->GetState(5000, &state);
        control->Stop();
        window->put_Visible(OAFALSE);
        window->put_Owner(0);
    }
    Release(control);
    Release(window);
    Release(sg);
    Release(grabber);
    Release(graph);
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    int opens = 20, early = 10, late = 200;
    bool bare = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--bare"))
            bare = true;
        else if (!std::strcmp(argv[i], "--opens") && i + 1 < argc)
            opens = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--cycles") && i + 1 < argc)
            std::sscanf(argv[++i], "%d,%d", &early, &late);
        else
            file = argv[i];
    }
    if (!file || opens < 1 || early < 1 || late < early) {
        std::fprintf(stderr, "usage: movie_bench [--opens N] [--cycles A,B] [--bare] file\n");
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

    if (bare) {
        WCHAR name[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, file, -1, name, MAX_PATH);
        double start = Now();
        for (int i = 1; i <= late; ++i) {
            if (!BareCycle(movie->Handle(), name)) {
                std::fprintf(stderr, "movie_bench: bare cycle %d failed\n", i);
                return 1;
            }
            Pump();
            if (i == early)
                PrintUsage(i, Usage());
        }
        PrintUsage(late, Usage());
        std::printf("bare_cycle_ms_mean=%.1f\n", (Now() - start) / late * 1000);
        form.reset();
        Application->Finalize();
        return 0;
    }

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
