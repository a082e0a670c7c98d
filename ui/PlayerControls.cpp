#include "ui/PlayerControls.h"

#include <algorithm>

#include "engine/UMovie.h"
#include "ui/Overlay.h"

namespace {
constexpr int64_t kSecond = 10000000;  // in 100 ns units
constexpr int kWheelNotch = 120;       // WHEEL_DELTA

// An action that runs a function of the controls.
class TControlAction : public TAction {
public:
    TControlAction(TActionList* list, std::function<void()> run) : TAction(list), FRun(std::move(run)) {
        OnExecute = Bind<&TControlAction::Run>(this);
        SetActionList(list);
    }

private:
    void Run(TObject*) { FRun(); }
    std::function<void()> FRun;
};
}  // namespace

TPlayerControls::TPlayerControls(TCustomForm* form, TMovie* movie)
    : TActionList(form), FForm(form), FMovie(movie), FFullScreen(form, movie), FOverlay(new TOverlay(this, movie)) {
    Add("Space", [this] { PlayPause(); });
    Add("Left", [this] { SeekBy(-5 * kSecond); });
    Add("Right", [this] { SeekBy(5 * kSecond); });
    Add("Ctrl+Left", [this] { SeekBy(-60 * kSecond); });
    Add("Ctrl+Right", [this] { SeekBy(60 * kSecond); });
    Add("Home", [this] { Restart(); });
    Add("Up", [this] { StepVolume(1); });
    Add("Down", [this] { StepVolume(-1); });
    Add("M", [this] { ToggleMute(); });
    Add("O", [this] { ShowPosition(); });
    Add("Alt+Enter", [this] { ToggleFullScreen(); });
    Add("F11", [this] { ToggleFullScreen(); });
    Add("Esc", [this] { Escape(); });
    movie->OnDblClick = Bind<&TPlayerControls::PictureDoubleClick>(this);
    movie->FreeNotification(this);
    form->OnMouseWheel = Bind<&TPlayerControls::MouseWheel>(this);
}

TPlayerControls::~TPlayerControls() {
    FForm->OnMouseWheel = {};
    if (FMovie) {
        FMovie->OnDblClick = {};
        FMovie->RemoveFreeNotification(this);
    }
}

void TPlayerControls::Notification(TComponent* component, TOperation operation) {
    TActionList::Notification(component, operation);
    if (operation == opRemove && component == FMovie)
        FMovie = nullptr;
}

void TPlayerControls::Add(const char* shortCut, std::function<void()> handler) {
    // A misspelt key raises before anything is made.
    TShortCut key = DeclaredShortCut(shortCut);
    auto* action = new TControlAction(this, [this, handler] {
        // Without a movie the keys do nothing.
        if (Loaded())
            handler();
    });
    action->SetShortCut(key);
}

bool TPlayerControls::Loaded() const {
    return FMovie && FMovie->State() != msClosed;
}

void TPlayerControls::PlayPause() {
    FStateBeforeClick = FMovie->State();
    FMovie->PlayPause();
    ShowPosition();
}

void TPlayerControls::SeekBy(int64_t delta) {
    int64_t position = FMovie->GetPosition();
    if (position < 0)
        position = FMovie->Position();
    int64_t target = std::max<int64_t>(position + delta, 0);
    const int64_t duration = FMovie->Duration();
    if (duration > 0 && target >= duration) {
        FMovie->Finish();
        ShowPositionAt(0);
        return;
    }
    FMovie->Seek(target);
    ShowPositionAt(target);
}

void TPlayerControls::Restart() {
    FMovie->Seek(0);
    ShowPositionAt(0);
}

void TPlayerControls::StepVolume(int steps) {
    // Muted, a step unmutes and counts from the level the mute kept.
    int from = FMuted ? FUnmutedVolume : FMovie->Volume();
    FMuted = false;
    FMovie->SetVolume(from + steps);
    FOverlay->ShowVolume(FMovie->Volume());
}

void TPlayerControls::ToggleMute() {
    if (FMuted || FMovie->Volume() == 0) {
        FMuted = false;
        FMovie->SetVolume(FUnmutedVolume);
    } else {
        FUnmutedVolume = FMovie->Volume();
        FMuted = true;
        FMovie->SetVolume(0);
    }
    if (FMuted)
        FOverlay->ShowMuted();
    else
        FOverlay->ShowVolume(FMovie->Volume());
}

void TPlayerControls::ShowPosition() {
    int64_t position = FMovie->GetPosition();
    ShowPositionAt(position >= 0 ? position : FMovie->Position());
}

void TPlayerControls::ShowPositionAt(int64_t position) {
    FOverlay->ShowPosition(FMovie->State() == msPlaying, position, FMovie->Duration());
}

void TPlayerControls::ToggleFullScreen() {
    FFullScreen.Toggle();
}

void TPlayerControls::Escape() {
    if (FFullScreen.Active())
        FFullScreen.Leave();
    else if (FMovie->AutoClose())
        FForm->Close();
}

void TPlayerControls::PictureDoubleClick(TObject*) {
    if (!Loaded())
        return;
    // The double-click's first click toggled the pause: put it back.
    if (FMovie->State() != FStateBeforeClick) {
        if (FStateBeforeClick == msStopped)
            FMovie->Stop();
        else
            FMovie->PlayPause();
    }
    ToggleFullScreen();
    // What the first click showed is undone.
    FOverlay->Hide();
}

void TPlayerControls::MouseWheel(TObject*, int delta) {
    if (!Loaded())
        return;
    // A fine-grained wheel sends parts of a notch: a level per whole notch.
    FWheel += delta;
    int steps = FWheel / kWheelNotch;
    FWheel -= steps * kWheelNotch;
    if (steps != 0)
        StepVolume(steps);
}

void TPlayerControls::MovieOpened() {
    FMovie->SetVolume(FMovie->Volume());
    // A new file starts with a clean picture, a failed one with none.
    FOverlay->Hide();
}
