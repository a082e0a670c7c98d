// The movie control: a borderless panel that owns one DirectShow filter graph
// at a time and shows the graph's video window over its whole area.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/DirectShow.h"
#include "framework/ExtCtrls.h"
#include "framework/Watched.h"

enum TMovieState : int32_t { msClosed = 0, msPlaying = 1, msStopped = 2, msPaused = 3, msLoaded = 4 };

// (position, duration), both in 100 ns units.
using TPositionEvent = TMethod<int64_t, int64_t>;

// IBasicAudio volumes (1/100 dB) for the eight volume levels.
extern const LONG VolumeTable[8];

// Whether the name denotes an existing file (not a folder) that DirectShow
// can be given: a pattern is no name, and the name must fit DirectShow's
// buffer with its terminator.
bool IsPlayableName(const std::string& name);

class TMovie : public TPanel {
public:
    explicit TMovie(TComponent* owner);
    ~TMovie() override;

    // Renders a file into a fresh graph and cues its first frame.
    void OpenFile(const std::string& fileName);
    void PlayPause();
    // Rewinds to the start and shows the first frame.
    void Stop();
    // Moves to a position, playing on or paused as before (stopped at the
    // start, it is then paused there).
    void Seek(int64_t position);
    // Ends the movie as its own end does: rewound, and OnComplete raised
    // where the control closes at the end.
    void Finish();

    int64_t GetPosition();
    void SetPosition(int64_t position);
    void SetVolume(int level);
    void SetVideoPosition(int left, int top, int width, int height);
    void FitVideo();
    // Draws a paused or stopped picture again, soon: the renderer does not
    // repaint a frame it holds once its window is resized or uncovered.
    void RedrawHeldFrame();
    // With KeepAspect the picture keeps the video's ratio, as large as fits
    // and centred on the control's colour, instead of filling the control.
    bool KeepAspect() const { return FKeepAspect; }
    void SetKeepAspect(bool value);

    bool BuildGraph();
    void ReleaseGraph();

    TMovieState State() const { return FState; }
    int64_t Duration() const { return FDuration; }
    int64_t Position() const { return FPosition; }
    int Volume() const { return FVolume; }
    int VideoWidth() const { return FVideoWidth; }
    int VideoHeight() const { return FVideoHeight; }
    // Whether the file has a picture: a sound file has no video size.
    bool HasVideo() const { return FVideoWidth > 0 && FVideoHeight > 0; }
    int MaxIdealWidth() const { return FMaxIdealWidth; }
    int MaxIdealHeight() const { return FMaxIdealHeight; }
    int MinIdealWidth() const { return FMinIdealWidth; }
    int MinIdealHeight() const { return FMinIdealHeight; }
    const std::string& FileName() const { return FFileName; }
    bool AutoClose() const { return FAutoClose; }
    void SetAutoClose(bool value) { FAutoClose = value; }
    TPositionEvent OnPosition() const { return FOnPosition; }
    void SetOnPosition(TPositionEvent handler) { FOnPosition = handler; }
    TNotifyEvent OnComplete() const { return FOnComplete; }
    void SetOnComplete(TNotifyEvent handler) { FOnComplete = handler; }
    // A loaded file that the graph could not play on: the user has been told,
    // and the movie is closed.
    TNotifyEvent OnFailed() const { return FOnFailed; }
    void SetOnFailed(TNotifyEvent handler) { FOnFailed = handler; }
    // Raised after every change of State, whatever made it: a command, the
    // end of the stream, a failed opening, the release of the graph.
    TNotifyEvent OnStateChange;

protected:
    // A new native window (a form that changes its frame makes new windows for
    // its controls) takes over the video window and the graph's events; the
    // old one lets go of them first, so that neither dies with it.
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    void WMGraphNotify(TMessage& message);

private:
    void TimerTick(TObject* sender);
    void PanelResize(TObject* sender);
    void DefaultPosition(int64_t position, int64_t duration);
    void DefaultComplete(TObject* sender);
    void RemoveAllFilters();
    // The steps of BuildGraph: the graph manager and its interfaces, then the
    // grabber in the graph.
    bool CreateGraphManager();
    bool AddGrabber();
    // The steps of OpenFile once the file is rendered: the video window on
    // this control, the first frame cued, the video's sizes read.
    void CueRenderedFile();
    void ReadVideoSizes();
    // Stops, seeks and pauses, and waits until the frame there is shown.
    void Cue(int64_t position);
    // The place as the graph says it, uncorrected; -1 when it cannot say.
    int64_t GraphPosition();
    void WMRecue();
    // The chosen level to the graph; it hears it only while playing.
    void ApplyVolume();
    void Fail();
    // The video window as a child of this control, sized to it.
    void OwnVideoWindow();
    void AttachWindows();
    void DetachWindows();
    // Whether a press of the left button makes a double-click with the last.
    bool IsSecondPress(const TMessage& message);
    // RenderFile off this thread; no result when the application was told
    // to terminate first.
    std::optional<HRESULT> RenderInBackground(const WCHAR* name);
    // Gives back every interface the control holds, without a call on them.
    void ForgetInterfaces();
    // Lets go of a graph that another thread may still be inside, without
    // calling it.
    void AbandonGraph();
    // Leaves COM as often as BuildGraph entered it; the movie is closed.
    void LeaveCom();

    TTimer* FTimer = nullptr;
    TComPtr<IGraphBuilder> FGraphBuilder;
    TComPtr<IMediaControl> FMediaControl;
    TComPtr<IMediaSeeking> FMediaSeeking;
    TComPtr<IBasicAudio> FBasicAudio;
    // Asked for as IBasicVideo and used only as that, so typed as that.
    TComPtr<IBasicVideo> FBasicVideo;
    TComPtr<IVideoWindow> FVideoWindow;
    TComPtr<IMediaEventEx> FMediaEventEx;
    TComPtr<IBaseFilter> FGrabberFilter;
    TComPtr<ISampleGrabber> FSampleGrabber;
    int64_t FDuration = -1;
    int64_t FPosition = 0;
    int64_t FPositionCorrection = 0;  // added to what the graph says (see PlayPause)
    int32_t FMaxIdealWidth = 0;
    int32_t FMaxIdealHeight = 0;
    int32_t FMinIdealWidth = 0;
    int32_t FMinIdealHeight = 0;
    int32_t FVolume = 7;
    TWatched<TMovieState> FState{msClosed, [this] {
                                     if (OnStateChange)
                                         OnStateChange(this);
                                 }};
    int32_t FVideoWidth = 0;
    int32_t FVideoHeight = 0;
    std::string FFileName;
    bool FAutoClose = false;
    bool FKeepAspect = false;
    // The last press of the left button that the video window handed on.
    LONG FPressTime = 0;
    POINT FPressPoint{};
    bool FPressed = false;
    TPositionEvent FOnPosition;
    TNotifyEvent FOnComplete;
    TNotifyEvent FOnFailed;
    // How many times BuildGraph entered COM since the last ReleaseGraph: each
    // successful CoInitialize is matched by exactly one CoUninitialize.
    int FComEntries = 0;
    // While RenderFile runs on its own thread, graph notifications wait
    // (counted here) and are posted again once it is back.
    bool FRendering = false;
    int FHeldNotifications = 0;
};
