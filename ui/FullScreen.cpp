#include "ui/FullScreen.h"

#include "engine/UMovie.h"

void TFullScreen::Enter() {
    if (FActive)
        return;
    FActive = true;
    FBorderStyle = FForm->BorderStyle();
    FFormStyle = FForm->FormStyle();
    FMenu = FForm->Menu();
    FBounds = {FForm->Left(), FForm->Top(), FForm->Left() + FForm->Width(), FForm->Top() + FForm->Height()};
    FColor = FMovie->Color();
    FKeepAspect = FMovie->KeepAspect();
    RECT monitor = FForm->MonitorArea(false);
    FForm->SetMenu(nullptr);
    // Not above other programs: a window the user brings forward comes in
    // front (Windows itself keeps the task bar behind an active full-screen
    // window). The viewer keeps staying on top, as it does.
    FForm->SetBorderStyle(bsNone);
    FMovie->SetColor(RGB(0, 0, 0));
    FMovie->SetKeepAspect(true);
    FForm->SetBounds(monitor.left, monitor.top, monitor.right - monitor.left, monitor.bottom - monitor.top);
}

void TFullScreen::Leave() {
    if (!FActive)
        return;
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetFormStyle(FFormStyle);
    FForm->SetMenu(FMenu);
    FMovie->SetKeepAspect(FKeepAspect);
    FMovie->SetColor(FColor);
    FForm->SetBounds(FBounds.left, FBounds.top, FBounds.right - FBounds.left, FBounds.bottom - FBounds.top);
    // Cleared last: the resizes on the way back must not meet the aspect lock
    // while the window is still the monitor's size.
    FActive = false;
}
