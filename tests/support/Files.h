// Files that tests make at run time, and proof that nobody changed them:
// bytes in and out, a fingerprint of a file's content and metadata, and a
// scratch folder that removes itself with everything in it.
// Names are UTF-8, as the program itself keeps them; the functions here go
// through UTF-16 so that names longer than MAX_PATH work as well.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

// The whole file; false when it cannot be read.
bool ReadBytes(const std::string& path, TBytes& bytes);
// Creates or replaces the file with exactly these bytes.
bool WriteBytes(const std::string& path, const TBytes& bytes);
bool MakeFolder(const std::string& path);
// Removes a file or a folder with everything below it; true if nothing is left.
bool RemovePath(const std::string& path);

// What a file is, as far as anybody could have changed it.
struct TFileFingerprint {
    bool Exists = false;
    bool IsFolder = false;
    uint64_t Size = 0;
    FILETIME LastWrite{};
    DWORD Attributes = 0;
    std::string Sha256;  // hex; empty for a folder or a file that cannot be read

    bool operator==(const TFileFingerprint& other) const;
    std::string Describe() const;
};
TFileFingerprint Fingerprint(const std::string& path);

// SHA-256 of the bytes, in lower-case hex.
std::string Sha256Hex(const TBytes& bytes);

// Deterministic pseudo-random bytes (xorshift), so a failing input can be
// made again from its seed.
class TRandomBytes {
public:
    explicit TRandomBytes(uint64_t seed) : FState(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next();
    TBytes Make(size_t count);

private:
    uint64_t FState;
};

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TScratchFolder {
public:
    explicit TScratchFolder(const std::string& name);
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return FPath; }
    // Path() + "\" + name
    std::string operator/(const std::string& name) const { return FPath + "\\" + name; }

private:
    std::string FPath;
};
