// Faults on purpose. First the filter graph: a whole session of the movie
// control (open, play, position, volume, pause, end of stream, rewind, open
// again, destruction) runs once against healthy doubles to learn its calls;
// then once more for every call and every way a call can go wrong, with that
// one call failing, or answering S_FALSE, or answering a positive code without
// doing anything. Each run must show the user what a failed open shows and
// nothing else, recover at the next open, and give back every reference and
// its COM entry.
// Then handlers that raise: inside a drop and inside a form's creation. The
// framework's error box must appear with the error's message, and the program
// must go on with nothing lost and nothing leaked.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <shlobj.h>

#include "dropfiles/DROPDST.h"
#include "engine/UMovie.h"
#include "framework/Background.h"
#include "framework/Forms.h"
#include "framework/Layout.h"
#include "support/Apartment.h"
#include "support/Dialogs.h"
#include "support/Drops.h"
#include "support/GraphDoubles.h"
#include "support/HostForm.h"
#include "support/MovieControl.h"
#include "support/ProcessUsage.h"
#include "support/Publishing.h"
#include "support/Pump.h"
#include "support/Unmanaged.h"
#include "ui/UAbout.h"
#include "ui/Unit1.h"

namespace {

// Message boxes come and go at once (support/Unmanaged.h); before any window.
const bool gUnmanaged = (UseUnmanagedWindowsHere(), true);

const char kTitle[] = "FaultsTest";
const char kNoDirectX[] = "DirectXが利用できませんでした";
const char kUnplayable[] = "このファイルは再生できません";
constexpr LONGLONG kDuration = 25000000;  // what the double's GetDuration reports

std::string ExistingFile() {
    static std::string path = [] {
        char name[MAX_PATH];
        GetModuleFileNameA(nullptr, name, MAX_PATH);  // surely there; the doubles never read it
        return std::string(name);
    }();
    return path;
}

// The calls whose failure makes BuildGraph false.
bool IsTestedBuildStep(const std::string& call) {
    return call == "CoCreateInstance(FilterGraph)" || call == "CoCreateInstance(SampleGrabber)" ||
           call.rfind("IGraphBuilder::QueryInterface(", 0) == 0 || call == "Grabber::QueryInterface(ISampleGrabber)";
}

// What the user must be told when this call goes wrong this way.
const char* ExpectedMessage(const std::string& call, TFaultKind kind) {
    if (call == "IGraphBuilder::RenderFile")
        return kUnplayable;  // nothing but exactly S_OK renders
    // A success that hands out no interface is no success. (A class object's
    // odd success always comes with an object: see TFakeFactory.)
    bool handsOutNothing = kind == fkFail || (kind == fkEmptySuccess && call.rfind("CoCreateInstance", 0) != 0);
    if (IsTestedBuildStep(call) && handsOutNothing)
        return kNoDirectX;
    return nullptr;
}

// ------------------------------------------------------------ the session

struct TSessionResult {
    size_t SecondOpenAt = 0;  // index of the second opening's first call
    TMovieState AfterFirstOpen = msClosed, AtEnd = msClosed;
    int64_t DurationAfterFirstOpen = 0;
    int VideoWidthAfterFirstOpen = 0, MinIdealAfterFirstOpen = 0, MaxIdealAfterFirstOpen = 0;
    std::vector<std::string> Messages;
    std::string Leaks;
    bool ComBalanced = false;
};

class FaultSession {
public:
    // Everything a session needs, made afresh for each run.
    static TSessionResult Run(TForm* host, size_t target, TFaultKind kind, std::vector<std::string>* calls,
                              std::string* hit) {
        TSessionResult r;
        EXPECT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        {
            TFakeDirectShow ds;
            EXPECT_TRUE(ds.Register());
            ds.Plan.Arm(target, kind);
            TBoxAnswerer boxes;
            {
                auto owner = std::make_unique<TComponent>(nullptr);
                auto* movie = MakeMovie(owner.get(), host);
                TTimer* timer = FindTimer(owner.get());
                const std::string file = ExistingFile();
                auto notify = [&] { SendMessageA(movie->Handle(), WM_GRAPHNOTIFY, 0, GraphNotifyInstance); };

                movie->OpenFile(file);
                r.AfterFirstOpen = movie->State();
                r.DurationAfterFirstOpen = movie->Duration();
                r.VideoWidthAfterFirstOpen = movie->VideoWidth();
                r.MinIdealAfterFirstOpen = movie->MinIdealWidth();
                r.MaxIdealAfterFirstOpen = movie->MaxIdealWidth();
                movie->PlayPause();
                if (timer)
                    SendMessageA(timer->WindowHandle(), WM_TIMER, 1, 0);
                movie->SetVolume(3);
                movie->PlayPause();
                movie->PlayPause();
                // Some other event, the end of the stream, then nothing queued.
                ds.Graph.QueueEvent(EC_CLOCK_CHANGED);
                ds.Graph.QueueEvent(EC_COMPLETE);
                notify();
                notify();
                notify();
                movie->PlayPause();
                movie->Stop();
                r.SecondOpenAt = ds.Plan.Calls().size();
                movie->OpenFile(file);
                movie->PlayPause();
                r.AtEnd = movie->State();
                owner.reset();  // the control and its graph go
            }
            Application->ProcessMessages();
            r.Messages = boxes.Texts();
            r.Leaks = ds.Leaks();
            if (calls)
                *calls = ds.Plan.Calls();
            if (hit)
                *hit = ds.Plan.Hit();
        }
        // Exactly our own entry is left.
        r.ComBalanced = ComEntered();
        CoUninitialize();
        r.ComBalanced = r.ComBalanced && !ComEntered();
        while (ComEntered())
            CoUninitialize();
        return r;
    }
};

class Faults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Application->Title = kTitle;
        Host = MakeHostForm(320, 240).release();
    }
    static void TearDownTestSuite() {
        delete Host;
        Host = nullptr;
    }
    static inline TForm* Host = nullptr;
};

TEST_F(Faults, EveryGraphCallGoingWrongInTurn) {
    // The healthy session: its calls, and what it comes to.
    std::vector<std::string> calls;
    TSessionResult healthy = FaultSession::Run(Host, SIZE_MAX, fkNone, &calls, nullptr);
    ASSERT_EQ(healthy.AfterFirstOpen, msStopped);
    ASSERT_EQ(healthy.AtEnd, msPlaying);
    ASSERT_TRUE(healthy.Messages.empty());
    ASSERT_EQ(healthy.Leaks, "");
    ASSERT_TRUE(healthy.ComBalanced);
    ASSERT_GT(calls.size(), 50u);

    int runs = 0, failing = 0;
    const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
    for (TFaultKind kind : {fkFail, fkFalse, fkEmptySuccess}) {
        for (size_t target = 0; target < calls.size(); ++target) {
            std::string hit;
            const int partsBefore = result->total_part_count();
            TSessionResult r = FaultSession::Run(Host, target, kind, nullptr, &hit);
            ++runs;
            SCOPED_TRACE(testing::Message()
                         << "call " << target << " (" << calls[target] << ") answering " << FaultKindName(kind));
            // The runs agree up to the spoilt call.
            ASSERT_EQ(hit, calls[target]);
            const bool inFirstOpen = target < healthy.SecondOpenAt;
            const char* message = ExpectedMessage(hit, kind);

            std::vector<std::string> expected;
            if (message)
                expected.push_back(message);
            EXPECT_EQ(r.Messages, expected);
            EXPECT_EQ(r.Leaks, "");
            EXPECT_TRUE(r.ComBalanced) << "COM entered and left unevenly";

            // An opening that failed leaves nothing loaded; the next one,
            // without a fault, works again.
            EXPECT_EQ(r.AfterFirstOpen, message && inFirstOpen ? msClosed : msStopped);
            EXPECT_EQ(r.AtEnd, message && !inFirstOpen ? msClosed : msPlaying);

            // A query that fails, or claims success without an answer, leaves
            // what the control knew as it was.
            bool unanswered = kind != fkFalse && inFirstOpen;
            if (r.AfterFirstOpen == msStopped) {
                EXPECT_EQ(r.DurationAfterFirstOpen, unanswered && hit == "IMediaSeeking::GetDuration" ? -1 : kDuration);
                EXPECT_EQ(r.VideoWidthAfterFirstOpen, unanswered && hit == "IBasicVideo::GetVideoSize" ? 0 : 640);
                EXPECT_EQ(r.MinIdealAfterFirstOpen, unanswered && hit == "IVideoWindow::GetMinIdealImageSize" ? 0 : 16);
                EXPECT_EQ(r.MaxIdealAfterFirstOpen,
                          unanswered && hit == "IVideoWindow::GetMaxIdealImageSize" ? 0 : 1280);
            }
            if (result->total_part_count() != partsBefore && ++failing >= 20)
                FAIL() << "giving up after 20 failing runs";
        }
    }
    std::printf(
        "[ faults   ] %zu calls in a session, %d runs with one call spoilt (E_FAIL, S_FALSE, "
        "empty success)\n",
        calls.size(), runs);
}

// ------------------------------------------------------- raising handlers

// Counts the drops finished, and passes everything on to the shell.
int gFinished = 0;
void WINAPI CountingDragFinish(HDROP drop) {
    ++gFinished;
    ::DragFinish(drop);
}

// How a handler may fail.
enum TRaise { rsException, rsStdError, rsBadAlloc, rsUnknown, rsCount };

[[noreturn]] void Raise(TRaise how, const std::string& message) {
    switch (how) {
        case rsException: throw Exception(message);
        case rsStdError: throw std::runtime_error(message);
        case rsBadAlloc: throw std::bad_alloc();
        default: throw 42;
    }
}

std::string MessageOf(TRaise how, const std::string& message) {
    switch (how) {
        case rsException:
        case rsStdError: return message;
        case rsBadAlloc: return std::bad_alloc().what();
        default: return "Unknown error";
    }
}

// A main window of its own kind: its drop handler opens and starts what was
// dropped in its movie control, then raises if told to.
class TRaisingForm : public TPublishing<TRaisingForm> {
public:
    explicit TRaisingForm(TComponent* owner, const char* layout, TRaise raiseInCreate = rsCount)
        : TPublishing(owner), FRaiseInCreate(raiseInCreate) {
        // As a designed form is made: its layout, then the creation handler.
        ReadLayoutText(this, layout);
        DoCreate();
    }

    TDropDst* DropDst1 = nullptr;
    TMovie* Movie = nullptr;
    TRaise RaiseInDrop = rsCount;
    int Drops = 0;
    size_t LastCount = 0;

    static std::vector<TPublishedMember> Published() {
        return {
            PublishedField<&TRaisingForm::DropDst1>("DropDst1"),
            PublishedMethod<&TRaisingForm::FormCreate>("FormCreate"),
            PublishedMethod<&TRaisingForm::DropDst1FileDrop>("DropDst1FileDrop"),
        };
    }

private:
    void FormCreate(TObject*) {
        Movie = MakeMovie(this, this);
        Movie->OpenFile(ExistingFile());
        if (FRaiseInCreate != rsCount)
            Raise(FRaiseInCreate, "作成中のエラー");
    }
    void DropDst1FileDrop(TObject*, TStrings* files, int, int) {
        ++Drops;
        LastCount = files->Count();
        Movie->OpenFile((*files)[0]);
        Movie->PlayPause();
        if (RaiseInDrop != rsCount)
            Raise(RaiseInDrop, "ドロップ中のエラー");
    }

    TRaise FRaiseInCreate;
};

const char kLayout[] = R"(object RaisingForm: TRaisingForm
  Caption = 'Pelorin'
  OnCreate = FormCreate
  object DropDst1: TDropDst
    Target = htForm
    OnFileDrop = DropDst1FileDrop
  end
end
)";

class RaisingHandlers : public Faults {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        DirectShow = std::make_unique<TFakeDirectShow>();
        ASSERT_TRUE(DirectShow->Register());
        FSaved = DropShellCalls;
        DropShellCalls.DragFinish = &CountingDragFinish;
        gFinished = 0;
        Application->OnException = {};
    }
    void TearDown() override {
        DropShellCalls = FSaved;
        EXPECT_EQ(DirectShow->Leaks(), "");
        DirectShow.reset();
        EXPECT_TRUE(ComEntered());
        CoUninitialize();
        EXPECT_FALSE(ComEntered()) << "COM entered more often than left";
        while (ComEntered())
            CoUninitialize();
    }

    // The error box the framework shows for an error raised in a handler.
    void ExpectErrorBox(const TMessageBoxInfo& box, const std::string& text) {
        EXPECT_EQ(box.Text, text);
        EXPECT_EQ(box.Caption, kTitle);
        EXPECT_TRUE(box.HasIcon) << "the error box has an error icon";
        EXPECT_EQ(box.Buttons, std::vector<std::string>{"OK"});
    }

    std::unique_ptr<TFakeDirectShow> DirectShow;

private:
    TDropShellCalls FSaved{};
};

TEST_F(RaisingHandlers, DuringADrop) {
    TBoxAnswerer boxes;
    auto form = std::make_unique<TRaisingForm>(nullptr, kLayout);
    ASSERT_NE(form->Movie, nullptr);
    ASSERT_TRUE(boxes.Seen().empty());
    form->Show();
    HWND wnd = form->Handle();
    const std::string file = ExistingFile();
    auto drop = [&](const std::vector<std::string>& names) {
        ASSERT_TRUE(PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names)), 0));
        Application->ProcessMessages();
    };

    // Each kind of error, raised after the handler has opened and started
    // a movie; once with a thousand names in the drop.
    std::vector<std::string> thousand(1000, file);
    int posted = 0;
    TProcessUsage warm;
    const int rounds = 25;
    for (int round = 0; round < rounds; ++round) {
        if (round == 1)
            warm = MeasureProcessUsage();
        for (int how = 0; how < rsCount; ++how) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", kind " << how);
            form->RaiseInDrop = static_cast<TRaise>(how);
            boxes.Clear();
            drop(how == rsUnknown ? thousand : std::vector<std::string>{file});
            ++posted;
            ASSERT_TRUE(PumpUntil([&] { return boxes.Count() >= 1; }, 5000));
            ExpectErrorBox(boxes.Seen()[0], MessageOf(static_cast<TRaise>(how), "ドロップ中のエラー"));
            EXPECT_EQ(boxes.Count(), 1u);
            // The drop was finished, and the movie the handler started plays.
            EXPECT_EQ(gFinished, posted);
            EXPECT_EQ(form->Movie->State(), msPlaying);
        }
    }
    EXPECT_EQ(form->LastCount, 1000u);
    TProcessUsage after = MeasureProcessUsage();
    std::printf(
        "[ faults   ] %d drops whose handler raised; after the first round: %s\n[ faults   ] after the "
        "last: %s\n",
        posted, warm.Describe().c_str(), after.Describe().c_str());
    EXPECT_EQ(after.User(), warm.User()) << "window-manager objects leaked by the error path";
    EXPECT_EQ(after.Gdi(), warm.Gdi()) << "drawing objects leaked by the error path";
    EXPECT_LE(after.Handles(), warm.Handles() + 4u) << "handles leaked by the error path";

    // The program goes on: a quiet drop works as ever.
    form->RaiseInDrop = rsCount;
    boxes.Clear();
    drop({file});
    EXPECT_EQ(gFinished, posted + 1);
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(form->Drops, posted + 1);
    EXPECT_EQ(form->Movie->State(), msPlaying);
    form.reset();
}

TEST_F(RaisingHandlers, DuringFormCreation) {
    for (int how = 0; how < rsCount; ++how) {
        SCOPED_TRACE(testing::Message() << "kind " << how);
        TBoxAnswerer boxes;
        // The creation handler opens a movie, then raises: the error box
        // appears and the form is made all the same.
        auto form = std::make_unique<TRaisingForm>(nullptr, kLayout, static_cast<TRaise>(how));
        ASSERT_EQ(boxes.Count(), 1u);
        ExpectErrorBox(boxes.Seen()[0], MessageOf(static_cast<TRaise>(how), "作成中のエラー"));
        ASSERT_NE(form->Movie, nullptr);
        EXPECT_EQ(form->Movie->State(), msStopped);
        // It works: shown, it takes a drop and plays it.
        form->Show();
        ASSERT_TRUE(
            PostMessageA(form->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({ExistingFile()})), 0));
        Application->ProcessMessages();
        EXPECT_EQ(form->Drops, 1);
        EXPECT_EQ(form->Movie->State(), msPlaying);
        EXPECT_EQ(boxes.Count(), 1u);
        form.reset();
        EXPECT_EQ(DirectShow->Leaks(), "") << "after destroying the form";
    }
    EXPECT_EQ(gFinished, static_cast<int>(rsCount));
}

TEST_F(RaisingHandlers, DuringTheAboutBoxCreation) {
    // This program's version resource has no translation table (see
    // test_faults.rc), so reading it raises the system's error.
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string expected;
    try {
        ReadVersionString(path, "ProductName");
        FAIL() << "the version resource was read without an error";
    } catch (const Exception& e) {
        expected = e.Message();
    }

    TBoxAnswerer boxes;
    // As at start-up: the main window first, then the About box, which is
    // made afresh each round here.
    auto main = std::make_unique<TRaisingForm>(nullptr, kLayout);
    for (int round = 0; round < 3; ++round) {
        boxes.Clear();
        auto* about = new TAboutBox(nullptr);
        ASSERT_NE(about, nullptr) << "the About box is made all the same";
        ASSERT_EQ(boxes.Count(), 1u);
        ExpectErrorBox(boxes.Seen()[0], expected);
        delete about;
    }
    // The program goes on: its main window takes a drop and plays it.
    main->Show();
    ASSERT_TRUE(PostMessageA(main->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({ExistingFile()})), 0));
    Application->ProcessMessages();
    EXPECT_EQ(main->Movie->State(), msPlaying);
    EXPECT_EQ(boxes.Count(), 1u);
    main.reset();
}

// ------------------------------------------------------ an opening that hangs

struct TCounter {
    int Count = 0;
    void Run(TObject*) { ++Count; }
};

WORD MenuCommand(int menu, int item) {
    return static_cast<WORD>(GetMenuItemID(GetSubMenu(GetMenu(Form1->Handle()), menu), item));
}

// The main window over doubles whose RenderFile holds until the test lets it go.
class HangingOpen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        Application->Title = kTitle;
        DirectShow = std::make_unique<TFakeDirectShow>();
        ASSERT_TRUE(DirectShow->Register());
        DirectShow->Graph.InRenderFile = [this] {
            Entered.Open();
            Release.Wait(20000);
        };
        Application->CreateForm(Form1);
        Form1->Show();
        // Stand-ins that count: the real commands open modal dialogs.
        Form1->FileOpen->OnExecute = Bind<&TCounter::Run>(&Opens);
        Form1->About->OnExecute = Bind<&TCounter::Run>(&Abouts);
    }
    void TearDown() override {
        Release.Open();
        PumpUntil([] { return !AbandonedWorkRunning(); }, 5000);
        delete Form1;
        Form1 = nullptr;
        EXPECT_EQ(DirectShow->Leaks(), "");
        DirectShow.reset();
        Application->SetTerminated(false);
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        EXPECT_TRUE(ComEntered());
        CoUninitialize();
        while (ComEntered())
            CoUninitialize();
    }
    int Renders() const {
        auto& calls = DirectShow->Plan.Calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), std::string("IGraphBuilder::RenderFile")));
    }

    std::unique_ptr<TFakeDirectShow> DirectShow;
    TGate Entered, Release;
    TCounter Opens, Abouts;
};

TEST_F(HangingOpen, InputMeanwhileIsIgnoredAndTheOpeningEndsAsEver) {
    HWND wnd = Form1->Handle();
    HWND picture = Form1->Movie()->Handle();
    const std::string file = ExistingFile();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string other = temp;  // a folder: a drop of it would still change the caption
    auto ctrl = [](bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    };
    auto click = [&] {
        PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    };
    bool busy = false;
    RunSoon(
        [&] {
            // Inside the opening: a click on the picture, another drop,
            // Ctrl+O, the menu's ひらく and About items.
            EXPECT_TRUE(Entered.Wait(5000));
            busy = Application->Busy();
            click();
            PostDrop(wnd, {other});
            ctrl(true);
            PostMessageA(picture, WM_KEYDOWN, 'O', 1);
            PostMessageA(wnd, WM_COMMAND, MenuCommand(0, 0), 0);
            PostMessageA(wnd, WM_COMMAND, MenuCommand(1, 0), 0);
            PumpFor(100);
            // And some that are only queued when the opening ends.
            click();
            PostMessageA(picture, WM_KEYDOWN, 'O', 1);
            ctrl(false);
            Release.Open();
        },
        100);
    PostDrop(wnd, {file});
    ASSERT_TRUE(PumpUntil([&] { return Form1->Movie()->State() == msPlaying; }, 10000));
    PumpFor(200);  // whatever was kept for later would come now
    ctrl(false);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(Application->Busy());
    EXPECT_EQ(Opens.Count, 0);
    EXPECT_EQ(Abouts.Count, 0);
    EXPECT_EQ(Renders(), 1);
    EXPECT_EQ(CaptionOf(wnd), "Pelorin -" + file.substr(file.find_last_of('\\') + 1) + "-");
    EXPECT_EQ(Form1->Movie()->State(), msPlaying) << "a click paused the movie";
    EXPECT_EQ(Form1->ClientWidth(), 640);
    EXPECT_EQ(Form1->ClientHeight(), 480);
    EXPECT_EQ(Form1->Aspect(), 0.75);

    // Once it is open, the same input works again.
    click();
    PumpFor(100);
    EXPECT_EQ(Form1->Movie()->State(), msPaused);
    PostMessageA(wnd, WM_COMMAND, MenuCommand(1, 0), 0);
    PumpFor(100);
    EXPECT_EQ(Abouts.Count, 1);
}

TEST_F(HangingOpen, TheCloseBoxAndTheCloseItemEndTheLoopAtOnce) {
    HWND wnd = Form1->Handle();
    struct TWay {
        const char* Name;
        UINT Msg;
        WPARAM WParam;
    };
    for (TWay way : {TWay{"close box", WM_SYSCOMMAND, SC_CLOSE}, TWay{"とじる(X)", WM_COMMAND, MenuCommand(0, 2)}}) {
        SCOPED_TRACE(way.Name);
        ResetEvent(Entered.Handle);
        ResetEvent(Release.Handle);
        DWORD closedAt = 0;
        RunSoon(
            [&] {
                EXPECT_TRUE(Entered.Wait(5000));
                closedAt = GetTickCount();
                PostMessageA(wnd, way.Msg, way.WParam, 0);
            },
            100);
        PostDrop(wnd, {ExistingFile()});
        Application->Run();  // until the window is closed
        EXPECT_LT(GetTickCount() - closedAt, 1000u);
        EXPECT_TRUE(AbandonedWorkRunning()) << "RenderFile was still held";
        EXPECT_EQ(Form1->Movie()->State(), msClosed);
        EXPECT_EQ(DirectShow->Graph.Refs, 1 + 1) << "only the worker still holds the graph";
        // It ends later: nothing changes but that the worker lets go.
        Release.Open();
        EXPECT_TRUE(PumpUntil([] { return !AbandonedWorkRunning(); }, 5000));
        EXPECT_EQ(Form1->Movie()->State(), msClosed);
        EXPECT_EQ(DirectShow->Leaks(), "");
        Application->SetTerminated(false);
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
}

// The whole program, as its entry runs it, with an opening that never ends:
// closing the window ends the process within a second, with exit code 0.
void RunUntilClosedWhileAnOpeningHangs(const std::string& stampFile) {
    Application->Initialize();
    auto* doubles = new TFakeDirectShow;  // never freed: a thread stays inside
    doubles->Register();
    Application->CreateForm(Form1);
    HWND wnd = Form1->Handle();
    doubles->Graph.InRenderFile = [wnd, stampFile] {
        if (FILE* f = std::fopen(stampFile.c_str(), "w")) {
            std::fprintf(f, "%llu\n", static_cast<unsigned long long>(GetTickCount64()));
            std::fclose(f);
        }
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        Sleep(INFINITE);
    };
    PostDrop(wnd, {ExistingFile()});
    Application->Run();
    Application->Finalize();
}

TEST(HangingOpenDeathTest, ClosingEndsTheProgramWithinASecond) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string stamp = std::string(temp) + "pelorin hanging open.txt";
    DeleteFileA(stamp.c_str());
    EXPECT_EXIT(RunUntilClosedWhileAnOpeningHangs(stamp), ::testing::ExitedWithCode(0), "");
    ULONGLONG ended = GetTickCount64();
    unsigned long long closed = 0;
    FILE* f = std::fopen(stamp.c_str(), "r");
    ASSERT_NE(f, nullptr) << "the opening never started";
    EXPECT_EQ(std::fscanf(f, "%llu", &closed), 1);
    std::fclose(f);
    DeleteFileA(stamp.c_str());
    EXPECT_LT(ended - closed, 1000u);
}

}  // namespace
