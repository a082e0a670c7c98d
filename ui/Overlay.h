// The on-screen display: a small dark box over the top left of the picture
// that says what the last key or click did (play state and position, volume,
// mute), and goes by itself a moment after the last one.
//
// It is a child window of the movie control, above the video window, so it
// follows the picture in the window and in full screen. It takes no clicks
// (they reach the picture beneath) and no focus; while hidden it has no
// timer running and paints nothing.
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

    bool Showing() const { return FVisible; }
    const TOverlayContent& Content() const { return FContent; }
    // The time-out: enabled exactly while something is shown.
    TTimer* HideTimer() const { return FTimer; }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    void Paint(HDC dc) override;

private:
    void Show(TOverlayContent content);
    void TimeUp(TObject* sender);
    // The font's pixel height at the screen's setting.
    int TextHeight();
    HFONT Font();
    // The box's size for the content, from the text's extent.
    SIZE Measure(HDC dc);

    TOverlayContent FContent;
    TTimer* FTimer = nullptr;
    TGdiObject<HFONT> FFont;
    int FFontHeight = 0;
};
