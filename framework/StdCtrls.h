// Standard controls built on the system's window classes.
#pragma once

#include "framework/Controls.h"

// A push button: the system "BUTTON" class behind our message procedure. It
// clicks when the system says so (mouse or space bar), not on every release.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    // Enter anywhere in the form presses the Default button, Esc the Cancel
    // one, as in a dialog box.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    using TWinControl::Click;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    bool FDefault = false;
    bool FCancel = false;
};

// The button of dialogs: a push button with no picture and no result of its
// own; what a click does is its OnClick.
class TBitBtn : public TButton {
public:
    using TButton::TButton;
};

// A line of text on the system "STATIC" class. With AutoSize (the default)
// it takes the size of its text in its font, whenever the text or the scale
// changes.
class TLabel : public TWinControl {
public:
    explicit TLabel(TComponent* owner);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    void SetCaption(const std::string& caption) override;
    void ChangeScale(int multiplier, int divider) override;
    void FontChanged() override;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void AdjustSize();

private:
    bool FAutoSize = true;
};
