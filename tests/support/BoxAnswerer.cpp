#include "support/BoxAnswerer.h"

namespace {
// The answerer of this thread; hooks are per thread, and so is this.
thread_local TBoxAnswerer* tCurrent = nullptr;

constexpr UINT_PTR kAnswerTimer = 0xB0C5;

bool IsDialog(HWND wnd) {
    char name[16] = {};
    GetClassNameA(wnd, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}
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
    if (!self || !IsWindow(box) || !ReadMessageBox(box, info))
        return;
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
        if (IsDialog(box))
            SetTimer(box, kAnswerTimer, 1, &TBoxAnswerer::Answer);
    }
    return CallNextHookEx(self ? self->FHook : nullptr, code, wParam, lParam);
}
