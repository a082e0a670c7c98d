#include "ui/KeepAwake.h"

EXECUTION_STATE AwakeStateFor(TMovieState state, bool hasPicture) {
    if (state != msPlaying)
        return ES_CONTINUOUS;
    if (!hasPicture)
        return ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    return ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
}

bool IsPowerSavingCommand(WPARAM command, LPARAM argument) {
    // The low four bits are the system's own.
    switch (command & 0xFFF0) {
        case SC_SCREENSAVE: return true;
        // -1 turns the monitor on, which is never refused; 1 and 2 save power.
        case SC_MONITORPOWER: return argument != -1;
        default: return false;
    }
}

TKeepAwake::TKeepAwake(TCustomForm* form, TMovie* movie) : TControlHook(form), FMovie(movie) {
    SetTarget(htForm);
    movie->FreeNotification(this);
    movie->OnStateChange = Bind<&TKeepAwake::MovieStateChange>(this);
    MovieStateChange(movie);
}

TKeepAwake::~TKeepAwake() {
    if (FMovie) {
        FMovie->OnStateChange = {};
        FMovie->RemoveFreeNotification(this);
    }
    Request(ES_CONTINUOUS);
}

void TKeepAwake::Notification(TComponent* component, TOperation operation) {
    TControlHook::Notification(component, operation);
    if (operation == opRemove && component == FMovie) {
        // The movie's graph is released with it: nothing plays any more.
        FMovie = nullptr;
        Request(ES_CONTINUOUS);
    }
}

void TKeepAwake::MovieStateChange(TObject*) {
    if (!FMovie)
        return;
    // The video size is read once the file is cued, before it can play.
    Request(AwakeStateFor(FMovie->State(), FMovie->HasVideo()));
}

void TKeepAwake::Request(EXECUTION_STATE state) {
    if (state == FRequested)
        return;
    FRequested = state;
    SetThreadExecutionState(state);
}

void TKeepAwake::WndProc(TMessage& m) {
    if (m.Msg == WM_SYSCOMMAND && (FRequested & ES_DISPLAY_REQUIRED) && IsPowerSavingCommand(m.WParam, m.LParam)) {
        m.Result = 0;
        return;
    }
    TControlHook::WndProc(m);
}
