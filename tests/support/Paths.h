// Where test files are, as the program under Wine sees them.
#pragma once

#include <string>

// A host path (/x/y) as a Windows path on Wine's Z: drive (Z:\x\y). A path
// that already looks like a Windows path is returned as it is.
std::string WinePath(const std::string& hostPath);

// The Windows path of a file in the test data folder (environment variable
// PELORIN_TEST_DATA, a host path), or empty when the variable is not set.
std::string TestData(const std::string& name);

// Whether a file or folder of that name exists.
bool PathExists(const std::string& path);
