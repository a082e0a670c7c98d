// Shared by the fuzz targets: property checks that stop the run with a
// message (libFuzzer then saves the input), and the character walks that the
// properties are stated in (UTF-8, the program's text inside).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/SysUtils.h"

// A broken property is a crash as far as the fuzzer is concerned.
#define FUZZ_CHECK(cond, what)                                                                                \
    do {                                                                                                      \
        if (!(cond)) {                                                                                        \
            std::fprintf(stderr, "property failed: %s\n  %s\n  at %s:%d\n", #cond, std::string(what).c_str(), \
                         __FILE__, __LINE__);                                                                 \
            std::abort();                                                                                     \
        }                                                                                                     \
    } while (0)

namespace fuzz {

// The length of the UTF-8 sequence that the byte b opens, by its high bits
// alone: 1 for ASCII and for bytes that open nothing (continuations, 0xF8 up).
inline size_t SequenceLength(unsigned char b) {
    if (b >= 0xF0 && b < 0xF8)
        return 4;
    if (b >= 0xE0 && b < 0xF0)
        return 3;
    if (b >= 0xC0 && b < 0xE0)
        return 2;
    return 1;
}

// The text cut into characters: a byte that opens a sequence takes the
// continuation bytes (0x80-0xBF) that follow it, up to the sequence's length;
// any other byte stands alone. The views are into s.
inline std::vector<std::string_view> Characters(std::string_view s) {
    std::vector<std::string_view> chars;
    for (size_t i = 0; i < s.size();) {
        size_t n = 1;
        const size_t want = SequenceLength(static_cast<unsigned char>(s[i]));
        while (n < want && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
        chars.push_back(s.substr(i, n));
        i += n;
    }
    return chars;
}

// Well-formed UTF-8 as the Unicode standard's table of byte sequences has it:
// no overlong forms, no surrogates, nothing above U+10FFFF.
inline bool IsWellFormedUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(s[i + k]); };
        const size_t n = SequenceLength(b(0));
        if (n == 1) {
            if (b(0) >= 0x80)
                return false;
            ++i;
            continue;
        }
        if (i + n > s.size())
            return false;
        unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
        if (b(0) == 0xE0)
            lo = 0xA0;
        else if (b(0) == 0xED)
            hi = 0x9F;
        else if (b(0) == 0xF0)
            lo = 0x90;
        else if (b(0) == 0xF4)
            hi = 0x8F;
        else if (b(0) == 0xC0 || b(0) == 0xC1 || b(0) > 0xF4)
            return false;
        if (b(1) < lo || b(1) > hi)
            return false;
        for (size_t k = 2; k < n; ++k)
            if ((b(k) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
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
