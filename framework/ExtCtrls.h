// A panel with bevels, and a timer on the user-interface thread.
#pragma once

#include "framework/Controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);

    TBevelCut BevelInner() const { return FBevelInner; }
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelInner(TBevelCut value);
    void SetBevelOuter(TBevelCut value);

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint(HDC dc) override;

private:
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
};

// A picture: a bitmap from the program's resources, drawn at its own size or
// stretched to the control.
class TImage : public TWinControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    // Loads the bitmap resource of that name; raises when there is none.
    void LoadPicture(const std::string& resourceName);
    HBITMAP Picture() const { return FPicture.Get(); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint(HDC dc) override;

private:
    TGdiObject<HBITMAP> FPicture;
    bool FStretch = false;
};

// Ticks through a hidden window of its own, so it never fires once destroyed:
// the window and its timer go with the object.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT value);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent handler);
    // The window that receives WM_TIMER: tests drive ticks through it.
    HWND WindowHandle() const { return FWindow; }

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    static LRESULT CALLBACK TimerWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FWindow = nullptr;
    bool FEnabled = true;
    UINT FInterval = 1000;
    TNotifyEvent FOnTimer;
};
