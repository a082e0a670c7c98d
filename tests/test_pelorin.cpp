// The real Pelorin.exe, started with various command lines and watched from
// outside: what a user sees of the window, its message boxes and its exit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "framework/TextConversion.h"
#include "support/Files.h"
#include "support/Player.h"

namespace {
// The player's windows come and go without the two seconds' wait.
const auto* const gPlayer = testing::AddGlobalTestEnvironment(new TUnmanagedPlayer);

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

INSTANTIATE_TEST_SUITE_P(Arguments, PelorinPlacement,
                         testing::Values(TPlacementCase{"40 50", 40, 50, 640, 480},
                                         TPlacementCase{"40 50 320 240", 40, 50, 320, 240},
                                         TPlacementCase{"100 -1", 100, 117, 640, 480},  // the designed top
                                         TPlacementCase{"$10 0x10", 16, 16, 640, 480},
                                         TPlacementCase{"0 0 320 0", 0, 0, 320, 480},
                                         TPlacementCase{"40 50 320 240 999", 40, 50, 320, 240},  // a sixth is ignored
                                         TPlacementCase{"40", -1, -1, 640, 480},         // a lone left is ignored
                                         TPlacementCase{"40 50 320", 40, 50, 640, 480},  // a lone width is ignored
                                         TPlacementCase{"abc -5", -1, -1, 640, 480}));

TEST(Pelorin, UnplayableFileIsReportedOnceAndTheViewerEndsWithCodeOne) {
    // The one opening refuses it; no window is left waiting, and a script
    // learns of the failure from the exit code.
    auto code = RunRefused(Quoted(TestData(kUnplayable)), [](HWND box) {
        TMessageBoxInfo msg;
        ASSERT_TRUE(ReadMessageBox(box, msg));
        EXPECT_EQ(msg.Text, "このファイルは再生できません");
        EXPECT_EQ(msg.Caption, "Pelorin");
        EXPECT_EQ(msg.Buttons, std::vector<std::string>{"OK"});
        EXPECT_FALSE(msg.HasIcon);
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1u);
}

// --- Texts and file names whatever the code page ---------------------------
// These cases run twice: with the other cases under the Japanese locale (code
// page 932), and alone under LANG=C.UTF-8 (CTest's pelorin_code_page_1252),
// where the ANSI code page holds none of the Japanese texts nor Hangul. Read
// as UTF-16 from outside, the texts and names must be whole either way; read
// as ANSI on the Japanese system, the texts are the Shift-JIS bytes they
// always were.

namespace {
UINT ExpectedCodePage() {
    const char* cp = std::getenv("PELORIN_EXPECT_ACP");
    return cp && *cp ? static_cast<UINT>(std::atoi(cp)) : 932;
}

std::string AnsiText(HWND wnd) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

// A visible top-level window of the process with this class and caption.
HWND WaitForWindowOf(DWORD pid, const wchar_t* cls, const std::string& caption) {
    struct TSearch {
        DWORD Pid;
        const wchar_t* Class;
        std::wstring Caption;
        HWND Found;
    } search{pid, cls, Utf8ToWide(caption), nullptr};
    struct TVisit {
        // A named function with the system's calling convention (CALLBACK):
        // in 32 bits a lambda's is not the one EnumWindows calls with.
        static BOOL CALLBACK Window(HWND wnd, LPARAM data) {
            auto* s = reinterpret_cast<TSearch*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(wnd, &owner);
            wchar_t name[64] = {}, text[256] = {};
            GetClassNameW(wnd, name, 64);
            GetWindowTextW(wnd, text, 256);
            if (owner == s->Pid && IsWindowVisible(wnd) && s->Caption == text && lstrcmpW(name, s->Class) == 0) {
                s->Found = wnd;
                return FALSE;
            }
            return TRUE;
        }
    };
    for (int i = 0; i < 300 && !search.Found; ++i) {
        EnumWindows(&TVisit::Window, reinterpret_cast<LPARAM>(&search));
        if (!search.Found)
            Sleep(Scaled(50));
    }
    return search.Found;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<std::string> ChildTexts(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> texts;
    for (HWND child : children)
        if (std::string text = TextOf(child); !text.empty())
            texts.push_back(text);
    return texts;
}

bool Contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}
}  // namespace

TEST(AnyCodePage, TheCasesRunUnderTheCodePageTheyAreMeantFor) {
    EXPECT_EQ(GetACP(), ExpectedCodePage());
}

TEST(AnyCodePage, AboutBoxCaptionAndLabelsAreJapanese) {
    TPlayerProcess player("");
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    // ヘルプ(&H), then Pelorinについて(&A)..., by their access keys: the
    // second once the menu is open (the menu loop opens it by a key of its own).
    PostMessageW(wnd, WM_SYSCOMMAND, SC_KEYMENU, 'h');
    ASSERT_NE(WaitForWindowOf(player.ProcessId(), L"#32768", ""), nullptr) << "the Help menu did not open";
    PostMessageW(wnd, WM_CHAR, 'a', 0);
    HWND about = WaitForWindowOf(player.ProcessId(), L"Pelorin.TForm", "バージョン情報");
    ASSERT_NE(about, nullptr) << "no About box";
    const std::vector<std::string> labels = ChildTexts(about);
    for (const char* text : {"Pelorin", "Ver.0.92.0.18", "Copyright (c) 2026 Pelorin の開発者たち",
                             "DirectShow 宣言 / ﾌｧｲﾙﾄﾞﾛｯﾌﾟｺﾝﾎﾟｰﾈﾝﾄ Ver1.00", "を使っています", "OK"})
        EXPECT_TRUE(Contains(labels, text)) << text << " is not among " << testing::PrintToString(labels);
    if (GetACP() == 932) {
        EXPECT_EQ(AnsiText(about), "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1");  // バージョン情報
        std::vector<HWND> children;
        EnumChildWindows(about, &CollectChild, reinterpret_cast<LPARAM>(&children));
        std::vector<std::string> ansi;
        for (HWND child : children)
            ansi.push_back(AnsiText(child));
        EXPECT_TRUE(Contains(ansi, "Copyright (c) 2026 Pelorin \x82\xCC\x8AJ\x94\xAD\x8E\xD2\x82\xBD\x82\xBF"));
        EXPECT_TRUE(Contains(ansi,
                             "DirectShow \x90\xE9\x8C\xBE / "
                             "\xCC\xA7\xB2\xD9\xC4\xDE\xDB\xAF\xCC\xDF\xBA\xDD\xCE\xDF\xB0\xC8\xDD\xC4 Ver1.00"));
    }
    PostMessageW(about, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && IsWindowVisible(about); ++i)
        Sleep(50);
    CloseAndExpectExit(player, wnd);
}

TEST(AnyCodePage, UnplayableFileMessageIsJapanese) {
    auto code = RunRefused(Quoted(TestData(kUnplayable)), [](HWND box) {
        TMessageBoxInfo msg;
        ASSERT_TRUE(ReadMessageBox(box, msg));
        EXPECT_EQ(msg.Text, "このファイルは再生できません");
        EXPECT_EQ(msg.Caption, "Pelorin");
        if (GetACP() == 932) {
            HWND text = GetDlgItem(box, 0xFFFF);  // the box's text
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(AnsiText(text),
                      "\x82\xB1\x82\xCC\x83t\x83@\x83"
                      "C\x83\x8B\x82\xCD\x8D\xC4\x90\xB6\x82\xC5\x82\xAB"
                      "\x82\xDC\x82\xB9\x82\xF1");
        }
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1u);
}

// One viewer run per kind of name: the file is found, played once, and the
// caption names it exactly.
class AnyFileName : public testing::TestWithParam<const char*> {};

TEST_P(AnyFileName, ViewerModePlaysTheFileAndNamesIt) {
    const std::string name = GetParam();
    TScratchFolder folder("Видео 表");
    TBytes clip;
    ASSERT_TRUE(ReadBytes(TestData(kClip), clip));
    const std::string path = folder / name;
    ASSERT_TRUE(WriteBytes(path, clip));
    TPlayerProcess player(Quoted(path) + " 30 40");
    HWND wnd = player.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    TWindowInfo info = ReadWindowInfo(wnd);
    EXPECT_EQ(info.Caption, "Pelorin -" + name + "-");
    EXPECT_EQ(info.Client.cx, 640);
    EXPECT_EQ(info.Client.cy, 480);
    EXPECT_EQ(info.Window.left, 30);
    ExpectViewerFrame(info);
    DWORD code = 1234;
    ASSERT_TRUE(player.WaitForExit(60000, &code)) << "the viewer did not close at the end of the clip";
    EXPECT_EQ(code, 0u);
}

std::string KindOfName(const testing::TestParamInfo<const char*>& info) {
    static const char* const kKinds[] = {"Accents", "Hangul", "AstralAndEmoji"};
    return kKinds[info.index];
}

INSTANTIATE_TEST_SUITE_P(AnyCodePage, AnyFileName,
                         testing::Values("Amélie.avi",       // accents (in code page 1252, not 932)
                                         "한글 동영상.avi",  // Hangul (in neither)
                                         "𠮷野家 😀.avi"),    // outside the basic plane, an emoji
                         KindOfName);
