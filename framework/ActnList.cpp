#include "framework/ActnList.h"

#include <algorithm>

TAction::TAction(TComponent* owner) : TComponent(owner) {}

TAction::~TAction() {
    SetActionList(nullptr);
}

void TAction::SetActionList(TActionList* list) {
    if (FActionList) {
        auto& a = FActionList->FActions;
        a.erase(std::remove(a.begin(), a.end(), this), a.end());
    }
    FActionList = list;
    if (FActionList)
        FActionList->FActions.push_back(this);
}

bool TAction::Execute() {
    if (!OnExecute)
        return false;
    if (ApplicationBusy() && !FRunsWhileBusy)
        return true;
    OnExecute(this);
    return true;
}

bool TAction::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Caption")
        FCaption = v.Str;
    else if (name == "ShortCut")
        FShortCut = ShortCutFromLayout(v);
    else if (name == "RunsWhileBusy")
        FRunsWhileBusy = v.IsIdent("True");
    else if (name == "OnExecute")
        OnExecute = LayoutMethod<TNotifyEvent>(this, v);
    else
        return TComponent::SetProperty(name, v);
    return true;
}

void TAction::SetParentComponent(TComponent* parent) {
    if (auto* list = dynamic_cast<TActionList*>(parent))
        SetActionList(list);
}

TActionList::TActionList(TComponent* owner) : TComponent(owner) {}

TActionList::~TActionList() {
    for (TAction* a : std::vector<TAction*>(FActions))
        a->SetActionList(nullptr);
}

bool TActionList::IsShortCut(TShortCut shortCut) {
    if (shortCut == 0)
        return false;
    for (TAction* a : std::vector<TAction*>(FActions))
        if (a->ShortCut() == shortCut)
            return a->Execute();
    return false;
}
