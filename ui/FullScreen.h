// Full screen for the main window: the whole monitor it is on, no frame, no
// menu bar, the picture as large as fits with its ratio kept on black; above
// other programs only while active (the viewer's stays on top, as the viewer
// does). Leaving puts back exactly what was there before.
#pragma once

#include "framework/Forms.h"

class TMovie;

class TFullScreen {
public:
    TFullScreen(TCustomForm* form, TMovie* movie) : FForm(form), FMovie(movie) {}

    bool Active() const { return FActive; }
    void Toggle() { FActive ? Leave() : Enter(); }
    void Enter();
    void Leave();

private:
    TCustomForm* FForm;
    TMovie* FMovie;
    bool FActive = false;
    // What the window had before.
    TBorderStyle FBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TMainMenu* FMenu = nullptr;
    RECT FBounds{};
    TColor FColor = clBtnFace;
    bool FKeepAspect = false;
};
