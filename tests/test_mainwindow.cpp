// The main window in process, with real windows and real clips: its menu and
// shortcut, opening and playing, the aspect lock and every way an opening
// can fail.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>

#include "engine/UMovie.h"
#include "framework/SysUtils.h"
#include "framework/TextConversion.h"
#include "support/Dialogs.h"
#include "support/Drops.h"
#include "support/Files.h"
#include "support/Paths.h"
#include "support/Pump.h"
#include "ui/Overlay.h"
#include "ui/PlayerControls.h"
#include "ui/ScreenFit.h"
#include "ui/UAbout.h"
#include "ui/Unit1.h"

namespace {
const char kClip[] = "clip640.avi";  // 640 x 480
const char kCif[] = "cif.avi";       // 352 x 288, no sound
const char kTone[] = "tone.wav";     // sound only
const char kUnplayable[] = "unplayable.avi";

// Texts are read as UTF-16 and compared in UTF-8, as the program keeps them.
std::string MenuText(HMENU menu, int position) {
    wchar_t text[256] = L"";
    int n = GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return WideToUtf8(std::wstring_view(text, n > 0 ? n : 0));
}

// A named function with the system's calling convention (CALLBACK): in 32-bit
// code a lambda has the compiler's default one, which the system cannot call.
BOOL CALLBACK FindVisibleDialog(HWND wnd, LPARAM data) {
    char cls[64];
    GetClassNameA(wnd, cls, sizeof(cls));
    if (std::string(cls) == "#32770" && IsWindowVisible(wnd)) {
        *reinterpret_cast<HWND*>(data) = wnd;
        return FALSE;
    }
    return TRUE;
}

// The open dialog of this thread, once it is up.
HWND FindOpenDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Types a name into the open dialog and confirms it, or cancels it, from
// inside the dialog's own loop. Reports the name the dialog started with.
void AnswerOpenDialog(const std::string& name, bool confirm, std::string* startedWith = nullptr) {
    RunSoon(
        [=] {
            HWND dlg = nullptr;
            for (int i = 0; i < 200 && !dlg; ++i) {
                dlg = FindOpenDialog();
                if (!dlg) {
                    MSG msg;
                    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                        TranslateMessage(&msg);
                        DispatchMessageA(&msg);
                    }
                    Sleep(50);
                }
            }
            if (!dlg)
                return;
            const int kFileName = 0x47C;  // the dialog's file name box (cmb13)
            if (startedWith) {
                wchar_t text[1024] = L"";
                GetDlgItemTextW(dlg, kFileName, text, 1024);
                *startedWith = WideToUtf8(text);
            }
            if (confirm) {
                SetDlgItemTextW(dlg, kFileName, Utf8ToWide(name).c_str());
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            }
        },
        500);
}

// Ctrl+O typed while the keyboard is in the window `target`.
void TypeCtrlO(HWND target) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(target, WM_KEYDOWN, 'O', 1);
    // The shortcut runs here, dialog and all, after what was queued before.
    MSG msg;
    while (PeekMessageA(&msg, target, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE))
        Application->HandleMessage(true);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Application->CreateForm(Form1);
        Application->CreateForm(AboutBox);
        Form1->Show();
        Movie = Form1->Movie();
        ASSERT_NE(Movie, nullptr);
    }
    void TearDown() override {
        delete AboutBox;
        AboutBox = nullptr;
        delete Form1;
        Form1 = nullptr;
        Application->SetTerminated(false);
        Application->ProcessMessages();
    }

    void Drop(const std::vector<std::string>& names) {
        TStringList files;
        for (const auto& n : names)
            files.Add(n);
        Form1->DropDst1FileDrop(Form1->DropDst1, &files, 0, 0);
    }

    TMovie* Movie = nullptr;
};
}  // namespace

TEST_F(MainWindow, MenuShowsTheDesignedCaptionsAndShortcut) {
    HMENU bar = GetMenu(Form1->Handle());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(MenuText(bar, 0), "ファイル(&F)");
    EXPECT_EQ(MenuText(bar, 1), "ヘルプ(&H)");
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(MenuText(file, 0), "ひらく(&O)...\tCtrl+O");
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(MenuText(file, 2), "とじる(&X)");
    HMENU help = GetSubMenu(bar, 1);
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(MenuText(help, 0), "Pelorinについて(&A)...");
    EXPECT_EQ(Form1->FileOpen->ShortCut(), 16463);

    // The outer size includes the menu bar.
    RECT r;
    GetWindowRect(Form1->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 328);
    EXPECT_EQ(r.bottom - r.top, 256);
    EXPECT_EQ(CaptionOf(Form1->Handle()), "Pelorin");

    // Choosing "とじる(&X)" ends the program.
    SendMessageA(Form1->Handle(), WM_COMMAND, GetMenuItemID(file, 2), 0);
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(MainWindow, OpenAndPlaySizesTheWindowAndLocksTheRatio) {
    Drop({TestData(kClip)});
    EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kClip + "-");
    EXPECT_EQ(Form1->ClientWidth(), 640);
    EXPECT_EQ(Form1->ClientHeight(), 480);
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(Form1->Aspect(), 0.75);
    // The movie control fills the client area.
    EXPECT_EQ(Movie->Width(), 640);
    EXPECT_EQ(Movie->Height(), 480);

    // A size the window is given (as a window manager gives it) is put right
    // just after: the height follows the width, an exact half going to the
    // even side.
    for (auto [width, height] : {std::pair{322, 242}, {321, 241}, {318, 238}, {500, 375}}) {
        Form1->SetClientWidth(width);
        EXPECT_TRUE(PumpUntil([&] { return Form1->ClientHeight() == height; }, 2000)) << width;
        EXPECT_EQ(Movie->Height(), height) << width;
    }
    // Only the bottom edge moved: the height snaps back.
    RECT r;
    GetWindowRect(Form1->Handle(), &r);
    SetWindowPos(Form1->Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top + 60, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(PumpUntil([&] { return Form1->ClientHeight() == 375; }, 2000));

    // While the user drags, the drag rectangle itself keeps the ratio.
    const int frameWidth = Form1->Width() - Form1->ClientWidth();
    const int frameHeight = Form1->Height() - Form1->ClientHeight();
    RECT drag{100, 100, 100 + 400 + frameWidth, 100 + 123 + frameHeight};
    EXPECT_TRUE(SendMessageW(Form1->Handle(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag)));
    EXPECT_EQ(drag.bottom - drag.top - frameHeight, 300);
    EXPECT_EQ(drag.right - drag.left - frameWidth, 400);

    // Maximised, the system's size stands and the picture is letterboxed.
    ShowWindow(Form1->Handle(), SW_MAXIMIZE);
    PumpFor(200);
    const int maximisedHeight = Form1->ClientHeight();
    PumpFor(200);
    EXPECT_TRUE(IsZoomed(Form1->Handle()));
    EXPECT_EQ(Form1->ClientHeight(), maximisedHeight);
    EXPECT_TRUE(Movie->KeepAspect());
    ShowWindow(Form1->Handle(), SW_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return Form1->ClientHeight() == RoundHalfEven(Form1->ClientWidth() * 0.75); }, 2000));

    // A second file of another shape takes its own size, unbent by the first.
    Drop({TestData(kCif)});
    EXPECT_EQ(Form1->ClientWidth(), 352);
    EXPECT_EQ(Form1->ClientHeight(), 288);
    EXPECT_DOUBLE_EQ(Form1->Aspect(), 288.0 / 352.0);
    EXPECT_EQ(Movie->State(), msPlaying);
}

TEST_F(MainWindow, SoundKeepsAUsableWindowWithTheLockOff) {
    const int designedWidth = Form1->ClientWidth(), designedHeight = Form1->ClientHeight();
    Drop({TestData(kTone)});
    EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kTone + "-");
    EXPECT_EQ(Movie->VideoWidth(), 0);
    EXPECT_FALSE(Movie->HasVideo());
    EXPECT_EQ(Form1->Aspect(), 0);
    EXPECT_EQ(Movie->State(), msPlaying);
    // The empty window's size stays, its area black.
    EXPECT_EQ(Form1->ClientWidth(), designedWidth);
    EXPECT_EQ(Form1->ClientHeight(), designedHeight);
    EXPECT_EQ(Movie->Color(), RGB(0, 0, 0));

    // After a video the same file keeps the video's window, not its size
    // nor its lock.
    Drop({TestData(kClip)});
    Drop({TestData(kTone)});
    EXPECT_FALSE(Movie->HasVideo());
    EXPECT_EQ(Form1->ClientWidth(), 640);
    EXPECT_EQ(Form1->ClientHeight(), 480);
    EXPECT_EQ(Form1->Aspect(), 0);

    // Free: any height goes with any width.
    Form1->SetClientWidth(400);
    Form1->SetClientHeight(123);
    EXPECT_EQ(Form1->ClientWidth(), 400);
    EXPECT_EQ(Form1->ClientHeight(), 123);
    Form1->SetClientHeight(321);
    EXPECT_EQ(Form1->ClientHeight(), 321);
}

TEST_F(MainWindow, FailedOpeningsLeaveAnEmptyWindowAndNoFilesChangeNothing) {
    Drop({TestData(kClip)});
    ASSERT_EQ(Movie->State(), msPlaying);

    // An existing file that is no movie: reported, nothing loaded, the last
    // video's size and ratio stay.
    {
        TBoxAnswerer boxes;
        Drop({TestData(kUnplayable)});
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() >= 1; }, 5000));
        EXPECT_EQ(boxes.Seen()[0].Text, "このファイルは再生できません");
    }
    // The title names no file that is not loaded; the size stays, unlocked.
    EXPECT_EQ(CaptionOf(Form1->Handle()), "Pelorin");
    EXPECT_EQ(Movie->State(), msClosed);
    EXPECT_EQ(Form1->ClientWidth(), 640);
    EXPECT_EQ(Form1->ClientHeight(), 480);
    EXPECT_EQ(Form1->Aspect(), 0);

    // Load the clip again, then drop a name that is no file (missing, or a
    // folder): the clip plays on under its own title.
    Drop({TestData(kClip)});
    ASSERT_EQ(Movie->State(), msPlaying);
    TScratchFolder folder("dropped folder");
    for (const std::string& name : {TestData("no such file.avi"), folder.Path()}) {
        Drop({name});
        EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kClip + "-") << name;
        EXPECT_EQ(Movie->State(), msPlaying) << name;
        EXPECT_EQ(Form1->ClientWidth(), 640) << name;
        EXPECT_EQ(Form1->Aspect(), 0.75) << name;
    }
}

TEST_F(MainWindow, OnlyASingleDroppedFileOpens) {
    // Two at once: nothing happens, nothing is reported.
    PostDrop(Form1->Handle(), {TestData(kClip), TestData(kCif)});
    PumpFor(300);
    EXPECT_EQ(CaptionOf(Form1->Handle()), "Pelorin");
    EXPECT_EQ(Movie->State(), msClosed);

    // One, through the window's real drop handling.
    PostDrop(Form1->Handle(), {TestData(kCif)});
    ASSERT_TRUE(PumpUntil([&] { return Movie->State() == msPlaying; }, 15000));
    EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kCif + "-");
    EXPECT_EQ(Form1->ClientWidth(), 352);
}

TEST_F(MainWindow, CtrlOInThePictureOpensTheDialogWhichRemembersTheName) {
    Drop({TestData(kClip)});
    ASSERT_EQ(Movie->State(), msPlaying);

    // Cancelled: nothing changes.
    AnswerOpenDialog("", false);
    TypeCtrlO(Movie->Handle());
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kClip + "-");

    // A typed name, confirmed: it opens and plays like a drop.
    std::string cif = TestData(kCif);
    AnswerOpenDialog(cif, true);
    TypeCtrlO(Movie->Handle());
    EXPECT_EQ(Form1->OpenDialog1->FileName(), cif);
    EXPECT_EQ(CaptionOf(Form1->Handle()), std::string("Pelorin -") + kCif + "-");
    EXPECT_EQ(Form1->ClientWidth(), 352);
    EXPECT_EQ(Movie->State(), msPlaying);

    // The next opening starts with the last chosen name.
    std::string startedWith;
    AnswerOpenDialog("", false, &startedWith);
    SendMessageA(Form1->Handle(), WM_COMMAND, GetMenuItemID(GetSubMenu(GetMenu(Form1->Handle()), 0), 0), 0);
    EXPECT_NE(startedWith.find(kCif), std::string::npos) << startedWith;

    // Without Ctrl, O opens nothing: it shows where the movie is.
    EXPECT_FALSE(Form1->PlayerControls()->Overlay().Showing()) << "nobody asked for the display";
    PostMessageA(Movie->Handle(), WM_KEYDOWN, 'O', 1);
    PumpFor(300);
    EXPECT_EQ(FindOpenDialog(), nullptr);
    EXPECT_TRUE(Form1->PlayerControls()->Overlay().Showing());
}

TEST_F(MainWindow, AboutItemShowsTheAboutBoxModally) {
    bool shown = false, mainEnabled = true;
    RunSoon(
        [&] {
            shown = AboutBox->HandleAllocated() && IsWindowVisible(AboutBox->Handle());
            mainEnabled = IsWindowEnabled(Form1->Handle());
            PostMessageA(AboutBox->Handle(), WM_CLOSE, 0, 0);
        },
        300);
    HMENU help = GetSubMenu(GetMenu(Form1->Handle()), 1);
    SendMessageA(Form1->Handle(), WM_COMMAND, GetMenuItemID(help, 0), 0);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(mainEnabled);
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle()));
    EXPECT_FALSE(IsWindowVisible(AboutBox->Handle()));
    EXPECT_FALSE(Application->Terminated());
}

// --- a window sized by a video larger than the screen -----------------------

TEST(ScreenFit, LargestClientWithTheVideosRatioInsideTheWorkArea) {
    const TArea screen{0, 0, 1280, 1024};
    // Fits: size and place stay.
    TWindowFit fit = FitVideoWindow(640, 480, 8, 46, screen, 900, 700);
    EXPECT_FALSE(fit.Shrunk);
    EXPECT_EQ(fit.ClientWidth, 640);
    EXPECT_EQ(fit.Left, 900);
    // Width-bound: 1920 x 1080 on 1280 x 1024 with an 8 x 46 frame.
    fit = FitVideoWindow(1920, 1080, 8, 46, screen, 476, 384);
    EXPECT_TRUE(fit.Shrunk);
    EXPECT_EQ(fit.ClientWidth, 1272);
    EXPECT_EQ(fit.ClientHeight, RoundHalfEven(1272 * 1080 / 1920.0));
    EXPECT_EQ(fit.Left, 0) << "moved back inside";
    EXPECT_EQ(fit.Top, 1024 - (fit.ClientHeight + 46));
    // Height-bound: a tall video, on a work area that does not start at 0.
    const TArea work{100, 50, 1380, 1010};
    fit = FitVideoWindow(1080, 1920, 8, 46, work, 1300, 0);
    EXPECT_EQ(fit.ClientHeight + 46, 960);
    EXPECT_LE(fit.ClientHeight, 914);
    EXPECT_EQ(fit.ClientHeight, RoundHalfEven(fit.ClientWidth * 1920 / 1080.0));
    EXPECT_EQ(fit.Top, 50);
    EXPECT_EQ(fit.Left + fit.ClientWidth + 8, 1380);
    // Every shape: inside, at the ratio as the aspect lock rounds it, and
    // touching the work area on one side at least.
    for (int w = 200; w <= 4000; w += 97)
        for (int h = 150; h <= 3000; h += 89) {
            fit = FitVideoWindow(w, h, 8, 46, screen, 500, 500);
            if (!fit.Shrunk)
                continue;
            EXPECT_LE(fit.ClientWidth + 8, 1280);
            EXPECT_LE(fit.ClientHeight + 46, 1024);
            EXPECT_EQ(fit.ClientHeight, RoundHalfEven(fit.ClientWidth * (static_cast<double>(h) / w))) << w << "x" << h;
            EXPECT_TRUE(fit.ClientWidth + 8 == 1280 ||
                        RoundHalfEven((fit.ClientWidth + 1) * (static_cast<double>(h) / w)) + 46 > 1024)
                << w << "x" << h << " could be larger";
            EXPECT_GE(fit.Left, 0);
            EXPECT_GE(fit.Top, 0);
            EXPECT_LE(fit.Left + fit.ClientWidth + 8, 1280);
            EXPECT_LE(fit.Top + fit.ClientHeight + 46, 1024);
        }
}

TEST(ScreenFit, ADragRectangleKeepsTheRatioAndTheFixedSides) {
    const double aspect = 0.75;
    const int fw = 8, fh = 46;  // frame around the client
    auto client = [&](const TArea& r) { return std::pair{r.Width() - fw, r.Height() - fh}; };
    const TArea start{100, 100, 100 + 400 + fw, 100 + 123 + fh};
    // Sides and the bottom corners: the width leads, the top stays.
    for (int edge : {seLeft, seRight, seBottomLeft, seBottomRight}) {
        TArea r = LockSizingRect(start, edge, fw, fh, aspect);
        EXPECT_EQ(client(r), std::pair(400, 300)) << edge;
        EXPECT_EQ(r.Top, 100) << edge;
        EXPECT_EQ(r.Left, 100) << edge;
    }
    // The top and bottom edges alone: the height snaps back to the width's;
    // the top edge keeps the bottom where it is.
    TArea r = LockSizingRect(start, seBottom, fw, fh, aspect);
    EXPECT_EQ(client(r), std::pair(400, 300));
    EXPECT_EQ(r.Top, 100);
    r = LockSizingRect(start, seTop, fw, fh, aspect);
    EXPECT_EQ(client(r), std::pair(400, 300));
    EXPECT_EQ(r.Bottom, start.Bottom);
    // The top corners keep the opposite bottom corner.
    r = LockSizingRect(start, seTopLeft, fw, fh, aspect);
    EXPECT_EQ(client(r), std::pair(400, 300));
    EXPECT_EQ(r.Right, start.Right);
    EXPECT_EQ(r.Bottom, start.Bottom);
    // An exact half rounds to even, as the lock does; nothing collapses; no
    // lock or an unknown edge leaves the rectangle alone.
    EXPECT_EQ(client(LockSizingRect({0, 0, 322 + fw, 10}, seRight, fw, fh, aspect)).second, 242);
    EXPECT_EQ(client(LockSizingRect({0, 0, 0, 0}, seBottomRight, fw, fh, aspect)), std::pair(1, 1));
    EXPECT_EQ(client(LockSizingRect({0, 0, 100000, 10}, seRight, fw, fh, 1000.0)), std::pair(1 << 16, 1 << 16))
        << "bounded";
    for (auto [edge, a] : {std::pair{0, aspect}, {9, aspect}, {seRight, 0.0}, {seRight, -1.0}}) {
        TArea same = LockSizingRect(start, edge, fw, fh, a);
        EXPECT_TRUE(same.Left == start.Left && same.Top == start.Top && same.Right == start.Right &&
                    same.Bottom == start.Bottom)
            << edge << " " << a;
    }
}

// A name in several scripts, picked in the open dialog.
TEST_F(MainWindow, TheDialogTakesNamesInAnyScript) {
    TScratchFolder folder("Видео 表");
    TBytes cif;
    ASSERT_TRUE(ReadBytes(TestData(kCif), cif));
    const std::string picked = folder / "한글 𠮷😀.avi";
    ASSERT_TRUE(WriteBytes(picked, cif));

    AnswerOpenDialog(picked, true);
    TypeCtrlO(Form1->Handle());
    EXPECT_EQ(Form1->OpenDialog1->FileName(), picked);
    EXPECT_EQ(CaptionOf(Form1->Handle()), "Pelorin -한글 𠮷😀.avi-");
    EXPECT_EQ(Movie->FileName(), picked);
    EXPECT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(Form1->ClientWidth(), 352);
}

// --- a good citizen of the desktop ------------------------------------------

namespace {
// Under Wine, SetThreadExecutionState keeps the last continuous state and
// returns it; a call without ES_CONTINUOUS then changes nothing.
EXECUTION_STATE CurrentExecutionState() {
    return SetThreadExecutionState(0);
}
constexpr EXECUTION_STATE kPicture = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
constexpr EXECUTION_STATE kSound = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
constexpr EXECUTION_STATE kLetGo = ES_CONTINUOUS;

// An application command as a keyboard's key makes it.
LRESULT AppCommand(HWND wnd, int command) {
    return SendMessageW(wnd, WM_APPCOMMAND, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(0, command | FAPPCOMMAND_KEY));
}

// A press of the keyboard's play/pause key as the keyboard makes it: down and
// up, through the system's input, to the window in front.
void PressPlayPauseKey(HWND front) {
    SetForegroundWindow(front);
    PumpFor(50);
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_MEDIA_PLAY_PAUSE;
        key.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    PumpFor(200);
}
}  // namespace

TEST_F(MainWindow, AsksWindowsToStayAwakeOnlyWhileAMoviePlays) {
    EXPECT_EQ(CurrentExecutionState(), kLetGo);
    // Sound alone: the system, not the display.
    Drop({TestData(kTone)});
    ASSERT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(CurrentExecutionState(), kSound);
    // A picture: both. Paused, resumed, at the end, played again.
    Drop({TestData(kClip)});
    ASSERT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(CurrentExecutionState(), kPicture);
    Form1->PlayerControls()->PlayPause();
    EXPECT_EQ(CurrentExecutionState(), kLetGo);
    Form1->PlayerControls()->PlayPause();
    EXPECT_EQ(CurrentExecutionState(), kPicture);
    Form1->PlayerControls()->SeekBy(int64_t{3600} * 10000000);
    ASSERT_EQ(Movie->State(), msStopped);
    EXPECT_EQ(CurrentExecutionState(), kLetGo);
    Form1->PlayerControls()->PlayPause();
    EXPECT_EQ(CurrentExecutionState(), kPicture);
    // A failed opening releases the graph that played.
    {
        TBoxAnswerer boxes;
        Drop({TestData(kUnplayable)});
        ASSERT_TRUE(PumpUntil([&] { return boxes.Count() >= 1; }, 5000));
    }
    EXPECT_EQ(CurrentExecutionState(), kLetGo);
    // Sound alone after a picture: the picture's size stays, the display
    // need not.
    Drop({TestData(kClip)});
    Drop({TestData(kTone)});
    ASSERT_EQ(Movie->State(), msPlaying);
    EXPECT_EQ(CurrentExecutionState(), kSound);
    // The program ends while a movie plays.
    Drop({TestData(kClip)});
    EXPECT_EQ(CurrentExecutionState(), kPicture);
    delete Form1;
    Form1 = nullptr;
    EXPECT_EQ(CurrentExecutionState(), kLetGo);
}

TEST_F(MainWindow, MediaKeysAndCommandsActOnTheMovieInEachState) {
    HWND wnd = Form1->Handle();
    // Without a movie they are not the player's: Windows may offer them to
    // another program.
    EXPECT_EQ(AppCommand(wnd, APPCOMMAND_MEDIA_PLAY_PAUSE), FALSE);
    PostMessageA(wnd, WM_KEYDOWN, VK_MEDIA_PLAY_PAUSE, 1);
    PumpFor(100);
    EXPECT_EQ(Movie->State(), msClosed);

    Drop({TestData(kClip)});
    ASSERT_EQ(Movie->State(), msPlaying);
    struct TStep {
        int Command;
        TMovieState From, To;
    };
    // Play only resumes, pause only pauses, stop stops on the first frame.
    for (const TStep& step : {
             TStep{APPCOMMAND_MEDIA_PLAY, msPlaying, msPlaying},
             TStep{APPCOMMAND_MEDIA_PAUSE, msPlaying, msPaused},
             TStep{APPCOMMAND_MEDIA_PAUSE, msPaused, msPaused},
             TStep{APPCOMMAND_MEDIA_PLAY, msPaused, msPlaying},
             TStep{APPCOMMAND_MEDIA_PLAY_PAUSE, msPlaying, msPaused},
             TStep{APPCOMMAND_MEDIA_STOP, msPaused, msStopped},
             TStep{APPCOMMAND_MEDIA_PAUSE, msStopped, msStopped},
             TStep{APPCOMMAND_MEDIA_STOP, msStopped, msStopped},
             TStep{APPCOMMAND_MEDIA_PLAY_PAUSE, msStopped, msPlaying},
             TStep{APPCOMMAND_MEDIA_STOP, msPlaying, msStopped},
             TStep{APPCOMMAND_MEDIA_PLAY, msStopped, msPlaying},
         }) {
        SCOPED_TRACE(step.Command);
        ASSERT_EQ(Movie->State(), step.From);
        EXPECT_EQ(AppCommand(wnd, step.Command), TRUE);
        EXPECT_EQ(Movie->State(), step.To);
        if (step.To == msStopped) {
            EXPECT_EQ(Movie->GetPosition(), 0);
        }
    }
    // The volume stays the system's.
    const int volume = Movie->Volume();
    AppCommand(wnd, APPCOMMAND_VOLUME_DOWN);
    EXPECT_EQ(Movie->Volume(), volume);
    EXPECT_EQ(Movie->State(), msPlaying);

    // The play/pause key acts as Space does, once for each press: a press
    // brings both the key and its application command.
    PressPlayPauseKey(wnd);
    EXPECT_EQ(Movie->State(), msPaused);
    PressPlayPauseKey(wnd);
    EXPECT_EQ(Movie->State(), msPlaying);
    PressPlayPauseKey(wnd);
    EXPECT_EQ(Movie->State(), msPaused);

    // Nothing while an opening runs, and nothing under a modal dialog.
    Application->BeginBusy();
    AppCommand(wnd, APPCOMMAND_MEDIA_PLAY_PAUSE);
    Application->EndBusy();
    EXPECT_EQ(Movie->State(), msPaused);
    TMovieState underDialog = msClosed;
    RunSoon(
        [&] {
            AppCommand(wnd, APPCOMMAND_MEDIA_PLAY);
            PostMessageA(wnd, WM_KEYDOWN, VK_MEDIA_PLAY_PAUSE, 1);
            PumpFor(100);
            underDialog = Movie->State();
            PostMessageA(AboutBox->Handle(), WM_CLOSE, 0, 0);
        },
        300);
    Form1->AboutExecute(Form1);
    EXPECT_EQ(underDialog, msPaused);
}

TEST_F(MainWindow, BothFormsShowTheProgramsIconAndFullScreenYields) {
    AboutBox->HandleNeeded();
    auto expectIcons = [](HWND wnd) {
        for (auto [type, metric] : {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
            auto icon = reinterpret_cast<HICON>(SendMessageW(wnd, WM_GETICON, type, 0));
            ASSERT_NE(icon, nullptr) << type;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP bm{};
            GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
            EXPECT_EQ(bm.bmWidth, GetSystemMetrics(metric)) << type;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        // The class's own, for whatever asks the class rather than the window.
        EXPECT_NE(GetClassLongPtrW(wnd, GCLP_HICON), ULONG_PTR{0});
    };
    expectIcons(Form1->Handle());
    expectIcons(AboutBox->Handle());

    // Full screen makes the window anew: the icon stays, and the window does
    // not stay above a program the user brings forward.
    Drop({TestData(kClip)});
    Form1->PlayerControls()->ToggleFullScreen();
    ASSERT_TRUE(Form1->PlayerControls()->FullScreen().Active());
    expectIcons(Form1->Handle());
    EXPECT_FALSE(GetWindowLongW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    Form1->PlayerControls()->ToggleFullScreen();
}

// A display scale met (another monitor, the scale changed): the window takes
// the rectangle Windows suggests, the font follows, and the aspect lock and
// full screen hold.
TEST_F(MainWindow, FollowsADisplayScaleWithTheLockAndFullScreenIntact) {
    Drop({TestData(kClip)});
    ASSERT_EQ(Form1->Aspect(), 0.75);
    HWND wnd = Form1->Handle();
    RECT r;
    GetWindowRect(wnd, &r);
    RECT suggested{20, 30, 20 + MulDiv(r.right - r.left, 144, 96), 30 + MulDiv(r.bottom - r.top, 144, 96)};
    SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(wnd, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right, suggested.right);
    EXPECT_EQ(Form1->CurrentPixelsPerInch(), 144);
    EXPECT_EQ(Form1->Font().Height, -18);
    // The suggested rectangle is a size the window is given: the lock puts
    // its height right just after.
    EXPECT_TRUE(PumpUntil([&] { return Form1->ClientHeight() == RoundHalfEven(Form1->ClientWidth() * 0.75); }, 2000));
    EXPECT_EQ(Movie->Width(), Form1->ClientWidth());
    EXPECT_EQ(Movie->Height(), Form1->ClientHeight());
    Form1->SetClientWidth(500);
    EXPECT_TRUE(PumpUntil([&] { return Form1->ClientHeight() == 375; }, 2000));

    // Full screen keeps covering its monitor, whose pixels the scale does not
    // change, and leaves to the window from before.
    GetWindowRect(wnd, &r);
    Form1->PlayerControls()->ToggleFullScreen();
    wnd = Form1->Handle();
    RECT monitor = Form1->MonitorArea(false), full, small{0, 0, 100, 100};
    SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&small));
    GetWindowRect(wnd, &full);
    EXPECT_TRUE(EqualRect(&full, &monitor));
    Form1->PlayerControls()->ToggleFullScreen();
    RECT back;
    GetWindowRect(Form1->Handle(), &back);
    EXPECT_TRUE(EqualRect(&back, &r));
    EXPECT_EQ(Form1->ClientHeight(), 375);
}
