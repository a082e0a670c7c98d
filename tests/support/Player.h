// Drives the real Pelorin.exe from outside, as a user would see it: starts it,
// finds its windows, reads rectangles, styles and captions, answers its
// message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Dialogs.h"
#include "support/Files.h"
#include "support/Paths.h"

// A time-out, stretched when the player under test runs emulated.
DWORD Scaled(DWORD ms);

struct TWindowInfo {
    RECT Window{};
    SIZE Client{};
    DWORD Style = 0;
    DWORD ExStyle = 0;
    std::string Caption;  // read as UTF-16, in UTF-8
};
TWindowInfo ReadWindowInfo(HWND wnd);

class TPlayerProcess {
public:
    // Starts build/Pelorin.exe with this argument text after the program name.
    explicit TPlayerProcess(const std::string& arguments);
    // The same, with the process's standard output and error (what the C++
    // run-time and Wine say of a crash) written to the file outputFile.
    TPlayerProcess(const std::string& arguments, const std::string& outputFile);
    ~TPlayerProcess();

    DWORD ProcessId() const { return FInfo.dwProcessId; }
    // The main window once visible, or null after the timeout.
    HWND WaitForMainWindow(DWORD timeoutMs = 15000);
    // A message box of the process, or null after the timeout.
    HWND WaitForMessageBox(DWORD timeoutMs = 15000);
    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    bool Running();

private:
    PROCESS_INFORMATION FInfo{};
};

// Starts the player on a file it cannot play, hands its one refusal to check,
// answers it and waits for the player to end by itself, failing the test at a
// second message or a player that stays. Wine 8's GStreamer parser now and
// then never returns from RenderFile for such a file (seldom on a quiet
// machine, often on a loaded one). A refusal that does not come while the
// player still runs is taken for that hang of the platform's once: reported,
// and the player started again. Returns the exit code, or nothing (the test
// has failed).
std::optional<DWORD> RunRefused(const std::string& arguments, const std::function<void(HWND box)>& check);

// The player, byte for byte, under a name of its own in a scratch folder,
// made this process's PELORIN_EXE for the whole test program. Wine lets the
// windows of that name come and go at once on a display without a window
// manager (support/Unmanaged.h): each window that goes would cost two seconds
// otherwise. Runs of the player by its own name elsewhere stay as they are.
class TUnmanagedPlayer : public testing::Environment {
public:
    static constexpr char kName[] = "PelorinUnderTest.exe";
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<TScratchFolder> FFolder;
    std::string FSaved;
};
