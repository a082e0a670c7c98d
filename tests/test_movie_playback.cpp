// The movie control against the platform's real DirectShow, with real clips:
// what a user would see and hear of it, the picture read back from the screen.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/UMovie.h"
#include "framework/Forms.h"
#include "support/Apartment.h"
#include "support/Dialogs.h"
#include "support/HostForm.h"
#include "support/MovieControl.h"
#include "support/Paths.h"
#include "support/Pump.h"
#include "support/Screen.h"
#include "ui/KeepAwake.h"

namespace {

const char kTitle[] = "MoviePlaybackTest";
const char kClip[] = "clip640.avi";           // 640x480 with sound, about 2.6 s, a new picture every frame
const char kAudioOnly[] = "tone.wav";         // sound only
const char kUnplayable[] = "unplayable.avi";  // text under a movie's name

// A picture, as opposed to an empty background, has no colour covering most of it.
constexpr double kBackgroundUniformity = 0.9;

void Report(const char* what, DWORD ms) {
    std::printf("[ timing   ] %s: %lu ms\n", what, static_cast<unsigned long>(ms));
    std::fflush(stdout);
}

class MoviePlayback : public ::testing::Test {
protected:
    // As the application does: COM entered once for the user-interface thread.
    static void SetUpTestSuite() { Host = StartApplication(kTitle); }
    static void TearDownTestSuite() { EndApplication(Host); }

    void SetUp() override {
        Clip = TestData(kClip);
        if (Clip.empty())
            GTEST_SKIP() << "PELORIN_TEST_DATA is not set";
        ASSERT_TRUE(PathExists(Clip)) << Clip;
        Owner = std::make_unique<TComponent>(nullptr);
        Movie = MakeMovie(Owner.get(), Host);
        Log.Watch(Movie);
        Movie->OnClick = Bind<&TMovieEvents::Click>(&Log);
        SetForegroundWindow(Host->Handle());
        Application->ProcessMessages();
    }

    void TearDown() override {
        Owner.reset();
        // The control gave back exactly what it took of COM.
        EXPECT_TRUE(ComEntered());
    }

    // The control's area as it is on the screen now.
    TCapture Picture() { return CaptureClient(Movie->Handle()); }
    // Waits until the control shows something other than a plain background.
    bool WaitForPicture(DWORD timeoutMs) {
        return PumpUntil([&] { return Uniformity(Picture()) < kBackgroundUniformity; }, timeoutMs);
    }
    // Opens the clip and waits for its first frame.
    void OpenClip() {
        Movie->OpenFile(Clip);
        ASSERT_EQ(Movie->State(), msStopped);
        ASSERT_TRUE(WaitForPicture(5000)) << "no picture in the control after opening";
    }

    static inline TForm* Host = nullptr;
    std::unique_ptr<TComponent> Owner;
    TMovie* Movie = nullptr;
    TMovieEvents Log;
    std::string Clip;
};

TEST_F(MoviePlayback, OpeningCuesTheFirstFrameOverTheWholeControl) {
    DWORD start = GetTickCount();
    Movie->OpenFile(Clip);
    Report("OpenFile", GetTickCount() - start);
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Movie->VideoWidth(), 640);
    EXPECT_EQ(Movie->VideoHeight(), 480);
    EXPECT_NEAR(Movie->Duration(), 26000000, 1000000);
    EXPECT_EQ(Movie->Position(), 0);
    using P = std::pair<int64_t, int64_t>;
    EXPECT_EQ(Log.Positions, (std::vector<P>{{0, Movie->Duration()}, {0, Movie->Duration()}}));

    // The first frame is visible inside the control: no background left over.
    start = GetTickCount();
    ASSERT_TRUE(WaitForPicture(5000)) << "the video window shows nothing";
    Report("first frame on screen", GetTickCount() - start);
    PumpFor(200);
    TCapture first = Picture();
    EXPECT_LT(Uniformity(first), kBackgroundUniformity);
    uint32_t background = ColorToRGB(clBtnFace);
    background = ((background & 0xFF) << 16) | (background & 0xFF00) | ((background >> 16) & 0xFF);
    size_t backgroundPixels = 0;
    for (uint32_t p : first.Pixels)
        backgroundPixels += p == background;
    EXPECT_LT(backgroundPixels, first.Pixels.size() / 20) << "the picture does not cover the control";
    // Cued, not playing: the picture stands still.
    PumpFor(400);
    EXPECT_LT(Difference(first, Picture()), 0.01);

    // The video window is a child covering the whole control, and follows its size.
    HWND video = GetWindow(Movie->Handle(), GW_CHILD);
    ASSERT_NE(video, nullptr) << "the video window is not a child of the control";
    auto expectCovered = [&] {
        RECT v, c;
        GetWindowRect(video, &v);
        GetWindowRect(Movie->Handle(), &c);
        EXPECT_TRUE(EqualRect(&v, &c)) << "video " << v.left << "," << v.top << "-" << v.right << "," << v.bottom
                                       << " control " << c.left << "," << c.top << "-" << c.right << "," << c.bottom;
    };
    expectCovered();
    Host->SetClientWidth(400);
    Host->SetClientHeight(300);
    Application->ProcessMessages();
    expectCovered();
    Host->SetClientWidth(320);
    Host->SetClientHeight(240);
    Application->ProcessMessages();
    expectCovered();

    // A click on the picture is a click on the control.
    PostMessageA(video, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    PostMessageA(video, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_TRUE(PumpUntil([&] { return Log.Clicks == 1; }, 2000));
}

TEST_F(MoviePlayback, PlaysToTheEndAndRewinds) {
    OpenClip();
    PumpFor(200);
    TCapture first = Picture();
    Log.Positions.clear();

    DWORD start = GetTickCount();
    Movie->PlayPause();
    EXPECT_EQ(Movie->State(), msPlaying);
    // The picture moves while playing.
    std::vector<TCapture> frames;
    PumpUntil(
        [&] {
            if (frames.size() < 4 && GetTickCount() - start >= 300 * (frames.size() + 1))
                frames.push_back(Picture());
            return frames.size() == 4;
        },
        3000);
    ASSERT_EQ(frames.size(), 4u);
    double changed = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_LT(Uniformity(frames[i]), kBackgroundUniformity) << "frame " << i << " shows nothing";
        changed = std::max(changed, Difference(i ? frames[i - 1] : first, frames[i]));
    }
    EXPECT_GT(changed, 0.01) << "the picture did not change during playback";

    // The end of the stream arrives through the graph's notification.
    ASSERT_TRUE(PumpUntil([&] { return Movie->State() == msStopped; }, 10000)) << "no end of stream";
    Report("play to the end", GetTickCount() - start);
    EXPECT_EQ(Movie->Position(), 0);
    EXPECT_EQ(Log.Completes, 0);
    ASSERT_FALSE(Log.Positions.empty());
    EXPECT_EQ(Log.Positions.back().first, 0);
    // Rewound to the first frame, which is shown again.
    PumpFor(300);
    EXPECT_LT(Difference(first, Picture()), 0.05) << "not back on the first frame";
}

TEST_F(MoviePlayback, AutoCloseCompletesOnceAfterTheRewind) {
    OpenClip();
    Movie->SetAutoClose(true);
    int64_t positionAtComplete = -2;
    TMovieState stateAtComplete = msClosed;
    Log.InComplete = [&] {
        positionAtComplete = Movie->Position();
        stateAtComplete = Movie->State();
    };
    Movie->PlayPause();
    ASSERT_TRUE(PumpUntil([&] { return Log.Completes > 0; }, 10000)) << "OnComplete never came";
    EXPECT_EQ(stateAtComplete, msStopped);
    EXPECT_EQ(positionAtComplete, 0);
    PumpFor(500);
    EXPECT_EQ(Log.Completes, 1);
    EXPECT_EQ(Movie->State(), msStopped);
}

TEST_F(MoviePlayback, PauseHoldsThePicture) {
    OpenClip();
    Movie->PlayPause();
    PumpFor(700);
    Movie->PlayPause();
    EXPECT_EQ(Movie->State(), msPaused);
    PumpFor(300);
    int64_t paused = Movie->GetPosition();
    EXPECT_GT(paused, 0);
    TCapture held = Picture();
    PumpFor(500);
    EXPECT_LT(Difference(held, Picture()), 0.01) << "the picture moved while paused";
    EXPECT_EQ(Movie->GetPosition(), paused);
    // Playing on starts where it paused, not from the start.
    Movie->PlayPause();
    PumpFor(200);
    EXPECT_GE(Movie->GetPosition(), paused);
}

TEST_F(MoviePlayback, AudioOnlyFileHasNoVideoSizeWhateverCameBefore) {
    std::string audio = TestData(kAudioOnly);
    if (!PathExists(audio))
        GTEST_SKIP() << "no audio-only clip " << audio;
    OpenClip();
    ASSERT_TRUE(Movie->HasVideo());
    Movie->OpenFile(audio);
    EXPECT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(Movie->VideoWidth(), 0);
    EXPECT_EQ(Movie->VideoHeight(), 0);
    EXPECT_FALSE(Movie->HasVideo());
    EXPECT_GT(Movie->Duration(), 0);
    EXPECT_EQ(Movie->FileName(), audio);
}

TEST_F(MoviePlayback, UnplayableFileIsReportedInAPlainBox) {
    OpenClip();
    Movie->PlayPause();
    std::string bad = TestData(kUnplayable);
    ASSERT_TRUE(PathExists(bad));
    std::vector<TMessageBoxInfo> seen;
    {
        TBoxAnswerer boxes;  // clicks OK, as the user would
        Movie->OpenFile(bad);
        seen = boxes.Seen();
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Text, "このファイルは再生できません");
    EXPECT_EQ(seen[0].Caption, kTitle);
    EXPECT_EQ(seen[0].Buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(seen[0].HasIcon);
    // Centred on the screen.
    const RECT& r = seen[0].Bounds;
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);

    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Movie->FileName(), bad);
    // Nothing of the old movie is left in the control.
    EXPECT_EQ(GetWindow(Movie->Handle(), GW_CHILD), nullptr);
    // And a good file plays again afterwards.
    OpenClip();
}

TEST_F(MoviePlayback, NamesThatDenoteNoFileLeaveThePlayingMovieAlone) {
    OpenClip();
    Movie->PlayPause();
    PumpFor(300);
    std::string folder = WinePath(std::getenv("PELORIN_TEST_DATA"));
    for (const std::string& name : {TestData("no such clip.avi"), folder, folder + "\\"}) {
        SCOPED_TRACE(name);
        Movie->OpenFile(name);
        EXPECT_EQ(Movie->State(), msPlaying);
        EXPECT_EQ(Movie->FileName(), Clip);
    }
    int64_t before = Movie->GetPosition();
    PumpFor(300);
    EXPECT_GT(Movie->GetPosition(), before) << "the movie stopped playing";
}

}  // namespace

namespace {
// Counts the system commands that reach the form's own handling.
struct TSysCommandRecorder {
    TWndMethod Next;
    int Reached = 0;
    void Record(TMessage& m) {
        if (m.Msg == WM_SYSCOMMAND)
            ++Reached;
        Next(m);
    }
};
}  // namespace

// While a picture plays the window refuses the screen saver and the monitor's
// sleep, as players do; sound alone, paused or stopped, it lets them through.
TEST_F(MoviePlayback, PlayingPictureRefusesTheScreenSaverAndMonitorSleep) {
    TSysCommandRecorder recorder;
    recorder.Next = Host->WindowProc;
    Host->WindowProc = Bind<&TSysCommandRecorder::Record>(&recorder);
    auto awake = std::make_unique<TKeepAwake>(Host, Movie);
    auto reaches = [&](WPARAM command, LPARAM argument) {
        const int before = recorder.Reached;
        SendMessageW(Host->Handle(), WM_SYSCOMMAND, command, argument);
        return recorder.Reached > before;
    };

    OpenClip();
    EXPECT_TRUE(reaches(SC_SCREENSAVE, 0)) << "stopped";
    Movie->PlayPause();
    ASSERT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(awake->Requested(), ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    EXPECT_FALSE(reaches(SC_SCREENSAVE, 0));
    EXPECT_FALSE(reaches(SC_MONITORPOWER | 0x3, 2));  // the low bits are the system's
    EXPECT_FALSE(reaches(SC_MONITORPOWER, 1));
    EXPECT_TRUE(reaches(SC_MONITORPOWER, -1)) << "turning the monitor on is never refused";
    Movie->PlayPause();
    EXPECT_TRUE(reaches(SC_SCREENSAVE, 0)) << "paused";

    Movie->OpenFile(TestData(kAudioOnly));
    Movie->PlayPause();
    ASSERT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(awake->Requested(), ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    EXPECT_TRUE(reaches(SC_SCREENSAVE, 0)) << "sound alone";

    awake.reset();
    Host->WindowProc = recorder.Next;
}
