// Keeps the display and the system awake while a movie plays: Windows dims
// and turns off an idle display, and sleeps, unless the program playing asks
// it not to. The request belongs to the thread that makes it, so it is made
// here, on the user-interface thread, from the movie's state alone.
#pragma once

#include <windows.h>

#include "dropfiles/CTLHOOK.h"
#include "engine/UMovie.h"
#include "framework/Forms.h"

// What a movie in this state asks of Windows: the display and the system
// while a picture plays, the system alone while sound alone plays, and
// nothing (ES_CONTINUOUS alone, letting go) in every other state.
EXECUTION_STATE AwakeStateFor(TMovieState state, bool hasPicture);

// Whether a system command (WM_SYSCOMMAND) starts the screen saver or puts
// the monitor to sleep: what a window playing a picture refuses.
bool IsPowerSavingCommand(WPARAM command, LPARAM argument);

class TKeepAwake : public TControlHook {
public:
    // Owned by the form, whose system commands it sees; follows the movie.
    TKeepAwake(TCustomForm* form, TMovie* movie);
    // Lets go: the program no longer plays.
    ~TKeepAwake() override;

    // The state last asked of Windows.
    EXECUTION_STATE Requested() const { return FRequested; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;

private:
    void MovieStateChange(TObject* sender);
    void Request(EXECUTION_STATE state);

    TMovie* FMovie;
    EXECUTION_STATE FRequested = 0;
};
