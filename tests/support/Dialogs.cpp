#include "support/Dialogs.h"

#include "framework/TextConversion.h"

namespace {
std::string ClassOf(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

std::string WithoutMnemonics(const std::string& s) {
    std::string result;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size())
            ++i;
        result += s[i];
    }
    return result;
}

BOOL CALLBACK CollectVisible(HWND child, LPARAM data) {
    if (IsWindowVisible(child))
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

std::vector<HWND> VisibleChildren(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, &CollectVisible, reinterpret_cast<LPARAM>(&children));
    return children;
}

BOOL CALLBACK FindBox(HWND wnd, LPARAM data) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(wnd) && ClassOf(wnd) == "#32770") {
        *reinterpret_cast<HWND*>(data) = wnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

std::string TextOf(HWND wnd) {
    // WM_GETTEXT reaches the window's thread, which may be in a modal loop
    // (a message box's). Read as UTF-16, so the text is whole whatever the
    // code page.
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(wnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return WideToUtf8(text);
}

std::string CaptionOf(HWND wnd) {
    wchar_t text[1024] = {};
    int n = GetWindowTextW(wnd, text, 1024);
    return WideToUtf8(std::wstring_view(text, n > 0 ? n : 0));
}

HWND FindMessageBox() {
    HWND found = nullptr;
    EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ReadMessageBox(HWND box, TMessageBoxInfo& info) {
    if (!IsWindow(box) || ClassOf(box) != "#32770")
        return false;
    info = {};
    info.Caption = TextOf(box);
    GetWindowRect(box, &info.Bounds);
    for (HWND child : VisibleChildren(box)) {
        std::string cls = ClassOf(child);
        if (cls == "Button") {
            info.Buttons.push_back(WithoutMnemonics(TextOf(child)));
        } else if (cls == "Static") {
            LONG style = GetWindowLongA(child, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON) {
                DWORD_PTR icon = 0;
                SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
                if (icon)
                    info.HasIcon = true;
            } else {
                std::string text = TextOf(child);
                if (!text.empty())
                    info.Text = text;
            }
        }
    }
    return true;
}

bool PressButton(HWND box, const std::string& caption) {
    for (HWND child : VisibleChildren(box)) {
        if (ClassOf(child) == "Button" && WithoutMnemonics(TextOf(child)) == caption) {
            // What a click does: the button tells its dialog it was pressed.
            PostMessageA(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

namespace {
// The answerer of this thread; hooks are per thread, and so is this.
thread_local TBoxAnswerer* tCurrent = nullptr;

constexpr UINT_PTR kAnswerTimer = 0xB0C5;
}  // namespace

TBoxAnswerer::TBoxAnswerer() {
    FPrevious = tCurrent;
    tCurrent = this;
    FHook = SetWindowsHookExA(WH_CBT, &TBoxAnswerer::Hook, nullptr, GetCurrentThreadId());
}

TBoxAnswerer::~TBoxAnswerer() {
    if (FHook)
        UnhookWindowsHookEx(FHook);
    tCurrent = FPrevious;
}

std::vector<std::string> TBoxAnswerer::Texts() const {
    std::vector<std::string> texts;
    for (const TMessageBoxInfo& info : FSeen)
        texts.push_back(info.Text);
    return texts;
}

void CALLBACK TBoxAnswerer::Answer(HWND box, UINT, UINT_PTR id, DWORD) {
    KillTimer(box, id);
    TBoxAnswerer* self = tCurrent;
    TMessageBoxInfo info;
    if (!self || !IsWindow(box))
        return;
    // A box not yet readable is tried again: one left up would hang its test.
    if (!ReadMessageBox(box, info)) {
        SetTimer(box, kAnswerTimer, 10, &TBoxAnswerer::Answer);
        return;
    }
    self->FSeen.push_back(info);
    if (!PressButton(box, "OK"))
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK TBoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    TBoxAnswerer* self = tCurrent;
    if (self && code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        // Activated, a box may not be on the screen yet: it is read and
        // answered from its own modal loop, at the first timer tick there.
        if (ClassOf(box) == "#32770")
            SetTimer(box, kAnswerTimer, 1, &TBoxAnswerer::Answer);
    }
    return CallNextHookEx(self ? self->FHook : nullptr, code, wParam, lParam);
}
