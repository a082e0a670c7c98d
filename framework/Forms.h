// Forms and the application object: top-level windows with frame styles,
// placement and modal showing; the message loop and the program's message
// and error boxes.
#pragma once

#include "framework/Controls.h"
#include "framework/Menus.h"

// bsNone: no frame, caption or menu bar at all (a full-screen window).
enum TBorderStyle { bsSizeable, bsDialog, bsNone };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TPosition { poDesigned, poScreenCenter };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// The pixels per inch of the monitor a window is on, as the window sees it
// (a program unaware of the display scale sees 96); the screen's setting where
// the system has no setting per monitor, or for no window.
int WindowPixelsPerInch(HWND wnd);
// A system metric (SM_CXICON, say) at a number of pixels per inch.
int SystemMetricForPixelsPerInch(int index, int pixelsPerInch);

// The form's font: a pixel height at the form's current pixels per inch.
struct TFont {
    std::string Name = "ＭＳ Ｐゴシック";
    int Height = -12;
    BYTE Charset = SHIFTJIS_CHARSET;
    TColor Color = clWindowText;
};

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value);

    int ClientWidth() override;
    int ClientHeight() override;
    void SetClientWidth(int value);
    void SetClientHeight(int value);

    // The monitor the window is on, or the nearest one, in screen coordinates:
    // its work area (without the task bar) or its whole area.
    RECT MonitorArea(bool workArea);

    TFont& Font() { return FFont; }
    HFONT FontHandle();

    // The menu bar. It is part of the window's outer size.
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);
    // Runs the menu item or action with this shortcut; false when none has it.
    virtual bool IsShortCut(TShortCut shortCut);

    // Layouts are made at PixelsPerInch (96 unless stated); a Scaled form
    // grows or shrinks its sizes, positions and font to the screen's setting
    // once its layout is read. An unscaled form keeps its pixels.
    // Whatever its Scaled, a form's font follows the display's scale: when the
    // layout is read, and when the window meets another scale (WM_DPICHANGED,
    // where a Scaled form's controls follow too and the window takes the
    // rectangle Windows suggests).
    bool Scaled() const { return FScaled; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    // The pixels per inch the font and layout stand at now.
    int CurrentPixelsPerInch() const { return FCurrentPixelsPerInch; }
    void ScaleBy(int multiplier, int divider);

    void Show();
    void Hide() { SetVisible(false); }
    void SetVisible(bool value) override;
    // Shows the form as the process's start-up show state asks (SW_*).
    void ShowWithState(int showCommand);
    int ShowModal();
    void Close();
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    // The wheel turned over the form or any of its children (which hand it
    // up): the distance, 120 a notch, positive away from the user.
    TMethod<TObject*, int> OnMouseWheel;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;
    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void DestroyWnd() override;
    // The screen's pixels per inch, which Scaled forms adapt to.
    virtual int ScreenPixelsPerInch();
    // Reads the form's layout from the resource named after it, runs every
    // component's after-loading step, then the creation handler. Called at
    // the end of the most derived constructor.
    void InitializeForm(const char* layoutResource);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    HFONT ControlFont() override { return FontHandle(); }
    void DoCreate();
    void DoShow();
    void FocusFirstControl();
    // Frame size around the client area for the current styles.
    SIZE FrameExtent();
    // The font at another scale; the windows that use it take the new one.
    void ScaleFont(int multiplier, int divider);
    // The program's icon (the resource MAINICON), large and small, at the
    // window's pixels per inch: title bar, Alt+Tab and task bar.
    void UpdateIcons();
    void WMDpiChanged(TMessage& message);
    void WMActivate(TMessage& message);
    // The button that Enter (default) or Esc (cancel) clicks, if one can be.
    TWinControl* DialogButton(bool cancel);

private:
    TBorderStyle FBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TFont FFont;
    TGdiObject<HFONT> FFontHandle;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FShownOnce = false;
    TMainMenu* FMenu = nullptr;
    std::string FMenuName;  // from a layout, bound once the layout is read
    bool FScaled = true;
    int FPixelsPerInch = 96;
    int FCurrentPixelsPerInch = 96;
    TGdiObject<HICON> FBigIcon, FSmallIcon;
    // The child that had the keyboard when the form was last deactivated.
    HWND FLastFocus = nullptr;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

using TExceptionEvent = TMethod<TObject*, const Exception&>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner) : TComponent(owner) {}

    // Enters COM for the user-interface thread.
    void Initialize();
    // Destroys the forms, newest first, and leaves COM. When work that was
    // given up on still runs (see RunInBackground), the process then ends at
    // once with exit code 0 instead of returning.
    void Finalize();

    template <class T>
    void CreateForm(T*& reference) {
        reference = nullptr;
        T* form = new T(this);
        reference = form;
        if (!FMainForm) {
            form->HandleNeeded();
            FMainForm = form;
        }
    }
    TCustomForm* MainForm() const { return FMainForm; }

    // Shows the main form as the start-up show state asks, then dispatches
    // messages until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void SetTerminated(bool value) { FTerminated = value; }
    // Dispatches what is waiting; returns at once when nothing is.
    void ProcessMessages();
    bool HandleMessage(bool wait);
    // A key press that is a shortcut of the form it was typed in (anywhere in
    // it, child windows included) runs the shortcut instead of reaching the
    // window. True when it did.
    bool IsShortCutMessage(const MSG& msg);

    // While the application is busy (between BeginBusy and the matching
    // EndBusy, which nest), the user's input that would start something else
    // is ignored, not kept for later: clicks and keys in client areas, dropped
    // files, and every menu item, action and shortcut but those marked to run
    // while busy. Painting, timers, moving, sizing and closing go on.
    void BeginBusy();
    // Leaving the last busy state also discards such input still queued.
    void EndBusy();
    bool Busy() const { return FBusy > 0; }

    std::string Title;
    // What the process returns when it ends: 0 unless something sets it.
    int ExitCode = 0;

    // The plain message box: modal, centred on the screen, the title as
    // caption, one OK button, no icon.
    void ShowMessage(const std::string& text);
    // Call inside a catch block: shows the error through OnException, or in
    // the error box (title as caption, error icon, the error's message).
    void HandleException(TObject* sender);
    void ShowException(const Exception& error);
    TExceptionEvent OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FComInitialized = false;
    int FBusy = 0;
};

// Whether a queued message of this number is the user's input that a busy
// application ignores (see TApplication::BeginBusy).
bool IgnoredWhileBusy(UINT message);

extern TApplication* Application;
