#include "support/Unmanaged.h"

#include <windows.h>

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void UseUnmanagedWindows(const std::string& programName) {
    if (!RunningUnderWine())
        return;
    std::string key = "Software\\Wine\\AppDefaults\\" + programName + "\\X11 Driver";
    HKEY hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(hkey, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(hkey);
}

void UseUnmanagedWindowsHere() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    size_t slash = name.find_last_of("\\/");
    UseUnmanagedWindows(slash == std::string::npos ? name : name.substr(slash + 1));
}
