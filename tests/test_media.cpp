// Real media through the real program: each clip is played by Pelorin.exe in
// the command-line viewer mode and watched from outside, as a user would see
// it. A clip either plays (the window takes the video's size, the picture
// shows, moves and fills the window, and the program ends by itself with exit
// code 0) or is refused with "このファイルは再生できません" and nothing else
// happens. What every clip did is written to a table for users to read.
//
// The generated clips come from scripts/make-media (folder PELORIN_MEDIA);
// the small third-party files are in the test data.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/Player.h"
#include "support/Screen.h"

namespace {

// How long after its own length a clip may take to end the program: start-up,
// two openings and the end of the stream, on a machine under load.
constexpr DWORD ExitBoundMs = 30000;
// The client size the window is given to see the picture follow it.
constexpr int ResizedWidth = 480;
constexpr int ResizedHeight = 360;

enum class TExpect {
    Plays,      // picture and sound (or picture only)
    SoundOnly,  // plays, with no picture
    Refused,    // "このファイルは再生できません"
};

struct TMediaCase {
    const char* File;
    bool Generated;  // from scripts/make-media; else from the test data
    const char* Format;
    int Width, Height;  // of the video; 0 without
    double Seconds;     // the clip's length
    bool Moving;        // the picture changes while it plays
    TExpect Expect;
    const char* Note;  // why a clip is refused, or what is special about it
};

const TMediaCase Cases[] = {
    {"h264-aac.mp4", true, "H.264 + AAC in MP4", 320, 240, 3, true, TExpect::Plays, ""},
    {"mpeg4-mp3.avi", true, "MPEG-4 part 2 + MP3 in AVI", 320, 240, 3, true, TExpect::Plays, ""},
    {"mjpeg-pcm.avi", true, "MJPEG + PCM in AVI", 320, 240, 3, true, TExpect::Plays, ""},
    {"rgb.avi", true, "uncompressed RGB + PCM in AVI", 160, 120, 3, true, TExpect::Plays, ""},
    {"mpeg1-mp2.mpg", true, "MPEG-1 + MP2 program stream", 320, 240, 3, true, TExpect::Plays,
     "its streams start half a second in (the muxer's preload), and the first frame stands that long"},
    {"wmv2-wma.wmv", true, "WMV2 + WMA in ASF", 320, 240, 3, true, TExpect::Plays, ""},
    {"vp8-vorbis.webm", true, "VP8 + Vorbis in WebM", 320, 240, 3, true, TExpect::Plays, ""},
    {"theora-vorbis.ogv", true, "Theora + Vorbis in Ogg", 320, 240, 3, true, TExpect::Plays, ""},
    {"sound.mp3", true, "MP3, sound only", 0, 0, 2, false, TExpect::SoundOnly, ""},
    {"sound.wav", true, "PCM WAV, sound only", 0, 0, 2, false, TExpect::SoundOnly, ""},
    {"silent.avi", true, "MPEG-4 part 2 in AVI, no sound", 320, 240, 3, true, TExpect::Plays, ""},
    {"h264-1080p.mp4", true, "H.264 + AAC in MP4, 1920 x 1080", 1920, 1080, 3, true, TExpect::Plays, ""},
    {"odd-321x241.avi", true, "RGB + MP3 in AVI, odd size", 321, 241, 3, true, TExpect::Plays, ""},
    {"tiny-2x2.avi", true, "RGB + MP3 in AVI, 2 x 2", 2, 2, 3, true, TExpect::Plays, ""},
    {"one-frame.avi", true, "MPEG-4 part 2 in AVI, one frame", 320, 240, 0.0667, false, TExpect::Plays,
     "over before its picture can be watched: only its window size and its end are checked"},
    {"one-pixel.avi", true, "MPEG-4 part 2 in AVI, 1 x 1", 1, 1, 3, true, TExpect::Plays, ""},
    {"msmpeg4v3.avi", true, "MS-MPEG-4 v3 + MP3 in AVI", 320, 240, 3, true, TExpect::Plays, ""},
    // Third-party files: the smallest valid files of their formats.
    // Its header says a second, but its one frame has no duration: the
    // renderer ends the stream as soon as the frame is drawn (0.2 s after the
    // start here), too soon for the picture to be caught every time.
    {"webm.webm", false, "VP8 in WebM, 8 x 8 (third-party)", 8, 8, 0, false, TExpect::Plays,
     "one white picture without a duration (the header says a second): over as soon as it is drawn; "
     "only its window size and its end are checked"},
    {"mp3.mp3", false, "MP3, one frame (third-party)", 0, 0, 0.072, false, TExpect::SoundOnly, ""},
    {"wav.wav", false, "PCM WAV, no samples (third-party)", 0, 0, 0, false, TExpect::SoundOnly,
     "no samples: the program may end before its window can be looked at"},
    {"mp4-with-audio.mp4", false, "AAC in MP4 (third-party)", 0, 0, 0.046, false, TExpect::SoundOnly, ""},
    {"AudioVideoInterleave.avi", false, "MPEG-4 part 2 in AVI, 1 x 1 (third-party)", 1, 1, 0, false, TExpect::Refused,
     "RenderFile fails (VFW_E_CANNOT_RENDER): the stream holds no picture that a decoder can read (ffmpeg "
     "decodes none either); a whole 1 x 1 MPEG-4 AVI (`one-pixel.avi`) plays"},
    {"WindowsMediaVideo.wmv", false, "MS-MPEG-4 v3 in ASF, 1 x 1 (third-party)", 1, 1, 0, false, TExpect::Refused,
     "RenderFile fails (VFW_E_CANNOT_RENDER): as above, no readable picture (ffmpeg decodes none); "
     "the codec itself plays (`msmpeg4v3.avi`)"},
    {"FlashVideo.flv", false, "FLV header only (third-party)", 0, 0, 0, false, TExpect::Refused,
     "RenderFile fails (VFW_E_CANNOT_RENDER): a header and no stream, nothing to render"},
    {"Mpeg4.mp4", false, "MP4 header only (third-party)", 0, 0, 0, false, TExpect::Refused,
     "RenderFile fails (VFW_E_CANNOT_RENDER): a header and no stream, nothing to render"},
};

void PrintTo(const TMediaCase& c, std::ostream* out) {
    *out << c.File;
}

// ------------------------------------------------------------------ results

struct TResult {
    bool Ran = false;
    std::string Outcome;
    std::string Size;          // what the window's client area became
    double ShownSeconds = -1;  // when its window or message was first seen
    double ExitSeconds = -1;
};

std::map<std::string, TResult>& Results() {
    static std::map<std::string, TResult> results;
    return results;
}

std::string ClipPath(const TMediaCase& c) {
    if (c.Generated) {
        const char* dir = std::getenv("PELORIN_MEDIA");
        if (!dir || !*dir)
            return {};
        return WinePath(std::string(dir) + "/" + c.File);
    }
    return TestData(c.File);
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

std::string ExpectText(TExpect e) {
    switch (e) {
        case TExpect::Plays: return "plays";
        case TExpect::SoundOnly: return "plays, sound only";
        case TExpect::Refused: return "refused";
    }
    return {};
}

// The table is UTF-8, whatever the narrow literals of this program are.
const char* U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// What make-media found the decoders to be, or nothing.
std::string DecoderVersion() {
    const char* dir = std::getenv("PELORIN_MEDIA");
    std::string text;
    if (FILE* f = dir ? std::fopen(WinePath(std::string(dir) + "/platform.txt").c_str(), "rb") : nullptr) {
        char line[200] = {};
        if (std::fgets(line, sizeof line, f))
            text = line;
        std::fclose(f);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string WineVersion() {
    using TGetVersion = const char*(CDECL*)();
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto get = ntdll ? reinterpret_cast<TGetVersion>(GetProcAddress(ntdll, "wine_get_version")) : nullptr;
    return get ? std::string("Wine ") + get() : "Windows";
}

// The player under test is built as this test program is.
std::string BuildText() {
    return sizeof(void*) == 4 ? "the 32-bit product" : "the 64-bit build of the product's sources";
}

// The table is written only when every clip ran: a partial run (a filter)
// would otherwise overwrite the whole table with a part of it.
void WriteResultsTable() {
    const char* target = std::getenv("PELORIN_MEDIA_RESULTS");
    if (!target || !*target)
        return;
    for (const TMediaCase& c : Cases)
        if (!Results()[c.File].Ran)
            return;
    std::string decoders = DecoderVersion();
    if (!decoders.empty())
        decoders = " (" + decoders + ")";
    FILE* f = std::fopen(WinePath(target).c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", target);
        return;
    }
    std::fprintf(f,
                 U8(u8"# What plays\n\n"
                    "The table below is Wine's and GStreamer's, not Windows': under Wine, DirectShow\n"
                    "decodes through GStreamer, which reads far more formats than Windows does as it\n"
                    "ships.\n\n"
                    "## On Windows as it ships\n\n"
                    "Microsoft's \"Supported Formats in DirectShow\" lists what DirectShow opens on a\n"
                    "stock Windows: ASF (WMV, WMA), AVI, WAV, AIFF, AU, MIDI, MPEG-1 and MP3. An AVI\n"
                    "file's picture shows only where its codec is installed. MP4, MKV and WebM open\n"
                    "only once a DirectShow splitter and decoder pack is installed, such as LAV\n"
                    "Filters (its 32-bit filters, for the 32-bit product); without one the player\n"
                    "says \"このファイルは再生できません\".\n\n"
                    "## Under Wine and GStreamer\n\n"
                    "Written by the media test (`scripts/test -R media`) from its last complete run:\n"
                    "every file below was played by `Pelorin.exe` in the viewer mode (`Pelorin.exe file`),\n"
                    "%s,\n"
                    "under %s with the GStreamer decoders that `scripts/setup` installs%s.\n"
                    "Pelorin parses no media itself: it plays what DirectShow renders completely.\n\n"
                    "\"Plays\" means the window took the video's size, the picture showed over all of\n"
                    "it as the control's own child window (for clips of half a second or more),\n"
                    "moved and filled the window again after a resize (for clips of 2 s or more),\n"
                    "and the program ended by itself with exit code 0 within the clip's length\n"
                    "plus %lu s. Sound-only files need only end\n"
                    "that way, without a message. \"Refused\" means the player showed\n"
                    "\"このファイルは再生できません\" once and ended by itself with exit code 1.\n"
                    "Both times count from the program's start: \"Shown\" when its window (for a\n"
                    "refused file, its message) was first seen, and \"Exit\" when the program ended.\n"
                    "The test's display has no window manager; the player's windows are unmanaged\n"
                    "there, so that Wine does not wait two seconds at each exit for one to answer.\n\n"
                    "| File | Format | Video size | Length | Client area | Outcome | Shown | Exit |\n"
                    "| --- | --- | --- | --- | --- | --- | --- | --- |\n"),
                 BuildText().c_str(), WineVersion().c_str(), decoders.c_str(),
                 static_cast<unsigned long>(ExitBoundMs / 1000));
    for (const TMediaCase& c : Cases) {
        const TResult& r = Results()[c.File];
        std::string video = c.Width ? SizeText(c.Width, c.Height) : "no video";
        std::string exit = r.ExitSeconds >= 0 ? Seconds(r.ExitSeconds) : U8(u8"—");
        std::string shown = r.ShownSeconds >= 0 ? Seconds(r.ShownSeconds) : U8(u8"—");
        std::fprintf(f, "| `%s` | %s | %s | %s | %s | %s | %s | %s |\n", c.File, c.Format, video.c_str(),
                     c.Expect == TExpect::Refused ? U8(u8"—") : Seconds(c.Seconds).c_str(),
                     r.Size.empty() ? U8(u8"—") : r.Size.c_str(), r.Outcome.c_str(), shown.c_str(), exit.c_str());
    }
    std::fprintf(f, "\n## Notes\n\n");
    for (const TMediaCase& c : Cases)
        if (*c.Note)
            std::fprintf(f, "- `%s`: %s.\n", c.File, c.Note);
    std::fclose(f);
}

class TResultsWriter : public testing::Environment {
public:
    void TearDown() override { WriteResultsTable(); }
};
const auto* const Writer = testing::AddGlobalTestEnvironment(new TResultsWriter);
// The player's windows come and go without the two seconds' wait.
const auto* const gPlayer = testing::AddGlobalTestEnvironment(new TUnmanagedPlayer);

// ------------------------------------------------------------------ screen

// The panel's own background, where no picture covers it.
uint32_t PanelColour() {
    COLORREF c = GetSysColor(COLOR_BTNFACE);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(d) > tolerance)
            return false;
    }
    return true;
}

// An empty stretch: nearly all one colour, and that colour the panel's or the
// black a video window shows where no picture is drawn.
bool Empty(const TCapture& area) {
    if (area.Pixels.empty() || Uniformity(area) < 0.9)
        return false;
    uint32_t dominant = DominantColor(area);
    return Near(dominant, PanelColour(), 6) || Near(dominant, 0, 6);
}

TCapture Part(const TCapture& whole, int left, int top, int width, int height) {
    TCapture part;
    part.Width = width;
    part.Height = height;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            part.Pixels.push_back(whole.Pixels[static_cast<size_t>(y) * whole.Width + x]);
    return part;
}

// The cells of a 4 x 4 grid over the capture that are empty, as "column,row".
std::string EmptyCells(const TCapture& capture) {
    std::string cells;
    const int n = 4;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            int x0 = capture.Width * col / n, x1 = capture.Width * (col + 1) / n;
            int y0 = capture.Height * row / n, y1 = capture.Height * (row + 1) / n;
            if (x1 > x0 && y1 > y0 && Empty(Part(capture, x0, y0, x1 - x0, y1 - y0)))
                cells += (cells.empty() ? "" : " ") + std::to_string(col) + "," + std::to_string(row);
        }
    return cells;
}

RECT ClientScreenRect(HWND wnd) {
    RECT r{};
    GetClientRect(wnd, &r);
    MapWindowPoints(wnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The part of the window's client area that is on the screen: a window
// larger than the screen shows only that much.
TCapture CaptureVisibleClient(HWND wnd) {
    RECT client = ClientScreenRect(wnd);
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                   GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT visible{};
    if (!IntersectRect(&visible, &client, &screen))
        return {};
    return CaptureScreen(visible);
}

RECT ScreenRect(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
}

std::string RectText(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
    return TRUE;
}

// The picture: a visible window inside a child of the main window (the movie
// control), or null.
HWND FindVideoWindow(HWND main) {
    std::vector<HWND> all;
    EnumChildWindows(main, &CollectChild, reinterpret_cast<LPARAM>(&all));
    for (HWND wnd : all) {
        HWND parent = GetParent(wnd);
        if (parent != main && parent && GetParent(parent) == main && IsWindowVisible(wnd))
            return wnd;
    }
    return nullptr;
}

// Gives the window this client size, as a user dragging its edge would, with
// all of it on the screen.
// The frame is measured again after each step: on a very narrow window the
// menu bar wraps to several lines, and unwraps once the window is wider.
void ResizeClient(HWND main, int width, int height) {
    for (int i = 0; i < 3; ++i) {
        RECT outer = ScreenRect(main);
        RECT client = ClientScreenRect(main);
        if (client.right - client.left == width && client.bottom - client.top == height)
            return;
        int frameX = (outer.right - outer.left) - (client.right - client.left);
        int frameY = (outer.bottom - outer.top) - (client.bottom - client.top);
        SetWindowPos(main, nullptr, 20, 20, width + frameX, height + frameY, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// ------------------------------------------------------------------ runs

std::string MessageText(HWND box) {
    TMessageBoxInfo info;
    ReadMessageBox(box, info);
    return info.Text;
}

class Media : public testing::TestWithParam<TMediaCase> {
protected:
    void SetUp() override {
        Path = ClipPath(GetParam());
        if (Path.empty() || !PathExists(Path))
            GTEST_SKIP() << "no clip " << GetParam().File << " (PELORIN_MEDIA or PELORIN_TEST_DATA not set?)";
        Result().Ran = true;
        Result().Outcome = "FAILED";
    }

    TResult& Result() { return Results()[GetParam().File]; }

    // Waits for the first thing the player shows: its main window, or a
    // message box. False when neither came or the program ended first.
    bool WaitForFirstSight(TPlayerProcess& player, HWND& main, HWND& box) {
        ULONGLONG deadline = GetTickCount64() + Scaled(60000);
        while (GetTickCount64() < deadline) {
            if ((box = player.WaitForMessageBox(0)))
                return true;
            if ((main = player.WaitForMainWindow(0)))
                return true;
            if (!player.Running())
                return false;
        }
        return false;
    }

    void CheckRefused(ULONGLONG started);
    void CheckPlays(TPlayerProcess& player, HWND main, ULONGLONG started);
    TCapture CheckResize(TPlayerProcess& player, HWND main, std::string& problems);
    void CheckEnd(TPlayerProcess& player, ULONGLONG started, std::string& problems);

    std::string Path;
};

// Refused: the message once, then the viewer ends by itself with exit code
// 1, having shown no picture.
void Media::CheckRefused(ULONGLONG started) {
    auto code = RunRefused("\"" + Path + "\"", [&](HWND box) {
        Result().ShownSeconds = (GetTickCount64() - started) / 1000.0;
        EXPECT_EQ(MessageText(box), "このファイルは再生できません");
    });
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1u);
    if (!HasFailure())
        Result().Outcome = "refused";
}

// Gives the window another size and waits for the picture to cover it all.
// Returns the capture that showed it, or nothing.
TCapture Media::CheckResize(TPlayerProcess& player, HWND main, std::string& problems) {
    ResizeClient(main, ResizedWidth, ResizedHeight);
    std::string resized;
    TCapture shot;
    ULONGLONG deadline = GetTickCount64() + Scaled(3000);
    do {
        Sleep(100);
        resized.clear();
        if (!player.Running()) {
            resized = "ended before the picture followed a resize";
            break;
        }
        TWindowInfo now = ReadWindowInfo(main);
        if (now.Client.cx != ResizedWidth || now.Client.cy != ResizedHeight) {
            resized = "client " + SizeText(now.Client.cx, now.Client.cy) + " after the resize";
            continue;
        }
        HWND pic = FindVideoWindow(main);
        RECT client = ClientScreenRect(main);
        RECT shown = pic ? ScreenRect(pic) : RECT{};
        if (!pic || !EqualRect(&client, &shown)) {
            resized = "video window " + RectText(shown) + " for the client " + RectText(client);
            continue;
        }
        shot = CaptureVisibleClient(main);
        std::string cells = EmptyCells(shot);
        if (!cells.empty())
            resized = "empty cells " + cells + " after the resize";
    } while (!resized.empty() && GetTickCount64() < deadline);
    if (!resized.empty()) {
        problems += resized + "; ";
        return {};
    }
    return shot;
}

void Media::CheckPlays(TPlayerProcess& player, HWND main, ULONGLONG started) {
    const TMediaCase& c = GetParam();
    TWindowInfo info = ReadWindowInfo(main);
    Result().Size = SizeText(info.Client.cx, info.Client.cy);
    bool video = c.Expect == TExpect::Plays;
    std::string problems;

    // The video's own size, or, where the screen cannot hold that, a smaller
    // client at the video's ratio with the whole window on the screen.
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoA(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT window;
    GetWindowRect(main, &window);
    const RECT& work = monitor.rcWork;
    bool fitted = info.Client.cx < c.Width && window.left >= work.left && window.top >= work.top &&
                  window.right <= work.right && window.bottom <= work.bottom &&
                  std::abs(info.Client.cx * c.Height / static_cast<double>(c.Width) - info.Client.cy) <= 1;
    if (video && (info.Client.cx != c.Width || info.Client.cy != c.Height) && !fitted)
        problems += "client " + SizeText(info.Client.cx, info.Client.cy) + " for a video of " +
                    SizeText(c.Width, c.Height) + "; ";

    // A clip much shorter than a second may be over, its picture gone, by
    // the time its window is seen.
    if (video && c.Seconds >= 0.5) {
        // The first frame: the first capture that is not an empty window.
        TCapture first;
        ULONGLONG deadline = GetTickCount64() + Scaled(15000);
        do {
            first = CaptureVisibleClient(main);
            if (!first.Pixels.empty() && EmptyCells(first).empty())
                break;
            Sleep(30);
        } while (GetTickCount64() < deadline && player.Running());
        std::string empty = EmptyCells(first);
        if (!empty.empty())
            problems += "no picture over the whole window (empty cells " + empty + "); ";

        // The picture is the control's own child, laid over all of it.
        HWND picture = FindVideoWindow(main);
        if (!picture) {
            problems += "no video window inside the movie control; ";
        } else {
            RECT panel = ClientScreenRect(GetParent(picture));
            RECT shown = ScreenRect(picture);
            if (!EqualRect(&panel, &shown))
                problems += "video window " + RectText(shown) + " does not cover the control " + RectText(panel) + "; ";
        }

        // A clip shorter than that ends before the checks below are done.
        // The resize comes first, before the clip may have ended on a busy
        // machine; the picture is then watched at the new size.
        if (c.Seconds >= 2) {
            TCapture resized = CheckResize(player, main, problems);
            // Some containers start their streams late (an MPEG program
            // stream by half a second): the cued first frame may stand a while.
            if (c.Moving && !resized.Pixels.empty()) {
                double changed = 0;
                deadline = GetTickCount64() + Scaled(2000);
                do {
                    Sleep(100);
                    TCapture later = CaptureVisibleClient(main);
                    if (later.Width != resized.Width || later.Height != resized.Height)
                        break;  // the window is gone
                    changed = Difference(resized, later);
                } while (changed < 0.2 && GetTickCount64() < deadline && player.Running());
                if (changed < 0.2)
                    problems += "the picture did not move (" + std::to_string(changed) + " changed) at " +
                                Seconds((GetTickCount64() - started) / 1000.0) + "; ";
            }
        }
    }
    CheckEnd(player, started, problems);
}

// The end: no message, the program ends by itself, exit code 0.
void Media::CheckEnd(TPlayerProcess& player, ULONGLONG started, std::string& problems) {
    const TMediaCase& c = GetParam();
    DWORD bound = static_cast<DWORD>(c.Seconds * 1000) + ExitBoundMs;
    DWORD code = 1234;
    bool exited = false;
    while (GetTickCount64() - started < Scaled(bound) && !exited) {
        if (HWND box = player.WaitForMessageBox(0)) {
            problems += "message \"" + MessageText(box) + "\"; ";
            PressButton(box, "OK");
        }
        exited = player.WaitForExit(100, &code);
    }
    double seconds = (GetTickCount64() - started) / 1000.0;
    if (!exited)
        problems += "still running " + Seconds(bound / 1000.0) + " after the start; ";
    else {
        Result().ExitSeconds = seconds;
        if (code != 0)
            problems += "exit code " + std::to_string(code) + "; ";
    }
    EXPECT_EQ(problems, "") << c.File;
    Result().Outcome = problems.empty() ? ExpectText(c.Expect) : "FAILED: " + problems.substr(0, problems.size() - 2);
}

TEST_P(Media, PlaysOrIsRefusedAsExpected) {
    const TMediaCase& c = GetParam();
    ULONGLONG started = GetTickCount64();
    if (c.Expect == TExpect::Refused) {
        CheckRefused(started);
        return;
    }
    TPlayerProcess player("\"" + Path + "\"");
    HWND main = nullptr, box = nullptr;
    if (!WaitForFirstSight(player, main, box)) {
        // A sound of (next to) no length can end the program before its
        // window is seen: it showed no message and ended by itself.
        if (!player.Running() && c.Expect == TExpect::SoundOnly && c.Seconds < 0.5) {
            std::string problems;
            CheckEnd(player, started, problems);
            if (problems.empty())
                Result().Outcome += " (ended before its window was seen)";
            return;
        }
        Result().Outcome = player.Running() ? "FAILED: no window" : "FAILED: ended without a window";
        FAIL() << Result().Outcome;
    }
    Result().ShownSeconds = (GetTickCount64() - started) / 1000.0;
    if (box) {
        Result().Outcome = "FAILED: refused (\"" + MessageText(box) + "\")";
        FAIL() << c.File << ": " << Result().Outcome;
    }
    CheckPlays(player, main, started);
}

std::string CaseName(const testing::TestParamInfo<TMediaCase>& info) {
    std::string name = info.param.File;
    for (char& ch : name)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Clips, Media, testing::ValuesIn(Cases), CaseName);

}  // namespace
