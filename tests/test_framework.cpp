// The window framework: ownership, destruction notices, layouts, native
// windows made on demand and re-created, the timer, forms.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "framework/ActnList.h"
#include "framework/Background.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/GdiGuards.h"
#include "framework/Layout.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "framework/TextConversion.h"
#include "support/Drops.h"
#include "support/HostForm.h"
#include "support/ProcessUsage.h"
#include "support/Publishing.h"
#include "support/Pump.h"

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

const bool kRegistered = [] {
    RegisterComponentClass<TLogged>("TLogged");
    return true;
}();

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
    ReadLayoutText(&root, reinterpret_cast<const char*>(u8"object Root: TLogged\n"
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
    std::vector<std::string> expected = {"Root.Tag=1",   "First.Tag=-2",     "First.Text=ファイル(&F)",
                                         "Root.Tag=16",  "Second.Text=it's", "Root loaded",
                                         "First loaded", "Second loaded"};
    EXPECT_EQ(gLog, expected);
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(root.FindComponent("Second")->Owner(), &root);
    EXPECT_FALSE(root.FindComponent("First")->Loading());
}

TEST(Layouts, MistakesAreReportedNotSkipped) {
    const char* broken[] = {
        "object R: TLogged\n  Colour = 1\nend\n",                // unknown property
        "object R: TLogged\n  object X: TNoSuch\n  end\nend\n",  // unknown class
        "object R: TLogged\n  Text = 'open\nend\n",              // unterminated string
        "object R: TLogged\n  Tag = 1\n",                        // no end
    };
    for (const char* text : broken) {
        TLogged root(nullptr);
        EXPECT_THROW(ReadLayoutText(&root, text), Exception) << text;
    }
}

namespace {
// A root with typed published fields, as a designed form has them.
class TFieldsRoot : public TPublishing<TFieldsRoot, TComponent> {
public:
    using TPublishing::TPublishing;
    TMenuItem* Item = nullptr;
    TLogged* Logged = nullptr;
    int Clicks = 0;
    void ItemClick(TObject*) { ++Clicks; }

    static std::vector<TPublishedMember> Published() {
        return {
            PublishedField<&TFieldsRoot::Item>("Item"),
            PublishedField<&TFieldsRoot::Logged>("Logged"),
            PublishedMethod<&TFieldsRoot::ItemClick>("ItemClick"),
        };
    }
};
}  // namespace

TEST(Layouts, FieldsTakeOnlyComponentsOfTheirOwnClass) {
    TFieldsRoot root(nullptr);
    ReadLayoutText(&root,
                   "object R: TFieldsRoot\n"
                   "  object Item: TMenuItem\n    OnClick = ItemClick\n  end\n"
                   "  object Logged: TLogged\n  end\n"
                   "  object Unlisted: TLogged\n  end\n"
                   "end\n");
    EXPECT_EQ(root.Item, root.FindComponent("Item"));
    EXPECT_EQ(root.Logged, root.FindComponent("Logged"));
    ASSERT_NE(root.Item, nullptr);
    root.Item->Click();
    EXPECT_EQ(root.Clicks, 1);
    // A handler is no field and a field no handler.
    EXPECT_FALSE(root.MethodAddress("Item").has_value());
    EXPECT_FALSE(root.MethodAddress("Unlisted").has_value());

    // A component whose class the field cannot hold is a mistake of the
    // layout: reported, and the field is left empty rather than mistyped.
    const char* wrong[] = {
        "object R: TFieldsRoot\n  object Item: TLogged\n  end\nend\n",
        "object R: TFieldsRoot\n  object Logged: TMenuItem\n  end\nend\n",
    };
    for (const char* text : wrong) {
        TFieldsRoot other(nullptr);
        try {
            ReadLayoutText(&other, text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().rfind("Layout error", 0), 0u) << e.Message();
        }
        EXPECT_EQ(other.Item, nullptr);
        EXPECT_EQ(other.Logged, nullptr);
    }
}

// The test programs are linked as the product is, without whole-archive: the
// one call their entry makes is all that makes the framework's classes known,
// each by the name layouts give it.
TEST(Layouts, EveryFrameworkClassIsKnownThroughOneCall) {
    TLogged root(nullptr);
    ReadLayoutText(&root,
                   "object R: TLogged\n"
                   "  object ActionList1: TActionList\n    object Action1: TAction\n    end\n  end\n"
                   "  object MainMenu1: TMainMenu\n    object MenuItem1: TMenuItem\n    end\n  end\n"
                   "  object OpenDialog1: TOpenDialog\n  end\n"
                   "  object Panel1: TPanel\n  end\n"
                   "  object Timer1: TTimer\n    Enabled = False\n  end\n"
                   "  object Image1: TImage\n  end\n"
                   "  object Button1: TButton\n  end\n"
                   "  object BitBtn1: TBitBtn\n  end\n"
                   "  object Label1: TLabel\n  end\n"
                   "end\n");
    EXPECT_NE(dynamic_cast<TActionList*>(root.FindComponent("ActionList1")), nullptr);
    EXPECT_NE(dynamic_cast<TAction*>(root.FindComponent("Action1")), nullptr);
    EXPECT_NE(dynamic_cast<TMainMenu*>(root.FindComponent("MainMenu1")), nullptr);
    EXPECT_NE(dynamic_cast<TMenuItem*>(root.FindComponent("MenuItem1")), nullptr);
    EXPECT_NE(dynamic_cast<TOpenDialog*>(root.FindComponent("OpenDialog1")), nullptr);
    EXPECT_NE(dynamic_cast<TPanel*>(root.FindComponent("Panel1")), nullptr);
    EXPECT_NE(dynamic_cast<TTimer*>(root.FindComponent("Timer1")), nullptr);
    EXPECT_NE(dynamic_cast<TImage*>(root.FindComponent("Image1")), nullptr);
    EXPECT_EQ(typeid(*root.FindComponent("Button1")), typeid(TButton));
    EXPECT_EQ(typeid(*root.FindComponent("BitBtn1")), typeid(TBitBtn));
    EXPECT_NE(dynamic_cast<TLabel*>(root.FindComponent("Label1")), nullptr);
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
    // Staying on top or not takes no new window; no frame at all does.
    form.SetFormStyle(fsNormal);
    EXPECT_EQ(form.Handle(), h);
    EXPECT_FALSE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    form.SetFormStyle(fsStayOnTop);
    EXPECT_EQ(form.Handle(), h);
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    form.SetBorderStyle(bsNone);
    EXPECT_NE(form.Handle(), h);
    EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU));
    EXPECT_EQ(form.ClientWidth(), form.Width());
    EXPECT_EQ(form.ClientHeight(), form.Height());
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

// ------------------------------------------------------------ menus, actions

namespace {
// A form read from a layout, with handlers that count.
class TMenuForm : public TPublishing<TMenuForm> {
public:
    TMenuForm(TComponent* owner, const std::string& layout) : TPublishing(owner) { ReadLayoutText(this, layout); }
    int Opened = 0, Clicked = 0, Closed = 0;
    void OpenExecute(TObject*) { ++Opened; }
    void ItemClick(TObject*) { ++Clicked; }
    void CloseExecute(TObject*) { ++Closed; }
    static std::vector<TPublishedMember> Published() {
        return {
            PublishedMethod<&TMenuForm::OpenExecute>("OpenExecute"),
            PublishedMethod<&TMenuForm::ItemClick>("ItemClick"),
            PublishedMethod<&TMenuForm::CloseExecute>("CloseExecute"),
        };
    }
};

// The action is read after the item that names it, as in a designed form.
const char kMenuLayout[] = R"(object F: TMenuForm
  Width = 300
  Height = 200
  Menu = Bar
  object Bar: TMainMenu
    object File: TMenuItem
      Caption = 'File'
      object Open: TMenuItem
        Action = OpenAction
      end
      object Line: TMenuItem
        Caption = '-'
      end
      object Plain: TMenuItem
        Caption = 'Plain'
        ShortCut = 8308
        OnClick = ItemClick
      end
    end
  end
  object Actions: TActionList
    object OpenAction: TAction
      Caption = 'Open...'
      ShortCut = 16463
      OnExecute = OpenExecute
    end
    object CloseAction: TAction
      Caption = 'Close'
      RunsWhileBusy = True
      OnExecute = CloseExecute
    end
  end
end
)";

std::string MenuString(HMENU menu, int position) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return WideToUtf8(text);
}

MSG KeyMessage(HWND wnd, WPARAM key) {
    MSG msg{};
    msg.hwnd = wnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    return msg;
}

void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int k : keys)
        state[k] = 0x80;
    SetKeyboardState(state);
}
}  // namespace

TEST(Menus, ShortCutTextAndKeys) {
    EXPECT_EQ(ShortCutToText(16463), "Ctrl+O");
    EXPECT_EQ(ShortCutToText(scShift | VK_F5), "Shift+F5");
    EXPECT_EQ(ShortCutToText(scShift | scCtrl | scAlt | '7'), "Shift+Ctrl+Alt+7");
    EXPECT_EQ(ShortCutToText(scCtrl | VK_OEM_COMMA), "");
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutFromKey('O', false, true, false), 16463);
    EXPECT_EQ(ShortCutFromKey(VK_F4, false, false, true), scAlt | VK_F4);
    // Named keys, both ways; modifiers in any order on the way in.
    for (const char* text : {"Space", "Esc", "Enter", "Home", "Left", "Right", "Up", "Down", "Ctrl+Right", "Alt+Enter",
                             "F11", "M", "Shift+Ctrl+Alt+7"})
        EXPECT_EQ(ShortCutToText(TextToShortCut(text)), text);
    EXPECT_EQ(TextToShortCut("Ctrl+Left"), scCtrl | VK_LEFT);
    EXPECT_EQ(TextToShortCut("Alt+Ctrl+O"), scCtrl | scAlt | 'O');
    for (const char* text : {"", "Ctrl+", "Spacebar", "Hyper+X", "ctrl+o", "Ctrl+Ctrl"})
        EXPECT_EQ(TextToShortCut(text), 0) << text;
}

TEST(Menus, PlainKeysAreShortcutsExceptWhereTheyAreTyping) {
    auto form = std::make_unique<TMenuForm>(Application, kMenuLayout);
    auto* list = dynamic_cast<TActionList*>(form->FindComponent("Actions"));
    ASSERT_NE(list, nullptr);
    auto* space = new TAction(list);
    space->SetActionList(list);
    space->SetShortCut(TextToShortCut("Space"));
    space->OnExecute = Bind<&TMenuForm::OpenExecute>(form.get());
    HoldKeys({});
    EXPECT_TRUE(Application->IsShortCutMessage(KeyMessage(form->Handle(), VK_SPACE)));
    EXPECT_EQ(form->Opened, 1);
    // An edit box takes its keys as typing.
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, form->Handle(), nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    EXPECT_FALSE(Application->IsShortCutMessage(KeyMessage(edit, VK_SPACE)));
    EXPECT_EQ(form->Opened, 1);
    DestroyWindow(edit);
}

TEST(Menus, ItemsTakeTheirActionsCaptionShortcutAndHandler) {
    auto form = std::make_unique<TMenuForm>(Application, kMenuLayout);
    HWND wnd = form->Handle();
    HMENU bar = GetMenu(wnd);
    ASSERT_NE(bar, nullptr);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(MenuString(bar, 0), "File");
    EXPECT_EQ(MenuString(file, 0), "Open...\tCtrl+O");
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(MenuString(file, 2), "Plain\tShift+F5");

    // Chosen from the menu.
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 0), 0);
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 2), 0);
    EXPECT_EQ(form->Opened, 1);
    EXPECT_EQ(form->Clicked, 1);

    // By shortcut, from a child window of the form as well.
    auto* child = new TPanel(form.get());
    child->SetParent(form.get());
    HoldKeys({VK_CONTROL});
    EXPECT_TRUE(Application->IsShortCutMessage(KeyMessage(child->Handle(), 'O')));
    EXPECT_EQ(form->Opened, 2);
    // Plain typing is no shortcut, and another key is not this one.
    HoldKeys({});
    EXPECT_FALSE(Application->IsShortCutMessage(KeyMessage(wnd, 'O')));
    HoldKeys({VK_CONTROL});
    EXPECT_FALSE(Application->IsShortCutMessage(KeyMessage(wnd, 'P')));
    // A disabled form (under a modal dialog) takes no shortcuts.
    EnableWindow(wnd, FALSE);
    EXPECT_FALSE(Application->IsShortCutMessage(KeyMessage(wnd, 'O')));
    EnableWindow(wnd, TRUE);
    HoldKeys({});
    EXPECT_EQ(form->Opened, 2);
}

TEST(Menus, MenuBarOutlivesWindowsAndLeavesWithItsObject) {
    auto form = std::make_unique<TMenuForm>(Application, kMenuLayout);
    HMENU bar = GetMenu(form->Handle());
    form->SetBorderStyle(bsDialog);  // a new window
    EXPECT_EQ(GetMenu(form->Handle()), bar);
    EXPECT_TRUE(IsMenu(bar));
    // The menu object goes first: the window lets go of the bar.
    delete form->FindComponent("Bar");
    EXPECT_EQ(form->Menu(), nullptr);
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
    // The item whose action is gone keeps working, doing nothing.
    auto* open = dynamic_cast<TMenuItem*>(form->FindComponent("Open"));
    ASSERT_NE(open, nullptr);
    delete form->FindComponent("OpenAction");
    EXPECT_EQ(open->Action(), nullptr);
    open->Click();
    EXPECT_EQ(form->Opened, 0);
}

// A shortcut that names no key would never fire: where one is declared, the
// mistake raises instead of leaving a dead key. Layouts may name a shortcut
// or give its number.
TEST(Menus, DeclaredShortcutsAreNamedOrNumberedAndAMisspeltOneRaises) {
    EXPECT_EQ(DeclaredShortCut("Ctrl+Right"), scCtrl | VK_RIGHT);
    for (const char* text : {"Ctrl+Rigth", "", "Ctrl+", "ctrl+o"}) {
        try {
            DeclaredShortCut(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), std::string("Unknown shortcut: ") + text);
        }
    }

    TLogged root(nullptr);
    ReadLayoutText(&root,
                   "object R: TLogged\n"
                   "  object Menu1: TMainMenu\n"
                   "    object ByName: TMenuItem\n      ShortCut = 'Shift+F5'\n    end\n"
                   "    object ByNumber: TMenuItem\n      ShortCut = 8308\n    end\n"
                   "  end\n"
                   "  object Open: TAction\n    ShortCut = 'Ctrl+O'\n  end\n"
                   "  object Close: TAction\n    ShortCut = 16467\n  end\n"
                   "end\n");
    EXPECT_EQ(dynamic_cast<TMenuItem*>(root.FindComponent("ByName"))->ShortCut(), scShift | VK_F5);
    EXPECT_EQ(dynamic_cast<TMenuItem*>(root.FindComponent("ByNumber"))->ShortCut(), 8308);
    EXPECT_EQ(dynamic_cast<TAction*>(root.FindComponent("Open"))->ShortCut(), 16463);
    EXPECT_EQ(dynamic_cast<TAction*>(root.FindComponent("Close"))->ShortCut(), scCtrl | 'S');

    for (const char* misspelt : {
             "object R: TLogged\n  object A: TAction\n    ShortCut = 'Ctrl+Rigth'\n  end\nend\n",
             "object R: TLogged\n  object M: TMainMenu\n    object I: TMenuItem\n      ShortCut = 'Ctrl+Rigth'\n"
             "    end\n  end\nend\n",
         }) {
        TLogged other(nullptr);
        try {
            ReadLayoutText(&other, misspelt);
            ADD_FAILURE() << "no error for " << misspelt;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Unknown shortcut: Ctrl+Rigth");
        }
    }
}

TEST(GdiGuards, ObjectsAreDeletedOnceAndSelectionsPutBack) {
    HBRUSH first = CreateSolidBrush(RGB(1, 2, 3));
    HBRUSH second = CreateSolidBrush(RGB(4, 5, 6));
    HBRUSH kept = nullptr;
    {
        TGdiObject<HBRUSH> brush;
        brush.Reset(first);
        brush.Reset(first);  // the same object again: still alive
        EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BRUSH));
        brush.Reset(second);  // the one it held goes
        EXPECT_EQ(GetObjectType(first), 0u);
        kept = brush.Release();  // handed over, not deleted
    }
    EXPECT_EQ(kept, second);
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BRUSH));
    DeleteObject(second);

    TWindowDC screen(nullptr);
    TMemoryDC memory(screen.Get());
    ASSERT_NE(memory.Get(), nullptr);
    HGDIOBJ before = GetCurrentObject(memory.Get(), OBJ_FONT);
    TGdiObject<HFONT> font;
    font.Reset(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    {
        TSelectedObject selected(memory.Get(), font.Get());
        EXPECT_EQ(GetCurrentObject(memory.Get(), OBJ_FONT), font.Get());
        TSelectedObject none(memory.Get(), nullptr);  // selects nothing
        EXPECT_EQ(GetCurrentObject(memory.Get(), OBJ_FONT), font.Get());
    }
    EXPECT_EQ(GetCurrentObject(memory.Get(), OBJ_FONT), before);
}

TEST(Forms, ScaledLayoutFollowsTheScreensPixelsPerInch) {
    // Made at 48 pixels per inch, shown at 96: everything doubles.
    const char* layout = R"(object F: TForm
  ClientWidth = 100
  ClientHeight = 50
  Font.Height = -12
  PixelsPerInch = 48
  object P: TPanel
    Left = 4
    Top = 6
    Width = 40
    Height = 20
    object L: TLabel
      Left = 2
      Top = 3
      Caption = 'Text'
    end
  end
end
)";
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    ReleaseDC(nullptr, dc);
    for (bool scaled : {true, false}) {
        auto form = std::make_unique<TForm>(Application);
        std::string text = layout;
        if (!scaled)
            text.insert(text.find("  object P"), "  Scaled = False\n");
        ReadLayoutText(form.get(), text);
        int k = scaled ? 2 : 1;
        auto* panel = dynamic_cast<TPanel*>(form->FindComponent("P"));
        auto* label = dynamic_cast<TLabel*>(form->FindComponent("L"));
        ASSERT_TRUE(panel && label);
        SCOPED_TRACE(scaled ? "scaled" : "unscaled");
        EXPECT_EQ(form->ClientWidth(), 100 * k);
        EXPECT_EQ(form->ClientHeight(), 50 * k);
        // An unscaled form keeps its pixels, but its text stays readable.
        EXPECT_EQ(form->Font().Height, -24);
        EXPECT_EQ(panel->Left(), 4 * k);
        EXPECT_EQ(panel->Width(), 40 * k);
        EXPECT_EQ(label->Top(), 3 * k);
        // The label measures its text in the scaled font.
        HDC screen = GetDC(nullptr);
        HGDIOBJ old = SelectObject(screen, form->FontHandle());
        TEXTMETRICA tm{};
        GetTextMetricsA(screen, &tm);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(label->Height(), tm.tmHeight);
        EXPECT_GE(label->Height(), 24);
        EXPECT_GT(label->Width(), 0);
    }
}

TEST(StdControls, ButtonClicksOnceAndLabelFitsItsText) {
    auto form = MakeHostForm(200, 100);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    int clicks = 0;
    struct TCounter {
        int* N;
        void Click(TObject*) { ++*N; }
    } counter{&clicks};
    button->OnClick = Bind<&TCounter::Click>(&counter);
    // A mouse click on the button: one click, not two.
    SendMessageA(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_EQ(clicks, 1);
    // The space bar clicks it too.
    SendMessageA(button->Handle(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(button->Handle(), WM_KEYUP, VK_SPACE, 0);
    Pump();
    EXPECT_EQ(clicks, 2);

    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption("short");
    int shortWidth = label->Width();
    label->SetCaption("a much longer line of text");
    EXPECT_GT(label->Width(), shortWidth);
    label->SetCaption("");
    EXPECT_EQ(label->Width(), 0);
    EXPECT_GT(label->Height(), 0);
}

TEST(Busy, InputIsIgnoredNotKeptAndOnlyMarkedCommandsRun) {
    auto form = std::make_unique<TMenuForm>(Application, kMenuLayout);
    HWND wnd = form->Handle();
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 100, 100);
    int clicks = 0;
    struct TCounter {
        int* N;
        void Click(TObject*) { ++*N; }
    } counter{&clicks};
    panel->OnClick = Bind<&TCounter::Click>(&counter);
    auto* close = dynamic_cast<TAction*>(form->FindComponent("CloseAction"));
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->RunsWhileBusy());
    HMENU file = GetSubMenu(GetMenu(wnd), 0);
    auto click = [&] {
        PostMessageA(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageA(panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    };
    Pump();

    Application->BeginBusy();
    Application->BeginBusy();  // nested
    EXPECT_TRUE(Application->Busy());
    // A click, Ctrl+O as a key, a drop (which is finished all the same), the
    // menu's items, and the shortcut's own way in.
    click();
    HoldKeys({VK_CONTROL});
    PostMessageA(wnd, WM_KEYDOWN, 'O', 1);
    HDROP drop = MakeDrop({"C:\\a.avi"});
    PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    Pump();
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 0), 0);
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 2), 0);
    EXPECT_TRUE(Application->IsShortCutMessage(KeyMessage(wnd, 'O'))) << "an ignored shortcut is still taken";
    HoldKeys({});
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(form->Opened, 0);
    EXPECT_EQ(form->Clicked, 0);
    EXPECT_EQ(GlobalSize(drop), 0u) << "the ignored drop was not finished";
    // What is marked to run while busy runs.
    EXPECT_TRUE(close->Execute());
    EXPECT_EQ(form->Closed, 1);

    // Queued while busy and still there when it ends: ignored as well.
    click();
    Application->EndBusy();
    EXPECT_TRUE(Application->Busy());
    Application->EndBusy();
    EXPECT_FALSE(Application->Busy());
    Pump();
    EXPECT_EQ(clicks, 0);

    // Afterwards everything works again.
    click();
    Pump();
    EXPECT_EQ(clicks, 1);
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 0), 0);
    SendMessageA(wnd, WM_COMMAND, GetMenuItemID(file, 2), 0);
    EXPECT_EQ(form->Opened, 1);
    EXPECT_EQ(form->Clicked, 1);

    // Painting, timers, moving and sizing, the system's keys (the menu, Alt+F4)
    // and closing are never held up.
    for (UINT m : {WM_PAINT, WM_TIMER, WM_CLOSE, WM_SYSCOMMAND, WM_COMMAND, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP,
                   WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR, WM_MOUSEMOVE, WM_NULL, WM_APP})
        EXPECT_FALSE(IgnoredWhileBusy(m)) << m;
}

TEST(Background, WorkRunsOnItsOwnThreadWhileMessagesAreDispatched) {
    const DWORD threads = CountThreads();
    DWORD workThread = 0;
    bool ticked = false, busyMeanwhile = false;
    RunSoon(
        [&] {
            ticked = true;
            busyMeanwhile = Application->Busy();
        },
        50);
    EXPECT_TRUE(RunInBackground([&] {
        workThread = GetCurrentThreadId();
        Sleep(400);
    }));
    EXPECT_TRUE(ticked) << "no message was dispatched while the work ran";
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(Application->Busy());
    EXPECT_NE(workThread, GetCurrentThreadId());
    EXPECT_NE(workThread, 0u);
    // An error the work raises is raised here.
    EXPECT_THROW(RunInBackground([] { throw Exception("in the work"); }), Exception);
    EXPECT_FALSE(Application->Busy());
    EXPECT_TRUE(PumpUntil([&] { return CountThreads() <= threads; }, 2000)) << "a worker thread stayed";
}

TEST(Background, TerminationGivesTheWorkUpWhichRunsOnAlone) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto done = std::make_shared<std::atomic<bool>>(false);
    RunSoon([] { Application->Terminate(); }, 50);
    DWORD start = GetTickCount();
    EXPECT_FALSE(RunInBackground([release, done] {
        WaitForSingleObject(release, 10000);
        *done = true;
    }));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(*done);
    EXPECT_TRUE(AbandonedWorkRunning());
    EXPECT_FALSE(Application->Busy());
    SetEvent(release);
    EXPECT_TRUE(PumpUntil([] { return !AbandonedWorkRunning(); }, 5000));
    EXPECT_TRUE(*done);
    CloseHandle(release);
    // Work started by a caller that is already ending is done, not given up.
    ASSERT_TRUE(Application->Terminated());
    bool finished = false;
    EXPECT_TRUE(RunInBackground([&] {
        Sleep(100);
        finished = true;
    }));
    EXPECT_TRUE(finished);
    EXPECT_FALSE(AbandonedWorkRunning());
    Application->SetTerminated(false);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}
