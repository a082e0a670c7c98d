#include "framework/StdCtrls.h"

#include "framework/Layout.h"

namespace {
const bool kRegistered = RegisterComponentClass<TButton>("TButton");
}

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
