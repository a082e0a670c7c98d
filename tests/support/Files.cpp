#include "support/Files.h"

#include <wincrypt.h>

#include <cstdio>

#include "framework/TextConversion.h"

namespace {
// UTF-16 form of a UTF-8 path, with the "\\?\" prefix that lifts the MAX_PATH
// limit for absolute drive paths.
std::wstring Wide(const std::string& path) {
    std::wstring w = Utf8ToWide(path);
    if (w.size() > 2 && w[1] == L':' && w[2] == L'\\')
        w = L"\\\\?\\" + w;
    return w;
}

class THandle {
public:
    explicit THandle(HANDLE h) : FHandle(h) {}
    ~THandle() {
        if (FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};
}  // namespace

bool ReadBytes(const std::string& path, TBytes& bytes) {
    bytes.clear();
    // Share everything: reading must not disturb anybody else's use.
    THandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid())
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20)), got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

bool WriteBytes(const std::string& path, const TBytes& bytes) {
    THandle file(
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size());
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(Wide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool RemovePath(const std::string& path) {
    std::wstring w = Wide(path);
    DWORD attributes = GetFileAttributesW(w.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(w.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileW(w.c_str()) != 0;
    // Walk in UTF-16, convert each name back for the recursive call.
    WIN32_FIND_DATAW entry;
    HANDLE walk = FindFirstFileW((w + L"\\*").c_str(), &entry);
    if (walk != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            RemovePath(path + "\\" + WideToUtf8(name));
        } while (FindNextFileW(walk, &entry));
        FindClose(walk);
    }
    return RemoveDirectoryW(w.c_str()) != 0;
}

bool TFileFingerprint::operator==(const TFileFingerprint& o) const {
    return Exists == o.Exists && IsFolder == o.IsFolder && Size == o.Size &&
           CompareFileTime(&LastWrite, &o.LastWrite) == 0 && Attributes == o.Attributes && Sha256 == o.Sha256;
}

std::string TFileFingerprint::Describe() const {
    if (!Exists)
        return "(missing)";
    char text[200];
    std::snprintf(text, sizeof text, "%s size %llu, written %08lx%08lx, attributes %lx, sha256 %s",
                  IsFolder ? "folder" : "file", static_cast<unsigned long long>(Size),
                  static_cast<unsigned long>(LastWrite.dwHighDateTime),
                  static_cast<unsigned long>(LastWrite.dwLowDateTime), static_cast<unsigned long>(Attributes),
                  Sha256.empty() ? "-" : Sha256.c_str());
    return text;
}

TFileFingerprint Fingerprint(const std::string& path) {
    TFileFingerprint f;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return f;
    f.Exists = true;
    f.IsFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    f.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    f.LastWrite = data.ftLastWriteTime;
    f.Attributes = data.dwFileAttributes;
    TBytes bytes;
    if (!f.IsFolder && ReadBytes(path, bytes))
        f.Sha256 = Sha256Hex(bytes);
    return f;
}

std::string Sha256Hex(const TBytes& bytes) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return "(no SHA-256 provider)";
    std::string hex;
    HCRYPTHASH hash = 0;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        BYTE digest[32];
        DWORD length = sizeof digest;
        if (CryptHashData(hash, bytes.data(), static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
            static const char digits[] = "0123456789abcdef";
            for (DWORD i = 0; i < length; ++i) {
                hex += digits[digest[i] >> 4];
                hex += digits[digest[i] & 15];
            }
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return hex.empty() ? "(hash failed)" : hex;
}

uint64_t TRandomBytes::Next() {
    FState ^= FState << 13;
    FState ^= FState >> 7;
    FState ^= FState << 17;
    return FState;
}

TBytes TRandomBytes::Make(size_t count) {
    TBytes bytes(count);
    for (size_t i = 0; i < count; i += 8) {
        uint64_t v = Next();
        for (size_t k = 0; k < 8 && i + k < count; ++k)
            bytes[i + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    return bytes;
}

TScratchFolder::TScratchFolder(const std::string& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    FPath = WideToUtf8(temp) + name + "-" + std::to_string(GetCurrentProcessId());
    RemovePath(FPath);
    MakeFolder(FPath);
}

TScratchFolder::~TScratchFolder() {
    RemovePath(FPath);
}
