// TControlHook: a non-visual component that sees every message of one window
// control before the control's own handling, by replacing the control's
// message procedure and putting the saved one back when it is done.
#pragma once

#include <cstdint>

#include "framework/Controls.h"

// Which window is hooked: the control named by Control itself, or the form
// that holds it (or, with no Control, the form found from the hook's owner).
enum THookTarget : uint8_t { htControl = 0, htForm = 1 };

// Why the hooked window changed: it is gone, or the hooked control has a new
// window after a re-creation.
enum THandleChange : uint8_t { hcDestroyed = 1, hcRecreated = 2 };

class TCustomForm;

// The form found from `component`: walking its owner chain, the first form,
// or, at the first plain control, that control's topmost parent when it is a
// form (and nothing otherwise; the walk ends there).
TCustomForm* FindOwnerForm(TComponent* component);

class TControlHook : public TComponent {
public:
    explicit TControlHook(TComponent* owner);
    ~TControlHook() override;

    THookTarget Target() const { return FTarget; }
    void SetTarget(THookTarget value);
    TWinControl* Control() const { return FControl; }
    void SetControl(TWinControl* value);

    void Loaded() override;
    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

    // The base records the handle (0 when the window is gone).
    virtual void HandleChanged(THandleChange reason);
    // Every message of the hooked window passes here; the base hands it on,
    // unchanged, to the procedure that was in place before the hook.
    virtual void WndProc(TMessage& message);

    TWinControl* GetTargetControl();
    void SetHooked(bool value);

    // The hooked window as last seen: 0 when none is known, RecreatingHandle()
    // (all bits set) from WM_CREATE of a re-created window until the next
    // message tells the new handle. Kept as an HWND: 32 bits in the product.
    static HWND RecreatingHandle() { return reinterpret_cast<HWND>(static_cast<INT_PTR>(-1)); }

    THookTarget FTarget = htControl;
    TWinControl* FControl = nullptr;
    TWinControl* FHookedControl = nullptr;
    HWND FHookedHandle = nullptr;
    TWndMethod FSavedWndProc;

    // The replacement procedure, bound to this hook.
    TWndMethod HookMethod() { return Bind<&TControlHook::HookWndProc>(this); }

private:
    void HookWndProc(TMessage& message);
    // The two halves of SetHooked.
    void HookTarget();
    void UnhookTarget();
    // Takes this hook out of a chain in which a later hook still stands;
    // false when the control's procedure is not a chain through this hook.
    bool LeaveChain();
};
