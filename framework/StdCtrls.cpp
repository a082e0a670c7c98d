#include "framework/StdCtrls.h"

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FWidth = 75;
    FHeight = 25;
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClass = "BUTTON";
    p.WinClassName = "Pelorin.TButton";
    p.Style |= BS_PUSHBUTTON | WS_TABSTOP;
}
