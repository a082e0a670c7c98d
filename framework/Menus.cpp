#include "framework/Menus.h"

#include <algorithm>

#include "framework/ActnList.h"
#include "framework/TextConversion.h"

namespace {
// Numbers for WM_COMMAND, one per item for the life of the process. Zero is
// left out: it is what a menu without an identifier reports.
WORD NextCommand() {
    static WORD next = 0;
    if (++next == 0)
        ++next;
    return next;
}
}  // namespace

// ---------------------------------------------------------------- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(NextCommand()) {}

TMenuItem::~TMenuItem() {
    MarkDestroying();
    if (FParentItem)
        FParentItem->Remove(this);
    for (TMenuItem* item : FItems)
        item->FParentItem = nullptr;
}

TAction* TMenuItem::Action() {
    if (!FActionName.empty() && Owner()) {
        // Layouts may name an action that is read after the item.
        std::string name = std::move(FActionName);
        FActionName.clear();
        SetAction(dynamic_cast<TAction*>(Owner()->FindComponent(name)));
    }
    return FAction;
}

void TMenuItem::SetAction(TAction* action) {
    if (FAction)
        RemoveFreeNotification(FAction);
    FAction = action;
    if (FAction)
        FreeNotification(FAction);
}

std::string TMenuItem::Caption() {
    return Action() ? FAction->Caption() : FCaption;
}

TShortCut TMenuItem::ShortCut() {
    return Action() ? FAction->ShortCut() : FShortCut;
}

void TMenuItem::Add(TMenuItem* item) {
    if (item->FParentItem)
        item->FParentItem->Remove(item);
    FItems.push_back(item);
    item->FParentItem = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
    item->FParentItem = nullptr;
}

void TMenuItem::Click() {
    if (Action())
        FAction->Execute();
    else if (OnClick && !ApplicationBusy())
        OnClick(this);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FAction)
        FAction = nullptr;
}

bool TMenuItem::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Caption")
        FCaption = v.Str;
    else if (name == "ShortCut")
        FShortCut = ShortCutFromLayout(v);
    else if (name == "Action")
        FActionName = v.Str;
    else if (name == "OnClick")
        OnClick = LayoutMethod<TNotifyEvent>(this, v);
    else
        return TComponent::SetProperty(name, v);
    return true;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
    if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
    else if (auto* menu = dynamic_cast<TMainMenu*>(parent))
        menu->Items()->Add(this);
}

void TMenuItem::AppendTo(HMENU menu) {
    std::string caption = Caption();
    if (caption == "-") {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        return;
    }
    std::string keys = ShortCutToText(ShortCut());
    if (!keys.empty())
        caption += "\t" + keys;
    if (FItems.empty()) {
        AppendMenuW(menu, MF_STRING, FCommand, Utf8ToWide(caption).c_str());
        return;
    }
    HMENU popup = CreatePopupMenu();
    for (TMenuItem* item : FItems)
        item->AppendTo(popup);
    AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), Utf8ToWide(caption).c_str());
}

TMenuItem* TMenuItem::FindCommand(WORD command) {
    if (FCommand == command)
        return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindCommand(command))
            return found;
    return nullptr;
}

bool TMenuItem::IsShortCut(TShortCut shortCut) {
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems)) {
        if (item->FItems.empty() && item->ShortCut() == shortCut) {
            item->Click();
            return true;
        }
        if (item->IsShortCut(shortCut))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- TMainMenu

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), FItems(nullptr) {}

TMainMenu::~TMainMenu() {
    MarkDestroying();
    // Owned by the form like this menu, the items may outlive it by a moment.
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems.FItems))
        FItems.Remove(item);
    if (FHandle)
        DestroyMenu(FHandle);
}

HMENU TMainMenu::Handle() {
    if (!FHandle) {
        FHandle = CreateMenu();
        for (TMenuItem* item : FItems.FItems)
            item->AppendTo(FHandle);
    }
    return FHandle;
}

bool TMainMenu::DispatchCommand(WORD command) {
    TMenuItem* item = FItems.FindCommand(command);
    if (!item || item == &FItems)
        return false;
    item->Click();
    return true;
}

bool TMainMenu::IsShortCut(TShortCut shortCut) {
    return shortCut != 0 && FItems.IsShortCut(shortCut);
}
