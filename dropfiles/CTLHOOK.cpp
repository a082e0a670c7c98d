#include "dropfiles/CTLHOOK.h"

#include "framework/Forms.h"

TCustomForm* FindOwnerForm(TComponent* component) {
    for (TComponent* c = component; c; c = c->Owner()) {
        // A form is a control too, so it is asked for first: a form inside
        // another window is still the form that is meant.
        if (auto* form = dynamic_cast<TCustomForm*>(c))
            return form;
        if (auto* control = dynamic_cast<TControl*>(c)) {
            TControl* top = control;
            while (top->Parent())
                top = top->Parent();
            return dynamic_cast<TCustomForm*>(top);
        }
    }
    return nullptr;
}

TControlHook::TControlHook(TComponent* owner) : TComponent(owner) {}

TControlHook::~TControlHook() {
    SetHooked(false);
}

void TControlHook::SetTarget(THookTarget value) {
    // No comparison: writing the same value hooks afresh.
    SetHooked(false);
    FTarget = value;
    SetHooked(true);
}

void TControlHook::SetControl(TWinControl* value) {
    SetHooked(false);
    FControl = value;
    // Watched so that it is forgotten when it goes: a later installation
    // must not reach a destroyed control.
    if (value)
        value->FreeNotification(this);
    SetHooked(true);
}

void TControlHook::Loaded() {
    TComponent::Loaded();
    // Hooks again with the settings the whole layout left.
    SetControl(FControl);
}

bool TControlHook::SetProperty(const std::string& name, const TLayoutValue& value) {
    if (name == "Control") {
        TWinControl* control = nullptr;
        if (!value.IsIdent("nil")) {
            TComponent* root = LayoutRoot();
            TComponent* found = nullptr;
            if (root)
                found = root->Name() == value.Str ? root : root->FindComponent(value.Str);
            control = dynamic_cast<TWinControl*>(found);
            if (!control)
                throw Exception("Window control not found: " + value.Str);
        }
        SetControl(control);
        return true;
    }
    return TComponent::SetProperty(name, value);
}

void TControlHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == FHookedControl) {
        // The control is going away: its procedure is not put back, and
        // FSavedWndProc stays so its last messages still reach its handling.
        HandleChanged(1);
        FHookedControl = nullptr;
    }
    if (component == FControl)
        FControl = nullptr;
}

TWinControl* TControlHook::GetTargetControl() {
    if (FTarget == htForm)
        return FindOwnerForm(FControl ? static_cast<TComponent*>(FControl) : this);
    return FControl;
}

void TControlHook::SetHooked(bool value) {
    if (Designing())
        return;
    if (value) {
        // Every caller has removed first.
        TWinControl* w = GetTargetControl();
        HWND handle = w ? w->Handle() : nullptr;
        if (!handle) {
            if (FTarget == htForm)
                throw Exception("フック先を特定できません。");
            return;
        }
        FHookedHandle = handle;
        FHookedControl = w;
        w->FreeNotification(this);
        FSavedWndProc = w->WindowProc;
        w->WindowProc = HookMethod();
        return;
    }

    if (!FHookedControl)
        return;
    TWndMethod ours = HookMethod();
    bool unlinked = false;
    if (FHookedControl->WindowProc != ours) {
        // A hook installed later is still in place. Putting our saved
        // procedure back would cut that hook off, and its own removal would
        // later restore a procedure bound to this (by then destroyed) hook.
        // So this hook leaves the chain between its neighbours instead.
        TWndMethod link = FHookedControl->WindowProc;
        while (link.Code == ours.Code) {
            auto* later = static_cast<TControlHook*>(link.Data);
            if (later == this || later->FHookedControl != FHookedControl)
                break;
            if (later->FSavedWndProc == ours) {
                later->FSavedWndProc = FSavedWndProc;
                unlinked = true;
                break;
            }
            link = later->FSavedWndProc;
        }
    }
    if (!unlinked)
        FHookedControl->WindowProc = FSavedWndProc;
    FHookedHandle = nullptr;
    FHookedControl = nullptr;
}

void TControlHook::HookWndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_CREATE:
            FHookedHandle = RecreatingHandle();
            break;
        case WM_DESTROY:
            HandleChanged(1);
            break;
        default:
            // The first message after WM_CREATE of a re-created window.
            if (FHookedHandle == RecreatingHandle() && FHookedControl && FHookedControl->HandleAllocated())
                HandleChanged(2);
    }
    WndProc(message);
}

void TControlHook::HandleChanged(uint8_t reason) {
    if (reason == 1)
        FHookedHandle = nullptr;
    else
        FHookedHandle = FHookedControl ? FHookedControl->Handle() : nullptr;
}

void TControlHook::WndProc(TMessage& message) {
    if (FSavedWndProc)
        FSavedWndProc(message);
}
