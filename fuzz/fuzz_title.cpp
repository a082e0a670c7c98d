// The title rule: ExtractFileName and MovieTitle.
// Input: one byte choosing the lead-byte table, then the path (any bytes).
//
// Properties:
// - the file name is the path's tail after its last "\" or ":" that is a
//   character of its own, found by walking the path's characters;
// - so it never starts inside a double-byte character: a second byte with
//   the value of "\" or ":" separates nothing;
// - the caption is "Pelorin -", the file name, "-".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "framework/SysUtils.h"
#include "ui/Title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const TLeadByteTest isLeadByte = fuzz::PickLeadByteTest(data[0]);
    const std::string path(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string name = ExtractFileName(path, isLeadByte);
    auto what = [&] { return "path " + fuzz::Escaped(path) + " gave " + fuzz::Escaped(name); };
    FUZZ_CHECK(name.size() <= path.size() && path.compare(path.size() - name.size(), name.size(), name) == 0, what());

    // Where the name must start: after the last separator character.
    size_t expectedStart = 0, at = 0;
    bool boundary = false;  // the name starts where a character starts
    const size_t start = path.size() - name.size();
    for (std::string_view ch : fuzz::Characters(path, isLeadByte)) {
        boundary = boundary || at == start;
        at += ch.size();
        if (ch == "\\" || ch == ":")
            expectedStart = at;
    }
    boundary = boundary || at == start;
    FUZZ_CHECK(boundary, what() + ": the name starts inside a character");
    FUZZ_CHECK(start == expectedStart, what() + ", expected " + fuzz::Escaped(path.substr(expectedStart)));

    FUZZ_CHECK(MovieTitle(path, isLeadByte) == "Pelorin -" + name + "-", what());
    return 0;
}
