// The window-procedure hook and the file drop target, on real windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dropfiles/CTLHOOK.h"
#include "dropfiles/DROPDST.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Layout.h"
#include "framework/StdCtrls.h"
#include "support/Drops.h"
#include "support/Publishing.h"

#include <shlobj.h>

using Names = std::vector<std::string>;

namespace {

// ------------------------------------------------------------ shell calls

struct TShellLog {
    int IsWindow = 0;
    std::vector<std::pair<HWND, BOOL>> Accepts;
    int QueryFile = 0;
    int QueryPoint = 0;
    int Finish = 0;
};
TShellLog gShell;

BOOL WINAPI CountIsWindow(HWND wnd) {
    ++gShell.IsWindow;
    return ::IsWindow(wnd);
}
void WINAPI CountDragAcceptFiles(HWND wnd, BOOL accept) {
    gShell.Accepts.push_back({wnd, accept});
    ::DragAcceptFiles(wnd, accept);
}
// Wine counts an empty list as one empty name, so a drop of nothing is
// reported here when asked for.
bool gReportNoNames = false;
UINT WINAPI CountDragQueryFile(HDROP drop, UINT index, LPWSTR buffer, UINT size) {
    ++gShell.QueryFile;
    if (gReportNoNames && index == 0xFFFFFFFF)
        return 0;
    return ::DragQueryFileW(drop, index, buffer, size);
}
BOOL WINAPI CountDragQueryPoint(HDROP drop, POINT* point) {
    ++gShell.QueryPoint;
    return ::DragQueryPoint(drop, point);
}
void WINAPI CountDragFinish(HDROP drop) {
    ++gShell.Finish;
    ::DragFinish(drop);
}

void DropOn(HWND wnd, const Names& names, POINT point = {0, 0}) {
    ASSERT_TRUE(PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names, point)), 0));
    Application->ProcessMessages();
}

bool AcceptsFiles(HWND wnd) {
    return (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

// ------------------------------------------------------------ recorders

struct TDropLog : TObject {
    struct TCall {
        TObject* Sender;
        Names Files;
        int X, Y;
    };
    std::vector<TCall> Calls;
    bool Fail = false;

    void FileDrop(TObject* sender, TStrings* files, int x, int y) {
        Calls.push_back({sender, files->Items(), x, y});
        if (Fail)
            throw Exception("読めません");
    }
    TFileDropEvent Handler() { return Bind<&TDropLog::FileDrop>(this); }
};

struct TErrorLog : TObject {
    std::vector<std::pair<TObject*, std::string>> Errors;
    void Report(TObject* sender, const Exception& e) { Errors.push_back({sender, e.Message()}); }
};

// A form that keeps what its own message handling saw.
class TRecordingForm : public TForm {
public:
    using TForm::TForm;
    std::vector<UINT> Seen;
    static constexpr UINT WM_PROBE = WM_APP + 7;

protected:
    void WndProc(TMessage& m) override {
        Seen.push_back(m.Msg);
        if (m.Msg == WM_PROBE)
            m.Result = static_cast<LRESULT>(m.WParam * 100 + m.LParam);
        else
            TForm::WndProc(m);
    }
};

bool Saw(const std::vector<UINT>& seen, UINT msg) {
    return std::find(seen.begin(), seen.end(), msg) != seen.end();
}

// One entry per HandleChanged call or message seen, with the hook's idea of
// the window at that moment.
struct TEvent {
    enum { evHandleChanged, evMessage } Kind;
    UINT Value;  // reason or message number
    HWND Hooked;
};

class TProbeHook : public TControlHook {
public:
    explicit TProbeHook(TComponent* owner, std::vector<TEvent>* log = nullptr) : TControlHook(owner), FLog(log) {}
    HWND HookedHandle() const { return FHookedHandle; }
    TWinControl* HookedControl() const { return FHookedControl; }
    TWndMethod Hook() { return HookMethod(); }
    void Install() { SetHooked(true); }
    static HWND Recreating() { return RecreatingHandle(); }

protected:
    void HandleChanged(THandleChange reason) override {
        if (FLog)
            FLog->push_back({TEvent::evHandleChanged, reason, FHookedHandle});
        TControlHook::HandleChanged(reason);
    }
    void WndProc(TMessage& m) override {
        if (FLog)
            FLog->push_back({TEvent::evMessage, m.Msg, FHookedHandle});
        TControlHook::WndProc(m);
    }

private:
    std::vector<TEvent>* FLog;
};

class TProbeDropDst : public TDropDst {
public:
    using TDropDst::TDropDst;
    HWND HookedHandle() const { return FHookedHandle; }
    // Runs while the hooked window's WM_CREATE passes.
    std::function<void()> OnCreateMessage;

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_CREATE && OnCreateMessage)
            OnCreateMessage();
        TDropDst::WndProc(m);
    }
};

// Every test counts the drop target's shell calls and catches what reaches
// the application's error handler; an error nobody expected fails the test.
class DropFiles : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedCalls = DropShellCalls;
        DropShellCalls = {&CountIsWindow, &CountDragAcceptFiles, &CountDragQueryFile, &CountDragQueryPoint,
                          &CountDragFinish};
        gShell = TShellLog();
        gReportNoNames = false;
        Application->OnException = Bind<&TErrorLog::Report>(&Errors);
    }
    void TearDown() override {
        Application->ProcessMessages();
        Application->OnException = {};
        DropShellCalls = FSavedCalls;
        for (auto& e : Errors.Errors)
            ADD_FAILURE() << "unexpected error: " << e.second;
    }

    TErrorLog Errors;

private:
    TDropShellCalls FSavedCalls{};
};

using ControlHook = DropFiles;

template <class T = TForm>
std::unique_ptr<T> NewForm() {
    return std::make_unique<T>(nullptr);
}

}  // namespace

// ================================================================ the hook

TEST_F(ControlHook, HooksTheFormItIsMeantTo) {
    // Owned by a form, no Control: that form, its window made on the spot.
    auto form = NewForm();
    TWndMethod original = form->WindowProc;
    auto* hook = new TProbeHook(form.get());
    ASSERT_FALSE(form->HandleAllocated());
    hook->SetTarget(htForm);
    EXPECT_TRUE(form->HandleAllocated());
    EXPECT_EQ(hook->HookedControl(), form.get());
    EXPECT_EQ(hook->HookedHandle(), form->Handle());
    EXPECT_TRUE(form->WindowProc == hook->Hook());
    delete hook;
    EXPECT_TRUE(form->WindowProc == original);

    // A button inside a panel: the button itself, then the form that holds it.
    auto host = NewForm();
    auto* panel = new TPanel(host.get());
    panel->SetParent(host.get());
    auto* button = new TButton(host.get());
    button->SetParent(panel);
    TWndMethod buttonProc = button->WindowProc;
    TWndMethod hostProc = host->WindowProc;
    TProbeHook buttonHook(nullptr);
    buttonHook.SetControl(button);
    EXPECT_EQ(buttonHook.HookedControl(), button);
    EXPECT_EQ(buttonHook.HookedHandle(), button->Handle());
    buttonHook.SetTarget(htForm);
    EXPECT_EQ(buttonHook.HookedControl(), host.get());
    EXPECT_EQ(buttonHook.HookedHandle(), host->Handle());
    EXPECT_TRUE(button->WindowProc == buttonProc);
    EXPECT_TRUE(panel->WindowProc != buttonHook.Hook());
    EXPECT_TRUE(host->WindowProc == buttonHook.Hook());
    buttonHook.SetTarget(htControl);
    EXPECT_TRUE(host->WindowProc == hostProc);
    buttonHook.SetControl(nullptr);

    // A form placed inside another window: that form, not the outer one.
    auto outer = NewForm();
    auto* slot = new TPanel(outer.get());
    slot->SetParent(outer.get());
    auto inner = NewForm();
    inner->SetParent(slot);
    TProbeHook byControl(nullptr);
    byControl.SetControl(inner.get());
    byControl.SetTarget(htForm);
    EXPECT_EQ(byControl.HookedControl(), inner.get());
    auto* owned = new TProbeHook(inner.get());
    owned->SetTarget(htForm);
    EXPECT_EQ(owned->HookedControl(), inner.get());
    delete owned;
    byControl.SetTarget(htControl);
    byControl.SetControl(nullptr);
    inner.reset();
}

TEST_F(ControlHook, NoFormToHook) {
    // No owner and no Control.
    TProbeHook ownerless(nullptr);
    try {
        ownerless.SetTarget(htForm);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "フック先を特定できません。");
    }
    EXPECT_EQ(ownerless.HookedControl(), nullptr);
    EXPECT_EQ(ownerless.HookedHandle(), nullptr);

    // Owned by a control without a parent: the walk ends there, although a
    // form stands further up the owner chain.
    auto form = NewForm();
    TWndMethod formProc = form->WindowProc;
    auto* loose = new TPanel(form.get());
    auto* hook = new TProbeHook(loose);
    EXPECT_THROW(hook->SetTarget(htForm), Exception);
    EXPECT_EQ(hook->HookedControl(), nullptr);
    EXPECT_TRUE(form->WindowProc == formProc);
    EXPECT_FALSE(form->HandleAllocated());

    // A Control whose topmost parent is no form; the earlier hook is gone.
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    TWndMethod buttonProc = button->WindowProc;
    auto* stray = new TButton(form.get());
    stray->SetParent(loose);
    TProbeHook moved(nullptr);
    moved.SetControl(button);
    ASSERT_EQ(moved.HookedControl(), button);
    moved.SetTarget(htForm);  // the button's form: fine
    EXPECT_EQ(moved.HookedControl(), form.get());
    EXPECT_THROW(moved.SetControl(stray), Exception);
    EXPECT_EQ(moved.HookedControl(), nullptr);
    EXPECT_EQ(moved.HookedHandle(), nullptr);
    EXPECT_TRUE(form->WindowProc == formProc);
    EXPECT_TRUE(button->WindowProc == buttonProc);

    // htControl without a Control: quietly nothing.
    TProbeHook idle(nullptr);
    idle.SetTarget(htControl);
    idle.Install();
    EXPECT_EQ(idle.HookedControl(), nullptr);
    EXPECT_EQ(idle.HookedHandle(), nullptr);
}

TEST_F(ControlHook, RewritingAPropertyHooksAfresh) {
    auto form = NewForm();
    TWndMethod original = form->WindowProc;
    {
        TProbeHook hook(nullptr);
        hook.SetControl(form.get());
        hook.SetTarget(htControl);
        hook.SetTarget(htControl);
        hook.SetControl(form.get());
        EXPECT_TRUE(form->WindowProc == hook.Hook());
        EXPECT_EQ(hook.HookedHandle(), form->Handle());
    }
    EXPECT_TRUE(form->WindowProc == original);
    // A message after removal goes straight to the form.
    EXPECT_EQ(SendMessageA(form->Handle(), WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(ControlHook, SeveralHooksOnOneControl) {
    auto form = NewForm<TRecordingForm>();
    TWndMethod original = form->WindowProc;
    std::vector<TEvent> logA, logB;
    auto a = std::make_unique<TProbeHook>(nullptr, &logA);
    auto b = std::make_unique<TProbeHook>(nullptr, &logB);
    a->SetControl(form.get());
    b->SetControl(form.get());
    EXPECT_TRUE(form->WindowProc == b->Hook());
    SendMessageA(form->Handle(), TRecordingForm::WM_PROBE, 1, 2);
    ASSERT_FALSE(logA.empty());
    ASSERT_FALSE(logB.empty());
    EXPECT_TRUE(Saw(form->Seen, TRecordingForm::WM_PROBE));

    // Newest first: each puts back what it found.
    b.reset();
    EXPECT_TRUE(form->WindowProc == a->Hook());
    a.reset();
    EXPECT_TRUE(form->WindowProc == original);

    // The other order must not leave the survivor restoring a procedure of a
    // hook that no longer exists: the first one leaves the chain instead.
    logA.clear();
    logB.clear();
    a = std::make_unique<TProbeHook>(nullptr, &logA);
    b = std::make_unique<TProbeHook>(nullptr, &logB);
    a->SetControl(form.get());
    b->SetControl(form.get());
    a.reset();
    EXPECT_TRUE(form->WindowProc == b->Hook());
    form->Seen.clear();
    logB.clear();
    EXPECT_EQ(SendMessageA(form->Handle(), TRecordingForm::WM_PROBE, 3, 4), 304);
    EXPECT_FALSE(logB.empty());
    EXPECT_TRUE(Saw(form->Seen, TRecordingForm::WM_PROBE));
    b.reset();
    EXPECT_TRUE(form->WindowProc == original);
    EXPECT_EQ(SendMessageA(form->Handle(), TRecordingForm::WM_PROBE, 5, 6), 506);
}

TEST_F(ControlHook, FollowsARecreatedWindow) {
    auto form = NewForm();
    std::vector<TEvent> log;
    TProbeHook hook(nullptr, &log);
    hook.SetControl(form.get());
    HWND old = form->Handle();
    form->RecreateWnd();
    HWND fresh = form->Handle();
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(hook.HookedHandle(), fresh);
    EXPECT_EQ(hook.HookedControl(), form.get());

    auto find = [&](int kind, UINT value, size_t from = 0) {
        for (size_t i = from; i < log.size(); ++i)
            if (log[i].Kind == kind && log[i].Value == value)
                return i;
        return log.size();
    };
    // Gone before WM_DESTROY is handed on.
    size_t gone = find(TEvent::evHandleChanged, 1);
    ASSERT_LT(gone + 1, log.size());
    EXPECT_EQ(log[gone].Hooked, old);
    EXPECT_EQ(log[gone + 1].Kind, TEvent::evMessage);
    EXPECT_EQ(log[gone + 1].Value, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(log[gone + 1].Hooked, nullptr);
    // Messages before the new WM_CREATE find no window known.
    size_t created = find(TEvent::evMessage, WM_CREATE, gone);
    ASSERT_LT(created + 2, log.size());
    for (size_t i = gone + 1; i < created; ++i)
        EXPECT_EQ(log[i].Hooked, nullptr) << "message " << log[i].Value;
    EXPECT_EQ(log[created].Hooked, TProbeHook::Recreating());
    // The next message first tells the new handle.
    EXPECT_EQ(log[created + 1].Kind, TEvent::evHandleChanged);
    EXPECT_EQ(log[created + 1].Value, 2u);
    EXPECT_EQ(log[created + 2].Kind, TEvent::evMessage);
    EXPECT_EQ(log[created + 2].Hooked, fresh);
    EXPECT_EQ(find(TEvent::evHandleChanged, 2, created + 2), log.size()) << "told twice";

    // The hook keeps seeing the new window's messages.
    log.clear();
    SendMessageA(fresh, WM_NULL, 0, 0);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Hooked, fresh);
    hook.SetControl(nullptr);
}

TEST_F(ControlHook, HookedControlDestroyedFirst) {
    auto form = NewForm();
    std::vector<TEvent> log;
    auto hook = std::make_unique<TProbeHook>(nullptr, &log);
    hook->SetControl(form.get());
    form.reset();
    std::vector<UINT> reasons;
    for (const TEvent& e : log)
        if (e.Kind == TEvent::evHandleChanged)
            reasons.push_back(e.Value);
    EXPECT_EQ(reasons, (std::vector<UINT>{1, 1}));  // WM_DESTROY, then the removal notice
    EXPECT_EQ(hook->HookedControl(), nullptr);
    EXPECT_EQ(hook->HookedHandle(), nullptr);
    // Control is forgotten too: hooking again finds nothing to hook.
    EXPECT_EQ(hook->Control(), nullptr);
    hook->SetTarget(htControl);
    EXPECT_EQ(hook->HookedControl(), nullptr);
    hook.reset();

    // A form named as Control of an htForm hook, destroyed while another form
    // is hooked: the next installation must not reach it.
    auto kept = NewForm();
    auto gone = NewForm();
    TProbeHook formHook(kept.get());
    formHook.SetControl(gone.get());
    formHook.SetTarget(htForm);
    EXPECT_EQ(formHook.HookedControl(), gone.get());
    gone.reset();
    formHook.SetTarget(htForm);
    EXPECT_EQ(formHook.HookedControl(), kept.get());
    formHook.SetTarget(htControl);
}

TEST_F(ControlHook, HookDestroyedFirst) {
    auto form = NewForm();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    TWndMethod original = panel->WindowProc;
    std::vector<TEvent> log;
    auto hook = std::make_unique<TProbeHook>(nullptr, &log);
    hook->SetControl(panel);
    SendMessageA(panel->Handle(), WM_NULL, 0, 0);
    EXPECT_FALSE(log.empty());
    hook.reset();
    EXPECT_TRUE(panel->WindowProc == original);
    log.clear();
    SendMessageA(panel->Handle(), WM_NULL, 0, 0);
    panel->RecreateWnd();
    EXPECT_TRUE(log.empty());
}

TEST_F(ControlHook, DesignStateInstallsNothing) {
    auto form = NewForm();
    TWndMethod original = form->WindowProc;
    TProbeHook hook(nullptr);
    hook.SetDesigning(true);
    hook.SetTarget(htForm);  // no owner, no Control: still no error
    hook.SetControl(form.get());
    hook.SetTarget(htControl);
    hook.Loaded();
    EXPECT_EQ(hook.HookedControl(), nullptr);
    EXPECT_EQ(hook.HookedHandle(), nullptr);
    EXPECT_TRUE(form->WindowProc == original);
    EXPECT_FALSE(form->HandleAllocated());
    hook.SetControl(nullptr);
}

// =========================================================== the drop target

TEST_F(DropFiles, HandsEveryDropToTheHandler) {
    auto form = NewForm<TRecordingForm>();
    auto* dst = new TDropDst(form.get());
    TDropLog drops;
    dst->OnFileDrop = drops.Handler();
    dst->SetTarget(htForm);
    HWND wnd = form->Handle();

    std::string longName(300, 'x');
    struct TCase {
        const char* What;
        Names Files;
        POINT Point;
        Names Expected;
    } cases[] = {
        {"three names",
         {"C:\\a.avi", "C:\\b\\c.mpg", "D:\\d.wmv"},
         {10, 20},
         {"C:\\a.avi", "C:\\b\\c.mpg", "D:\\d.wmv"}},
        {"no names", {}, {-5, 7}, {}},
        {"one name twice", {"C:\\same.avi", "C:\\same.avi"}, {0, 0}, {"C:\\same.avi", "C:\\same.avi"}},
        // Shift-JIS would end 表 and ソ in the byte of "\"
        {"Japanese names",
         {"C:\\表示.avi", "C:\\ソフト\\動画.mpg"},
         {300, 200},
         {"C:\\表示.avi", "C:\\ソフト\\動画.mpg"}},
        // none of them in code page 932, the last two outside the basic plane
        {"names in any script", {"C:\\Amélie 한글 𠮷😀.avi"}, {2, 3}, {"C:\\Amélie 한글 𠮷😀.avi"}},
        // whole: whether it can be opened is for the handler to say
        {"an overlong name", {longName, "C:\\e.avi"}, {1, 1}, {longName, "C:\\e.avi"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        drops.Calls.clear();
        form->Seen.clear();
        gShell = TShellLog();
        gReportNoNames = c.Files.empty();
        DropOn(wnd, c.Files, c.Point);
        ASSERT_EQ(drops.Calls.size(), 1u);
        EXPECT_EQ(drops.Calls[0].Sender, dst);
        EXPECT_EQ(drops.Calls[0].Files, c.Expected);
        EXPECT_EQ(drops.Calls[0].X, c.Point.x);
        EXPECT_EQ(drops.Calls[0].Y, c.Point.y);
        EXPECT_EQ(gShell.Finish, 1);
        // The count, then each name's length and the name itself.
        EXPECT_EQ(gShell.QueryFile, 2 * static_cast<int>(c.Files.size()) + 1);
        EXPECT_EQ(gShell.QueryPoint, 1);
        EXPECT_FALSE(Saw(form->Seen, WM_DROPFILES));
    }
}

TEST_F(DropFiles, FinishesEveryDrop) {
    auto form = NewForm<TRecordingForm>();
    auto* dst = new TDropDst(form.get());
    dst->SetTarget(htForm);
    HWND wnd = form->Handle();

    // Nobody listening: the drop is only finished.
    DropOn(wnd, {"C:\\a.avi"});
    EXPECT_EQ(gShell.Finish, 1);
    EXPECT_EQ(gShell.QueryFile, 0);
    EXPECT_EQ(gShell.QueryPoint, 0);
    EXPECT_FALSE(Saw(form->Seen, WM_DROPFILES));

    // A failing handler: the error reaches the application with the drop
    // target as sender, the drop is finished, the next drop works.
    TDropLog drops;
    drops.Fail = true;
    dst->OnFileDrop = drops.Handler();
    gShell = TShellLog();
    DropOn(wnd, {"C:\\a.avi", "C:\\b.avi"});
    ASSERT_EQ(Errors.Errors.size(), 1u);
    EXPECT_EQ(Errors.Errors[0].first, dst);
    EXPECT_EQ(Errors.Errors[0].second, "読めません");
    Errors.Errors.clear();
    EXPECT_EQ(gShell.Finish, 1);
    drops.Fail = false;
    DropOn(wnd, {"C:\\c.avi"});
    ASSERT_EQ(drops.Calls.size(), 2u);
    EXPECT_EQ(drops.Calls[1].Files, Names{"C:\\c.avi"});
    EXPECT_EQ(gShell.Finish, 2);
    EXPECT_TRUE(Errors.Errors.empty());

    // Not accepting drops changes nothing for one that arrives anyway.
    dst->SetAcceptDrop(false);
    DropOn(wnd, {"C:\\d.avi"});
    EXPECT_EQ(drops.Calls.size(), 3u);
    EXPECT_EQ(gShell.Finish, 3);
    EXPECT_FALSE(Saw(form->Seen, WM_DROPFILES));
}

TEST_F(DropFiles, OtherMessagesPassUnchanged) {
    auto form = NewForm<TRecordingForm>();
    form->SetCaption("Pelorin");
    auto* dst = new TDropDst(form.get());
    TDropLog drops;
    dst->OnFileDrop = drops.Handler();
    dst->SetTarget(htForm);
    HWND wnd = form->Handle();
    EXPECT_EQ(SendMessageA(wnd, TRecordingForm::WM_PROBE, 7, 8), 708);
    EXPECT_EQ(SendMessageA(wnd, WM_GETTEXTLENGTH, 0, 0), 7);
    EXPECT_EQ(form->Perform(TRecordingForm::WM_PROBE, 1, 1), 101);
    EXPECT_TRUE(drops.Calls.empty());
    EXPECT_EQ(gShell.Finish, 0);
}

TEST_F(DropFiles, KeepsTheWindowRegistered) {
    auto form = NewForm();
    auto* dst = new TProbeDropDst(form.get());
    TDropLog drops;
    dst->OnFileDrop = drops.Handler();

    // Not hooked yet: a change calls nothing at all.
    dst->SetAcceptDrop(false);
    dst->SetAcceptDrop(true);
    EXPECT_EQ(gShell.IsWindow, 0);
    EXPECT_TRUE(gShell.Accepts.empty());

    // Hooking registers nothing; the after-loading step does.
    dst->SetTarget(htForm);
    HWND wnd = form->Handle();
    EXPECT_TRUE(gShell.Accepts.empty());
    EXPECT_FALSE(AcceptsFiles(wnd));
    dst->Loaded();
    ASSERT_EQ(gShell.Accepts.size(), 1u);
    EXPECT_EQ(gShell.Accepts[0], std::make_pair(wnd, TRUE));
    EXPECT_TRUE(AcceptsFiles(wnd));

    // true → false → false: one withdrawal.
    gShell = TShellLog();
    dst->SetAcceptDrop(false);
    dst->SetAcceptDrop(false);
    ASSERT_EQ(gShell.Accepts.size(), 1u);
    EXPECT_EQ(gShell.Accepts[0], std::make_pair(wnd, FALSE));
    EXPECT_FALSE(AcceptsFiles(wnd));
    dst->SetAcceptDrop(true);
    EXPECT_TRUE(AcceptsFiles(wnd));

    // A new window accepts drops with no call by the owner.
    gShell = TShellLog();
    form->RecreateWnd();
    HWND fresh = form->Handle();
    EXPECT_EQ(dst->HookedHandle(), fresh);
    ASSERT_EQ(gShell.Accepts.size(), 1u);
    EXPECT_EQ(gShell.Accepts[0], std::make_pair(fresh, TRUE));
    EXPECT_TRUE(AcceptsFiles(fresh));
    DropOn(fresh, {"C:\\new.avi"});
    ASSERT_EQ(drops.Calls.size(), 1u);
    EXPECT_EQ(drops.Calls[0].Files, Names{"C:\\new.avi"});

    // A change while the window is being made again waits for the new handle,
    // which then gets the current value.
    gShell = TShellLog();
    size_t acceptsAtCreate = 99;
    dst->OnCreateMessage = [&] {
        EXPECT_EQ(dst->HookedHandle(), TProbeHook::Recreating());
        dst->SetAcceptDrop(false);
        acceptsAtCreate = gShell.Accepts.size();
    };
    form->SetBorderStyle(bsDialog);  // a new frame, a new window
    dst->OnCreateMessage = nullptr;
    fresh = form->Handle();
    EXPECT_EQ(acceptsAtCreate, 0u);
    ASSERT_EQ(gShell.Accepts.size(), 1u);
    EXPECT_EQ(gShell.Accepts[0], std::make_pair(fresh, FALSE));
    EXPECT_FALSE(AcceptsFiles(fresh));

    // Moving the hook elsewhere registers nothing by itself.
    auto other = NewForm();
    gShell = TShellLog();
    dst->SetTarget(htControl);
    dst->SetControl(other.get());
    EXPECT_TRUE(gShell.Accepts.empty());
    EXPECT_FALSE(AcceptsFiles(other->Handle()));
    dst->SetControl(nullptr);
}

// ================================================================ layouts

namespace {
// Checks, while the layout is still being read, whether the form's window
// exists and whether anything was registered for drops yet.
class TLayoutProbe : public TComponent {
public:
    using TComponent::TComponent;
    static inline int Checks = 0;
    static inline bool FormHadWindow = false;
    static inline size_t AcceptsSoFar = 0;

    bool SetProperty(const std::string& name, const TLayoutValue& value) override {
        if (name != "Check")
            return TComponent::SetProperty(name, value);
        ++Checks;
        FormHadWindow = static_cast<TWinControl*>(LayoutRoot())->HandleAllocated();
        AcceptsSoFar = gShell.Accepts.size();
        return true;
    }
};
const bool probeRegistered = [] {
    RegisterComponentClass<TLayoutProbe>("TLayoutProbe");
    return true;
}();

class TDropForm : public TPublishing<TDropForm> {
public:
    using TPublishing::TPublishing;
    TDropDst* DropDst1 = nullptr;
    std::vector<Names> Dropped;

    static std::vector<TPublishedMember> Published() {
        return {
            PublishedField<&TDropForm::DropDst1>("DropDst1"),
            PublishedMethod<&TDropForm::DropDst1FileDrop>("DropDst1FileDrop"),
        };
    }

private:
    void DropDst1FileDrop(TObject* sender, TStrings* files, int x, int y) { Dropped.push_back(files->Items()); }
};
}  // namespace

TEST_F(DropFiles, ReadFromALayout) {
    // The main window's arrangement: the form hooked through the owner chain.
    const char* mainLayout = R"(object Form1: TDropForm
  Caption = 'Pelorin'
  object DropDst1: TDropDst
    Target = htForm
    OnFileDrop = DropDst1FileDrop
  end
  object Probe1: TLayoutProbe
    Check = 1
  end
end
)";
    auto form = NewForm<TDropForm>();
    TLayoutProbe::Checks = 0;
    ReadLayoutText(form.get(), mainLayout);
    ASSERT_EQ(TLayoutProbe::Checks, 1);
    EXPECT_TRUE(TLayoutProbe::FormHadWindow);
    EXPECT_EQ(TLayoutProbe::AcceptsSoFar, 0u);
    ASSERT_NE(form->DropDst1, nullptr);
    EXPECT_EQ(form->DropDst1->Target(), htForm);
    EXPECT_TRUE(form->DropDst1->AcceptDrop());
    ASSERT_EQ(gShell.Accepts.size(), 1u);
    EXPECT_EQ(gShell.Accepts[0], std::make_pair(form->Handle(), TRUE));
    DropOn(form->Handle(), {"C:\\movie.avi"});
    ASSERT_EQ(form->Dropped.size(), 1u);
    EXPECT_EQ(form->Dropped[0], Names{"C:\\movie.avi"});

    // A named control and a stored AcceptDrop.
    const char* panelLayout = R"(object Form2: TDropForm
  object Panel1: TPanel
  end
  object DropDst1: TDropDst
    Control = Panel1
    AcceptDrop = False
    Target = htControl
  end
end
)";
    auto second = NewForm<TDropForm>();
    gShell = TShellLog();
    ReadLayoutText(second.get(), panelLayout);
    auto* panel = dynamic_cast<TPanel*>(second->FindComponent("Panel1"));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(second->DropDst1, nullptr);
    EXPECT_EQ(second->DropDst1->Control(), panel);
    EXPECT_FALSE(second->DropDst1->AcceptDrop());
    // Control comes before AcceptDrop, so the change already reaches the
    // hooked panel while reading; it is never registered to accept.
    ASSERT_FALSE(gShell.Accepts.empty());
    for (const auto& call : gShell.Accepts)
        EXPECT_EQ(call, std::make_pair(panel->Handle(), FALSE));
    EXPECT_FALSE(AcceptsFiles(panel->Handle()));
}
