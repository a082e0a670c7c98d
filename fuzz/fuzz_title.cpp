// The title rule: ExtractFileName and MovieTitle.
// Input: the path as UTF-8 (any bytes).
//
// Properties:
// - the file name is the path's tail after its last "\" or ":" character,
//   found by walking the path's characters;
// - so it never starts inside a character, and a well-formed path gives a
//   well-formed name;
// - the caption is "Pelorin -", the file name, "-".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "framework/SysUtils.h"
#include "ui/Title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);

    const std::string name = ExtractFileName(path);
    auto what = [&] { return "path " + fuzz::Escaped(path) + " gave " + fuzz::Escaped(name); };
    FUZZ_CHECK(name.size() <= path.size() && path.compare(path.size() - name.size(), name.size(), name) == 0, what());

    // Where the name must start: after the last separator character.
    size_t expectedStart = 0, at = 0;
    bool boundary = false;  // the name starts where a character starts
    const size_t start = path.size() - name.size();
    for (std::string_view ch : fuzz::Characters(path)) {
        boundary = boundary || at == start;
        at += ch.size();
        if (ch == "\\" || ch == ":")
            expectedStart = at;
    }
    boundary = boundary || at == start;
    FUZZ_CHECK(boundary, what() + ": the name starts inside a character");
    FUZZ_CHECK(start == expectedStart, what() + ", expected " + fuzz::Escaped(path.substr(expectedStart)));
    FUZZ_CHECK(!fuzz::IsWellFormedUtf8(path) || fuzz::IsWellFormedUtf8(name), what());

    FUZZ_CHECK(MovieTitle(path) == "Pelorin -" + name + "-", what());
    return 0;
}
