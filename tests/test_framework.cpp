// The window framework: ownership, destruction notices, layouts, native
// windows made on demand and re-created, the timer, forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Layout.h"

namespace {
std::vector<std::string> gLog;

class TLogged : public TComponent {
public:
    using TComponent::TComponent;
    ~TLogged() override { gLog.push_back("free " + Name()); }
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove)
            gLog.push_back(Name() + " heard " + c->Name());
    }
    bool SetProperty(const std::string& name, const TLayoutValue& v) override {
        if (name == "Tag") {
            gLog.push_back(Name() + ".Tag=" + std::to_string(v.Int));
            return true;
        }
        if (name == "Text") {
            gLog.push_back(Name() + ".Text=" + v.Str);
            return true;
        }
        return TComponent::SetProperty(name, v);
    }
    void Loaded() override {
        TComponent::Loaded();
        gLog.push_back(Name() + " loaded");
    }
};

const bool kRegistered = RegisterComponentClass<TLogged>("TLogged");

TLogged* Named(TComponent* owner, const char* name) {
    auto* c = new TLogged(owner);
    c->SetName(name);
    return c;
}

void Pump() {
    Application->ProcessMessages();
}
}  // namespace

TEST(Components, OwnerFreesNewestFirstAndWatchersHearOfIt) {
    gLog.clear();
    TLogged* owner = Named(nullptr, "owner");
    Named(owner, "a");
    TLogged* b = Named(owner, "b");
    TLogged* watcher = Named(nullptr, "watcher");
    b->FreeNotification(watcher);
    delete owner;
    // b goes first (newest), telling its watcher and its owner's other components.
    // (A destructor's own body runs before its base's, so "free x" comes
    // before the notices x sends.)
    std::vector<std::string> expected = {"free owner", "free b", "watcher heard b", "a heard b", "free a"};
    EXPECT_EQ(gLog, expected);
    gLog.clear();
    delete watcher;
    EXPECT_EQ(gLog, std::vector<std::string>{"free watcher"});
}

TEST(Components, WatcherDestroyedFirstIsForgotten) {
    gLog.clear();
    TLogged* a = Named(nullptr, "a");
    TLogged* w = Named(nullptr, "w");
    a->FreeNotification(w);
    delete w;  // must not be told later: it no longer exists
    gLog.clear();
    delete a;
    EXPECT_EQ(gLog, std::vector<std::string>{"free a"});
}

TEST(Layouts, PropertiesInStoredOrderThenEveryAfterLoadingStep) {
    gLog.clear();
    TLogged root(nullptr);
    // Layouts are UTF-8 text, whatever the program's own code page.
    ReadLayoutText(&root, reinterpret_cast<const char*>(
                   u8"object Root: TLogged\n"
                   "  Tag = 1\n"
                   "  object First: TLogged\n"
                   "    Tag = -2\n"
                   "    Text = 'ファイル(&F)'\n"
                   "  end\n"
                   "  Tag = $10\n"
                   "  object Second: TLogged\n"
                   "    Text = 'it''s'\n"
                   "  end\n"
                   "end\n"));
    std::vector<std::string> expected = {"Root.Tag=1",         "First.Tag=-2", "First.Text=ファイル(&F)",
                                         "Root.Tag=16",        "Second.Text=it's", "Root loaded",
                                         "First loaded",       "Second loaded"};
    EXPECT_EQ(gLog, expected);
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(root.FindComponent("Second")->Owner(), &root);
    EXPECT_FALSE(root.FindComponent("First")->Loading());
}

TEST(Layouts, MistakesAreReportedNotSkipped) {
    const char* broken[] = {
        "object R: TLogged\n  Colour = 1\nend\n",          // unknown property
        "object R: TLogged\n  object X: TNoSuch\n  end\nend\n",  // unknown class
        "object R: TLogged\n  Text = 'open\nend\n",       // unterminated string
        "object R: TLogged\n  Tag = 1\n",                  // no end
    };
    for (const char* text : broken) {
        TLogged root(nullptr);
        EXPECT_THROW(ReadLayoutText(&root, text), Exception) << text;
    }
}

TEST(Layouts, NumbersSpanSigned64BitsAndNothingRunsIntoThem) {
    gLog.clear();
    {
        TLogged root(nullptr);
        ReadLayoutText(&root, "object R: TLogged\n  Tag = 9223372036854775807\n  Tag = -$7FFFFFFFFFFFFFFF\nend\n");
    }
    EXPECT_EQ(gLog, (std::vector<std::string>{"R.Tag=9223372036854775807", "R.Tag=-9223372036854775807", "R loaded",
                                              "free R"}));
    // Reported as layout mistakes like any other, never as a library error
    // (a number too long once escaped as std::out_of_range) nor read in part.
    const char* values[] = {"9223372036854775808", "19223372036854775807", "$8000000000000000", "12ab", "1.5", "$1G"};
    for (const char* value : values) {
        TLogged root(nullptr);
        try {
            ReadLayoutText(&root, std::string("object R: TLogged\n  Tag = ") + value + "\nend\n");
            ADD_FAILURE() << value << " was read";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().rfind("Layout error at line 2: ", 0), 0u) << value << ": " << e.Message();
        } catch (...) {
            ADD_FAILURE() << value << " gave another kind of error";
        }
    }
}

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "object L" + std::to_string(i) + ": TLogged\n";
    for (int i = 0; i < depth; ++i)
        text += "end\n";
    return text;
}

TEST(Layouts, NestingIsBoundedBeforeTheStackIs) {
    {
        TLogged root(nullptr);
        ReadLayoutText(&root, Nested(100));
        EXPECT_EQ(root.ComponentCount(), 99);
    }
    // Deep enough to overflow the stack if each level were simply a call.
    for (int depth : {101, 200000}) {
        TLogged root(nullptr);
        EXPECT_THROW(ReadLayoutText(&root, Nested(depth)), Exception) << depth;
    }
    gLog.clear();
}

TEST(WinControls, WindowIsMadeOnFirstDemandAfterItsParents) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_FALSE(panel->HandleAllocated());
    HWND h = panel->Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(form.HandleAllocated());
    EXPECT_EQ(GetParent(h), form.Handle());
    EXPECT_EQ(TWinControl::FromHandle(h), panel);
}

TEST(WinControls, ParentlessChildControlCannotHaveAWindow) {
    TPanel panel(nullptr);
    EXPECT_THROW(panel.Handle(), Exception);
    EXPECT_FALSE(panel.HandleAllocated());
}

namespace {
struct TSpy {
    TWinControl* Control;
    TWndMethod Saved;
    std::vector<UINT> Seen;
    void Proc(TMessage& m) {
        Seen.push_back(m.Msg);
        Saved(m);
    }
};
}  // namespace

TEST(WinControls, ReplacedMessageProcedureSeesEveryMessageAcrossRecreation) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 50, 40);
    HWND oldForm = form.Handle();
    HWND oldPanel = panel->Handle();

    TSpy spy{panel, panel->WindowProc, {}};
    panel->WindowProc = Bind<&TSpy::Proc>(&spy);
    form.RecreateWnd();

    ASSERT_TRUE(panel->HandleAllocated()) << "children come back with their parent";
    EXPECT_FALSE(IsWindow(oldForm));
    EXPECT_FALSE(IsWindow(oldPanel));
    EXPECT_EQ(GetParent(panel->Handle()), form.Handle());
    auto seen = [&](UINT msg) { return std::find(spy.Seen.begin(), spy.Seen.end(), msg) != spy.Seen.end(); };
    EXPECT_TRUE(seen(WM_DESTROY));
    EXPECT_TRUE(seen(WM_NCCREATE));
    EXPECT_TRUE(seen(WM_CREATE));
    // Bounds survive the new window.
    RECT r;
    GetWindowRect(panel->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 50);
    panel->WindowProc = spy.Saved;
}

TEST(WinControls, ClickIsPressAndReleaseInside) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 100, 100);
    int clicks = 0;
    struct TCounter {
        int* N;
        void Click(TObject*) { ++*N; }
    } counter{&clicks};
    panel->OnClick = Bind<&TCounter::Click>(&counter);
    HWND h = panel->Handle();
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(500, 10));  // released outside
    SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));   // release without a press
    EXPECT_EQ(clicks, 1);
}

TEST(WinControls, ClientAlignedChildFollowsItsParent) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alClient);
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    EXPECT_EQ(panel->Width(), 300);
    EXPECT_EQ(panel->Height(), 200);
    form.SetClientWidth(123);
    EXPECT_EQ(panel->Width(), 123);
}

namespace {
struct TTickCounter {
    int Ticks = 0;
    void Tick(TObject*) { ++Ticks; }
};
}  // namespace

TEST(Timers, TicksOnlyWhileEnabledAndNeverAfterDestruction) {
    TTickCounter counter;
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(10);
    timer->SetOnTimer(Bind<&TTickCounter::Tick>(&counter));
    HWND wnd = timer->WindowHandle();
    SendMessageA(wnd, WM_TIMER, 1, 0);
    EXPECT_EQ(counter.Ticks, 1);
    timer->SetEnabled(false);
    SendMessageA(wnd, WM_TIMER, 1, 0);
    EXPECT_EQ(counter.Ticks, 1);
    timer->SetEnabled(true);
    // Real ticks arrive through the message loop.
    DWORD start = GetTickCount();
    while (counter.Ticks < 3 && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    EXPECT_GE(counter.Ticks, 3);
    delete timer;
    int before = counter.Ticks;
    EXPECT_FALSE(IsWindow(wnd));
    Sleep(50);
    Pump();
    EXPECT_EQ(counter.Ticks, before);
}

TEST(Forms, CentredWhenFirstShownWithItsFinalSize) {
    TForm form(nullptr);
    form.SetBounds(225, 117, 328, 256);
    form.SetPosition(poScreenCenter);
    form.SetClientWidth(400);
    form.SetClientHeight(300);
    form.Show();
    RECT r;
    GetWindowRect(form.Handle(), &r);
    RECT c;
    GetClientRect(form.Handle(), &c);
    EXPECT_EQ(c.right, 400);
    EXPECT_EQ(c.bottom, 300);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
}

TEST(Forms, DialogFrameAndStayOnTopMakeANewWindowWithTheRightStyles) {
    TForm form(nullptr);
    HWND first = form.Handle();
    form.SetBorderStyle(bsDialog);
    form.SetFormStyle(fsStayOnTop);
    HWND h = form.Handle();
    EXPECT_NE(h, first);
    DWORD style = GetWindowLongA(h, GWL_STYLE), ex = GetWindowLongA(h, GWL_EXSTYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
    // The client size is measured against the new frame.
    form.SetClientWidth(200);
    RECT c;
    GetClientRect(h, &c);
    EXPECT_EQ(c.right, 200);
}

namespace {
struct TErrors {
    std::vector<std::string> Messages;
    std::vector<TObject*> Senders;
    void Handle(TObject* sender, const Exception& e) {
        Senders.push_back(sender);
        Messages.push_back(e.Message());
    }
};
struct TThrower {
    void Click(TObject*) { throw Exception("boom"); }
};
}  // namespace

TEST(Application, ErrorInAHandlerIsShownAndTheLoopGoesOn) {
    TErrors errors;
    Application->OnException = Bind<&TErrors::Handle>(&errors);
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 20, 20);
    TThrower thrower;
    panel->OnClick = Bind<&TThrower::Click>(&thrower);
    for (int i = 0; i < 2; ++i) {
        SendMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(panel->Handle(), WM_LBUTTONUP, 0, 0);
    }
    Application->OnException = {};
    EXPECT_EQ(errors.Messages, (std::vector<std::string>{"boom", "boom"}));
    EXPECT_EQ(errors.Senders[0], panel);
}
