// The rules of the run-time library that need nothing from the system: this
// file includes no system header, so that the rules can also be built and
// fuzzed natively (fuzz/).
#include "framework/SysUtils.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

bool IsArgSeparator(char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 1 && b <= 32;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* line) {
    std::vector<std::string> args;
    if (line == nullptr)
        return args;
    const char* p = line;
    for (;;) {
        while (IsArgSeparator(*p))
            ++p;
        if (*p == '\0')
            break;
        std::string arg;
        bool quoted = false;
        while (*p != '\0' && (quoted || !IsArgSeparator(*p))) {
            if (*p == '"') {
                quoted = !quoted;
                ++p;
                continue;
            }
            arg += *p++;
        }
        if (!arg.empty())
            args.push_back(std::move(arg));
    }
    return args;
}

int ParamCount(const char* commandLine) {
    auto args = SplitCommandLine(commandLine);
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

std::string ParamStr(const char* commandLine, int index) {
    auto args = SplitCommandLine(commandLine);
    if (index < 0 || static_cast<size_t>(index) >= args.size())
        return {};
    return std::move(args[index]);
}

namespace {
// The hexadecimal digits from i to the end: at most 32 bits, two's
// complement as the bits say.
int HexToIntDef(const std::string& s, size_t i, bool negative, int def) {
    uint32_t value = 0;
    for (; i < s.size(); ++i) {
        int digit = HexDigit(s[i]);
        if (digit < 0 || value > 0x0FFFFFFFu)
            return def;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

// The decimal digits from i to the end, within the range of int.
int DecimalToIntDef(const std::string& s, size_t i, bool negative, int def) {
    // One more than INT_MAX is allowed only for INT_MIN itself.
    const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return def;
        value = value * 10 + (s[i] - '0');
        if (value > limit)
            return def;
    }
    return static_cast<int>(negative ? -value : value);
}
}  // namespace

int StrToIntDef(const std::string& s, int def) {
    const size_t n = s.size();
    size_t i = 0;
    while (i < n && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return def;  // a sign or prefix without digits, or nothing at all
    return hex ? HexToIntDef(s, i, negative, def) : DecimalToIntDef(s, i, negative, def);
}

std::string ExtractFileName(const std::string& path) {
    size_t last = path.find_last_of("\\:");
    return last == std::string::npos ? path : path.substr(last + 1);
}

int RoundHalfEven(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<double>(INT_MIN))
        return INT_MIN;
    double whole = std::floor(x);
    double fraction = x - whole;  // exact for doubles in int range
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<int>(whole);
}
