// Text inside the program is UTF-8 in std::string; Windows takes and gives
// UTF-16. This is the one place where text changes from one to the other, so
// that every caption, message and file name crosses the boundary the same way.
// Nothing here needs the system: the rules are also built and fuzzed natively.
//
// Windows file names are sequences of 16-bit units that need not be valid
// UTF-16: a lone surrogate is a legal name character. Such a unit is kept as
// its own three-byte sequence (the generalised UTF-8 known as WTF-8), so a name
// that comes from Windows goes back to Windows unchanged. A surrogate pair
// becomes the character's four-byte sequence, as in plain UTF-8.
#pragma once

#include <string>
#include <string_view>

// UTF-8 to UTF-16. Bytes that start no well-formed sequence (a stray
// continuation byte, a sequence cut short, an overlong form, a value above
// U+10FFFF) each become U+FFFD. Three-byte surrogate sequences give their
// unit back.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 to UTF-8, lone surrogates as three-byte sequences (see above).
std::string Utf16ToUtf8(std::u16string_view utf16);

// The number of UTF-16 units Utf8ToUtf16 makes of the text, without making it.
size_t Utf16Length(std::string_view utf8);

#ifdef _WIN32
// The same for the system's wide strings, which are UTF-16 on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Utf8ToWide(std::string_view utf8) {
    std::u16string s = Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

inline std::string WideToUtf8(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}
#endif
