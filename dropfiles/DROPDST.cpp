#include "dropfiles/DROPDST.h"

#include "framework/Layout.h"
#include "framework/TextConversion.h"

#include <algorithm>
#include <vector>

TDropShellCalls DropShellCalls = {&::IsWindow, &::DragAcceptFiles, &::DragQueryFileW, &::DragQueryPoint, &::DragFinish};

namespace {
// Finishes the shell's drop however the handling ends, even when reporting
// an error fails in turn.
class TDropFinisher {
public:
    explicit TDropFinisher(HDROP drop) : FDrop(drop) {}
    ~TDropFinisher() { DropShellCalls.DragFinish(FDrop); }
    TDropFinisher(const TDropFinisher&) = delete;
    TDropFinisher& operator=(const TDropFinisher&) = delete;

private:
    HDROP FDrop;
};
}  // namespace

void RegisterDropFilesClasses() {
    RegisterComponentClass<TDropDst>("TDropDst");
}

TDropDst::TDropDst(TComponent* owner) : TControlHook(owner) {
    FAcceptDrop = true;
}

void TDropDst::SetAcceptDrop(bool value) {
    if (value == FAcceptDrop)
        return;
    FAcceptDrop = value;
    UpdateDragAccept();
}

void TDropDst::Loaded() {
    TControlHook::Loaded();
    UpdateDragAccept();
}

bool TDropDst::SetProperty(const std::string& name, const TLayoutValue& value) {
    if (name == "OnFileDrop") {
        OnFileDrop = LayoutMethod<TFileDropEvent>(this, value);
    } else if (name == "AcceptDrop") {
        if (!value.IsIdent("True") && !value.IsIdent("False"))
            throw Exception("AcceptDrop must be True or False: " + value.Str);
        SetAcceptDrop(value.IsIdent("True"));
    } else if (name == "Target") {
        if (value.IsIdent("htForm"))
            SetTarget(htForm);
        else if (value.IsIdent("htControl"))
            SetTarget(htControl);
        else
            throw Exception("Unknown hook target: " + value.Str);
    } else {
        return TControlHook::SetProperty(name, value);
    }
    return true;
}

void TDropDst::HandleChanged(THandleChange reason) {
    TControlHook::HandleChanged(reason);
    // A new window of the hooked control accepts drops like the old one.
    UpdateDragAccept();
}

void TDropDst::WndProc(TMessage& message) {
    if (message.Msg != WM_DROPFILES) {
        TControlHook::WndProc(message);
        return;
    }
    // The drop is ours alone: the window's own handling never sees it.
    HDROP drop = reinterpret_cast<HDROP>(message.WParam);
    TDropFinisher finisher(drop);
    try {
        DoFileDrop(drop);
    } catch (...) {
        HandleApplicationException(this);
    }
}

void TDropDst::UpdateDragAccept() {
    // Covers the re-creation marker too: it names no window.
    if (!FHookedHandle || !DropShellCalls.IsWindow(FHookedHandle))
        return;
    DropShellCalls.DragAcceptFiles(FHookedHandle, FAcceptDrop);
}

void TDropDst::DoFileDrop(HDROP drop) {
    if (!OnFileDrop)
        return;
    TStringList files;  // freed however the handler ends
    UINT count = DropShellCalls.DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // The name's own length first, so that a long name arrives whole (no
        // Windows path is longer than 32767 units). Room for more than is
        // offered, and cleared each time: the name always ends in a zero, and
        // a failed query cannot repeat the previous name.
        UINT length = std::min<UINT>(DropShellCalls.DragQueryFileW(drop, i, nullptr, 0), 32767);
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 2, L'\0');
        DropShellCalls.DragQueryFileW(drop, i, buffer.data(), length + 1);
        files.Add(WideToUtf8(buffer.data()));
    }
    POINT point{};
    DropShellCalls.DragQueryPoint(drop, &point);
    OnFileDrop(this, &files, point.x, point.y);
}
