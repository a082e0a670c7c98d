// The player's keys, wheel and double-click: pause, seeking, volume, mute and
// full screen. The keys are the shortcuts of an action list of the main
// window, so they reach it the way Ctrl+O does: from anywhere in the window,
// never while a modal dialog is open.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/ActnList.h"
#include "framework/Forms.h"
#include "ui/FullScreen.h"

class TMovie;
class TOverlay;

class TPlayerControls : public TActionList {
public:
    // Owned by the form, which finds the shortcuts among its components. Takes
    // the movie's double-click and the form's wheel.
    TPlayerControls(TCustomForm* form, TMovie* movie);
    ~TPlayerControls() override;

    TFullScreen& FullScreen() { return FFullScreen; }
    // What the last action did, shown over the picture for a moment.
    TOverlay& Overlay() { return *FOverlay; }

    // A click on the picture or Space: pause, resume, after the end play again.
    void PlayPause();
    // Forward or back by delta (100 ns units), within the movie; past the end
    // finishes it as its own end would.
    void SeekBy(int64_t delta);
    // Back to the start, playing on if it was playing.
    void Restart();
    // One of the movie control's eight levels up or down.
    void StepVolume(int steps);
    void ToggleMute();
    // Silenced by M; the level it kept comes back with M or a volume step.
    bool Muted() const { return FMuted; }
    // O: where the movie is, changing nothing.
    void ShowPosition();
    void ToggleFullScreen();
    // Esc: out of full screen, or out of the viewer.
    void Escape();
    // A double-click on the picture: full screen on or off, and the click
    // that came first does not leave the movie paused or playing.
    void PictureDoubleClick(TObject* sender);
    void MouseWheel(TObject* sender, int delta);
    // After an opening: the new graph plays at the level the user chose.
    void MovieOpened();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool Loaded() const;
    void Add(const char* shortCut, std::function<void()> handler);
    // The play state and the position, as the movie has it now or at a
    // position just sought.
    void ShowPositionAt(int64_t position);

    TCustomForm* FForm;
    TMovie* FMovie;
    TFullScreen FFullScreen;
    TOverlay* FOverlay;
    int FUnmutedVolume = 7;
    bool FMuted = false;
    int FWheel = 0;  // wheel movement not yet turned into steps
    int FStateBeforeClick = 0;
};
