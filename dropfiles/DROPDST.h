// TDropDst: makes the hooked window accept files dragged from the shell and
// turns each drop into one OnFileDrop call with every name (whole, in UTF-8)
// and the point.
#pragma once

#include "dropfiles/CTLHOOK.h"

#include <shellapi.h>

// Sender, Files (owned by the drop target, valid during the call), X, Y.
using TFileDropEvent = TMethod<TObject*, TStrings*, int, int>;

// The shell and window calls the drop target makes; it always calls through
// this table (the real functions by default) so that tests can count them.
struct TDropShellCalls {
    BOOL(WINAPI* IsWindow)(HWND);
    void(WINAPI* DragAcceptFiles)(HWND, BOOL);
    UINT(WINAPI* DragQueryFileW)(HDROP, UINT, LPWSTR, UINT);
    BOOL(WINAPI* DragQueryPoint)(HDROP, POINT*);
    void(WINAPI* DragFinish)(HDROP);
};
extern TDropShellCalls DropShellCalls;

// Makes TDropDst known to the layout reader (see RegisterFrameworkClasses).
void RegisterDropFilesClasses();

class TDropDst : public TControlHook {
public:
    explicit TDropDst(TComponent* owner);

    TFileDropEvent OnFileDrop;
    bool AcceptDrop() const { return FAcceptDrop; }
    void SetAcceptDrop(bool value);

    void Loaded() override;
    bool SetProperty(const std::string& name, const TLayoutValue& value) override;

protected:
    void HandleChanged(THandleChange reason) override;
    void WndProc(TMessage& message) override;

private:
    void UpdateDragAccept();
    void DoFileDrop(HDROP drop);

    bool FAcceptDrop = true;
};
