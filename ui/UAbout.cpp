#include "ui/UAbout.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/TextConversion.h"

TAboutBox* AboutBox = nullptr;

namespace {
// The UTF-16 text at value, within the block: never read past its end, even
// if the terminator is missing. "" for a value outside the block.
std::string TextWithin(const std::vector<char>& block, const void* value) {
    const char* text = static_cast<const char*>(value);
    const char* end = block.data() + block.size();
    if (text < block.data() || text >= end)
        return "";
    const size_t room = static_cast<size_t>(end - text) / sizeof(wchar_t);
    const wchar_t* chars = static_cast<const wchar_t*>(value);
    size_t n = 0;
    while (n < room && chars[n] != L'\0')
        ++n;
    return WideToUtf8(std::wstring_view(chars, n));
}
}  // namespace

std::string ReadVersionString(const std::string& fileName, const std::string& key) {
    const std::wstring file = Utf8ToWide(fileName);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0)
        return "";
    std::vector<char> block(size);  // freed on every way out, errors included
    if (!GetFileVersionInfoW(file.c_str(), handle, size, block.data()))
        RaiseLastOSError();

    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length))
        RaiseLastOSError();
    // One entry is a language and a code page, two 16-bit words. A table too
    // short to hold one names no string table.
    if (!translation || length < 2 * sizeof(WORD))
        return "";
    const WORD* entry = static_cast<const WORD*>(translation);

    char path[64 + 1];
    std::snprintf(path, sizeof(path), "\\StringFileInfo\\%4.4x%4.4x\\", entry[0], entry[1]);
    // The strings are read as UTF-16, as the block holds them: the wide
    // query needs no code page, so they read right on any system.
    const std::wstring subBlock = Utf8ToWide(path + key);

    void* value = nullptr;
    if (!VerQueryValueW(block.data(), subBlock.c_str(), &value, &length) || !value)
        return "";
    return TextWithin(block, value);
}

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
    InitializeForm("TABOUTBOX");
}

std::span<const TPublishedMember> TAboutBox::PublishedMembers() const {
    static const TPublishedMember members[] = {
        PublishedField<&TAboutBox::Panel1>("Panel1"),
        PublishedField<&TAboutBox::ProgramIcon>("ProgramIcon"),
        PublishedField<&TAboutBox::ProductName>("ProductName"),
        PublishedField<&TAboutBox::Version>("Version"),
        PublishedField<&TAboutBox::Copyright>("Copyright"),
        PublishedField<&TAboutBox::Comments>("Comments"),
        PublishedField<&TAboutBox::BitBtn1>("BitBtn1"),
        PublishedField<&TAboutBox::Label1>("Label1"),
        PublishedMethod<&TAboutBox::FormCreate>("FormCreate"),
        PublishedMethod<&TAboutBox::BitBtn1Click>("BitBtn1Click"),
    };
    return members;
}

void TAboutBox::FormCreate(TObject*) {
    // The program may live in a folder whose name is long or in any script.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()))) == buffer.size() &&
           buffer.size() < 32768)
        buffer.resize(buffer.size() * 2);
    std::string fileName = n < buffer.size() ? WideToUtf8(std::wstring_view(buffer.data(), n)) : std::string();
    // Each read opens the file anew; an error stops the filling where it is.
    ProductName->SetCaption(ReadVersionString(fileName, "ProductName"));
    Version->SetCaption("Ver." + ReadVersionString(fileName, "FileVersion"));
    Copyright->SetCaption(ReadVersionString(fileName, "LegalCopyright"));
    Comments->SetCaption(ReadVersionString(fileName, "Comments"));
}

void TAboutBox::BitBtn1Click(TObject*) {
    Close();
}
