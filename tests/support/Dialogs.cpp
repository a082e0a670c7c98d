#include "support/Dialogs.h"

#include <algorithm>

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

TDialogWatcher::TDialogWatcher(std::string button) : FButton(std::move(button)) {
    FThread = std::thread([this] { Run(); });
}

TDialogWatcher::~TDialogWatcher() {
    FStop = true;
    FThread.join();
}

void TDialogWatcher::Run() {
    std::vector<HWND> answered;
    while (!FStop) {
        HWND box = FindMessageBox();
        if (box && std::find(answered.begin(), answered.end(), box) == answered.end()) {
            // Give the box a moment to finish laying itself out.
            Sleep(50);
            TMessageBoxInfo info;
            if (ReadMessageBox(box, info)) {
                {
                    std::lock_guard<std::mutex> guard(FLock);
                    FSeen.push_back(info);
                }
                PressButton(box, FButton);
                answered.push_back(box);
            }
        } else if (answered.size() && !IsWindow(answered.back())) {
            // A closed box's handle may be reused by the next one.
            answered.clear();
        }
        Sleep(20);
    }
}

std::vector<TMessageBoxInfo> TDialogWatcher::Seen() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FSeen;
}

size_t TDialogWatcher::Count() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FSeen.size();
}

std::string TextOf(HWND wnd) {
    // WM_GETTEXT reaches the window's thread, which may be in a modal loop
    // (a message box's). Read as UTF-16, so the text is whole whatever the
    // code page.
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(wnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return WideToUtf8(text);
}
