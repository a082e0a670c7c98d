// The movie control against doubles of the filter graph manager and of the
// Sample Grabber, registered as the classes' objects for this apartment so
// that CoCreateInstance hands them out.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/UMovie.h"
#include "framework/Background.h"
#include "framework/Forms.h"
#include "framework/TextConversion.h"
#include "support/Apartment.h"
#include "support/Dialogs.h"
#include "support/GraphDoubles.h"
#include "support/HostForm.h"
#include "support/MovieControl.h"
#include "support/ProcessUsage.h"
#include "support/Pump.h"
#include "ui/Overlay.h"
#include "ui/PlayerControls.h"

namespace {

const char kTitle[] = "MovieGraphTest";

void Tick(TTimer* timer) {
    SendMessageA(timer->WindowHandle(), WM_TIMER, 1, 0);
}

std::string TempFile(const std::string& name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::string path = WideToUtf8(dir) + name;
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    CloseHandle(file);
    return path;
}

// ------------------------------------------------------------------ fixture

class MovieGraph : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ComEntered()) << "an earlier test left COM entered";
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        Application->Title = kTitle;
        Application->SetTerminated(false);
        ASSERT_TRUE(DirectShow.Register());
        // One window for the whole suite (a top-level window takes long to go
        // under Wine without a window manager); each test's control and its
        // timer belong to an owner of their own.
        if (!Host)
            Host = MakeHostForm(320, 240).release();
        Host->SetClientWidth(320);
        Host->SetClientHeight(240);
        Owner = std::make_unique<TComponent>(nullptr);
        Movie = MakeMovie(Owner.get(), Host);
        Log.Watch(Movie);
        Timer = FindTimer(Owner.get());
        File = TempFile("movie graph test.avi");
        Boxes = std::make_unique<TBoxAnswerer>();
    }

    void TearDown() override {
        Owner.reset();  // takes the control with it
        Boxes.reset();
        EXPECT_EQ(DirectShow.Leaks(), "");
        DirectShow.Revoke();
        // Exactly our own entry is left: the control left COM as often as it entered it.
        EXPECT_TRUE(ComEntered()) << "the control left COM more often than it entered it";
        CoUninitialize();
        EXPECT_FALSE(ComEntered()) << "the control left COM entered";
        while (ComEntered())
            CoUninitialize();
        DeleteFileA(File.c_str());
        Application->SetTerminated(false);
    }

    // Opens File against the doubles and checks that it worked.
    void Open() {
        Movie->OpenFile(File);
        ASSERT_EQ(Movie->State(), msStopped);
    }
    void Notify(LPARAM instance = GraphNotifyInstance) {
        LRESULT result = SendMessageA(Movie->Handle(), WM_GRAPHNOTIFY, 0, instance);
        EXPECT_EQ(result, 0);
    }
    void ExpectBoxes(std::initializer_list<const char*> texts) {
        ASSERT_TRUE(PumpUntil([&] { return Boxes->Count() >= texts.size(); }, 5000));
        auto seen = Boxes->Seen();
        ASSERT_EQ(seen.size(), texts.size());
        size_t i = 0;
        for (const char* text : texts) {
            EXPECT_EQ(seen[i].Text, text);
            EXPECT_EQ(seen[i].Caption, kTitle);
            EXPECT_EQ(seen[i].Buttons, std::vector<std::string>{"OK"});
            EXPECT_FALSE(seen[i].HasIcon);
            ++i;
        }
    }

    TFakeDirectShow DirectShow;
    TFakeGraph& Graph = DirectShow.Graph;
    TFakeGrabber& Grabber = DirectShow.Grabber;
    TFakeFactory& GraphFactory = DirectShow.GraphFactory;
    TFakeFactory& GrabberFactory = DirectShow.GrabberFactory;
    static inline TForm* Host = nullptr;
    std::unique_ptr<TComponent> Owner;
    TMovie* Movie = nullptr;
    TTimer* Timer = nullptr;
    TMovieEvents Log;
    std::string File;
    std::unique_ptr<TBoxAnswerer> Boxes;
};

// ------------------------------------------------------------------ tests

TEST_F(MovieGraph, FreshControlIsClosedAndIdle) {
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Movie->Duration(), -1);
    EXPECT_EQ(Movie->Position(), 0);
    EXPECT_EQ(Movie->Volume(), 7);
    EXPECT_FALSE(Movie->AutoClose());
    EXPECT_EQ(Movie->VideoWidth(), 0);
    EXPECT_EQ(Movie->VideoHeight(), 0);
    EXPECT_EQ(Movie->BevelInner(), bvNone);
    EXPECT_EQ(Movie->BevelOuter(), bvNone);
    EXPECT_EQ(Movie->GetPosition(), -1);
    // The timer belongs to the control's owner and runs every second.
    ASSERT_NE(Timer, nullptr);
    EXPECT_TRUE(Timer->Enabled());
    EXPECT_EQ(Timer->Interval(), 1000u);
    // Ticking, stopping and playing with nothing loaded do nothing at all.
    Tick(Timer);
    Movie->Stop();
    Movie->PlayPause();
    Movie->ReleaseGraph();
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_TRUE(Log.Positions.empty());
    EXPECT_TRUE(Timer->Enabled());
    EXPECT_EQ(GraphFactory.Created, 0);
    // The application's own COM entry survived that release.
    EXPECT_TRUE(ComEntered());
}

TEST_F(MovieGraph, BuildGraphPutsTheGrabberIn) {
    // Failures of the grabber's set-up calls do not make the graph fail.
    Graph.AddFilter_hr = E_FAIL;
    Grabber.SetMediaType_hr = E_FAIL;
    ASSERT_TRUE(Movie->BuildGraph());
    EXPECT_EQ(Movie->State(), msClosed);
    ASSERT_EQ(Graph.Filters.size(), 1u);
    EXPECT_EQ(Graph.Filters[0], static_cast<IBaseFilter*>(&Grabber));
    EXPECT_EQ(Graph.FilterNames[0], L"Grabber");
    EXPECT_EQ(Grabber.SetMediaTypeCalls, 1);
    // The type's fields are pinned with GrabberMediaType (test_directshow).
    EXPECT_EQ(Grabber.Type.majortype, MEDIATYPE_Video);
    EXPECT_EQ(Grabber.Type.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(Grabber.SetBufferSamplesCalls, 1);
    EXPECT_EQ(Grabber.BufferSamples, -1);
    EXPECT_EQ(Graph.NotifyWindow, reinterpret_cast<OAHWND>(Movie->Handle()));
    EXPECT_EQ(Graph.NotifyMessage, 0xB039);
    EXPECT_EQ(Graph.NotifyInstance, 54321);
    EXPECT_EQ(Graph.NotifyFlagsCalls, 1);
    EXPECT_EQ(Graph.NotifyFlags, 0);
    // Seven graph interfaces and two grabber interfaces (plus the graph's own
    // reference to the grabber) are held.
    EXPECT_EQ(Graph.Refs, 1 + 7);
    EXPECT_EQ(Grabber.Refs, 1 + 2 + 1);
    // Tearing down takes the grabber out again.
    Movie->ReleaseGraph();
    EXPECT_EQ(Graph.Removed, std::vector<IBaseFilter*>{&Grabber});
    EXPECT_EQ(Graph.Refs, 1);
    EXPECT_EQ(Grabber.Refs, 1);
}

TEST_F(MovieGraph, EachFailingBuildStepKeepsWhatWasObtained) {
    enum Step {
        CreateGraph,
        MediaControl,
        MediaSeeking,
        BasicAudio,
        BasicVideo,
        VideoWindow,
        MediaEventEx,
        CreateGrabber,
        SampleGrabber,
        AddFilterThrows,
        StepCount
    };
    const IID* queries[] = {nullptr,          &IID_IMediaControl, &IID_IMediaSeeking, &IID_IBasicAudio,
                            &IID_IBasicVideo, &IID_IVideoWindow,  &IID_IMediaEventEx};
    for (int step = CreateGraph; step < StepCount; ++step) {
        SCOPED_TRACE(testing::Message() << "failing step " << step);
        Graph.FailQI = GUID_NULL;
        GraphFactory.CreateInstance_hr = S_OK;
        GrabberFactory.CreateInstance_hr = S_OK;
        Grabber.SampleGrabber_hr = S_OK;
        Graph.AddFilterThrows = false;
        Graph.NotifyFlagsCalls = -1;
        Graph.StopCalls = 0;
        switch (step) {
            case CreateGraph: GraphFactory.CreateInstance_hr = REGDB_E_CLASSNOTREG; break;
            case CreateGrabber: GrabberFactory.CreateInstance_hr = REGDB_E_CLASSNOTREG; break;
            case SampleGrabber: Grabber.SampleGrabber_hr = E_NOINTERFACE; break;
            case AddFilterThrows: Graph.AddFilterThrows = true; break;
            default: Graph.FailQI = *queries[step];
        }

        EXPECT_FALSE(Movie->BuildGraph());
        EXPECT_EQ(Movie->State(), msClosed);
        // Graph interfaces obtained before the failing step stay held.
        LONG graphHeld = step <= MediaEventEx ? step : 7;
        EXPECT_EQ(Graph.Refs, 1 + graphHeld);
        LONG grabberHeld = step == SampleGrabber ? 1 : step == AddFilterThrows ? 2 : 0;
        EXPECT_EQ(Grabber.Refs, 1 + grabberHeld);
        // Notifications are set up once all graph interfaces are there.
        EXPECT_EQ(Graph.NotifyFlagsCalls, step >= CreateGrabber ? 1 : -1);

        // The next release gives everything back, stopping first when it can.
        Movie->ReleaseGraph();
        EXPECT_EQ(Movie->State(), msClosed);
        EXPECT_EQ(Graph.Refs, 1);
        EXPECT_EQ(Grabber.Refs, 1);
        EXPECT_EQ(Graph.StopCalls, step >= MediaSeeking ? 1 : 0);
        EXPECT_TRUE(Graph.Filters.empty());
    }
}

TEST_F(MovieGraph, ReleaseGraphStopsThenRemovesEveryFilter) {
    Open();
    ASSERT_EQ(Graph.Filters.size(), 3u);
    std::vector<IBaseFilter*> inGraph = Graph.Filters;
    Movie->PlayPause();
    ASSERT_FALSE(Graph.Stopped);
    // Inside RemoveFilter the double checks: stopped, enumerator given back,
    // no interface given back yet, video window not yet detached.
    Movie->ReleaseGraph();
    EXPECT_EQ(Graph.Removed, inGraph);
    EXPECT_EQ(Graph.VisibleOffCalls, 1);
    EXPECT_EQ(Graph.Owner, 0);
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Graph.Refs, 1);
    // Nothing the control recorded about the movie is forgotten.
    EXPECT_EQ(Movie->Duration(), Graph.Duration);
    EXPECT_EQ(Movie->VideoWidth(), 640);
    EXPECT_EQ(Movie->FileName(), File);
}

TEST_F(MovieGraph, ReleaseGraphRemovesAtMostFiftyFilters) {
    ASSERT_TRUE(Movie->BuildGraph());
    Graph.AddFilters(59);
    std::vector<IBaseFilter*> first50(Graph.Filters.begin(), Graph.Filters.begin() + 50);
    Movie->ReleaseGraph();
    EXPECT_EQ(Graph.Removed, first50);
    // The other ten stay in the graph; the control holds none of them.
    EXPECT_EQ(Graph.Filters.size(), 10u);
    for (IBaseFilter* f : Graph.Filters)
        EXPECT_EQ(static_cast<TFakeFilter*>(f)->Refs, 2);
}

TEST_F(MovieGraph, OnlyExactSuccessKeepsTheEnumerationGoing) {
    struct Case {
        const char* name;
        HRESULT enumHr;
        size_t skipStopsAt, nextStopsAt;
        HRESULT hr;
        size_t removed;
    };
    const Case cases[] = {
        {"EnumFilters S_FALSE", S_FALSE, SIZE_MAX, SIZE_MAX, S_OK, 0},
        {"EnumFilters failing", E_FAIL, SIZE_MAX, SIZE_MAX, S_OK, 0},
        {"Skip positive at 2", S_OK, 2, SIZE_MAX, 2, 2},
        {"Skip failing at 3", S_OK, 3, SIZE_MAX, E_FAIL, 3},
        {"Next S_FALSE at 1", S_OK, SIZE_MAX, 1, S_FALSE, 1},
        {"Next positive at 0", S_OK, SIZE_MAX, 0, 7, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Movie->BuildGraph());
        Graph.AddFilters(4);
        std::vector<IBaseFilter*> inGraph = Graph.Filters;
        Graph.Removed.clear();
        Graph.EnumFilters_hr = c.enumHr;
        Graph.SetUpEnum = [&](TFakeEnum& e) {
            e.SkipStopsAt = c.skipStopsAt;
            e.NextStopsAt = c.nextStopsAt;
            e.Skip_hr = e.Next_hr = c.hr;
        };
        Movie->ReleaseGraph();
        EXPECT_EQ(Graph.Removed, std::vector<IBaseFilter*>(inGraph.begin(), inGraph.begin() + c.removed));
        EXPECT_EQ(Graph.OpenEnums(), 0);
        EXPECT_EQ(Graph.Refs, 1);
        // Empty the graph for the next case.
        for (IBaseFilter* f : Graph.Filters)
            f->Release();
        Graph.Filters.clear();
        Graph.FilterNames.clear();
    }
    Graph.SetUpEnum = nullptr;
    Graph.EnumFilters_hr = S_OK;
}

TEST_F(MovieGraph, OpenFileRendersAndCuesTheFirstFrame) {
    Movie->OpenFile(File);
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Graph.RenderedName, std::wstring(File.begin(), File.end()));
    EXPECT_FALSE(Graph.PlayListGiven);
    EXPECT_EQ(Movie->FileName(), File);
    EXPECT_EQ(Movie->Duration(), Graph.Duration);
    EXPECT_EQ(Movie->VideoWidth(), 640);
    EXPECT_EQ(Movie->VideoHeight(), 480);
    EXPECT_EQ(Movie->MinIdealWidth(), 16);
    EXPECT_EQ(Movie->MinIdealHeight(), 12);
    EXPECT_EQ(Movie->MaxIdealWidth(), 1280);
    EXPECT_EQ(Movie->MaxIdealHeight(), 960);
    // The video window is a child of the control, covering it, and sends its
    // mouse messages there.
    OAHWND self = reinterpret_cast<OAHWND>(Movie->Handle());
    EXPECT_EQ(Graph.Owner, self);
    EXPECT_EQ(Graph.Drain, self);
    EXPECT_EQ(Graph.WindowStyle, 0x46000000);
    ASSERT_EQ(Graph.WindowPositions.size(), 1u);
    EXPECT_EQ(Graph.WindowPositions[0].right, Movie->Width());
    EXPECT_EQ(Graph.WindowPositions[0].bottom, Movie->Height());
    EXPECT_EQ(Movie->Width(), 320);
    // Cued: stopped, rewound, paused; never run.
    EXPECT_EQ(Graph.StopCalls, 1);
    EXPECT_EQ(Graph.Seeks, std::vector<LONGLONG>{0});
    EXPECT_EQ(Graph.PauseCalls, 1);
    EXPECT_EQ(Graph.RunCalls, 0);
    // Raised by the cue and at the end, both at 0 with the new duration.
    using P = std::pair<int64_t, int64_t>;
    EXPECT_EQ(Log.Positions, (std::vector<P>{{0, Graph.Duration}, {0, Graph.Duration}}));
    EXPECT_EQ(Boxes->Count(), 0u);

    EXPECT_TRUE(Movie->HasVideo());

    // A file without a picture (its size queries fail) has no size, whatever
    // was open before; a duration query that fails leaves the last one.
    Graph.Duration_hr = E_NOTIMPL;
    Graph.VideoSize_hr = E_NOINTERFACE;
    Graph.IdealSize_hr = E_FAIL;
    Movie->OpenFile(File);
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Movie->Duration(), 25000000);
    EXPECT_EQ(Movie->VideoWidth(), 0);
    EXPECT_EQ(Movie->VideoHeight(), 0);
    EXPECT_EQ(Movie->MinIdealWidth(), 0);
    EXPECT_EQ(Movie->MaxIdealHeight(), 0);
    EXPECT_FALSE(Movie->HasVideo());
}

// DirectShow gets the name in UTF-16, every character of it, whatever the
// system's code page.
TEST_F(MovieGraph, OpenFileHandsDirectShowTheWholeName) {
    const struct {
        const char* Name;
        const wchar_t* Rendered;
    } cases[] = {
        {"動画テスト.avi", L"\u52D5\u753B\u30C6\u30B9\u30C8.avi"},
        {"Amélie 한글.avi", L"Am\u00E9lie \uD55C\uAE00.avi"},
        {"𠮷😀.avi", L"\xD842\xDFB7\xD83D\xDE00.avi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string name = TempFile(c.Name);
        Movie->OpenFile(name);
        EXPECT_EQ(Movie->State(), msStopped);
        EXPECT_EQ(Movie->FileName(), name);
        const std::wstring rendered = Graph.RenderedName;
        const std::wstring expected = c.Rendered;
        ASSERT_GE(rendered.size(), expected.size());
        EXPECT_EQ(rendered.substr(rendered.size() - expected.size()), expected);
        EXPECT_EQ(WideToUtf8(rendered), name);
        DeleteFileW(Utf8ToWide(name).c_str());
    }
}

TEST_F(MovieGraph, NamesThatDenoteNoFileChangeNothing) {
    Open();
    Movie->PlayPause();
    ASSERT_EQ(Movie->State(), msPlaying);
    int stops = Graph.StopCalls;
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string folder = dir;
    folder.pop_back();
    // A name too long for DirectShow's buffer, of a file that does exist on
    // a system that accepts such names.
    std::string longDir = folder + "\\" + std::string(120, 'd');
    std::string longName = longDir + "\\" + std::string(150, 'f') + ".avi";
    CreateDirectoryA(longDir.c_str(), nullptr);
    std::wstring wideName(longName.begin(), longName.end());
    HANDLE h = CreateFileW(wideName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    bool longNameExists = h != INVALID_HANDLE_VALUE;
    if (longNameExists)
        CloseHandle(h);
    std::string pattern = folder + "\\movie graph test.a?i";

    for (const std::string& name :
         {std::string(), folder + "\\no such movie.avi", folder, std::string(dir), pattern, longName}) {
        SCOPED_TRACE(name);
        Movie->OpenFile(name);
        EXPECT_EQ(Movie->State(), msPlaying);
        EXPECT_EQ(Movie->FileName(), File);
        EXPECT_EQ(Graph.Refs, 1 + 7);
        EXPECT_EQ(GraphFactory.Created, 1);
        EXPECT_EQ(Graph.StopCalls, stops);
    }
    EXPECT_EQ(Boxes->Count(), 0u);
    RecordProperty("LongNameExists", longNameExists ? "yes" : "no");
    DeleteFileW(wideName.c_str());
    RemoveDirectoryA(longDir.c_str());
}

TEST_F(MovieGraph, UnrenderableFileIsReportedAndReleased) {
    // Only exactly S_OK counts: a partial render is a failure too.
    const HRESULT results[] = {VFW_S_PARTIAL_RENDER, S_FALSE, VFW_E_CANNOT_RENDER, E_FAIL};
    for (HRESULT hr : results) {
        SCOPED_TRACE(hr);
        Graph.RenderFile_hr = hr;
        Movie->OpenFile(File);
        EXPECT_EQ(Movie->State(), msClosed);
        EXPECT_EQ(Movie->FileName(), File);
        EXPECT_EQ(Graph.Refs, 1);
        EXPECT_EQ(Grabber.Refs, 1);
        EXPECT_TRUE(Graph.Filters.empty());
        EXPECT_EQ(Graph.WindowStyle, 0) << "the video window was attached";
        EXPECT_TRUE(ComEntered());
    }
    ExpectBoxes({"このファイルは再生できません", "このファイルは再生できません", "このファイルは再生できません",
                 "このファイルは再生できません"});
    EXPECT_TRUE(Log.Positions.empty());
}

TEST_F(MovieGraph, GraphThatCannotBeBuiltIsReportedAndKeptUntilTheNextOpen) {
    Open();
    ASSERT_EQ(Movie->FileName(), File);
    Graph.FailQI = IID_IBasicAudio;
    Movie->OpenFile(File);
    ExpectBoxes({"DirectXが利用できませんでした"});
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Movie->FileName(), "");
    // What was obtained stays held; the next open gives it back first.
    EXPECT_EQ(Graph.Refs, 1 + 3);
    Graph.FailQI = GUID_NULL;
    Movie->OpenFile(File);
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Graph.Refs, 1 + 7);
    EXPECT_EQ(Boxes->Count(), 1u);

    // No graph class at all.
    GraphFactory.CreateInstance_hr = REGDB_E_CLASSNOTREG;
    Movie->OpenFile(File);
    ExpectBoxes({"DirectXが利用できませんでした", "DirectXが利用できませんでした"});
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Graph.Refs, 1);
}

TEST_F(MovieGraph, PlayPauseAndStopFollowTheStateMachine) {
    Open();
    Log.Positions.clear();
    Graph.Seeks.clear();
    // Stopped: rewind (with the graph stopped, see the double), then run.
    Movie->PlayPause();
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(Graph.Seeks, std::vector<LONGLONG>{0});
    EXPECT_EQ(Graph.StopCalls, 2);
    EXPECT_EQ(Graph.RunCalls, 1);
    EXPECT_TRUE(Timer->Enabled());
    // Playing: pause.
    Movie->PlayPause();
    EXPECT_EQ(Movie->State(), msPaused);
    EXPECT_EQ(Graph.PauseCalls, 2);
    EXPECT_FALSE(Timer->Enabled());
    // Paused: run on from where it is, without seeking.
    Movie->PlayPause();
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(Graph.RunCalls, 2);
    EXPECT_EQ(Graph.Seeks.size(), 1u);
    EXPECT_TRUE(Timer->Enabled());
    // Stop: stop, rewind, pause on the first frame, tell the position.
    Movie->Stop();
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Graph.Seeks, (std::vector<LONGLONG>{0, 0}));
    EXPECT_TRUE(Graph.StopCalls == 3 && Graph.PauseCalls == 3);
    EXPECT_EQ(Movie->Position(), 0);
    ASSERT_EQ(Log.Positions.size(), 1u);
    EXPECT_EQ(Log.Positions[0], std::make_pair(int64_t(0), int64_t(Graph.Duration)));
    // Stopping again changes nothing and raises nothing.
    Movie->Stop();
    EXPECT_EQ(Graph.StopCalls, 3);
    EXPECT_EQ(Log.Positions.size(), 1u);
}

TEST_F(MovieGraph, DefaultPositionHandlerStopsTheTimerAfterOneTick) {
    TMovie* bare = new TMovie(Owner.get());  // a control with its default handlers
    bare->SetParent(Host);
    TTimer* timer = nullptr;
    for (int i = 0; i < Owner->ComponentCount(); ++i)
        if (auto* t = dynamic_cast<TTimer*>(Owner->Components(i)))
            timer = t;  // the newest timer is the new control's
    ASSERT_NE(timer, Timer);
    bare->OpenFile(File);
    ASSERT_EQ(bare->State(), msStopped);
    EXPECT_FALSE(timer->Enabled()) << "the cue raised the default handler";
    bare->PlayPause();
    EXPECT_TRUE(timer->Enabled());
    int before = Graph.GetPositionsCalls;
    Tick(timer);
    EXPECT_EQ(Graph.GetPositionsCalls, before + 1);
    EXPECT_EQ(bare->Position(), Graph.Current);
    EXPECT_FALSE(timer->Enabled());
    Tick(timer);
    EXPECT_EQ(Graph.GetPositionsCalls, before + 1);
    // The next start of playback lets one more tick through.
    bare->PlayPause();
    bare->PlayPause();
    EXPECT_TRUE(timer->Enabled());
    before = Graph.GetPositionsCalls;  // the pause reads the place itself
    Tick(timer);
    EXPECT_EQ(Graph.GetPositionsCalls, before + 1);
    delete bare;
}

TEST_F(MovieGraph, OwnPositionHandlerGetsEveryTick) {
    Open();
    Log.Positions.clear();
    using P = std::pair<int64_t, int64_t>;
    Movie->PlayPause();
    Tick(Timer);
    Tick(Timer);
    EXPECT_TRUE(Timer->Enabled());
    EXPECT_EQ(Log.Positions, (std::vector<P>{{Graph.Current, Graph.Duration}, {Graph.Current, Graph.Duration}}));
    // Only exactly S_OK gives a position; anything else is -1.
    for (HRESULT hr : {S_FALSE, E_FAIL}) {
        Graph.GetPositions_hr = hr;
        Tick(Timer);
        EXPECT_EQ(Movie->Position(), -1);
        EXPECT_EQ(Log.Positions.back(), P(-1, Graph.Duration));
    }
    Graph.GetPositions_hr = S_OK;
    // Stopped: the timer is still on and reports.
    Movie->Stop();
    Log.Positions.clear();
    Tick(Timer);
    EXPECT_EQ(Log.Positions, (std::vector<P>{{Graph.Current, Graph.Duration}}));
    // Closed: silence, the timer stays on.
    Movie->ReleaseGraph();
    Tick(Timer);
    EXPECT_EQ(Log.Positions.size(), 1u);
    EXPECT_TRUE(Timer->Enabled());
}

TEST_F(MovieGraph, VolumeIsClampedAndReachesTheGraphOnlyWhilePlaying) {
    Movie->SetVolume(-5);
    EXPECT_EQ(Movie->Volume(), 0);
    Movie->SetVolume(12);
    EXPECT_EQ(Movie->Volume(), 7);
    Open();
    EXPECT_TRUE(Graph.Volumes.empty()) << "a new graph keeps DirectShow's own volume until it plays";
    // A level chosen on a still picture must not move it: the graph hears of
    // it when it runs, just before.
    Movie->SetVolume(3);
    EXPECT_TRUE(Graph.Volumes.empty());
    Movie->PlayPause();
    EXPECT_EQ(Graph.Volumes, std::vector<LONG>{VolumeTable[3]});
    const auto& calls = Graph.Plan.Calls();
    auto volume = std::find(calls.begin(), calls.end(), "IBasicAudio::put_Volume");
    EXPECT_LT(volume, std::find(volume, calls.end(), "IMediaControl::Run"));

    Graph.Volumes.clear();
    for (int level = -5; level <= 12; ++level)
        Movie->SetVolume(level);
    // The table's levels are pinned in test_directshow.
    std::vector<LONG> expected(5, VolumeTable[0]);
    expected.insert(expected.end(), VolumeTable, VolumeTable + 8);
    expected.insert(expected.end(), 5, VolumeTable[7]);
    EXPECT_EQ(Graph.Volumes, expected);
    EXPECT_EQ(Movie->Volume(), 7);

    Movie->PlayPause();
    Graph.Volumes.clear();
    Movie->SetVolume(2);
    EXPECT_TRUE(Graph.Volumes.empty()) << "paused";
    EXPECT_EQ(Movie->Volume(), 2);
}

TEST_F(MovieGraph, VideoFollowsTheControlOnlyWhileLoaded) {
    ASSERT_TRUE(Movie->BuildGraph());
    // Closed, even though the video window interface is held.
    Movie->SetVideoPosition(1, 2, 3, 4);
    Host->SetClientWidth(300);
    EXPECT_TRUE(Graph.WindowPositions.empty());
    Movie->ReleaseGraph();

    Open();
    Graph.WindowPositions.clear();
    Host->SetClientWidth(400);
    Host->SetClientHeight(300);
    ASSERT_FALSE(Graph.WindowPositions.empty());
    RECT last = Graph.WindowPositions.back();
    EXPECT_EQ(last.left, 0);
    EXPECT_EQ(last.top, 0);
    EXPECT_EQ(last.right, 400);
    EXPECT_EQ(last.bottom, 300);
    Movie->SetVideoPosition(5, 6, 7, 8);
    last = Graph.WindowPositions.back();
    EXPECT_TRUE(last.left == 5 && last.top == 6 && last.right == 7 && last.bottom == 8);
    // Someone else's resize handler takes over: the video no longer follows.
    Graph.WindowPositions.clear();
    Movie->OnResize = TNotifyEvent();
    Host->SetClientWidth(350);
    EXPECT_TRUE(Graph.WindowPositions.empty());
}

TEST_F(MovieGraph, GraphEventsAreFetchedOneAtATimeAndFreed) {
    Open();
    Movie->PlayPause();
    Log.Positions.clear();
    // Not our instance value: not even looked at.
    Graph.QueueEvent(EC_COMPLETE);
    Notify(12345);
    EXPECT_EQ(Graph.GetEventCalls, 0);
    // Nothing within 10 ms, or a failing queue: no event.
    Graph.Events.clear();
    Notify();
    Graph.QueueEvent(0, E_UNEXPECTED);
    Notify();
    EXPECT_EQ(Graph.GetEventCalls, 2);
    EXPECT_EQ(Graph.Freed, 0);
    // Other events are fetched and freed, nothing else; one per message.
    Graph.QueueEvent(EC_PAUSED);
    Graph.QueueEvent(EC_CLOCK_CHANGED, S_FALSE);
    Notify();
    EXPECT_EQ(Graph.Freed, 1);
    Notify();
    EXPECT_EQ(Graph.FreedCodes, (std::vector<long>{EC_PAUSED, EC_CLOCK_CHANGED}));
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_TRUE(Log.Positions.empty());
    // The end of the stream: rewound and stopped, no OnComplete without AutoClose.
    Graph.QueueEvent(EC_COMPLETE);
    Notify();
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Movie->Position(), 0);
    EXPECT_EQ(Graph.Seeks.back(), 0);
    EXPECT_EQ(Log.Positions.size(), 1u);
    EXPECT_EQ(Graph.FreedCodes, (std::vector<long>{EC_PAUSED, EC_CLOCK_CHANGED, EC_COMPLETE}));
    EXPECT_EQ(Log.Completes, 0);
}

TEST_F(MovieGraph, EndOfStreamWithAutoCloseCompletesAfterTheRewind) {
    Open();
    Movie->SetAutoClose(true);
    Movie->PlayPause();
    Log.InComplete = [&] {
        EXPECT_EQ(Movie->State(), msStopped);
        EXPECT_EQ(Movie->Position(), 0);
        EXPECT_EQ(Graph.Outstanding, 0) << "OnComplete before the event was freed";
        EXPECT_EQ(Log.Positions.size(), 3u) << "OnComplete before the rewind was told";
    };
    Graph.QueueEvent(EC_COMPLETE);
    Notify();
    EXPECT_EQ(Log.Completes, 1);
    EXPECT_EQ(Log.CompleteSender, Movie);
    // Already stopped: nothing more happens, but the end is told again.
    int stops = Graph.StopCalls;
    Graph.QueueEvent(EC_COMPLETE);
    Notify();
    EXPECT_EQ(Graph.StopCalls, stops);
    EXPECT_EQ(Log.Completes, 2);
}

namespace {
constexpr LONGLONG kSecond = 10000000;
}  // namespace

TEST_F(MovieGraph, AHeldPictureIsCuedAgainOnceAfterResizesAndExposure) {
    Open();
    Movie->PlayPause();
    // Playing: the renderer draws every frame itself.
    Movie->SetBounds(0, 0, 300, 200);
    PumpFor(50);
    EXPECT_EQ(Graph.GetStateCalls, 0);

    Movie->PlayPause();
    ASSERT_EQ(Movie->State(), msPaused);
    Graph.Current = 7 * kSecond;
    Graph.Seeks.clear();
    // A burst of sizes (a drag, full screen) and an uncovering: one cue, at
    // the paused place, once the burst is over.
    Movie->SetBounds(0, 0, 400, 300);
    Movie->SetBounds(0, 0, 640, 480);
    RedrawWindow(Movie->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(Graph.Seeks.empty()) << "cued while the burst went on";
    PumpFor(50);
    EXPECT_EQ(Graph.Seeks, std::vector<LONGLONG>{7 * kSecond});
    EXPECT_EQ(Graph.GetStateCalls, 1);
    EXPECT_EQ(Movie->State(), msPaused);
    EXPECT_EQ(Graph.RunCalls, 1) << "still paused";

    // Stopped at the start after the end, the same; closed, nothing.
    Movie->Stop();
    Graph.Current = 0;
    Graph.Seeks.clear();
    Movie->SetBounds(0, 0, 320, 240);
    PumpFor(50);
    EXPECT_EQ(Graph.Seeks, std::vector<LONGLONG>{0});
    Movie->ReleaseGraph();
    Movie->SetBounds(0, 0, 200, 100);
    PumpFor(50);
    EXPECT_EQ(Graph.Seeks, std::vector<LONGLONG>{0});
}

TEST_F(MovieGraph, APlaybackErrorIsReportedLikeAFileThatCannotPlay) {
    for (long code : {EC_ERRORABORT, EC_ERRORABORTEX, EC_STREAM_ERROR_STOPPED}) {
        Boxes->Clear();
        Open();
        Movie->PlayPause();
        Graph.QueueEvent(code);
        Notify();
        ExpectBoxes({"このファイルは再生できません"});
        EXPECT_EQ(Movie->State(), msClosed) << code;
        EXPECT_EQ(Graph.Refs, 1) << "graph still held after " << code;
        EXPECT_EQ(Graph.Outstanding, 0) << code;
        // Later notifications of the same failure ask nothing more.
        int fetched = Graph.GetEventCalls;
        Notify();
        EXPECT_EQ(Graph.GetEventCalls, fetched);
    }
    EXPECT_EQ(Log.Failures, 3);
    EXPECT_EQ(Log.Completes, 0);
    // Other events are only fetched and freed.
    Open();
    Movie->PlayPause();
    Graph.QueueEvent(EC_PAUSED);
    Notify();
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(Log.Failures, 3);
}

TEST_F(MovieGraph, LateOrUnwantedNotificationsDoNothing) {
    Open();
    Movie->SetAutoClose(true);
    Movie->PlayPause();
    // While the application is ending.
    Application->SetTerminated(true);
    Graph.QueueEvent(EC_COMPLETE);
    Notify();
    Application->SetTerminated(false);
    EXPECT_EQ(Graph.GetEventCalls, 0);
    EXPECT_EQ(Movie->State(), msPlaying);
    // Posted before the graph went away, arriving after.
    PostMessageA(Movie->Handle(), WM_GRAPHNOTIFY, 0, GraphNotifyInstance);
    Movie->ReleaseGraph();
    PumpFor(50);
    EXPECT_EQ(Graph.GetEventCalls, 0);
    EXPECT_EQ(Log.Completes, 0);
    Graph.Events.clear();
}

TEST_F(MovieGraph, AHandlerThatReleasesTheGraphDuringTheRewindIsSafe) {
    Open();
    Movie->PlayPause();
    // A position handler that drops the graph while the end of the stream is
    // being handled: the event must still be freed by its queue.
    struct Dropper {
        TMovie* Movie;
        void Position(int64_t, int64_t) { Movie->ReleaseGraph(); }
    } dropper{Movie};
    Movie->SetOnPosition(Bind<&Dropper::Position>(&dropper));
    Graph.QueueEvent(EC_COMPLETE);
    Notify();
    EXPECT_EQ(Graph.Freed, 1);
    EXPECT_EQ(Graph.Refs, 1);
}

TEST_F(MovieGraph, OwnerDestroysTheTimerBeforeTheControl) {
    Open();
    TComponent* owner = Owner.get();
    HWND timerWindow = Timer->WindowHandle();
    HWND movieWindow = Movie->Handle();
    bool checked = false;
    Graph.OnStop = [&] {
        // The control is releasing its graph: its timer is already gone, its
        // own window still stands for the video window to leave.
        EXPECT_EQ(FindTimer(owner), nullptr);
        EXPECT_FALSE(IsWindow(timerWindow));
        EXPECT_TRUE(IsWindow(movieWindow));
        checked = true;
    };
    Owner.reset();
    EXPECT_TRUE(checked);
    EXPECT_EQ(Graph.Owner, 0);
    EXPECT_EQ(Graph.Refs, 1);
}

TEST_F(MovieGraph, ControlDestroyedOnItsOwnTakesItsTimerAlong) {
    Open();
    HWND timerWindow = Timer->WindowHandle();
    delete Movie;
    Movie = nullptr;
    // No timer may tick into the destroyed control.
    EXPECT_EQ(FindTimer(Owner.get()), nullptr);
    EXPECT_FALSE(IsWindow(timerWindow));
    EXPECT_EQ(Graph.Refs, 1);
}

// ------------------------------------------------ rendering off the window's thread

TEST_F(MovieGraph, RenderingRunsOnAWorkerWhileTheWindowKeepsAnswering) {
    TGate entered, release;
    Graph.InRenderFile = [&] {
        entered.Open();
        release.Wait(20000);
    };
    Graph.QueueEvent(EC_PAUSED);
    HWND control = Movie->Handle();
    const DWORD threadsBefore = CountThreads();

    // From another thread, as the window system or a script would: messages
    // sent with a time-out, a repaint asked for, a graph notification posted.
    int answered = 0;
    DWORD slowest = 0;
    bool repainted = false;
    std::thread outside([&] {
        if (!entered.Wait(10000)) {
            release.Open();
            return;
        }
        for (int i = 0; i < 20; ++i) {
            DWORD start = GetTickCount();
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(control, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result))
                ++answered;
            slowest = std::max(slowest, GetTickCount() - start);
            Sleep(10);
        }
        InvalidateRect(control, nullptr, TRUE);
        for (int i = 0; i < 100 && !repainted; ++i) {
            RECT r;
            repainted = !GetUpdateRect(control, &r, FALSE);
            Sleep(10);
        }
        PostMessageA(control, WM_GRAPHNOTIFY, 0, GraphNotifyInstance);
        Sleep(50);
        release.Open();
    });
    Movie->OpenFile(File);
    outside.join();

    EXPECT_EQ(answered, 20);
    EXPECT_LT(slowest, 100u);
    EXPECT_TRUE(repainted);
    EXPECT_NE(Graph.RenderThread, GetCurrentThreadId());
    EXPECT_EQ(Graph.RenderApartment, APTTYPE_MTA);
    // The opening ends as it always did.
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Movie->VideoWidth(), 640);
    EXPECT_EQ(Movie->VideoHeight(), 480);
    EXPECT_EQ(Movie->MaxIdealWidth(), 1280);
    using P = std::pair<int64_t, int64_t>;
    EXPECT_EQ(Log.Positions, (std::vector<P>{{0, Graph.Duration}, {0, Graph.Duration}}));
    EXPECT_EQ(Graph.Owner, reinterpret_cast<OAHWND>(control));
    EXPECT_EQ(Graph.Refs, 1 + 7) << "the worker's own reference was not given back";
    // The notification that came meanwhile is taken now, once.
    EXPECT_EQ(Graph.GetEventCalls, 0);
    PumpFor(100);
    EXPECT_EQ(Graph.GetEventCalls, 1);
    EXPECT_EQ(Graph.FreedCodes, std::vector<long>{EC_PAUSED});
    // The worker is gone.
    EXPECT_TRUE(PumpUntil([&] { return CountThreads() <= threadsBefore; }, 2000))
        << CountThreads() << " threads, " << threadsBefore << " before";
}

TEST_F(MovieGraph, TerminatingWhileRenderingGivesTheGraphUpUntouched) {
    Open();
    Movie->PlayPause();
    TGate entered, release;
    Graph.InRenderFile = [&] {
        entered.Open();
        release.Wait(20000);
    };
    Log.Positions.clear();
    int stops = Graph.StopCalls, owners = Graph.OwnerCalls;
    RunSoon(
        [&] {
            EXPECT_TRUE(entered.Wait(5000));
            Application->Terminate();
        },
        50);
    DWORD start = GetTickCount();
    Movie->OpenFile(File);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(AbandonedWorkRunning());
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "loops further out were not told";
    // The old graph went as usual; the new one is let go without a call.
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Graph.StopCalls, stops + 1);
    EXPECT_EQ(Graph.OwnerCalls, owners + 1) << "only the old video window's owner taken away";
    EXPECT_EQ(Graph.Refs, 1 + 1) << "only the worker still holds the graph";
    EXPECT_TRUE(Log.Positions.empty());
    EXPECT_TRUE(ComEntered());

    // When it does end, nothing changes but that the worker lets go.
    release.Open();
    EXPECT_TRUE(PumpUntil([] { return !AbandonedWorkRunning(); }, 5000));
    EXPECT_EQ(Graph.Refs, 1);
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_TRUE(Log.Positions.empty());
    EXPECT_EQ(Graph.StopCalls, stops + 1);
    EXPECT_EQ(Boxes->Count(), 0u);
}

// COM the thread cannot enter (it already lives in the multithreaded
// apartment): the graph is given up, and the thread's own COM is left alone.
// ------------------------------------------------------------ player keys

namespace {
// A key typed in the window, through the application's shortcut filter.
bool Press(TWinControl* window, const char* keys) {
    TShortCut shortCut = TextToShortCut(keys);
    BYTE state[256] = {};
    state[VK_CONTROL] = (shortCut & scCtrl) ? 0x80 : 0;
    state[VK_MENU] = (shortCut & scAlt) ? 0x80 : 0;
    SetKeyboardState(state);
    MSG msg{};
    msg.hwnd = window->Handle();
    msg.message = (shortCut & scAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = shortCut & 0xFF;
    bool taken = Application->IsShortCutMessage(msg);
    BYTE none[256] = {};
    SetKeyboardState(none);
    return taken;
}
}  // namespace

TEST_F(MovieGraph, KeysSeekWithinTheMovieAndPastTheEndFinishIt) {
    auto controls = std::make_unique<TPlayerControls>(Host, Movie);
    // Without a movie the keys do nothing.
    for (const char* k : {"Right", "Home", "Up", "M", "Space", "F11"})
        Press(Movie, k);
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Movie->Volume(), 7);
    EXPECT_FALSE(controls->FullScreen().Active());

    Graph.Duration = 60 * kSecond;
    Open();
    Movie->SetAutoClose(true);
    Press(Movie, "Space");
    ASSERT_EQ(Movie->State(), msPlaying);
    Graph.Seeks.clear();
    // Each seek happens on a stopped graph (the double checks), which then runs on.
    struct Step {
        const char* Keys;
        LONGLONG From, To;
    };
    for (Step step : {Step{"Right", 10, 15}, Step{"Left", 10, 5}, Step{"Left", 3, 0}, Step{"Ctrl+Right", 0, 60},
                      Step{"Ctrl+Left", 50, 0}, Step{"Home", 30, 0}}) {
        Graph.Current = step.From * kSecond;
        int runs = Graph.RunCalls;
        EXPECT_TRUE(Press(Movie, step.Keys)) << step.Keys;
        if (step.To == 60) {  // the end itself is no place to play on from
            EXPECT_EQ(Movie->State(), msStopped);
            Press(Movie, "Space");
            continue;
        }
        ASSERT_FALSE(Graph.Seeks.empty());
        EXPECT_EQ(Graph.Seeks.back(), step.To * kSecond) << step.Keys;
        EXPECT_EQ(Graph.RunCalls, runs + 1) << step.Keys;
        EXPECT_EQ(Movie->State(), msPlaying) << step.Keys;
    }
    EXPECT_EQ(Log.Completes, 1) << "Ctrl+Right past the end finished the movie";

    // Paused, a seek stays paused; under a modal dialog the keys do nothing.
    Press(Movie, "Space");
    ASSERT_EQ(Movie->State(), msPaused);
    Graph.Current = 20 * kSecond;
    int runs = Graph.RunCalls;
    size_t before = Graph.Plan.Calls().size();
    Press(Movie, "Right");
    EXPECT_EQ(Graph.Seeks.back(), 25 * kSecond);
    EXPECT_EQ(Movie->State(), msPaused);
    EXPECT_EQ(Graph.RunCalls, runs);
    // The key returns once the frame there is cued, not before: otherwise
    // the picture shows the frame of the seek before.
    std::vector<std::string> seek(Graph.Plan.Calls().begin() + before, Graph.Plan.Calls().end());
    EXPECT_EQ(seek, (std::vector<std::string>{"IMediaSeeking::GetPositions", "IMediaControl::Stop",
                                              "IMediaSeeking::SetPositions", "IMediaControl::Pause",
                                              "IMediaControl::GetState"}));
    size_t seeks = Graph.Seeks.size();
    EnableWindow(Host->Handle(), FALSE);
    EXPECT_FALSE(Press(Movie, "Right"));
    EnableWindow(Host->Handle(), TRUE);
    EXPECT_EQ(Graph.Seeks.size(), seeks);
    // Right past the end: the movie ends as at its own end, once.
    Graph.Current = 57 * kSecond;
    Press(Movie, "Right");
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Log.Completes, 2);
    EXPECT_EQ(Graph.Seeks.back(), 0) << "rewound as at the end";
}

// Wine's graph, paused again after a seek and a pause, says it is further on
// than its picture by the play before; the place read while it played is the
// true one. The control's place, and so the display and the seeks, stay on it
// until a seek puts the graph right.
TEST_F(MovieGraph, APlaceTheGraphMisreportsAtAPauseIsCorrectedUntilTheNextSeek) {
    auto controls = std::make_unique<TPlayerControls>(Host, Movie);
    Graph.Duration = 60 * kSecond;
    Open();
    Press(Movie, "Space");
    ASSERT_EQ(Movie->State(), msPlaying);
    Graph.OnPause = [&] { Graph.Current += 3 * kSecond; };
    Graph.Current = 4 * kSecond;
    Press(Movie, "Space");
    ASSERT_EQ(Movie->State(), msPaused);
    EXPECT_EQ(Movie->GetPosition(), 4 * kSecond) << "the graph says 7 s";
    // Playing on, the graph keeps its lead; paused again, it takes more.
    Press(Movie, "Space");
    Graph.Current += 2 * kSecond;
    EXPECT_EQ(Movie->GetPosition(), 6 * kSecond);
    Press(Movie, "Space");
    EXPECT_EQ(Movie->GetPosition(), 6 * kSecond) << "the graph says 12 s";
    Press(Movie, "Right");
    EXPECT_EQ(Graph.Seeks.back(), 11 * kSecond);
    Graph.Current = 11 * kSecond;
    EXPECT_EQ(Movie->GetPosition(), 11 * kSecond) << "after a seek the graph is believed again";
    // Never outside the movie, whatever the graph says.
    Press(Movie, "Space");
    Graph.Current = 59 * kSecond;
    Press(Movie, "Space");
    Press(Movie, "Space");
    Graph.Current = 63 * kSecond;
    EXPECT_EQ(Movie->GetPosition(), 60 * kSecond);
}

TEST_F(MovieGraph, VolumeKeysWheelAndMuteKeepTheLevelForTheNextFile) {
    auto controls = std::make_unique<TPlayerControls>(Host, Movie);
    Open();
    Movie->PlayPause();
    Graph.Volumes.clear();
    Press(Movie, "Down");
    Press(Movie, "Down");
    EXPECT_EQ(Movie->Volume(), 5);
    Press(Movie, "M");
    EXPECT_EQ(Movie->Volume(), 0);
    Press(Movie, "M");
    EXPECT_EQ(Movie->Volume(), 5);
    for (int i = 0; i < 4; ++i)
        Press(Movie, "Up");
    EXPECT_EQ(Movie->Volume(), 7) << "seven is the top";
    EXPECT_EQ(Graph.Volumes, (std::vector<LONG>{VolumeTable[6], VolumeTable[5], VolumeTable[0], VolumeTable[5],
                                                VolumeTable[6], VolumeTable[7], VolumeTable[7], VolumeTable[7]}));
    // The wheel: a level a notch, finer wheels a level per whole notch.
    SendMessageA(Host->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), 0);
    EXPECT_EQ(Movie->Volume(), 5);
    SendMessageA(Movie->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    EXPECT_EQ(Movie->Volume(), 5);
    SendMessageA(Movie->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    EXPECT_EQ(Movie->Volume(), 6) << "the picture hands the wheel to the window";

    // Muted, a step unmutes and counts from the level the mute kept; so does
    // the wheel. M after such a step mutes that new level.
    struct TStep {
        const char* Key;
        int Level;
        bool Muted;
    };
    for (TStep step : {TStep{"M", 0, true},
                       {"Up", 7, false},
                       {"M", 0, true},
                       {"Down", 6, false},
                       {"M", 0, true},
                       {"M", 6, false},
                       {"Down", 5, false},
                       {"M", 0, true}}) {
        Press(Movie, step.Key);
        EXPECT_EQ(Movie->Volume(), step.Level) << step.Key;
        EXPECT_EQ(controls->Muted(), step.Muted) << step.Key;
    }
    SendMessageA(Host->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(Movie->Volume(), 6) << "the wheel unmutes from the kept 5";
    EXPECT_FALSE(controls->Muted());

    // The next file's graph plays at that level, from its first run.
    Graph.Volumes.clear();
    Movie->OpenFile(File);
    controls->MovieOpened();
    EXPECT_TRUE(Graph.Volumes.empty());
    Movie->PlayPause();
    EXPECT_EQ(Graph.Volumes, std::vector<LONG>{VolumeTable[6]});
}

// ------------------------------------------------------- on-screen display

TEST_F(MovieGraph, TheDisplaySaysWhatEachKeyDidInEachState) {
    auto controls = std::make_unique<TPlayerControls>(Host, Movie);
    TOverlay& overlay = controls->Overlay();
    auto shows = [&](const char* keys, TOverlayContent expected) {
        Press(Movie, keys);
        EXPECT_TRUE(overlay.Showing()) << keys;
        EXPECT_EQ(overlay.Content(), expected) << keys << " showed \"" << overlay.Content().Text << "\"";
    };
    // Nothing loaded: nothing shown.
    for (const char* k : {"O", "Space", "Right", "Up", "M"})
        Press(Movie, k);
    EXPECT_FALSE(overlay.Showing());
    EXPECT_FALSE(overlay.HideTimer()->Enabled());

    // A duration the graph does not tell.
    Graph.Duration_hr = E_NOTIMPL;
    Graph.Current = 0;
    Open();
    controls->MovieOpened();
    EXPECT_FALSE(overlay.Showing()) << "a file opens on a clean picture";
    shows("O", {osPaused, "0:00 / --:--", 0, 0, 0});
    shows("Space", {osPlaying, "0:00 / --:--", 0, 0, 0});

    // Under a minute; over an hour, where both times take the hours.
    Graph.Duration_hr = S_OK;
    Graph.Duration = 599 * kSecond / 10;
    Open();
    controls->MovieOpened();
    EXPECT_FALSE(overlay.Showing()) << "the new file's picture is clean again";
    Graph.Current = 455 * kSecond / 10;
    shows("O", {osPaused, "0:45 / 0:59", 0, 0, 759});
    Graph.Duration = 2 * 3600 * kSecond;
    Open();
    controls->MovieOpened();
    Graph.Current = 3725 * kSecond;
    shows("O", {osPaused, "1:02:05 / 2:00:00", 0, 0, 517});
    Graph.Current = 65 * kSecond;
    shows("O", {osPaused, "0:01:05 / 2:00:00", 0, 0, 9});

    // Seeks show where they went, playing or paused; past the end, the start.
    Graph.Duration = 60 * kSecond;
    Open();
    controls->MovieOpened();
    Press(Movie, "Space");
    Graph.Current = 10 * kSecond;
    shows("Right", {osPlaying, "0:15 / 1:00", 0, 0, 250});
    shows("Ctrl+Left", {osPlaying, "0:00 / 1:00", 0, 0, 0});
    Graph.Current = 30 * kSecond;
    shows("Left", {osPlaying, "0:25 / 1:00", 0, 0, 416});
    shows("Home", {osPlaying, "0:00 / 1:00", 0, 0, 0});
    shows("Space", {osPaused, "0:30 / 1:00", 0, 0, 500});
    shows("Right", {osPaused, "0:35 / 1:00", 0, 0, 583});
    Graph.Current = 57 * kSecond;
    shows("Right", {osPaused, "0:00 / 1:00", 0, 0, 0});
    EXPECT_EQ(Movie->State(), msStopped);
    // O changes nothing.
    Graph.Seeks.clear();
    int runs = Graph.RunCalls, pauses = Graph.PauseCalls;
    shows("O", {osPaused, "0:57 / 1:00", 0, 0, 950});
    EXPECT_TRUE(Graph.Seeks.empty());
    EXPECT_EQ(Graph.RunCalls, runs);
    EXPECT_EQ(Graph.PauseCalls, pauses);

    // The volume as one of eight, the wheel too; muted, then the level it
    // came back to.
    shows("Down", {osNone, "音量 7/8", 8, 7, -1});
    shows("M", {osNone, "消音", 0, 0, -1});
    shows("M", {osNone, "音量 7/8", 8, 7, -1});
    shows("Up", {osNone, "音量 8/8", 8, 8, -1});
    shows("Up", {osNone, "音量 8/8", 8, 8, -1});
    SendMessageA(Movie->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)), 0);
    EXPECT_EQ(overlay.Content(), (TOverlayContent{osNone, "音量 5/8", 8, 5, -1}));
    for (int i = 0; i < 6; ++i)
        Press(Movie, "Down");
    EXPECT_EQ(overlay.Content(), (TOverlayContent{osNone, "音量 1/8", 8, 1, -1})) << "the lowest of eight";

    // A failed opening leaves nothing loaded, and nothing shown.
    Graph.RenderFile_hr = E_FAIL;
    Movie->OpenFile(File);
    controls->MovieOpened();
    ExpectBoxes({"このファイルは再生できません"});
    EXPECT_FALSE(overlay.Showing());
    Press(Movie, "O");
    EXPECT_FALSE(overlay.Showing());
}

TEST_F(MovieGraph, TheDisplayGoesByItselfAndEachActionGivesItItsFullTime) {
    auto controls = std::make_unique<TPlayerControls>(Host, Movie);
    TOverlay& overlay = controls->Overlay();
    Open();
    // Hidden, it has no timer running.
    EXPECT_FALSE(overlay.HideTimer()->Enabled());
    Press(Movie, "O");
    HWND box = overlay.Handle();
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_NE(GetForegroundWindow(), box);
    // Over the picture's top left, and still there when the window moves.
    auto corner = [&] {
        RECT r;
        GetWindowRect(box, &r);
        POINT p{r.left, r.top};
        ScreenToClient(Movie->Handle(), &p);
        return std::pair{p.x, p.y};
    };
    auto [x, y] = corner();
    EXPECT_GT(x, 0);
    EXPECT_GT(y, 0);
    EXPECT_LT(x, Movie->Width() / 4);
    EXPECT_LT(y, Movie->Height() / 4);
    const int left = Host->Left();
    Host->SetLeft(left + 40);
    EXPECT_EQ(corner(), std::pair(x, y)) << "left behind when the window moved";
    Host->SetLeft(left);
    EXPECT_TRUE(overlay.HideTimer()->Enabled());
    EXPECT_EQ(overlay.HideTimer()->Interval(), TOverlay::kShowMs);
    Tick(overlay.HideTimer());
    EXPECT_FALSE(overlay.Showing());
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_FALSE(overlay.HideTimer()->Enabled());
    // A modal dialog (which disables the window) takes it away at once.
    Press(Movie, "O");
    EnableWindow(Host->Handle(), FALSE);
    EXPECT_FALSE(overlay.Showing());
    EXPECT_FALSE(overlay.HideTimer()->Enabled());
    EnableWindow(Host->Handle(), TRUE);

    // In real time: a second action restarts the time, so the display
    // outlives the first one's time and then goes.
    Press(Movie, "Up");
    PumpFor(TOverlay::kShowMs * 2 / 3);
    Press(Movie, "O");
    PumpFor(TOverlay::kShowMs / 2);
    EXPECT_TRUE(overlay.Showing()) << "hidden on the first action's time";
    EXPECT_TRUE(PumpUntil([&] { return !overlay.Showing(); }, TOverlay::kShowMs * 3));
    EXPECT_FALSE(IsWindowVisible(box));
}

TEST_F(MovieGraph, ANewWindowTakesOverTheVideoAndTheGraphEvents) {
    Open();
    Movie->SetAutoClose(true);
    HWND old = Movie->Handle();
    // An end of stream queued while the control has no window of its own.
    Movie->RecreateWnd();
    Graph.QueueEvent(EC_COMPLETE);
    HWND now = Movie->Handle();
    ASSERT_NE(now, old);
    EXPECT_EQ(Graph.Owner, reinterpret_cast<OAHWND>(now));
    EXPECT_EQ(Graph.Drain, reinterpret_cast<OAHWND>(now));
    EXPECT_EQ(Graph.NotifyWindow, reinterpret_cast<OAHWND>(now));
    EXPECT_EQ(Graph.WindowStyle, LONG(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_FALSE(Graph.Hidden);
    EXPECT_EQ(Graph.VisibleOffCalls, 1) << "hidden while it had no owner";
    // The new window asks for the events that nobody was told about.
    EXPECT_TRUE(PumpUntil([&] { return Log.Completes == 1; }, 2000));
    EXPECT_EQ(Movie->State(), msStopped);
}

TEST(MovieCom, FailedEntryIsReportedAndNotLeft) {
    Application->Title = kTitle;
    std::vector<TMessageBoxInfo> seen;
    bool stillEntered = false;
    TMovieState state = msPlaying;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            TBoxAnswerer boxes;  // the box comes on this thread
            auto form = MakeHostForm(200, 150);
            auto* movie = new TMovie(form.get());
            movie->SetParent(form.get());
            char path[MAX_PATH];
            GetModuleFileNameA(nullptr, path, MAX_PATH);  // a file that surely exists
            movie->OpenFile(path);
            state = movie->State();
            movie->ReleaseGraph();
            seen = boxes.Seen();
        }
        // The thread's own entry is still there: entering again only counts up.
        HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        stillEntered = hr == S_FALSE;
        CoUninitialize();
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(state, msClosed);
    EXPECT_TRUE(stillEntered);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, "DirectXが利用できませんでした");
}

}  // namespace
