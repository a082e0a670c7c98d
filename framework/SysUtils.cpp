// The run-time library's calls on the system: the ANSI code page, the process
// command line and the file system. The rules themselves are in SysUtilsPure.cpp.
#include "framework/SysUtils.h"

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
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(fileName.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
