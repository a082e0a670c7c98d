#include "support/Player.h"

#include <cstdlib>

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

BOOL CALLBACK CollectChild(HWND wnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

std::string ClassOf(HWND wnd) {
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND wnd) {
    char text[1024] = {};
    GetWindowTextA(wnd, text, sizeof text);
    return text;
}
}  // namespace

std::string HostToWinePath(const std::string& hostPath) {
    std::string path = hostPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

std::string TestDataFile(const std::string& name) {
    const char* dir = std::getenv("PELORIN_TEST_DATA");
    return HostToWinePath(std::string(dir ? dir : ".") + "/" + name);
}

TWindowInfo ReadWindowInfo(HWND wnd) {
    TWindowInfo info;
    GetWindowRect(wnd, &info.Window);
    RECT client{};
    GetClientRect(wnd, &client);
    info.Client = {client.right, client.bottom};
    info.Style = static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE));
    info.ExStyle = static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE));
    info.Caption = TextOf(wnd);
    return info;
}

TMessageBoxInfo ReadMessageBox(HWND box) {
    TMessageBoxInfo info;
    info.Caption = TextOf(box);
    for (HWND child : Children(box)) {
        if (!IsWindowVisible(child))
            continue;
        std::string cls = ClassOf(child);
        if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            info.Buttons.push_back(TextOf(child));
        } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            if (GetWindowLongA(child, GWL_STYLE) & SS_ICON) {
                if (SendMessageA(child, STM_GETICON, 0, 0))
                    info.HasIcon = true;
            } else if (GetDlgCtrlID(child) == 0xFFFF) {
                info.Text = TextOf(child);
            }
        }
    }
    return info;
}

bool PressButton(HWND box, const std::string& caption) {
    for (HWND child : Children(box)) {
        if (IsWindowVisible(child) && lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && TextOf(child) == caption) {
            PostMessageA(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

TPlayerProcess::TPlayerProcess(const std::string& arguments) {
    const char* exe = std::getenv("PELORIN_EXE");
    std::string path = HostToWinePath(exe ? exe : "Pelorin.exe");
    std::string line = "\"" + path + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FInfo))
        FInfo = {};
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
    if (!FInfo.hProcess || WaitForSingleObject(FInfo.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(FInfo.hProcess, exitCode);
    return true;
}

bool TPlayerProcess::Running() {
    return FInfo.hProcess && WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT;
}
