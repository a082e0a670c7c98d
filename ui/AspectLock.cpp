#include "ui/AspectLock.h"

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "ui/ScreenFit.h"

namespace {
// Posted to the form to correct a size it was given, after the change that
// gave it is over (a window manager's resize is still being applied while
// WM_SIZE runs, and a new size asked for there is lost).
constexpr UINT WM_LOCKASPECT = WM_APP + 12347;
}  // namespace

TAspectLock::TAspectLock(TComponent* form, std::function<bool()> suspended)
    : TControlHook(form), FSuspended(std::move(suspended)) {
    SetTarget(htForm);
}

void TAspectLock::SetAspect(double value) {
    FAspect = value;
    FCorrectedFrom = {-1, -1};
}

bool TAspectLock::NeedsCorrection() {
    auto* form = dynamic_cast<TCustomForm*>(FHookedControl);
    if (!form || FAspect <= 0 || (FSuspended && FSuspended()) || !FHookedHandle || FHookedHandle == RecreatingHandle())
        return false;
    // A maximised or minimised window has the size the system gives it; the
    // picture is letterboxed in it instead.
    if (IsZoomed(FHookedHandle) || IsIconic(FHookedHandle))
        return false;
    return form->ClientHeight() != RoundHalfEven(form->ClientWidth() * FAspect);
}

void TAspectLock::Correct() {
    FPending = false;
    if (!NeedsCorrection())
        return;
    auto* form = static_cast<TCustomForm*>(FHookedControl);
    SIZE now{form->ClientWidth(), form->ClientHeight()};
    if (now.cx == FCorrectedFrom.cx && now.cy == FCorrectedFrom.cy)
        return;
    FCorrectedFrom = now;
    form->SetClientHeight(RoundHalfEven(now.cx * FAspect));
}

void TAspectLock::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_SIZING:
            if (FAspect > 0 && !(FSuspended && FSuspended())) {
                auto* form = static_cast<TCustomForm*>(FHookedControl);
                auto* rect = reinterpret_cast<RECT*>(message.LParam);
                TArea area{rect->left, rect->top, rect->right, rect->bottom};
                TArea locked =
                    LockSizingRect(area, static_cast<int>(message.WParam), form->Width() - form->ClientWidth(),
                                   form->Height() - form->ClientHeight(), FAspect);
                *rect = {locked.Left, locked.Top, locked.Right, locked.Bottom};
                message.Result = TRUE;
                return;
            }
            break;
        case WM_LOCKASPECT: Correct(); return;
        default: break;
    }
    TControlHook::WndProc(message);
    if (message.Msg == WM_SIZE && !FPending && NeedsCorrection())
        FPending = PostMessageW(FHookedHandle, WM_LOCKASPECT, 0, 0);
}
