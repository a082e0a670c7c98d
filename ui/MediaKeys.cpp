#include "ui/MediaKeys.h"

#include "framework/Forms.h"
#include "ui/PlayerControls.h"

TMediaCommand MediaCommandFor(int appCommand) {
    switch (appCommand) {
        case APPCOMMAND_MEDIA_PLAY_PAUSE: return mcPlayPause;
        case APPCOMMAND_MEDIA_PLAY: return mcPlay;
        case APPCOMMAND_MEDIA_PAUSE: return mcPause;
        case APPCOMMAND_MEDIA_STOP: return mcStop;
        default: return mcNone;
    }
}

TMediaAction MediaActionFor(TMediaCommand command, TMovieState state) {
    if (state == msClosed)
        return maNothing;
    switch (command) {
        case mcPlayPause: return maPlayPause;
        case mcPlay: return state == msPlaying ? maNothing : maPlayPause;
        case mcPause: return state == msPlaying ? maPlayPause : maNothing;
        case mcStop: return state == msStopped ? maNothing : maStop;
        default: return maNothing;
    }
}

TMediaKeys::TMediaKeys(TCustomForm* form, TPlayerControls* controls, TMovie* movie)
    : TControlHook(form), FForm(form), FControls(controls), FMovie(movie) {
    SetTarget(htForm);
    controls->FreeNotification(this);
    movie->FreeNotification(this);
    // No shortcut for the play/pause key itself: a press reaches the program
    // as the key and as the application command the system makes of it
    // (Wine sends the command first, whatever is then done with the key).
    // Acting on both toggled twice, which looked like nothing; the command
    // alone is acted on, and the key is left to its default handling.
}

void TMediaKeys::Notification(TComponent* component, TOperation operation) {
    TControlHook::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == FControls)
        FControls = nullptr;
    if (component == FMovie)
        FMovie = nullptr;
}

bool TMediaKeys::Run(TMediaCommand command) {
    if (command == mcNone || !FMovie || !FControls || FMovie->State() == msClosed)
        return false;
    // The command comes from outside the message loop's rules (another
    // program, the shell): the same rules are applied here.
    if (Application->Busy() || !IsWindowEnabled(FForm->Handle()))
        return true;
    switch (MediaActionFor(command, FMovie->State())) {
        case maPlayPause: FControls->PlayPause(); break;
        case maStop: FMovie->Stop(); break;
        case maNothing: break;
    }
    return true;
}

void TMediaKeys::WndProc(TMessage& m) {
    if (m.Msg == WM_APPCOMMAND && Run(MediaCommandFor(GET_APPCOMMAND_LPARAM(m.LParam)))) {
        m.Result = TRUE;
        return;
    }
    TControlHook::WndProc(m);
}
