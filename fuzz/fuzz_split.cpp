// Command-line splitting: SplitCommandLine, ParamCount and ParamStr.
// Input: the command line as UTF-8 (any bytes, up to its first NUL, as the
// program hands it over after converting the system's UTF-16 line).
//
// Properties:
// - it agrees with a second, differently built splitter (characters first,
//   then quotes and separators);
// - every argument is non-empty and keeps no quote of its own; a well-formed
//   line gives well-formed arguments, so no character is cut in two;
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

Args ReferenceSplit(const std::string& line) {
    Args args;
    std::string current;
    bool quoted = false;
    for (std::string_view ch : Characters(line)) {
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
// separator.
std::string Quoted(const std::string& arg) {
    bool needsQuotes = false;
    for (const auto& ch : Characters(arg))
        needsQuotes = needsQuotes || IsSeparator(ch);
    return needsQuotes ? "\"" + arg + "\"" : arg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line = std::string(reinterpret_cast<const char*>(data), size).c_str();

    const Args args = SplitCommandLine(line.c_str());
    auto what = [&] { return "line " + Escaped(line) + " gave " + Escaped(args); };

    FUZZ_CHECK(args == ReferenceSplit(line), what() + ", expected " + Escaped(ReferenceSplit(line)));

    const bool wellFormed = fuzz::IsWellFormedUtf8(line);
    size_t bytes = 0;
    for (const std::string& arg : args) {
        FUZZ_CHECK(!arg.empty(), what());
        FUZZ_CHECK(arg.find('"') == std::string::npos, what());
        FUZZ_CHECK(!wellFormed || fuzz::IsWellFormedUtf8(arg), what() + ": a character was cut");
        bytes += arg.size();
    }
    FUZZ_CHECK(bytes <= line.size(), what());

    std::string requoted;
    for (const auto& arg : args)
        requoted += (requoted.empty() ? "" : " ") + Quoted(arg);
    const Args again = SplitCommandLine(requoted.c_str());
    FUZZ_CHECK(again == args, what() + "; quoted again " + Escaped(requoted) + " gave " + Escaped(again));

    const int count = ParamCount(line.c_str());
    FUZZ_CHECK(count == (args.empty() ? 0 : static_cast<int>(args.size()) - 1), what());
    // Each call splits the whole line again: a few indexes, not all.
    for (int i : {-1, 0, count / 2 + 1, count + 1}) {
        const std::string expected = i >= 0 && static_cast<size_t>(i) < args.size() ? args[i] : std::string();
        FUZZ_CHECK(ParamStr(line.c_str(), i) == expected, what() + ", index " + std::to_string(i));
    }
    return 0;
}
