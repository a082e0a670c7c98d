#include "framework/Forms.h"

#include <objbase.h>
#include <shellapi.h>

#include "framework/ActnList.h"
#include "framework/Background.h"
#include "framework/Layout.h"
#include "framework/StdCtrls.h"
#include "framework/TextConversion.h"

TApplication* Application = new TApplication(nullptr);

namespace {
// The program's application answers for it to the layers below forms.
const bool kHooked = [] {
    ApplicationHooks.HandleException = [](TObject* sender) { Application->HandleException(sender); };
    ApplicationHooks.Busy = [] { return Application->Busy(); };
    ApplicationHooks.MainForm = []() -> TComponent* { return Application->MainForm(); };
    ApplicationHooks.ShowMessage = [](const std::string& text) { Application->ShowMessage(text); };
    ApplicationHooks.Terminated = [] { return Application->Terminated(); };
    ApplicationHooks.BeginBusy = [] { Application->BeginBusy(); };
    ApplicationHooks.EndBusy = [] { Application->EndBusy(); };
    ApplicationHooks.ProcessMessages = [] { Application->ProcessMessages(); };
    return true;
}();

BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM data) {
    if (IsWindowVisible(wnd) && IsWindowEnabled(wnd))
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(wnd);
    return TRUE;
}

BOOL CALLBACK FindTabStop(HWND wnd, LPARAM found) {
    if ((GetWindowLongW(wnd, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK SetFontOf(HWND wnd, LPARAM font) {
    SendMessageW(wnd, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

// Functions of Windows 10 (1607) and later, looked up so that the program
// still starts where they are missing.
template <class F>
F User32Function(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name));
}

int SystemPixelsPerInch() {
    TWindowDC screen(nullptr);
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}
}  // namespace

int WindowPixelsPerInch(HWND wnd) {
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (wnd && getDpiForWindow)
        if (UINT dpi = getDpiForWindow(wnd))
            return static_cast<int>(dpi);
    return SystemPixelsPerInch();
}

int SystemMetricForPixelsPerInch(int index, int pixelsPerInch) {
    static const auto forDpi = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, static_cast<UINT>(pixelsPerInch));
    return MulDiv(GetSystemMetrics(index), pixelsPerInch, SystemPixelsPerInch());
}

// --------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    FVisible = false;
    FWidth = 320;
    FHeight = 240;
}

TCustomForm::~TCustomForm() {
    MarkDestroying();
    DestroyComponents();
    DestroyHandle();
}

void TCustomForm::InitializeForm(const char* layoutResource) {
    ReadLayout(this, layoutResource);
    DoCreate();
}

void TCustomForm::DoCreate() {
    if (!OnCreate)
        return;
    try {
        OnCreate(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TCustomForm::DoShow() {
    if (!OnShow)
        return;
    try {
        OnShow(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

HFONT TCustomForm::FontHandle() {
    if (!FFontHandle) {
        LOGFONTW lf{};
        lf.lfHeight = FFont.Height;
        lf.lfCharSet = FFont.Charset;
        lstrcpynW(lf.lfFaceName, Utf8ToWide(FFont.Name).c_str(), LF_FACESIZE);
        FFontHandle.Reset(CreateFontIndirectW(&lf));
    }
    return FFontHandle.Get();
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (FMenu)
        RemoveFreeNotification(FMenu);
    FMenu = menu;
    if (FMenu)
        FreeNotification(FMenu);
    if (FHandle)
        ::SetMenu(FHandle, FMenu ? FMenu->Handle() : nullptr);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FMenu) {
        // The menu bar goes with its object: the window must not keep it.
        FMenu = nullptr;
        if (FHandle)
            ::SetMenu(FHandle, nullptr);
    }
}

bool TCustomForm::IsShortCut(TShortCut shortCut) {
    if (FMenu && FMenu->IsShortCut(shortCut))
        return true;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TActionList*>(Components(i)))
            if (list->IsShortCut(shortCut))
                return true;
    // Enter and Esc press the form's default and cancel buttons.
    if (shortCut == VK_RETURN || shortCut == VK_ESCAPE)
        if (auto* button = static_cast<TButton*>(DialogButton(shortCut == VK_ESCAPE))) {
            button->Click();
            return true;
        }
    return false;
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    if (!FMenuName.empty()) {
        std::string name = std::move(FMenuName);
        FMenuName.clear();
        SetMenu(dynamic_cast<TMainMenu*>(FindComponent(name)));
    }
    if (FPixelsPerInch > 0) {
        int screen = ScreenPixelsPerInch();
        if (screen != FPixelsPerInch) {
            // An unscaled form keeps its pixels, but text stays readable.
            if (FScaled)
                ScaleBy(screen, FPixelsPerInch);
            else
                ScaleFont(screen, FPixelsPerInch);
        }
        FCurrentPixelsPerInch = screen;
    }
}

int TCustomForm::ScreenPixelsPerInch() {
    return SystemPixelsPerInch();
}

void TCustomForm::ScaleFont(int m, int d) {
    FFont.Height = MulDiv(FFont.Height, m, d);
    // The windows let go of the old font before it is deleted.
    TGdiObject<HFONT> old;
    old.Reset(FFontHandle.Release());
    if (FHandle) {
        SetFontOf(FHandle, reinterpret_cast<LPARAM>(FontHandle()));
        EnumChildWindows(FHandle, &SetFontOf, reinterpret_cast<LPARAM>(FontHandle()));
    }
    FontChanged();
}

void TCustomForm::ScaleBy(int m, int d) {
    int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    ScaleFont(m, d);
    SetClientWidth(MulDiv(clientWidth, m, d));
    SetClientHeight(MulDiv(clientHeight, m, d));
    for (int i = 0; i < ControlCount(); ++i)
        Controls(i)->ChangeScale(m, d);
}

void TCustomForm::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    // The frame is chosen when the window is made; a new frame, a new window.
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (value == FFormStyle)
        return;
    FFormStyle = value;
    // Staying on top needs no new window, only a new place in the z-order.
    if (FHandle && !FParent)
        SetWindowPos(FHandle, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

RECT TCustomForm::MonitorArea(bool workArea) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfo(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &info);
    return workArea ? info.rcWork : info.rcMonitor;
}

void TCustomForm::SetPosition(TPosition value) {
    // Placement only matters when the form is first shown: no new window.
    FPosition = value;
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "Pelorin.TForm";
    p.ProgramIcon = true;
    p.Style = WS_CLIPCHILDREN;
    p.ExStyle = 0;
    if (FParent)
        p.Style |= WS_CHILD | WS_CLIPSIBLINGS;
    else
        p.WndParent = nullptr;
    if (FBorderStyle == bsNone) {
        p.Style |= FParent ? 0 : WS_POPUP;
    } else if (FBorderStyle == bsDialog) {
        p.Style |= (FParent ? 0 : WS_POPUP) | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    } else {
        p.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    }
    if (FFormStyle == fsStayOnTop && !FParent)
        p.ExStyle |= WS_EX_TOPMOST;
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (!FParent)
        UpdateIcons();
    if (FMenu)
        ::SetMenu(FHandle, FMenu->Handle());
    if (FVisible)
        ShowWindow(FHandle, SW_SHOWNORMAL);
}

void TCustomForm::UpdateIcons() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const int ppi = WindowPixelsPerInch(FHandle);
    auto load = [&](int metric) {
        const int size = SystemMetricForPixelsPerInch(metric, ppi);
        return static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    HICON big = load(SM_CXICON), small = load(SM_CXSMICON);
    // A program without the resource keeps the system's icon.
    if (!big || !small) {
        if (big)
            DestroyIcon(big);
        if (small)
            DestroyIcon(small);
        return;
    }
    SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // The old ones go only now that the window has let go of them.
    FBigIcon.Reset(big);
    FSmallIcon.Reset(small);
}

void TCustomForm::WMDpiChanged(TMessage& m) {
    const int ppi = LOWORD(m.WParam);
    const RECT suggested = *reinterpret_cast<const RECT*>(m.LParam);
    // Full screen covers its monitor, whose pixels do not change with its
    // scale: it keeps covering it rather than take the scaled rectangle.
    RECT window, monitor = MonitorArea(false);
    GetWindowRect(FHandle, &window);
    const bool coversMonitor = FBorderStyle == bsNone && EqualRect(&window, &monitor);
    if (ppi > 0 && ppi != FCurrentPixelsPerInch) {
        const int old = FCurrentPixelsPerInch;
        FCurrentPixelsPerInch = ppi;
        ScaleFont(ppi, old);
        if (FScaled)
            for (int i = 0; i < ControlCount(); ++i)
                Controls(i)->ChangeScale(ppi, old);
    }
    UpdateIcons();
    const RECT r = coversMonitor ? MonitorArea(false) : suggested;
    // The new size reaches the resize handler, which keeps any lock it holds.
    SetWindowPos(FHandle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    m.Result = 0;
}

void TCustomForm::WMActivate(TMessage& m) {
    if (LOWORD(m.WParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        FLastFocus = focus && IsChild(FHandle, focus) ? focus : nullptr;
        TWinControl::WndProc(m);
        return;
    }
    // The system gives the keyboard to the form itself; as in a dialog, the
    // control that had it gets it back (a button then answers Space again).
    TWinControl::WndProc(m);
    if (HIWORD(m.WParam))  // minimised
        return;
    if (FLastFocus && IsWindow(FLastFocus) && IsChild(FHandle, FLastFocus) && IsWindowVisible(FLastFocus))
        SetFocus(FLastFocus);
    else
        FocusFirstControl();
}

TWinControl* TCustomForm::DialogButton(bool cancel) {
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* button = dynamic_cast<TButton*>(Components(i));
        if (!button || !(cancel ? button->Cancel() : button->Default()) || !button->HandleAllocated())
            continue;
        HWND wnd = button->Handle();
        if (IsWindowVisible(wnd) && IsWindowEnabled(wnd))
            return button;
    }
    return nullptr;
}

void TCustomForm::DestroyWnd() {
    // Destroying a window destroys its menu bar; the menu outlives windows.
    if (FMenu)
        ::SetMenu(FHandle, nullptr);
    TWinControl::DestroyWnd();
}

SIZE TCustomForm::FrameExtent() {
    if (FHandle) {
        RECT w, c;
        GetWindowRect(FHandle, &w);
        GetClientRect(FHandle, &c);
        return {(w.right - w.left) - c.right, (w.bottom - w.top) - c.bottom};
    }
    TCreateParams p;
    p.WndParent = nullptr;
    TCustomForm::CreateParams(p);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, p.Style, FMenu != nullptr, p.ExStyle);
    return {r.right - r.left, r.bottom - r.top};
}

int TCustomForm::ClientWidth() {
    return FHandle ? TWinControl::ClientWidth() : FWidth - FrameExtent().cx;
}

int TCustomForm::ClientHeight() {
    return FHandle ? TWinControl::ClientHeight() : FHeight - FrameExtent().cy;
}

void TCustomForm::SetClientWidth(int value) {
    SetBounds(FLeft, FTop, value + FrameExtent().cx, FHeight);
}

void TCustomForm::SetClientHeight(int value) {
    SetBounds(FLeft, FTop, FWidth, value + FrameExtent().cy);
}

void TCustomForm::Show() {
    ShowWithState(SW_SHOWNORMAL);
}

void TCustomForm::SetVisible(bool value) {
    if (value)
        ShowWithState(SW_SHOWNORMAL);
    else {
        FVisible = false;
        if (FHandle)
            ShowWindow(FHandle, SW_HIDE);
    }
}

void TCustomForm::ShowWithState(int showCommand) {
    HandleNeeded();
    if (!FShownOnce) {
        FShownOnce = true;
        if (FPosition == poScreenCenter && !FParent) {
            int left = (GetSystemMetrics(SM_CXSCREEN) - FWidth) / 2;
            int top = (GetSystemMetrics(SM_CYSCREEN) - FHeight) / 2;
            SetBounds(left, top, FWidth, FHeight);
        }
    }
    bool wasVisible = FVisible;
    FVisible = true;
    if (!wasVisible)
        DoShow();
    if (FHandle)
        ShowWindow(FHandle, showCommand);
}

int TCustomForm::ShowModal() {
    if (FVisible || FModal)
        throw Exception("Cannot make a visible window modal");
    // Every other window of this thread waits until the dialog is closed.
    std::vector<HWND> disabled;
    HandleNeeded();
    // On top of the window it belongs to, not of every program: owned by the
    // window that was active, else the main form, for as long as it is shown.
    HWND owner = GetActiveWindow();
    if (!owner || owner == FHandle || !TWinControl::FromHandle(owner))
        owner =
            Application->MainForm() && Application->MainForm() != this ? Application->MainForm()->Handle() : nullptr;
    const LONG_PTR oldOwner = GetWindowLongPtrW(FHandle, GWLP_HWNDPARENT);
    if (!FParent)
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    for (HWND wnd : disabled)
        EnableWindow(wnd, FALSE);
    FModal = true;
    FModalResult = mrNone;
    try {
        Show();
        FocusFirstControl();
        while (FModalResult == mrNone) {
            if (!Application->HandleMessage(true)) {
                FModalResult = mrCancel;
                PostQuitMessage(0);  // the outer loop must see it too
            }
        }
    } catch (...) {
        for (HWND wnd : disabled)
            EnableWindow(wnd, TRUE);
        if (!FParent && FHandle)
            SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, oldOwner);
        FModal = false;
        throw;
    }
    for (HWND wnd : disabled)
        EnableWindow(wnd, TRUE);
    Hide();
    // An owner that is destroyed takes its owned windows along (full screen
    // makes the main form's window anew): the hidden dialog belongs to none.
    if (!FParent && FHandle)
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, oldOwner);
    FModal = false;
    return FModalResult;
}

void TCustomForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

void TCustomForm::FocusFirstControl() {
    // The first control that takes the keyboard, as in a dialog box.
    HWND first = nullptr;
    EnumChildWindows(FHandle, &FindTabStop, reinterpret_cast<LPARAM>(&first));
    if (first)
        SetFocus(first);
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_COMMAND:
            if (m.LParam == 0 && HIWORD(m.WParam) <= 1 && FMenu && FMenu->DispatchCommand(LOWORD(m.WParam))) {
                m.Result = 0;
                break;
            }
            TWinControl::WndProc(m);
            break;
        case WM_CLOSE:
            Close();
            m.Result = 0;
            break;
        case WM_DPICHANGED: WMDpiChanged(m); break;
        case WM_ACTIVATE: WMActivate(m); break;
        case WM_MOUSEWHEEL:
            if (!OnMouseWheel) {
                TWinControl::WndProc(m);
                break;
            }
            OnMouseWheel(this, GET_WHEEL_DELTA_WPARAM(m.WParam));
            m.Result = 0;
            break;
        default: TWinControl::WndProc(m);
    }
}

bool TCustomForm::SetProperty(const std::string& name, const TLayoutValue& v) {
    if (name == "BorderStyle")
        SetBorderStyle(v.IsIdent("bsDialog") ? bsDialog : v.IsIdent("bsNone") ? bsNone : bsSizeable);
    else if (name == "FormStyle")
        SetFormStyle(v.IsIdent("fsStayOnTop") ? fsStayOnTop : fsNormal);
    else if (name == "Position")
        SetPosition(v.IsIdent("poScreenCenter") ? poScreenCenter : poDesigned);
    else if (name == "ClientWidth")
        SetClientWidth(static_cast<int>(v.Int));
    else if (name == "ClientHeight")
        SetClientHeight(static_cast<int>(v.Int));
    else if (name == "Font.Name")
        FFont.Name = v.Str;
    else if (name == "Font.Height")
        FFont.Height = static_cast<int>(v.Int);
    else if (name == "Font.Charset")
        FFont.Charset = v.IsIdent("SHIFTJIS_CHARSET") ? SHIFTJIS_CHARSET : static_cast<BYTE>(v.Int);
    else if (name == "Font.Color")
        FFont.Color = v.IsIdent("clWindowText") ? clWindowText : static_cast<TColor>(v.Int);
    else if (name == "Menu")
        FMenuName = v.Str;
    else if (name == "Scaled")
        FScaled = v.IsIdent("True");
    else if (name == "PixelsPerInch")
        FPixelsPerInch = static_cast<int>(v.Int);
    else if (name == "OnCreate")
        OnCreate = LayoutMethod<TNotifyEvent>(this, v);
    else if (name == "OnShow")
        OnShow = LayoutMethod<TNotifyEvent>(this, v);
    else
        return TWinControl::SetProperty(name, v);
    return true;
}

// -------------------------------------------------------------- TApplication

namespace {
// The message numbers IgnoredWhileBusy holds true for. Keys that go to the
// system (Alt with a key, F10) stay: they open the menu and close the window,
// and any shortcut among them meets the busy rule when it runs its action.
constexpr UINT InputIgnoredWhileBusy[] = {
    WM_KEYDOWN,       WM_KEYUP,         WM_CHAR,          WM_DEADCHAR,    WM_LBUTTONDOWN,
    WM_LBUTTONUP,     WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,   WM_RBUTTONUP,   WM_RBUTTONDBLCLK,
    WM_MBUTTONDOWN,   WM_MBUTTONUP,     WM_MBUTTONDBLCLK, WM_XBUTTONDOWN, WM_XBUTTONUP,
    WM_XBUTTONDBLCLK, WM_MOUSEWHEEL,    WM_MOUSEHWHEEL,   WM_DROPFILES,
};

// A drop is the receiver's to finish, also one that is ignored.
void DiscardInput(const MSG& msg) {
    if (msg.message == WM_DROPFILES)
        DragFinish(reinterpret_cast<HDROP>(msg.wParam));
}
}  // namespace

void TApplication::Initialize() {
    FComInitialized = SUCCEEDED(CoInitialize(nullptr));
}

void TApplication::Finalize() {
    DestroyComponents();
    FMainForm = nullptr;
    if (FComInitialized) {
        CoUninitialize();
        FComInitialized = false;
    }
    // A thread left inside a call that may never return can hold locks that
    // an orderly exit waits for (the loader's, a decoder's): end right here.
    if (AbandonedWorkRunning())
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ExitCode));
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm)
        FMainForm = nullptr;
}

bool TApplication::HandleMessage(bool wait) {
    MSG msg;
    if (wait) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            FTerminated = true;
            return false;
        }
    } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    } else if (msg.message == WM_QUIT) {
        FTerminated = true;
        return false;
    }
    if (FBusy > 0 && IgnoredWhileBusy(msg.message)) {
        DiscardInput(msg);
        return true;
    }
    if (IsShortCutMessage(msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

bool TApplication::IsShortCutMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    auto* form = dynamic_cast<TCustomForm*>(TWinControl::FromHandle(root));
    // A form that a modal dialog has disabled takes no keys.
    if (!form || !IsWindowEnabled(root))
        return false;
    TShortCut shortCut =
        ShortCutFromKey(msg.wParam, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
    // Plain keys are typing for a window that takes typing (an edit box says
    // so when asked); everywhere else they may be shortcuts as well.
    bool plain = (shortCut & (scCtrl | scAlt)) == 0 && !((shortCut & 0xFF) >= VK_F1 && (shortCut & 0xFF) <= VK_F24);
    if (plain && (SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
                  (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTALLKEYS)))
        return false;
    try {
        return form->IsShortCut(shortCut);
    } catch (...) {
        HandleException(form);
        return true;
    }
}

bool IgnoredWhileBusy(UINT message) {
    for (UINT m : InputIgnoredWhileBusy)
        if (m == message)
            return true;
    return false;
}

void TApplication::BeginBusy() {
    ++FBusy;
}

void TApplication::EndBusy() {
    if (FBusy == 1) {
        // Input that came while busy may still be queued, or still be on its
        // way from the window system (which this look fetches too).
        MSG msg;
        for (UINT m : InputIgnoredWhileBusy)
            while (PeekMessageW(&msg, nullptr, m, m, PM_REMOVE))
                DiscardInput(msg);
    }
    if (FBusy > 0)
        --FBusy;
}

void TApplication::ProcessMessages() {
    while (HandleMessage(false)) {
    }
}

void TApplication::Run() {
    // Told to end before it ran (the main form's creation found nothing to
    // do): no window is shown for a moment.
    if (FMainForm && !FTerminated) {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        GetStartupInfoW(&si);
        int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL;
        if (show == SW_SHOWDEFAULT || show == SW_HIDE)
            show = SW_SHOWNORMAL;
        try {
            FMainForm->ShowWithState(show);
        } catch (...) {
            HandleException(FMainForm);
        }
    }
    while (!FTerminated)
        HandleMessage(true);
}

void TApplication::Terminate() {
    FTerminated = true;
    // A menu being tracked (the menu bar after a lone Alt) runs a loop of
    // its own that would go on after the quit message: it is ended too.
    EndMenu();
    PostQuitMessage(0);
}

void TApplication::ShowMessage(const std::string& text) {
    ::MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(Title).c_str(), MB_OK | MB_TASKMODAL);
}

void TApplication::ShowException(const Exception& error) {
    ::MessageBoxW(nullptr, Utf8ToWide(error.Message()).c_str(), Utf8ToWide(Title).c_str(),
                  MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void TApplication::HandleException(TObject* sender) {
    auto report = [&](const Exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    };
    try {
        throw;
    } catch (const Exception& e) {
        report(e);
    } catch (const std::exception& e) {
        report(Exception(e.what()));
    } catch (...) {
        report(Exception("Unknown error"));
    }
}
