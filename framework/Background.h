// Work that may take long, done on a thread of its own while the
// user-interface thread goes on painting, ticking and answering the window
// system, and can still be closed.
#pragma once

#include <functional>

// Runs work on a new thread and, until the work has returned, dispatches this
// thread's messages with the application busy (TApplication::BeginBusy).
// There is no time limit. True when the work has ended (an exception it
// raised is raised again here); false when the application was told to
// terminate while it ran. The caller then gives up on the work, which runs on
// alone and ends with the process at the latest: it must own, or share,
// everything it touches.
bool RunInBackground(std::function<void()> work);

// Whether work that was given up on is still running.
bool AbandonedWorkRunning();
