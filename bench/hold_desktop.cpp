// Keeps Wine's desktop process running while the benchmark runs.
//
// Wine starts a desktop process for the first program that uses the window
// system and ends it about a second after the last such program has gone. Run
// after run, some programs would then pay for starting it and some would not,
// depending on the gap between them; on a user's desktop it is always there.
// This program attaches to the desktop and waits until it is killed.
#include <windows.h>

int main() {
    GetDesktopWindow();
    // A window of our own, never shown, keeps this process a user of the desktop.
    CreateWindowExA(0, "STATIC", "hold", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    for (;;)
        Sleep(INFINITE);
}
