// Command-line splitting: SplitCommandLine, ParamCount and ParamStr.
// Input: one byte choosing the lead-byte table, then the command line (up to
// its first NUL, as the system hands it over).
//
// Properties:
// - it agrees with a second, differently built splitter (characters first,
//   then quotes and separators);
// - every argument is non-empty, keeps no quote of its own and is made of
//   whole characters; a lone lead byte can only be the line's last byte;
// - quoting the arguments again and splitting the result gives them back;
// - ParamCount and ParamStr tell the same arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "framework/SysUtils.h"

using fuzz::Characters;
using fuzz::Escaped;
using Args = std::vector<std::string>;

namespace {

bool IsSeparator(std::string_view ch) {
    return ch.size() == 1 && static_cast<unsigned char>(ch[0]) >= 1 && static_cast<unsigned char>(ch[0]) <= 32;
}

Args ReferenceSplit(const std::string& line, TLeadByteTest isLeadByte) {
    Args args;
    std::string current;
    bool quoted = false;
    for (std::string_view ch : Characters(line, isLeadByte)) {
        if (ch == "\"") {
            quoted = !quoted;
        } else if (!quoted && IsSeparator(ch)) {
            if (!current.empty())
                args.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.empty())
        args.push_back(current);
    return args;
}

// What a caller would write to pass the argument on: quoted when it holds a
// separator. A lone lead byte at its end stays outside the quotes, where
// nothing follows it to pair with.
std::string Quoted(const std::string& arg, TLeadByteTest isLeadByte) {
    const auto chars = Characters(arg, isLeadByte);
    bool needsQuotes = false;
    for (const auto& ch : chars)
        needsQuotes = needsQuotes || IsSeparator(ch);
    if (!needsQuotes)
        return arg;
    const std::string_view last = chars.back();
    if (last.size() == 1 && isLeadByte(static_cast<unsigned char>(last[0])))
        return "\"" + arg.substr(0, arg.size() - 1) + "\"" + std::string(last);
    return "\"" + arg + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const TLeadByteTest isLeadByte = fuzz::PickLeadByteTest(data[0]);
    const std::string line = std::string(reinterpret_cast<const char*>(data + 1), size - 1).c_str();

    const Args args = SplitCommandLine(line.c_str(), isLeadByte);
    auto what = [&] { return "line " + Escaped(line) + " gave " + Escaped(args); };

    FUZZ_CHECK(args == ReferenceSplit(line, isLeadByte), what() + ", expected " + Escaped(ReferenceSplit(line, isLeadByte)));

    size_t bytes = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        FUZZ_CHECK(!arg.empty(), what());
        bytes += arg.size();
        const auto chars = Characters(arg, isLeadByte);
        for (size_t k = 0; k < chars.size(); ++k) {
            FUZZ_CHECK(chars[k] != "\"", what());
            const bool lone = chars[k].size() == 1 && isLeadByte(static_cast<unsigned char>(chars[k][0]));
            if (lone) {
                const bool atLineEnd = i + 1 == args.size() && k + 1 == chars.size() && line.back() == chars[k][0];
                FUZZ_CHECK(atLineEnd, what() + ": a lead byte lost its second byte");
            }
        }
    }
    FUZZ_CHECK(bytes <= line.size(), what());

    std::string requoted;
    for (const auto& arg : args)
        requoted += (requoted.empty() ? "" : " ") + Quoted(arg, isLeadByte);
    const Args again = SplitCommandLine(requoted.c_str(), isLeadByte);
    FUZZ_CHECK(again == args, what() + "; quoted again " + Escaped(requoted) + " gave " + Escaped(again));

    const int count = ParamCount(line.c_str(), isLeadByte);
    FUZZ_CHECK(count == (args.empty() ? 0 : static_cast<int>(args.size()) - 1), what());
    // Each call splits the whole line again: a few indexes, not all.
    for (int i : {-1, 0, count / 2 + 1, count + 1}) {
        const std::string expected = i >= 0 && static_cast<size_t>(i) < args.size() ? args[i] : std::string();
        FUZZ_CHECK(ParamStr(line.c_str(), i, isLeadByte) == expected, what() + ", index " + std::to_string(i));
    }
    return 0;
}
