// The version reader and the About box: the program's own version resource,
// resources made for the purpose, and the dialog in process with real windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/TextConversion.h"
#include "support/Dialogs.h"
#include "support/Paths.h"
#include "support/Pump.h"
#include "ui/UAbout.h"

namespace {
const char kCopyright[] = "Copyright (c) 2026 Pelorin の開発者たち";
const char kComments[] = "DirectShow 宣言 / ﾌｧｲﾙﾄﾞﾛｯﾌﾟｺﾝﾎﾟｰﾈﾝﾄ Ver1.00";

// A library made by the test build with a version resource (or none).
std::string VersionFile(const std::string& name) {
    const char* dir = std::getenv("PELORIN_VERSION_DIR");
    return dir ? WinePath(std::string(dir) + "/" + name + ".dll") : "";
}

std::string SelfPath() {
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
}

int LineHeight(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight;
}

RECT ScreenRect(TWinControl* c) {
    RECT r;
    GetWindowRect(c->Handle(), &r);
    return r;
}

int ScreenPixelsPerInch() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

// The screen setting a test process was started with by another (see
// AboutBoxScreens), or 96, the setting of the test prefix.
int ExpectedPixelsPerInch() {
    const char* dpi = std::getenv("PELORIN_ABOUT_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

// The size of a window's own text in the font the window draws it with.
SIZE TextExtent(HWND wnd) {
    std::wstring text = Utf8ToWide(TextOf(wnd));
    HDC dc = GetDC(wnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(wnd, dc);
    size.cy = tm.tmHeight;
    return size;
}

// Where the settings of a new process's screen are read from.
class TScreenSetting {
public:
    explicit TScreenSetting(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &FKey, nullptr);
        DWORD size = sizeof FOld;
        FHadOld = RegQueryValueExA(FKey, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&FOld), &size) ==
                  ERROR_SUCCESS;
        RegSetValueExA(FKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    // Put back at once: every later process of the prefix would read it.
    ~TScreenSetting() {
        if (FHadOld)
            RegSetValueExA(FKey, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&FOld), sizeof FOld);
        else
            RegDeleteValueA(FKey, "LogPixels");
        RegCloseKey(FKey);
    }

private:
    HKEY FKey = nullptr;
    DWORD FOld = 0;
    bool FHadOld = false;
};

// Runs this test program again with a GoogleTest filter and extra
// environment; its output (both streams) is returned, its exit code stored.
std::string RunSelf(const std::string& filter, const char* variable, const std::string& value, DWORD* exitCode) {
    char temp[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "abt", 0, file);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string self = SelfPath();
    std::string line = "\"" + self + "\" --gtest_color=no --gtest_filter=" + filter;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    SetEnvironmentVariableA(variable, value.c_str());
    BOOL started = CreateProcessA(self.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(variable, nullptr);
    CloseHandle(out);
    *exitCode = 0xFFFFFFFF;
    if (started) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(file);
    return started ? text : "could not start " + self;
}
}  // namespace

TEST(ReadVersionString, ProgramsOwnResourceGivesTheFourValues) {
    // The program and this test carry the same resource script.
    for (std::string file :
         {std::string(std::getenv("PELORIN_EXE") ? WinePath(std::getenv("PELORIN_EXE")) : ""), SelfPath()}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(PathExists(file));
        EXPECT_EQ(ReadVersionString(file, "ProductName"), "Pelorin");
        EXPECT_EQ(ReadVersionString(file, "FileVersion"), "0.92.0.18");
        EXPECT_EQ(ReadVersionString(file, "LegalCopyright"), kCopyright);
        EXPECT_EQ(ReadVersionString(file, "Comments"), kComments);
        EXPECT_EQ(ReadVersionString(file, "ProductVersion"), "0.91");
        EXPECT_EQ(ReadVersionString(file, "OriginalFilename"), "Pelorin.exe");
        EXPECT_EQ(ReadVersionString(file, "CompanyName"), "");
        EXPECT_EQ(ReadVersionString(file, "NoSuchKey"), "");
    }
}

TEST(ReadVersionString, FixedPartSaysTheOlderVersionAndAnApplication) {
    std::string file = SelfPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(91, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(18, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(91, 0));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    // One translation: Japanese, code page 932.
    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 932);
}

TEST(ReadVersionString, FilesWithoutUsableTablesGiveEmptyValuesQuietly) {
    // No resource at all, and a file that does not exist.
    for (std::string file : {VersionFile("noversion"), WinePath("/nonexistent/nothing.dll")})
        for (const char* key : {"ProductName", "FileVersion", "LegalCopyright", "Comments"})
            EXPECT_EQ(ReadVersionString(file, key), "") << file << " " << key;

    // A translation naming a string table that does not exist.
    std::string missing = VersionFile("missingtable");
    for (const char* key : {"ProductName", "FileVersion", "LegalCopyright", "Comments"})
        EXPECT_EQ(ReadVersionString(missing, key), "") << key;

    // Only the missing key is empty.
    std::string noComments = VersionFile("nocomments");
    EXPECT_EQ(ReadVersionString(noComments, "ProductName"), "NoComments");
    EXPECT_EQ(ReadVersionString(noComments, "FileVersion"), "1.2.3.4");
    EXPECT_EQ(ReadVersionString(noComments, "LegalCopyright"), "(C) test");
    EXPECT_EQ(ReadVersionString(noComments, "Comments"), "");
}

TEST(ReadVersionString, FirstTranslationOnlyAndBlockNamesInAnyCase) {
    std::string several = VersionFile("several");
    EXPECT_EQ(ReadVersionString(several, "ProductName"), "First");
    // The second table has it, but the second translation does not count.
    EXPECT_EQ(ReadVersionString(several, "Comments"), "");
    // Our own block is named in upper case; this one in lower case.
    EXPECT_EQ(ReadVersionString(VersionFile("lowercase"), "ProductName"), "Lower");
}

TEST(ReadVersionString, MissingTranslationTableRaisesTheSystemError) {
    try {
        ReadVersionString(VersionFile("notranslation"), "ProductName");
        FAIL() << "no error raised";
    } catch (const Exception& e) {
        const std::string& m = e.Message();
        bool coded = m.rfind("システムエラー。コード：", 0) == 0;
        EXPECT_TRUE(coded || m == "OS 機能呼び出しの失敗") << m;
    }
}

TEST(OSError, MessagesForACodeAndForNone) {
    EXPECT_EQ(OSErrorMessage(0, "ignored"), "OS 機能呼び出しの失敗");
    EXPECT_EQ(OSErrorMessage(5, "Access denied."), "システムエラー。コード：5.\r\nAccess denied.");
    EXPECT_EQ(OSErrorMessage(-2147024891, "x"), "システムエラー。コード：-2147024891.\r\nx");

    SetLastError(ERROR_FILE_NOT_FOUND);
    try {
        RaiseLastOSError();
    } catch (const Exception& e) {
        std::string head = "システムエラー。コード：2.\r\n";
        ASSERT_EQ(e.Message().compare(0, head.size(), head), 0) << e.Message();
        // The system's description follows, without a trailing line break.
        std::string description = e.Message().substr(head.size());
        EXPECT_FALSE(description.empty());
        EXPECT_NE(description.back(), '\n');
    }
    SetLastError(0);
    try {
        RaiseLastOSError();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "OS 機能呼び出しの失敗");
    }
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->CreateForm(AboutBox);
        ASSERT_NE(AboutBox, nullptr);
    }
    void TearDown() override {
        delete AboutBox;
        AboutBox = nullptr;
    }
};

TEST_F(AboutBoxTest, FilledAtCreationAndLaidOutAsDesigned) {
    EXPECT_EQ(AboutBox->ProductName->Caption(), "Pelorin");
    EXPECT_EQ(AboutBox->Version->Caption(), "Ver.0.92.0.18");
    EXPECT_EQ(AboutBox->Copyright->Caption(), kCopyright);
    EXPECT_EQ(AboutBox->Comments->Caption(), kComments);
    EXPECT_EQ(AboutBox->Label1->Caption(), "を使っています");
    EXPECT_EQ(AboutBox->BitBtn1->Caption(), "OK");
    EXPECT_FALSE(AboutBox->Visible());
    EXPECT_FALSE(AboutBox->HandleAllocated() && IsWindowVisible(AboutBox->Handle()));

    // Designed for 96 pixels per inch, which is what this screen has.
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(AboutBox->ClientWidth(), 298);
    EXPECT_EQ(AboutBox->ClientHeight(), 173);
    EXPECT_EQ(AboutBox->Panel1->Left(), 8);
    EXPECT_EQ(AboutBox->Panel1->Width(), 281);
    EXPECT_EQ(AboutBox->ProgramIcon->Width(), 57);
    EXPECT_EQ(AboutBox->ProgramIcon->Height(), 57);
    // One line of the form's font: 12 pixels where the font has no leading.
    EXPECT_EQ(AboutBox->ProductName->Height(), LineHeight(AboutBox->FontHandle()));
    EXPECT_LE(AboutBox->ProductName->Height(), 14);
    EXPECT_EQ(AboutBox->BitBtn1->Top(), 144);

    // Labels take the size of their text; the note stands below the credit line.
    RECT comments = ScreenRect(AboutBox->Comments), note = ScreenRect(AboutBox->Label1);
    EXPECT_GT(comments.right - comments.left, 100);
    EXPECT_GE(note.top, comments.bottom);
    EXPECT_EQ(TextOf(AboutBox->Comments->Handle()), kComments);
    EXPECT_EQ(TextOf(AboutBox->Handle()), "バージョン情報");

    // The form's font by its Japanese name, whatever the system's code page.
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(AboutBox->FontHandle(), sizeof(font), &font));
    EXPECT_STREQ(font.lfFaceName, L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");  // ＭＳ Ｐゴシック
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);

    // The picture: the icon as a 32 x 32, 256-colour bitmap, stretched.
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(AboutBox->ProgramIcon->Picture(), sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    EXPECT_EQ(bm.bmBitsPixel, 8);
    EXPECT_TRUE(AboutBox->ProgramIcon->Stretch());
}

TEST_F(AboutBoxTest, ModalOnTopClosedByOkOrCloseBoxAndShownAgainUnchanged) {
    auto owner = std::make_unique<TForm>(Application);
    owner->Show();
    HWND ownerWnd = owner->Handle();

    struct TSeen {
        bool ownerEnabled = true, topmost = true, dialogFrame = false, visible = false;
        HWND owner = nullptr;
        std::string caption, version;
        POINT centre{};
    };
    auto showAndClose = [&](bool byCloseBox) {
        TSeen seen;
        HWND box = AboutBox->Handle();
        auto closer = [&] {
            seen.ownerEnabled = IsWindowEnabled(ownerWnd) != 0;
            seen.visible = IsWindowVisible(box) != 0;
            seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            seen.owner = GetWindow(box, GW_OWNER);
            seen.dialogFrame = !(GetWindowLongA(box, GWL_STYLE) & WS_THICKFRAME);
            seen.caption = TextOf(box);
            seen.version = TextOf(AboutBox->Version->Handle());
            RECT r;
            GetWindowRect(box, &r);
            seen.centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            if (byCloseBox) {
                PostMessageA(box, WM_CLOSE, 0, 0);
            } else {
                // A click on OK, as the mouse makes it.
                HWND ok = AboutBox->BitBtn1->Handle();
                PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            }
        };
        // The closing happens from inside the modal loop.
        RunSoon(closer, 300);
        int result = AboutBox->ShowModal();
        EXPECT_EQ(result, mrCancel);
        EXPECT_FALSE(IsWindowVisible(box));
        EXPECT_TRUE(IsWindowEnabled(ownerWnd));
        // Hidden, it belongs to no window: a main form made anew (full
        // screen) must not take it along.
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        return seen;
    };

    for (bool byCloseBox : {false, true}) {
        TSeen seen = showAndClose(byCloseBox);
        EXPECT_TRUE(seen.visible);
        EXPECT_FALSE(seen.ownerEnabled) << "the main window must wait while the box is shown";
        // Above the window it was shown over, not above other programs.
        EXPECT_EQ(seen.owner, ownerWnd);
        EXPECT_FALSE(seen.topmost);
        EXPECT_TRUE(seen.dialogFrame);
        EXPECT_EQ(seen.caption, "バージョン情報");
        EXPECT_EQ(seen.version, "Ver.0.92.0.18");
        EXPECT_NEAR(seen.centre.x, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
        EXPECT_NEAR(seen.centre.y, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    }
    // Still the same form, not destroyed by closing.
    EXPECT_EQ(AboutBox->ProductName->Caption(), "Pelorin");
}

namespace {
// Every text of the box whole and inside its panel (or, for the button's, its
// button), read from the windows themselves.
void ExpectEveryTextWholeAndInsideItsPanel() {
    HWND form = AboutBox->Handle(), panel = AboutBox->Panel1->Handle();

    // The panel's inside: its client area less the two bevels.
    RECT inside;
    GetClientRect(panel, &inside);
    InflateRect(&inside, -2, -2);
    MapWindowPoints(panel, nullptr, reinterpret_cast<POINT*>(&inside), 2);
    RECT client;
    GetClientRect(form, &client);
    MapWindowPoints(form, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_TRUE(Inside(ScreenRect(AboutBox->Panel1), client)) << "the panel leaves the box";

    std::vector<RECT> taken = {ScreenRect(AboutBox->ProgramIcon)};
    EXPECT_TRUE(Inside(taken[0], inside)) << "the icon leaves the panel";
    for (TWinControl* label : std::initializer_list<TWinControl*>{
             AboutBox->ProductName, AboutBox->Version, AboutBox->Copyright, AboutBox->Comments, AboutBox->Label1}) {
        HWND wnd = label->Handle();
        std::string text = TextOf(wnd);
        SCOPED_TRACE(text);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(GetParent(wnd), panel);
        RECT r = ScreenRect(label);
        SIZE extent = TextExtent(wnd);
        // The label holds all of its text, and the panel all of the label.
        EXPECT_GE(r.right - r.left, extent.cx);
        EXPECT_GE(r.bottom - r.top, extent.cy);
        EXPECT_TRUE(Inside(r, inside)) << Describe(r) << " is not inside the panel's " << Describe(inside);
        for (const RECT& other : taken) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << Describe(r) << " covers " << Describe(other);
        }
        taken.push_back(r);
    }

    RECT button = ScreenRect(AboutBox->BitBtn1);
    EXPECT_TRUE(Inside(button, client)) << "the button leaves the box";
    RECT overlap, panelRect = ScreenRect(AboutBox->Panel1);
    EXPECT_FALSE(IntersectRect(&overlap, &button, &panelRect));
    SIZE caption = TextExtent(AboutBox->BitBtn1->Handle());
    EXPECT_LT(caption.cx, button.right - button.left);
    EXPECT_LT(caption.cy, button.bottom - button.top);
}
}  // namespace

// At this process's screen setting.
TEST_F(AboutBoxTest, EveryTextWholeAndInsideItsPanel) {
    ASSERT_EQ(ScreenPixelsPerInch(), ExpectedPixelsPerInch());
    ExpectEveryTextWholeAndInsideItsPanel();
}

// The same at the larger screen settings users choose: each in a process of
// its own, as a program reads the setting when it starts.
TEST(AboutBoxScreens, EveryTextWholeAndInsideItsPanelAt120And144PixelsPerInch) {
    if (std::getenv("PELORIN_ABOUT_DPI"))
        GTEST_SKIP() << "started by this test";
    for (DWORD dpi : {120u, 144u}) {
        SCOPED_TRACE(std::to_string(dpi) + " pixels per inch");
        DWORD exitCode;
        std::string output;
        {
            TScreenSetting setting(dpi);
            output = RunSelf("AboutBoxTest.EveryTextWholeAndInsideItsPanel", "PELORIN_ABOUT_DPI", std::to_string(dpi),
                             &exitCode);
        }
        EXPECT_EQ(exitCode, 0u) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    }
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
}

// The keys of a dialog box: Enter and Esc close it like its OK button, and
// Space presses the button whenever it has the keyboard, also after the user
// switched to another window and back.
TEST_F(AboutBoxTest, EnterEscAndSpaceAfterSwitchingAwayCloseIt) {
    auto owner = std::make_unique<TForm>(Application);
    owner->Show();
    HWND box = AboutBox->Handle();
    enum TWay { wEnter, wEsc, wSpaceAfterSwitching };
    for (TWay way : {wEnter, wEsc, wSpaceAfterSwitching}) {
        SCOPED_TRACE(way);
        bool focusBack = false, gaveUp = false;
        RunSoon(
            [&] {
                HWND target = box;
                if (way == wSpaceAfterSwitching) {
                    // Another window of the program takes the keyboard, then
                    // the box is activated again.
                    TForm other(nullptr);
                    other.Show();
                    SetActiveWindow(other.Handle());
                    PumpFor(100);
                    SetActiveWindow(box);
                    PumpFor(100);
                    focusBack = GetFocus() == AboutBox->BitBtn1->Handle();
                    target = GetFocus();
                }
                const WPARAM key = way == wEnter ? VK_RETURN : way == wEsc ? VK_ESCAPE : VK_SPACE;
                PostMessageA(target, WM_KEYDOWN, key, 1);
                PostMessageA(target, WM_KEYUP, key, 0xC0000001);
                // A key that does nothing would leave the box up for good.
                RunSoon(
                    [&] {
                        gaveUp = true;
                        PostMessageA(box, WM_CLOSE, 0, 0);
                    },
                    3000);
            },
            200);
        EXPECT_EQ(AboutBox->ShowModal(), mrCancel);
        RunSoon([] {}, 1);  // the fall-back is not needed any more
        EXPECT_FALSE(gaveUp) << "the key did not close the box";
        if (way == wSpaceAfterSwitching) {
            EXPECT_TRUE(focusBack) << "the button did not get the keyboard back";
        }
        EXPECT_FALSE(IsWindowVisible(box));
    }
}

// Sharp at any display scale: when the box meets another scale (moved to
// another monitor, the scale changed), its font, labels, picture and button
// follow and it takes the rectangle Windows suggests; and back again.
TEST_F(AboutBoxTest, FollowsTheDisplayScaleItMeets) {
    ASSERT_EQ(ScreenPixelsPerInch(), 96);
    AboutBox->Show();
    auto changeTo = [&](int ppi) {
        RECT r;
        GetWindowRect(AboutBox->Handle(), &r);
        const int from = AboutBox->CurrentPixelsPerInch();
        RECT suggested{r.left + 10, r.top + 20, r.left + 10 + MulDiv(r.right - r.left, ppi, from),
                       r.top + 20 + MulDiv(r.bottom - r.top, ppi, from)};
        SendMessageW(AboutBox->Handle(), WM_DPICHANGED, MAKEWPARAM(ppi, ppi), reinterpret_cast<LPARAM>(&suggested));
        RECT now;
        GetWindowRect(AboutBox->Handle(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << Describe(now) << " is not the suggested " << Describe(suggested);
    };

    changeTo(144);
    EXPECT_EQ(AboutBox->CurrentPixelsPerInch(), 144);
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(AboutBox->FontHandle(), sizeof(font), &font));
    EXPECT_EQ(font.lfHeight, -18);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(AboutBox->Comments->Handle(), WM_GETFONT, 0, 0)),
              AboutBox->FontHandle());
    EXPECT_EQ(AboutBox->ProgramIcon->Width(), 86);  // 57 x 1.5, rounded
    EXPECT_EQ(AboutBox->BitBtn1->Width(), 113);
    EXPECT_EQ(AboutBox->BitBtn1->Top(), 216);
    EXPECT_EQ(AboutBox->ProductName->Height(), LineHeight(AboutBox->FontHandle()));
    ExpectEveryTextWholeAndInsideItsPanel();

    changeTo(96);
    ASSERT_TRUE(GetObjectW(AboutBox->FontHandle(), sizeof(font), &font));
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(AboutBox->ProgramIcon->Width(), 57);
    EXPECT_EQ(AboutBox->BitBtn1->Width(), 75);
    EXPECT_EQ(AboutBox->BitBtn1->Height(), 25);
    ExpectEveryTextWholeAndInsideItsPanel();
    AboutBox->Hide();
}

// A setting of the process's manifest as Windows reads it ("" for none).
std::wstring ManifestSetting(const wchar_t* nameSpace, const wchar_t* name) {
    wchar_t value[128] = L"";
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, nullptr, nameSpace, name, value, 128, &written))
        return L"";
    return value;
}

// This test program carries the program's resources, its manifest among them:
// the process gets what the program gets from Windows.
TEST(Manifest, AwareOfEachMonitorsScaleWithCommonControls6) {
    const wchar_t* k2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
    const wchar_t* k2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    const wchar_t* k2019 = L"http://schemas.microsoft.com/SMI/2019/WindowsSettings";
    // PerMonitorV2 first, PerMonitor where Windows lacks it; dpiAware for the
    // systems before 8.1, which read nothing else.
    EXPECT_EQ(ManifestSetting(k2016, L"dpiAwareness"), L"PerMonitorV2, PerMonitor");
    EXPECT_EQ(ManifestSetting(k2005, L"dpiAware"), L"true/pm");
    // Deliberately not: the names keep the 260-unit rule, and the text the
    // system's ANSI code page (the Western code-page suite relies on it).
    EXPECT_EQ(ManifestSetting(k2016, L"longPathAware"), L"");
    EXPECT_EQ(ManifestSetting(k2019, L"activeCodePage"), L"");

    // What the process got (Wine gives per-monitor awareness, the first form
    // it knows, and so does Windows from the setting above).
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using GetAwareness = int(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    auto getContext = reinterpret_cast<GetContext>(GetProcAddress(user32, "GetThreadDpiAwarenessContext"));
    auto getAwareness = reinterpret_cast<GetAwareness>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext"));
    ASSERT_TRUE(getContext && getAwareness);
    EXPECT_EQ(getAwareness(getContext()), 2) << "DPI_AWARENESS_PER_MONITOR_AWARE";

    // The common controls the activation context names: version 6, from the
    // side-by-side store (Wine's reports 5.81 from either, so the file says).
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(comctl, path, MAX_PATH);
    EXPECT_NE(std::string(CharLowerA(path)).find("common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
    FreeLibrary(comctl);
}
