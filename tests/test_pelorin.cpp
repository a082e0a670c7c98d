// The real Pelorin.exe, started with various command lines and watched from
// outside: what a user sees of the window, its message boxes and its exit.
#include <gtest/gtest.h>

#include "support/Player.h"

namespace {
const char kClip[] = "clip640.avi";  // 640 x 480 with sound, about 2.5 s
const char kUnplayable[] = "unplayable.avi";

int ScreenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}
int ScreenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}
int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// Closes the window as its close box would and expects a clean exit.
void CloseAndExpectExit(TPlayerProcess& player, HWND wnd) {
    PostMessageA(wnd, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    ASSERT_TRUE(player.WaitForExit(60000, &code));
    EXPECT_EQ(code, 0u);
}

void ExpectViewerFrame(const TWindowInfo& info) {
    EXPECT_FALSE(info.Style & WS_THICKFRAME);
    EXPECT_FALSE(info.Style & WS_MINIMIZEBOX);
    EXPECT_FALSE(info.Style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(info.Style & WS_SYSMENU);
    EXPECT_TRUE(info.Style & WS_CAPTION);
    EXPECT_TRUE(info.ExStyle & WS_EX_DLGMODALFRAME);  // no icon in the caption
    EXPECT_TRUE(info.ExStyle & WS_EX_TOPMOST);
}
}  // namespace

TEST(Pelorin, WithoutArgumentsShowsTheDesignedWindowCentred) {
    TPlayerProcess player("");
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Caption, "Pelorin");
    EXPECT_EQ(Width(info.Window), 328);
    EXPECT_EQ(Height(info.Window), 256);
    EXPECT_EQ(info.Window.left, (ScreenWidth() - 328) / 2);
    EXPECT_EQ(info.Window.top, (ScreenHeight() - 256) / 2);
    EXPECT_TRUE(info.Style & WS_THICKFRAME);
    EXPECT_TRUE(info.Style & WS_MINIMIZEBOX);
    EXPECT_TRUE(info.Style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(info.ExStyle & WS_EX_TOPMOST);
    CloseAndExpectExit(player, wnd);
}

TEST(Pelorin, FolderAsFirstArgumentGivesTheNormalWindow) {
    const char* dir = std::getenv("PELORIN_TEST_DATA");
    TPlayerProcess player(Quoted(WinePath(dir ? dir : ".")) + " 10 20");
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Caption, "Pelorin");
    EXPECT_TRUE(info.Style & WS_THICKFRAME);
    EXPECT_EQ(info.Window.left, (ScreenWidth() - 328) / 2);
    CloseAndExpectExit(player, wnd);
}

TEST(Pelorin, ViewerModePlaysOnceAndExits) {
    TPlayerProcess player(Quoted(TestData(kClip)));
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Caption, std::string("Pelorin -") + kClip + "-");
    EXPECT_EQ(info.Client.cx, 640);
    EXPECT_EQ(info.Client.cy, 480);
    EXPECT_EQ(info.Window.left, (ScreenWidth() - Width(info.Window)) / 2);
    EXPECT_EQ(info.Window.top, (ScreenHeight() - Height(info.Window)) / 2);
    ExpectViewerFrame(info);
    // The re-created window still takes dropped files.
    EXPECT_TRUE(info.ExStyle & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(player.Running());
    DWORD code = 1234;
    ASSERT_TRUE(player.WaitForExit(60000, &code)) << "the viewer did not close at the end of the clip";
    EXPECT_EQ(code, 0u);
}

// Placement arguments: each row starts the viewer and checks where it stands.
struct TPlacementCase {
    const char* Arguments;  // after the file name
    int Left, Top;          // -1: centred
    int ClientWidth, ClientHeight;
};

class PelorinPlacement : public testing::TestWithParam<TPlacementCase> {};

TEST_P(PelorinPlacement, WindowStandsWhereTheArgumentsSay) {
    const TPlacementCase& c = GetParam();
    TPlayerProcess player(Quoted(TestData(kClip)) + " " + c.Arguments);
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Client.cx, c.ClientWidth);
    EXPECT_EQ(info.Client.cy, c.ClientHeight);
    EXPECT_EQ(info.Window.left, c.Left >= 0 ? c.Left : (ScreenWidth() - Width(info.Window)) / 2);
    EXPECT_EQ(info.Window.top, c.Top >= 0 ? c.Top : (ScreenHeight() - Height(info.Window)) / 2);
    ExpectViewerFrame(info);
    CloseAndExpectExit(player, wnd);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments,
    PelorinPlacement,
    testing::Values(TPlacementCase{"40 50", 40, 50, 640, 480},
                    TPlacementCase{"40 50 320 240", 40, 50, 320, 240},
                    TPlacementCase{"100 -1", 100, 117, 640, 480},  // the designed top
                    TPlacementCase{"$10 0x10", 16, 16, 640, 480},
                    TPlacementCase{"0 0 320 0", 0, 0, 320, 480},
                    TPlacementCase{"40 50 320 240 999", 40, 50, 320, 240},  // a sixth is ignored
                    TPlacementCase{"40", -1, -1, 640, 480},                 // a lone left is ignored
                    TPlacementCase{"40 50 320", 40, 50, 640, 480},          // a lone width is ignored
                    TPlacementCase{"abc -5", -1, -1, 640, 480}));

TEST(Pelorin, UnplayableFileIsReportedTwiceAndTheWindowWaits) {
    TPlayerProcess player(Quoted(TestData(kUnplayable)));
    // Once while the window is created, once when it is first shown.
    for (int i = 0; i < 2; ++i) {
        HWND box = player.WaitForMessageBox(60000);
        ASSERT_NE(box, nullptr) << "message " << i + 1;
        TMessageBoxInfo msg;
        ASSERT_TRUE(ReadMessageBox(box, msg));
        EXPECT_EQ(msg.Text, "このファイルは再生できません");
        EXPECT_EQ(msg.Caption, "Pelorin");
        EXPECT_EQ(msg.Buttons, std::vector<std::string>{"OK"});
        EXPECT_FALSE(msg.HasIcon);
        ASSERT_TRUE(PressButton(box, "OK"));
        for (int wait = 0; wait < 100 && IsWindow(box); ++wait)
            Sleep(50);
    }
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Caption, std::string("Pelorin -") + kUnplayable + "-");
    ExpectViewerFrame(info);
    Sleep(1000);
    EXPECT_TRUE(player.Running()) << "nothing plays, so nothing may close the window";
    CloseAndExpectExit(player, wnd);
}
