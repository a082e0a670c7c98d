// The run-time library's calls on the system: the process command line, the
// file system and error texts. The rules themselves are in SysUtilsPure.cpp.
#include "framework/SysUtils.h"

#include "framework/Classes.h"
#include "framework/TextConversion.h"

#include <windows.h>

namespace {
std::string CommandLine() {
    return WideToUtf8(GetCommandLineW());
}
}  // namespace

int ParamCount() {
    return ParamCount(CommandLine().c_str());
}

std::string ParamStr(int index) {
    return ParamStr(CommandLine().c_str(), index);
}

bool FileExists(const std::string& fileName) {
    if (fileName.empty() || fileName.find_first_of("*?") != std::string::npos)
        return false;
    // Windows' lookup takes no name whose UTF-16 form, terminator included,
    // needs more than MAX_PATH units; Wine's takes a few longer ones, which
    // nothing could open afterwards (DirectShow gets the name in a buffer of
    // MAX_PATH units). Such a name is no file here either.
    const std::wstring name = Utf8ToWide(fileName);
    // A NUL inside would end the name early: the system would look up another.
    if (name.size() + 1 > MAX_PATH || name.find(L'\0') != std::wstring::npos)
        return false;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(name.c_str(), &data);
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
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string s = n && text ? WideToUtf8(std::wstring_view(text, n)) : std::string();
    if (text)
        LocalFree(text);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n'))
        s.pop_back();
    return s;
}

std::string LoadStr(unsigned id) {
    // With no buffer, LoadStringW hands out the text in the resource itself,
    // which is not terminated.
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? WideToUtf8(std::wstring_view(text, static_cast<size_t>(n))) : std::string();
}

void RaiseLastOSError() {
    DWORD code = GetLastError();
    throw Exception(OSErrorMessage(static_cast<int>(code), code ? SysErrorMessage(code) : std::string()));
}
