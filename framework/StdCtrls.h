// Standard controls built on the system's window classes.
#pragma once

#include "framework/Controls.h"

// A push button: the system "BUTTON" class behind our message procedure.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
};
