#include "framework/Controls.h"

// after windows.h, which it needs
#include <windowsx.h>

#include <algorithm>
#include <map>

#include "framework/TextConversion.h"

namespace {
const wchar_t kControlProp[] = L"PelorinControl";

// The control whose window CreateWindowEx is making: the first message of a
// new window (which may come before WM_NCCREATE) binds the two.
thread_local TWinControl* gCreationControl = nullptr;

struct TRegisteredClass {
    WNDPROC BaseProc;
};
std::map<std::string, TRegisteredClass>& RegisteredClasses() {
    static std::map<std::string, TRegisteredClass> classes;
    return classes;
}
}  // namespace

COLORREF ColorToRGB(TColor color) {
    if (color & clSystemColor)
        return GetSysColor(static_cast<int>(color & 0xFF));
    return color;
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent)
        return;
    if (FParent)
        FParent->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    UpdateBounds(left, top, width, height);
}

void TControl::UpdateBounds(int left, int top, int width, int height) {
    bool resized = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (resized)
        Resize();
}

void TControl::SetAlign(TAlign align) {
    FAlign = align;
    if (FParent)
        FParent->AlignControls();
}

void TControl::SetVisible(bool value) {
    FVisible = value;
}

void TControl::SetCaption(const std::string& caption) {
    FCaption = caption;
}

void TControl::SetColor(TColor color) {
    FColor = color;
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

bool TControl::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "Left")
        SetLeft(static_cast<int>(v.Int));
    else if (name == "Top")
        SetTop(static_cast<int>(v.Int));
    else if (name == "Width")
        SetWidth(static_cast<int>(v.Int));
    else if (name == "Height")
        SetHeight(static_cast<int>(v.Int));
    else if (name == "Caption")
        SetCaption(v.Str);
    else if (name == "Color")
        SetColor(v.IsIdent("clBtnFace") ? clBtnFace : static_cast<TColor>(v.Int));
    else if (name == "Visible")
        SetVisible(v.IsIdent("True"));
    else if (name == "Align")
        SetAlign(v.IsIdent("alClient") ? alClient : alNone);
    else if (name == "OnClick")
        OnClick = LayoutMethod<TNotifyEvent>(this, v);
    else if (name == "OnDblClick")
        OnDblClick = LayoutMethod<TNotifyEvent>(this, v);
    else if (name == "OnResize")
        OnResize = LayoutMethod<TNotifyEvent>(this, v);
    else
        return TComponent::SetProperty(name, v);
    return true;
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = dynamic_cast<TWinControl*>(parent))
        SetParent(w);
}

void TControl::ChangeScale(int m, int d) {
    SetBounds(MulDiv(FLeft, m, d), MulDiv(FTop, m, d), MulDiv(FWidth, m, d), MulDiv(FHeight, m, d));
}

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    WindowProc = Bind<&TWinControl::WndProc>(this);
}

TWinControl::~TWinControl() {
    MarkDestroying();
    // What this control owns goes while its window still stands, so that a
    // component can give back what it borrowed from the window.
    DestroyComponents();
    DestroyHandle();
    for (TControl* c : FControls)
        c->FParent = nullptr;
    FControls.clear();
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
    return wnd ? static_cast<TWinControl*>(GetPropW(wnd, kControlProp)) : nullptr;
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded() {
    if (FHandle)
        return;
    if (FParent)
        FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::CreateHandle() {
    if (FHandle || FCreating)
        return;
    CreateWnd();
    // Children come back with their parent, in their order.
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = FCaption;
    p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (FVisible ? WS_VISIBLE : 0);
    p.X = FLeft;
    p.Y = FTop;
    p.Width = FWidth;
    p.Height = FHeight;
    if (FParent)
        p.WndParent = FParent->Handle();
    p.WinClassName = "Pelorin.TWinControl";
}

WNDPROC TWinControl::RegisterWindowClass(const TCreateParams& p) {
    auto& classes = RegisteredClasses();
    auto found = classes.find(p.WinClassName);
    if (found != classes.end())
        return found->second.BaseProc;
    // Wide classes: the windows take and give UTF-16 text, so their
    // captions read right whatever the system's code page.
    WNDCLASSW wc{};
    WNDPROC baseProc = DefWindowProcW;
    if (p.BaseClass) {
        // A control built on a system class keeps that class's behaviour
        // behind our procedure, from the window's first message on.
        if (!GetClassInfoW(nullptr, Utf8ToWide(p.BaseClass).c_str(), &wc))
            throw Exception(std::string("Unknown window class ") + p.BaseClass);
        baseProc = wc.lpfnWndProc;
    } else {
        wc.style = p.ClassStyle;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        if (p.ProgramIcon)
            wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    }
    const std::wstring className = Utf8ToWide(p.WinClassName);
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className.c_str();
    if (!RegisterClassW(&wc))
        throw Exception("Cannot register window class " + p.WinClassName);
    classes.emplace(p.WinClassName, TRegisteredClass{baseProc});
    return baseProc;
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent)
        throw Exception("Control '" + Name() + "' has no parent window");
    FDefWndProc = RegisterWindowClass(p);

    FCreating = true;
    gCreationControl = this;
    HWND wnd = CreateWindowExW(p.ExStyle, Utf8ToWide(p.WinClassName).c_str(), Utf8ToWide(p.Caption).c_str(), p.Style,
                               p.X, p.Y, p.Width, p.Height, p.WndParent, nullptr, GetModuleHandleW(nullptr), this);
    gCreationControl = nullptr;
    FCreating = false;
    if (!wnd)
        throw Exception("Cannot create the window of '" + Name() + "'");
    FHandle = wnd;
    if (HFONT font = ControlFont())
        SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    FBrush.Reset();
}

void TWinControl::DestroyWnd() {
    DestroyWindow(FHandle);
}

void TWinControl::DestroyHandle() {
    if (!FHandle)
        return;
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
    FHandle = nullptr;
}

void TWinControl::RecreateWnd() {
    if (!FHandle)
        return;
    DestroyHandle();
    CreateHandle();
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FromHandle(wnd);
    if (!control) {
        control = gCreationControl;
        if (!control)
            return DefWindowProcW(wnd, msg, wParam, lParam);
        gCreationControl = nullptr;
        control->FHandle = wnd;
        SetPropW(wnd, kControlProp, control);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        control->WindowProc(m);
    } catch (...) {
        // No exception may cross the system's frames: the application shows it.
        HandleApplicationException(control);
    }
    if (msg == WM_NCDESTROY) {
        RemovePropW(wnd, kControlProp);
        if (control->FHandle == wnd)
            control->FHandle = nullptr;
    }
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!FHandle) {
        m.Result = 0;
        return;
    }
    m.Result = CallWindowProcW(FDefWndProc ? FDefWndProc : DefWindowProcW, FHandle, m.Msg, m.WParam, m.LParam);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WindowProc(m);
    return m.Result;
}

void TWinControl::ReadWindowBounds(int& left, int& top, int& width, int& height) {
    RECT r;
    GetWindowRect(FHandle, &r);
    HWND parent = GetParent(FHandle);
    if (parent && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    left = r.left;
    top = r.top;
    width = r.right - r.left;
    height = r.bottom - r.top;
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE:
        case WM_MOVE: WMMoveSize(m); break;
        case WM_LBUTTONDOWN: WMLButtonDown(m); break;
        case WM_LBUTTONDBLCLK: WMLButtonDblClk(m); break;
        case WM_LBUTTONUP: WMLButtonUp(m); break;
        case WM_COMMAND: WMCommand(m); break;
        case WM_ERASEBKGND: WMEraseBkgnd(m); break;
        case WM_PAINT: WMPaint(m); break;
        default: DefaultHandler(m);
    }
}

void TWinControl::WMMoveSize(TMessage& m) {
    DefaultHandler(m);
    if (IsIconic(FHandle)) {
        FIconic = true;
        return;
    }
    int l, t, w, h;
    ReadWindowBounds(l, t, w, h);
    // Restored from the task bar, a window is resized even at its old size:
    // what it showed has to be laid out and drawn again.
    bool resized = w != FWidth || h != FHeight || (FIconic && m.Msg == WM_SIZE);
    if (m.Msg == WM_SIZE)
        FIconic = false;
    FLeft = l;
    FTop = t;
    FWidth = w;
    FHeight = h;
    if (resized || m.Msg == WM_SIZE) {
        AlignControls();
        if (resized)
            Resize();
    }
}

void TWinControl::WMLButtonDown(TMessage& m) {
    FClicked = true;
    DefaultHandler(m);
}

void TWinControl::WMLButtonDblClk(TMessage& m) {
    // It stands for the second press: the first one made the click.
    FClicked = false;
    DefaultHandler(m);
    DblClick();
}

void TWinControl::WMLButtonUp(TMessage& m) {
    DefaultHandler(m);
    if (!FClicked)
        return;
    FClicked = false;
    POINT pt{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    RECT r;
    GetClientRect(FHandle, &r);
    if (PtInRect(&r, pt))
        Click();
}

void TWinControl::WMCommand(TMessage& m) {
    // A control's notification goes back to the control.
    if (TWinControl* child = m.LParam ? FromHandle(reinterpret_cast<HWND>(m.LParam)) : nullptr) {
        m.Result = child->Perform(CN_COMMAND, m.WParam, m.LParam);
        return;
    }
    DefaultHandler(m);
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
    if (FDefWndProc != DefWindowProcW) {
        DefaultHandler(m);
        return;
    }
    if (!FBrush)
        FBrush.Reset(CreateSolidBrush(ColorToRGB(FColor)));
    RECT r;
    GetClientRect(FHandle, &r);
    FillRect(reinterpret_cast<HDC>(m.WParam), &r, FBrush.Get());
    m.Result = 1;
}

void TWinControl::WMPaint(TMessage& m) {
    if (FDefWndProc != DefWindowProcW) {
        DefaultHandler(m);
        return;
    }
    TPaintDC dc(FHandle);
    Paint(dc.Get());
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (FHandle) {
        // The window reports its new bounds through WM_MOVE and WM_SIZE.
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        // A top-level window may refuse a size (a minimum track size); what it
        // took is what counts.
        int l, t, w, h;
        ReadWindowBounds(l, t, w, h);
        if (l != FLeft || t != FTop || w != FWidth || h != FHeight)
            UpdateBounds(l, t, w, h);
    } else {
        bool resized = width != FWidth || height != FHeight;
        TControl::SetBounds(left, top, width, height);
        if (resized)
            AlignControls();
    }
}

void TWinControl::FontChanged() {
    for (TControl* c : FControls)
        c->FontChanged();
}

void TWinControl::SetVisible(bool value) {
    TControl::SetVisible(value);
    if (FHandle)
        ShowWindow(FHandle, value ? SW_SHOW : SW_HIDE);
}

void TWinControl::SetCaption(const std::string& caption) {
    TControl::SetCaption(caption);
    if (FHandle)
        SetWindowTextW(FHandle, Utf8ToWide(caption).c_str());
}

void TWinControl::SetColor(TColor color) {
    TControl::SetColor(color);
    FBrush.Reset();
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

int TWinControl::ClientWidth() {
    if (!FHandle)
        return FWidth;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
}

int TWinControl::ClientHeight() {
    if (!FHandle)
        return FHeight;
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TWinControl::ChangeScale(int m, int d) {
    TControl::ChangeScale(m, d);
    for (TControl* c : std::vector<TControl*>(FControls))
        c->ChangeScale(m, d);
}

void TWinControl::AlignControls() {
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->FAlign == alClient)
            c->SetBounds(0, 0, ClientWidth(), ClientHeight());
}

void TWinControl::InsertControl(TControl* control) {
    FControls.push_back(control);
    control->FParent = this;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        if (w->FHandle)
            ::SetParent(w->FHandle, Handle());
        else if (FHandle)
            w->CreateHandle();
    }
    if (control->FAlign != alNone)
        AlignControls();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end())
        FControls.erase(it);
    control->FParent = nullptr;
    // A window cannot stay a child of a parent it no longer has.
    if (auto* w = dynamic_cast<TWinControl*>(control))
        w->DestroyHandle();
}
