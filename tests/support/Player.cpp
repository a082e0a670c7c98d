#include "support/Player.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "framework/TextConversion.h"
#include "support/Unmanaged.h"

namespace {
struct TFindData {
    DWORD ProcessId;
    const char* ClassName;
    HWND Found;
};

BOOL CALLBACK FindProcessWindow(HWND wnd, LPARAM param) {
    auto* data = reinterpret_cast<TFindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (pid == data->ProcessId && lstrcmpA(cls, data->ClassName) == 0 && IsWindowVisible(wnd)) {
        data->Found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(DWORD pid, const char* cls, DWORD timeoutMs) {
    timeoutMs = Scaled(timeoutMs);
    DWORD start = GetTickCount();
    do {
        TFindData data{pid, cls, nullptr};
        EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&data));
        if (data.Found)
            return data.Found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}
}  // namespace

DWORD Scaled(DWORD ms) {
    // Where the player runs emulated (a 32-bit build on a machine without
    // native 32-bit execution), everything it does takes far longer.
    return std::getenv("PELORIN_SLOW") ? ms * 30 : ms;
}

TWindowInfo ReadWindowInfo(HWND wnd) {
    TWindowInfo info;
    GetWindowRect(wnd, &info.Window);
    RECT client{};
    GetClientRect(wnd, &client);
    info.Client = {client.right, client.bottom};
    info.Style = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
    info.ExStyle = static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE));
    info.Caption = CaptionOf(wnd);
    return info;
}

TPlayerProcess::TPlayerProcess(const std::string& arguments) {
    const char* exe = std::getenv("PELORIN_EXE");
    std::string path = WinePath(exe ? exe : "Pelorin.exe");
    // Wide, so that arguments in any script reach the player whole.
    std::wstring line = Utf8ToWide("\"" + path + "\" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(Utf8ToWide(path).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &FInfo))
        FInfo = {};
}

TPlayerProcess::TPlayerProcess(const std::string& arguments, const std::string& outputFile) {
    const char* exe = std::getenv("PELORIN_EXE");
    std::string path = WinePath(exe ? exe : "Pelorin.exe");
    std::wstring line = Utf8ToWide("\"" + path + "\" " + arguments);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE input =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input;
    si.hStdOutput = output;
    si.hStdError = output;
    if (output == INVALID_HANDLE_VALUE || !CreateProcessW(Utf8ToWide(path).c_str(), line.data(), nullptr, nullptr, TRUE,
                                                          0, nullptr, nullptr, &si, &FInfo))
        FInfo = {};
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    if (input != INVALID_HANDLE_VALUE)
        CloseHandle(input);
}

TPlayerProcess::~TPlayerProcess() {
    if (!FInfo.hProcess)
        return;
    if (Running()) {
        TerminateProcess(FInfo.hProcess, 99);
        WaitForSingleObject(FInfo.hProcess, 5000);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
}

HWND TPlayerProcess::WaitForMainWindow(DWORD timeoutMs) {
    return FInfo.hProcess ? WaitForWindow(FInfo.dwProcessId, "Pelorin.TForm", timeoutMs) : nullptr;
}

HWND TPlayerProcess::WaitForMessageBox(DWORD timeoutMs) {
    return FInfo.hProcess ? WaitForWindow(FInfo.dwProcessId, "#32770", timeoutMs) : nullptr;
}

bool TPlayerProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!FInfo.hProcess || WaitForSingleObject(FInfo.hProcess, Scaled(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(FInfo.hProcess, exitCode);
    return true;
}

bool TPlayerProcess::Running() {
    return FInfo.hProcess && WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> RunRefused(const std::string& arguments, const std::function<void(HWND box)>& check) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
        TPlayerProcess player(arguments);
        HWND box = player.WaitForMessageBox(30000);
        if (!box) {
            if (attempt == 1 && player.Running()) {
                std::printf(
                    "[ platform ] no refusal within 30 s, the player still running: the platform's parser "
                    "hang; trying once more\n");
                continue;  // the player is ended with its object
            }
            ADD_FAILURE() << "the refusal did not come";
            return std::nullopt;
        }
        check(box);
        if (!PressButton(box, "OK")) {
            ADD_FAILURE() << "the refusal could not be answered";
            return std::nullopt;
        }
        // Then the player ends by itself, with nothing more to say.
        ULONGLONG deadline = GetTickCount64() + Scaled(30000);
        while (player.Running() && GetTickCount64() < deadline) {
            if (HWND again = player.WaitForMessageBox(0); again && again != box && IsWindowVisible(again)) {
                TMessageBoxInfo msg;
                ReadMessageBox(again, msg);
                ADD_FAILURE() << "a second message: " << msg.Text;
                PressButton(again, "OK");
            }
            Sleep(50);
        }
        DWORD code = 0;
        if (!player.WaitForExit(0, &code)) {
            ADD_FAILURE() << "the player stayed after its refusal";
            return std::nullopt;
        }
        return code;
    }
    return std::nullopt;
}

void TUnmanagedPlayer::SetUp() {
    const char* exe = std::getenv("PELORIN_EXE");
    TBytes program;
    if (!exe || !ReadBytes(WinePath(exe), program))
        return;
    FFolder = std::make_unique<TScratchFolder>("pelorin-player");
    std::string copy = *FFolder / kName;
    if (!WriteBytes(copy, program))
        return;
    UseUnmanagedWindows(kName);
    FSaved = exe;
    _putenv_s("PELORIN_EXE", copy.c_str());
}

void TUnmanagedPlayer::TearDown() {
    if (!FSaved.empty())
        _putenv_s("PELORIN_EXE", FSaved.c_str());
    FFolder.reset();
}
