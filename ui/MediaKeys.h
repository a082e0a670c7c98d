// The media keys of keyboards, remote controls and headsets, as the
// application commands (WM_APPCOMMAND) the system makes of them: play/pause
// acts as Space does, play, pause and stop act on the movie, and the volume
// commands stay the system's. Like the player's other keys they do nothing
// without a movie, under a modal dialog or while an opening runs.
#pragma once

#include "dropfiles/CTLHOOK.h"
#include "engine/UMovie.h"
#include "framework/Forms.h"

class TPlayerControls;

enum TMediaCommand { mcNone, mcPlayPause, mcPlay, mcPause, mcStop };
// The player's command for an application command (APPCOMMAND_*); mcNone
// for those it leaves to the system.
TMediaCommand MediaCommandFor(int appCommand);

// What a command does to a movie in a state.
enum TMediaAction { maNothing, maPlayPause, maStop };
// Play only resumes, pause only pauses, stop stops (on the first frame).
TMediaAction MediaActionFor(TMediaCommand command, TMovieState state);

class TMediaKeys : public TControlHook {
public:
    // Owned by the form, whose application commands it answers, its
    // children's included.
    TMediaKeys(TCustomForm* form, TPlayerControls* controls, TMovie* movie);

    // Runs a command; false when it is not the player's to run (none, or no
    // movie), true when the player took it, acted on or deliberately ignored.
    bool Run(TMediaCommand command);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;

private:
    TCustomForm* FForm;
    TPlayerControls* FControls;
    TMovie* FMovie;
};
