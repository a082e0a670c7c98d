// Text conversion at the Windows boundary: Utf8ToUtf16, Utf16ToUtf8 and
// Utf16Length.
// Input: any bytes, read once as UTF-8 and once as UTF-16 units (pairs of
// bytes, low byte first, a last odd byte dropped).
//
// Properties:
// - Utf16Length tells the length of what Utf8ToUtf16 makes;
// - well-formed UTF-8 goes to UTF-16 and back unchanged, with no lone
//   surrogate on the way and no U+FFFD that was not in the text;
// - any UTF-16, lone surrogates included (a Windows file name may hold
//   them), goes to UTF-8 and back unchanged;
// - ASCII is never made or lost: "\", ":", quotes and blanks stay exactly
//   where they were, however malformed the rest.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "FuzzSupport.h"
#include "framework/TextConversion.h"

namespace {

template <class S>
size_t CountAscii(const S& s) {
    size_t n = 0;
    for (auto c : s)
        n += static_cast<uint32_t>(static_cast<std::make_unsigned_t<decltype(c)>>(c)) < 0x80;
    return n;
}

bool HasLoneSurrogate(const std::u16string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
            ++i;
        else if (s[i] >= 0xD800 && s[i] <= 0xDFFF)
            return true;
    }
    return false;
}

std::string Units(const std::u16string& s) {
    std::string out;
    for (char16_t u : s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(u));
        out += buf;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto what = [&] { return "bytes " + fuzz::Escaped(bytes); };

    const std::u16string wide = Utf8ToUtf16(bytes);
    FUZZ_CHECK(Utf16Length(bytes) == wide.size(), what());
    FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(wide)) == wide, what() + " gave " + Units(wide));
    FUZZ_CHECK(CountAscii(wide) == CountAscii(bytes), what() + " gave " + Units(wide));
    if (fuzz::IsWellFormedUtf8(bytes)) {
        FUZZ_CHECK(Utf16ToUtf8(wide) == bytes, what() + " gave " + Units(wide));
        FUZZ_CHECK(!HasLoneSurrogate(wide), what() + " gave " + Units(wide));
        const bool hadReplacement = bytes.find("\xEF\xBF\xBD") != std::string::npos;
        FUZZ_CHECK(hadReplacement || wide.find(u'\uFFFD') == std::u16string::npos, what() + " gave " + Units(wide));
    }

    std::u16string units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    const std::string narrow = Utf16ToUtf8(units);
    FUZZ_CHECK(Utf8ToUtf16(narrow) == units, "units " + Units(units) + " gave " + fuzz::Escaped(narrow));
    FUZZ_CHECK(CountAscii(narrow) == CountAscii(units), "units " + Units(units) + " gave " + fuzz::Escaped(narrow));
    FUZZ_CHECK(HasLoneSurrogate(units) || fuzz::IsWellFormedUtf8(narrow),
               "units " + Units(units) + " gave " + fuzz::Escaped(narrow));
    return 0;
}
