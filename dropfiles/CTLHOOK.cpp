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
        HandleChanged(hcDestroyed);
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
    if (value)
        HookTarget();
    else
        UnhookTarget();
}

void TControlHook::HookTarget() {
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
}

void TControlHook::UnhookTarget() {
    if (!FHookedControl)
        return;
    if (FHookedControl->WindowProc == HookMethod() || !LeaveChain())
        FHookedControl->WindowProc = FSavedWndProc;
    FHookedHandle = nullptr;
    FHookedControl = nullptr;
}

bool TControlHook::LeaveChain() {
    // A hook installed later is still in place. Putting our saved
    // procedure back would cut that hook off, and its own removal would
    // later restore a procedure bound to this (by then destroyed) hook.
    // So this hook leaves the chain between its neighbours instead.
    TWndMethod ours = HookMethod();
    TWndMethod link = FHookedControl->WindowProc;
    while (link.Code == ours.Code) {
        auto* later = static_cast<TControlHook*>(link.Data);
        if (later == this || later->FHookedControl != FHookedControl)
            return false;
        if (later->FSavedWndProc == ours) {
            later->FSavedWndProc = FSavedWndProc;
            return true;
        }
        link = later->FSavedWndProc;
    }
    return false;
}

void TControlHook::HookWndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_CREATE: FHookedHandle = RecreatingHandle(); break;
        case WM_DESTROY: HandleChanged(hcDestroyed); break;
        default:
            // The first message after WM_CREATE of a re-created window.
            if (FHookedHandle == RecreatingHandle() && FHookedControl && FHookedControl->HandleAllocated())
                HandleChanged(hcRecreated);
    }
    WndProc(message);
}

void TControlHook::HandleChanged(THandleChange reason) {
    if (reason == hcDestroyed)
        FHookedHandle = nullptr;
    else
        FHookedHandle = FHookedControl ? FHookedControl->Handle() : nullptr;
}

void TControlHook::WndProc(TMessage& message) {
    if (FSavedWndProc)
        FSavedWndProc(message);
}
