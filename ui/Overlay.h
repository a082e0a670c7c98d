// The on-screen display: a small dark box over the top left of the picture
// that says what the last key or click did (play state and position, volume,
// mute), and goes by itself a moment after the last one.
//
// It is a window of its own, a topmost tool popup kept over the picture's top
// left (in the window and in full screen, following the form when it moves), not a child drawn into the picture: a
// renderer need not draw a paused picture again where a child window was, while a popup leaves the picture beneath
// untouched. It is layered and transparent to the mouse, so clicks go through it to the picture, and never active, so
// it takes no focus. While hidden it has no timer running and paints nothing.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "ui/OverlayText.h"

class TTimer;

class TOverlay : public TWinControl {
public:
    // How long a display stays after the last action.
    static constexpr unsigned kShowMs = 1800;

    // Owned by owner, shown over parent (the movie control).
    TOverlay(TComponent* owner, TWinControl* parent);
    ~TOverlay() override;

    void ShowPosition(bool playing, int64_t position, int64_t duration);
    void ShowVolume(int level);
    void ShowMuted();
    // At once, as when its time is up.
    void Hide();
    // Back over the picture's top left after the form moved, or gone
    // with a minimised form.
    void Follow();

    bool Showing() const { return FVisible; }
    const TOverlayContent& Content() const { return FContent; }
    // The time-out: enabled exactly while something is shown.
    TTimer* HideTimer() const { return FTimer; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void Paint(HDC dc) override;

private:
    void Show(TOverlayContent content);
    // Sized to the content, over the picture's top left, above the form.
    void Place();
    void TimeUp(TObject* sender);
    // The font's pixel height at the picture's display scale.
    int TextHeight();
    HFONT Font();
    // The box's size for the content, from the text's extent.
    SIZE Measure(HDC dc);

    TOverlayContent FContent;
    TTimer* FTimer = nullptr;
    TGdiObject<HFONT> FFont;
    int FFontHeight = 0;
};
