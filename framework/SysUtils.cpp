// The run-time library's calls on the system: the ANSI code page, the process
// command line and the file system. The rules themselves are in SysUtilsPure.cpp.
#include "framework/SysUtils.h"

#include "framework/Classes.h"

#include <windows.h>

bool IsAnsiLeadByte(unsigned char b) noexcept {
    return IsDBCSLeadByte(b) != FALSE;
}

int ParamCount() {
    return ParamCount(GetCommandLineA(), IsAnsiLeadByte);
}

std::string ParamStr(int index) {
    return ParamStr(GetCommandLineA(), index, IsAnsiLeadByte);
}

bool FileExists(const std::string& fileName) {
    // "*" and "?" are never trail bytes in Shift-JIS, so a plain byte search
    // cannot hit half of a double-byte character.
    if (fileName.empty() || fileName.find_first_of("*?") != std::string::npos)
        return false;
    // Windows' lookup takes no name whose UTF-16 form, terminator included,
    // needs more than MAX_PATH units; Wine's takes a few longer ones, which
    // nothing could open afterwards (DirectShow gets the name in a buffer of
    // MAX_PATH units). Such a name is no file here either.
    int units = MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, nullptr, 0);
    if (units <= 0 || units > MAX_PATH)
        return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(fileName.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string OSErrorMessage(int code, const std::string& description) {
    if (code == 0)
        return "OS 機能呼び出しの失敗";
    return "システムエラー。コード：" + std::to_string(code) + ".\r\n" + description;
}

std::string SysErrorMessage(unsigned long code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : std::string();
    if (text)
        LocalFree(text);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n'))
        s.pop_back();
    return s;
}

void RaiseLastOSError() {
    DWORD code = GetLastError();
    throw Exception(OSErrorMessage(static_cast<int>(code), code ? SysErrorMessage(code) : std::string()));
}
