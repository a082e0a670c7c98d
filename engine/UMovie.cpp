#include "engine/UMovie.h"

// after windows.h, which it needs
#include <windowsx.h>

#include <array>
#include <cstdlib>
#include <memory>

#include "engine/Trace.h"
#include "framework/Background.h"
#include "framework/SysUtils.h"
#include "framework/TextConversion.h"

const LONG VolumeTable[8] = {-10000, -4800, -2400, -1200, -600, -300, -150, 0};

namespace {
// DirectShow takes the file name in a buffer of this many UTF-16 units.
constexpr int NameBufferLength = 260;
// ReleaseGraph takes at most this many filters out of the graph one by one.
constexpr size_t MaxRemovedFilters = 50;

// Posted to the control when the paused picture must be drawn again: the
// renderer does not repaint a held frame at a new size, so the frame is cued
// anew once the control has its final size.
constexpr UINT WM_RECUE = WM_APP + 12346;
// How long a cue may keep the user-interface thread waiting for the frame.
constexpr LONG CueTimeout = 500;

// The video window is a plain child of the control.
constexpr LONG VideoWindowStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
static_assert(VideoWindowStyle == 0x46000000);

// The largest picture with the video's ratio that fits the area, centred.
// A video of unknown size fills the area.
RECT Letterbox(int videoWidth, int videoHeight, int width, int height) {
    if (videoWidth <= 0 || videoHeight <= 0 || width <= 0 || height <= 0)
        return {0, 0, width, height};
    int w = width, h = RoundHalfEven(static_cast<double>(width) * videoHeight / videoWidth);
    if (h > height) {
        h = height;
        w = RoundHalfEven(static_cast<double>(height) * videoWidth / videoHeight);
    }
    int left = (width - w) / 2, top = (height - h) / 2;
    return {left, top, left + w, top + h};
}

// Keeps the multithreaded apartment for the life of the process once an
// opening has used it. Otherwise each rendering thread, the apartment's only
// one, would end it on leaving, and COM would unload the servers loaded into
// it only to load them again for the next file. CoIncrementMTAUsage comes
// with Windows 8 (and Wine); without it, nothing is kept.
void KeepMultithreadedApartment() {
    static const bool kept = [] {
        using TIncrement = HRESULT(WINAPI*)(HANDLE*);
        HMODULE ole = GetModuleHandleW(L"ole32.dll");
        auto increment = ole ? reinterpret_cast<TIncrement>(GetProcAddress(ole, "CoIncrementMTAUsage")) : nullptr;
        HANDLE cookie = nullptr;
        return increment && SUCCEEDED(increment(&cookie));
    }();
    (void)kept;
}

// The typed query: asks for the interface that the pointer holds. A call
// that succeeds without handing out an interface counts as failed: nothing
// may be called through an empty field.
template <class T>
bool Query(IUnknown* object, REFIID iid, TComPtr<T>& result) {
    return SUCCEEDED(object->QueryInterface(iid, result.PutVoid())) && result;
}

template <class T>
bool Create(REFCLSID clsid, REFIID iid, TComPtr<T>& result) {
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, GraphClassContext, iid, result.PutVoid())) && result;
}

// The graph stopped on an error rather than at the end: a stream failed, or
// the whole graph gave up.
bool IsPlaybackError(long code) {
    return code == EC_ERRORABORT || code == EC_ERRORABORTEX || code == EC_STREAM_ERROR_STOPPED;
}

// Reads a pair of sizes, starting from the values it may replace: a call that
// claims success without writing its results leaves them as they were.
template <class TQuery>
void ReadSize(int32_t& width, int32_t& height, TQuery query) {
    LONG w = width, h = height;
    if (SUCCEEDED(query(&w, &h))) {
        width = w;
        height = h;
    }
}
}  // namespace

bool IsPlayableName(const std::string& name) {
    return Utf16Length(name) + 1 <= NameBufferLength && FileExists(name);
}

TMovie::TMovie(TComponent* owner) : TPanel(owner) {
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    // The interface fields start empty.
    FState = msClosed;
    FDuration = -1;
    FPosition = 0;
    FOnPosition = Bind<&TMovie::DefaultPosition>(this);
    FOnComplete = Bind<&TMovie::DefaultComplete>(this);
    FFileName.clear();
    FAutoClose = false;
    SetVolume(7);
    // The timer belongs to our owner, which destroys it before us (newest
    // first). We still watch it, in case it goes some other way.
    FTimer = new TTimer(owner);
    FTimer->FreeNotification(this);
    FTimer->SetOnTimer(Bind<&TMovie::TimerTick>(this));
    FTimer->SetInterval(1000);
    FTimer->SetEnabled(true);
    OnResize = Bind<&TMovie::PanelResize>(this);
}

TMovie::~TMovie() {
    ReleaseGraph();
    // Only when the control is destroyed before its owner is the timer still
    // here; it must not tick into a destroyed control.
    if (TTimer* timer = FTimer) {
        FTimer = nullptr;
        timer->RemoveFreeNotification(this);
        delete timer;
    }
}

void TMovie::Notification(TComponent* component, TOperation operation) {
    TPanel::Notification(component, operation);
    if (operation == opRemove && component == FTimer)
        FTimer = nullptr;
}

// ------------------------------------------------------------------ events

void TMovie::DefaultPosition(int64_t, int64_t) {
    if (FTimer)
        FTimer->SetEnabled(false);
}

void TMovie::DefaultComplete(TObject*) {}

void TMovie::TimerTick(TObject*) {
    if (FState == msClosed)
        return;
    FPosition = GetPosition();
    if (FOnPosition)
        FOnPosition(FPosition, FDuration);
}

void TMovie::PanelResize(TObject*) {
    FitVideo();
    RedrawHeldFrame();
}

void TMovie::RedrawHeldFrame() {
    if (FMediaControl && (FState == msPaused || FState == msStopped) && HandleAllocated())
        PostMessageW(FHandle, WM_RECUE, 0, 0);
}

// --------------------------------------------------------- small operations

int64_t TMovie::GraphPosition() {
    int64_t result = -1;
    if (FMediaSeeking) {
        LONGLONG current = 0, stop = 0;
        if (FMediaSeeking->GetPositions(&current, &stop) == S_OK)
            result = current;
    }
    return result;
}

int64_t TMovie::GetPosition() {
    int64_t result = GraphPosition();
    if (result < 0 || FPositionCorrection == 0)
        return result;
    result += FPositionCorrection;
    if (result < 0)
        result = 0;
    if (FDuration >= 0 && result > FDuration)
        result = FDuration;
    return result;
}

void TMovie::SetPosition(int64_t position) {
    if (!FMediaSeeking)
        return;
    LONGLONG p = position;
    FMediaSeeking->SetPositions(&p, AM_SEEKING_AbsolutePositioning, &p, AM_SEEKING_NoPositioning);
    FPosition = position;
    FPositionCorrection = 0;
}

void TMovie::SetVolume(int level) {
    if (level < 0)
        level = 0;
    if (level > 7)
        level = 7;
    FVolume = level;
    // Wine's sound renderer lets a paused graph run on for a frame or two when
    // its volume changes, so a graph that is not playing gets the level when
    // it runs; nothing is heard before then either way.
    if (FState == msPlaying)
        ApplyVolume();
}

void TMovie::ApplyVolume() {
    if (FBasicAudio)
        FBasicAudio->put_Volume(VolumeTable[FVolume]);
}

void TMovie::SetVideoPosition(int left, int top, int width, int height) {
    if (FVideoWindow && FState != msClosed)
        FVideoWindow->SetWindowPosition(left, top, width, height);
}

void TMovie::FitVideo() {
    if (!FKeepAspect) {
        SetVideoPosition(0, 0, Width(), Height());
        return;
    }
    RECT r = Letterbox(FVideoWidth, FVideoHeight, Width(), Height());
    SetVideoPosition(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TMovie::SetKeepAspect(bool value) {
    FKeepAspect = value;
    FitVideo();
}

// ------------------------------------------------------------ native window

void TMovie::CreateWnd() {
    TPanel::CreateWnd();
    AttachWindows();
}

void TMovie::DestroyWnd() {
    DetachWindows();
    TPanel::DestroyWnd();
}

void TMovie::AttachWindows() {
    if (FState == msClosed)
        return;
    if (FMediaEventEx) {
        FMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(FHandle), WM_GRAPHNOTIFY, GraphNotifyInstance);
        // An event queued while no window listened was announced to nobody.
        PostMessageW(FHandle, WM_GRAPHNOTIFY, 0, GraphNotifyInstance);
    }
    if (FVideoWindow) {
        OwnVideoWindow();
        FVideoWindow->put_Visible(OATRUE);
    }
}

void TMovie::OwnVideoWindow() {
    OAHWND self = reinterpret_cast<OAHWND>(Handle());
    FVideoWindow->put_Owner(self);
    FVideoWindow->put_MessageDrain(self);
    FVideoWindow->put_WindowStyle(VideoWindowStyle);
    FitVideo();
}

void TMovie::DetachWindows() {
    if (FState == msClosed)
        return;
    if (FMediaEventEx)
        FMediaEventEx->SetNotifyWindow(0, 0, 0);
    if (FVideoWindow) {
        FVideoWindow->put_Visible(OAFALSE);
        FVideoWindow->put_MessageDrain(0);
        FVideoWindow->put_Owner(0);
    }
}

// ------------------------------------------------------------ graph lifecycle

bool TMovie::BuildGraph() {
    if (FAILED(CoInitialize(nullptr)))
        return false;
    ++FComEntries;
    if (!CreateGraphManager())
        return false;
    FMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(Handle()), WM_GRAPHNOTIFY, GraphNotifyInstance);
    FMediaEventEx->SetNotifyFlags(0);
    return AddGrabber();
}

bool TMovie::CreateGraphManager() {
    if (!Create(CLSID_FilterGraph, IID_IGraphBuilder, FGraphBuilder))
        return false;
    IUnknown* graph = FGraphBuilder.Get();
    return Query(graph, IID_IMediaControl, FMediaControl) && Query(graph, IID_IMediaSeeking, FMediaSeeking) &&
           Query(graph, IID_IBasicAudio, FBasicAudio) && Query(graph, IID_IBasicVideo, FBasicVideo) &&
           Query(graph, IID_IVideoWindow, FVideoWindow) && Query(graph, IID_IMediaEventEx, FMediaEventEx);
}

bool TMovie::AddGrabber() {
    if (!Create(CLSID_SampleGrabber, IID_IBaseFilter, FGrabberFilter) ||
        !Query(FGrabberFilter.Get(), IID_ISampleGrabber, FSampleGrabber))
        return false;
    try {
        FGraphBuilder->AddFilter(FGrabberFilter.Get(), L"Grabber");
        AM_MEDIA_TYPE type = GrabberMediaType();
        FSampleGrabber->SetMediaType(&type);
        FSampleGrabber->SetBufferSamples(-1);
    } catch (...) {
        return false;
    }
    return true;
}

void TMovie::RemoveAllFilters() {
    // Both locals give back what they hold on every way out.
    TComPtr<IEnumFilters> filters;
    std::array<TComPtr<IBaseFilter>, MaxRemovedFilters> table;

    if (FGraphBuilder->EnumFilters(filters.Put()) != S_OK || !filters)
        return;
    size_t count = 0;
    while (filters->Skip(1) == S_OK)
        ++count;
    filters->Reset();
    size_t fetched = 0;
    while (fetched < table.size()) {
        ULONG got = 0;
        if (filters->Next(1, table[fetched].Put(), &got) != S_OK)
            break;
        ++fetched;
    }
    filters.Reset();
    for (size_t i = 0; i < count && i < fetched; ++i) {
        FGraphBuilder->RemoveFilter(table[i].Get());
        table[i].Reset();
    }
}

void TMovie::ReleaseGraph() {
    TraceMark("release.start");
    if (FMediaControl)
        FMediaControl->Stop();
    TraceMark("release.stopped");
    if (FGraphBuilder)
        RemoveAllFilters();
    TraceMark("release.removed");
    if (FVideoWindow) {
        FVideoWindow->put_Visible(OAFALSE);
        FVideoWindow->put_Owner(0);
    }
    ForgetInterfaces();
    TraceMark("release.freed");
    LeaveCom();
    TraceMark("release.done");
}

// Threading. The graph manager is created in BuildGraph on this, the
// user-interface thread, in its single-threaded apartment (with
// CLSID_FilterGraph, DirectShow creates the filters, and owns their windows,
// on a thread of its own), and every call but RenderFile is made from here.
// RenderFile alone runs on a worker thread, because parsing a file and
// loading its decoders can take long or never end, and the window must go on
// painting and be closable meanwhile. The graph manager is made to be called
// from any thread (it locks its own state; DirectShow's streaming threads call
// it too), so the worker calls it directly: a marshalled proxy would only send
// the call back to this thread. The worker enters the multithreaded
// apartment, as a thread without a message loop must, for what RenderFile
// creates on it. Graph notifications go to the control's window, named in
// BuildGraph; the video window's owner and message drain are set after
// RenderFile, here, where the control's window lives. While the worker runs,
// this thread makes no call on the graph (notifications wait), and the
// waiting gives each side the other's work complete.
std::optional<HRESULT> TMovie::RenderInBackground(const WCHAR* name) {
    // The worker's own reference and copy of the name: if it is given up on,
    // it keeps what it uses.
    IGraphBuilder* graph = FGraphBuilder.Get();
    graph->AddRef();
    auto result = std::make_shared<HRESULT>(E_FAIL);
    std::wstring file = name;
    KeepMultithreadedApartment();
    FRendering = true;
    auto rendered = [this] {
        FRendering = false;
        for (; FHeldNotifications > 0; --FHeldNotifications)
            PostMessageW(Handle(), WM_GRAPHNOTIFY, 0, GraphNotifyInstance);
    };
    bool ended = false;
    try {
        ended = RunInBackground([graph, file, result] {
            HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            *result = graph->RenderFile(file.c_str(), nullptr);
            graph->Release();
            if (SUCCEEDED(com))
                CoUninitialize();
        });
    } catch (...) {
        rendered();
        throw;
    }
    rendered();
    if (!ended)
        return std::nullopt;
    return *result;
}

void TMovie::ForgetInterfaces() {
    FMediaControl.Reset();
    FMediaSeeking.Reset();
    FBasicAudio.Reset();
    FBasicVideo.Reset();
    FVideoWindow.Reset();
    FMediaEventEx.Reset();
    FGraphBuilder.Reset();
    FSampleGrabber.Reset();
    FGrabberFilter.Reset();
}

void TMovie::AbandonGraph() {
    ForgetInterfaces();
    LeaveCom();
}

void TMovie::LeaveCom() {
    // Leave COM as often as BuildGraph entered it, and never more: the
    // application's own entry must survive a release with no graph.
    while (FComEntries > 0) {
        --FComEntries;
        CoUninitialize();
    }
    FState = msClosed;
}

// -------------------------------------------------------- loading and transport

void TMovie::OpenFile(const std::string& fileName) {
    if (!IsPlayableName(fileName))
        return;
    TraceMark("open.start");
    ReleaseGraph();
    FPosition = 0;
    FPositionCorrection = 0;
    // The sizes describe this file alone: one without a picture has none,
    // whatever was open before.
    FVideoWidth = FVideoHeight = 0;
    FMinIdealWidth = FMinIdealHeight = FMaxIdealWidth = FMaxIdealHeight = 0;
    bool built = BuildGraph();
    TraceMark("open.built");
    if (!built) {
        ApplicationShowMessage("DirectXが利用できませんでした");
        FFileName.clear();
        return;
    }
    FFileName = fileName;
    WCHAR name[NameBufferLength] = {};
    Utf8ToWide(fileName).copy(name, NameBufferLength - 1);
    std::optional<HRESULT> result = RenderInBackground(name);
    if (!result) {
        // The window was closed meanwhile: nothing more happens here.
        AbandonGraph();
        return;
    }
    TraceMark("open.rendered");
    if (*result != S_OK) {
        ApplicationShowMessage("このファイルは再生できません");
        ReleaseGraph();
        return;
    }
    CueRenderedFile();
}

void TMovie::CueRenderedFile() {
    FState = msLoaded;
    // Each query starts from the value it may replace: a call that claims
    // success without writing its results leaves the field as it was.
    if (FMediaSeeking) {
        LONGLONG duration = FDuration;
        if (SUCCEEDED(FMediaSeeking->GetDuration(&duration)))
            FDuration = duration;
    }
    OwnVideoWindow();
    Stop();
    TraceMark("open.cued");
    ReadVideoSizes();
    if (FOnPosition)
        FOnPosition(FPosition, FDuration);
    TraceMark("open.done");
}

void TMovie::ReadVideoSizes() {
    ReadSize(FMinIdealWidth, FMinIdealHeight,
             [this](LONG* w, LONG* h) { return FVideoWindow->GetMinIdealImageSize(w, h); });
    ReadSize(FMaxIdealWidth, FMaxIdealHeight,
             [this](LONG* w, LONG* h) { return FVideoWindow->GetMaxIdealImageSize(w, h); });
    ReadSize(FVideoWidth, FVideoHeight, [this](LONG* w, LONG* h) { return FBasicVideo->GetVideoSize(w, h); });
}

void TMovie::PlayPause() {
    if (!FMediaControl || FState == msClosed)
        return;
    if (FState == msStopped || FState == msPaused) {
        if (FState == msStopped) {
            // Rewind with the graph stopped, not paused: Wine's GStreamer
            // splitter seeks each stream on its own and, seeking while paused,
            // often loses a stream's end, so that EC_COMPLETE never comes.
            FMediaControl->Stop();
            SetPosition(0);
        }
        ApplyVolume();
        FMediaControl->Run();
        TraceMark("run");
        FState = msPlaying;
        if (FTimer)
            FTimer->SetEnabled(true);
    } else {
        // Wine's graph adds the earlier stretches of play since the last seek
        // to its place at every pause after the first one (the picture stays
        // right; paused at 0:06, it said 0:10, and the seeks went from
        // there). The place read while still playing is the true one: what
        // the graph says from now on is corrected to it, until the next seek.
        int64_t playing = GetPosition();
        FMediaControl->Pause();
        int64_t paused = GraphPosition();
        if (playing >= 0 && paused >= 0)
            FPositionCorrection = playing - paused;
        FState = msPaused;
        if (FTimer)
            FTimer->SetEnabled(false);
    }
}

void TMovie::Stop() {
    if (FState == msClosed || FState == msStopped || !FMediaControl)
        return;
    FMediaControl->Stop();
    SetPosition(0);
    FMediaControl->Pause();
    FState = msStopped;
    if (FOnPosition)
        FOnPosition(FPosition, FDuration);
}

void TMovie::Seek(int64_t position) {
    if (!FMediaControl || FState == msClosed)
        return;
    if (FState != msPlaying) {
        Cue(position);
        if (FState == msStopped && position > 0)
            FState = msPaused;
        return;
    }
    // As for the rewind in PlayPause: a graph that is not stopped may lose a
    // stream's end when it is seeked, so it is stopped for the seek.
    FMediaControl->Stop();
    SetPosition(position);
    FMediaControl->Run();
}

void TMovie::Cue(int64_t position) {
    FMediaControl->Stop();
    SetPosition(position);
    FMediaControl->Pause();
    // The pause completes once the renderer holds the frame at the new place.
    // Returning earlier lets Wine's renderer show the frame it held before
    // (the picture one seek behind); on Windows the wait is what a paused
    // seek costs anyway.
    OAFilterState state = State_Stopped;
    FMediaControl->GetState(CueTimeout, &state);
}

void TMovie::WMRecue() {
    // Resizes come in bursts (a drag, full screen), each also uncovering the
    // control: one cue for all of them, the paint's included.
    UpdateWindow(FHandle);
    MSG later;
    while (PeekMessageW(&later, FHandle, WM_RECUE, WM_RECUE, PM_REMOVE)) {
    }
    if (!FMediaControl || (FState != msPaused && FState != msStopped))
        return;
    int64_t position = GetPosition();
    Cue(position >= 0 ? position : FPosition);
}

void TMovie::Finish() {
    if (FState == msClosed)
        return;
    Stop();
    FState = msStopped;
    if (FAutoClose && FOnComplete)
        FOnComplete(this);
}

// ---------------------------------------------------------- graph events

void TMovie::WndProc(TMessage& message) {
    if (message.Msg == WM_GRAPHNOTIFY) {
        WMGraphNotify(message);
        return;
    }
    if (message.Msg == WM_RECUE) {
        WMRecue();
        return;
    }
    if (message.Msg == WM_PAINT) {
        // Uncovered (restored, another window gone from over it): the video
        // window has lost its picture too.
        TPanel::WndProc(message);
        RedrawHeldFrame();
        return;
    }
    // The video window hands on its presses as they come, without making a
    // double-click of two quick ones: that is done here, as the system would.
    if (message.Msg == WM_LBUTTONDOWN && IsSecondPress(message))
        message.Msg = WM_LBUTTONDBLCLK;
    TPanel::WndProc(message);
}

bool TMovie::IsSecondPress(const TMessage& message) {
    POINT point{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    LONG time = GetMessageTime();
    bool second = FPressed && static_cast<DWORD>(time - FPressTime) <= GetDoubleClickTime() &&
                  std::abs(point.x - FPressPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                  std::abs(point.y - FPressPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    // A third quick press starts over, as after a system double-click.
    FPressed = !second;
    FPressTime = time;
    FPressPoint = point;
    return second;
}

void TMovie::WMGraphNotify(TMessage& message) {
    TPanel::WndProc(message);
    if (message.LParam != GraphNotifyInstance)
        return;
    if (FRendering) {
        ++FHeldNotifications;
        return;
    }
    if (ApplicationTerminated())
        return;
    if (!FMediaEventEx)
        return;
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    // E_ABORT: nothing queued within 10 ms. Any failure means no event.
    if (FAILED(FMediaEventEx->GetEvent(&code, &param1, &param2, 10)))
        return;
    // Freed before anything is done about it: the end or an error may
    // release the graph that holds the queue.
    FMediaEventEx->FreeEventParams(code, param1, param2);
    if (code == EC_COMPLETE) {
        TraceMark("complete");
        Finish();
    } else if (IsPlaybackError(code)) {
        Fail();
    }
}

void TMovie::Fail() {
    // A file that rendered but cannot be played ends as one that could not
    // be rendered: the user is told, and nothing stays loaded.
    // Released first: while the message is up, later notifications of the
    // same failure find no graph and ask nothing more.
    ReleaseGraph();
    ApplicationShowMessage("このファイルは再生できません");
    if (FOnFailed)
        FOnFailed(this);
}
