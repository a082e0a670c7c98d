#include "framework/StdCtrls.h"

#include "framework/TextConversion.h"

// ------------------------------------------------------------------ TButton

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FWidth = 75;
    FHeight = 25;
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = "BUTTON";
    p.WinClassName = "Pelorin.TButton";
    // The default button wears the thicker frame that says Enter presses it.
    p.Style |= (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
}

void TButton::SetDefault(bool value) {
    FDefault = value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

bool TButton::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Default")
        SetDefault(v.IsIdent("True"));
    else if (name == "Cancel")
        SetCancel(v.IsIdent("True"));
    else
        return TWinControl::SetProperty(name, v);
    return true;
}

void TButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED)
                Click();
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            // The button reports a click itself (BN_CLICKED), also from the
            // keyboard; the press and release alone are not one.
            DefaultHandler(m);
            break;
        default: TWinControl::WndProc(m);
    }
}

// ------------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
    FWidth = 65;
    FHeight = 12;
}

void TLabel::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = "STATIC";
    p.WinClassName = "Pelorin.TLabel";
    p.Style = (p.Style & ~WS_CLIPCHILDREN) | SS_LEFT;
}

void TLabel::SetAutoSize(bool value) {
    FAutoSize = value;
    AdjustSize();
}

void TLabel::SetCaption(const std::string& caption) {
    TWinControl::SetCaption(caption);
    AdjustSize();
}

void TLabel::ChangeScale(int m, int d) {
    TWinControl::ChangeScale(m, d);
    AdjustSize();
}

void TLabel::FontChanged() {
    TWinControl::FontChanged();
    AdjustSize();
}

void TLabel::AdjustSize() {
    if (!FAutoSize)
        return;
    TEXTMETRICW tm{};
    SIZE size{0, 0};
    {
        TWindowDC dc(nullptr);
        TSelectedObject font(dc.Get(), ControlFont());
        GetTextMetricsW(dc.Get(), &tm);
        const std::wstring text = Utf8ToWide(FCaption);
        GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(text.size()), &size);
    }
    // An empty label keeps the height of a line.
    SetBounds(FLeft, FTop, size.cx, tm.tmHeight);
}

bool TLabel::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "AutoSize")
        SetAutoSize(v.IsIdent("True"));
    else
        return TWinControl::SetProperty(name, v);
    return true;
}
