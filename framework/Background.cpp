#include "framework/Background.h"

#include <windows.h>

#include <process.h>

#include <atomic>
#include <exception>
#include <memory>

#include "framework/Forms.h"

namespace {
std::atomic<bool> gAbandoned{false};

// Shared by the waiting thread and the worker: whoever lets go last frees it.
struct TJob {
    std::function<void()> Work;
    std::exception_ptr Error;
};

unsigned __stdcall RunJob(void* param) {
    std::unique_ptr<std::shared_ptr<TJob>> job(static_cast<std::shared_ptr<TJob>*>(param));
    try {
        (*job)->Work();
    } catch (...) {
        (*job)->Error = std::current_exception();
    }
    return 0;
}

class TBusyScope {
public:
    TBusyScope() { Application->BeginBusy(); }
    ~TBusyScope() { Application->EndBusy(); }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};
}  // namespace

bool RunInBackground(std::function<void()> work) {
    auto job = std::make_shared<TJob>();
    job->Work = std::move(work);
    auto* share = new std::shared_ptr<TJob>(job);
    auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunJob, share, 0, nullptr));
    if (!thread) {
        // No thread to be had: the work is done here, as it would have been
        // without one, only without the window answering meanwhile.
        delete share;
        job->Work();
        return true;
    }

    // Only a termination that comes while waiting gives the work up: a
    // caller that is already ending still gets its work done.
    bool terminatedBefore = Application->Terminated();
    bool ended = false;
    {
        TBusyScope busy;
        for (;;) {
            if (!terminatedBefore && Application->Terminated())
                break;
            DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woke == WAIT_OBJECT_0) {
                ended = true;
                break;
            }
            Application->ProcessMessages();
        }
    }
    CloseHandle(thread);
    if (!ended) {
        gAbandoned = true;
        // A loop further out that waits for messages must see the end too.
        PostQuitMessage(0);
        return false;
    }
    if (job->Error)
        std::rethrow_exception(job->Error);
    return true;
}

bool BackgroundWorkAbandoned() {
    return gAbandoned;
}
