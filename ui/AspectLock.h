// The main window's aspect lock: its client keeps the picture's ratio however
// its size changes. While the user drags an edge the system's drag rectangle
// is bent to the ratio; a size the window is simply given (by a window
// manager, by maximising) is put right just after, once, never fought over.
#pragma once

#include <functional>

#include "dropfiles/CTLHOOK.h"

class TAspectLock : public TControlHook {
public:
    // Hooks the form that owns it. While `suspended` says so (full screen),
    // the lock leaves every size alone.
    TAspectLock(TComponent* form, std::function<bool()> suspended);

    // Client height per pixel of client width; 0 means no lock.
    double Aspect() const { return FAspect; }
    void SetAspect(double value);

protected:
    void WndProc(TMessage& message) override;

private:
    // Whether the form's client now has another height than the ratio wants.
    bool NeedsCorrection();
    void Correct();

    std::function<bool()> FSuspended;
    double FAspect = 0;
    bool FPending = false;
    // The client size last corrected from: if the window comes back to it,
    // whoever sized it did not take the correction, and it is left alone.
    SIZE FCorrectedFrom{-1, -1};
};
