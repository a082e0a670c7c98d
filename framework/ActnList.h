// Actions: a caption, a shortcut and a handler that menu items share.
#pragma once

#include "framework/Classes.h"
#include "framework/ShortCuts.h"

class TActionList;

class TAction : public TComponent {
public:
    explicit TAction(TComponent* owner);
    ~TAction() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value) { FCaption = value; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value) { FShortCut = value; }
    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* list);

    // Whether the action runs while the application is busy (closing the
    // window, say); any other is then ignored.
    bool RunsWhileBusy() const { return FRunsWhileBusy; }
    void SetRunsWhileBusy(bool value) { FRunsWhileBusy = value; }

    // Runs OnExecute; false when there is none. An action that may not run
    // while the application is busy is then ignored, and counts as run.
    bool Execute();
    TNotifyEvent OnExecute;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override;
    void SetParentComponent(TComponent* parent) override;

private:
    std::string FCaption;
    TShortCut FShortCut = 0;
    TActionList* FActionList = nullptr;
    bool FRunsWhileBusy = false;
};

class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner);
    ~TActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TAction* Actions(int index) const { return FActions.at(static_cast<size_t>(index)); }
    // Runs the action with this shortcut; false when none has it.
    bool IsShortCut(TShortCut shortCut);

private:
    friend class TAction;
    std::vector<TAction*> FActions;
};
