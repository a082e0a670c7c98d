// Shared by the fuzz targets: property checks that stop the run with a
// message (libFuzzer then saves the input), and the character walks that the
// properties are stated in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/SysUtils.h"

// A broken property is a crash as far as the fuzzer is concerned.
#define FUZZ_CHECK(cond, what)                                                              \
    do {                                                                                    \
        if (!(cond)) {                                                                      \
            std::fprintf(stderr, "property failed: %s\n  %s\n  at %s:%d\n", #cond,          \
                         std::string(what).c_str(), __FILE__, __LINE__);                    \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)

namespace fuzz {

inline bool NoLeadBytes(unsigned char) {
    return false;
}

// Every byte from 0x80 up opens a double-byte character: trail bytes then
// take every value, blanks, quotes and "\" included.
inline bool HighLeadBytes(unsigned char b) {
    return b >= 0x80;
}

// The lead-byte test a target runs under, chosen by one input byte: the
// Shift-JIS table most of the time, as the program meets it.
inline TLeadByteTest PickLeadByteTest(uint8_t selector) {
    switch (selector % 4) {
    case 1:
        return NoLeadBytes;
    case 2:
        return HighLeadBytes;
    default:
        return IsShiftJisLeadByte;
    }
}

// The text cut into characters, each one or two bytes: a lead byte takes the
// next byte whatever it is, unless the text ends there. The views are into s.
inline std::vector<std::string_view> Characters(std::string_view s, TLeadByteTest isLeadByte) {
    std::vector<std::string_view> chars;
    for (size_t i = 0; i < s.size();) {
        size_t n = isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        chars.push_back(s.substr(i, n));
        i += n;
    }
    return chars;
}

// Readable bytes for a failure message.
inline std::string Escaped(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

inline std::string Escaped(const std::vector<std::string>& list) {
    std::string out = "[";
    for (const auto& s : list)
        out += (out.size() > 1 ? ", " : "") + Escaped(s);
    return out + "]";
}

}  // namespace fuzz
