// Message boxes of this process, seen and answered from a second thread while
// the user-interface thread sits in the box's modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a message box showed.
struct TMessageBoxInfo {
    std::string Caption;               // UTF-8, like the program's text
    std::string Text;
    std::vector<std::string> Buttons;  // captions without the '&' mnemonic marks
    bool HasIcon = false;
    RECT Bounds{};                     // on the screen
};

// A window's text, also of a window of another process whose thread waits in
// a modal loop; read as UTF-16, in UTF-8.
std::string TextOf(HWND wnd);
// Reads a message box window; false if it is none.
bool ReadMessageBox(HWND box, TMessageBoxInfo& info);
// Presses the box's button of that caption the way a click would; false if
// there is no such button.
bool PressButton(HWND box, const std::string& caption);
// The first visible message box of this process, or null.
HWND FindMessageBox();

// Watches for message boxes of this process from the moment it is made until
// it is destroyed, records each one and presses the given button on it.
class TDialogWatcher {
public:
    explicit TDialogWatcher(std::string button = "OK");
    ~TDialogWatcher();
    TDialogWatcher(const TDialogWatcher&) = delete;
    TDialogWatcher& operator=(const TDialogWatcher&) = delete;

    // The boxes answered so far, in order.
    std::vector<TMessageBoxInfo> Seen() const;
    size_t Count() const;

private:
    void Run();

    std::string FButton;
    std::atomic<bool> FStop{false};
    mutable std::mutex FLock;
    std::vector<TMessageBoxInfo> FSeen;
    std::thread FThread;
};
