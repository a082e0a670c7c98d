#include "ui/Overlay.h"

#include <algorithm>

#include "dropfiles/CTLHOOK.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TextConversion.h"
#include "resources/Strings.h"

namespace {
// Light on dark, readable on any picture.
constexpr COLORREF kBackground = RGB(24, 24, 24);
constexpr COLORREF kForeground = RGB(255, 255, 255);
constexpr COLORREF kTrack = RGB(96, 96, 96);
// A little of the picture shows through where the system composes windows.
constexpr BYTE kOpacity = 232;
// The text's height at 96 pixels per inch: half as large again as the
// form's 12, since it is read on a moving picture.
constexpr int kDesignTextHeight = 18;

void Fill(HDC dc, int left, int top, int width, int height, COLORREF color) {
    RECT r{left, top, left + width, top + height};
    TGdiObject<HBRUSH> brush;
    brush.Reset(CreateSolidBrush(color));
    FillRect(dc, &r, brush.Get());
}

// Playing: a triangle pointing right; paused: two bars. Both h high.
void DrawSign(HDC dc, TOverlaySign sign, int x, int y, int h) {
    if (sign == osPaused) {
        Fill(dc, x + h / 8, y, h / 3, h, kForeground);
        Fill(dc, x + h - h / 8 - h / 3, y, h / 3, h, kForeground);
        return;
    }
    POINT points[3] = {{x + h / 8, y}, {x + h / 8, y + h}, {x + h - h / 8, y + h / 2}};
    TGdiObject<HBRUSH> brush;
    brush.Reset(CreateSolidBrush(kForeground));
    TSelectedObject selectedBrush(dc, brush.Get());
    TSelectedObject pen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, points, 3);
}

// The measures of one display, all from the text height.
struct TMetrics {
    int Text;  // the text's height
    int Pad;   // inside the box, around everything
    int Gap;   // between sign, text and bar
    int Bar;   // the progress bar's thickness
    int Cell;  // a volume cell's width
    int Sign;  // the play state sign's height and width
};

TMetrics MetricsFor(int textHeight) {
    const int unit = std::max(1, textHeight / 6);
    return {textHeight, textHeight / 2, unit * 2, std::max(2, unit), std::max(3, textHeight / 2), textHeight * 3 / 4};
}
}  // namespace

// Sees the form's messages after the form's own handling: the display
// follows its moves, and goes when a modal dialog disables it or another
// program comes to the front (being topmost, it would stand over them).
class TOverlayFollower : public TControlHook {
public:
    TOverlayFollower(TOverlay* overlay, TCustomForm* form) : TControlHook(overlay), FOverlay(overlay) {
        SetControl(form);
    }

protected:
    void WndProc(TMessage& message) override {
        TControlHook::WndProc(message);
        switch (message.Msg) {
            case WM_WINDOWPOSCHANGED: FOverlay->Follow(); break;
            case WM_ENABLE:
            case WM_ACTIVATEAPP:
                if (!message.WParam)
                    FOverlay->Hide();
                break;
        }
    }

private:
    TOverlay* FOverlay;
};

TOverlay::TOverlay(TComponent* owner, TWinControl* parent) : TWinControl(owner) {
    FVisible = false;
    FTimer = new TTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(kShowMs);
    FTimer->SetOnTimer(Bind<&TOverlay::TimeUp>(this));
    SetParent(parent);
    // Owned, and so destroyed, by this display.
    if (TCustomForm* form = FindOwnerForm(parent))
        new TOverlayFollower(this, form);
}

TOverlay::~TOverlay() = default;

void TOverlay::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "Pelorin.TOverlay";
    p.ClassStyle = 0;
    // Owned by nobody: an owned window takes part in its owner's moves in
    // the z-order, and under Wine a form that owns one no longer becomes
    // topmost (full screen, the viewer). Topmost itself instead, while shown.
    p.Style = WS_POPUP | (FVisible ? WS_VISIBLE : 0);
    p.WndParent = nullptr;
    // Layered and transparent: the mouse goes through it, on every thread's
    // window beneath, the video window's too.
    p.ExStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
}

void TOverlay::CreateWnd() {
    TWinControl::CreateWnd();
    // A layered window shows nothing until its attributes are set.
    SetLayeredWindowAttributes(FHandle, 0, kOpacity, LWA_ALPHA);
}

void TOverlay::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_MOUSEACTIVATE: m.Result = MA_NOACTIVATE; break;
        // Paint draws every pixel.
        case WM_ERASEBKGND: m.Result = 1; break;
        default: TWinControl::WndProc(m);
    }
}

void TOverlay::ShowPosition(bool playing, int64_t position, int64_t duration) {
    Show(PositionContent(playing, position, duration));
}

void TOverlay::ShowVolume(int level) {
    Show(VolumeContent(LoadStr(IDS_OVERLAY_VOLUME), level));
}

void TOverlay::ShowMuted() {
    Show(MutedContent(LoadStr(IDS_OVERLAY_MUTED)));
}

void TOverlay::Show(TOverlayContent content) {
    if (!FParent)
        return;
    FContent = std::move(content);
    Place();
    TControl::SetVisible(true);
    HWND wnd = Handle();
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(wnd, nullptr, FALSE);
    UpdateWindow(wnd);
    // Each display has its full time from now.
    FTimer->SetEnabled(false);
    FTimer->SetEnabled(true);
}

void TOverlay::Place() {
    HWND wnd = Handle();
    SIZE size;
    {
        TWindowDC dc(wnd);
        TSelectedObject font(dc.Get(), Font());
        size = Measure(dc.Get());
    }
    // Over the picture: the video window where there is one (in full screen
    // it keeps its ratio, on black), else the control.
    HWND area = FParent->Handle();
    if (HWND video = GetWindow(area, GW_CHILD); video && IsWindowVisible(video))
        area = video;
    POINT origin{FFontHeight / 2, FFontHeight / 2};
    ClientToScreen(area, &origin);
    // Above the form, which is topmost in full screen and in the viewer.
    SetWindowPos(wnd, HWND_TOPMOST, origin.x, origin.y, size.cx, size.cy, SWP_NOACTIVATE);
    int l, t, w, h;
    ReadWindowBounds(l, t, w, h);
    UpdateBounds(l, t, w, h);
}

void TOverlay::Follow() {
    if (!FVisible || !FParent || !HandleAllocated())
        return;
    // Nobody owns it, so it does not go with a minimised or hidden form by itself.
    HWND form = GetAncestor(FParent->Handle(), GA_ROOT);
    if (IsIconic(form) || !IsWindowVisible(form))
        Hide();
    else
        Place();
}

void TOverlay::Hide() {
    FTimer->SetEnabled(false);
    if (FVisible)
        SetVisible(false);
}

void TOverlay::TimeUp(TObject*) {
    Hide();
}

int TOverlay::TextHeight() {
    // The scale of the monitor the picture is on, as the form's own.
    const int dpi = WindowPixelsPerInch(FParent && FParent->HandleAllocated() ? FParent->Handle() : nullptr);
    int height = MulDiv(kDesignTextHeight, dpi, 96);
    // A small picture keeps most of itself in view.
    if (FParent && FParent->Height() > 0)
        height = std::min(height, FParent->Height() / 6);
    return std::max(height, 8);
}

HFONT TOverlay::Font() {
    const int height = TextHeight();
    if (FFont && height == FFontHeight)
        return FFont.Get();
    // The form's face at the display's size.
    LOGFONTW lf{};
    if (HFONT formFont = ControlFont()) {
        GetObjectW(formFont, sizeof lf, &lf);
    } else {
        TFont designed;
        lstrcpynW(lf.lfFaceName, Utf8ToWide(designed.Name).c_str(), LF_FACESIZE);
        lf.lfCharSet = designed.Charset;
    }
    lf.lfHeight = -height;
    lf.lfWidth = 0;
    lf.lfQuality = ANTIALIASED_QUALITY;
    FFont.Reset(CreateFontIndirectW(&lf));
    FFontHeight = height;
    return FFont.Get();
}

SIZE TOverlay::Measure(HDC dc) {
    const TMetrics m = MetricsFor(FFontHeight);
    const std::wstring text = Utf8ToWide(FContent.Text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    int width = m.Pad + extent.cx + m.Pad;
    int height = m.Pad + std::max<int>(extent.cy, m.Text) + m.Pad;
    if (FContent.Sign != osNone)
        width += m.Sign + m.Gap;
    if (FContent.Cells > 0)
        width += m.Gap + FContent.Cells * (m.Cell + m.Bar) - m.Bar;
    if (FContent.Progress >= 0) {
        height += m.Gap + m.Bar;
        // Room for the bar to mean something.
        width = std::max(width, m.Text * 10);
    }
    return {width, height};
}

void TOverlay::Paint(HDC target) {
    RECT client;
    GetClientRect(FHandle, &client);
    // Drawn off screen first: the box never flickers over the picture.
    TMemoryDC memory(target);
    TGdiObject<HBITMAP> bitmap;
    bitmap.Reset(CreateCompatibleBitmap(target, client.right, client.bottom));
    TSelectedObject selectedBitmap(memory.Get(), bitmap.Get());
    HDC dc = memory.Get();
    Fill(dc, 0, 0, client.right, client.bottom, kBackground);

    // The font Show measured with.
    TSelectedObject font(dc, FFont.Get());
    const TMetrics m = MetricsFor(FFontHeight);
    const std::wstring text = Utf8ToWide(FContent.Text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int lineHeight = std::max<int>(extent.cy, m.Text);
    int x = m.Pad;
    if (FContent.Sign != osNone) {
        DrawSign(dc, FContent.Sign, x, m.Pad + (lineHeight - m.Sign) / 2, m.Sign);
        x += m.Sign + m.Gap;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kForeground);
    TextOutW(dc, x, m.Pad + (lineHeight - extent.cy) / 2, text.c_str(), static_cast<int>(text.size()));
    x += extent.cx;
    if (FContent.Cells > 0) {
        x += m.Gap;
        const int cellHeight = m.Text * 2 / 3, top = m.Pad + (lineHeight - cellHeight) / 2;
        for (int i = 0; i < FContent.Cells; ++i)
            Fill(dc, x + i * (m.Cell + m.Bar), top, m.Cell, cellHeight, i < FContent.Filled ? kForeground : kTrack);
    }
    if (FContent.Progress >= 0) {
        const int top = m.Pad + lineHeight + m.Gap, width = client.right - 2 * m.Pad;
        Fill(dc, m.Pad, top, width, m.Bar, kTrack);
        Fill(dc, m.Pad, top, MulDiv(width, FContent.Progress, 1000), m.Bar, kForeground);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}
