#include "framework/Background.h"

#include <windows.h>

#include <process.h>

#include <atomic>
#include <exception>
#include <memory>

#include "framework/Classes.h"

namespace {
// Work given up on that has not ended yet.
std::atomic<int> gAbandonedRunning{0};

enum TJobState { jsRunning, jsEnded, jsAbandoned };

// Shared by the waiting thread and the worker: whoever lets go last frees it.
struct TJob {
    std::function<void()> Work;
    std::exception_ptr Error;
    // Set when Work has returned: the thread's own end, which waits for every
    // library's goodbye, is no business of the waiting thread.
    HANDLE Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~TJob() {
        if (Done)
            CloseHandle(Done);
    }
    // Leaves jsRunning once: to jsEnded by the worker, or to jsAbandoned by
    // the waiting thread, whichever comes first.
    std::atomic<int> State{jsRunning};
};

unsigned __stdcall RunJob(void* param) {
    std::unique_ptr<std::shared_ptr<TJob>> job(static_cast<std::shared_ptr<TJob>*>(param));
    try {
        (*job)->Work();
    } catch (...) {
        (*job)->Error = std::current_exception();
    }
    int running = jsRunning;
    if (!(*job)->State.compare_exchange_strong(running, jsEnded))
        --gAbandonedRunning;
    SetEvent((*job)->Done);
    return 0;
}

class TBusyScope {
public:
    TBusyScope() { ApplicationBeginBusy(); }
    ~TBusyScope() { ApplicationEndBusy(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

// Dispatches the thread's messages, busy, until the job is done: true then;
// false when the application was told to terminate first.
bool WaitAnswering(TJob& job) {
    // Only a termination that comes while waiting gives the work up: a
    // caller that is already ending still gets its work done.
    bool terminatedBefore = ApplicationTerminated();
    TBusyScope busy;
    for (;;) {
        if (!terminatedBefore && ApplicationTerminated())
            return false;
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &job.Done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return true;
        ApplicationProcessMessages();
    }
}
}  // namespace

bool RunInBackground(std::function<void()> work) {
    auto job = std::make_shared<TJob>();
    job->Work = std::move(work);
    auto* share = new std::shared_ptr<TJob>(job);
    auto thread =
        job->Done ? reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunJob, share, 0, nullptr)) : nullptr;
    if (!thread) {
        // No thread to be had: the work is done here, as it would have been
        // without one, only without the window answering meanwhile.
        delete share;
        job->Work();
        return true;
    }

    bool ended = WaitAnswering(*job);
    CloseHandle(thread);
    if (!ended) {
        int running = jsRunning;
        if (job->State.compare_exchange_strong(running, jsAbandoned))
            ++gAbandonedRunning;
        // A loop further out that waits for messages must see the end too.
        PostQuitMessage(0);
        return false;
    }
    if (job->Error)
        std::rethrow_exception(job->Error);
    return true;
}

bool AbandonedWorkRunning() {
    return gAbandonedRunning > 0;
}
