// Main menus and their items. An item bound to an action shows the action's
// caption and shortcut and runs the action when chosen.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/Classes.h"
#include "framework/ShortCuts.h"

class TAction;
class TMainMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // What the menu shows: the action's caption and shortcut when bound to one.
    std::string Caption();
    void SetCaption(const std::string& value) { FCaption = value; }
    TShortCut ShortCut();
    void SetShortCut(TShortCut value) { FShortCut = value; }
    bool IsLine() { return Caption() == "-"; }
    TAction* Action();
    void SetAction(TAction* action);

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
    void Add(TMenuItem* item);
    TMenuItem* Parent() const { return FParentItem; }
    // The number the item's WM_COMMAND carries.
    WORD Command() const { return FCommand; }

    // Runs the action, or OnClick for an item without one (which, like an
    // action not marked otherwise, is ignored while the application is busy).
    void Click();
    TNotifyEvent OnClick;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;
    void SetParentComponent(TComponent* parent) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TMainMenu;
    void Remove(TMenuItem* item);
    // Appends this item (and its submenu) to a native menu.
    void AppendTo(HMENU menu);
    TMenuItem* FindCommand(WORD command);
    bool IsShortCut(TShortCut shortCut);

    std::string FCaption;
    TShortCut FShortCut = 0;
    TAction* FAction = nullptr;
    std::string FActionName;  // from a layout, bound once the layout is read
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParentItem = nullptr;
    WORD FCommand;
};

class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;

    TMenuItem* Items() { return &FItems; }
    // The native menu bar, built on first demand. A window that shows it
    // must let go of it (SetMenu(wnd, nullptr)) before being destroyed.
    HMENU Handle();

    // Chooses the item that sent a WM_COMMAND; false when none did.
    bool DispatchCommand(WORD command);
    // Chooses the item with this shortcut; false when none has it.
    bool IsShortCut(TShortCut shortCut);

private:
    TMenuItem FItems;
    HMENU FHandle = nullptr;
};
