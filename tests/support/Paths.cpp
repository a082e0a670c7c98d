#include "support/Paths.h"

#include <windows.h>

#include <cstdlib>

#include "framework/TextConversion.h"

std::string WinePath(const std::string& hostPath) {
    if (hostPath.empty() || hostPath[0] != '/')
        return hostPath;
    std::string result = "Z:" + hostPath;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

std::string TestData(const std::string& name) {
    const char* dir = std::getenv("PELORIN_TEST_DATA");
    if (!dir || !*dir)
        return {};
    std::string path = WinePath(dir);
    if (path.back() != '\\')
        path += '\\';
    return path + name;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
