// The number rule: StrToIntDef.
// Input: the text to convert, any bytes (NUL included).
//
// Properties:
// - it agrees with a reference reading built on the C library's strtoul and
//   strtoll over the text, once it has been checked for the rule's shape;
// - the fallback comes back only for text the rule rejects, and is never
//   mixed into a value (two different fallbacks);
// - a value written back in decimal and in hexadecimal reads the same.
#include <cinttypes>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "framework/SysUtils.h"

namespace {

constexpr int kDefA = 1234567;
constexpr int kDefB = -7654321;

bool AllOf(const std::string& s, const char* allowed) {
    return !s.empty() && s.find_first_not_of(allowed) == std::string::npos;
}

std::string WithoutLeadingZeros(const std::string& digits) {
    size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

std::optional<int32_t> Reference(const std::string& s) {
    size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    std::string rest = s.substr(i);
    bool negative = false;
    if (rest[0] == '+' || rest[0] == '-') {
        negative = rest[0] == '-';
        rest.erase(0, 1);
    }
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        rest.erase(0, 1);
        if (!AllOf(rest, "0123456789abcdefABCDEF"))
            return std::nullopt;
        rest = WithoutLeadingZeros(rest);
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        rest.erase(0, 2);
        if (!AllOf(rest, "0123456789abcdefABCDEF"))
            return std::nullopt;
        rest = WithoutLeadingZeros(rest);
    } else {
        if (!AllOf(rest, "0123456789"))
            return std::nullopt;
        rest = WithoutLeadingZeros(rest);
        if (rest.size() > 10)
            return std::nullopt;
        long long v = std::strtoll(rest.c_str(), nullptr, 10);
        if (negative)
            v = -v;
        if (v < INT_MIN || v > INT_MAX)
            return std::nullopt;
        return static_cast<int32_t>(v);
    }
    if (rest.size() > 8)
        return std::nullopt;
    uint32_t v = static_cast<uint32_t>(std::strtoul(rest.c_str(), nullptr, 16));
    if (negative)
        v = 0u - v;
    return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto what = [&] { return "text " + fuzz::Escaped(text); };
    const int a = StrToIntDef(text, kDefA);
    const int b = StrToIntDef(text, kDefB);
    const std::optional<int32_t> expected = Reference(text);
    if (expected) {
        FUZZ_CHECK(a == *expected && b == *expected, what() + " gave " + std::to_string(a) + "/" + std::to_string(b) +
                                                         ", expected " + std::to_string(*expected));
        FUZZ_CHECK(StrToIntDef(std::to_string(a), kDefA) == a, what());
        char hex[16];
        std::snprintf(hex, sizeof hex, "$%" PRIX32, static_cast<uint32_t>(a));
        FUZZ_CHECK(StrToIntDef(hex, kDefA) == a, what() + ", written as " + hex);
    } else {
        FUZZ_CHECK(a == kDefA && b == kDefB,
                   what() + " gave " + std::to_string(a) + "/" + std::to_string(b) + ", expected the fallback");
    }
    return 0;
}
