#include "framework/ExtCtrls.h"

#include "framework/TextConversion.h"

namespace {
TBevelCut BevelFromLayout(const TLayoutValue& v) {
    if (v.IsIdent("bvLowered"))
        return bvLowered;
    if (v.IsIdent("bvRaised"))
        return bvRaised;
    return bvNone;
}
}  // namespace

// ------------------------------------------------------------------ TImage

TImage::TImage(TComponent* owner) : TWinControl(owner) {
    FWidth = 105;
    FHeight = 105;
}

TImage::~TImage() = default;

void TImage::LoadPicture(const std::string& resourceName) {
    auto bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), Utf8ToWide(resourceName).c_str(),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        throw Exception("Picture resource not found: " + resourceName);
    FPicture.Reset(bitmap);
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TImage::SetStretch(bool value) {
    FStretch = value;
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TImage::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "Pelorin.TImage";
    p.ClassStyle = CS_HREDRAW | CS_VREDRAW;
}

void TImage::Paint(HDC dc) {
    if (!FPicture)
        return;
    BITMAP bm{};
    GetObjectW(FPicture.Get(), sizeof(bm), &bm);
    TMemoryDC source(dc);
    TSelectedObject picture(source.Get(), FPicture.Get());
    if (FStretch) {
        RECT r;
        GetClientRect(FHandle, &r);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, r.right, r.bottom, source.Get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    } else {
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, source.Get(), 0, 0, SRCCOPY);
    }
}

bool TImage::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Picture.Resource")
        LoadPicture(v.Str);
    else if (name == "Stretch")
        SetStretch(v.IsIdent("True"));
    else
        return TWinControl::SetProperty(name, v);
    return true;
}

// ------------------------------------------------------------------ TPanel

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
    FWidth = 185;
    FHeight = 41;
}

void TPanel::SetBevelInner(TBevelCut value) {
    FBevelInner = value;
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TPanel::SetBevelOuter(TBevelCut value) {
    FBevelOuter = value;
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TPanel::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "Pelorin.TPanel";
    p.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
}

void TPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(FHandle, &r);
    if (FBevelOuter != bvNone)
        DrawEdge(dc, &r, FBevelOuter == bvRaised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    if (FBevelInner != bvNone)
        DrawEdge(dc, &r, FBevelInner == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENINNER, BF_RECT | BF_ADJUST);
    if (!FCaption.empty()) {
        SetBkMode(dc, TRANSPARENT);
        TSelectedObject font(dc, reinterpret_cast<HFONT>(SendMessageW(FHandle, WM_GETFONT, 0, 0)));
        DrawTextW(dc, Utf8ToWide(FCaption).c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

bool TPanel::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "BevelInner")
        SetBevelInner(BevelFromLayout(v));
    else if (name == "BevelOuter")
        SetBevelOuter(BevelFromLayout(v));
    else
        return TWinControl::SetProperty(name, v);
    return true;
}

// ------------------------------------------------------------------ TTimer

namespace {
const wchar_t kTimerClass[] = L"Pelorin.TTimer";
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    static ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TTimer::TimerWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kTimerClass;
        return RegisterClassW(&wc);
    }();
    (void)atom;
    FWindow =
        CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!FWindow)
        throw Exception("Cannot create the timer window");
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer() {
    KillTimer(FWindow, 1);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
}

void TTimer::SetEnabled(bool value) {
    if (value != FEnabled) {
        FEnabled = value;
        UpdateTimer();
    }
}

void TTimer::SetInterval(UINT value) {
    if (value != FInterval) {
        FInterval = value;
        UpdateTimer();
    }
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    FOnTimer = handler;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    KillTimer(FWindow, 1);
    if (FEnabled && FInterval != 0 && FOnTimer && !Designing())
        SetTimer(FWindow, 1, FInterval, nullptr);
}

void TTimer::Timer() {
    if (FEnabled && FOnTimer)
        FOnTimer(this);
}

LRESULT CALLBACK TTimer::TimerWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        if (auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA))) {
            try {
                timer->Timer();
            } catch (...) {
                HandleApplicationException(timer);
            }
        }
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

bool TTimer::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Enabled")
        SetEnabled(v.IsIdent("True"));
    else if (name == "Interval")
        SetInterval(static_cast<UINT>(v.Int));
    else if (name == "OnTimer")
        SetOnTimer(LayoutMethod<TNotifyEvent>(this, v));
    else
        return TComponent::SetProperty(name, v);
    return true;
}
