// Message boxes: read and answered, of this thread or of another process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What a message box showed.
struct TMessageBoxInfo {
    std::string Caption;  // UTF-8, like the program's text
    std::string Text;
    std::vector<std::string> Buttons;  // captions without the '&' mnemonic marks
    bool HasIcon = false;
    RECT Bounds{};  // on the screen
};

// A window's text, also of a window of another process whose thread waits in
// a modal loop; read as UTF-16, in UTF-8.
std::string TextOf(HWND wnd);
// The caption Windows keeps for a window, read as UTF-16, in UTF-8: the one
// caption reader of the tests. For a window of another process it needs
// nothing of the window's thread, which may be ending.
std::string CaptionOf(HWND wnd);
// Reads a message box window; false if it is none.
bool ReadMessageBox(HWND box, TMessageBoxInfo& info);
// Presses the box's button of that caption the way a click would; false if
// there is no such button.
bool PressButton(HWND box, const std::string& caption);
// The first visible message box of this process, or null.
HWND FindMessageBox();

// Answers the message boxes of the calling thread the moment they appear,
// from inside that thread: a thread-local hook sees each box activated and,
// from the box's own modal loop, its content is recorded and its OK button
// pressed. (Boxes of another process: FindMessageBox, ReadMessageBox and
// PressButton above.)
class TBoxAnswerer {
public:
    TBoxAnswerer();
    ~TBoxAnswerer();
    TBoxAnswerer(const TBoxAnswerer&) = delete;
    TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;

    // The boxes answered so far, in order.
    const std::vector<TMessageBoxInfo>& Seen() const { return FSeen; }
    size_t Count() const { return FSeen.size(); }
    void Clear() { FSeen.clear(); }
    // The texts seen so far, in order.
    std::vector<std::string> Texts() const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Answer(HWND box, UINT message, UINT_PTR id, DWORD time);

    HHOOK FHook = nullptr;
    TBoxAnswerer* FPrevious = nullptr;
    std::vector<TMessageBoxInfo> FSeen;
};
