// Visual controls: TControl (position, parent, click and resize events) and
// TWinControl (a native window made on first demand, a replaceable message
// procedure, re-creation of the native window).
#pragma once

#include <windows.h>

#include "framework/Classes.h"
#include "framework/GdiGuards.h"

// The message record every message procedure receives.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

using TWndMethod = TMethod<TMessage&>;

// A parent's WM_COMMAND from a child control, handed back to that control.
constexpr UINT CN_COMMAND = 0xBC00 + WM_COMMAND;

// Colours are COLORREFs, or a system colour index with the top bit set.
using TColor = uint32_t;
constexpr TColor clSystemColor = 0x80000000u;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
COLORREF ColorToRGB(TColor color);

enum TAlign { alNone, alClient };

class TWinControl;
class TCustomForm;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    const std::string& Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& caption);
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor color);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;
    void SetParentComponent(TComponent* parent) override;
    // Multiplies position and size by multiplier / divider (a form's scaling).
    virtual void ChangeScale(int multiplier, int divider);
    // The form's font changed (the display's scale): what measures its text
    // measures again.
    virtual void FontChanged() {}

protected:
    virtual void Click();
    virtual void DblClick();
    virtual void Resize();
    // Stores the bounds the window reports, raising OnResize when the size changed.
    void UpdateBounds(int left, int top, int width, int height);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    std::string FCaption;
    TColor FColor = clBtnFace;
    bool FClicked = false;

    friend class TWinControl;
};

// What CreateWindowEx is called with.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    std::string WinClassName;         // the window class registered for this control
    const char* BaseClass = nullptr;  // a system class to build on ("BUTTON"), or none
    UINT ClassStyle = CS_DBLCLKS;
    bool ProgramIcon = false;  // the class shows the program's icon (MAINICON)
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // Asking for the handle creates the window, after those of its parents.
    HWND Handle();
    // Whether a window exists; creates nothing.
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded();
    // Destroys the native window (children first) and makes a new one.
    void RecreateWnd();
    void DestroyHandle();

    // The message procedure: every message of the window goes through it.
    // It can be read and replaced; by default it is WndProc.
    TWndMethod WindowProc;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool value) override;
    void SetCaption(const std::string& caption) override;
    void SetColor(TColor color) override;
    void ChangeScale(int multiplier, int divider) override;
    void FontChanged() override;
    virtual int ClientWidth();
    virtual int ClientHeight();

    // Sends a message through the window (creating it if needed).
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

    static TWinControl* FromHandle(HWND wnd);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateHandle();
    virtual void DestroyWnd();
    // Message handling by number; unhandled messages go to DefaultHandler.
    virtual void WndProc(TMessage& message);
    void DefaultHandler(TMessage& message);
    virtual void AlignControls();
    virtual void Paint(HDC dc) {}
    // The font the window is given when it is made: the form's, by default.
    virtual HFONT ControlFont() { return FParent ? FParent->ControlFont() : nullptr; }
    // Where the window sits as its parent sees it.
    virtual void ReadWindowBounds(int& left, int& top, int& width, int& height);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FCreating = false;
    // Minimised since the last size it was given.
    bool FIconic = false;
    TGdiObject<HBRUSH> FBrush;

private:
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    static LRESULT CALLBACK StdWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The window procedure the class of these parameters builds on,
    // registering the class on first use.
    static WNDPROC RegisterWindowClass(const TCreateParams& params);
    // One handler per message that WndProc handles itself.
    void WMMoveSize(TMessage& message);
    void WMLButtonDown(TMessage& message);
    void WMLButtonDblClk(TMessage& message);
    void WMLButtonUp(TMessage& message);
    void WMCommand(TMessage& message);
    void WMEraseBkgnd(TMessage& message);
    void WMPaint(TMessage& message);

    std::vector<TControl*> FControls;

    friend class TControl;
};
